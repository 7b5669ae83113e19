#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/private_folder.h"
#include "platform/streams.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"

#ifdef _WIN32
#include "platform/testing/folder_access.h"
#else
#include <unistd.h>
#endif

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

// The uninstaller removes the installation folder only when it is empty; the
// shop's databases keep it. Trying must not make the folder unreadable
// meanwhile (Wine refused every listing of a folder held for deletion).
TEST(Files, AFolderThatHoldsSomethingStaysAndStaysReadableWhileItsRemovalIsTried) {
  TempFolder tmp;
  const std::string folder = tmp / "kept";
  ASSERT_TRUE(platform::MakeDirectory(folder));
  dz::testing::WriteWholeFile(folder + "\\data.db", "x");
  std::atomic<bool> stop{false};
  std::atomic<int> removed{0};
  std::thread remover([&] {
    while (!stop) removed += platform::RemoveEmptyDirectory(folder);
  });
  int refused = 0;
  for (int i = 0; i < 2000; ++i) refused += platform::ListDirectory(folder).size() != 1;
  stop = true;
  remover.join();
  EXPECT_EQ(refused, 0) << "listings of the folder that failed while its removal was tried";
  EXPECT_EQ(removed, 0);
  EXPECT_EQ(dz::testing::ReadWholeFile(folder + "\\data.db"), "x");
  // Empty, it goes.
  ASSERT_TRUE(platform::RemoveFile(folder + "\\data.db"));
  EXPECT_TRUE(platform::RemoveEmptyDirectory(folder));
  EXPECT_FALSE(platform::DirectoryExists(folder));
  EXPECT_FALSE(platform::RemoveEmptyDirectory(folder));  // gone already
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

// ---- Links, and the private folder -------------------------------------------

namespace link_tests {

using dz::testing::ReadWholeFile;
using dz::testing::WriteWholeFile;

TEST(PrivateFolder, NewEachTimeAndGoneWithItsOwner) {
  TempFolder tmp;
  auto first = platform::PrivateFolder::Create(tmp.path(), "DzTest-");
  auto second = platform::PrivateFolder::Create(tmp.path(), "DzTest-");
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->Path(), second->Path());
  for (const auto* folder : {first.get(), second.get()}) {
    EXPECT_EQ(folder->Path().rfind(tmp / "DzTest-", 0), 0u) << folder->Path();
    EXPECT_EQ(folder->Path().back(), '\\');
    EXPECT_TRUE(platform::DirectoryExists(folder->Path()));
  }
  const std::string gone = first->Path();
  platform::ForceDirectories(gone + "sub\\deeper\\");
  WriteWholeFile(gone + "sub\\deeper\\C0.DLL", "x");
  WriteWholeFile(gone + "ro.txt", "x");
  platform::WriteAttributes(gone + "ro.txt", platform::kAttrReadOnly);
  first.reset();
  EXPECT_FALSE(platform::DirectoryExists(gone));
  EXPECT_TRUE(platform::DirectoryExists(second->Path()));

  const std::string kept = second->Keep();
  second.reset();
  EXPECT_TRUE(platform::DirectoryExists(kept)) << "a kept folder stays for another process";
  EXPECT_TRUE(platform::RemoveFolderTree(kept));
  EXPECT_FALSE(platform::DirectoryExists(kept));

  EXPECT_EQ(platform::PrivateFolder::Create(tmp / "missing\\", "DzTest-"), nullptr);
}

#ifdef _WIN32
// Entries of a read-back access list that let other users in: Everyone,
// Users, Authenticated Users, Guests.
std::vector<std::string> OpenToOthers(const std::vector<std::string>& aces) {
  std::vector<std::string> open;
  for (const std::string& ace : aces)
    for (const char* sid : {"S-1-1-0 ", "S-1-5-32-545 ", "S-1-5-11 ", "S-1-5-32-546 "})
      if (ace.rfind(sid, 0) == 0) open.push_back(ace);
  return open;
}

// The folder's permissions read back: only the owner, the administrators
// and SYSTEM, nothing inherited from the temporary folder. Wine keeps the
// Unix permission bits only (see FolderAccess): there the read-back shows
// that no other user may enter.
TEST(PrivateFolder, OnlyOwnerAdministratorsAndSystemMayUseIt) {
  TempFolder tmp;
  auto folder = platform::PrivateFolder::Create(tmp.path(), "DzTest-");
  ASSERT_TRUE(folder);
  const std::vector<std::string> aces = dz::testing::FolderAccess(folder->Path());
  ASSERT_FALSE(aces.empty()) << "no permissions read back";
  const std::string owner = dz::testing::FolderOwnerSid(folder->Path());
  for (size_t i = 1; i < aces.size(); ++i) {
    EXPECT_TRUE(aces[i].rfind("S-1-5-32-544 ", 0) == 0 || aces[i].rfind("S-1-5-18 ", 0) == 0 ||
                aces[i].rfind(owner + " ", 0) == 0)
        << aces[i];
  }
  EXPECT_EQ(OpenToOthers(aces), std::vector<std::string>{});
  if (!dz::testing::UnderWine()) {
    EXPECT_EQ(aces.front(), "protected");
  }
}

// Program Files' permissions given to a folder no other user could enter
// before, read back.
TEST(ProgramFilesPermissions, AdministratorsAndSystemChangeUsersReadAndRun) {
  TempFolder tmp;
  auto folder = platform::PrivateFolder::Create(tmp.path(), "DzTest-");
  ASSERT_TRUE(folder);
  ASSERT_EQ(OpenToOthers(dz::testing::FolderAccess(folder->Path())), std::vector<std::string>{});
  ASSERT_TRUE(platform::GiveProgramFilesPermissions(folder->Path()));
  const std::vector<std::string> aces = dz::testing::FolderAccess(folder->Path());
  if (dz::testing::UnderWine()) {
    // Users' read and execute becomes what "others" may do.
    EXPECT_EQ(OpenToOthers(aces), std::vector<std::string>{"S-1-1-0 0x1200a9 OICI"});
  } else {
    EXPECT_EQ(aces, (std::vector<std::string>{"protected", "S-1-5-18 0x1f01ff OICI", "S-1-5-32-544 0x1f01ff OICI",
                                              "S-1-5-32-545 0x1200a9 OICI"}));
  }
}
#else
void Link(const std::string& link, const std::string& target) {
  ASSERT_EQ(::symlink(platform::testing::HostPath(target).c_str(), platform::testing::HostPath(link).c_str()), 0)
      << link;
}

// A link is a link: attributes of its own, its real place, and removing a
// folder with links in it never reaches what they lead to.
TEST(Links, AttributesFinalPathsAndRemovalNeverFollowThem) {
  TempFolder tmp, outside;
  platform::ForceDirectories(outside / "folder\\");
  WriteWholeFile(outside / "folder\\kept.txt", "kept");
  WriteWholeFile(outside / "file.txt", "kept too");
  platform::ForceDirectories(tmp / "tree\\sub\\");
  Link(tmp / "tree\\folder-link", outside / "folder");
  Link(tmp / "tree\\sub\\file-link", outside / "file.txt");
  Link(tmp / "tree\\dangling", outside / "nothing");

  struct Row {
    std::string path;
    uint32_t attributes;
    std::string final;
  } rows[] = {
      {tmp / "tree\\folder-link", platform::kAttrReparsePoint | platform::kAttrDirectory, outside / "folder"},
      {tmp / "tree\\sub\\file-link", platform::kAttrReparsePoint | platform::kAttrArchive, outside / "file.txt"},
      {tmp / "tree\\dangling", platform::kAttrReparsePoint | platform::kAttrArchive, ""},
      {tmp / "tree\\sub", platform::kAttrDirectory, tmp / "tree\\sub"},
      {tmp / "tree\\folder-link\\kept.txt", platform::kAttrArchive, outside / "folder\\kept.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(platform::ReadAttributes(row.path), row.attributes);
    EXPECT_EQ(platform::FinalPath(row.path), row.final);
  }
  std::map<std::string, uint32_t> listed;
  for (const auto& entry : platform::ListDirectory(tmp / "tree\\")) listed[entry.name] = entry.attributes;
  EXPECT_EQ(listed["folder-link"], platform::kAttrReparsePoint | platform::kAttrDirectory);
  EXPECT_EQ(platform::FinalPath("C:\\"), "C:\\");

  EXPECT_TRUE(platform::RemoveFolderTree(tmp / "tree\\"));
  EXPECT_FALSE(platform::DirectoryExists(tmp / "tree"));
  EXPECT_EQ(ReadWholeFile(outside / "folder\\kept.txt"), "kept");
  EXPECT_EQ(ReadWholeFile(outside / "file.txt"), "kept too");

  // A folder path that is itself a link: only the link goes.
  Link(tmp / "alias", outside / "folder");
  EXPECT_TRUE(platform::RemoveFolderTree(tmp / "alias\\"));
  EXPECT_EQ(platform::ReadAttributes(tmp / "alias"), platform::kInvalidAttributes);
  EXPECT_EQ(ReadWholeFile(outside / "folder\\kept.txt"), "kept");
}
#endif

}  // namespace link_tests
