// Registration: the uninstall entry, the program group and desktop shortcuts
// in the all-users folders for both editions and every choice of systems,
// the uninstall-list lines they add, the progress window's texts and waits,
// the failures that leave a shortcut or the entry out and are reported, and
// the earlier list's shortcuts that a re-installation removes. Natively,
// against the registry kept in memory and link files in the sandbox.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/step.h"
#include "app/step_register.h"
#include "app/testing/recording_controls.h"
#include "app/tests/shortcut_folders_override.h"
#include "common/install_list.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell_links.h"
#include "platform/special_folders.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"

namespace {

using app::Control;
using platform::RegistryKey;
using platform::RegistryRoot;

const std::string kUninstallKey = "SOFTWARE\\microsoft\\windows\\currentversion\\uninstall\\";
const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kCateringName = "Orvane云专家-美食版";
const std::string kCommercialName = "Orvane云专家-商业版";
const std::string kInstallFolder = "D:\\Program Files\\Orvane云专家美食版V3";

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows registration tests run on the real registry and shell";
#endif
    platform::testing::ClearRegistry();
    platform::testing::SetSleepHook([this](unsigned ms) { controls.log.push_back("Sleep " + std::to_string(ms)); });
    // The shortcuts go to the all-users folders; the user's own, where
    // earlier installations put theirs, are set apart.
    ASSERT_TRUE(platform::DirectoryExists(desktop));
    ASSERT_TRUE(platform::DirectoryExists(programs));
    ASSERT_TRUE(platform::ForceDirectories(user_desktop));
    ASSERT_TRUE(platform::ForceDirectories(user_programs));
    SetShellFolder("Desktop", user_desktop);
    SetShellFolder("Programs", user_programs);
    SetShellFolder("Start Menu", tmp / "User\\Start Menu");

    step.SetControls(&controls);
    step.fAppName = kCateringName;  // as the manifest has it, for both editions
    step.fAppType = "CySaaS";
    step.EditionKey = "CySaaS";
    controls.State(Control::EInstallFolder).text = kInstallFolder;
    step.Programs = {kInstallFolder + "\\LumoSc\\OvErp.exe", kInstallFolder + "\\LumoPos\\LumoPos.exe",
                     kInstallFolder + "\\WmSvr\\PWMSvr.exe", kInstallFolder + "\\SaasKds\\PSaasKds.exe",
                     kInstallFolder + "\\LumoPosSy\\LumoPos_Sy.exe"};
    // The run's own lines come first; registration continues their numbers.
    step.UninstallList = {"File0=" + kInstallFolder + "\\install.inN", "File1=" + kInstallFolder + "\\install.dlN"};
    step.UninstallCounter = 2;
  }
  void TearDown() override {
    platform::testing::SetSleepHook(nullptr);
    platform::testing::SetShellLinkAvailable(true);
    platform::testing::SetShellLinkRefusedTarget("");
    platform::testing::SetRegistryReadOnly(RegistryRoot::LocalMachine, false);
  }

  void SetShellFolder(const std::string& name, const std::string& folder) {
    auto key = RegistryKey::Create(RegistryRoot::CurrentUser, kShellFolders);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString(name, folder));
  }
  void Tick(std::initializer_list<Control> boxes) {
    for (Control box : boxes) controls.State(box).checked = true;
  }
  // The shortcut files in a folder, sorted.
  static std::vector<std::string> Links(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : platform::ListDirectory(folder))
      if (!(entry.attributes & platform::kAttrDirectory)) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
  }
  // The registration's own lines of the uninstall list.
  std::vector<std::string> AddedLines() const {
    return {step.UninstallList.begin() + 2, step.UninstallList.end()};
  }
  static void ExpectLink(const std::string& file, const std::string& target, const std::string& description) {
    SCOPED_TRACE(file);
    auto link = platform::ReadShellLink(file);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, target);
    EXPECT_EQ(link->working_directory, target.substr(0, target.rfind('\\') + 1));
    EXPECT_EQ(link->description, description);
  }

  dz::testing::TempFolder tmp;
  dz::testing::ShortcutFoldersOverride all_users{tmp.path()};
  const std::string desktop = all_users.desktop, programs = all_users.programs;
  const std::string user_desktop = tmp / "User\\Desktop", user_programs = tmp / "User\\Start Menu\\Programs";
  app::testing::RecordingControls controls;
  app::TfStep step;
};

