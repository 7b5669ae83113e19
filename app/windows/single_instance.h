// One installer at a time. The first DIzavozi.exe holds a named mutex for its
// whole life; a second one finds it taken and ends before it reads or writes
// anything ("cRc.in", the scratch folder), saying so unless it runs unattended.
// Windows only.
#pragma once

#include <windows.h>

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

  // For a second installer started by a person: the message.
  static void SayAlreadyRunning() {
    ShowWarning("安装程序已在运行中。\r\n请先完成或关闭正在运行的安装程序，然后再试。");
  }

 private:
  HANDLE handle_ = nullptr;
  bool first_ = true;
};

}  // namespace app::windows
