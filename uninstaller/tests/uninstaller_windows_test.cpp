// UnInstall.exe under Windows (Wine in the test run), started from the
// current folder's copy: an installation is laid out as the installer leaves
// it (files, Install.in, install.dl, the uninstall key, the program group's and
// the Desktop's shortcuts, in the all-users folders or, as earlier
// installations left them, in the user's), the uninstaller runs silently from
// the installation folder, and drive C:, the uninstall keys, both Programs
// menus and both Desktops are compared before the installation and after the
// uninstallation. Drive T: is expected to be mapped to a throwaway folder
// (run_with_mapped_drive.sh) for the tampered list.
#include <windows.h>
#include <tlhelp32.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/registry.h"
#include "platform/shell_links.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/windows_programs.h"
#include "platform/windows/wide.h"

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;
using platform::windows::Narrow;
using platform::windows::Wide;

constexpr char kUninstallRoot[] = "SOFTWARE\\microsoft\\windows\\currentversion\\uninstall";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// A product name of the test's own, so that no other test's installation is
// touched (the uninstaller takes the group and the key from Install.in).
constexpr char kCatering[] = "DzUninstallTest-美食版";
constexpr char kFolder[] = "C:\\Program Files\\DzUninstallTest美食版V3\\";
constexpr DWORD kRunTimeoutMs = 60000;
constexpr int kCleanerPolls = 200;  // of 100 ms

void WriteFile(const std::string& path, const std::string& bytes) {
  platform::ForceDirectories(path.substr(0, path.rfind('\\')));
  dz::testing::WriteWholeFile(path, bytes);
}

std::string ShellFolder(const char* name) {
  auto key = RegistryKey::Open(RegistryRoot::CurrentUser, kShellFolders);
  return key ? key->ReadString(name).value_or("") : "";
}

// A folder every user shares (CSIDL_COMMON_...).
std::string CommonFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? Narrow(path, wcslen(path))
                                                                                         : "";
}

