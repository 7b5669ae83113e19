// The uninstallation on a small installation laid out as the installer leaves
// it: the tree is compared before the installation and after the
// uninstallation, and must be the same except what is kept on purpose.
#include "uninstaller/uninstaller.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/tests/shortcut_folders_override.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace uninstaller {
namespace {

using dz::testing::TempFolder;

// Writes a file, creating its folders first.
void WriteWholeFile(const std::string& path, const std::string& bytes) {
  platform::ForceDirectories(path.substr(0, path.rfind('\\')));
  dz::testing::WriteWholeFile(path, bytes);
}

constexpr char kCatering[] = "Orvane云专家-美食版";
constexpr char kCommercial[] = "Orvane云专家-商业版";

class FakeKeys : public UninstallKeys {
 public:
  std::optional<std::string> ReadUninstallString(const std::string& key_name) override {
    auto found = values.find(key_name);
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  bool DeleteKey(const std::string& key_name) override {
    if (refuse_delete) return false;
    return values.erase(key_name) > 0;
  }
  std::vector<std::string> KeyNames() override {
    std::vector<std::string> names;
    for (const auto& [name, value] : values) names.push_back(name);
    return names;
  }
  std::map<std::string, std::string> values;
  bool refuse_delete = false;
};

struct Box {
  std::string text, title;
  unsigned style;
};

// Every file and folder under a folder (folders end with a backslash).
void Collect(const std::string& folder, std::set<std::string>& out) {
  for (const auto& entry : platform::ListDirectory(folder)) {
    std::string path = folder + entry.name;
    if (entry.attributes & platform::kAttrDirectory) {
      out.insert(path + "\\");
      Collect(path + "\\", out);
    } else {
      out.insert(path);
    }
  }
}

class UninstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = tmp_ / "Orvane\\";
    group_ = tmp_ / "Programs\\" + "Orvane云专家-美食版\\";
    platform::ForceDirectories(tmp_ / "Programs");
    platform::ForceDirectories(tmp_ / "Desktop");
    // Things that are not the installation's and must stay.
    WriteWholeFile(tmp_ / "Desktop\\other.lnk", "user's");
    WriteWholeFile(tmp_ / "Windows\\win.ini", "system");
    WriteWholeFile(tmp_ / "outside\\victim.txt", "keep me");
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned style) {
      boxes_.push_back({text, title, style});
      if (answers_.empty()) return static_cast<int>(platform::kIdCancel);
      int answer = answers_.front();
      answers_.erase(answers_.begin());
      return answer;
    });
  }
  void TearDown() override { platform::SetMessageBoxResponder(nullptr); }

  Places MakePlaces() const {
    Places places;
    places.install_folder = folder_;
    places.self_path = folder_ + "UnInstall.exe";
    places.programs_folder = tmp_ / "Programs";
    places.desktop_folder = tmp_ / "Desktop";
    places.common_programs_folder = tmp_ / "ProgramData\\Start Menu\\Programs";
    places.common_desktop_folder = tmp_ / "Public\\Desktop";
    places.system_folders = {tmp_ / "Windows"};
    return places;
  }

  std::set<std::string> Tree() const {
    std::set<std::string> tree;
    Collect(tmp_.path(), tree);
    return tree;
  }

  void AddFile(const std::string& path, char flag) {
    WriteWholeFile(path, "data");
    Add(path, flag);
  }
  void Add(const std::string& path, char flag) {
    list_ += "File" + std::to_string(counter_++) + "=" + path + flag + "\r\n";
  }

  // An installation as the installer leaves it, edition name as in
  // Install.in; the key is named after the catering name.
  void Install(const std::string& edition_name = kCatering) {
    list_.clear();
    counter_ = 0;
    bool existed = platform::FileExists(folder_ + "LumoSc\\old.txt");
    AddFile(folder_ + "LumoSc\\OvErp.exe", 'N');
    AddFile(folder_ + "LumoSc\\lib\\a.dll", 'N');
    platform::WriteAttributes(folder_ + "LumoSc\\lib\\a.dll", platform::kAttrReadOnly);
    if (existed) Add(folder_ + "LumoSc\\old.txt", 'Y');
    AddFile(folder_ + "LumoPos\\LumoPosBaseData.db", 'N');
    AddFile(folder_ + "UnInstall.exe", 'N');
    WriteWholeFile(folder_ + "Install.in", "[BaseInfo]\r\nfAppName=" + edition_name + "\r\n");
    Add(folder_ + "install.in", 'N');
    Add(folder_ + "install.dl", 'N');
    std::string group = tmp_ / "Programs\\" + edition_name + "\\";
    AddFile(group + "云后台管理系统.lnk", 'N');
    AddFile(group + "卸载" + edition_name + ".lnk", 'N');
    Add("", 'N');  // the installer's placeholder lines
    AddFile(tmp_ / "Desktop\\云后台管理系统.lnk", 'N');
    Add("", 'N');
    keys_.values[kCatering] = "\"" + folder_ + "UnInstall.exe\"";
  }
  void SaveList() { WriteWholeFile(folder_ + "install.dl", list_); }

  TempFolder tmp_;
  std::string folder_, group_;
  std::string list_;
  int counter_ = 0;
  FakeKeys keys_;
  std::vector<Box> boxes_;
  std::vector<int> answers_;
};

