// Buffered streams over another stream: the archive is read and output files
// are written through them, with an 8192-byte buffer.
//
// The logical position is the underlying position corrected by what is
// buffered. Reading flushes pending written data first; a seek to any other
// place than the logical position writes pending data, moves the underlying
// stream and drops read data. Destruction writes pending data and, when asked
// for, forces the file's data to disk.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/streams.h"

namespace archive {

inline constexpr int kFileBufferSize = 8192;

class TBufferedStream : public platform::TStream {
 public:
  // stream is not owned and must outlive this object.
  TBufferedStream(platform::TStream* stream, int buffer_size);
  ~TBufferedStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // origin 0 from the start, 1 from the logical position, 2 from the end
  // (the larger of the underlying size and the logical position; the
  // distance is |offset|, towards the start).
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;

  // Fills the buffer with one read of the buffer size; returns the bytes got.
  virtual int64_t FillBuffer();
  // Writes pending data to the underlying stream. Raises StreamWriteError
  // when the underlying stream takes fewer bytes.
  virtual void FlushBuffer();
  // Steps the read position one byte back inside the buffer; false when the
  // position is at the buffer's start or nothing read is buffered.
  virtual bool PutBackByte();
  virtual void AfterFill() { if (OnBufferFilled) OnBufferFilled(this); }
  virtual void AfterFlush() { if (OnBufferFlushed) OnBufferFlushed(this); }

  std::function<void(TBufferedStream*)> OnBufferFilled;
  std::function<void(TBufferedStream*)> OnBufferFlushed;

  platform::TStream* Underlying() const { return stream_; }
  int BufferSize() const { return buffer_size_; }

 protected:
  enum State { kEmpty = 0, kReadBuffered = 1, kWritePending = 2 };
  // Subclasses that own the underlying stream close it after this runs.
  void FinishBuffering();
  void SetFlushToDiskOnDestroy(bool flag) { flush_on_destroy_ = flag; }
  virtual void ForceToDisk() {}

  platform::TStream* stream_;
  int buffer_size_;
  std::unique_ptr<uint8_t[]> buffer_;
  int64_t buffer_end_ = 0;  // bytes valid (read) or pending (write)
  int64_t position_ = 0;    // offset inside the buffer
  State state_ = kEmpty;
  bool flush_on_destroy_ = false;
  bool written_ = false;
  bool finished_ = false;
};

// A buffered stream that owns the file it buffers. The flush-on-close flag
// takes effect only for modes that write (Create, WriteShared).
class TBufferedFileStream : public TBufferedStream {
 public:
  TBufferedFileStream(const std::string& path, int buffer_size, bool flush_on_close, platform::File::Mode mode);
  ~TBufferedFileStream() override;

  platform::File& file() { return file_stream_->file(); }
  const std::string& Path() const { return file_stream_->file().Path(); }

 protected:
  void ForceToDisk() override { file_stream_->file().FlushToDisk(); }

 private:
  // Created before the base gets its pointer; see the constructor.
  std::unique_ptr<platform::TFileStream> file_stream_;
};

}  // namespace archive
