#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace {

TEST(Encoding, GbkAndUtf8RoundTrip) {
  // 安装程序 in GBK and in UTF-8.
  const std::string gbk = "\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2";
  const std::string utf8 = "\xE5\xAE\x89\xE8\xA3\x85\xE7\xA8\x8B\xE5\xBA\x8F";
  EXPECT_EQ(platform::GbkToUtf8(gbk), utf8);
  EXPECT_EQ(platform::Utf8ToGbk(utf8), gbk);
  EXPECT_EQ(platform::GbkToUtf8("plain ascii"), "plain ascii");
}

TEST(Encoding, InvalidGbkDoesNotStopTheConversion) {
  // A lead byte at the very end has no trail byte.
  std::string out = platform::GbkToUtf8(std::string("ab\x81", 3));
  EXPECT_EQ(out.substr(0, 2), "ab");
  EXPECT_GT(out.size(), 2u);
}

}  // namespace