TEST_F(UninstallTest, SilentFirstInstallationLeavesOnlyTheDatabaseAndTheUninstaller) {
  std::set<std::string> before = Tree();
  Install();
  SaveList();
  Result result = Uninstall(MakePlaces(), keys_, true);

  EXPECT_EQ(result.exit_code, kExitDone);
  EXPECT_TRUE(result.remove_self);
  EXPECT_TRUE(result.key_removed);
  EXPECT_TRUE(keys_.values.empty());
  EXPECT_TRUE(boxes_.empty());
  std::set<std::string> expected = before;
  // The caller removes the uninstaller and then its folder; the database is
  // the shop's and stays.
  for (const auto& path : {folder_, folder_ + "UnInstall.exe", folder_ + "LumoPos\\",
                           folder_ + "LumoPos\\LumoPosBaseData.db"})
    expected.insert(path);
  EXPECT_EQ(Tree(), expected);
}

// The installer puts its shortcuts in the all-users folders; a list of a
// re-installation over an earlier installation may name the user's too. Both
// go, with both groups, and no line is refused.
TEST_F(UninstallTest, AllUsersShortcutsGoAndTheUsersOfEarlierInstallationsToo) {
  const std::string common_group = tmp_ / "ProgramData\\Start Menu\\Programs\\" + kCatering + "\\";
  WriteWholeFile(tmp_ / "Public\\Desktop\\other.lnk", "another program's");
  platform::ForceDirectories(tmp_ / "ProgramData\\Start Menu\\Programs");
  std::set<std::string> before = Tree();
  Install();  // its shortcuts in the user's folders
  AddFile(common_group + "云后台管理系统.lnk", 'N');
  AddFile(common_group + "卸载" + kCatering + ".lnk", 'N');
  Add(common_group, 'N');
  AddFile(tmp_ / "Public\\Desktop\\云后台管理系统.lnk", 'N');
  Add("", 'N');
  SaveList();
  Result result = Uninstall(MakePlaces(), keys_, true);

  EXPECT_EQ(result.exit_code, kExitDone);
  EXPECT_TRUE(result.refused.empty());
  std::set<std::string> expected = before;
  for (const auto& path : {folder_, folder_ + "UnInstall.exe", folder_ + "LumoPos\\",
                           folder_ + "LumoPos\\LumoPosBaseData.db"})
    expected.insert(path);
  EXPECT_EQ(Tree(), expected);
}

TEST_F(UninstallTest, ReinstallationKeepsEarlierFilesAndRemovesTheDatabaseOnlyWhenAsked) {
  WriteWholeFile(folder_ + "LumoSc\\old.txt", "there before");
  std::set<std::string> before = Tree();
  Install();
  SaveList();
  answers_ = {platform::kIdOk, platform::kIdYes, platform::kIdOk};
  Result result = Uninstall(MakePlaces(), keys_, false);

  EXPECT_EQ(result.exit_code, kExitDone);
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_EQ(boxes_[0].title, "确认");
  EXPECT_NE(boxes_[0].text.find(kCatering), std::string::npos);
  EXPECT_EQ(boxes_[1].title, "确认");
  EXPECT_NE(boxes_[1].text.find("LumoPosBaseData.db"), std::string::npos);
  EXPECT_EQ(boxes_[1].style & 0x0F, platform::kMbYesNo);
  EXPECT_EQ(boxes_[1].style & 0x100, 0x100u) << "keeping the data must be the default button";
  EXPECT_EQ(boxes_[2].title, "提示 ");
  std::set<std::string> expected = before;
  expected.insert(folder_ + "UnInstall.exe");
  EXPECT_EQ(Tree(), expected);
}

TEST_F(UninstallTest, DatabaseKeptWhenTheUserSaysNo) {
  Install();
  SaveList();
  answers_ = {platform::kIdOk, platform::kIdNo, platform::kIdOk};
  Result result = Uninstall(MakePlaces(), keys_, false);
  EXPECT_EQ(result.exit_code, kExitDone);
  EXPECT_TRUE(platform::FileExists(folder_ + "LumoPos\\LumoPosBaseData.db"));
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_NE(boxes_[2].text.find("LumoPosBaseData.db"), std::string::npos) << "the report names what was kept";
}

