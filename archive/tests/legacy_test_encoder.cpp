#include "archive/tests/legacy_test_encoder.h"

#include <algorithm>
#include <array>
#include <random>
#include <unordered_map>

namespace archive::legacy_test {

void BitWriter::Put(uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    if (used_ == 8) {
      bytes_.push_back(0);
      used_ = 0;
    }
    bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << used_);
    ++used_;
  }
}

std::vector<uint8_t> BitWriter::Finish() const { return bytes_; }

namespace {

// ---- Shrink -------------------------------------------------------------

class ShrinkWriter {
 public:
  explicit ShrinkWriter(const ShrinkOptions& options) : options_(options) {
    prefix_.fill(kFree);
  }

  std::vector<uint8_t> Run(const std::vector<uint8_t>& data) {
    if (data.empty()) return {};
    int current = data[0];
    for (size_t i = 1; i < data.size(); ++i) {
      uint8_t c = data[i];
      auto found = lookup_.find(Key(current, c));
      if (found != lookup_.end()) {
        current = found->second;
        continue;
      }
      Emit(current);
      ++codes_;
      bool periodic = options_.clear_every > 0 && codes_ % options_.clear_every == 0;
      if (periodic || (next_free_ == kCodes && options_.clear_when_full)) {
        EmitControl(2);
        PartialClear();
      }
      if (next_free_ < kCodes) {
        prefix_[next_free_] = static_cast<uint16_t>(current);
        last_[next_free_] = c;
        lookup_[Key(current, c)] = static_cast<uint16_t>(next_free_);
        Advance();
      }
      current = c;
    }
    Emit(current);
    return bits_.Finish();
  }

 private:
  static constexpr int kCodes = 8192;
  static constexpr uint16_t kFree = 0xFFFF;
  static uint32_t Key(int prefix, uint8_t c) { return static_cast<uint32_t>(prefix) << 8 | c; }

  void Emit(int code) {
    while (code >= (1 << width_)) {
      EmitControl(1);
      ++width_;
    }
    bits_.Put(static_cast<uint32_t>(code), width_);
  }
  void EmitControl(int what) {
    bits_.Put(256, width_);
    bits_.Put(static_cast<uint32_t>(what), width_);
  }
  void Advance() {
    do ++next_free_;
    while (next_free_ < kCodes && prefix_[next_free_] != kFree);
  }
  // The same rule as the decoder's: free every slot no occupied slot uses as
  // its prefix.
  void PartialClear() {
    std::array<bool, kCodes> used{};
    for (int s = 257; s < kCodes; ++s)
      if (prefix_[s] != kFree && prefix_[s] >= 257) used[prefix_[s]] = true;
    for (int s = 257; s < kCodes; ++s) {
      if (used[s] || prefix_[s] == kFree) continue;
      auto found = lookup_.find(Key(prefix_[s], last_[s]));
      if (found != lookup_.end() && found->second == s) lookup_.erase(found);
      prefix_[s] = kFree;
    }
    next_free_ = 256;
    Advance();
  }

  ShrinkOptions options_;
  BitWriter bits_;
  std::array<uint16_t, kCodes> prefix_;
  std::array<uint8_t, kCodes> last_{};
  std::unordered_map<uint32_t, uint16_t> lookup_;
  int width_ = 9;
  int next_free_ = 257;
  long codes_ = 0;
};

// ---- LZ77 matching shared by Reduce and Implode ---------------------------

struct Match {
  uint32_t length = 0;
  uint32_t distance = 0;
};

class Matcher {
 public:
  explicit Matcher(const std::vector<uint8_t>& data) : data_(data), previous_(data.size(), -1) { head_.fill(-1); }

