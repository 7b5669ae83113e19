#include "archive/decoders/decoder_io.h"

#include <algorithm>
#include <cstring>

namespace archive {

void DecoderIO::Refill() {
  size_t want = static_cast<size_t>(std::min<int64_t>(kInputBufferSize, unread_));
  in_len_ = source_.ReadBlock(input_, want);
  unread_ -= static_cast<int64_t>(in_len_);
  in_pos_ = 0;
}

void DecoderIO::FlushWindow(size_t n) {
  const uint8_t* from = window_;
  while (n > 0) {
    size_t room = kOutputBufferSize - out_len_;
    size_t take = std::min(room, n);
    std::memcpy(output_ + out_len_, from, take);
    out_len_ += take;
    from += take;
    n -= take;
    if (out_len_ == kOutputBufferSize) FlushOutput();
  }
}

const uint8_t* DecoderIO::TakeInputBlock(size_t* count) {
  if (in_pos_ == in_len_) {
    if (remaining_ <= 0) {
      *count = 0;
      return nullptr;
    }
    Refill();
  }
  size_t n = std::min<size_t>(in_len_ - in_pos_, static_cast<size_t>(remaining_));
  const uint8_t* block = input_ + in_pos_;
  in_pos_ += n;
  remaining_ -= static_cast<int64_t>(n);
  *count = n;
  return block;
}

size_t DecoderIO::ReadIntoOutput() {
  if (unread_ <= 0) return 0;
  size_t want = static_cast<size_t>(std::min<int64_t>(kOutputBufferSize, unread_));
  size_t got = source_.ReadBlock(output_, want);
  unread_ -= static_cast<int64_t>(got);
  out_len_ = got;
  return got;
}

}  // namespace archive