std::string TempFolderPath() {
  wchar_t temp[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  return Narrow(temp, length);
}

// Every file and folder (folders end with a backslash) under folder, the
// temporary folder left out; links and junctions are listed, not entered.
void Walk(const std::wstring& folder, const std::wstring& temp, std::set<std::string>& out) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = folder + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      path += L"\\";
      if (lstrcmpiW(path.c_str(), temp.c_str()) == 0) continue;
      out.insert(Narrow(path));
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) Walk(path, temp, out);
    } else {
      out.insert(Narrow(path));
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

struct Snapshot {
  std::set<std::string> drive;     // drive C:, the temporary folder aside
  std::set<std::string> programs;  // the all-users Programs menu
  std::set<std::string> desktop;   // the all-users Desktop
  std::set<std::string> user_programs, user_desktop;
  std::set<std::string> keys;  // names of the uninstall entries
};

Snapshot Take() {
  Snapshot s;
  std::wstring temp = Wide(TempFolderPath());
  Walk(L"C:\\", temp, s.drive);
  Walk(Wide(CommonFolder(CSIDL_COMMON_PROGRAMS) + "\\"), temp, s.programs);
  Walk(Wide(CommonFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\"), temp, s.desktop);
  Walk(Wide(ShellFolder("Programs") + "\\"), temp, s.user_programs);
  Walk(Wide(ShellFolder("Desktop") + "\\"), temp, s.user_desktop);
  if (auto root = RegistryKey::Open(RegistryRoot::LocalMachine, kUninstallRoot))
    for (const auto& name : root->SubKeyNames()) s.keys.insert(name);
  return s;
}

// Where two snapshots differ, one line per path, for the failure message.
std::string Difference(const std::set<std::string>& before, const std::set<std::string>& after) {
  std::string text;
  for (const auto& p : after)
    if (!before.count(p)) text += "  added: " + p + "\n";
  for (const auto& p : before)
    if (!after.count(p)) text += "  gone: " + p + "\n";
  return text;
}

class UninstallerWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t full[MAX_PATH];
    GetFullPathNameW(L"UnInstall.exe", MAX_PATH, full, nullptr);
    uninstaller_ = full;
    ASSERT_NE(GetFileAttributesW(full), INVALID_FILE_ATTRIBUTES) << "run from the folder of UnInstall.exe";
    programs_ = CommonFolder(CSIDL_COMMON_PROGRAMS);
    desktop_ = CommonFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    user_programs_ = ShellFolder("Programs");
    user_desktop_ = ShellFolder("Desktop");
    for (const std::string* folder : {&programs_, &desktop_, &user_programs_, &user_desktop_})
      ASSERT_FALSE(folder->empty());
  }
  void TearDown() override {
    for (const auto& file : made_) platform::RemoveFile(file);
    dz::testing::RemoveTree(kFolder);
    dz::testing::RemoveTree(programs_ + "\\" + kCatering);
    dz::testing::RemoveTree(user_programs_ + "\\" + kCatering);
    platform::DeleteRegistryKey(RegistryRoot::LocalMachine, std::string(kUninstallRoot) + "\\" + kCatering);
    CoUninitialize();
  }

  void Add(const std::string& path, char flag) {
    list_ += "File" + std::to_string(counter_++) + "=" + path + flag + "\r\n";
  }
  // A file the installation writes: "Y" when it was there before in a
  // payload's folder (the installer's rule), else "N".
  void Extract(const std::string& path, bool payload_folder = true) {
    bool existed = platform::FileExists(path);
    bool database = path.ends_with("LumoPosBaseData.db");
    if (!(existed && database)) WriteFile(path, "installed " + path);
    Add(path, existed && payload_folder ? 'Y' : 'N');
  }
  void Shortcut(const std::string& folder, const std::string& name, const std::string& target) {
    platform::ForceDirectories(folder);
    platform::ShellLink link;
    link.SetPath(target);
    link.SetDescription(name);
    std::string file = folder + "\\" + name + ".lnk";
    ASSERT_TRUE(link.Save(file)) << file;
    Add(file, 'N');
    made_.push_back(file);
  }

  // The installation of the back office (and, with pos, the cashier); with
  // users_own, its shortcuts lie in the user's own folders, as an
  // installation of before left them.
  void Install(bool pos, bool users_own = false) {
    list_.clear();
    counter_ = 0;
    std::string f = kFolder;
    Extract(f + "LumoSc\\OvErp.exe");
    Extract(f + "LumoSc\\plugins\\报表.dll");
    platform::WriteAttributes(f + "LumoSc\\plugins\\报表.dll", platform::kAttrReadOnly);
    if (pos) {
      Extract(f + "LumoPos\\LumoPos.exe");
      Extract(f + "LumoPos\\LumoPosBaseData.db");
    }
    ASSERT_TRUE(CopyFileW(uninstaller_.c_str(), Wide(f + "UnInstall.exe").c_str(), FALSE));
    Add(f + "UnInstall.exe", 'N');
    WriteFile(f + "Install.in", std::string("[BaseInfo]\r\nfAppName=") + kCatering + "\r\nfAppType=CySaaS\r\n");
    Add(f + "install.in", 'N');
    Add(f + "install.dl", 'N');
    auto key = RegistryKey::Create(RegistryRoot::LocalMachine, std::string(kUninstallRoot) + "\\" + kCatering);
    ASSERT_TRUE(key);
    key->WriteString("Displayname", std::string("卸载") + kCatering);
    key->WriteString("UnInstallString", "\"" + f + "UnInstall.exe\"");
    const std::string& desktop = users_own ? user_desktop_ : desktop_;
    std::string group = (users_own ? user_programs_ : programs_) + "\\" + kCatering;
    Shortcut(group, "云后台管理系统", f + "LumoSc\\OvErp.exe");
    if (pos) Shortcut(group, "云前台收银系统", f + "LumoPos\\LumoPos.exe");
    Shortcut(group, std::string("卸载") + kCatering, f + "UnInstall.exe");
    Add(group + "\\", 'N');
    Shortcut(desktop, "云后台管理系统", f + "LumoSc\\OvErp.exe");
    if (pos) Shortcut(desktop, "云前台收银系统", f + "LumoPos\\LumoPos.exe");
    Add("", 'N');
  }
  // Saves install.dl and checks that the snapshot sees the installation, so
  // that an equal snapshot afterwards means it is gone.
  void SaveList(const Snapshot& before) {
    WriteFile(std::string(kFolder) + "install.dl", list_);
    Snapshot installed = Take();
    EXPECT_TRUE(installed.drive.count(std::string(kFolder) + "install.dl"));
    EXPECT_TRUE(installed.programs != before.programs || installed.user_programs != before.user_programs);
    EXPECT_TRUE(installed.desktop != before.desktop || installed.user_desktop != before.user_desktop);
    EXPECT_EQ(installed.keys.size(), before.keys.size() + 1);
  }

  // Runs the installed uninstaller with /S; its exit code. Then waits until
  // its temporary copy has removed the program file.
  DWORD RunSilent() {
    dz::testing::StartedProgram uninstaller(Wide(std::string(kFolder) + "UnInstall.exe"), L"/S");
    if (!uninstaller.Started()) {
      ADD_FAILURE() << "cannot start the uninstaller (CreateProcess error " << uninstaller.StartError() << ")";
      return 0xFFFFFFFF;
    }
    const DWORD code = uninstaller.Wait(kRunTimeoutMs);
    EXPECT_NE(code, dz::testing::StartedProgram::kTimedOut);
    return code;
  }
  // Runs the installed uninstaller without /S, answering its boxes in turn
  // with the given buttons; adds "[title] text" of each box to boxes.
  DWORD RunInteractive(const std::vector<int>& buttons, std::vector<std::string>& boxes) {
    dz::testing::StartedProgram uninstaller(Wide(std::string(kFolder) + "UnInstall.exe"), L"");
    if (!uninstaller.Started()) {
      ADD_FAILURE() << "cannot start the uninstaller (CreateProcess error " << uninstaller.StartError() << ")";
      return 0xFFFFFFFF;
    }
    HWND answered = nullptr;
    for (int i = 0; i < 600 && WaitForSingleObject(uninstaller.Handle(), 100) != WAIT_OBJECT_0; ++i) {
      HWND box = dz::testing::FindProcessWindow(uninstaller.Id(), L"#32770");
      if (!box || box == answered) continue;
      wchar_t title[64] = {}, text[2048] = {};
      GetWindowTextW(box, title, 64);
      GetDlgItemTextW(box, 0xFFFF, text, 2048);
      boxes.push_back("[" + Narrow(title, wcslen(title)) + "] " + Narrow(text, wcslen(text)));
      int button = boxes.size() <= buttons.size() ? buttons[boxes.size() - 1] : IDCANCEL;
      PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
      answered = box;
    }
    return uninstaller.Wait(0);
  }
  bool WaitUntilGone(const std::string& path) {
    for (int i = 0; i < kCleanerPolls; ++i) {
      if (GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES) return true;
      Sleep(100);
    }
    return false;
  }

  void ExpectSame(const Snapshot& before, const Snapshot& after, const std::set<std::string>& kept) {
    std::set<std::string> expected = before.drive;
    expected.insert(kept.begin(), kept.end());
    EXPECT_TRUE(after.drive == expected) << Difference(expected, after.drive);
    EXPECT_TRUE(after.programs == before.programs) << Difference(before.programs, after.programs);
    EXPECT_TRUE(after.desktop == before.desktop) << Difference(before.desktop, after.desktop);
    EXPECT_TRUE(after.user_programs == before.user_programs) << Difference(before.user_programs, after.user_programs);
    EXPECT_TRUE(after.user_desktop == before.user_desktop) << Difference(before.user_desktop, after.user_desktop);
    EXPECT_TRUE(after.keys == before.keys);
  }

  std::wstring uninstaller_;
  std::string programs_, desktop_;            // all users'
  std::string user_programs_, user_desktop_;  // the user's own
  std::string list_;
  int counter_ = 0;
  std::vector<std::string> made_;  // shortcut files, removed after each test
};

TEST_F(UninstallerWindowsTest, FirstInstallationWithoutDatabaseLeavesNothing) {
  Snapshot before = Take();
  Install(false);
  SaveList(before);
  EXPECT_EQ(RunSilent(), 0u);
  EXPECT_TRUE(WaitUntilGone(kFolder)) << "the temporary copy removes the program and its folder";
  ExpectSame(before, Take(), {});
}

// An installation of before, its shortcuts in the user's own folders: they
// go as well, and no line is refused (exit code 0, not 4).
TEST_F(UninstallerWindowsTest, ShortcutsInTheUsersOwnFoldersGoToo) {
  Snapshot before = Take();
  Install(false, true);
  SaveList(before);
  EXPECT_NE(Take().user_desktop, before.user_desktop);
  EXPECT_EQ(RunSilent(), 0u);
  EXPECT_TRUE(WaitUntilGone(kFolder));
  ExpectSame(before, Take(), {});
}

TEST_F(UninstallerWindowsTest, FirstInstallationKeepsTheShopDatabase) {
  Snapshot before = Take();
  Install(true);
  SaveList(before);
  EXPECT_EQ(RunSilent(), 0u);
  EXPECT_TRUE(WaitUntilGone(std::string(kFolder) + "UnInstall.exe"));
  std::string f = kFolder;
  ExpectSame(before, Take(), {f, f + "LumoPos\\", f + "LumoPos\\LumoPosBaseData.db"});
}

TEST_F(UninstallerWindowsTest, ReinstallationKeepsWhatWasThereBefore) {
  std::string f = kFolder;
  WriteFile(f + "LumoSc\\OvErp.exe", "the user's own copy");
  WriteFile(f + "LumoPos\\LumoPosBaseData.db", "a day of sales");
  Snapshot before = Take();
  Install(true);
  SaveList(before);
  EXPECT_EQ(RunSilent(), 0u);
  EXPECT_TRUE(WaitUntilGone(f + "UnInstall.exe"));
  ExpectSame(before, Take(), {});
  std::string bytes;
  EXPECT_TRUE(dz::testing::ReadWholeFile(f + "LumoPos\\LumoPosBaseData.db", bytes));
  EXPECT_EQ(bytes, "a day of sales");
}

TEST_F(UninstallerWindowsTest, InteractiveAsksKeepsTheDatabaseAndReports) {
  Snapshot before = Take();
  Install(true);
  SaveList(before);
  std::vector<std::string> boxes;
  EXPECT_EQ(RunInteractive({IDOK, IDNO, IDOK}, boxes), 0u);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].rfind(std::string("[确认] 确实要从您的计算机中完全删除 ") + kCatering, 0), 0u) << boxes[0];
  EXPECT_EQ(boxes[1].rfind("[确认] 以下数据库文件保存着门店的营业数据", 0), 0u) << boxes[1];
  EXPECT_NE(boxes[1].find("LumoPosBaseData.db"), std::string::npos);
  EXPECT_EQ(boxes[2].rfind(std::string("[提示 ] ") + kCatering + " 已从您的计算机中卸载。", 0), 0u) << boxes[2];
  std::string f = kFolder;
  EXPECT_TRUE(WaitUntilGone(f + "UnInstall.exe"));
  ExpectSame(before, Take(), {f, f + "LumoPos\\", f + "LumoPos\\LumoPosBaseData.db"});
}

