// Points the program's temporary folder at a test folder for one test, so
// the installer's scratch folder (with "cRc.in") is made there, and puts it
// back afterwards.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace dz::testing {

class TemporaryFolderOverride {
 public:
  explicit TemporaryFolderOverride(const std::string& folder) {
#ifdef _WIN32
    // GetTempPath reads TMP, then TEMP, at every call.
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t buffer[1024];
      DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
      saved_.push_back(n && n < 1024 ? std::wstring(buffer, n) : std::wstring());
      std::wstring wide(folder.begin(), folder.end());  // ASCII folders only
      SetEnvironmentVariableW(name, wide.c_str());
    }
#else
    platform::testing::SetSpecialFolders(folder, "C:\\WINDOWS", "C:\\WINDOWS\\system32");
#endif
  }
  ~TemporaryFolderOverride() {
#ifdef _WIN32
    SetEnvironmentVariableW(L"TMP", saved_[0].empty() ? nullptr : saved_[0].c_str());
    SetEnvironmentVariableW(L"TEMP", saved_[1].empty() ? nullptr : saved_[1].c_str());
#else
    platform::testing::SetSpecialFolders("C:\\TEMP\\", "C:\\WINDOWS", "C:\\WINDOWS\\system32");
#endif
  }
  TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
  TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;

 private:
  std::vector<std::wstring> saved_;
};

// What the installer left in a temporary folder: its scratch folders
// ("DzInstall-..."), and anything at the names it once used there ("cRc.in",
// "_wtsInstall").
inline std::vector<std::string> InstallerLeftovers(const std::string& temp) {
  std::vector<std::string> left;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(temp))
    if (entry.name.rfind("DzInstall-", 0) == 0 || entry.name == "cRc.in" || entry.name == "_wtsInstall")
      left.push_back(entry.name);
  return left;
}

}  // namespace dz::testing
