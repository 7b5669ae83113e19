// Program entry of UnInstall.exe.
//
//   UnInstall.exe          asks, removes the installation beside it, reports
//   UnInstall.exe /S       the same without any window; the exit code tells
//                          the outcome (uninstaller.h)
//
// The program lies in the folder it removes, and a running program's file
// cannot be deleted. So at the end it copies itself into a private folder it
// makes in the temporary folder (platform/private_folder.h: a fixed name
// there could be a user's link to any file) and starts the copy as
// "/_CLEAN <process handle> <path>": the copy waits until this process has
// ended, deletes the uninstaller's file, removes its folder when empty, and
// has its own file and private folder deleted at the next restart.
#include <windows.h>
#include <shellapi.h>

#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/private_folder.h"
#include "platform/windows/folders.h"
#include "platform/windows/system_dlls.h"
#include "platform/windows/system_handles.h"
#include "platform/windows/wide.h"
#include "uninstaller/uninstaller.h"

namespace {

using platform::windows::Narrow;
using platform::windows::OwnedHandle;
using platform::windows::Wide;

constexpr wchar_t kCleanSwitch[] = L"/_CLEAN";
constexpr wchar_t kProgramName[] = L"UnInstall.exe";
constexpr DWORD kWaitForUninstallerMs = 60000;
constexpr int kDeleteTries = 50;
constexpr DWORD kDeleteRetryMs = 100;

bool SameWide(const std::wstring& a, const wchar_t* b) { return lstrcmpiW(a.c_str(), b) == 0; }

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> args;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return args;
  for (int i = 0; i < count; ++i) args.emplace_back(list[i]);
  LocalFree(list);
  return args;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Starts the temporary copy that deletes this program once it has ended.
void StartCleaner(const std::wstring& self) {
  wchar_t temp[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return;
  // Removed again unless the copy starts; held open until then, so that it
  // cannot be swapped for another folder.
  std::unique_ptr<platform::PrivateFolder> folder = platform::PrivateFolder::Create(Narrow(temp), "DzUnInstall-");
  if (!folder) return;
  const std::wstring copy = Wide(folder->Path()) + L"DzUnInstall-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  if (!CopyFileW(self.c_str(), copy.c_str(), TRUE)) return;

  HANDLE duplicate = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &duplicate, SYNCHRONIZE, TRUE,
                       0))
    return;
  // The copy inherits it; this process's own copy goes with the owner.
  const OwnedHandle me(duplicate);
  std::wstring command = L"\"" + copy + L"\" " + kCleanSwitch + L" " +
                         std::to_wstring(reinterpret_cast<UINT_PTR>(me.get())) + L" \"" + self + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  // Started in the temporary folder, so that it holds no handle on the
  // folder it removes.
  if (CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &process)) {
    const OwnedHandle thread(process.hThread), cleaner(process.hProcess);
    folder->Keep();  // the copy's now
  }
}

// The temporary copy's work: only a file named UnInstall.exe and then its
// folder, if empty, are removed.
int Clean(const std::wstring& handle_text, const std::wstring& uninstaller) {
  const OwnedHandle waited(
      reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(std::wcstoull(handle_text.c_str(), nullptr, 10))));
  if (waited.valid()) WaitForSingleObject(waited.get(), kWaitForUninstallerMs);
  std::wstring folder = FolderOf(uninstaller);
  if (!folder.empty() && SameWide(uninstaller.substr(folder.size()), kProgramName)) {
    for (int i = 0; i < kDeleteTries; ++i) {
      if (DeleteFileW(uninstaller.c_str()) || GetFileAttributesW(uninstaller.c_str()) == INVALID_FILE_ATTRIBUTES) break;
      Sleep(kDeleteRetryMs);
    }
    folder.pop_back();
    platform::windows::RemoveFolderIfEmpty(folder);
  }
  std::wstring self = ModulePath();
  if (!self.empty()) {
    // The file, then its private folder (empty by then).
    MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    std::wstring own_folder = FolderOf(self);
    if (!own_folder.empty()) {
      own_folder.pop_back();
      MoveFileExW(own_folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: none from the installation folder or the
  // temporary copy's folder.
  platform::windows::UseSystemFolderForDlls();
  std::vector<std::wstring> args = Arguments();
  if (args.size() == 4 && SameWide(args[1], kCleanSwitch)) return Clean(args[2], args[3]);

  bool silent = false;
  for (size_t i = 1; i < args.size(); ++i)
    if (SameWide(args[i], L"/S")) silent = true;

  std::wstring self = ModulePath();
  uninstaller::RegistryUninstallKeys keys;
  uninstaller::Result result = uninstaller::Uninstall(uninstaller::PlacesOf(Narrow(self)), keys, silent);
  if (result.remove_self) StartCleaner(self);
  return result.exit_code;
}
