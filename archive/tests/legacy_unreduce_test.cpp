// Unreduce (methods 2-5): hand-made streams, the length/distance rule per
// factor, corrupt streams, and round trips through the test encoder.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "archive/tests/legacy_test_encoder.h"
#include "archive/tests/legacy_test_support.h"
#include "archive/tests/test_data.h"

namespace archive::legacy_test {
namespace {

// Follower-set header with every set empty: 256 six-bit zero counts.
std::string EmptySets() {
  std::string hex;
  for (int i = 0; i < 192; ++i) hex += "00 ";
  return hex;
}
std::string Zeros(int n) {
  std::string hex;
  for (int i = 0; i < n; ++i) hex += "00 ";
  return hex;
}

TEST(Unreduce, DecodesHandMadeStreams) {
  struct Row {
    const char* name;
    int method;
    std::string compressed;
    Bytes output;
  };
  const Row rows[] = {
      {"empty_sets_plain_bytes", 3, EmptySets() + "48 69", FromText("Hi")},
      {"overlapping_copy", 2, EmptySets() + "61 62 63 90 01 02", FromText("abcabca")},
      {"escaped_dle", 2, EmptySets() + "90 00", FromHex("90")},
      {"distance_before_start_reads_zeros", 2, EmptySets() + "90 01 00", Bytes(4, 0)},
      {"extra_length_byte_factor_4", 5, EmptySets() + "78 90 0F 02 00", Bytes(21, 'x')},
      // Set 0 = {a} is stored last; the first byte's context is 0; a set of
      // one takes a 1-bit index; flag 1 = plain byte, 0 = from the set.
      {"follower_set_of_one", 3, Zeros(191) + "04 61 88 01 1C 03", FromHex("61 62 00 63")},
      // After 144, 0 the context is the 0 that escaped it, not 144.
      {"context_after_escaped_dle", 3, Zeros(191) + "04 61 21 01 00", FromHex("90 61")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Decoded d = DecodeEntry(row.method, 0, FromHex(row.compressed), static_cast<int64_t>(row.output.size()));
    EXPECT_EQ(d.status, DecodeStatus::Completed);
    EXPECT_EQ(ToHex(d.output), ToHex(row.output));
  }
}

// One copy after 300 distinct literals (so every distance up to 300 reads
// real bytes, and longer ones read zeros), coded with empty sets; the copied
// bytes tell the length and the distance the decoder took from (V, E, W).
TEST(Unreduce, LengthAndDistanceOfEachFactor) {
  struct Row {
    int factor;
    int v, e, w;  // e < 0: no extra length byte
    int length, distance;
  };
  const Row rows[] = {
      {1, 0x01, -1, 0x02, 4, 3},     {1, 0x7F, 0xFF, 0xFF, 385, 256}, {1, 0xFF, 0x00, 0x00, 130, 257},
      {2, 0xC5, -1, 0x10, 8, 785},   {3, 0x3F, 0x01, 0x20, 35, 289},  {4, 0xFF, 0xFF, 0xFF, 273, 4096},
      {4, 0x10, -1, 0x00, 3, 257},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("factor " + std::to_string(row.factor) + " V " + std::to_string(row.v));
    BitWriter bits;
    for (int i = 0; i < 192; ++i) bits.Put(0, 8);
    Bytes prefix;
    for (int i = 0; i < 300; ++i) prefix.push_back(static_cast<uint8_t>(i % 143));  // never 144
    for (uint8_t b : prefix) bits.Put(b, 8);
    bits.Put(144, 8);
    bits.Put(static_cast<uint32_t>(row.v), 8);
    if (row.e >= 0) bits.Put(static_cast<uint32_t>(row.e), 8);
    bits.Put(static_cast<uint32_t>(row.w), 8);
    Bytes expected = prefix;
    for (int i = 0; i < row.length; ++i) {
      ptrdiff_t from = static_cast<ptrdiff_t>(expected.size()) - row.distance;
      expected.push_back(from < 0 ? 0 : expected[static_cast<size_t>(from)]);
    }
    Decoded d = DecodeEntry(row.factor + 1, 0, bits.Finish(), static_cast<int64_t>(expected.size()));
    EXPECT_EQ(d.status, DecodeStatus::Completed);
    EXPECT_TRUE(d.output == expected);
  }
}

TEST(Unreduce, RejectsCorruptStreams) {
  // Set 255 holds 33 bytes: one more than any set may have.
  BitWriter too_many;
  too_many.Put(33, 6);
  for (int i = 0; i < 33; ++i) too_many.Put(0x41, 8);
  for (int i = 0; i < 255; ++i) too_many.Put(0, 6);
  too_many.Put(0x41, 8);
  // Set 0 = {a, b, c}: a 2-bit index of 3 is outside it.
  BitWriter bad_index;
  for (int i = 0; i < 255; ++i) bad_index.Put(0, 6);
  bad_index.Put(3, 6);
  for (char c : {'a', 'b', 'c'}) bad_index.Put(static_cast<uint8_t>(c), 8);
  bad_index.Put(0, 1);  // from the set
  bad_index.Put(3, 2);  // index 3 of 3
  struct Row {
    const char* name;
    int method;
    Bytes compressed;
    int64_t size;
  };
  const Row rows[] = {
      {"follower_count_above_32", 2, too_many.Finish(), 1},
      {"index_outside_set", 2, bad_index.Finish(), 1},
      {"input_ends_after_dle", 2, FromHex(EmptySets() + "61 90"), 5},
      {"input_ends_after_length_byte", 2, FromHex(EmptySets() + "61 90 01"), 5},
      {"input_ends_before_extra_length", 2, FromHex(EmptySets() + "61 90 7F"), 500},
      {"input_ends_in_follower_sets", 2, FromHex(Zeros(100)), 1},
      {"copy_past_size", 2, FromHex(EmptySets() + "61 62 63 90 01 02"), 6},
      {"input_ends_before_size", 3, FromHex(EmptySets() + "48 69"), 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DecodeEntry(row.method, 0, row.compressed, row.size).status, DecodeStatus::Corrupt);
  }
}

TEST(Unreduce, EmptyEntryReadsNoFollowerSets) {
  Decoded d = DecodeEntry(2, 0, Bytes{}, 0);
  EXPECT_EQ(d.status, DecodeStatus::Completed);
  EXPECT_TRUE(d.output.empty());
}

// The window is shared by the entries of a run: a copy from before the start
// of the second entry must read zeros, not the first entry's bytes.
TEST(Unreduce, HistoryDoesNotLeakBetweenEntries) {
  WorkBuffers buffers;
  Bytes first(5000, 'q');
  ASSERT_EQ(DecodeEntry(buffers, 5, 0, Reduce(first, 4), 5000).output, first);
  Decoded d = DecodeEntry(buffers, 2, 0, FromHex(EmptySets() + "90 01 00"), 4);
  EXPECT_EQ(d.status, DecodeStatus::Completed);
  EXPECT_EQ(ToHex(d.output), "00 00 00 00");
}

TEST(Unreduce, RoundTripsEveryFactor) {
  const Bytes random_bytes = testing::Noise(70000, 3);
  const Bytes text =
      testing::WordText(150000, {"reduce ", "follower ", "set ", "\x90", "DLE ", "copy ", "of ", "\r\n"}, 3);
  const Bytes runs = testing::Runs(100000, 3, 600, 4);
  WorkBuffers buffers;
  for (int factor = 1; factor <= 4; ++factor) {
    for (const Bytes* data : {&random_bytes, &text, &runs}) {
      SCOPED_TRACE("factor " + std::to_string(factor) + ", input of " + std::to_string(data->size()));
      Decoded d = DecodeEntry(buffers, factor + 1, 0, Reduce(*data, factor), static_cast<int64_t>(data->size()));
      EXPECT_EQ(d.status, DecodeStatus::Completed);
      EXPECT_TRUE(d.output == *data);
    }
  }
}

TEST(Unreduce, EveryTruncationIsCorrupt) {
  const Bytes data = testing::Letters(2000, "ab\x90 ", 5);
  Bytes compressed = Reduce(data, 2);
  for (size_t cut = 0; cut < compressed.size(); ++cut) {
    Bytes part(compressed.begin(), compressed.begin() + static_cast<ptrdiff_t>(cut));
    ASSERT_EQ(DecodeEntry(3, 0, part, static_cast<int64_t>(data.size())).status, DecodeStatus::Corrupt) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace archive::legacy_test
