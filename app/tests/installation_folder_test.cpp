// Making the installation folder: which folder gets Program Files'
// permissions. Natively the simulated platform records the folders given
// them; under Wine the permissions are read back from the folder
// (app/tests/folder_permissions_windows_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/installation_folder.h"
#include "platform/files.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"

namespace {

#ifndef _WIN32
TEST(InstallationFolder, OnlyTheTopmostNewFolderOutsideProgramFilesGetsItsPermissions) {
  struct Row {
    const char* what;
    std::string existing;  // made before, empty for none
    std::string folder;    // the installation folder
    std::string given;     // the folder given Program Files' permissions, empty for none
  } rows[] = {
      {"a new folder on another drive", "", "D:\\dz-perm\\Orvane", "D:\\dz-perm"},
      {"below an existing folder", "D:\\dz-perm\\shop\\", "D:\\dz-perm\\shop\\Orvane\\V3\\", "D:\\dz-perm\\shop\\Orvane"},
      {"an existing folder keeps its own", "D:\\dz-perm\\Orvane\\", "D:\\dz-perm\\Orvane", ""},
      {"inside Program Files it inherits", "C:\\Program Files\\", "C:\\Program Files\\dz-perm\\Orvane", ""},
      {"inside the 32-bit Program Files, named in another case", "C:\\program files (x86)\\",
       "C:\\program files (x86)\\dz-perm\\O", ""},
      {"a folder named like Program Files is not it", "C:\\Program Files\\",
       "C:\\Program Files-dz-perm\\Orvane", "C:\\Program Files-dz-perm"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (const char* top : {"D:\\dz-perm\\", "C:\\Program Files\\dz-perm\\", "C:\\program files (x86)\\dz-perm\\",
                            "C:\\Program Files-dz-perm\\"})
      dz::testing::RemoveTree(top);
    if (!row.existing.empty()) platform::ForceDirectories(row.existing);
    platform::testing::ClearProgramFilesPermissions();
    EXPECT_TRUE(app::CreateInstallationFolder(row.folder));
    EXPECT_TRUE(platform::DirectoryExists(row.folder));
    const std::vector<std::string> given = platform::testing::FoldersGivenProgramFilesPermissions();
    EXPECT_EQ(given, row.given.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.given});
  }
}

TEST(InstallationFolder, FirstMissingFolderLooksAtWholeCharacters) {
  dz::testing::TempFolder tmp;
  const std::string trail_5c = "\x95\x5C";  // "昞": its second byte is a backslash byte
  platform::ForceDirectories(tmp / ("a" + trail_5c + "\\"));
  EXPECT_EQ(app::FirstMissingFolder(tmp / ("a" + trail_5c + "\\b\\c")), tmp / ("a" + trail_5c + "\\b"));
  EXPECT_EQ(app::FirstMissingFolder(tmp / ("a" + trail_5c)), "");
  EXPECT_EQ(app::FirstMissingFolder(tmp / ("x" + trail_5c + "\\y")), tmp / ("x" + trail_5c));
}
#endif

}  // namespace