// The shortcut table for both editions and every choice of systems. Each
// row: the check box, whether the commercial edition offers it, the program
// path it points to in each edition, and its name.
TEST_F(Registration, EveryRowOfTheShortcutTable) {
  struct Row {
    Control box;
    bool commercial_too;
    std::string catering_target, commercial_target, name;
  };
  const std::vector<Row> rows = {
      {Control::CkIns_Sc, true, step.Programs.LumoSc, step.Programs.LumoSc, "云后台管理系统"},
      {Control::CkIns_Pos, true, step.Programs.LumoPos, step.Programs.LumoPosSy, "云前台收银系统"},
      {Control::CkIns_WmSvr, false, step.Programs.WmSvr, "", "云服务管理系统"},
      {Control::CkIns_Kds, false, step.Programs.SaasKds, "", "云触屏划菜系统"},
  };
  const std::vector<std::string> start_list = step.UninstallList;
  for (const std::string edition : {"CySaaS", "SySaaS", "sysaas"}) {
    const bool commercial = edition != "CySaaS";
    const std::string group = commercial ? kCommercialName : kCateringName;
    for (int mask = 0; mask < 16; ++mask) {
      SCOPED_TRACE(edition + " systems " + std::to_string(mask));
      dz::testing::RemoveTree(programs);
      dz::testing::RemoveTree(desktop);
      ASSERT_TRUE(platform::ForceDirectories(programs));
      ASSERT_TRUE(platform::ForceDirectories(desktop));
      step.EditionKey = edition;
      step.UninstallList = start_list;
      step.UninstallCounter = 2;
      for (size_t i = 0; i < rows.size(); ++i) controls.State(rows[i].box).checked = mask & (1 << i);

      step.RegisterSystem(step.CaptureRequest());

      std::vector<std::string> expected_lines;
      std::vector<std::string> group_links, desktop_links;
      auto expect = [&](const std::string& folder, const std::string& name, const std::string& target,
                        std::vector<std::string>& links) {
        const std::string file = folder + "\\" + name + ".lnk";
        expected_lines.push_back("File" + std::to_string(2 + expected_lines.size()) + "=" + file + "N");
        links.push_back(name + ".lnk");
        ExpectLink(file, target, name);
      };
      for (size_t i = 0; i < rows.size(); ++i)
        if ((mask & (1 << i)) && (!commercial || rows[i].commercial_too))
          expect(programs + "\\" + group, rows[i].name,
                 commercial ? rows[i].commercial_target : rows[i].catering_target, group_links);
      expect(programs + "\\" + group, "卸载" + group, kInstallFolder + "\\UnInstall.exe", group_links);
      expected_lines.push_back("File" + std::to_string(2 + expected_lines.size()) + "=" + programs + "\\" + group +
                               "\\N");
      for (size_t i = 0; i < rows.size(); ++i)
        if ((mask & (1 << i)) && (!commercial || rows[i].commercial_too))
          expect(desktop, rows[i].name, commercial ? rows[i].commercial_target : rows[i].catering_target,
                 desktop_links);
      expected_lines.push_back("File" + std::to_string(2 + expected_lines.size()) + "=N");

      EXPECT_EQ(AddedLines(), expected_lines);
      EXPECT_EQ(step.UninstallCounter, static_cast<int>(step.UninstallList.size()));
      std::sort(group_links.begin(), group_links.end());
      std::sort(desktop_links.begin(), desktop_links.end());
      EXPECT_EQ(Links(programs + "\\" + group), group_links);
      EXPECT_EQ(Links(desktop), desktop_links);
      // Nothing else beside the group.
      EXPECT_EQ(platform::ListDirectory(programs).size(), 1u);
    }
  }
}

// The commercial edition's case written out in full: the group under the
// commercial name, the front desk pointing into LumoPosSy, the entry still
// under the manifest's name.
TEST_F(Registration, CommercialEditionWithBothSystems) {
  step.EditionKey = "SySaaS";
  Tick({Control::CkIns_Sc, Control::CkIns_Pos});
  step.RegisterSystem(step.CaptureRequest());

  const std::string group = programs + "\\Orvane云专家-商业版\\";
  EXPECT_EQ(AddedLines(), (std::vector<std::string>{
                              "File2=" + group + "云后台管理系统.lnkN",
                              "File3=" + group + "云前台收银系统.lnkN",
                              "File4=" + group + "卸载Orvane云专家-商业版.lnkN",
                              "File5=" + group + "N",
                              "File6=" + desktop + "\\云后台管理系统.lnkN",
                              "File7=" + desktop + "\\云前台收银系统.lnkN",
                              "File8=N",
                          }));
  ExpectLink(group + "云前台收银系统.lnk", kInstallFolder + "\\LumoPosSy\\LumoPos_Sy.exe", "云前台收银系统");
  ExpectLink(group + "卸载Orvane云专家-商业版.lnk", kInstallFolder + "\\UnInstall.exe", "卸载Orvane云专家-商业版");

  auto uninstall = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey);
  ASSERT_TRUE(uninstall);
  EXPECT_EQ(uninstall->SubKeyNames(), std::vector<std::string>{kCateringName});
}

