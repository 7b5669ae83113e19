// What a block of pages does the same on every system: its ownership moves,
// and it is given back when its owner goes.
#include "platform/page_memory.h"

#include <utility>

namespace platform {

PageMemory::~PageMemory() { Release(); }

PageMemory::PageMemory(PageMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mapping_size_(std::exchange(other.mapping_size_, 0)) {}

PageMemory& PageMemory::operator=(PageMemory&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapping_ = std::exchange(other.mapping_, nullptr);
    mapping_size_ = std::exchange(other.mapping_size_, 0);
  }
  return *this;
}

}  // namespace platform
