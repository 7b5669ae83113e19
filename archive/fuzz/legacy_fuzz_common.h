// Shared frame of the legacy decoders' fuzz targets. An input is a small
// header followed by the compressed bytes:
//   byte 0      method parameter (unreduce: factor = 1 + b % 4; explode: flags)
//   bytes 1-3   declared uncompressed size, little endian (at most 16 MB)
//   bytes 4...  the compressed stream
// The sink checks that an entry never produces more than its declared size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "archive/decoders/decoder_io.h"

namespace archive::legacy_fuzz {

class FuzzSource : public InputSource {
 public:
  FuzzSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t ReadBlock(uint8_t* buffer, size_t max) override {
    size_t n = max < size_ - position_ ? max : size_ - position_;
    std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

class CountingSink : public OutputSink {
 public:
  explicit CountingSink(int64_t limit) : limit_(limit) {}
  void TakeBlock(const uint8_t*, size_t n) override {
    taken_ += static_cast<int64_t>(n);
    if (taken_ > limit_) {
      std::fprintf(stderr, "decoder produced %lld bytes of %lld\n", static_cast<long long>(taken_),
                   static_cast<long long>(limit_));
      std::abort();
    }
  }
  int64_t taken() const { return taken_; }

 private:
  int64_t limit_;
  int64_t taken_ = 0;
};

// Runs decode(io, parameter) over one fuzz input.
template <typename Decode>
void RunOne(const uint8_t* data, size_t size, Decode decode) {
  if (size < 4) return;
  int parameter = data[0];
  int64_t declared = data[1] | (data[2] << 8) | (data[3] << 16);
  static WorkBuffers buffers;  // one run's buffers, reused like the component does
  FuzzSource source(data + 4, size - 4);
  CountingSink sink(declared);
  DecoderIO io(buffers, source, sink, static_cast<int64_t>(size - 4), declared);
  DecodeStatus status = decode(io, parameter);
  if (status == DecodeStatus::Completed && sink.taken() != declared) {
    std::fprintf(stderr, "completed with %lld bytes of %lld\n", static_cast<long long>(sink.taken()),
                 static_cast<long long>(declared));
    std::abort();
  }
}

}  // namespace archive::legacy_fuzz
