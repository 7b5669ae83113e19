// The shared routines: backslash rules, replace-all, field splitting, path
// shortening, special folders and the fixed message boxes.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/toolkit.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/test_support.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace {

// "昞" is 0x95 0x5C in GBK: its second byte is the backslash byte.
const std::string kTrail5C = "\x95\x5C";

std::string Repeat(char c, size_t n) { return std::string(n, c); }

TEST(Backslash, LastWholeCharacterDecides) {
  struct Case {
    std::string text, with, trimmed;
  } cases[] = {
      {"C:\\APP", "C:\\APP\\", "C:\\APP\\"},
      {"C:\\APP\\", "C:\\APP\\", "C:\\APP\\"},
      {"", "", ""},
      {"  D:\\Data  ", "  D:\\Data  \\", "D:\\Data\\"},
      {"\t\r\nD:\\x\\\r\n", "\t\r\nD:\\x\\\r\n\\", "D:\\x\\"},
      {"\x01 C:\\y\x1F\x20", "\x01 C:\\y\x1F\x20\\", "C:\\y\\"},
      {"   ", "   \\", ""},
      // A double-byte character ending in 0x5C is not a backslash.
      {"C:\\" + kTrail5C, "C:\\" + kTrail5C + "\\", "C:\\" + kTrail5C + "\\"},
      {kTrail5C + "  ", kTrail5C + "  \\", kTrail5C + "\\"},
      {"C:\\" + kTrail5C + "\\", "C:\\" + kTrail5C + "\\", "C:\\" + kTrail5C + "\\"},
      {"D:\\安装\\", "D:\\安装\\", "D:\\安装\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::WithBackslash(c.text), c.with) << c.text;
    EXPECT_EQ(app::TrimWithBackslash(c.text), c.trimmed) << c.text;
  }
}

TEST(ReplaceAllText, EveryOccurrenceWithoutRegardToCase) {
  struct Case {
    std::string text, old_pattern, new_pattern, expected;
  } cases[] = {
      {"Orvane云专家美食版V3", "美食", "商业", "Orvane云专家商业版V3"},
      {"美食美食-美食", "美食", "商业", "商业商业-商业"},
      {"Hello hello HELLO", "hello", "x", "x x x"},
      {"aaa", "aa", "b", "ba"},          // left to right, no overlap
      {"ab", "a", "aa", "aab"},          // the replacement is not scanned again
      {"abc", "", "x", "abc"},           // empty pattern: unchanged
      {"", "a", "b", ""},
      {"美食", "美食版", "x", "美食"},    // pattern longer than the rest
      // 0xB0 0xC3 | 0xC0 0xB0: the bytes of 美 (0xC3 0xC0) straddle two
      // characters and are no match.
      {"\xB0\xC3\xC0\xB0", "美", "商", "\xB0\xC3\xC0\xB0"},
      // 0x81 0x61 ends in the byte of "a"; only the lone "a" matches "A".
      {"\x81\x61" "a", "A", "x", "\x81\x61" "x"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(app::ReplaceAllText(c.text, c.old_pattern, c.new_pattern), c.expected) << c.text;
}

TEST(SameText, CaseOfSingleByteLettersOnly) {
  EXPECT_TRUE(app::SameText("SySaaS", "sysaas"));
  EXPECT_TRUE(app::SameText("", ""));
  EXPECT_FALSE(app::SameText("SySaaS", "SySaa"));
  EXPECT_FALSE(app::SameText("\x81\x61", "\x81\x41"));  // trail bytes are not letters
  EXPECT_TRUE(app::SameText("LumoPos美食", "LUMOPOS美食"));
}

TEST(FieldAt, TabSeparatedFields) {
  const std::string line = "C:\\T\\_wtsInstall\\C0.DLL\tLumoSc\tApplicationDir\t";
  struct Case {
    std::string text;
    int index;
    std::string expected;
  } cases[] = {
      {"a\tb\tc\t", 0, "a"},
      {"a\tb\tc\t", 1, "b"},
      {"a\tb\tc\t", 2, "c"},
      {"a\tb\tc\t", 3, ""},
      {"a\tb\tc", 2, "c"},           // the final delimiter is assumed
      {"\ta\tb", 0, "a"},            // one leading delimiter is ignored
      {"\t\ta\t", 0, ""},            // ... only one
      {"\t\ta\t", 1, "a"},
      {"a\t\tc", 1, ""},             // consecutive delimiters: an empty field
      {"a\t\tc", 2, "c"},
      {"", 0, ""},
      {"\t", 0, ""},
      {"abc", 0, "abc"},
      {"abc", -1, ""},
      {line, 0, "C:\\T\\_wtsInstall\\C0.DLL"},
      {line, 1, "LumoSc"},
      {line, 2, "ApplicationDir"},
  };
  for (const auto& c : cases) EXPECT_EQ(app::FieldAt(c.text, '\t', c.index), c.expected) << c.text << " #" << c.index;
}

TEST(ShortenPathText, TailFromTheSecondLastBackslashOrCutByLength) {
  const std::string x60 = Repeat('x', 60), a20 = Repeat('a', 20), b70 = Repeat('b', 70), c10 = Repeat('c', 10);
  struct Case {
    const char* what;
    std::string text;
    int max;
    std::string expected;
  } cases[] = {
      {"fits", "C:\\a\\b.txt", 70, "C:\\a\\b.txt"},
      {"exactly max", Repeat('q', 70), 70, Repeat('q', 70)},
      {"max 6 never shortens", Repeat('q', 100), 6, Repeat('q', 100)},
      {"max 0 never shortens", Repeat('q', 10), 0, Repeat('q', 10)},
      // Tail from the second-last backslash: the last folder and the file.
      {"second-last backslash", "D:\\" + x60 + "\\LumoSc\\OvErp.exe", 70,
       "D:\\" + Repeat('x', 47) + "..." + "\\LumoSc\\OvErp.exe"},
      // One backslash within the last 62 bytes, the previous one further:
      // 4 bytes, the dots, 63 bytes.
      {"cut after one backslash", "C:\\" + a20 + "\\" + b70 + "\\" + c10, 70,
       "C:\\a..." + Repeat('b', 52) + "\\" + c10},
      // Around the reach of 62 bytes: a tail of 62 bytes from the second-last
      // backslash is kept whole; at 63 the scan stops on the backslash and on
      // the reach at once; one byte further the tail is cut by length.
      {"tail of 62", "C:\\" + Repeat('a', 30) + "\\" + Repeat('b', 20) + "\\" + Repeat('c', 40), 70,
       "C:\\aa...\\" + Repeat('b', 20) + "\\" + Repeat('c', 40)},
      {"tail of 63", "C:\\" + Repeat('a', 30) + "\\" + Repeat('b', 20) + "\\" + Repeat('c', 41), 70,
       "C:\\a...\\" + Repeat('b', 20) + "\\" + Repeat('c', 41)},
      {"tail of 64", "C:\\" + Repeat('a', 30) + "\\" + Repeat('b', 20) + "\\" + Repeat('c', 42), 70,
       "C:\\a..." + Repeat('b', 20) + "\\" + Repeat('c', 42)},
      // No backslash within the last 62 bytes: 3 bytes, the dots, 64 bytes.
      {"cut without backslash", "C:\\" + Repeat('z', 97), 70, "C:\\..." + Repeat('z', 64)},
      // A trailing backslash stops the first scan at once.
      {"trailing backslash", "C:\\" + b70 + "\\eeeee\\", 70, "C:\\" + Repeat('b', 57) + "...\\eeeee\\"},
      // The smallest maximum that shortens: both scans stop at once.
      {"max 7", "abcdefghij", 7, "ab...ij"},
      {"max 8", "abcdefghij", 8, "abc...ij"},
      // 0x95 0x5C is one character, not a backslash: the scans pass it, so
      // the tail is cut by length after the backslash before "b".
      {"GBK trail byte 0x5C", "C:\\" + Repeat('a', 30) + "\\" + Repeat('b', 30) + kTrail5C + c10, 70,
       "C:\\a..." + a20 + "\\" + Repeat('b', 30) + kTrail5C + c10},
  };
  for (const auto& c : cases) {
    std::string result = app::ShortenPathText(c.text, c.max);
    EXPECT_EQ(result, c.expected) << c.what;
  }
}

TEST(ShortenPathText, LongerTextsAlwaysComeBackAtTheMaximum) {
  // Paths of every length from 71 to 400 bytes, with folders of varied length.
  std::string path = "C:\\";
  for (int i = 0; path.size() < 400; ++i) path += Repeat(static_cast<char>('a' + i % 26), 1 + (i * 7) % 23) + "\\";
  for (size_t n = 71; n <= 400; ++n) {
    std::string text = path.substr(0, n);
    std::string result = app::ShortenPathText(text, 70);
    ASSERT_EQ(result.size(), 70u) << n;
    size_t dots = result.find("...");
    ASSERT_NE(dots, std::string::npos) << n;
    EXPECT_EQ(result.substr(0, dots), text.substr(0, dots)) << n;
    EXPECT_EQ(result.substr(dots + 3), text.substr(n - (70 - dots - 3))) << n;
  }
}

class SpecialFolders : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::testing::SetSpecialFolders("C:\\TEMP\\", "C:\\WINDOWS", "C:\\WINDOWS\\system32");
  }
};

TEST_F(SpecialFolders, FromThePlatform) {
#ifdef _WIN32
  std::string temp = app::ScratchParentFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(platform::DirectoryExists(temp));
  EXPECT_TRUE(platform::DirectoryExists(app::GetWindowsDir()));
  EXPECT_NE(app::GetWindowsDir().back(), '\\');
  EXPECT_TRUE(platform::DirectoryExists(app::GetSystemDir()));
  EXPECT_NE(app::GetSystemDir().back(), '\\');
#else
  platform::testing::SetSpecialFolders(" C:\\Tmp ", "C:\\Win", "C:\\Win\\Sys");
  EXPECT_EQ(app::ScratchParentFolder(), "C:\\Tmp\\");  // trimmed, with a backslash
  EXPECT_EQ(app::GetWindowsDir(), "C:\\Win");
  EXPECT_EQ(app::GetSystemDir(), "C:\\Win\\Sys");
#endif
}

TEST_F(SpecialFolders, BufferSizesOfThePlatformCalls) {
#ifdef _WIN32
  GTEST_SKIP() << "the special folders of Windows are not set by tests";
#endif
  // 256 bytes and the zero byte: too long for 255, fits 260.
  std::string long_temp = "C:\\" + Repeat('t', 252) + "\\";
  platform::testing::SetSpecialFolders(long_temp, "C:\\" + Repeat('w', 259), "C:\\" + Repeat('s', 256));
  EXPECT_EQ(app::ScratchParentFolder(), long_temp);
  EXPECT_EQ(app::GetWindowsDir(), "");  // 262 bytes with the zero
  EXPECT_EQ(app::GetSystemDir(), "C:\\" + Repeat('s', 256));
}

class MessageBoxes : public ::testing::Test {
 protected:
  struct Shown {
    std::string text, title;
    unsigned style;
  };
  void Answer(int button) {
    platform::SetMessageBoxResponder([this, button](const std::string& text, const std::string& title, unsigned style) {
      shown.push_back({text, title, style});
      return button;
    });
  }
  void TearDown() override { platform::SetMessageBoxResponder(nullptr); }
  std::vector<Shown> shown;
};

TEST_F(MessageBoxes, FixedTitlesAndStyles) {
  Answer(platform::kIdOk);
  app::ShowError("e");
  app::ShowWarning("w");
  EXPECT_TRUE(app::AskConfirm("q"));
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(std::tie(shown[0].text, shown[0].title, shown[0].style), std::make_tuple("e", "错误", 0x10u));
  EXPECT_EQ(std::tie(shown[1].text, shown[1].title, shown[1].style), std::make_tuple("w", "警告", 0x30u));
  EXPECT_EQ(std::tie(shown[2].text, shown[2].title, shown[2].style), std::make_tuple("q", "确认", 0x21u));
}

TEST_F(MessageBoxes, AskConfirmIsFalseOnlyOnCancel) {
  for (auto [button, expected] : {std::pair{platform::kIdOk, true}, {platform::kIdCancel, false}}) {
    Answer(button);
    EXPECT_EQ(app::AskConfirm("?"), expected) << button;
  }
}

}  // namespace