  // The longest match at position (found among the last kChain candidates
  // that share its first three bytes), at most max_length long and
  // max_distance back. Call for every position in order.
  Match Find(size_t position, uint32_t max_distance, uint32_t max_length) {
    Match best;
    if (position + 3 > data_.size()) return best;
    uint32_t hash = Hash(position);
    long candidate = head_[hash];
    for (int tries = 0; candidate >= 0 && tries < kChain; ++tries) {
      uint32_t distance = static_cast<uint32_t>(position - static_cast<size_t>(candidate));
      if (distance > max_distance) break;
      uint32_t length = 0;
      while (length < max_length && position + length < data_.size() &&
             data_[static_cast<size_t>(candidate) + length] == data_[position + length])
        ++length;
      if (length > best.length) best = {length, distance};
      candidate = previous_[static_cast<size_t>(candidate)];
    }
    previous_[position] = head_[hash];
    head_[hash] = static_cast<long>(position);
    return best;
  }
  // Records positions that a match covers without searching from them.
  void Skip(size_t position) {
    if (position + 3 > data_.size()) return;
    uint32_t hash = Hash(position);
    previous_[position] = head_[hash];
    head_[hash] = static_cast<long>(position);
  }

 private:
  static constexpr int kChain = 32;
  uint32_t Hash(size_t p) const {
    return ((data_[p] << 10) ^ (data_[p + 1] << 5) ^ data_[p + 2]) & 0x7FFF;
  }
  const std::vector<uint8_t>& data_;
  std::vector<long> previous_;
  std::array<long, 0x8000> head_;
};

// ---- Reduce -----------------------------------------------------------------

int IndexWidth(int count) {
  int width = 1;
  while ((1 << width) < count) ++width;
  return width;
}

// ---- Implode ----------------------------------------------------------------

struct Code {
  std::vector<int> lengths;
  std::vector<uint32_t> bits;  // as written: first bit is the most significant
};

// Random complete code over n symbols: split random leaves of depth < 16
// until there are n of them, then hand the depths to the symbols in random
// order. Each split keeps the Kraft sum at exactly 1.
Code RandomCode(int n, std::mt19937& random) {
  std::vector<int> depths{0};
  while (static_cast<int>(depths.size()) < n) {
    size_t pick = random() % depths.size();
    if (depths[pick] >= 16) continue;
    int depth = ++depths[pick];
    depths.push_back(depth);
  }
  std::shuffle(depths.begin(), depths.end(), random);
  Code code;
  code.lengths = depths;
  // Canonical codes (shorter first, then by symbol), every bit inverted.
  int count[17] = {};
  for (int l : depths) ++count[l];
  uint32_t next[18] = {};
  uint32_t value = 0;
  for (int l = 1; l <= 16; ++l) {
    value = (value + count[l - 1]) << 1;
    next[l] = value;
  }
  code.bits.resize(n);
  for (int s = 0; s < n; ++s) {
    int l = depths[s];
    code.bits[s] = ~next[l]++ & ((1u << l) - 1);
  }
  return code;
}

void WriteTree(const Code& code, std::vector<uint8_t>& out) {
  std::vector<uint8_t> runs;
  size_t s = 0;
  while (s < code.lengths.size()) {
    int length = code.lengths[s];
    int count = 1;
    while (count < 16 && s + count < code.lengths.size() && code.lengths[s + count] == length) ++count;
    runs.push_back(static_cast<uint8_t>(((count - 1) << 4) | (length - 1)));
    s += count;
  }
  out.push_back(static_cast<uint8_t>(runs.size() - 1));
  out.insert(out.end(), runs.begin(), runs.end());
}

void PutCode(BitWriter& bits, const Code& code, int symbol) {
  for (int i = code.lengths[symbol] - 1; i >= 0; --i) bits.Put((code.bits[symbol] >> i) & 1, 1);
}

}  // namespace

std::vector<uint8_t> Shrink(const std::vector<uint8_t>& data, const ShrinkOptions& options) {
  ShrinkWriter writer(options);
  return writer.Run(data);
}

