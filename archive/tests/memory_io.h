// In-memory stand-ins for the archive tests: a growable stream (the archive
// or output file of the records and buffered-stream tests), an input source
// and an output sink of the decoders' data path. Each counts or records what
// it is asked, so tests can check how the code under test touches its input
// and output, and each can be told to fail at a chosen call.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "archive/decoders/decoder_io.h"
#include "platform/streams.h"

namespace archive::testing {

class MemoryStream : public platform::TStream {
 public:
  explicit MemoryStream(std::string bytes = {}) : bytes_(std::move(bytes)) {}
  int64_t Read(void* buffer, int64_t count) override {
    ++reads;
    if (count <= 0 || position_ >= static_cast<int64_t>(bytes_.size())) return 0;
    int64_t n = std::min<int64_t>(count, static_cast<int64_t>(bytes_.size()) - position_);
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  int64_t Write(const void* buffer, int64_t count) override {
    ++writes;
    if (count <= 0) return 0;
    if (write_limit >= 0) count = std::min<int64_t>(count, std::max<int64_t>(0, write_limit - position_));
    if (position_ + count > static_cast<int64_t>(bytes_.size())) bytes_.resize(static_cast<size_t>(position_ + count));
    std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
  }
  int64_t Seek(int64_t offset, int origin) override {
    if (!(offset == 0 && origin == platform::kFromCurrent)) ++seeks;
    int64_t target = origin == platform::kFromBeginning ? offset
                     : origin == platform::kFromCurrent ? position_ + offset
                                                        : static_cast<int64_t>(bytes_.size()) + offset;
    if (target < 0) return -1;
    position_ = target;
    return position_;
  }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

  const std::string& bytes() const { return bytes_; }
  int reads = 0, writes = 0, seeks = 0;  // seeks: every seek except position queries
  int64_t write_limit = -1;              // >= 0: a device that fills up at this size

 private:
  std::string bytes_;
  int64_t position_ = 0;
};

// Serves bytes to a decoder in the blocks it asks for.
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

// Keeps every block a decoder hands out, and their sizes.
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

}  // namespace archive::testing