// True when a process whose program name starts with prefix runs.
bool ProcessRunning(const std::wstring& prefix) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
    found = _wcsnicmp(entry.szExeFile, prefix.c_str(), prefix.size()) == 0;
  CloseHandle(snapshot);
  return found;
}

TEST_F(UninstallerWindowsTest, InteractiveCancelChangesNothing) {
  Snapshot before = Take();
  Install(true);
  SaveList(before);
  Snapshot installed = Take();
  std::vector<std::string> boxes;
  EXPECT_EQ(RunInteractive({IDCANCEL}, boxes), 1u);
  EXPECT_EQ(boxes.size(), 1u);
  // A temporary copy is started before the uninstaller ends, so none runs
  // now unless one was made.
  EXPECT_FALSE(ProcessRunning(L"DzUnInstall-")) << "no temporary copy at work";
  Snapshot after = Take();
  EXPECT_TRUE(after.drive == installed.drive) << Difference(installed.drive, after.drive);
  EXPECT_EQ(after.keys, installed.keys);
}

// --- With the real installer (DIzavozi.exe /S from the current folder) ---

constexpr char kProductCatering[] = "Orvane云专家-美食版";
constexpr char kProductCommercial[] = "Orvane云专家-商业版";
constexpr char kRealFolder[] = "C:\\Program Files\\DzUninstallE2E";

