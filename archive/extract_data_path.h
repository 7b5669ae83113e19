// The component's side of an entry's data path during UnZip: the input source
// that reads the entry's compressed bytes from the archive stream in blocks
// (letting window messages run, answering the abort flag, continuing on the
// next disk of a spanned archive, decrypting), and the output sink that writes
// decoded blocks to the output file (size guard, CRC-32, percent events).
//
// Both raise the component's errors (errors.h); the decoders between them
// stay free of files, dialogs and events.
#pragma once

#include <cstdint>
#include <functional>

#include "archive/decoders/decoder_io.h"
#include "archive/decoders/traditional_crypt.h"
#include "platform/streams.h"

namespace archive {

// Percentage for progress events: min(100, round(part × 100 / whole)), the
// exact half rounded to the even neighbour; 0 when whole is not positive.
int PercentDone(int64_t part, int64_t whole);

// Letting pending window messages run on an interval rather than at every
// block: under Wine one pump costs tens of microseconds, more than a block
// takes to decode. The first Tick always pumps.
class MessagePump {
 public:
  static constexpr uint64_t kIntervalMicroseconds = 15000;

  // enabled: DoProcessMessages. abort_flag: the component's; found set by
  // Tick, it is cleared and Tick raises EUserCanceled "User Aborted Operation".
  MessagePump(bool enabled, bool* abort_flag) : enabled_(enabled), abort_flag_(abort_flag) {}

  // Pumps when the interval has passed since the last pump, then answers the
  // abort flag (whoever set it: a message handler or an event handler).
  void Tick();

 private:
  bool enabled_;
  bool* abort_flag_;
  bool pumped_ = false;
  uint64_t last_ = 0;  // when it last pumped (platform::MonotonicMicroseconds)
};

class EntryInput : public InputSource {
 public:
  struct Options {
    // Let pending window messages run before each block (DoProcessMessages).
    bool process_messages = true;
    // The component's abort flag; found set, it is cleared and the read
    // raises EUserCanceled "User Aborted Operation".
    bool* abort_flag = nullptr;
    // The working record's compressed size, counted down by every block.
    int64_t* working_compressed_size = nullptr;
    // Set for an encrypted entry: the keys that checked its header.
    TraditionalKeys* keys = nullptr;
    // When set (OnDecrypt), it decrypts each block instead of keys.
    std::function<void(uint8_t* block, size_t n)> decrypt;
    // When set (extraction with workers), blocks pump through it on its
    // interval instead of process_messages and abort_flag.
    MessagePump* pump = nullptr;
    // Spanned archives: switches to the next disk and returns its stream,
    // positioned at its start. Empty for a single file (a short read then
    // raises EFatalUnzipError "Premature end of file reached").
    std::function<platform::TStream*()> next_disk;
  };

  EntryInput(platform::TStream* stream, Options options) : stream_(stream), options_(std::move(options)) {}

  // Reads exactly max bytes (the caller asks for min(32768, bytes left)).
  size_t ReadBlock(uint8_t* buffer, size_t max) override;

 private:
  platform::TStream* stream_;
  Options options_;
};

// Running totals of one UnZip run, shared by the entries' sinks.
struct RunProgress {
  int64_t total_bytes = 0;  // TotalBytes
  int64_t bytes_done = 0;   // output bytes of the run so far
  std::function<void(int)> file_percent;   // OnFilePercentDone, may be empty
  std::function<void(int)> total_percent;  // OnTotalPercentDone, may be empty
};

class EntryOutput : public OutputSink {
 public:
  // compute_crc false: the blocks' CRC is already known (a worker computed
  // it), running_crc() then stays at its start.
  EntryOutput(platform::TStream& file, int64_t uncompressed_size, RunProgress& progress, bool compute_crc = true)
      : file_(file), uncompressed_size_(uncompressed_size), progress_(progress), compute_crc_(compute_crc) {}

  // Raises EBiggerThanUncompressed when the block would take the file past
  // the uncompressed size (nothing of it is written), ECantWriteUCF when the
  // file takes fewer bytes; then updates the CRC and raises the percent events.
  void TakeBlock(const uint8_t* data, size_t n) override;

  // The running CRC: starts at 0xFFFFFFFF; the entry's CRC-32 is this XOR 0xFFFFFFFF.
  uint32_t running_crc() const { return crc_; }
  int64_t written() const { return written_; }

 private:
  platform::TStream& file_;
  int64_t uncompressed_size_;
  RunProgress& progress_;
  bool compute_crc_;
  int64_t written_ = 0;
  uint32_t crc_ = 0xFFFFFFFFu;
};

}  // namespace archive
