// The data path that every decoder of an entry shares: compressed input in
// blocks of at most 32768 bytes (already decrypted by the source), a bit
// reader over it, the 32768-byte window and the 32768-byte output buffer.
//
// Decoders read with NextInputByte / GetBits and write with PutByte or through
// the window and FlushWindow; each ends with FlushOutput. They touch no files
// and raise no dialogs: the InputSource and OutputSink implemented by the
// archive component do the reading, decryption, writing, CRC, size guard and
// percent events, and raise the component's errors. Corrupt data is a result
// (DecodeStatus::Corrupt), never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace archive {

inline constexpr size_t kWindowSize = 32768;
inline constexpr size_t kInputBufferSize = 32768;
inline constexpr size_t kOutputBufferSize = 32768;

// Supplies the entry's compressed data, block by block.
class InputSource {
 public:
  virtual ~InputSource() = default;
  // Fills buffer with the next block of exactly min(max, bytes left) bytes and
  // returns that count. Raises the component's errors (premature end of file,
  // user abort); never returns fewer bytes than asked for.
  virtual size_t ReadBlock(uint8_t* buffer, size_t max) = 0;
};

// Receives the decoded bytes, block by block.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // Takes n > 0 bytes: size guard, write, CRC, percent events. May raise.
  virtual void TakeBlock(const uint8_t* data, size_t n) = 0;
};

// The three work buffers, allocated once per extraction run.
struct WorkBuffers {
  WorkBuffers()
      : window(new uint8_t[kWindowSize + 12]),
        input(new uint8_t[kInputBufferSize + 1]),
        output(new uint8_t[kOutputBufferSize + 1]) {}
  std::unique_ptr<uint8_t[]> window;
  std::unique_ptr<uint8_t[]> input;
  std::unique_ptr<uint8_t[]> output;
};

// How a decoder ended. Corrupt data ends the entry quietly; OutOfMemory means
// the decoder's code tables could not be allocated (the component tells the
// user, then treats the entry as corrupt).
enum class DecodeStatus { Completed, Corrupt, OutOfMemory };

// Per-entry decoder state over the shared buffers. Reset by constructing a new
// one for each entry.
class DecoderIO {
 public:
  static constexpr int kEndOfInput = -1;

  DecoderIO(WorkBuffers& buffers, InputSource& source, OutputSink& sink, int64_t compressed_size,
            int64_t uncompressed_size)
      : window_(buffers.window.get()),
        input_(buffers.input.get()),
        output_(buffers.output.get()),
        source_(source),
        sink_(sink),
        remaining_(compressed_size),
        unread_(compressed_size),
        uncompressed_size_(uncompressed_size) {}

  // The next compressed byte, or kEndOfInput once the entry's compressed
  // bytes are used up. Refills the input buffer from the source when empty.
  int NextInputByte() {
    if (remaining_ <= 0) return kEndOfInput;
    --remaining_;
    if (in_pos_ == in_len_) Refill();
    return input_[in_pos_++];
  }

  // The next n bits (n <= 16), least significant first. When the bit buffer
  // holds fewer than n bits it is topped up byte by byte until it holds at
  // least 25 bits or the input ends. Bits the input cannot supply read as
  // zeros and set the end-of-input flag, which stays set: a field cut by the
  // end of the entry is reported, never decoded from invented zero bits.
  uint32_t GetBits(int n) {
    if (bit_count_ < n) {
      while (bit_count_ < 25) {
        int b = NextInputByte();
        if (b == kEndOfInput) break;
        bit_buffer_ |= static_cast<uint32_t>(b) << bit_count_;
        bit_count_ += 8;
      }
      if (bit_count_ < n) end_of_input_ = true;
    }
    uint32_t value = bit_buffer_ & ((1u << n) - 1);
    if (bit_count_ >= n) {
      bit_buffer_ >>= n;
      bit_count_ -= n;
    } else {
      bit_buffer_ = 0;
      bit_count_ = 0;
    }
    return value;
  }
  bool end_of_input() const { return end_of_input_; }

  // Drops the bits up to the next byte boundary of the bit buffer.
  void AlignToByte() {
    int drop = bit_count_ % 8;
    bit_buffer_ >>= drop;
    bit_count_ -= drop;
  }

  // Appends one byte to the output buffer, flushing it when full.
  void PutByte(uint8_t b) {
    output_[out_len_++] = b;
    if (out_len_ == kOutputBufferSize) FlushOutput();
  }

  // Moves the first n window bytes to the output buffer, flushing it
  // whenever it becomes full.
  void FlushWindow(size_t n);

  // Hands the output buffer to the sink (when it holds anything) and empties it.
  void FlushOutput() {
    if (out_len_ == 0) return;
    size_t n = out_len_;
    out_len_ = 0;
    written_ += static_cast<int64_t>(n);
    sink_.TakeBlock(output_, n);
  }

  uint8_t* window() { return window_; }
  int64_t uncompressed_size() const { return uncompressed_size_; }
  // Bytes handed to the sink so far.
  int64_t written() const { return written_; }

  // Block access for decoders that consume input in whole blocks (zlib):
  // returns the unread bytes of the input buffer, refilling it first when it
  // is empty and compressed bytes remain; *count = 0 at the end of input.
  const uint8_t* TakeInputBlock(size_t* count);

  // For the stored method, which bypasses the input buffer and the remaining
  // count: reads the next block of at most 32768 compressed bytes straight
  // into the output buffer (which must be empty) and returns its size; 0 once
  // every compressed byte has been read. The caller flushes the block.
  size_t ReadIntoOutput();

 private:
  void Refill();

  uint8_t* window_;
  uint8_t* input_;
  uint8_t* output_;
  InputSource& source_;
  OutputSink& sink_;
  int64_t remaining_;  // compressed bytes the decoder may still take
  int64_t unread_;     // compressed bytes not yet read from the source
  int64_t uncompressed_size_;
  size_t in_pos_ = 0, in_len_ = 0;
  uint32_t bit_buffer_ = 0;
  int bit_count_ = 0;
  bool end_of_input_ = false;
  size_t out_len_ = 0;
  int64_t written_ = 0;
};

}  // namespace archive
