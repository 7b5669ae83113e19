// The sliding history of the LZ77-style legacy decoders (unreduce, explode)
// over the shared 32768-byte window: bytes are appended at a position that
// wraps around, every full window goes out through FlushWindow, and copies
// read back through the wrap-around.
//
// The window is shared by all entries of a run, so it is cleared when an
// entry starts: a distance reaching back before the entry's first byte then
// reads zeros, never a previous entry's bytes. Distances are at most 8192
// here, far below the window size, so a copy can never read bytes that have
// not been written or cleared.
#pragma once

#include <cstdint>
#include <cstring>

#include "archive/decoders/decoder_io.h"

namespace archive {

class HistoryWindow {
 public:
  explicit HistoryWindow(DecoderIO& io) : io_(io), window_(io.window()) {
    std::memset(window_, 0, kWindowSize);
  }

  void Put(uint8_t b) {
    window_[position_++] = b;
    if (position_ == kWindowSize) {
      io_.FlushWindow(kWindowSize);
      position_ = 0;
    }
  }

  // Appends length bytes copied from distance (1..kWindowSize - 1) bytes
  // back, one at a time, so a copy may overlap the bytes it produces.
  void Copy(uint32_t distance, uint32_t length) {
    size_t from = (position_ - distance) & (kWindowSize - 1);
    while (length-- > 0) {
      Put(window_[from]);
      from = (from + 1) & (kWindowSize - 1);
    }
  }

  // Hands the bytes not yet flushed to the output and flushes it.
  void Finish() {
    io_.FlushWindow(position_);
    io_.FlushOutput();
  }

 private:
  static_assert((kWindowSize & (kWindowSize - 1)) == 0, "the window wraps by masking");
  DecoderIO& io_;
  uint8_t* window_;
  size_t position_ = 0;
};

}  // namespace archive