DWORD RunAndWait(const std::wstring& program, const std::wstring& arguments) {
  return dz::testing::StartedProgram(program, arguments).Wait(5 * kRunTimeoutMs);
}

class RealInstallerTest : public UninstallerWindowsTest {
 protected:
  void SetUp() override {
    UninstallerWindowsTest::SetUp();
    wchar_t full[MAX_PATH];
    GetFullPathNameW(L"DIzavozi.exe", MAX_PATH, full, nullptr);
    installer_ = full;
    ASSERT_NE(GetFileAttributesW(full), INVALID_FILE_ATTRIBUTES);
    Clean();  // a machine without the product, whatever earlier tests left
  }
  void TearDown() override {
    Clean();
    UninstallerWindowsTest::TearDown();
  }
  void Clean() {
    dz::testing::RemoveTree(std::string(kRealFolder) + "\\");
    for (const char* group : {kProductCatering, kProductCommercial}) {
      dz::testing::RemoveTree(programs_ + "\\" + group + "\\");
      dz::testing::RemoveTree(user_programs_ + "\\" + group + "\\");
      platform::DeleteRegistryKey(RegistryRoot::LocalMachine, std::string(kUninstallRoot) + "\\" + group);
    }
    for (const char* name : {"云后台管理系统", "云前台收银系统", "云服务管理系统", "云触屏划菜系统"})
      for (const std::string* desktop : {&desktop_, &user_desktop_}) platform::RemoveFile(*desktop + "\\" + name + ".lnk");
  }
  DWORD Install(const char* edition, const char* systems) {
    return RunAndWait(installer_, Wide(std::string("/S /EDITION=") + edition + " \"/DIR=" + kRealFolder +
                                       "\" /SYSTEMS=" + systems));
  }
  DWORD Uninstall() { return RunAndWait(Wide(std::string(kRealFolder) + "\\UnInstall.exe"), L"/S"); }

