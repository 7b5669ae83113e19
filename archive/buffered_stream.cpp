#include "archive/buffered_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"

namespace archive {

TBufferedStream::TBufferedStream(platform::TStream* stream, int buffer_size)
    : stream_(stream), buffer_size_(std::max(buffer_size, 1)), buffer_(new uint8_t[static_cast<size_t>(buffer_size_)]) {}

TBufferedStream::~TBufferedStream() { FinishBuffering(); }

void TBufferedStream::FinishBuffering() {
  if (finished_) return;
  finished_ = true;
  try {
    FlushBuffer();
  } catch (const platform::Error&) {
    // A destructor cannot report it; the data was lost with the device.
  }
  if (flush_on_destroy_ && written_) ForceToDisk();
}

int64_t TBufferedStream::FillBuffer() {
  int64_t got = stream_->Read(buffer_.get(), buffer_size_);
  if (got < 0) got = 0;
  buffer_end_ = got;
  position_ = 0;
  state_ = got > 0 ? kReadBuffered : kEmpty;
  AfterFill();
  return got;
}

void TBufferedStream::FlushBuffer() {
  if (state_ != kWritePending) return;
  int64_t pending = buffer_end_;
  state_ = kEmpty;
  buffer_end_ = position_ = 0;
  if (pending > 0 && stream_->Write(buffer_.get(), pending) != pending) throw platform::StreamWriteError();
  AfterFlush();
}

bool TBufferedStream::PutBackByte() {
  if (state_ != kReadBuffered || position_ == 0) return false;
  --position_;
  return true;
}

int64_t TBufferedStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (state_ == kWritePending) FlushBuffer();
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    if (state_ != kReadBuffered || position_ == buffer_end_) {
      if (FillBuffer() == 0) break;
    }
    int64_t take = std::min(count - done, buffer_end_ - position_);
    std::memcpy(out + done, buffer_.get() + position_, static_cast<size_t>(take));
    position_ += take;
    done += take;
  }
  return done;
}

int64_t TBufferedStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (state_ == kReadBuffered) {
    // Writing starts at the logical position: put the underlying stream there.
    stream_->Seek(position_ - buffer_end_, platform::kFromCurrent);
    state_ = kEmpty;
    buffer_end_ = position_ = 0;
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t take = std::min(count - done, static_cast<int64_t>(buffer_size_) - buffer_end_);
    std::memcpy(buffer_.get() + buffer_end_, in + done, static_cast<size_t>(take));
    buffer_end_ += take;
    position_ = buffer_end_;
    state_ = kWritePending;
    written_ = true;
    if (buffer_end_ == buffer_size_) {
      // A short write of the buffer: report the bytes of this call that
      // certainly arrived (none of this buffer's).
      int64_t earlier = buffer_end_ - take;
      try {
        FlushBuffer();
      } catch (const platform::StreamWriteError&) {
        return std::max<int64_t>(0, done - earlier);
      }
    }
    done += take;
  }
  return done;
}

int64_t TBufferedStream::Seek(int64_t offset, int origin) {
  int64_t underlying = stream_->Seek(0, platform::kFromCurrent);
  int64_t logical = underlying;
  if (state_ == kReadBuffered) logical -= buffer_end_ - position_;
  if (state_ == kWritePending) logical += buffer_end_;

  int64_t target = logical;
  switch (origin) {
    case platform::kFromBeginning: target = offset; break;
    case platform::kFromCurrent: target = logical + offset; break;
    case platform::kFromEnd: target = std::max(stream_->Size(), logical) - std::llabs(offset); break;
  }
  if (target == logical) return logical;
  FlushBuffer();
  state_ = kEmpty;
  buffer_end_ = position_ = 0;
  return stream_->Seek(target, platform::kFromBeginning);
}

int64_t TBufferedStream::Size() {
  int64_t logical = Seek(0, platform::kFromCurrent);
  return std::max(stream_->Size(), logical);
}

TBufferedFileStream::TBufferedFileStream(const std::string& path, int buffer_size, bool flush_on_close,
                                         platform::File::Mode mode)
    : TBufferedStream(nullptr, buffer_size),
      file_stream_(std::make_unique<platform::TFileStream>(path, mode)) {
  stream_ = file_stream_.get();
  bool writes = mode == platform::File::Mode::Create || mode == platform::File::Mode::WriteShared;
  SetFlushToDiskOnDestroy(flush_on_close && writes);
}

TBufferedFileStream::~TBufferedFileStream() {
  // Here, not in the base: ForceToDisk must still reach this class.
  FinishBuffering();
}

}  // namespace archive