// The entry is named after the manifest's product name in both editions and
// quotes the uninstaller's path, which holds a blank.
TEST_F(Registration, UninstallEntryForBothEditions) {
  for (const char* edition : {"CySaaS", "SySaaS"}) {
    SCOPED_TRACE(edition);
    platform::testing::ClearRegistry();
    step.EditionKey = edition;
    step.RegisterUninstall(step.CaptureRequest());
    auto key = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadString("Displayname"), "卸载Orvane云专家-美食版");
    EXPECT_EQ(key->ReadString("UnInstallString"), "\"" + kInstallFolder + "\\UnInstall.exe\"");
    auto uninstall = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey);
    ASSERT_TRUE(uninstall);
    EXPECT_EQ(uninstall->SubKeyNames().size(), 1u);
  }
  // A folder field that already ends with a backslash gets no second one.
  controls.State(Control::EInstallFolder).text = "E:\\POS\\";
  step.RegisterUninstall(step.CaptureRequest());
  auto key = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString("UnInstallString"), "\"E:\\POS\\UnInstall.exe\"");
}

// What the system's list of programs shows of the entry besides its name.
TEST_F(Registration, UninstallEntryDetails) {
  step.fAppVersion = "V3.3";
  step.fAppCompany = "让经营更简单";
  step.fAppWebsite = "http://www.example.cn/";
  // The list names 3000 + 5000 bytes of files (the kept database included),
  // a listed file that is gone, a shortcut line and the desktop's empty line.
  const std::string folder = tmp / "Shop";
  ASSERT_TRUE(platform::ForceDirectories(folder + "\\LumoPos"));
  dz::testing::WriteWholeFile(folder + "\\a.dll", std::string(3000, 'a'));
  dz::testing::WriteWholeFile(folder + "\\LumoPos\\LumoPosBaseData.db", std::string(5000, 'b'));
  controls.State(Control::EInstallFolder).text = folder;
  step.UninstallList = {"File0=" + folder + "\\a.dllN", "File1=" + folder + "\\LumoPos\\LumoPosBaseData.dbY",
                        "File2=" + folder + "\\gone.exeN", "File3=N"};
  step.Programs = {};
  step.Programs.LumoPos = folder + "\\LumoPos\\LumoPosBaseData.db";  // any existing file will do

  step.RegisterUninstall(step.CaptureRequest());
  auto key = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString("DisplayVersion"), "V3.3");
  EXPECT_EQ(key->ReadString("Publisher"), "让经营更简单");
  EXPECT_EQ(key->ReadString("InstallLocation"), folder);
  EXPECT_EQ(key->ReadString("DisplayIcon"), step.Programs.LumoPos) << "the first installed system's program";
  EXPECT_EQ(key->ReadDword("EstimatedSize"), 8u) << "8000 bytes, in KB rounded up";
  const platform::LocalDateTime today = platform::CurrentLocalTime();
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", today.year, today.month, today.day);
  EXPECT_EQ(key->ReadString("InstallDate"), std::string(date));
  EXPECT_EQ(key->ReadDword("NoModify"), 1u);
  EXPECT_EQ(key->ReadDword("NoRepair"), 1u);
  EXPECT_EQ(key->ReadString("QuietUninstallString"), "\"" + folder + "\\UnInstall.exe\" /S");
  EXPECT_EQ(key->ReadString("URLInfoAbout"), "http://www.example.cn/");

  // Installed again without a web site and with no program installed: no
  // stale address, and the uninstaller gives the icon.
  step.fAppWebsite = "";
  step.Programs = {};
  step.RegisterUninstall(step.CaptureRequest());
  key = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString("URLInfoAbout"), std::nullopt);
  EXPECT_EQ(key->ReadString("DisplayIcon"), folder + "\\UnInstall.exe");
  // A drive's root keeps its backslash as the location.
  controls.State(Control::EInstallFolder).text = "E:\\";
  step.RegisterUninstall(step.CaptureRequest());
  key = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName);
  EXPECT_EQ(key->ReadString("InstallLocation"), "E:\\");
}

