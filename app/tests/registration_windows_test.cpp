// Registration on the real registry and shell, under code page 936: the
// uninstall entry read back with the registry API, the shortcuts read back
// through the shell's link object (targets, working folders, descriptions,
// Chinese names) and started by the shell, which runs the program at their
// target. The all-users Desktop and Programs folders, where the shortcuts go,
// and the user's own are pointed at folders of the test for its duration
// (the Shell Folders values are restored after), so nothing is written
// outside the test's own folders and keys.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/step.h"
#include "app/testing/recording_controls.h"
#include "platform/files.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/windows_inspection.h"
#include "platform/windows/wide.h"

namespace {

using app::Control;
using platform::windows::Narrow;
using platform::windows::Wide;
using dz::testing::RegistryString;

const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The shell (Wine's at least) rewrites the Shell Folders values from these
// whenever it looks a folder up, so both are pointed at the test's folders.
const wchar_t kUserShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t kUninstallKey[] = L"SOFTWARE\\microsoft\\windows\\currentversion\\uninstall\\";

// Gives a value of a key another text for the life of the object, then puts
// back what was there (or removes it).
class ValueOverride {
 public:
  ValueOverride(HKEY root, const wchar_t* key_path, const wchar_t* name, DWORD type, const std::wstring& text)
      : root_(root), key_path_(key_path), name_(name) {
    HKEY key;
    if (RegOpenKeyExW(root_, key_path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      DWORD size = 0;
      if (RegQueryValueExW(key, name, nullptr, &saved_type_, nullptr, &size) == ERROR_SUCCESS) {
        saved_.resize(size);
        had_value_ = RegQueryValueExW(key, name, nullptr, &saved_type_, saved_.data(), &size) == ERROR_SUCCESS;
        saved_.resize(size);
      }
      RegCloseKey(key);
    }
    Set(type, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  ValueOverride(const ValueOverride&) = delete;
  ValueOverride& operator=(const ValueOverride&) = delete;
  ~ValueOverride() {
    if (had_value_) {
      Set(saved_type_, saved_.data(), static_cast<DWORD>(saved_.size()));
    } else {
      HKEY key;
      if (RegOpenKeyExW(root_, key_path_.c_str(), 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, name_.c_str());
        RegCloseKey(key);
      }
    }
  }
  // The text the value had before, when it was a text.
  std::optional<std::wstring> Saved() const {
    if (!had_value_ || (saved_type_ != REG_SZ && saved_type_ != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(saved_.data()), saved_.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }

 private:
  void Set(DWORD type, const BYTE* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExW(root_, key_path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    RegSetValueExW(key, name_.c_str(), 0, type, data, size);
    RegCloseKey(key);
  }
  HKEY root_;
  std::wstring key_path_, name_;
  bool had_value_ = false;
  DWORD saved_type_ = 0;
  std::vector<BYTE> saved_;
};

std::wstring TrimBackslash(std::wstring path) {
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

class RegistrationOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u);
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    desktop = tmp / "公用\\桌面";
    programs = tmp / "公用\\开始菜单\\程序";
    user_desktop = tmp / "用户\\桌面";
    user_programs = tmp / "用户\\开始菜单\\程序";
    for (const std::string& folder : {desktop, programs, user_desktop, user_programs})
      ASSERT_TRUE(platform::ForceDirectories(folder));
    for (const auto& [root, name, folder] :
         {std::tuple{HKEY_CURRENT_USER, L"Desktop", user_desktop}, std::tuple{HKEY_CURRENT_USER, L"Programs", user_programs},
          std::tuple{HKEY_LOCAL_MACHINE, L"Common Desktop", desktop},
          std::tuple{HKEY_LOCAL_MACHINE, L"Common Programs", programs}}) {
      overrides_.push_back(std::make_unique<ValueOverride>(root, kShellFolders, name, REG_SZ, Wide(folder)));
      overrides_.push_back(std::make_unique<ValueOverride>(root, kUserShellFolders, name, REG_EXPAND_SZ, Wide(folder)));
    }

    // A product of this run only, so the machine's uninstall key gets an
    // entry that no other run shares.
    product = "DIzavozi测试-美食版-" + std::to_string(GetCurrentProcessId());
    install = tmp / "安装 目录";  // a blank, as under "Program Files"
    step.SetControls(&controls);
    step.fAppName = product;
    step.fAppType = "CySaaS";
    step.EditionKey = "CySaaS";
    controls.State(Control::EInstallFolder).text = install;
  }
  void TearDown() override {
    overrides_.clear();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUninstallKey + Wide(product)).c_str());
    if (com_) CoUninitialize();
  }

  // Puts the marker program at path (a program path of the product).
  void InstallMarkerProgram(const std::string& path) {
    wchar_t self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring marker_program(self, length);
    marker_program.replace(marker_program.rfind(L'\\') + 1, std::wstring::npos, L"link_marker_program.exe");
    ASSERT_TRUE(platform::ForceDirectories(path.substr(0, path.rfind('\\'))));
    ASSERT_TRUE(CopyFileW(marker_program.c_str(), Wide(path).c_str(), FALSE)) << path;
  }

  dz::testing::TempFolder tmp;
  std::string desktop, programs;            // the all-users folders
  std::string user_desktop, user_programs;  // the user's own
  std::string product, install;
  app::testing::RecordingControls controls;
  app::TfStep step;
  // The user's Shell Folders Desktop and Programs, then User Shell Folders'
  // alike; then the machine's Common Desktop and Common Programs.
  std::vector<std::unique_ptr<ValueOverride>> overrides_;

 private:
  bool com_ = false;
};

// The prefix this runs in has the Shell Folders the installer reads, naming
// existing folders.
TEST_F(RegistrationOnWindows, TheUserHasShellFolders) {
  // SetUp replaced the values; these are the prefix's own, put back after.
  for (size_t shell_folder : {0, 2}) {
    auto value = overrides_[shell_folder]->Saved();
    ASSERT_TRUE(value);
    EXPECT_TRUE(platform::DirectoryExists(Narrow(*value))) << Narrow(*value);
  }
  // The shell finds the all-users folders where the test put them: the
  // shortcuts below go there, not to the prefix's own.
  for (const auto& [csidl, folder] :
       {std::pair{CSIDL_COMMON_DESKTOPDIRECTORY, desktop}, std::pair{CSIDL_COMMON_PROGRAMS, programs}}) {
    wchar_t found[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, found), S_OK);
    EXPECT_EQ(Narrow(found), folder);
  }
}

TEST_F(RegistrationOnWindows, UninstallEntryReadBackWithTheRegistryApi) {
  step.RegisterUninstall(step.CaptureRequest());
  const std::wstring key = kUninstallKey + Wide(product);
  const std::wstring wide_product = L"DIzavozi测试-美食版-" + std::to_wstring(GetCurrentProcessId());
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, key, L"Displayname"), L"卸载" + wide_product);
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, key, L"UnInstallString"),
            L"\"" + Wide(install) + L"\\UnInstall.exe\"");
  EXPECT_NE(Wide(install).find(L"安装 目录"), std::wstring::npos);
  // The details the system's list of programs shows.
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, key, L"InstallLocation"), Wide(install));
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, key, L"QuietUninstallString"),
            L"\"" + Wide(install) + L"\\UnInstall.exe\" /S");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, key, L"DisplayIcon"), Wide(install) + L"\\UnInstall.exe");
  const std::optional<std::wstring> date = RegistryString(HKEY_LOCAL_MACHINE, key, L"InstallDate");
  ASSERT_TRUE(date);
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t today[16];
  swprintf(today, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
  EXPECT_EQ(*date, today);
  HKEY entry;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &entry), ERROR_SUCCESS);
  for (const wchar_t* name : {L"NoModify", L"NoRepair", L"EstimatedSize"}) {
    DWORD type = 0, value = 0, size = sizeof value;
    EXPECT_EQ(RegQueryValueExW(entry, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << Narrow(name);
    if (std::wstring(name) != L"EstimatedSize") {
      EXPECT_EQ(value, 1u) << Narrow(name);
    }
  }
  RegCloseKey(entry);
}

// The whole step for the catering edition with all four systems: every
// shortcut read back through the shell, listed in the uninstall list, and
// two of them started by the shell.
TEST_F(RegistrationOnWindows, ShortcutsReadBackAndStartTheirPrograms) {
  step.Programs.LumoSc = install + "\\LumoSc\\OvErp.exe";
  step.Programs.LumoPos = install + "\\LumoPos\\LumoPos.exe";
  step.Programs.WmSvr = install + "\\WmSvr\\PWMSvr.exe";
  step.Programs.SaasKds = install + "\\SaasKds\\PSaasKds.exe";
  InstallMarkerProgram(step.Programs.LumoSc);
  InstallMarkerProgram(install + "\\UnInstall.exe");
  for (Control box : {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds})
    controls.State(box).checked = true;

  step.RegisterSystem(step.CaptureRequest());

  const std::wstring wide_install = Wide(install);
  const std::wstring group = Wide(programs) + L"\\" + Wide(product) + L"\\";
  const std::wstring wide_desktop = Wide(desktop) + L"\\";
  struct Expected {
    std::wstring file, target, description;
  };
  const std::vector<Expected> expected = {
      {group + L"云后台管理系统.lnk", wide_install + L"\\LumoSc\\OvErp.exe", L"云后台管理系统"},
      {group + L"云前台收银系统.lnk", wide_install + L"\\LumoPos\\LumoPos.exe", L"云前台收银系统"},
      {group + L"云服务管理系统.lnk", wide_install + L"\\WmSvr\\PWMSvr.exe", L"云服务管理系统"},
      {group + L"云触屏划菜系统.lnk", wide_install + L"\\SaasKds\\PSaasKds.exe", L"云触屏划菜系统"},
      {group + L"卸载" + Wide(product) + L".lnk", wide_install + L"\\UnInstall.exe", L"卸载" + Wide(product)},
      {wide_desktop + L"云后台管理系统.lnk", wide_install + L"\\LumoSc\\OvErp.exe", L"云后台管理系统"},
      {wide_desktop + L"云前台收银系统.lnk", wide_install + L"\\LumoPos\\LumoPos.exe", L"云前台收银系统"},
      {wide_desktop + L"云服务管理系统.lnk", wide_install + L"\\WmSvr\\PWMSvr.exe", L"云服务管理系统"},
      {wide_desktop + L"云触屏划菜系统.lnk", wide_install + L"\\SaasKds\\PSaasKds.exe", L"云触屏划菜系统"},
  };
  std::vector<std::string> lines;
  for (const auto& e : expected) {
    SCOPED_TRACE(Narrow(e.file));
    const dz::testing::LinkRead link = dz::testing::ReadLink(e.file);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, e.target);
    EXPECT_EQ(link.working_folder, e.target.substr(0, e.target.rfind(L'\\') + 1));
    EXPECT_EQ(link.description, e.description);
    lines.push_back("File" + std::to_string(lines.size()) + "=" + Narrow(e.file) + "N");
    if (lines.size() == 5) lines.push_back("File5=" + Narrow(group) + "N");
  }
  lines.push_back("File10=N");
  EXPECT_EQ(step.UninstallList, lines);
  EXPECT_TRUE(platform::ListDirectory(user_desktop).empty());
  EXPECT_TRUE(platform::ListDirectory(user_programs).empty());

  // Started by the shell, each shortcut runs the program at its target in
  // its working folder.
  for (const auto& [link, program] :
       {std::pair{wide_desktop + L"云后台管理系统.lnk", wide_install + L"\\LumoSc\\OvErp.exe"},
        std::pair{group + L"卸载" + Wide(product) + L".lnk", wide_install + L"\\UnInstall.exe"}}) {
    SCOPED_TRACE(Narrow(link));
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = link.c_str();
    info.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExW(&info)) << GetLastError();
    if (info.hProcess) {
      WaitForSingleObject(info.hProcess, 20000);
      CloseHandle(info.hProcess);
    }
    const std::string marker = Narrow(program.substr(0, program.size() - 4)) + ".marker";
    std::string bytes;
    for (int i = 0; i < 200 && !dz::testing::ReadWholeFile(marker, bytes); ++i)
      Sleep(100);
    ASSERT_FALSE(bytes.empty()) << "the program did not run";
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    size_t newline = text.find(L'\n');
    ASSERT_NE(newline, std::wstring::npos);
    EXPECT_EQ(CompareStringOrdinal(text.substr(0, newline).c_str(), -1, program.c_str(), -1, TRUE), CSTR_EQUAL)
        << Narrow(text.substr(0, newline));
    std::wstring folder = TrimBackslash(program.substr(0, program.rfind(L'\\') + 1));
    EXPECT_EQ(CompareStringOrdinal(TrimBackslash(text.substr(newline + 1)).c_str(), -1, folder.c_str(), -1, TRUE),
              CSTR_EQUAL)
        << Narrow(text.substr(newline + 1));
  }
}

}  // namespace
