// DIzavozi.exe /S under Windows (Wine in the test run), from the current
// folder, against an installation folder where a file the installation would
// replace is held open by another process (this one, with no sharing): the
// installer ends with exit code 5 and a log line naming the file, and writes
// nothing (no file in the folder, no scratch folder, no uninstall entry).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/testing/windows_programs.h"
#include "platform/windows/wide.h"

namespace {

using platform::windows::Wide;

// Runs DIzavozi.exe with the arguments and temporary folder; its exit code,
// or 0xFFFFFFFF when it did not start or end within a minute.
DWORD RunInstaller(const std::wstring& arguments, const std::wstring& temp) {
  wchar_t exe[MAX_PATH];
  GetFullPathNameW(L"DIzavozi.exe", MAX_PATH, exe, nullptr);
  return dz::testing::StartedProgram(exe, arguments, dz::testing::EnvironmentWithTemp(temp)).Wait(60000);
}

// Every file and folder below folder (relative names) with its size.
void Listing(const std::wstring& folder, const std::wstring& prefix, std::map<std::wstring, ULONGLONG>& out) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    out[prefix + name] = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Listing(folder + name + L"\\", prefix + name + L"\\", out);
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RemoveTree(const std::wstring& folder) {
  std::map<std::wstring, ULONGLONG> entries;
  Listing(folder, L"", entries);
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const std::wstring path = folder + it->first;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
  }
  RemoveDirectoryW(folder.c_str());
}

bool UninstallEntryExists() {
  HKEY key = nullptr;
  const std::wstring name = Wide("SOFTWARE\\microsoft\\windows\\currentversion\\uninstall\\Orvane云专家-美食版");
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TEST(PreflightInstaller, FileHeldOpenEndsTheSilentInstallationWithCode5AndNothingWritten) {
  ASSERT_EQ(GetACP(), 936u);
  wchar_t base_buffer[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base_buffer);
  const std::wstring base = std::wstring(base_buffer) + L"dz-preflight-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  const std::wstring temp = base + L"temp\\", folder = base + Wide("安装") + L"\\", log = base + L"install.log";
  ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((folder + L"LumoSc").c_str(), nullptr));
  const std::wstring program = folder + L"LumoSc\\OvErp.exe";
  {
    std::ofstream out(program.c_str(), std::ios::binary);
    out << "earlier";
  }
  const bool entry_before = UninstallEntryExists();
  // The back office "runs": its program file is open with no sharing.
  HANDLE held = CreateFileW(program.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  const DWORD code = RunInstaller(L"/S /EDITION=CySaaS \"/DIR=" + folder.substr(0, folder.size() - 1) +
                                      L"\" /SYSTEMS=Sc,Pos \"/LOG=" + log + L"\"",
                                  temp);
  CloseHandle(held);

  EXPECT_EQ(code, 5u);
  const std::string text = ReadBytes(log);
  const std::string line = "[警告] 以下 1 个文件正在被其他程序使用,无法替换: / " +
                           platform::windows::Narrow(program) + " / ";
  EXPECT_NE(text.find(line), std::string::npos) << text;
  EXPECT_NE(text.find("退出代码 5"), std::string::npos) << text;
  std::map<std::wstring, ULONGLONG> listing;
  Listing(folder, L"", listing);
  EXPECT_EQ(listing, (std::map<std::wstring, ULONGLONG>{{L"LumoSc", 0}, {L"LumoSc\\OvErp.exe", 7}}));
  EXPECT_EQ(ReadBytes(program), "earlier");
  std::map<std::wstring, ULONGLONG> temp_listing;
  Listing(temp, L"", temp_listing);
  EXPECT_TRUE(temp_listing.empty()) << "no scratch folder, and cRc.in removed";
  EXPECT_EQ(UninstallEntryExists(), entry_before);
  RemoveTree(base);
}

}  // namespace