// No rights to the machine's keys: no entry, the shortcuts made, and the
// entry named among the step's failures, which the wizard reports in one box.
TEST_F(Registration, RegistryFailuresAreReported) {
  platform::testing::SetRegistryReadOnly(RegistryRoot::LocalMachine, true);
  Tick({Control::CkIns_Sc});
  std::vector<std::string> boxes;
  step.MessageBoxes = [&](const std::string& text, const std::string& title, unsigned) {
    boxes.push_back(title + "|" + text);
    return platform::kIdOk;
  };
  EXPECT_NO_THROW(step.RegisterSystem(step.CaptureRequest()));
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName));
  EXPECT_TRUE(platform::FileExists(desktop + "\\云后台管理系统.lnk"));
  EXPECT_EQ(step.RegistrationFailures(),
            std::vector<std::string>{"未能写入卸载信息: HKEY_LOCAL_MACHINE\\" + kUninstallKey + kCateringName});
  EXPECT_TRUE(boxes.empty()) << "reported at the end of the run, not here";
  step.ReportRegistrationFailures();
  EXPECT_EQ(boxes, std::vector<std::string>{"警告|系统已安装,但以下 1 项未能完成:\n未能写入卸载信息: "
                                            "HKEY_LOCAL_MACHINE\\" + kUninstallKey + kCateringName});

  // No product name: the uninstall key itself would get the values, so
  // nothing is written, and that is no failure.
  platform::testing::SetRegistryReadOnly(RegistryRoot::LocalMachine, false);
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::LocalMachine, kUninstallKey));
  step.fAppName = "";
  step.RegisterUninstall(step.CaptureRequest());
  auto uninstall = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey);
  ASSERT_TRUE(uninstall);
  EXPECT_EQ(uninstall->ReadString("Displayname"), std::nullopt);
  EXPECT_EQ(uninstall->ReadString("UnInstallString"), std::nullopt);
  EXPECT_TRUE(step.RegistrationFailures().empty());
}

// All-users folders that are missing, and a group folder that cannot be
// made: the shortcuts concerned are missing, not recorded and reported, the
// rest are made, and the two lines after the group and after the desktop
// keep their place. The user's Shell Folders play no part any more.
TEST_F(Registration, MissingFoldersLeaveShortcutsOut) {
  Tick({Control::CkIns_Sc});
  const std::string group = programs + "\\" + kCateringName;
  const std::string uninstall_link = group + "\\卸载" + kCateringName + ".lnk";
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::vector<std::string> lines;
    std::vector<std::string> failures;
  } cases[] = {
      {"no all-users Desktop",
       [&] { platform::testing::SetCommonFolder(platform::CommonFolder::Desktop, ""); },
       {"File2=" + group + "\\云后台管理系统.lnkN", "File3=" + uninstall_link + "N", "File4=" + group + "\\N",
        "File5=N"},
       {"未能建立快捷方式: 云后台管理系统.lnk"}},
      {"all-users Desktop folder missing",
       [&] { platform::testing::SetCommonFolder(platform::CommonFolder::Desktop, tmp / "gone\\Desktop"); },
       {"File2=" + group + "\\云后台管理系统.lnkN", "File3=" + uninstall_link + "N", "File4=" + group + "\\N",
        "File5=N"},
       {"未能建立快捷方式: " + tmp / "gone\\Desktop\\云后台管理系统.lnk"}},
      {"no Shell Folders key: nothing missing",
       [&] { ASSERT_TRUE(platform::DeleteRegistryKey(RegistryRoot::CurrentUser, kShellFolders)); },
       {"File2=" + group + "\\云后台管理系统.lnkN", "File3=" + uninstall_link + "N", "File4=" + group + "\\N",
        "File5=" + desktop + "\\云后台管理系统.lnkN", "File6=N"},
       {}},
      {"group folder blocked by a file",
       [&] { dz::testing::WriteWholeFile(group, "not a folder"); },
       {"File2=N", "File3=" + desktop + "\\云后台管理系统.lnkN", "File4=N"},
       {"未能建立快捷方式: " + group + "\\云后台管理系统.lnk", "未能建立快捷方式: " + uninstall_link}},
      {"Programs folder missing, so is its group",
       [&] { platform::testing::SetCommonFolder(platform::CommonFolder::Programs, tmp / "gone\\Programs"); },
       {"File2=N", "File3=" + desktop + "\\云后台管理系统.lnkN", "File4=N"},
       {"未能建立快捷方式: " + tmp / "gone\\Programs\\" + kCateringName + "\\云后台管理系统.lnk",
        "未能建立快捷方式: " + tmp / "gone\\Programs\\" + kCateringName + "\\卸载" + kCateringName + ".lnk"}},
  };
  const std::vector<std::string> start_list = step.UninstallList;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::testing::ClearRegistry();
    SetShellFolder("Desktop", user_desktop);
    SetShellFolder("Programs", user_programs);
    platform::testing::SetCommonFolder(platform::CommonFolder::Desktop, desktop);
    platform::testing::SetCommonFolder(platform::CommonFolder::Programs, programs);
    dz::testing::RemoveTree(group);
    platform::RemoveFile(group);
    platform::RemoveFile(desktop + "\\云后台管理系统.lnk");
    step.UninstallList = start_list;
    step.UninstallCounter = 2;
    c.arrange();

    EXPECT_NO_THROW(step.RegisterSystem(step.CaptureRequest()));
    EXPECT_EQ(AddedLines(), c.lines);
    EXPECT_EQ(step.RegistrationFailures(), c.failures);
    EXPECT_EQ(step.UninstallCounter, static_cast<int>(step.UninstallList.size()));
    // Exactly the listed shortcut files exist.
    size_t listed_links = 0;
    for (const auto& line : AddedLines()) {
      std::string path = line.substr(line.find('=') + 1);
      path.pop_back();
      if (path.empty() || path.back() == '\\') continue;
      ++listed_links;
      EXPECT_TRUE(platform::ReadShellLink(path)) << path;
    }
    EXPECT_EQ(Links(desktop).size() + (platform::DirectoryExists(group) ? Links(group).size() : 0), listed_links);
    EXPECT_TRUE(Links(user_desktop).empty());
  }
}

