// The version information tree as GetFileVersionInfo walks it: node lengths
// that cover their children, keys and values on 4-byte boundaries, the
// fixed part, and the installer's strings made from the manifest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/encoding.h"
#include "tools/packer/version_info.h"

namespace {

struct Node {
  std::u16string key;
  uint16_t length = 0, value_length = 0, type = 0;
  std::vector<uint8_t> value;
  std::vector<Node> children;
};

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// Reads one node at `at` the way the version API does.
Node Read(const std::vector<uint8_t>& b, size_t at) {
  Node node;
  node.length = Get16(b, at);
  node.value_length = Get16(b, at + 2);
  node.type = Get16(b, at + 4);
  size_t p = at + 6;
  while (Get16(b, p) != 0) {
    node.key.push_back(static_cast<char16_t>(Get16(b, p)));
    p += 2;
  }
  p = (p + 2 + 3) / 4 * 4;
  const size_t value_bytes = node.type == 1 ? 2u * node.value_length : node.value_length;
  node.value.assign(b.begin() + p, b.begin() + p + value_bytes);
  p = (p + value_bytes + 3) / 4 * 4;
  while (p < at + node.length) {
    node.children.push_back(Read(b, p));
    p = (p + node.children.back().length + 3) / 4 * 4;
  }
  EXPECT_EQ(p, (at + node.length + 3) / 4 * 4) << "children run past the node";
  return node;
}

TEST(VersionInfoTest, TreeOfOneString) {
  packer::VersionInfo info;
  info.version = {1, 2, 3, 4};
  info.strings = {{"A", "b"}};
  const std::vector<uint8_t> bytes = packer::WriteVersionInfo(info);
  ASSERT_EQ(bytes.size(), 236u);  // worked out by hand: 92 + 76 + 68
  const Node root = Read(bytes, 0);
  EXPECT_EQ(root.key, u"VS_VERSION_INFO");
  EXPECT_EQ(root.length, 236);
  EXPECT_EQ(root.value_length, 52);
  const std::vector<uint8_t> fixed_start = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0, 2, 0, 1, 0, 4, 0, 3, 0};
  EXPECT_EQ(std::vector<uint8_t>(root.value.begin(), root.value.begin() + 16), fixed_start);
  ASSERT_EQ(root.children.size(), 2u);

  const Node& strings = root.children[0];
  EXPECT_EQ(strings.key, u"StringFileInfo");
  EXPECT_EQ(strings.length, 76);
  ASSERT_EQ(strings.children.size(), 1u);
  EXPECT_EQ(strings.children[0].key, u"080404B0");
  ASSERT_EQ(strings.children[0].children.size(), 1u);
  const Node& a = strings.children[0].children[0];
  EXPECT_EQ(a.key, u"A");
  EXPECT_EQ(a.type, 1);
  EXPECT_EQ(a.value_length, 2);  // characters with the terminating zero
  EXPECT_EQ(a.value, (std::vector<uint8_t>{'b', 0, 0, 0}));

  const Node& vars = root.children[1];
  EXPECT_EQ(vars.key, u"VarFileInfo");
  ASSERT_EQ(vars.children.size(), 1u);
  EXPECT_EQ(vars.children[0].key, u"Translation");
  EXPECT_EQ(vars.children[0].value, (std::vector<uint8_t>{0x04, 0x08, 0xB0, 0x04}));  // 0x0804, 1200
}

TEST(VersionInfoTest, NumbersFromTheManifestVersion) {
  struct Case {
    std::string text;
    std::array<uint16_t, 4> numbers;
  };
  const Case cases[] = {
      {"V3.3", {3, 3, 0, 0}},     {"1.2.3.4.5", {1, 2, 3, 4}},       {"", {0, 0, 0, 0}},
      {"v99999.1", {65535, 1, 0, 0}}, {"2024 版 7", {2024, 7, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(packer::VersionNumbers(c.text), c.numbers) << c.text;
}

TEST(VersionInfoTest, InstallerStringsFromTheManifest) {
  const auto info = packer::InstallerVersionInfo("Orvane云专家-美食版", "好帮手", "V3.3");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"CompanyName", "好帮手"},
      {"FileDescription", "Orvane云专家-美食版 安装程序"},
      {"FileVersion", "3.3.0.0"},
      {"InternalName", "DIzavozi"},
      {"LegalCopyright", "\xC2\xA9 " + platform::GbkToUtf8("好帮手")},
      {"OriginalFilename", "DIzavozi.exe"},
      {"ProductName", "Orvane云专家-美食版"},
      {"ProductVersion", "V3.3"},
  };
  ASSERT_EQ(info.strings.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(info.strings[i].first, expected[i].first);
    // The literals are GBK in the program; the strings are UTF-8.
    const std::string want = expected[i].first == "LegalCopyright" ? expected[i].second
                                                                     : platform::GbkToUtf8(expected[i].second);
    EXPECT_EQ(info.strings[i].second, want) << expected[i].first;
  }
}

}  // namespace
