#include "archive/extract_data_path.h"

#include "archive/decoders/crc32.h"
#include "archive/errors.h"
#include "platform/errors.h"
#include "platform/messages.h"

namespace archive {

int PercentDone(int64_t part, int64_t whole) {
  if (whole <= 0) return 0;
  // Integer arithmetic: part and whole stay far below 2^56 (at most 65535
  // entries of under 4 GB), so part × 100 cannot overflow.
  int64_t scaled = part * 100;
  int64_t quotient = scaled / whole;
  int64_t twice_rest = (scaled % whole) * 2;
  if (twice_rest > whole || (twice_rest == whole && (quotient & 1))) ++quotient;
  return quotient > 100 ? 100 : static_cast<int>(quotient);
}

void MessagePump::Tick() {
  if (enabled_) {
    if (!pumped_ || platform::MonotonicMicroseconds() - last_ >= kIntervalMicroseconds) {
      platform::ProcessMessages();
      pumped_ = true;
      last_ = platform::MonotonicMicroseconds();
    }
  }
  if (abort_flag_ && *abort_flag_) {
    *abort_flag_ = false;
    throw EUserCanceled();
  }
}

size_t EntryInput::ReadBlock(uint8_t* buffer, size_t max) {
  if (options_.pump) {
    options_.pump->Tick();
  } else {
    if (options_.process_messages) platform::ProcessMessages();
    if (options_.abort_flag && *options_.abort_flag) {
      *options_.abort_flag = false;
      throw EUserCanceled();
    }
  }
  if (options_.working_compressed_size) *options_.working_compressed_size -= static_cast<int64_t>(max);

  size_t got = static_cast<size_t>(stream_->Read(buffer, static_cast<int64_t>(max)));
  while (got < max) {
    if (!options_.next_disk) throw EFatalUnzipError();
    stream_ = options_.next_disk();
    got += static_cast<size_t>(stream_->Read(buffer + got, static_cast<int64_t>(max - got)));
  }

  if (options_.decrypt) {
    options_.decrypt(buffer, max);
  } else if (options_.keys) {
    options_.keys->Decrypt(buffer, max);
  }
  return max;
}

void EntryOutput::TakeBlock(const uint8_t* data, size_t n) {
  if (written_ + static_cast<int64_t>(n) > uncompressed_size_) throw EBiggerThanUncompressed();
  int64_t taken;
  try {
    taken = file_.Write(data, static_cast<int64_t>(n));
  } catch (const platform::StreamWriteError&) {
    // The buffered file stream reports a short write of its buffer this way.
    throw ECantWriteUCF();
  }
  if (taken != static_cast<int64_t>(n)) throw ECantWriteUCF();
  if (compute_crc_) crc_ = UpdateRunningCrc(crc_, data, n);
  written_ += static_cast<int64_t>(n);
  if (progress_.file_percent) progress_.file_percent(PercentDone(written_, uncompressed_size_));
  if (progress_.total_percent) {
    progress_.bytes_done += static_cast<int64_t>(n);
    progress_.total_percent(PercentDone(progress_.bytes_done, progress_.total_bytes));
  }
}

}  // namespace archive