// CreateShortcut on its own: the name from the target when none is given,
// "我的电脑" for an empty target, the extension replaced, GBK names whose
// trail byte is a backslash, the all-users Start Menu and Startup, no
// all-users Quick Launch (though the user has one), unknown locations.
TEST_F(Registration, CreateShortcutNamesAndLocations) {
  const std::string quick = tmp / "AppData\\Microsoft\\Internet Explorer\\Quick Launch";
  ASSERT_TRUE(platform::ForceDirectories(quick));
  SetShellFolder("AppData", tmp / "AppData");
  const std::string start_menu = tmp / "ProgramData\\Start Menu";
  platform::testing::SetCommonFolder(platform::CommonFolder::StartMenu, start_menu);
  platform::testing::SetCommonFolder(platform::CommonFolder::Startup, "");
  // 昞 is 0x95 0x5C: its trail byte is a backslash byte.
  const std::string odd = "\x95\x5C";
  struct Case {
    std::string target, name, sub_folder;
    int location;
    bool made;
    std::string file, description, working;
  } cases[] = {
      {"C:\\P\\OvErp.exe", "", "", 0, true, desktop + "\\OvErp.lnk", "OvErp.exe", "C:\\P\\"},
      {"C:\\P\\a.exe", "Orvane V3.3 版", "", 0, true, desktop + "\\Orvane V3.lnk", "Orvane V3.3 版", "C:\\P\\"},
      {"", "云后台管理系统", "组", 2, true, programs + "\\组\\我的电脑.lnk", "我的电脑", ""},
      {"C:\\" + odd + "\\" + odd + ".exe", "", "", 0, true, desktop + "\\" + odd + ".lnk", odd + ".exe",
       "C:\\" + odd + "\\"},
      {"C:\\P\\a.exe", "快速", "", 4, false, "", "", ""},
      {"C:\\P\\a.exe", "开始", "", 1, true, start_menu + "\\开始.lnk", "开始", "C:\\P\\"},
      {"C:\\P\\a.exe", "启动", "", 3, false, "", "", ""},  // the system has no all-users Startup
      {"C:\\P\\a.exe", "x", "", 5, false, "", "", ""},
      {"C:\\P\\a.exe", "x", "", -1, false, "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " at " + std::to_string(c.location));
    step.UninstallList.clear();
    step.UninstallCounter = 7;
    app::Registration registration(step.CaptureRequest(), step, step, controls, false);
    EXPECT_EQ(registration.CreateShortcut(c.target, c.name, c.sub_folder, c.location), c.made);
    if (!c.made) {
      EXPECT_TRUE(step.UninstallList.empty());
      EXPECT_EQ(step.UninstallCounter, 7);
      EXPECT_EQ(registration.Failures(), std::vector<std::string>{"未能建立快捷方式: " + c.name + ".lnk"});
      continue;
    }
    EXPECT_TRUE(registration.Failures().empty());
    EXPECT_EQ(step.UninstallList, std::vector<std::string>{"File7=" + c.file + "N"});
    EXPECT_EQ(step.UninstallCounter, 8);
    auto link = platform::ReadShellLink(c.file);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, c.target);
    EXPECT_EQ(link->working_directory, c.working);
    EXPECT_EQ(link->description, c.description);
  }
}

