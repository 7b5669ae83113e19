// Unreduce in its two layers: FollowerReader turns bits into bytes through
// the follower sets, and the loop below reads those bytes as literals and
// DLE copies into the history window.
#include "archive/decoders/unreduce.h"

#include "archive/decoders/history_window.h"

namespace archive {
namespace {

constexpr int kDle = 144;
constexpr int kMaxFollowers = 32;

// The follower sets, and the 8-bit layer that reads bytes through them.
class FollowerReader {
 public:
  explicit FollowerReader(DecoderIO& io) : io_(io) {}

  // Reads the 256 sets; false on a count above 32 or an early end of input.
  bool ReadSets() {
    for (int set = 255; set >= 0; --set) {
      int count = static_cast<int>(io_.GetBits(6));
      if (count > kMaxFollowers) return false;
      sets_[set].count = static_cast<uint8_t>(count);
      for (int i = 0; i < count; ++i) sets_[set].bytes[i] = static_cast<uint8_t>(io_.GetBits(8));
      if (io_.end_of_input()) return false;
    }
    return true;
  }

  // The next byte, or -1 on an index outside its set or an early end of input.
  int Next() {
    const Set& set = sets_[last_];
    int byte;
    if (set.count == 0 || io_.GetBits(1) == 1) {
      byte = static_cast<int>(io_.GetBits(8));
    } else {
      int index = static_cast<int>(io_.GetBits(IndexWidth(set.count)));
      if (index >= set.count) return -1;
      byte = set.bytes[index];
    }
    if (io_.end_of_input()) return -1;
    last_ = static_cast<uint8_t>(byte);
    return byte;
  }

 private:
  struct Set {
    uint8_t count = 0;
    uint8_t bytes[kMaxFollowers];
  };

  // Bits of an index into a set of count (1-32) bytes; one bit even for a
  // set of one, as the writers did.
  static int IndexWidth(int count) {
    int width = 1;
    while ((1 << width) < count) ++width;
    return width;
  }

  DecoderIO& io_;
  Set sets_[256];
  uint8_t last_ = 0;  // the previous byte of this layer; 0 at the start
};

}  // namespace

DecodeStatus Unreduce(DecoderIO& io, int factor) {
  if (factor < 1 || factor > 4) return DecodeStatus::Corrupt;
  const int64_t size = io.uncompressed_size();
  if (size <= 0) {
    io.FlushOutput();
    return DecodeStatus::Completed;
  }
  FollowerReader reader(io);
  if (!reader.ReadSets()) return DecodeStatus::Corrupt;
  HistoryWindow window(io);
  const int length_mask = 0xFF >> factor;
  int64_t produced = 0;
  while (produced < size) {
    int c = reader.Next();
    if (c < 0) return DecodeStatus::Corrupt;
    if (c != kDle) {
      window.Put(static_cast<uint8_t>(c));
      ++produced;
      continue;
    }
    int v = reader.Next();
    if (v < 0) return DecodeStatus::Corrupt;
    if (v == 0) {
      window.Put(kDle);
      ++produced;
      continue;
    }
    int length = v & length_mask;
    if (length == length_mask) {
      int extra = reader.Next();
      if (extra < 0) return DecodeStatus::Corrupt;
      length += extra;
    }
    int w = reader.Next();
    if (w < 0) return DecodeStatus::Corrupt;
    length += 3;
    uint32_t distance = ((static_cast<uint32_t>(v) >> (8 - factor)) << 8) + static_cast<uint32_t>(w) + 1;
    if (length > size - produced) return DecodeStatus::Corrupt;
    window.Copy(distance, static_cast<uint32_t>(length));
    produced += length;
  }
  window.Finish();
  return DecodeStatus::Completed;
}

}  // namespace archive
