// The running CRC-32 by every path this machine has, held to the byte-wise
// table step: lengths around the folding's 16- and 64-byte steps, every
// start alignment within 16 bytes, and a running value carried over blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "archive/decoders/crc32.h"

namespace archive {
namespace {

uint32_t TableStepCrc(uint32_t running, const uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) running = Crc32Step(running, data[i]);
  return running;
}

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> bytes(n);
  uint32_t x = 0x2545F491u;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x >> 24);
  }
  return bytes;
}

std::vector<CrcPath> PathsHere() {
  std::vector<CrcPath> paths = {CrcPath::Table};
  if (CarryLessCrcAvailable()) paths.push_back(CrcPath::CarryLess);
  return paths;
}

TEST(RunningCrc, KnownValues) {
  // "123456789" is the CRC-32 check value; an empty block leaves the start.
  const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  const std::vector<uint8_t> zeros(4096, 0);
  for (CrcPath path : PathsHere()) {
    SCOPED_TRACE(static_cast<int>(path));
    EXPECT_EQ(UpdateRunningCrcBy(path, kCrcStart, check, sizeof check) ^ kCrcStart, 0xCBF43926u);
    EXPECT_EQ(UpdateRunningCrcBy(path, kCrcStart, check, 0), kCrcStart);
    EXPECT_EQ(UpdateRunningCrcBy(path, kCrcStart, zeros.data(), zeros.size()) ^ kCrcStart,
              TableStepCrc(kCrcStart, zeros.data(), zeros.size()) ^ kCrcStart);
  }
}

TEST(RunningCrc, EveryPathMatchesTheTableAtLengthsAndAlignments) {
  const std::vector<uint8_t> bytes = Pattern(70000);
  const size_t lengths[] = {0,  1,  15, 16,  17,  31,  32,  47,   48,   63,    64,    65,    79,   80,
                            81, 95, 96, 127, 128, 129, 191, 192,  255,  256,   257,   1000,  4095, 4096,
                            4097, 32767, 32768, 32769, 65536 + 15};
  for (CrcPath path : PathsHere()) {
    for (size_t offset = 0; offset < 16; ++offset) {
      for (size_t n : lengths) {
        const uint8_t* p = bytes.data() + offset;
        ASSERT_EQ(UpdateRunningCrcBy(path, kCrcStart, p, n), TableStepCrc(kCrcStart, p, n))
            << "path " << static_cast<int>(path) << " offset " << offset << " length " << n;
      }
    }
  }
}

TEST(RunningCrc, RunningValueCarriesOverUnevenBlocks) {
  const std::vector<uint8_t> bytes = Pattern(100000);
  const uint32_t whole = TableStepCrc(kCrcStart, bytes.data(), bytes.size());
  const size_t blocks[] = {1, 63, 64, 100, 16, 32768, 5, 65};
  for (CrcPath path : PathsHere()) {
    uint32_t running = kCrcStart;
    size_t at = 0, i = 0;
    while (at < bytes.size()) {
      size_t n = std::min(blocks[i++ % std::size(blocks)], bytes.size() - at);
      running = UpdateRunningCrcBy(path, running, bytes.data() + at, n);
      at += n;
    }
    EXPECT_EQ(running, whole) << "path " << static_cast<int>(path);
  }
  EXPECT_EQ(UpdateRunningCrc(kCrcStart, bytes.data(), bytes.size()), whole);
}

}  // namespace
}  // namespace archive