// An empty program path (its payload was never extracted) still gives a
// shortcut, named "我的电脑", in the group and on the desktop.
TEST_F(Registration, EmptyTargetBecomesMyComputer) {
  step.Programs.LumoSc = "";
  Tick({Control::CkIns_Sc});
  step.RegisterSystem(step.CaptureRequest());
  const std::string group = programs + "\\" + kCateringName + "\\";
  EXPECT_EQ(AddedLines(), (std::vector<std::string>{
                              "File2=" + group + "我的电脑.lnkN",
                              "File3=" + group + "卸载" + kCateringName + ".lnkN",
                              "File4=" + group + "N",
                              "File5=" + desktop + "\\我的电脑.lnkN",
                              "File6=N",
                          }));
  auto link = platform::ReadShellLink(desktop + "\\我的电脑.lnk");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->target, "");
  EXPECT_EQ(link->working_directory, "");
  EXPECT_EQ(link->description, "我的电脑");
}

TEST_F(Registration, ShortcutsOnlyForTheCateringType) {
  // fAppType is compared exactly: another case is another type.
  for (const char* type : {"SySaaS", "cysaas", ""}) {
    SCOPED_TRACE(type);
    step.fAppType = type;
    Tick({Control::CkIns_Sc, Control::CkIns_Pos});
    step.RegisterSystem(step.CaptureRequest());
    EXPECT_EQ(step.UninstallList.size(), 2u);
    EXPECT_EQ(step.UninstallCounter, 2);
    EXPECT_TRUE(Links(desktop).empty());
    EXPECT_TRUE(platform::ListDirectory(programs).empty());
    EXPECT_TRUE(RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName));
  }
}

// A second installation replaces the shortcut files and the registry values,
// and its list records the shortcuts again.
TEST_F(Registration, SecondRunReplacesTheFirst) {
  Tick({Control::CkIns_Sc});
  step.RegisterSystem(step.CaptureRequest());
  const std::vector<std::string> first_lines = AddedLines();

  const std::string other = "E:\\新目录";
  controls.State(Control::EInstallFolder).text = other;
  step.Programs.LumoSc = other + "\\LumoSc\\OvErp.exe";
  step.UninstallList = {"File0=" + other + "\\install.inN", "File1=" + other + "\\install.dlN"};
  step.UninstallCounter = 2;
  step.RegisterSystem(step.CaptureRequest());

  EXPECT_EQ(AddedLines(), first_lines);  // the same shortcut files, numbered the same
  ExpectLink(desktop + "\\云后台管理系统.lnk", other + "\\LumoSc\\OvErp.exe", "云后台管理系统");
  ExpectLink(programs + "\\" + kCateringName + "\\卸载" + kCateringName + ".lnk", other + "\\UnInstall.exe",
             "卸载" + kCateringName);
  auto key = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString("UnInstallString"), "\"" + other + "\\UnInstall.exe\"");
  EXPECT_EQ(Links(desktop).size(), 1u);
}

// The progress window: opened first, the three texts each followed by its
// 100 ms wait, the entry written under the first text and the shortcuts
// under the second, closed last.
TEST_F(Registration, ProgressTextsAndOrder) {
  Tick({Control::CkIns_Sc});
  std::vector<std::string> seen;
  controls.on_call = [&](const std::string& call) {
    if (call.rfind("ShowProgressInfo", 0) != 0) return;
    bool entry = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName).has_value();
    bool link = platform::FileExists(desktop + "\\云后台管理系统.lnk");
    seen.push_back(call + (entry ? " entry" : "") + (link ? " link" : ""));
  };
  step.RegisterSystem(step.CaptureRequest());

  std::vector<std::string> window;
  for (const auto& line : controls.log)
    if (line.rfind("SetText", 0) != 0 && line.rfind("Repaint", 0) != 0) window.push_back(line);
  EXPECT_EQ(window, (std::vector<std::string>{
                        "OpenProgressWindow",
                        "ShowProgressInfo 正在注册系统信息...",
                        "Sleep 100",
                        "ShowProgressInfo 正在建立程序快捷方式...",
                        "Sleep 100",
                        "ShowProgressInfo 正在完成系统安装.",
                        "Sleep 100",
                        "CloseProgressWindow",
                    }));
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "ShowProgressInfo 正在注册系统信息...",
                      "ShowProgressInfo 正在建立程序快捷方式... entry",
                      "ShowProgressInfo 正在完成系统安装. entry link",
                  }));
  EXPECT_FALSE(controls.progress_window_open);
}

