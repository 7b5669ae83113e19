// One installer at a time, under Windows (Wine in the test run), with
// DIzavozi.exe from the current folder: while one runs, a second one says so
// (with /S: silently) and ends with exit code 7 without touching the first
// one's temporary folder (the first one's scratch folder with "cRc.in"); once the first has
// ended, the next one starts normally.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/testing/windows_programs.h"
#include "platform/windows/wide.h"

namespace {

using dz::testing::FindProcessWindow;
using platform::windows::Narrow;
using platform::windows::Wide;

constexpr int kPolls = 300;  // of 100 ms

// DIzavozi.exe from the current folder, started with its own temporary
// folder and watched from outside.
class Installer : public dz::testing::StartedProgram {
 public:
  Installer(const std::wstring& temp, const std::wstring& arguments)
      : StartedProgram(FullPath(L"DIzavozi.exe"), arguments, dz::testing::EnvironmentWithTemp(temp)) {}

  // Waits for a visible window of the class; nullptr when the program ended
  // or the time ran out.
  HWND WaitForWindow(const wchar_t* class_name) {
    for (int i = 0; i < kPolls; ++i) {
      if (HWND window = FindProcessWindow(Id(), class_name)) return window;
      if (Ended()) return nullptr;
      Sleep(100);
    }
    return nullptr;
  }
  // Waits for the end, answering any box with Yes (else OK); counts boxes.
  DWORD WaitForExit(int* boxes = nullptr) {
    for (int i = 0; i < kPolls && !Ended(); ++i) {
      if (HWND box = FindProcessWindow(Id(), L"#32770")) {
        if (boxes) ++*boxes;
        HWND yes = GetDlgItem(box, IDYES);
        HWND button = (yes && IsWindowVisible(yes)) ? yes : GetDlgItem(box, IDOK);
        if (button) PostMessageW(button, BM_CLICK, 0, 0);
        dz::testing::WaitUntil([&] { return dz::testing::WindowGone(box); }, 10000);
      }
      WaitForSingleObject(Handle(), 100);
    }
    return Ended() ? Wait(0) : kTimedOut;
  }

 private:
  static std::wstring FullPath(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    GetFullPathNameW(name, MAX_PATH, path, nullptr);
    return path;
  }
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

// Sets a file's last-write time to 1 January 2001.
bool DateBack(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  SYSTEMTIME day{2001, 1, 1, 1, 0, 0, 0, 0};
  FILETIME time{};
  const bool done = SystemTimeToFileTime(&day, &time) && SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  return done;
}

TEST(SingleInstanceTest, SecondInstallerSaysSoAndTouchesNothing) {
  ASSERT_EQ(GetACP(), 936u);
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base);
  const std::wstring temp = std::wstring(base) + L"dz-single-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(temp.c_str(), nullptr);

  Installer first(temp, L"");
  ASSERT_TRUE(first.Started()) << "CreateProcess error " << first.StartError();
  ASSERT_TRUE(first.WaitForWindow(L"TfStep")) << "the first installer shows its window";
  // The first installer's private scratch folder, with cRc.in.
  std::wstring scratch;
  for (const auto& [name, details] : Listing(temp))
    if (name.rfind(L"DzInstall-", 0) == 0) scratch = temp + name + L"\\";
  ASSERT_FALSE(scratch.empty()) << "the first installer's scratch folder";
  ASSERT_TRUE(Listing(scratch).count(L"cRc.in"));
  // cRc.in dated far back: a rewrite by another installer would show in its
  // time at once, with no wait for the clock to move on.
  ASSERT_TRUE(DateBack(scratch + L"cRc.in"));
  auto listing = Listing(temp);
  auto scratch_listing = Listing(scratch);

  {
    Installer second(temp, L"");
    ASSERT_TRUE(second.Started()) << "CreateProcess error " << second.StartError();
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
    ASSERT_TRUE(silent.Started()) << "CreateProcess error " << silent.StartError();
    int boxes = 0;
    EXPECT_EQ(silent.WaitForExit(&boxes), 7u);
    EXPECT_EQ(boxes, 0) << "no box with /S";
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing installed";
  }
  EXPECT_EQ(Listing(temp), listing) << "the temporary folder of the first installer is untouched";
  EXPECT_EQ(Listing(scratch), scratch_listing) << "and so is its scratch folder";

  HWND window = first.WaitForWindow(L"TfStep");
  ASSERT_TRUE(window) << "the first installer runs on";
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(), 0u);

  // The mutex went with the first installer.
  Installer next(temp, L"");
  ASSERT_TRUE(next.Started()) << "CreateProcess error " << next.StartError();
  HWND next_window = next.WaitForWindow(L"TfStep");
  EXPECT_TRUE(next_window) << "a later installer starts normally";
  if (next_window) PostMessageW(next_window, WM_CLOSE, 0, 0);
  EXPECT_EQ(next.WaitForExit(), 0u);
  EXPECT_TRUE(RemoveDirectoryW(temp.c_str())) << "the installers left nothing in their temporary folder";
}

}  // namespace
