// Explode (method 6): hand-made streams, the tree code assignment, corrupt
// streams and trees, and round trips through the test encoder.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "archive/tests/legacy_test_encoder.h"
#include "archive/tests/legacy_test_support.h"
#include "archive/tests/test_data.h"

namespace archive::legacy_test {
namespace {

// All 64 symbols with 6-bit codes: symbol s has code 63 - s.
const std::string kT64 = "03 F5 F5 F5 F5 ";
// All 256 symbols with 8-bit codes: byte b has code 255 - b.
std::string T256() {
  std::string hex = "0F ";
  for (int i = 0; i < 16; ++i) hex += "F7 ";
  return hex;
}

TEST(Explode, DecodesHandMadeStreams) {
  struct Row {
    const char* name;
    uint16_t flags;
    std::string compressed;
    Bytes output;
  };
  const Row rows[] = {
      {"plain_literals_6_low_bits", 0, kT64 + kT64 + "C3 8A 09 FE 17", FromText("ababab")},
      {"literal_tree_7_low_bits_long_length", 6, T256() + kT64 + kT64 + "C3 01 7E A0 00", Bytes(72, 'x')},
      // Length tree of lengths 1, 2, 7, 7 and sixty of 8: symbol 0 is "1",
      // symbol 1 is "01".
      {"uneven_length_tree", 0, "06 00 01 16 F7 F7 F7 B7 " + kT64 + "C3 00 7F C0 2F", FromText("aaaaaa")},
      {"distance_before_start_reads_zeros", 0, kT64 + kT64 + "88 FF AB 07", FromHex("00 00 00 7A")},
      // Minimum length 3 because of the literal tree (bit 2), not 2 because
      // of the 4 KB dictionary.
      {"minimum_length_from_literal_tree_flag", 4, T256() + kT64 + kT64 + "E3 00 FF 0F", FromText("qqqq")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Decoded d = DecodeEntry(6, row.flags, FromHex(row.compressed), static_cast<int64_t>(row.output.size()));
    EXPECT_EQ(d.status, DecodeStatus::Completed);
    EXPECT_EQ(ToHex(d.output), ToHex(row.output));
  }
}

// The 8-symbol example of the format description, lengths 3,3,3,3,3,2,4,4
// with the codes below, placed under a leading "1" as symbols 0-7 of a
// distance tree (the other half of the code space goes to symbols 8-15 with
// 6 bits and 16-63 with 7 bits). Each code, sent as the distance of a copy
// over 600 varied bytes, must pick its own symbol.
TEST(Explode, TreeCodesAreInvertedCanonicalCodes) {
  const char* codes[8] = {"101", "100", "011", "010", "001", "11", "0001", "0000"};
  // Runs: 5 x 4 bits, 1 x 3, 2 x 5, 8 x 6, 48 x 7.
  const std::string distance_tree = "06 43 02 14 75 F6 F6 F6 ";
  BitWriter bits;
  Bytes expected;
  for (int i = 0; i < 600; ++i) {
    expected.push_back(static_cast<uint8_t>(i % 251));
    bits.Put(1, 1);
    bits.Put(expected.back(), 8);
  }
  for (int symbol = 0; symbol < 8; ++symbol) {
    bits.Put(0, 1);
    bits.Put(7, 6);  // low distance bits: distance = symbol * 64 + 7 + 1
    for (char c : std::string("1") + codes[symbol]) bits.Put(c == '1', 1);
    bits.Put(0x3F, 6);  // length symbol 0 (code 111111): 2 bytes
    size_t distance = static_cast<size_t>(symbol) * 64 + 8;
    for (int i = 0; i < 2; ++i) expected.push_back(expected[expected.size() - distance]);
  }
  Bytes compressed = FromHex(kT64 + distance_tree);
  Bytes coded = bits.Finish();
  compressed.insert(compressed.end(), coded.begin(), coded.end());
  Decoded d = DecodeEntry(6, 0, compressed, static_cast<int64_t>(expected.size()));
  EXPECT_EQ(d.status, DecodeStatus::Completed);
  EXPECT_EQ(ToHex(d.output), ToHex(expected));
}

TEST(Explode, RejectsCorruptStreamsAndTrees) {
  struct Row {
    const char* name;
    uint16_t flags;
    std::string compressed;
    int64_t size;
  };
  const Row rows[] = {
      {"tree_of_65_lengths", 0, "04 F5 F5 F5 F5 05 " + kT64 + "FF", 1},
      {"tree_of_63_lengths", 0, "03 F5 F5 F5 E5 " + kT64 + "FF", 1},
      {"tree_overfills_code_space", 0, "03 F4 F5 F5 F5 " + kT64 + "FF", 1},
      {"tree_underfills_code_space", 0, "03 F6 F6 F6 F6 " + kT64 + "FF", 1},
      {"literal_tree_of_255_lengths", 4, "0F F7 F7 F7 F7 F7 F7 F7 F7 F7 F7 F7 F7 F7 F7 F7 E7 " + kT64 + kT64 + "FF", 1},
      {"input_ends_in_tree", 0, "03 F5 F5", 1},
      {"input_ends_after_trees", 0, kT64 + kT64, 1},
      {"input_ends_inside_a_code", 6, T256() + kT64 + kT64 + "03", 1},
      {"input_ends_before_size", 0, kT64 + kT64 + "C3 8A 09 FE 17", 7},
      {"copy_past_size", 0, kT64 + kT64 + "C3 8A 09 FE 17", 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DecodeEntry(6, row.flags, FromHex(row.compressed), row.size).status, DecodeStatus::Corrupt);
  }
}

TEST(Explode, EmptyEntryReadsNoTrees) {
  Decoded d = DecodeEntry(6, 6, Bytes{}, 0);
  EXPECT_EQ(d.status, DecodeStatus::Completed);
  EXPECT_TRUE(d.output.empty());
}

TEST(Explode, HistoryDoesNotLeakBetweenEntries) {
  WorkBuffers buffers;
  Bytes first(20000, 'k');
  ASSERT_EQ(DecodeEntry(buffers, 6, 6, Implode(first, 6, 1), 20000).output, first);
  Decoded d = DecodeEntry(buffers, 6, 0, FromHex(kT64 + kT64 + "88 FF AB 07"), 4);
  EXPECT_EQ(d.status, DecodeStatus::Completed);
  EXPECT_EQ(ToHex(d.output), "00 00 00 7A");
}

TEST(Explode, RoundTripsEveryFlagCombination) {
  const Bytes random_bytes = testing::Noise(60000, 11);
  const Bytes text =
      testing::WordText(200000, {"implode ", "tree ", "Shannon ", "Fano ", "window ", "copy ", "of ", "\r\n"}, 11);
  const Bytes runs = testing::Runs(100000, 11, 900);
  WorkBuffers buffers;
  uint32_t seed = 0;
  for (uint16_t flags : {0, 2, 4, 6}) {
    for (const Bytes* data : {&random_bytes, &text, &runs}) {
      SCOPED_TRACE("flags " + std::to_string(flags) + ", input of " + std::to_string(data->size()));
      Decoded d = DecodeEntry(buffers, 6, flags, Implode(*data, flags, ++seed), static_cast<int64_t>(data->size()));
      EXPECT_EQ(d.status, DecodeStatus::Completed);
      EXPECT_TRUE(d.output == *data);
    }
  }
}

TEST(Explode, EveryTruncationIsCorrupt) {
  const Bytes data = testing::Letters(2000, "xyz ", 13);
  Bytes compressed = Implode(data, 6, 99);
  for (size_t cut = 0; cut < compressed.size(); ++cut) {
    Bytes part(compressed.begin(), compressed.begin() + static_cast<ptrdiff_t>(cut));
    ASSERT_EQ(DecodeEntry(6, 6, part, static_cast<int64_t>(data.size())).status, DecodeStatus::Corrupt) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace archive::legacy_test
