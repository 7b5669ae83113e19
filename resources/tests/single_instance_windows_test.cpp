// One installer at a time, under Windows (Wine in the test run), with
// DIzavozi.exe from the current folder: while one runs, a second one says so
// (with /S: silently) and ends with exit code 7 without touching the first
// one's temporary folder ("cRc.in", the scratch folder); once the first has
// ended, the next one starts normally.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/windows/wide.h"

namespace {

using platform::windows::Narrow;
using platform::windows::Wide;

constexpr int kPolls = 300;  // of 100 ms

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

// This process's environment with TMP and TEMP pointing at folder.
std::vector<wchar_t> EnvironmentWithTemp(const std::wstring& folder) {
  std::vector<wchar_t> block;
  wchar_t* env = GetEnvironmentStringsW();
  for (const wchar_t* entry = env; *entry; entry += wcslen(entry) + 1) {
    if (_wcsnicmp(entry, L"TMP=", 4) == 0 || _wcsnicmp(entry, L"TEMP=", 5) == 0) continue;
    block.insert(block.end(), entry, entry + wcslen(entry) + 1);
  }
  FreeEnvironmentStringsW(env);
  for (std::wstring entry : {L"TMP=" + folder, L"TEMP=" + folder})
    block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
  block.push_back(L'\0');
  return block;
}

class Installer {
 public:
  Installer(const std::wstring& temp, const std::wstring& arguments) {
    wchar_t exe[MAX_PATH];
    GetFullPathNameW(L"DIzavozi.exe", MAX_PATH, exe, nullptr);
    std::vector<wchar_t> environment = EnvironmentWithTemp(temp);
    std::wstring command = L"\"" + std::wstring(exe) + L"\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, environment.data(),
                       nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      id_ = info.dwProcessId;
    }
  }
  ~Installer() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
  }
  bool Started() const { return process_ != nullptr; }
  DWORD Id() const { return id_; }

  // Waits for a visible window of the class; nullptr when the program ended
  // or the time ran out.
  HWND WaitForWindow(const wchar_t* class_name) {
    for (int i = 0; i < kPolls; ++i) {
      if (HWND window = FindProcessWindow(id_, class_name)) return window;
      if (Ended()) return nullptr;
      Sleep(100);
    }
    return nullptr;
  }
  bool Ended() { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }
  // Waits for the end, answering any box with Yes (else OK); counts boxes.
  DWORD WaitForExit(int* boxes = nullptr) {
    for (int i = 0; i < kPolls && !Ended(); ++i) {
      if (HWND box = FindProcessWindow(id_, L"#32770")) {
        if (boxes) ++*boxes;
        HWND yes = GetDlgItem(box, IDYES);
        HWND button = (yes && IsWindowVisible(yes)) ? yes : GetDlgItem(box, IDOK);
        if (button) PostMessageW(button, BM_CLICK, 0, 0);
        Sleep(300);
      }
      Sleep(100);
    }
    DWORD code = 0xFFFFFFFF;
    if (Ended()) GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Every name in the folder with its size and last-write time.
std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>> Listing(const std::wstring& folder) {
  std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>> out;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return out;
  do {
    ULONGLONG time = (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    ULONGLONG size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    out[data.cFileName] = {size, time};
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return out;
}

TEST(SingleInstanceTest, SecondInstallerSaysSoAndTouchesNothing) {
  ASSERT_EQ(GetACP(), 936u);
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base);
  const std::wstring temp = std::wstring(base) + L"dz-single-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(temp.c_str(), nullptr);

  Installer first(temp, L"");
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(first.WaitForWindow(L"TfStep")) << "the first installer shows its window";
  auto listing = Listing(temp);
  ASSERT_TRUE(listing.count(L"cRc.in"));
  Sleep(1100);  // a rewrite of cRc.in would now show in its time

  {
    Installer second(temp, L"");
    ASSERT_TRUE(second.Started());
    HWND box = second.WaitForWindow(L"#32770");
    ASSERT_TRUE(box) << "the second installer says that one is running";
    wchar_t title[64] = {}, text[512] = {};
    GetWindowTextW(box, title, 64);
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    EXPECT_EQ(Narrow(title, wcslen(title)), "警告");
    EXPECT_NE(Narrow(text, wcslen(text)).find("安装程序已在运行中"), std::string::npos);
    EXPECT_FALSE(FindProcessWindow(second.Id(), L"TfStep")) << "and shows no wizard";
    EXPECT_EQ(second.WaitForExit(), 7u);
  }
  {
    // An unattended installation that would be valid on its own.
    const std::wstring folder = temp + L"never\\";
    Installer silent(temp, L" /S /EDITION=CySaaS /DIR=" + folder + L" /SYSTEMS=Sc");
    ASSERT_TRUE(silent.Started());
    int boxes = 0;
    EXPECT_EQ(silent.WaitForExit(&boxes), 7u);
    EXPECT_EQ(boxes, 0) << "no box with /S";
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing installed";
  }
  EXPECT_EQ(Listing(temp), listing) << "the temporary folder of the first installer is untouched";

  HWND window = first.WaitForWindow(L"TfStep");
  ASSERT_TRUE(window) << "the first installer runs on";
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(), 0u);

  // The mutex went with the first installer.
  Installer next(temp, L"");
  ASSERT_TRUE(next.Started());
  HWND next_window = next.WaitForWindow(L"TfStep");
  EXPECT_TRUE(next_window) << "a later installer starts normally";
  if (next_window) PostMessageW(next_window, WM_CLOSE, 0, 0);
  EXPECT_EQ(next.WaitForExit(), 0u);
  DeleteFileW((temp + L"cRc.in").c_str());
  RemoveDirectoryW(temp.c_str());
}

}  // namespace
