// Bit input of the legacy decoders (unshrink, unreduce, explode): fields of up
// to 16 bits, least significant bit first, taken from NextInputByte only as
// far as they are needed.
//
// Unlike a reader that pads a short read with zeros, it reports every field
// that the input cannot supply in full, so a truncated entry ends as corrupt
// instead of decoding invented zero bits, even in its very last code. Taking
// bytes through NextInputByte keeps decryption, refills and the component's
// errors on their usual path.
#pragma once

#include <cstdint>

#include "archive/decoders/decoder_io.h"

namespace archive {

class LegacyBitReader {
 public:
  explicit LegacyBitReader(DecoderIO& io) : io_(io) {}

  // The next n bits (1 <= n <= 16). When the input ends first, returns 0 and
  // sets exhausted(), which stays set.
  uint32_t Bits(int n) {
    while (count_ < n) {
      int b = io_.NextInputByte();
      if (b == DecoderIO::kEndOfInput) {
        exhausted_ = true;
        return 0;
      }
      buffer_ |= static_cast<uint32_t>(b) << count_;
      count_ += 8;
    }
    uint32_t value = buffer_ & ((1u << n) - 1);
    buffer_ >>= n;
    count_ -= n;
    return value;
  }

  bool exhausted() const { return exhausted_; }

 private:
  DecoderIO& io_;
  uint32_t buffer_ = 0;
  int count_ = 0;  // bits in buffer_, at most 23
  bool exhausted_ = false;
};

}  // namespace archive
