// One installer at a time. The first DIzavozi.exe holds a named mutex for its
// whole life; a second one finds it taken and ends before it reads or writes
// anything ("cRc.in", the scratch folder), saying so unless started with /S.
// Windows only.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "app/toolkit.h"

namespace app::windows {

class SingleInstance {
 public:
  // Machine-wide, so that two users on one machine do not install at once;
  // the session's name when the machine-wide one cannot be made.
  SingleInstance() {
    handle_ = CreateMutexW(nullptr, TRUE, L"Global\\Orvane.DIzavozi.Installer");
    DWORD error = GetLastError();
    if (!handle_ && error == ERROR_ACCESS_DENIED) {
      // Held by a program of another user, who may not share it.
      first_ = false;
      return;
    }
    if (!handle_) {
      handle_ = CreateMutexW(nullptr, TRUE, L"Local\\Orvane.DIzavozi.Installer");
      error = GetLastError();
    }
    first_ = !handle_ || error != ERROR_ALREADY_EXISTS;
  }
  ~SingleInstance() {
    if (!handle_) return;
    if (first_) ReleaseMutex(handle_);
    CloseHandle(handle_);
  }
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  bool IsFirst() const { return first_; }

  // For a second installer: the message (none with /S among the arguments).
  static void SayAlreadyRunning() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    bool silent = false;
    for (int i = 1; args && i < count; ++i)
      if (lstrcmpiW(args[i], L"/S") == 0) silent = true;
    if (args) LocalFree(args);
    if (!silent) ShowWarning("安装程序已在运行中。\r\n请先完成或关闭正在运行的安装程序，然后再试。");
  }

 private:
  HANDLE handle_ = nullptr;
  bool first_ = true;
};

}  // namespace app::windows
