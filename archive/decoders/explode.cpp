// Explode: the trees are read into canonical decoding tables (counts per
// length and symbols in code order) and codes are decoded a bit at a time,
// inverting each bit, which turns Implode's codes into canonical ones.
#include "archive/decoders/explode.h"

#include "archive/decoders/history_window.h"

namespace archive {
namespace {

constexpr int kMaxCodeLength = 16;
constexpr int kLiteralSymbols = 256;
constexpr int kLengthSymbols = 64;
constexpr int kDistanceSymbols = 64;
constexpr int kLongLengthSymbol = 63;

// A canonical code given by its lengths: how many codes have each length, and
// the symbols ordered by length, then by value. Implode's codes are these
// with every bit inverted, so Decode inverts each bit it reads.
template <int kSymbols>
class CodeTree {
 public:
  // Reads the tree from io's bytes; false when the runs do not describe
  // exactly kSymbols lengths, the codes over- or under-fill the code space,
  // or the input ends.
  bool Read(DecoderIO& io) {
    uint8_t lengths[kSymbols];
    int runs = io.NextInputByte();
    if (runs == DecoderIO::kEndOfInput) return false;
    int filled = 0;
    for (int run = 0; run <= runs; ++run) {
      int b = io.NextInputByte();
      if (b == DecoderIO::kEndOfInput) return false;
      int length = (b & 0x0F) + 1;
      int count = (b >> 4) + 1;
      if (count > kSymbols - filled) return false;
      while (count-- > 0) lengths[filled++] = static_cast<uint8_t>(length);
    }
    if (filled != kSymbols) return false;
    return Build(lengths);
  }

  // The next symbol, read one bit at a time; -1 on an early end of input.
  int Decode(DecoderIO& bits) const {
    int code = 0;   // the bits read so far, as a canonical code
    int first = 0;  // the first canonical code of the current length
    int index = 0;  // where the symbols of the current length start
    for (int length = 1; length <= kMaxCodeLength; ++length) {
      code |= static_cast<int>(bits.GetBits(1) ^ 1);
      if (bits.end_of_input()) return -1;
      int count = count_[length];
      if (code - first < count) return symbols_[index + code - first];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;  // unreachable for a complete code
  }

 private:
  bool Build(const uint8_t* lengths) {
    for (int length = 0; length <= kMaxCodeLength; ++length) count_[length] = 0;
    for (int symbol = 0; symbol < kSymbols; ++symbol) ++count_[lengths[symbol]];
    int left = 1;  // codes of the current length still unassigned
    for (int length = 1; length <= kMaxCodeLength; ++length) {
      left = (left << 1) - count_[length];
      if (left < 0) return false;
    }
    if (left != 0) return false;
    int offset[kMaxCodeLength + 2];
    offset[1] = 0;
    for (int length = 1; length <= kMaxCodeLength; ++length) offset[length + 1] = offset[length] + count_[length];
    for (int symbol = 0; symbol < kSymbols; ++symbol) symbols_[offset[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
    return true;
  }

  int count_[kMaxCodeLength + 1];
  uint16_t symbols_[kSymbols];
};

struct Trees {
  CodeTree<kLiteralSymbols> literals;
  CodeTree<kLengthSymbols> lengths;
  CodeTree<kDistanceSymbols> distances;
};

}  // namespace

DecodeStatus Explode(DecoderIO& io, uint16_t flags) {
  const int64_t size = io.uncompressed_size();
  if (size <= 0) {
    io.FlushOutput();
    return DecodeStatus::Completed;
  }
  const bool literal_tree = (flags & 0x04) != 0;
  const int low_distance_bits = (flags & 0x02) ? 7 : 6;
  const int min_length = literal_tree ? 3 : 2;

  Trees trees;  // about 1.3 KB
  if (literal_tree && !trees.literals.Read(io)) return DecodeStatus::Corrupt;
  if (!trees.lengths.Read(io) || !trees.distances.Read(io)) return DecodeStatus::Corrupt;

  DecoderIO& bits = io;
  HistoryWindow window(io);
  int64_t produced = 0;
  while (produced < size) {
    if (bits.GetBits(1) == 1) {
      int literal = literal_tree ? trees.literals.Decode(bits) : static_cast<int>(bits.GetBits(8));
      if (literal < 0 || bits.end_of_input()) return DecodeStatus::Corrupt;
      window.Put(static_cast<uint8_t>(literal));
      ++produced;
      continue;
    }
    uint32_t low = bits.GetBits(low_distance_bits);
    int high = trees.distances.Decode(bits);
    if (high < 0) return DecodeStatus::Corrupt;
    uint32_t distance = ((static_cast<uint32_t>(high) << low_distance_bits) | low) + 1;
    int symbol = trees.lengths.Decode(bits);
    if (symbol < 0) return DecodeStatus::Corrupt;
    int length = symbol + min_length;
    if (symbol == kLongLengthSymbol) length += static_cast<int>(bits.GetBits(8));
    if (bits.end_of_input()) return DecodeStatus::Corrupt;
    if (length > size - produced) return DecodeStatus::Corrupt;
    window.Copy(distance, static_cast<uint32_t>(length));
    produced += length;
  }
  window.Finish();
  return DecodeStatus::Completed;
}

}  // namespace archive
