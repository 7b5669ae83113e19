// Natively, points the all-users Desktop and Programs folders, where the
// installer puts its shortcuts, at folders of a test (created here) and puts
// the earlier ones back afterwards. Under Windows the system's own folders
// stay: this changes nothing there.
#pragma once

#include <string>

#include "platform/files.h"
#include "platform/special_folders.h"
#include "platform/test_support.h"

namespace dz::testing {

class ShortcutFoldersOverride {
 public:
  // root ends with a backslash.
  explicit ShortcutFoldersOverride(const std::string& root)
      : desktop(root + "Public\\Desktop"), programs(root + "ProgramData\\Start Menu\\Programs") {
#ifndef _WIN32
    platform::ForceDirectories(desktop);
    platform::ForceDirectories(programs);
    platform::testing::SetCommonFolder(platform::CommonFolder::Desktop, desktop);
    platform::testing::SetCommonFolder(platform::CommonFolder::Programs, programs);
#endif
  }
  // Every all-users folder is put back, those a test moved itself too.
  ~ShortcutFoldersOverride() {
    for (int i = 0; i < 4; ++i) platform::testing::SetCommonFolder(kFolders[i], saved_[i]);
  }
  ShortcutFoldersOverride(const ShortcutFoldersOverride&) = delete;
  ShortcutFoldersOverride& operator=(const ShortcutFoldersOverride&) = delete;

 private:
  static constexpr platform::CommonFolder kFolders[4] = {
      platform::CommonFolder::Desktop, platform::CommonFolder::StartMenu, platform::CommonFolder::Programs,
      platform::CommonFolder::Startup};
  const std::string saved_[4] = {platform::CommonFolderPath(kFolders[0]), platform::CommonFolderPath(kFolders[1]),
                                 platform::CommonFolderPath(kFolders[2]), platform::CommonFolderPath(kFolders[3])};

 public:
  const std::string desktop, programs;  // no trailing backslash
};

}  // namespace dz::testing