  // What the uninstaller keeps of an installation: the files install.dl
  // flags "Y" and the shop databases, with their folders.
  std::set<std::string> KeptOf(const Snapshot& installed) {
    std::set<std::string> kept;
    std::string list;
    dz::testing::ReadWholeFile(std::string(kRealFolder) + "\\install.dl", list);
    // The path and every folder above it inside the installation folder
    // (backslashes found by whole GBK characters).
    auto keep = [&](const std::string& path) {
      kept.insert(path);
      gbk::ForEachChar(path, [&](size_t at, size_t length) {
        if (length == 1 && path[at] == '\\' && at >= std::strlen(kRealFolder) && at + 1 < path.size())
          kept.insert(path.substr(0, at + 1));
      });
    };
    for (size_t start = 0; start < list.size();) {
      size_t end = list.find("\r\n", start);
      if (end == std::string::npos) end = list.size();
      std::string line = list.substr(start, end - start);
      start = end + 2;
      size_t equals = line.find('=');
      if (equals != std::string::npos && line.size() > equals + 2 && line.back() == 'Y')
        keep(line.substr(equals + 1, line.size() - equals - 2));
    }
    for (const auto& path : installed.drive)
      if (path.ends_with("\\LumoPosBaseData.db") || path.ends_with("\\WmCacheData.db")) keep(path);
    return kept;
  }

