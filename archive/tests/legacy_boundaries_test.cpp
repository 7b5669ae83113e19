// Entry sizes around the 32768-byte window and output buffer, for every
// legacy method: the last partial window, a window that ends exactly at the
// entry's end, and copies that run across the wrap-around.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "archive/tests/legacy_test_encoder.h"
#include "archive/tests/legacy_test_support.h"

namespace archive::legacy_test {
namespace {

TEST(LegacyBoundaries, SizesAroundTheWindow) {
  std::mt19937 random(23);
  Bytes source;
  while (source.size() < 65537 + 600) {
    // Repeats near and far, so copies of every length cross the wrap.
    size_t n = 1 + random() % 400;
    if (source.size() > 9000 && random() % 2) {
      size_t from = source.size() - 1 - random() % 8000;
      for (size_t i = 0; i < n; ++i) source.push_back(source[from + i]);
    } else {
      for (size_t i = 0; i < n; ++i) source.push_back(static_cast<uint8_t>(random() % 7));
    }
  }
  WorkBuffers buffers;
  for (size_t size : {size_t{1}, size_t{2}, size_t{32767}, size_t{32768}, size_t{32769}, size_t{65535},
                      size_t{65536}, size_t{65537}}) {
    Bytes data(source.begin(), source.begin() + static_cast<ptrdiff_t>(size));
    struct Method {
      int method;
      uint16_t flags;
      Bytes stream;
    };
    const Method methods[] = {
        {1, 0, Shrink(data)}, {2, 0, Reduce(data, 1)}, {5, 0, Reduce(data, 4)},
        {6, 0, Implode(data, 0, 31)}, {6, 6, Implode(data, 6, 37)},
    };
    for (const Method& m : methods) {
      SCOPED_TRACE("size " + std::to_string(size) + ", method " + std::to_string(m.method) + ", flags " +
                   std::to_string(m.flags));
      Decoded d = DecodeEntry(buffers, m.method, m.flags, m.stream, static_cast<int64_t>(size));
      EXPECT_EQ(d.status, DecodeStatus::Completed);
      EXPECT_TRUE(d.output == data);
    }
  }
}

}  // namespace
}  // namespace archive::legacy_test
