#include "archive/buffer_arena.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <new>

// Ranges nobody holds are marked out of bounds for the address checker.
#if defined(__SANITIZE_ADDRESS__)
#define DZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DZ_ASAN 1
#endif
#endif
#ifdef DZ_ASAN
#include <sanitizer/asan_interface.h>
#define DZ_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define DZ_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define DZ_POISON(address, size) ((void)(address), (void)(size))
#define DZ_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace archive {

void BufferHome::operator()(uint8_t* buffer) const {
  if (!buffer) return;
  if (arena)
    arena->GiveBack(buffer);
  else
    delete[] buffer;
}

std::shared_ptr<BufferArena> BufferArena::Create(size_t block) {
  std::shared_ptr<BufferArena> arena(new BufferArena(block));
  if (arena->memory_.data()) {
    const size_t usable = arena->memory_.size() / kGrain * kGrain;
    arena->free_.emplace(0, usable);
    DZ_POISON(arena->memory_.data(), arena->memory_.size());
  }
  return arena;
}

BufferArena::~BufferArena() {
  // The pages go back to the system and may come back as other memory: none
  // of it may stay marked out of bounds.
  if (memory_.data()) DZ_UNPOISON(memory_.data(), memory_.size());
}

ArenaBuffer BufferArena::Take(size_t size, size_t* capacity) {
  if (size > SIZE_MAX - kGrain) throw std::bad_alloc();
  const size_t rounded = (std::max<size_t>(size, 1) + kGrain - 1) / kGrain * kGrain;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto range = free_.begin(); range != free_.end(); ++range) {
      if (range->second < rounded) continue;
      const size_t offset = range->first;
      const size_t left = range->second - rounded;
      free_.erase(range);
      if (left > 0) free_.emplace(offset + rounded, left);
      given_.emplace(offset, rounded);
      uint8_t* buffer = memory_.data() + offset;
      DZ_UNPOISON(buffer, rounded);
      *capacity = rounded;
      return ArenaBuffer(buffer, BufferHome{shared_from_this()});
    }
  }
  ArenaBuffer buffer(new uint8_t[rounded], BufferHome{});
  *capacity = rounded;
  return buffer;
}

void BufferArena::GiveBack(uint8_t* buffer) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto held = given_.find(static_cast<size_t>(buffer - memory_.data()));
  if (held == given_.end()) return;  // not one of ours: a fault elsewhere, not freed twice
  size_t offset = held->first;
  size_t size = held->second;
  given_.erase(held);
  DZ_POISON(buffer, size);
  // Merged with the free ranges on either side.
  auto after = free_.lower_bound(offset);
  if (after != free_.end() && after->first == offset + size) {
    size += after->second;
    after = free_.erase(after);
  }
  if (after != free_.begin()) {
    auto before = std::prev(after);
    if (before->first + before->second == offset) {
      offset = before->first;
      size += before->second;
      free_.erase(before);
    }
  }
  free_.emplace(offset, size);
}

size_t BufferArena::InUse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t total = 0;
  for (const auto& [offset, size] : given_) total += size;
  return total;
}

}  // namespace archive
