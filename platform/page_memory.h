// A block of memory taken from the system in whole pages, for buffers that a
// run carves and reuses. Touching a fresh page costs a page fault, which on
// some machines costs as much as inflating the bytes that go into it; a
// block the system can back with large pages (where it offers them for such
// a block) takes one fault for many small pages.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

class PageMemory {
 public:
  PageMemory() = default;
  // Reserves and commits size bytes (rounded up to whole pages); empty when
  // the system refuses them.
  explicit PageMemory(size_t size);
  ~PageMemory();
  PageMemory(PageMemory&& other) noexcept;
  PageMemory& operator=(PageMemory&& other) noexcept;
  PageMemory(const PageMemory&) = delete;
  PageMemory& operator=(const PageMemory&) = delete;

  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  void Release();
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  // What was mapped, when it differs from the block (alignment).
  void* mapping_ = nullptr;
  size_t mapping_size_ = 0;
};

}  // namespace platform
