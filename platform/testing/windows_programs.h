// For Windows test programs that start another of our programs (the
// installer, the uninstaller) and watch it from outside: its windows, its
// temporary folder, its exit code. Windows only.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace dz::testing {

// Polls condition every 10 ms until it holds (true) or timeout_ms passes
// (false).
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

// True once a dialog (a message box) is ready for the user: the keyboard
// focus of its thread lies on it or on one of its controls.
inline bool DialogReady(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return IsWindowVisible(dialog) && GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
         (info.hwndFocus == dialog || IsChild(dialog, info.hwndFocus));
}

// True once the window is gone or hidden (a box after its answer).
inline bool WindowGone(HWND window) { return !IsWindow(window) || !IsWindowVisible(window); }

namespace detail {
struct WindowSearch {
  DWORD process;
  const wchar_t* class_name;
  HWND window = nullptr;
};
inline BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (owner != search->process || !IsWindowVisible(window) || std::wcscmp(name, search->class_name) != 0) return TRUE;
  search->window = window;
  return FALSE;
}
}  // namespace detail

// The first visible top-level window of the process with the class name
// (L"#32770" for a message box), or nullptr.
inline HWND FindProcessWindow(DWORD process, const wchar_t* class_name) {
  detail::WindowSearch search{process, class_name};
  EnumWindows(detail::MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.window;
}

// This process's environment block with TMP and TEMP pointing at folder.
inline std::vector<wchar_t> EnvironmentWithTemp(const std::wstring& folder) {
  std::vector<wchar_t> block;
  wchar_t* environment = GetEnvironmentStringsW();
  for (const wchar_t* entry = environment; *entry; entry += wcslen(entry) + 1) {
    if (_wcsnicmp(entry, L"TMP=", 4) == 0 || _wcsnicmp(entry, L"TEMP=", 5) == 0) continue;
    block.insert(block.end(), entry, entry + wcslen(entry) + 1);
  }
  FreeEnvironmentStringsW(environment);
  for (const std::wstring& entry : {L"TMP=" + folder, L"TEMP=" + folder})
    block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
  block.push_back(L'\0');
  return block;
}

// A started program; closes its handles, and ends it if it still runs.
class StartedProgram {
 public:
  // Starts program with the arguments (the command line quotes the program),
  // with the given environment block (EnvironmentWithTemp), or this
  // process's environment when it is empty, in working_folder (or this
  // process's own when it is empty).
  StartedProgram(const std::wstring& program, const std::wstring& arguments,
                 std::vector<wchar_t> environment = {}, const std::wstring& working_folder = L"") {
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const bool own_environment = !environment.empty();
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE,
                        own_environment ? CREATE_UNICODE_ENVIRONMENT : 0, own_environment ? environment.data() : nullptr,
                        working_folder.empty() ? nullptr : working_folder.c_str(), &startup, &info)) {
      start_error_ = GetLastError();
      return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
  }
  ~StartedProgram() {
    if (!process_) return;
    if (!Ended()) TerminateProcess(process_, 1);
    CloseHandle(process_);
  }
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  bool Started() const { return process_ != nullptr; }
  // Why the start failed (GetLastError of CreateProcessW), 0 when it started.
  DWORD StartError() const { return start_error_; }
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_; }
  bool Ended() const { return !process_ || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }

  // The exit code once the program has ended within timeout_ms; it is ended
  // otherwise and the result is kTimedOut. kNotStarted when it never ran.
  static constexpr DWORD kNotStarted = 0xFFFFFFFE, kTimedOut = 0xFFFFFFFF;
  // Ends the program now (as a user ends a task) and waits until it has.
  void End() {
    if (!process_ || Ended()) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }

  DWORD Wait(DWORD timeout_ms) {
    if (!process_) return kNotStarted;
    if (WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) {
      TerminateProcess(process_, 1);
      return kTimedOut;
    }
    DWORD code = kTimedOut;
    GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  DWORD start_error_ = 0;
};

// Holds a running program still at a chosen point of its work, with nothing
// inside the program to help: once a chosen file appears (the program is
// writing it), every thread of the program is suspended, so that a test can
// act (queue input, change files, end the program) knowing exactly where the
// program stands; Release lets it go on. The threads are released on
// destruction at the latest.
class ProcessHold {
 public:
  explicit ProcessHold(DWORD process) : process_(process) {}
  ~ProcessHold() { Release(); }
  ProcessHold(const ProcessHold&) = delete;
  ProcessHold& operator=(const ProcessHold&) = delete;

  // Watches for path (checking every millisecond) until it exists, then
  // suspends the program. False when the program ended first or timeout_ms
  // passed; nothing is held then.
  bool WhenFileAppears(const std::wstring& path, HANDLE program, DWORD timeout_ms) {
    const ULONGLONG end = GetTickCount64() + timeout_ms;
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (WaitForSingleObject(program, 0) == WAIT_OBJECT_0 || GetTickCount64() >= end) return false;
      Sleep(1);
    }
    return Hold();
  }

  // Suspends every thread of the program now; true when at least one was.
  bool Hold() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
      if (entry.th32OwnerProcessID != process_) continue;
      HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
      if (!thread) continue;
      if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
        CloseHandle(thread);
        continue;
      }
      held_.push_back(thread);
    }
    CloseHandle(snapshot);
    return !held_.empty();
  }

  bool Holding() const { return !held_.empty(); }

  void Release() {
    for (HANDLE thread : held_) {
      ResumeThread(thread);
      CloseHandle(thread);
    }
    held_.clear();
  }

 private:
  DWORD process_;
  std::vector<HANDLE> held_;
};

}  // namespace dz::testing
