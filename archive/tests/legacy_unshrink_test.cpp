// Unshrink (method 1): hand-made code streams, corrupt streams, and round
// trips through the test encoder.
#include <gtest/gtest.h>

#include <random>

#include "archive/tests/legacy_test_encoder.h"
#include "archive/tests/legacy_test_support.h"
#include "archive/tests/test_data.h"

namespace archive::legacy_test {
namespace {

struct ValidRow {
  const char* name;
  const char* codes;  // for the reader of a failure message
  const char* compressed;
  const char* output;
};

// Codes are 9 bits unless stated otherwise.
const ValidRow kValid[] = {
    {"kwkwk", "65 66 257 259", "41 84 04 1C 08", "ABABABA"},
    {"widen_mid_byte", "65, 256 1, 66 at 10 bits", "41 00 06 10 02", "AB"},
    // 257 (AB) survives the clear because 259 (ABA) uses it; freed 258 is
    // reused first, as AA; the width stays.
    {"partial_clear_keeps_prefixes", "65 66 257 65, 256 2, 257 258 260", "41 84 04 0C 02 50 40 40 81 04 01",
     "ABABAABAAAAA"},
    // The clear frees 257 (AB) itself; the next entry goes into 257 with
    // prefix 257 and can never be spelled.
    {"self_referential_after_clear", "65 66 257, 256 2, 66 65 258", "41 84 04 04 28 40 48 10 81", "ABABBABA"},
    // 257 = (258, D) survives with a freed prefix; once 258 is reused as DA,
    // 257 reads DAD.
    {"dangling_entry_follows_reused_prefix", "65 66 67 258, 256 2, 68 65 257", "41 84 0C 11 08 50 00 91 20 01 01",
     "ABCBCDADAD"},
    {"kwkwk_on_lowest_freed_slot", "65 66 257 65, 256 2, 258", "41 84 04 0C 02 50 80 40", "ABABAAA"},
    // 257 = (258, D) dangles and 258 is the slot being filled by this code.
    {"kwkwk_through_dangling_entry", "65 66 67 258, 256 2, 68 257", "41 84 0C 11 08 50 00 91 80", "ABCBCDDDD"},
};

TEST(Unshrink, DecodesHandMadeStreams) {
  for (const ValidRow& row : kValid) {
    SCOPED_TRACE(std::string(row.name) + ": " + row.codes);
    Bytes expected = FromText(row.output);
    Decoded d = DecodeEntry(1, 0, FromHex(row.compressed), static_cast<int64_t>(expected.size()));
    EXPECT_EQ(d.status, DecodeStatus::Completed);
    EXPECT_EQ(ToHex(d.output), ToHex(expected));
  }
}

// Codes with their widths, packed as the decoder reads them.
Bytes Codes(std::initializer_list<std::pair<uint32_t, int>> codes) {
  BitWriter bits;
  for (auto [code, width] : codes) bits.Put(code, width);
  return bits.Finish();
}

TEST(Unshrink, RejectsCorruptStreams) {
  struct Row {
    const char* name;
    Bytes compressed;
    int64_t size;
  };
  const Row rows[] = {
      {"first_code_not_a_byte", Codes({{300, 9}}), 1},
      {"first_code_undefined_257", Codes({{257, 9}}), 2},
      {"control_3", Codes({{65, 9}, {256, 9}, {3, 9}, {66, 9}}), 2},
      {"control_0", Codes({{65, 9}, {256, 9}, {0, 9}, {66, 9}}), 2},
      {"widen_past_13_bits",
       Codes({{256, 9}, {1, 9}, {256, 10}, {1, 10}, {256, 11}, {1, 11}, {256, 12}, {1, 12}, {256, 13}, {1, 13}, {65, 13}}),
       1},
      {"code_beyond_next_free", Codes({{65, 9}, {258, 9}}), 4},
      {"self_referential_code_used", FromHex("41 84 04 04 28 40 48 10 81 01 01"), 12},
      // The clear frees 257 (AB) and 258 (BC); 257 is refilled, 258 is not.
      {"freed_code_used", Codes({{65, 9}, {66, 9}, {67, 9}, {256, 9}, {2, 9}, {258, 9}}), 6},
      {"input_ends_before_size", FromHex("41 84 04 1C 08"), 8},
      {"code_string_past_size", FromHex("41 84 04 1C 08"), 6},
      {"empty_input", Bytes{}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DecodeEntry(1, 0, row.compressed, row.size).status, DecodeStatus::Corrupt);
  }
}

TEST(Unshrink, EveryTruncationIsCorrupt) {
  const Bytes data = testing::Letters(3000, "abcde", 7);
  Bytes compressed = Shrink(data);
  for (size_t cut = 0; cut < compressed.size(); ++cut) {
    Bytes part(compressed.begin(), compressed.begin() + static_cast<ptrdiff_t>(cut));
    ASSERT_EQ(DecodeEntry(1, 0, part, static_cast<int64_t>(data.size())).status, DecodeStatus::Corrupt) << "cut at " << cut;
  }
}

TEST(Unshrink, EmptyEntryReadsNothing) {
  Decoded d = DecodeEntry(1, 0, Bytes{}, 0);
  EXPECT_EQ(d.status, DecodeStatus::Completed);
  EXPECT_TRUE(d.output.empty());
}

// Large inputs through the encoder: random bytes fill the table and force
// partial clears at 13 bits; text-like data builds long chains; a run of one
// byte makes the longest strings; periodic clears exercise clears while the
// table still has room; without clears the full table is used as it is.
TEST(Unshrink, RoundTrips) {
  std::mt19937 random(1);
  const Bytes random_bytes = testing::Noise(200000, 1);
  const Bytes text = testing::WordText(300000, {"the ", "whale ", "sea ", "ship ", "Ahab ", "and ", "of ", "\r\n"}, 1);
  Bytes run(100000, 'x');
  Bytes mixed;
  for (int block = 0; block < 40; ++block) {
    size_t n = 500 + random() % 5000;
    bool noisy = block % 2;
    for (size_t i = 0; i < n; ++i) mixed.push_back(static_cast<uint8_t>(noisy ? random() : "xyz"[i % 3]));
  }
  struct Case {
    const char* name;
    const Bytes& data;
    ShrinkOptions options;
  };
  const Case cases[] = {
      {"random", random_bytes, {}},
      {"text", text, {}},
      {"run", run, {}},
      {"mixed", mixed, {}},
      {"text_periodic_clears", text, {true, 700}},
      {"random_no_clears", random_bytes, {false, 0}},
      {"mixed_no_clears", mixed, {false, 0}},
  };
  WorkBuffers buffers;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes compressed = Shrink(c.data, c.options);
    Decoded d = DecodeEntry(buffers, 1, 0, compressed, static_cast<int64_t>(c.data.size()));
    EXPECT_EQ(d.status, DecodeStatus::Completed);
    EXPECT_TRUE(d.output == c.data);
  }
}

}  // namespace
}  // namespace archive::legacy_test
