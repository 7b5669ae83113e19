#include <gtest/gtest.h>

#include "platform/gbk.h"

namespace {

using std::string;

// "昞" is 0x95 0x5C in GBK: its second byte is the backslash byte.
const string kTrail5C = "\x95\x5C";
// 0x81 0x61 is a double-byte character whose second byte is the letter "a".
const string kTrailA = "\x81\x61";
const string kTrailUpperA = "\x81\x41";

TEST(Gbk, CharacterLengths) {
  struct Case {
    string text;
    size_t at;
    size_t length;
  } cases[] = {
      {"a", 0, 1},
      {"\x80" "a", 0, 1},  // 0x80 is a character of one byte
      {"\xFF" "a", 0, 1},  // and so is 0xFF
      {"\x81" "a", 0, 2},  // the lowest lead byte
      {"\xFE\xFE", 0, 2},  // the highest
      {"a\x81", 1, 1},     // a lead byte cut off at the end
  };
  for (const auto& c : cases) EXPECT_EQ(gbk::CharLength(c.text, c.at), c.length) << testing::PrintToString(c.text);
}

TEST(Gbk, TrailByte5CIsNotABackslash) {
  struct Case {
    string text;
    bool ends_with_backslash;
    size_t last_backslash;
  } cases[] = {
      {"", false, gbk::npos},
      {"C:\\APP", false, 2},
      {"C:\\APP\\", true, 6},
      {"C:\\" + kTrail5C, false, 2},
      {"C:\\" + kTrail5C + "\\", true, 5},
      {kTrail5C, false, gbk::npos},
      {"a\\b" + kTrail5C + "c", false, 1},
      {"\x80\\", true, 1},  // 0x80 takes no second byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gbk::EndsWithBackslash(c.text), c.ends_with_backslash) << c.text;
    EXPECT_EQ(gbk::LastBackslash(c.text), c.last_backslash) << c.text;
    // The file name and folder parts split there.
    const size_t split = c.last_backslash == gbk::npos ? 0 : c.last_backslash + 1;
    EXPECT_EQ(gbk::FolderPart(c.text), c.text.substr(0, split)) << c.text;
    EXPECT_EQ(gbk::FileNamePart(c.text), c.text.substr(split)) << c.text;
  }
}

TEST(Gbk, SplitsAtBackslashesOfTheirOwn) {
  using Parts = std::vector<string>;
  EXPECT_EQ(gbk::SplitAtBackslashes(""), Parts{""});
  EXPECT_EQ(gbk::SplitAtBackslashes("a\\b\\\\c\\"), (Parts{"a", "b", "", "c", ""}));
  // The trail byte 0x5C belongs to its character: one part, not two.
  EXPECT_EQ(gbk::SplitAtBackslashes("x\\" + kTrail5C + "y"), (Parts{"x", kTrail5C + "y"}));
}

TEST(Gbk, CutLeadByteAtTheEndIsACharacterOfItsOwn) {
  EXPECT_EQ(gbk::LastCharStart(string("ab\x95", 3)), 2u);
  EXPECT_EQ(gbk::LastCharStart("ab" + kTrail5C), 2u);
  EXPECT_EQ(gbk::LastCharStart(""), gbk::npos);
}

TEST(Gbk, UpperCasesSingleByteLettersOnly) {
  EXPECT_EQ(gbk::UpperAscii("ab" + kTrailA + "z\x80q"), "AB" + kTrailA + "Z\x80Q");
  EXPECT_EQ(gbk::UpperAscii(string("x\x81", 2)), string("X\x81", 2));
}

TEST(Gbk, ComparesWithoutRegardToCase) {
  struct Case {
    string a, b;
    bool same;
  } cases[] = {
      {"", "", true},
      {"Setup.EXE", "setup.exe", true},
      {"中文Ab", "中文aB", true},
      {kTrailA, kTrailUpperA, false},  // trail bytes are not letters
      {"abc", "abcd", false},
      {"a" + kTrailA, "a\x81" "A", false},
      {"x\x81", "X\x81", true},  // cut lead bytes compare as bytes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gbk::SameText(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(gbk::SameText(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
}

TEST(Gbk, SearchesWholeCharactersWithoutRegardToCase) {
  struct Case {
    string text, pattern;
    size_t from, found;
  } cases[] = {
      {"abcABC", "bc", 0, 1},
      {"abcABC", "bc", 2, 4},
      {"x" + kTrailA + "a", "A", 0, 3},          // not the trail byte at 2
      {kTrail5C + "\\", "\\", 0, 2},              // not the trail byte at 1
      {"\x95" + kTrailA, kTrailA, 0, gbk::npos},  // 0x81 is the trail of 0x95 here
      {"中文", "文", 0, 2},
      {"abc", "", 0, gbk::npos},
      {"ab", "abc", 0, gbk::npos},
  };
  for (const auto& c : cases)
    EXPECT_EQ(gbk::FindText(c.text, c.pattern, c.from), c.found) << c.text << " / " << c.pattern;
}

TEST(Gbk, PrefixMustEndOnACharacterBoundary) {
  EXPECT_TRUE(gbk::StartsWithText("C:\\App\\x", "c:\\app"));
  EXPECT_TRUE(gbk::StartsWithText("anything", ""));
  EXPECT_TRUE(gbk::StartsWithText("C:\\" + kTrail5C + "x", "C:\\" + kTrail5C));
  EXPECT_FALSE(gbk::StartsWithText("C:\\" + kTrail5C + "x", "C:\\\x95"));
  EXPECT_FALSE(gbk::StartsWithText("C:", "C:\\"));
  EXPECT_EQ(gbk::MatchAt("a" + kTrailA + "b", 1, kTrailA + "B"), 3u);
}

}  // namespace
