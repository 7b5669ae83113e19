// Test-only writers of the legacy methods, so that the decoders can be run
// over large inputs and checked against the original bytes. They aim at
// covering the decoders' paths (every code width, partial clears, follower
// sets of every size, uneven Shannon-Fano trees, long copies), not at
// compressing well or at matching PKZIP's output.
#pragma once

#include <cstdint>
#include <vector>

namespace archive::legacy_test {

// Packs fields least significant bit first, as all three methods read them.
class BitWriter {
 public:
  void Put(uint32_t value, int width);
  void PutByte(uint8_t b) { Put(b, 8); }
  // The bytes so far; a partial last byte is padded with zeros.
  std::vector<uint8_t> Finish() const;

 private:
  std::vector<uint8_t> bytes_;
  int used_ = 8;  // bits used in the last byte
};

struct ShrinkOptions {
  // Send 256,2 when the table is full and an entry is wanted (PKZIP's way);
  // otherwise keep coding with the full table.
  bool clear_when_full = true;
  // When above 0, also send 256,2 after every this many codes.
  int clear_every = 0;
};
std::vector<uint8_t> Shrink(const std::vector<uint8_t>& data, const ShrinkOptions& options = {});

// factor 1-4 (method 2-5). Follower sets are built from the byte statistics,
// with the size of set c capped at c % 33 so that every set size occurs.
std::vector<uint8_t> Reduce(const std::vector<uint8_t>& data, int factor);

// flags bits 1 and 2 as in the entry. The trees are random complete codes of
// lengths 1-16 drawn from seed.
std::vector<uint8_t> Implode(const std::vector<uint8_t>& data, uint16_t flags, uint32_t seed);

}  // namespace archive::legacy_test