// A link object that cannot be made fails each shortcut as any other cause
// does: the step goes on to its end, closes the progress window, and every
// shortcut is reported; the entry is written.
TEST_F(Registration, LinkObjectMissingFailsEachShortcut) {
  platform::testing::SetShellLinkAvailable(false);
  Tick({Control::CkIns_Sc});
  EXPECT_NO_THROW(step.RegisterSystem(step.CaptureRequest()));
  EXPECT_FALSE(controls.progress_window_open);
  EXPECT_EQ(controls.log.back(), "CloseProgressWindow");
  EXPECT_EQ(controls.progress_texts,
            (std::vector<std::string>{"正在注册系统信息...", "正在建立程序快捷方式...", "正在完成系统安装."}));
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName));
  const std::string group = programs + "\\" + kCateringName + "\\";
  EXPECT_EQ(step.RegistrationFailures(), (std::vector<std::string>{
                                             "未能建立快捷方式: " + group + "云后台管理系统.lnk",
                                             "未能建立快捷方式: " + group + "卸载" + kCateringName + ".lnk",
                                             "未能建立快捷方式: " + desktop + "\\云后台管理系统.lnk",
                                         }));
  // The group folder made for them stays listed, so the uninstaller can
  // remove it.
  EXPECT_EQ(AddedLines(), (std::vector<std::string>{"File2=" + group + "N", "File3=N"}));
}

// One link object serves every shortcut of a registration: a target it
// refuses fails that shortcut, and no link is saved with the target of the
// shortcut before it.
TEST_F(Registration, RefusedTargetFailsOnlyItsShortcut) {
  platform::testing::SetShellLinkRefusedTarget("C:\\P\\refused.exe");
  app::Registration registration(step.CaptureRequest(), step, step, controls, false);
  EXPECT_TRUE(registration.CreateShortcut("C:\\P\\a.exe", "甲", "", 0));
  EXPECT_FALSE(registration.CreateShortcut("C:\\P\\refused.exe", "乙", "", 0));
  EXPECT_TRUE(registration.CreateShortcut("C:\\P\\c.exe", "丙", "", 0));
  EXPECT_EQ(registration.Failures(), std::vector<std::string>{"未能建立快捷方式: " + desktop + "\\乙.lnk"});
  EXPECT_FALSE(platform::FileExists(desktop + "\\乙.lnk"));
  ExpectLink(desktop + "\\甲.lnk", "C:\\P\\a.exe", "甲");
  ExpectLink(desktop + "\\丙.lnk", "C:\\P\\c.exe", "丙");
}

// The one box names how many things failed and the first five of them.
TEST_F(Registration, FailureBoxNamesTheFirstFive) {
  std::vector<std::string> failures;
  for (int i = 1; i <= 7; ++i) failures.push_back("未能建立快捷方式: C:\\D\\" + std::to_string(i) + ".lnk");
  EXPECT_EQ(app::RegistrationFailuresText(failures),
            "系统已安装,但以下 7 项未能完成:\n"
            "未能建立快捷方式: C:\\D\\1.lnk\n未能建立快捷方式: C:\\D\\2.lnk\n未能建立快捷方式: C:\\D\\3.lnk\n"
            "未能建立快捷方式: C:\\D\\4.lnk\n未能建立快捷方式: C:\\D\\5.lnk\n……(另有 2 项)");
}