  std::wstring installer_;
};

TEST_F(RealInstallerTest, CateringEditionAllSystems) {
  Snapshot before = Take();
  ASSERT_EQ(Install("CySaaS", "Sc,Pos,WmSvr,Kds"), 0u);
  Snapshot installed = Take();
  ASSERT_EQ(installed.keys.size(), before.keys.size() + 1);
  ASSERT_NE(installed.desktop, before.desktop);
  std::set<std::string> kept = KeptOf(installed);
  EXPECT_EQ(Uninstall(), 0u);
  EXPECT_TRUE(WaitUntilGone(std::string(kRealFolder) + "\\UnInstall.exe"));
  ExpectSame(before, Take(), kept);
}

// The commercial edition's Install.in names the commercial edition while the
// installer names the key after the catering name.
TEST_F(RealInstallerTest, CommercialEdition) {
  Snapshot before = Take();
  ASSERT_EQ(Install("SySaaS", "Sc,Pos"), 0u);
  Snapshot installed = Take();
  ASSERT_TRUE(installed.keys.count(kProductCatering));
  std::set<std::string> kept = KeptOf(installed);
  EXPECT_EQ(Uninstall(), 0u);
  EXPECT_TRUE(WaitUntilGone(std::string(kRealFolder) + "\\UnInstall.exe"));
  ExpectSame(before, Take(), kept);
}

// A second installation over the first flags the first one's files "Y"
// (there before it); they are what stays.
TEST_F(RealInstallerTest, Reinstallation) {
  Snapshot before = Take();
  ASSERT_EQ(Install("CySaaS", "Sc,Pos"), 0u);
  ASSERT_EQ(Install("CySaaS", "Sc,Pos"), 0u);
  Snapshot installed = Take();
  std::set<std::string> kept = KeptOf(installed);
  // The first installation's files are the product's own: only the shop's
  // database (and the folders above it) stays.
  for (const std::string& path : kept)
    if (path.back() != '\\') {
      EXPECT_EQ(path, std::string(kRealFolder) + "\\LumoPos\\LumoPosBaseData.db");
    }
  EXPECT_EQ(Uninstall(), 0u);
  EXPECT_TRUE(WaitUntilGone(std::string(kRealFolder) + "\\UnInstall.exe"));
  ExpectSame(before, Take(), kept);
}

TEST_F(UninstallerWindowsTest, TamperedListDeletesNothingOutside) {
  ASSERT_TRUE(platform::DirectoryExists("T:\\")) << "drive T: must be mapped to a throwaway folder";
  const std::string outside = "C:\\dz-outside\\victim.txt";  // elsewhere on C:, not in the temporary folder
  WriteFile(outside, "keep");
  WriteFile("C:\\victim-dz.txt", "keep");
  WriteFile("T:\\victim.txt", "keep");
  Snapshot before = Take();
  Install(false);
  Add(outside, 'N');
  Add("C:\\victim-dz.txt", 'N');
  Add("C:\\windows\\win.ini", 'N');
  Add(std::string(kFolder) + "..\\..\\victim-dz.txt", 'N');
  Add("T:\\victim.txt", 'N');
  Add("t:\\", 'N');
  Add(desktop_ + "\\..\\..\\..\\victim-dz.txt", 'N');
  SaveList(before);
  EXPECT_EQ(RunSilent(), 4u) << "lines refused";
  EXPECT_TRUE(WaitUntilGone(kFolder));
  ExpectSame(before, Take(), {});
  for (const auto& victim : {outside, std::string("C:\\victim-dz.txt"), std::string("T:\\victim.txt")})
    EXPECT_TRUE(platform::FileExists(victim)) << victim;
  EXPECT_TRUE(platform::FileExists("C:\\windows\\win.ini"));
  dz::testing::RemoveTree("C:\\dz-outside\\");
  platform::RemoveFile("C:\\victim-dz.txt");
  platform::RemoveFile("T:\\victim.txt");
}

}  // namespace
