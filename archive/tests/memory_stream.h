// A growable in-memory stream for the archive tests, counting the calls it
// receives so tests can check how a reader touches its input.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

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

}  // namespace archive::testing
