// The workers' entry buffers, carved from one block of pages taken once for a
// run: a buffer given back is the memory of the next one, so each page of
// the block is faulted in once for the run and not once for every entry.
// When no free range of the block is large enough (the block is full, or
// split by buffers still held), a buffer comes from the heap instead; what
// a caller holds is the same either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/page_memory.h"

namespace archive {

class BufferArena;

// Gives a buffer back where it came from: to its arena, or to the heap.
struct BufferHome {
  std::shared_ptr<BufferArena> arena;  // null for a heap buffer
  void operator()(uint8_t* buffer) const;
};
using ArenaBuffer = std::unique_ptr<uint8_t[], BufferHome>;

class BufferArena : public std::enable_shared_from_this<BufferArena> {
 public:
  // Sizes are whole multiples of this (buffers start on such a boundary).
  static constexpr size_t kGrain = 4u << 10;

  // An arena of block bytes; one whose block the system refused serves
  // every buffer from the heap.
  static std::shared_ptr<BufferArena> Create(size_t block);
  ~BufferArena();
  BufferArena(const BufferArena&) = delete;
  BufferArena& operator=(const BufferArena&) = delete;

  // A buffer of at least size bytes (its capacity, a multiple of kGrain, in
  // *capacity): from the block when a free range fits (the lowest that
  // does), else from the heap. Raises std::bad_alloc when the heap refuses.
  ArenaBuffer Take(size_t size, size_t* capacity);

  // How much of the block is handed out now (for tests).
  size_t InUse() const;

 private:
  friend struct BufferHome;
  explicit BufferArena(size_t block) : memory_(block) {}
  void GiveBack(uint8_t* buffer);

  platform::PageMemory memory_;
  mutable std::mutex mutex_;
  std::map<size_t, size_t> free_;   // offset -> size; neighbours are merged
  std::map<size_t, size_t> given_;  // offset -> size of buffers handed out
};

}  // namespace archive
