#include <gtest/gtest.h>

#include "platform/gbk.h"

namespace {

// "昞" is 0x95 0x5C in GBK: its second byte is the backslash byte.
const std::string kTrail5C = "\x95\x5C";

TEST(Gbk, TrailByte5CIsNotABackslash) {
  struct Case {
    std::string text;
    bool ends_with_backslash;
    size_t last_backslash;
  } cases[] = {
      {"", false, std::string::npos},
      {"C:\\APP", false, 2},
      {"C:\\APP\\", true, 6},
      {"C:\\" + kTrail5C, false, 2},
      {"C:\\" + kTrail5C + "\\", true, 5},
      {kTrail5C, false, std::string::npos},
      {"a\\b" + kTrail5C + "c", false, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gbk::EndsWithBackslash(c.text), c.ends_with_backslash) << c.text;
    EXPECT_EQ(gbk::LastBackslash(c.text), c.last_backslash) << c.text;
  }
}

TEST(Gbk, CutLeadByteAtTheEndIsACharacterOfItsOwn) {
  EXPECT_EQ(gbk::LastCharStart(std::string("ab\x95", 3)), 2u);
  EXPECT_EQ(gbk::LastCharStart("ab" + kTrail5C), 2u);
  EXPECT_EQ(gbk::LastCharStart(""), std::string::npos);
}

}  // namespace
