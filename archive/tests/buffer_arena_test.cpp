// The workers' buffer block: buffers never overlap, ranges given back are
// merged so that a large buffer fits again, a full block falls back to the
// heap, and a buffer may outlive everything but itself.
#include "archive/buffer_arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <random>
#include <vector>

namespace archive {
namespace {

constexpr size_t kBlock = 2u << 20;  // a whole number of pages on every system
constexpr size_t kQuarter = kBlock / 4;

bool FromBlock(const ArenaBuffer& buffer) { return buffer.get_deleter().arena != nullptr; }

TEST(BufferArena, RangesGivenBackAreMergedOnBothSides) {
  auto arena = BufferArena::Create(kBlock);
  size_t capacity = 0;
  std::vector<ArenaBuffer> quarters;
  for (int i = 0; i < 4; ++i) {
    quarters.push_back(arena->Take(kQuarter, &capacity));
    ASSERT_TRUE(FromBlock(quarters.back())) << i;
    EXPECT_EQ(capacity, kQuarter);
  }
  EXPECT_FALSE(FromBlock(arena->Take(1, &capacity))) << "the block is full";

  // The second quarter and then the third: merged with the range before.
  quarters[1].reset();
  quarters[2].reset();
  ArenaBuffer half = arena->Take(2 * kQuarter, &capacity);
  EXPECT_TRUE(FromBlock(half));
  EXPECT_EQ(half.get(), quarters[0].get() + kQuarter);
  half.reset();

  // The last, then the first: merged with the ranges after and before.
  quarters[3].reset();
  quarters[0].reset();
  EXPECT_EQ(arena->InUse(), 0u);
  ArenaBuffer whole = arena->Take(kBlock, &capacity);
  EXPECT_TRUE(FromBlock(whole)) << "the four quarters are one range again";
  EXPECT_EQ(capacity, kBlock);
}

// Buffers of mixed sizes taken and given back in a random order: while held,
// no two share a byte (each is filled with its own mark and checked before
// it goes), and once all are back the block is one range again.
TEST(BufferArena, HeldBuffersNeverShareAByte) {
  auto arena = BufferArena::Create(kBlock);
  std::mt19937 random(7);
  struct Held {
    ArenaBuffer buffer;
    size_t size;
    uint8_t mark;
  };
  std::vector<Held> held;
  int from_heap = 0;
  for (int step = 0; step < 2000; ++step) {
    if (!held.empty() && random() % 2) {
      const size_t pick = random() % held.size();
      const Held& h = held[pick];
      ASSERT_TRUE(std::all_of(h.buffer.get(), h.buffer.get() + h.size, [&](uint8_t b) { return b == h.mark; }))
          << "step " << step;
      held.erase(held.begin() + static_cast<std::ptrdiff_t>(pick));
      continue;
    }
    const size_t size = 1 + random() % (kBlock / 6);
    size_t capacity = 0;
    Held h{arena->Take(size, &capacity), size, static_cast<uint8_t>(step)};
    ASSERT_TRUE(h.buffer);
    ASSERT_GE(capacity, size);
    EXPECT_EQ(capacity % BufferArena::kGrain, 0u);
    if (!FromBlock(h.buffer)) ++from_heap;
    std::memset(h.buffer.get(), h.mark, capacity);
    held.push_back(std::move(h));
  }
  EXPECT_GT(from_heap, 0) << "the block never ran full: the fallback was not exercised";
  held.clear();
  EXPECT_EQ(arena->InUse(), 0u);
  size_t capacity = 0;
  EXPECT_TRUE(FromBlock(arena->Take(kBlock, &capacity)));
}

TEST(BufferArena, ABufferOutlivesTheArenasOwner) {
  size_t capacity = 0;
  ArenaBuffer buffer = BufferArena::Create(kBlock)->Take(100, &capacity);
  ASSERT_TRUE(FromBlock(buffer));
  std::memset(buffer.get(), 1, capacity);  // the block is still there
  buffer.reset();                          // and goes with the last buffer
}

TEST(BufferArena, SizesAtTheEdges) {
  auto arena = BufferArena::Create(kBlock);
  size_t capacity = 0;
  ArenaBuffer empty = arena->Take(0, &capacity);
  EXPECT_TRUE(empty);
  EXPECT_EQ(capacity, BufferArena::kGrain);
  EXPECT_THROW(arena->Take(SIZE_MAX, &capacity), std::bad_alloc);
  EXPECT_THROW(arena->Take(SIZE_MAX - BufferArena::kGrain / 2, &capacity), std::bad_alloc);
  // A block the system refused: every buffer comes from the heap.
  auto refused = BufferArena::Create(0);
  ArenaBuffer heap = refused->Take(10, &capacity);
  ASSERT_TRUE(heap);
  EXPECT_FALSE(FromBlock(heap));
}

}  // namespace
}  // namespace archive