TEST_F(UninstallTest, CancelChangesNothing) {
  Install();
  SaveList();
  std::set<std::string> installed = Tree();
  answers_ = {platform::kIdCancel};
  Result result = Uninstall(MakePlaces(), keys_, false);
  EXPECT_EQ(result.exit_code, kExitCancelled);
  EXPECT_FALSE(result.remove_self);
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(Tree(), installed);
  EXPECT_EQ(keys_.values.size(), 1u);
}

TEST_F(UninstallTest, TamperedListDeletesNothingOutsideAndSaysWhat) {
  std::set<std::string> before = Tree();
#ifndef _WIN32
  // Another drive of the sandbox (under Windows, the Wine test maps one).
  WriteWholeFile("D:\\victim.txt", "other drive");
#endif
  Install();
  Add(tmp_ / "outside\\victim.txt", 'N');
  Add(tmp_ / "Windows\\win.ini", 'N');
  Add(folder_ + "..\\outside\\victim.txt", 'N');
  Add(tmp_ / "Desktop\\other.lnk", 'Y');  // Y: never touched anyway
  Add("D:\\victim.txt", 'N');
  Add(tmp_ / "Programs\\", 'N');
  SaveList();
  answers_ = {platform::kIdOk, platform::kIdNo, platform::kIdOk, platform::kIdOk};
  Result result = Uninstall(MakePlaces(), keys_, false);

  EXPECT_EQ(result.exit_code, kExitRefusedLines);
  EXPECT_EQ(result.refused.size(), 5u);
#ifndef _WIN32
  EXPECT_TRUE(platform::FileExists("D:\\victim.txt"));
#endif
  std::set<std::string> expected = before;
  for (const auto& path : {folder_, folder_ + "UnInstall.exe", folder_ + "LumoPos\\",
                           folder_ + "LumoPos\\LumoPosBaseData.db"})
    expected.insert(path);
  EXPECT_EQ(Tree(), expected);
  ASSERT_EQ(boxes_.size(), 4u);
  EXPECT_EQ(boxes_[2].title, "警告");
  EXPECT_NE(boxes_[2].text.find(tmp_ / "outside\\victim.txt"), std::string::npos);
#ifndef _WIN32
  platform::RemoveFile("D:\\victim.txt");
#endif
}

#ifndef _WIN32
// A user replaced a folder of the installation by a link to a folder of
// theirs holding files of the same names: the lines through it are refused
// and reported, and what the link leads to stays. (Under Wine:
// app/tests/temporary_links_windows.sh.)
TEST_F(UninstallTest, LinesThroughALinkLeadingOutAreRefused) {
  Install();
  SaveList();
  const std::string outside = tmp_ / "outside\\";
  WriteWholeFile(outside + "a.dll", "someone else's");
  dz::testing::RemoveTree(folder_ + "LumoSc\\lib\\");
  ASSERT_EQ(::symlink(platform::testing::HostPath(outside).c_str(),
                      platform::testing::HostPath(folder_ + "LumoSc\\lib").c_str()),
            0);
  Result result = Uninstall(MakePlaces(), keys_, true);

  EXPECT_EQ(result.exit_code, kExitRefusedLines);
  ASSERT_EQ(result.refused.size(), 1u);
  EXPECT_NE(result.refused[0].line.find(folder_ + "LumoSc\\lib\\a.dll"), std::string::npos);
  EXPECT_EQ(result.refused[0].reason, "路径经过指向安装文件夹以外的链接");
  EXPECT_EQ(dz::testing::ReadWholeFile(outside + "a.dll"), "someone else's");
  EXPECT_FALSE(platform::FileExists(folder_ + "LumoSc\\OvErp.exe")) << "the other lines are carried out";
}
#endif

TEST_F(UninstallTest, UninstallKeyRemovedOnlyWhenItNamesThisUninstaller) {
  // The commercial edition's Install.in names the commercial edition; the key
  // carries the catering name.
  Install(kCommercial);
  SaveList();
  keys_.values["Other"] = "\"D:\\Other\\UnInstall.exe\"";
  keys_.values["Renamed"] = "\"" + folder_ + "UnInstall.exe\" /S";  // names this uninstaller too
  Result result = Uninstall(MakePlaces(), keys_, true);
  EXPECT_TRUE(result.key_removed);
  EXPECT_EQ(keys_.values.count(kCatering), 0u);
  EXPECT_EQ(keys_.values.count("Renamed"), 0u);
  EXPECT_EQ(keys_.values.count("Other"), 1u);
  EXPECT_FALSE(platform::DirectoryExists(tmp_ / "Programs\\" + kCommercial));

  // Another installation of the other edition owns the key now: it stays.
  Install();
  SaveList();
  keys_.values[kCatering] = "\"D:\\Elsewhere\\UnInstall.exe\"";
  result = Uninstall(MakePlaces(), keys_, true);
  EXPECT_EQ(result.exit_code, kExitDone);
  EXPECT_FALSE(result.key_removed);
  EXPECT_EQ(keys_.values[kCatering], "\"D:\\Elsewhere\\UnInstall.exe\"");
}

