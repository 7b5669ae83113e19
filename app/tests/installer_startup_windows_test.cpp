// Drives DIzavozi.exe as a user would, under Windows (Wine in the test run):
//   installer_startup_test PATH-OF-DIzavozi.exe
// Starts the program with a temporary folder of its own, waits for its main
// window, checks that "cRc.in" is in the program's private scratch folder
// there ("DzInstall-...") while the window is open, closes the window
// (WM_CLOSE), answers any question box with Yes or OK, waits for the program
// to end and checks that the scratch folder is gone and a leftover "cRc.in"
// directly in the temporary folder untouched; a message box before the window
// is up fails this start. A second start, with a temporary folder that does
// not exist, must show the application's error box with the failure's text
// and still open the window.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/testing/windows_programs.h"
#include "platform/windows/wide.h"

namespace {

using dz::testing::FindProcessWindow;
using platform::windows::Narrow;

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

// The program's scratch folders in a temporary folder, with a backslash.
std::vector<std::wstring> ScratchFolders(const std::wstring& temp) {
  std::vector<std::wstring> folders;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((temp + L"DzInstall-*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return folders;
  do {
    folders.push_back(temp + data.cFileName + L"\\");
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return folders;
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
  dz::testing::StartedProgram program(exe, L"", dz::testing::EnvironmentWithTemp(temp));
  if (!program.Started()) {
    Check(false, "start the installer (error " + std::to_string(program.StartError()) + ")");
    return 0;
  }
  const DWORD process_id = program.Id();
  auto answer_boxes = [&] {
    if (HWND box = FindProcessWindow(process_id, L"#32770")) {
      std::string text = BoxText(box);
      if (boxes.empty() || boxes.back() != text) boxes.push_back(text);
      AnswerBox(box);
      dz::testing::WaitUntil([&] { return dz::testing::WindowGone(box); }, 10000);
    }
  };

  HWND window = nullptr;
  for (int i = 0; i < 600 && !window; ++i) {
    answer_boxes();
    if (program.Ended()) break;
    window = FindProcessWindow(process_id, L"TfStep");
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
      const std::vector<std::wstring> scratch = ScratchFolders(temp);
      Check(scratch.size() == 1, "one scratch folder in the temporary folder while the window is open");
      const std::wstring copy = (scratch.empty() ? temp : scratch[0]) + L"cRc.in";
      Check(FileExists(copy), "cRc.in is in the scratch folder while the window is open");
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
    ended = WaitForSingleObject(program.Handle(), 100) == WAIT_OBJECT_0;
    if (!ended) answer_boxes();
  }
  Check(ended, "the program ends after its window is closed");
  const DWORD code = program.Wait(0);
  Check(code == 0, "exit code 0, is " + std::to_string(code));
  Check(ScratchFolders(temp).empty(), "no scratch folder once the program has ended");
  return boxes_before_window;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  Check(GetACP() == 936, "the ANSI code page is 936 (it is " + std::to_string(GetACP()) + ")");
  if (argc != 2) {
    std::fprintf(stderr, "usage: installer_startup_test DIzavozi.exe\n");
    return 2;
  }
  const std::wstring exe = platform::windows::Wide(argv[1]);
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base);
  const std::wstring prefix = std::wstring(base) + L"dz-startup-" + std::to_wstring(GetCurrentProcessId());

  // 1. A normal start beside a leftover copy, which must be left alone.
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
  {
    char left[16] = {};
    DWORD got = 0;
    HANDLE h = CreateFileW((temp + L"cRc.in").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      ReadFile(h, left, 8, &got, nullptr);
      CloseHandle(h);
    }
    Check(std::string(left, got) == "leftover", "the leftover cRc.in in the temporary folder is untouched");
  }
  DeleteFileW((temp + L"cRc.in").c_str());
  RemoveDirectoryW(temp.c_str());

  // 2. A temporary folder that does not exist: creation fails, the
  //    application's error box says why, and the window opens all the same.
  std::printf("-- start with a missing temporary folder\n");
  const std::wstring missing = prefix + L"-missing\\";
  boxes.clear();
  RunInstaller(exe, missing, false, boxes);
  for (const auto& box : boxes) std::printf("box: %s\n", box.c_str());
  const std::string expected = "[安装程序] Cannot create folder " + Narrow(missing.c_str(), missing.size());
  Check(!boxes.empty() && boxes.front() == expected, "the error box reads " + expected);
  return failures == 0 ? 0 : 1;
}
