// Drives DIzavozi.exe as a user would, under Windows (Wine in the test run):
//   installer_startup_test PATH-OF-DIzavozi.exe
// Starts the program with a temporary folder of its own, waits for its main
// window, checks that "cRc.in" is in that folder while the window is open,
// closes the window (WM_CLOSE), answers any question box with Yes or OK,
// waits for the program to end and checks that "cRc.in" is gone; a message
// box before the window is up fails this start. A second start, with a
// temporary folder that does not exist, must show the application's error box
// with the failure's text and still open the window.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/windows/wide.h"

namespace {

using platform::windows::Narrow;

struct Found {
  DWORD process;
  const wchar_t* class_name;
  HWND window = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* f = reinterpret_cast<Found*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (owner == f->process && IsWindowVisible(window) && std::wstring(name) == f->class_name) {
    f->window = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindProcessWindow(DWORD process, const wchar_t* class_name) {
  Found found{process, class_name};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

std::string BoxText(HWND box) {
  wchar_t title[256] = {}, text[1024] = {};
  GetWindowTextW(box, title, 256);
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return "[" + Narrow(title, wcslen(title)) + "] " + Narrow(text, wcslen(text));
}

// Yes when the box has it (the close question), else OK.
void AnswerBox(HWND box) {
  HWND yes = GetDlgItem(box, IDYES);
  HWND button = (yes && IsWindowVisible(yes)) ? yes : GetDlgItem(box, IDOK);
  if (button) PostMessageW(button, BM_CLICK, 0, 0);
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// This process's environment with TMP and TEMP pointing at folder.
std::vector<wchar_t> EnvironmentWithTemp(const std::wstring& folder) {
  std::vector<wchar_t> block;
  wchar_t* env = GetEnvironmentStringsW();
  for (const wchar_t* entry = env; *entry; entry += wcslen(entry) + 1) {
    std::wstring text = entry;
    if (_wcsnicmp(entry, L"TMP=", 4) == 0 || _wcsnicmp(entry, L"TEMP=", 5) == 0) continue;
    block.insert(block.end(), text.begin(), text.end());
    block.push_back(L'\0');
  }
  FreeEnvironmentStringsW(env);
  for (std::wstring entry : {L"TMP=" + folder, L"TEMP=" + folder}) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

int failures = 0;
void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}


// Runs the program once with temp as its temporary folder. Every message box
// it shows is answered (Yes, else OK) and its "[title] text" is added to boxes.
// With temp_exists, checks the manifest copy while the window is open.
// Returns the number of boxes shown before the window was.
size_t RunInstaller(const std::wstring& exe, const std::wstring& temp, bool temp_exists,
                    std::vector<std::string>& boxes) {
  const std::wstring copy = temp + L"cRc.in";
  std::vector<wchar_t> environment = EnvironmentWithTemp(temp);
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.data(), nullptr, &startup, &process)) {
    Check(false, "start the installer (error " + std::to_string(GetLastError()) + ")");
    return 0;
  }
  CloseHandle(process.hThread);
  auto answer_boxes = [&] {
    if (HWND box = FindProcessWindow(process.dwProcessId, L"#32770")) {
      std::string text = BoxText(box);
      if (boxes.empty() || boxes.back() != text) boxes.push_back(text);
      AnswerBox(box);
      Sleep(200);
    }
  };

  HWND window = nullptr;
  for (int i = 0; i < 600 && !window; ++i) {
    answer_boxes();
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
    window = FindProcessWindow(process.dwProcessId, L"TfStep");
    if (!window) Sleep(100);
  }
  Check(window != nullptr, "main window fStep is shown");
  const size_t boxes_before_window = boxes.size();
  if (window) {
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    Check(Narrow(text, wcslen(text)) == "安装", "window text is \"安装\"");
    RECT client{};
    GetClientRect(window, &client);
    Check(client.right == 742 && client.bottom == 473,
          "client area 742 x 473, is " + std::to_string(client.right) + " x " + std::to_string(client.bottom));
    if (temp_exists) {
      Check(FileExists(copy), "cRc.in is in the temporary folder while the window is open");
      char head[16] = {};
      HANDLE h = CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
      DWORD got = 0;
      if (h != INVALID_HANDLE_VALUE) {
        ReadFile(h, head, 14, &got, nullptr);
        CloseHandle(h);
      }
      Check(std::string(head, got) == "[InstallFiles]", "cRc.in is a fresh copy of the manifest");
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  }

  // Answer any question the close may ask, and wait for the end.
  bool ended = false;
  for (int i = 0; i < 300 && !ended; ++i) {
    ended = WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0;
    if (!ended) answer_boxes();
  }
  Check(ended, "the program ends after its window is closed");
  if (!ended) TerminateProcess(process.hProcess, 1);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  Check(code == 0, "exit code 0, is " + std::to_string(code));
  Check(!FileExists(copy), "no cRc.in once the program has ended");
  return boxes_before_window;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  if (argc != 2) {
    std::fprintf(stderr, "usage: installer_startup_test DIzavozi.exe\n");
    return 2;
  }
  const std::wstring exe = platform::windows::Wide(argv[1]);
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base);
  const std::wstring prefix = std::wstring(base) + L"dz-startup-" + std::to_wstring(GetCurrentProcessId());

  // 1. A normal start over a leftover copy, which must be replaced.
  std::printf("-- start with a writable temporary folder\n");
  const std::wstring temp = prefix + L"\\";
  CreateDirectoryW(temp.c_str(), nullptr);
  {
    HANDLE h = CreateFileW((temp + L"cRc.in").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    WriteFile(h, "leftover", 8, &put, nullptr);
    CloseHandle(h);
  }
  std::vector<std::string> boxes;
  size_t early = RunInstaller(exe, temp, true, boxes);
  for (const auto& box : boxes) std::printf("box: %s\n", box.c_str());
  Check(early == 0, "no message box before the window");
  DeleteFileW((temp + L"cRc.in").c_str());
  RemoveDirectoryW(temp.c_str());

  // 2. A temporary folder that does not exist: creation fails, the
  //    application's error box says why, and the window opens all the same.
  std::printf("-- start with a missing temporary folder\n");
  const std::wstring missing = prefix + L"-missing\\";
  boxes.clear();
  RunInstaller(exe, missing, false, boxes);
  for (const auto& box : boxes) std::printf("box: %s\n", box.c_str());
  const std::string expected = "[安装程序] Cannot create file " + Narrow(missing.c_str(), missing.size()) + "cRc.in";
  Check(!boxes.empty() && boxes.front() == expected, "the error box reads " + expected);
  return failures == 0 ? 0 : 1;
}