std::vector<uint8_t> Reduce(const std::vector<uint8_t>& data, int factor) {
  // Layer 2: literals (144 escaped as 144, 0) and DLE copies.
  const uint32_t mask = 0xFFu >> factor;
  const uint32_t max_length = mask + 255 + 3;
  const uint32_t max_distance = 256u << factor;
  std::vector<uint8_t> layer2;
  Matcher matcher(data);
  for (size_t p = 0; p < data.size();) {
    Match m = matcher.Find(p, max_distance, max_length);
    // V = 0 means an escaped 144, so length 3 needs a distance above 256.
    bool usable = m.length >= 4 || (m.length == 3 && m.distance > 256);
    if (!usable) {
      layer2.push_back(data[p]);
      if (data[p] == 144) layer2.push_back(0);
      ++p;
      continue;
    }
    uint32_t length = m.length - 3;
    uint32_t d = m.distance - 1;
    uint32_t low = std::min(length, mask);
    layer2.push_back(144);
    layer2.push_back(static_cast<uint8_t>((d >> 8) << (8 - factor) | low));
    if (low == mask) layer2.push_back(static_cast<uint8_t>(length - mask));
    layer2.push_back(static_cast<uint8_t>(d & 0xFF));
    for (uint32_t i = 1; i < m.length; ++i) matcher.Skip(p + i);
    p += m.length;
  }

  // Layer 1: follower sets from the statistics of layer 2.
  std::vector<std::array<long, 256>> counts(256);
  for (auto& c : counts) c.fill(0);
  uint8_t last = 0;
  for (uint8_t b : layer2) {
    ++counts[last][b];
    last = b;
  }
  std::vector<std::vector<uint8_t>> sets(256);
  for (int c = 0; c < 256; ++c) {
    std::vector<int> order;
    for (int b = 0; b < 256; ++b)
      if (counts[c][b] > 0) order.push_back(b);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return counts[c][a] > counts[c][b]; });
    order.resize(std::min<size_t>(order.size(), static_cast<size_t>(c % 33)));
    sets[c].assign(order.begin(), order.end());
  }
  BitWriter bits;
  for (int c = 255; c >= 0; --c) {
    bits.Put(static_cast<uint32_t>(sets[c].size()), 6);
    for (uint8_t b : sets[c]) bits.Put(b, 8);
  }
  last = 0;
  for (uint8_t b : layer2) {
    const std::vector<uint8_t>& set = sets[last];
    if (set.empty()) {
      bits.Put(b, 8);
    } else {
      auto at = std::find(set.begin(), set.end(), b);
      if (at == set.end()) {
        bits.Put(1, 1);
        bits.Put(b, 8);
      } else {
        bits.Put(0, 1);
        bits.Put(static_cast<uint32_t>(at - set.begin()), IndexWidth(static_cast<int>(set.size())));
      }
    }
    last = b;
  }
  return bits.Finish();
}

std::vector<uint8_t> Implode(const std::vector<uint8_t>& data, uint16_t flags, uint32_t seed) {
  std::mt19937 random(seed);
  const bool literal_tree = (flags & 4) != 0;
  const int low_bits = (flags & 2) ? 7 : 6;
  const uint32_t min_length = literal_tree ? 3 : 2;
  const uint32_t max_length = min_length + 63 + 255;
  const uint32_t max_distance = 64u << low_bits;
  Code literals = literal_tree ? RandomCode(256, random) : Code{};
  Code lengths = RandomCode(64, random);
  Code distances = RandomCode(64, random);
  std::vector<uint8_t> out;
  if (literal_tree) WriteTree(literals, out);
  WriteTree(lengths, out);
  WriteTree(distances, out);
  BitWriter bits;
  Matcher matcher(data);
  for (size_t p = 0; p < data.size();) {
    Match m = matcher.Find(p, max_distance, max_length);
    if (m.length < min_length) {
      bits.Put(1, 1);
      if (literal_tree) PutCode(bits, literals, data[p]);
      else bits.Put(data[p], 8);
      ++p;
      continue;
    }
    uint32_t d = m.distance - 1;
    bits.Put(0, 1);
    bits.Put(d & ((1u << low_bits) - 1), low_bits);
    PutCode(bits, distances, static_cast<int>(d >> low_bits));
    uint32_t length = m.length - min_length;
    if (length >= 63) {
      PutCode(bits, lengths, 63);
      bits.Put(length - 63, 8);
    } else {
      PutCode(bits, lengths, static_cast<int>(length));
    }
    for (uint32_t i = 1; i < m.length; ++i) matcher.Skip(p + i);
    p += m.length;
  }
  std::vector<uint8_t> coded = bits.Finish();
  out.insert(out.end(), coded.begin(), coded.end());
  return out;
}

}  // namespace archive::legacy_test
