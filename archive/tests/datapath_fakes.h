// Test doubles of the data path: an input source over memory and an output
// sink that records every block it is given.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <zlib.h>

#include "archive/decoders/decoder_io.h"

namespace archive::testing {

class MemorySource : public InputSource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  size_t ReadBlock(uint8_t* buffer, size_t max) override {
    if (fail_at_block >= 0 && static_cast<int>(requests.size()) == fail_at_block) fail();
    requests.push_back(max);
    size_t n = std::min(max, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }
  std::vector<size_t> requests;  // the size asked for by every read
  int fail_at_block = -1;        // raise fail() instead of serving this block
  std::function<void()> fail;

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
};

class RecordingSink : public OutputSink {
 public:
  void TakeBlock(const uint8_t* data, size_t n) override {
    if (fail_at_block >= 0 && static_cast<int>(blocks.size()) == fail_at_block) fail();
    blocks.push_back(n);
    bytes.insert(bytes.end(), data, data + n);
  }
  std::vector<size_t> blocks;
  std::vector<uint8_t> bytes;
  int fail_at_block = -1;
  std::function<void()> fail;
};

// Raw DEFLATE (no zlib framing) of data at the given level.
inline std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& data, int level = 6) {
  z_stream s{};
  deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&s, data.size()) + 16);
  s.next_in = const_cast<Bytef*>(data.data());
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// Deterministic data that deflates to roughly half its size.
inline std::vector<uint8_t> MixedData(size_t n, uint32_t seed = 1) {
  std::vector<uint8_t> data(n);
  uint32_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    data[i] = (x >> 16) % 3 == 0 ? static_cast<uint8_t>(x >> 24) : static_cast<uint8_t>("abcdefgh"[(x >> 20) & 7]);
  }
  return data;
}

// Sizes of the blocks data of size n reaches the output in: 32768 each, the
// rest last.
inline std::vector<size_t> WindowBlocks(size_t n) {
  std::vector<size_t> blocks(n / 32768, 32768);
  if (n % 32768) blocks.push_back(n % 32768);
  return blocks;
}

}  // namespace archive::testing
