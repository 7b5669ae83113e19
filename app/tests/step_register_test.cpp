// Registration: the uninstall entry, the program group and desktop shortcuts
// for both editions and every choice of systems, the uninstall-list lines
// they add, the progress window's texts and waits, and the failures that
// leave a shortcut or the entry out. Natively, against the registry kept in
// memory and link files in the sandbox.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/step.h"
#include "app/step_register.h"
#include "app/testing/recording_controls.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell_links.h"
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
    desktop = tmp / "Desktop";
    programs = tmp / "Start Menu\\Programs";
    ASSERT_TRUE(platform::ForceDirectories(desktop));
    ASSERT_TRUE(platform::ForceDirectories(programs));
    SetShellFolder("Desktop", desktop);
    SetShellFolder("Programs", programs);
    SetShellFolder("Start Menu", tmp / "Start Menu");

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
  std::string desktop, programs;
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

TEST_F(Registration, RegistryFailuresAreSilent) {
  // No rights to the machine's keys: no entry, no failure, shortcuts made.
  platform::testing::SetRegistryReadOnly(RegistryRoot::LocalMachine, true);
  Tick({Control::CkIns_Sc});
  EXPECT_NO_THROW(step.RegisterSystem(step.CaptureRequest()));
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName));
  EXPECT_TRUE(platform::FileExists(desktop + "\\云后台管理系统.lnk"));

  // No product name: the uninstall key itself would get the values.
  platform::testing::SetRegistryReadOnly(RegistryRoot::LocalMachine, false);
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::LocalMachine, kUninstallKey));
  step.fAppName = "";
  step.RegisterUninstall(step.CaptureRequest());
  auto uninstall = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey);
  ASSERT_TRUE(uninstall);
  EXPECT_EQ(uninstall->ReadString("Displayname"), std::nullopt);
  EXPECT_EQ(uninstall->ReadString("UnInstallString"), std::nullopt);
}

// Shell folders that are missing, and a group folder that cannot be made:
// the shortcuts concerned are missing and not recorded, the rest are made,
// and the two lines after the group and after the desktop keep their place.
TEST_F(Registration, MissingFoldersLeaveShortcutsOut) {
  Tick({Control::CkIns_Sc});
  const std::string group = programs + "\\" + kCateringName;
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::vector<std::string> lines;
  } cases[] = {
      {"no Desktop value",
       [&] {
         auto key = RegistryKey::Open(RegistryRoot::CurrentUser, kShellFolders, RegistryKey::Access::ReadWrite);
         ASSERT_TRUE(key && key->DeleteValue("Desktop"));
       },
       {"File2=" + group + "\\云后台管理系统.lnkN", "File3=" + group + "\\卸载" + kCateringName + ".lnkN",
        "File4=" + group + "\\N", "File5=N"}},
      {"empty Desktop value", [&] { SetShellFolder("Desktop", ""); },
       {"File2=" + group + "\\云后台管理系统.lnkN", "File3=" + group + "\\卸载" + kCateringName + ".lnkN",
        "File4=" + group + "\\N", "File5=N"}},
      {"no Shell Folders key", [&] { ASSERT_TRUE(platform::DeleteRegistryKey(RegistryRoot::CurrentUser, kShellFolders)); },
       {"File2=N", "File3=N"}},
      {"group folder blocked by a file",
       [&] { dz::testing::WriteWholeFile(group, "not a folder"); },
       {"File2=N", "File3=" + desktop + "\\云后台管理系统.lnkN", "File4=N"}},
      {"Programs folder missing, so is its group",
       [&] { SetShellFolder("Programs", tmp / "gone\\Programs"); },
       {"File2=N", "File3=" + desktop + "\\云后台管理系统.lnkN", "File4=N"}},
  };
  const std::vector<std::string> start_list = step.UninstallList;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::testing::ClearRegistry();
    SetShellFolder("Desktop", desktop);
    SetShellFolder("Programs", programs);
    dz::testing::RemoveTree(group);
    platform::RemoveFile(group);
    platform::RemoveFile(desktop + "\\云后台管理系统.lnk");
    step.UninstallList = start_list;
    step.UninstallCounter = 2;
    c.arrange();

    EXPECT_NO_THROW(step.RegisterSystem(step.CaptureRequest()));
    EXPECT_EQ(AddedLines(), c.lines);
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
  }
}

// CreateShortcut on its own: the name from the target when none is given,
// "我的电脑" for an empty target, the extension replaced, GBK names whose
// trail byte is a backslash, the Quick Launch location, unknown locations.
TEST_F(Registration, CreateShortcutNamesAndLocations) {
  const std::string quick = tmp / "AppData\\Microsoft\\Internet Explorer\\Quick Launch";
  ASSERT_TRUE(platform::ForceDirectories(quick));
  SetShellFolder("AppData", tmp / "AppData");
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
      {"C:\\P\\a.exe", "快速", "", 4, true, quick + "\\快速.lnk", "快速", "C:\\P\\"},
      {"C:\\P\\a.exe", "开始", "", 1, true, tmp / "Start Menu\\开始.lnk", "开始", "C:\\P\\"},
      {"C:\\P\\a.exe", "启动", "", 3, false, "", "", ""},  // no Startup value
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
      continue;
    }
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

// A link object that cannot be made ends the step with that failure, after
// the progress window has been closed; what was done before stays.
TEST_F(Registration, WindowClosedWhenTheStepFails) {
  platform::testing::SetShellLinkAvailable(false);
  Tick({Control::CkIns_Sc});
  controls.on_call = [&](const std::string& call) {
    if (call.rfind("ShowProgressInfo", 0) == 0) {
      EXPECT_TRUE(controls.progress_window_open);
    }
  };
  EXPECT_THROW(step.RegisterSystem(step.CaptureRequest()), platform::ShellLinkError);
  EXPECT_FALSE(controls.progress_window_open);
  EXPECT_EQ(controls.log.back(), "CloseProgressWindow");
  EXPECT_EQ(controls.progress_texts,
            (std::vector<std::string>{"正在注册系统信息...", "正在建立程序快捷方式..."}));
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallKey + kCateringName));
  EXPECT_EQ(step.UninstallList.size(), 2u);
}

}  // namespace
