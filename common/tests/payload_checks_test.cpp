// The payload checks' bytes as both programs see them: what the packer
// writes, what the installer accepts or refuses, the running check over
// pieces, and which payload a comparison names.
#include <gtest/gtest.h>

#include <string>

#include "common/payload_checks.h"

namespace {

using payload_checks::Check;

// Two payloads: 5 bytes with CRC 0x11223344, 2^32 + 1 bytes with 0xCBF43926.
const std::string kTwo = std::string("DZPC\x01\0\0\0\x02\0\0\0", 12) +
                         std::string("\x05\0\0\0\0\0\0\0\x44\x33\x22\x11", 12) +
                         std::string("\x01\0\0\0\x01\0\0\0\x26\x39\xF4\xCB", 12);

TEST(PayloadChecksTest, WritesAndParsesTheSameBytes) {
  const std::vector<Check> checks = {{5, 0x11223344}, {(1ull << 32) + 1, 0xCBF43926}};
  EXPECT_EQ(payload_checks::Write(checks), kTwo);
  EXPECT_EQ(payload_checks::Parse(kTwo), checks);
  EXPECT_EQ(payload_checks::Parse(payload_checks::Write({})), std::vector<Check>{});
}

TEST(PayloadChecksTest, RefusesWhatIsNotTheFormat) {
  struct Case {
    std::string bytes, error;
  };
  const Case cases[] = {
      {"", "not payload checks (no DZPC tag)"},
      {kTwo.substr(0, 11), "not payload checks (no DZPC tag)"},
      {"DZPX" + kTwo.substr(4), "not payload checks (no DZPC tag)"},
      {"DZPC" + std::string("\x02\0\0\0", 4) + kTwo.substr(8), "payload checks of an unknown format version"},
      {std::string("DZPC\x01\0\0\0\xE9\x03\0\0", 12), "payload checks of more than 1000 payloads"},
      {kTwo.substr(0, kTwo.size() - 1), "payload checks whose length is not their count's"},
      {kTwo + '\0', "payload checks whose length is not their count's"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(payload_checks::Parse(c.bytes, &error), std::nullopt) << c.error;
    EXPECT_EQ(error, c.error);
  }
}

TEST(PayloadChecksTest, RunningCheckIsTheSameInAnyPieces) {
  const std::string digits = "123456789";  // CRC-32 0xCBF43926, the standard check value
  for (size_t first = 0; first <= digits.size(); ++first) {
    payload_checks::Running running;
    running.Update(digits.data(), first);
    running.Update(digits.data() + first, digits.size() - first);
    EXPECT_EQ(running.Result(), (Check{9, 0xCBF43926})) << first;
  }
  EXPECT_EQ(payload_checks::Running().Result(), (Check{0, 0}));
}

TEST(PayloadChecksTest, NamesThePayloadThatDiffers) {
  const std::vector<Check> carried = {{5, 1}, {6, 2}, {7, 3}};
  struct Case {
    std::vector<Check> measured;
    std::optional<size_t> mismatch;
  };
  const Case cases[] = {
      {{{5, 1}, {6, 2}, {7, 3}}, std::nullopt},
      {{{5, 1}, {6, 9}, {7, 3}}, 1},  // damaged bytes
      {{{5, 1}, {6, 2}, {8, 3}}, 2},  // cut or grown
      {{{5, 1}, {6, 2}}, 2},          // a payload missing
      {{{5, 1}, {6, 2}, {7, 3}, {1, 1}}, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(payload_checks::FirstMismatch(carried, c.measured), c.mismatch);
}

}  // namespace