TEST_F(UninstallTest, KeyThatCannotBeRemovedIsReportedAsLeft) {
  Install();
  SaveList();
  keys_.refuse_delete = true;
  Result result = Uninstall(MakePlaces(), keys_, true);
  EXPECT_EQ(result.exit_code, kExitLeftFiles);
  ASSERT_EQ(result.left.size(), 1u);
  EXPECT_NE(result.left[0].find(kCatering), std::string::npos);
  // Everything needed for another try stays.
  EXPECT_FALSE(result.remove_self);
  EXPECT_TRUE(platform::FileExists(folder_ + "install.dl"));
  EXPECT_TRUE(platform::FileExists(folder_ + "Install.in"));
  EXPECT_FALSE(platform::FileExists(folder_ + "LumoSc\\OvErp.exe"));
}

TEST_F(UninstallTest, MissingFilesOrUnsafeFolderChangeNothing) {
  Install();
  std::set<std::string> without_list = Tree();
  answers_ = {platform::kIdOk};
  EXPECT_EQ(Uninstall(MakePlaces(), keys_, false).exit_code, kExitNoInstallation);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].title, "错误");
  EXPECT_EQ(Tree(), without_list);

  SaveList();
  std::set<std::string> installed = Tree();
  platform::RemoveFile(folder_ + "Install.in");
  EXPECT_EQ(Uninstall(MakePlaces(), keys_, true).exit_code, kExitNoInstallation);
  WriteWholeFile(folder_ + "Install.in", "[BaseInfo]\r\nfAppName=Orvane云专家-美食版\r\n");
  EXPECT_EQ(Tree(), installed);

  Places places = MakePlaces();
  places.system_folders.push_back(tmp_.path());  // the installation lies in a system folder
  EXPECT_EQ(Uninstall(places, keys_, true).exit_code, kExitUnsafeFolder);
  EXPECT_EQ(Tree(), installed);
  EXPECT_EQ(keys_.values.size(), 1u);
}

// The places and the entry as the installer leaves them in the registry kept
// in memory natively. (Under Windows this would rewrite the user's Shell
// Folders; the Wine test of UnInstall.exe covers the real registry.)
#ifndef _WIN32
TEST_F(UninstallTest, SystemRegistryEntryAndShellFolders) {
  platform::testing::ClearRegistry();
  auto folders = platform::RegistryKey::Create(platform::RegistryRoot::CurrentUser,
                                               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  ASSERT_TRUE(folders);
  folders->WriteString("Programs", tmp_ / "Programs");
  folders->WriteString("Desktop", tmp_ / "Desktop");
  std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  for (const auto& [name, program] : {std::pair<std::string, std::string>{kCatering, folder_ + "UnInstall.exe"},
                                      {"Another", "C:\\Another\\UnInstall.exe"}}) {
    auto key = platform::RegistryKey::Create(platform::RegistryRoot::LocalMachine, uninstall + name);
    ASSERT_TRUE(key);
    key->WriteString("Displayname", "卸载" + name);
    key->WriteString("UnInstallString", "\"" + program + "\"");
  }
  Install();
  SaveList();

  dz::testing::ShortcutFoldersOverride all_users(tmp_.path());
  Places places = PlacesOf(folder_ + "UnInstall.exe");
  EXPECT_EQ(places.install_folder, folder_);
  EXPECT_EQ(places.programs_folder, tmp_ / "Programs");
  EXPECT_EQ(places.common_programs_folder, tmp_ / "ProgramData\\Start Menu\\Programs");
  EXPECT_EQ(places.common_desktop_folder, tmp_ / "Public\\Desktop");
  places.system_folders = {tmp_ / "Windows"};
  RegistryUninstallKeys keys;
  Result result = Uninstall(places, keys, true);

  EXPECT_EQ(result.exit_code, kExitDone);
  EXPECT_FALSE(platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, uninstall + kCatering));
  EXPECT_TRUE(platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, uninstall + "Another"));
  EXPECT_FALSE(platform::DirectoryExists(group_));
  EXPECT_FALSE(platform::FileExists(tmp_ / "Desktop\\云后台管理系统.lnk"));
  platform::testing::ClearRegistry();
}
#endif

}  // namespace
}  // namespace uninstaller
