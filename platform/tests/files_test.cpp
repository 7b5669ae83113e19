#include <gtest/gtest.h>

#include <algorithm>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/streams.h"
#include "platform/testing/temp_folder.h"

namespace {

using dz::testing::TempFolder;

// 中文 in GBK; the second character's trail byte is 0x5C (a backslash byte).
const std::string kGbkName = "\xD6\xD0\xCE\xC4\x95\x5C.txt";  // 中文昞 .txt (0x955C)

TEST(Files, CreatesFoldersOneLevelAndWithParents) {
  TempFolder tmp;
  EXPECT_FALSE(platform::MakeDirectory(tmp / "a\\b"));  // parent missing
  EXPECT_TRUE(platform::ForceDirectories(tmp / "a\\b\\c"));
  EXPECT_TRUE(platform::DirectoryExists(tmp / "a\\b\\c"));
  EXPECT_FALSE(platform::FileExists(tmp / "a\\b\\c"));
  EXPECT_TRUE(platform::MakeDirectory(tmp / "a\\d"));
  EXPECT_TRUE(platform::ForceDirectories(tmp / "a\\b\\c"));  // already there
}

TEST(Files, GbkNamesRoundTripThroughListing) {
  TempFolder tmp;
  dz::testing::WriteWholeFile(tmp / kGbkName, "abc");
  EXPECT_TRUE(platform::FileExists(tmp / kGbkName));
  auto entries = platform::ListDirectory(tmp.path());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, kGbkName);
  EXPECT_EQ(entries[0].size, 3u);
  EXPECT_EQ(dz::testing::ReadWholeFile(tmp / kGbkName), "abc");
}

TEST(Files, ReadOnlyAttributeBlocksDeletion) {
  TempFolder tmp;
  std::string file = tmp / "ro.txt";
  dz::testing::WriteWholeFile(file, "x");
  ASSERT_TRUE(platform::WriteAttributes(file, platform::kAttrReadOnly));
  EXPECT_TRUE(platform::ReadAttributes(file) & platform::kAttrReadOnly);
  EXPECT_FALSE(platform::RemoveFile(file));
  ASSERT_TRUE(platform::WriteAttributes(file, platform::kAttrNormal));
  EXPECT_FALSE(platform::ReadAttributes(file) & platform::kAttrReadOnly);
  EXPECT_TRUE(platform::RemoveFile(file));
  EXPECT_EQ(platform::ReadAttributes(file), platform::kInvalidAttributes);
}

#ifndef _WIN32
// The host lets root write anything; the stand-in keeps the Windows rule that
// a read-only file cannot be opened for writing.
TEST(Files, ReadOnlyFileRefusesWriting) {
  TempFolder tmp;
  std::string file = tmp / "ro.txt";
  dz::testing::WriteWholeFile(file, "old");
  ASSERT_TRUE(platform::WriteAttributes(file, platform::kAttrReadOnly));
  EXPECT_THROW(platform::File(file, platform::File::Mode::Create), platform::FileCreateError);
  EXPECT_THROW(platform::File(file, platform::File::Mode::WriteShared), platform::FileOpenError);
  EXPECT_NO_THROW(platform::File(file, platform::File::Mode::ReadDenyWrite));
  EXPECT_EQ(dz::testing::ReadWholeFile(file), "old");
  platform::WriteAttributes(file, platform::kAttrNormal);
}
#endif

TEST(Files, ModifiedTimeRoundTripsAsLocalTime) {
  TempFolder tmp;
  std::string file = tmp / "t.txt";
  dz::testing::WriteWholeFile(file, "x");
  platform::LocalDateTime when{2003, 7, 14, 9, 26, 52};
  ASSERT_TRUE(platform::SetModifiedTime(file, when));
  auto read = platform::ModifiedTime(file);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, when);
}

TEST(Files, OpenErrorsCarryTheirMessages) {
  TempFolder tmp;
  try {
    platform::File f(tmp / "missing.bin", platform::File::Mode::ReadDenyWrite);
    FAIL() << "opened a missing file";
  } catch (const platform::FileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + (tmp / "missing.bin"));
  }
  try {
    platform::File f(tmp / "no\\such\\dir\\x.bin", platform::File::Mode::Create);
    FAIL() << "created a file in a missing folder";
  } catch (const platform::FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + (tmp / "no\\such\\dir\\x.bin"));
  }
}

TEST(Files, FileReadWriteSeekAndStamp) {
  TempFolder tmp;
  platform::File f(tmp / "rw.bin", platform::File::Mode::Create);
  EXPECT_EQ(f.Write("hello world", 11), 11u);
  EXPECT_EQ(f.Size(), 11);
  EXPECT_EQ(f.Seek(-5, 2), 6);
  char buffer[8] = {};
  EXPECT_EQ(f.Read(buffer, 8), 5u);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_NE(f.ModifiedStamp(), 0);
  EXPECT_TRUE(f.FlushToDisk());
}

}  // namespace
