#include "common/install_list.h"

#include <gtest/gtest.h>

namespace {

using install_list::Entry;

TEST(InstallListTest, LinesReadBackAsWritten) {
  // 云专家 in GBK, and a name whose last trail byte is 'N' (0x4E) after a lead byte.
  const std::string chinese = "C:\\Orvane\\\xD4\xC6\xD7\xA8\xBC\xD2.db";
  const std::string trail_n = "C:\\Orvane\\\x81\x4E";
  const std::vector<std::string> lines = {install_list::FormatLine(0, chinese, 'Y'),
                                          install_list::FormatLine(1, trail_n, 'N'),
                                          install_list::FormatLine(12, "", 'N')};
  EXPECT_EQ(lines[0], "File0=" + chinese + "Y");
  const std::string bytes = install_list::JoinLines(lines);
  EXPECT_EQ(bytes, lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n");
  ASSERT_EQ(install_list::SplitLines(bytes), lines);
  const std::vector<std::pair<std::string, char>> expected = {{chinese, 'Y'}, {trail_n, 'N'}, {"", 'N'}};
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto entry = install_list::ParseLine(lines[i]);
    ASSERT_TRUE(entry) << lines[i];
    EXPECT_EQ(entry->path, expected[i].first);
    EXPECT_EQ(entry->flag, expected[i].second);
  }
}

TEST(InstallListTest, LineEnds) {
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR: two ends
      {"\r\n", {""}},
  };
  for (const auto& c : cases) EXPECT_EQ(install_list::SplitLines(c.bytes), c.lines) << c.bytes;
}

TEST(InstallListTest, LineShapes) {
  const struct {
    std::string line;
    std::optional<std::pair<std::string, char>> entry;
  } cases[] = {
      {"File0=C:\\a.exeN", {{"C:\\a.exe", 'N'}}},
      {"file7=C:\\a.exeY", {{"C:\\a.exe", 'Y'}}},  // "File" in any case
      {"FILE7=C:\\a.exeY", {{"C:\\a.exe", 'Y'}}},
      {"File3=N", {{"", 'N'}}},
      {"File3=C:\\a=b.txtN", {{"C:\\a=b.txt", 'N'}}},  // the first "=" ends the number
      {"File=C:\\a.exeN", std::nullopt},               // digits required
      {"File1x=C:\\a.exeN", std::nullopt},
      {"Fil1=C:\\a.exeN", std::nullopt},
      {"Data1=C:\\a.exeN", std::nullopt},
      {"File1=C:\\a.exe", std::nullopt},   // the last character is no flag
      {"File1=C:\\a.exen", std::nullopt},  // flags are upper case
      {"File1=", std::nullopt},
      {"File1=C:\\\xD4\xC6\xB0\x4E", std::nullopt},  // 0x4E is the trail byte of a character
      {"File1=C:\\\xD4", std::nullopt},              // a lone lead byte at the end
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto entry = install_list::ParseLine(c.line);
    ASSERT_EQ(entry.has_value(), c.entry.has_value()) << c.line;
    if (!entry) continue;
    EXPECT_EQ(entry->path, c.entry->first) << c.line;
    EXPECT_EQ(entry->flag, c.entry->second) << c.line;
  }
}

}  // namespace