// A re-installation over an earlier one: the shortcuts its install.dl names
// that are not made again go, with their group folder once it is empty;
// those made again, and everything the list does not own, stay.
TEST_F(Registration, EarlierShortcutsNotMadeAgainAreRemoved) {
  const std::string folder = tmp / "Shop";
  ASSERT_TRUE(platform::ForceDirectories(folder));
  controls.State(Control::EInstallFolder).text = folder;
  step.Programs.LumoSc = folder + "\\LumoSc\\OvErp.exe";
  Tick({Control::CkIns_Sc});  // the back office only, this time
  const std::string user_group = user_programs + "\\" + kCateringName;
  const std::string other_group = user_programs + "\\别的程序";
  const std::string all_group = programs + "\\" + kCateringName;
  ASSERT_TRUE(platform::ForceDirectories(user_group));
  ASSERT_TRUE(platform::ForceDirectories(other_group));
  ASSERT_TRUE(platform::ForceDirectories(all_group));

  auto make_link = [](const std::string& file, const std::string& target) {
    platform::ShellLink link;
    link.SetPath(target);
    ASSERT_TRUE(link.Save(file));
  };
  struct Row {
    const char* what;
    std::string file;    // a link made before the run and named by the earlier list
    std::string target;  // where it leads
    char flag;
    bool stays;
  };
  const std::string ours = folder + "\\LumoPos\\LumoPos.exe";
  const std::vector<Row> rows = {
      {"the user's group shortcut", user_group + "\\云前台收银系统.lnk", ours, 'N', false},
      {"the user's group uninstaller", user_group + "\\卸载" + kCateringName + ".lnk", folder + "\\UnInstall.exe", 'N',
       false},
      {"the user's desktop shortcut", user_desktop + "\\云前台收银系统.lnk", ours, 'N', false},
      {"an all-users shortcut of a system not chosen now", desktop + "\\云服务管理系统.lnk", ours, 'N', false},
      {"an all-users shortcut made again", desktop + "\\云后台管理系统.lnk", ours, 'N', true},
      {"a desktop shortcut another installation wrote over since", user_desktop + "\\云后台管理系统.lnk",
       "E:\\别处\\LumoSc\\OvErp.exe", 'N', true},
      {"there before the installation (Y)", user_desktop + "\\旧的.lnk", ours, 'Y', true},
      {"another program's group, one level deeper", other_group + "\\x\\a.lnk", ours, 'N', true},
      {"not a shortcut", user_desktop + "\\说明.txt", "", 'N', true},
      {"a climbing name", user_programs + "\\..\\climb.lnk", ours, 'N', true},
  };
  std::vector<std::string> earlier;
  for (const Row& row : rows) {
    ASSERT_TRUE(platform::ForceDirectories(row.file.substr(0, row.file.rfind('\\'))));
    if (row.file.size() > 4 && row.file.substr(row.file.size() - 4) == ".lnk")
      make_link(row.file, row.target);
    else
      dz::testing::WriteWholeFile(row.file, "text");
    earlier.push_back(install_list::FormatLine(int(earlier.size()), row.file, row.flag));
  }
  // The group folder lines: the user's group, and another program's group
  // that is not empty.
  earlier.push_back(install_list::FormatLine(int(earlier.size()), user_group + "\\", 'N'));
  earlier.push_back(install_list::FormatLine(int(earlier.size()), other_group + "\\", 'N'));
  earlier.push_back("File99=N");
  earlier.push_back("not a line");
  dz::testing::WriteWholeFile(folder + "\\install.dl", install_list::JoinLines(earlier));

  step.RegisterSystem(step.CaptureRequest());

  for (const Row& row : rows) EXPECT_EQ(platform::FileExists(row.file), row.stays) << row.what;
  EXPECT_FALSE(platform::DirectoryExists(user_group)) << "empty, so removed";
  EXPECT_TRUE(platform::DirectoryExists(other_group));
  EXPECT_EQ(Links(all_group), (std::vector<std::string>{"卸载" + kCateringName + ".lnk", "云后台管理系统.lnk"}));
  EXPECT_TRUE(step.RegistrationFailures().empty());
}

// An earlier shortcut that cannot be removed is reported; a missing earlier
// list, or one that is not a list, removes nothing.
TEST_F(Registration, EarlierShortcutsThatStayAreReported) {
  const std::string folder = tmp / "Shop";
  ASSERT_TRUE(platform::ForceDirectories(folder));
  controls.State(Control::EInstallFolder).text = folder;
  Tick({Control::CkIns_Sc});
  const std::string old_link = user_desktop + "\\云前台收银系统.lnk";
  platform::ShellLink link;
  link.SetPath(folder + "\\LumoPos\\LumoPos.exe");
  ASSERT_TRUE(link.Save(old_link));

  for (const std::string& list : {std::string(), std::string("\x01\x02 no lines")}) {
    if (!list.empty()) dz::testing::WriteWholeFile(folder + "\\install.dl", list);
    step.RegisterSystem(step.CaptureRequest());
    EXPECT_TRUE(platform::FileExists(old_link));
    EXPECT_TRUE(step.RegistrationFailures().empty());
  }

  dz::testing::WriteWholeFile(folder + "\\install.dl", install_list::FormatLine(0, old_link, 'N') + "\r\n");
  // Read-only: Windows refuses to delete it, and so does the installer.
  ASSERT_TRUE(platform::WriteAttributes(old_link, platform::kAttrReadOnly));
  step.RegisterSystem(step.CaptureRequest());
  EXPECT_TRUE(platform::FileExists(old_link));
  EXPECT_EQ(step.RegistrationFailures(), std::vector<std::string>{"未能删除旧的快捷方式: " + old_link});
}

}  // namespace
