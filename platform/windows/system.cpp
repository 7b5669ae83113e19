// Windows system services: module resources, message boxes and dialogs, the
// message pump, the cursor and the special folders.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "platform/special_folders.h"
#include "platform/windows/folder_browser.h"
#include "platform/windows/message_loop.h"
#include "platform/windows/wide.h"

namespace platform {
namespace {

using windows::Narrow;
using windows::Wide;

struct State {
  std::mutex mutex;
  CursorShape cursor = CursorShape::Default;
};

State& state() {
  static State s;
  return s;
}

// Resource names and types given as text; "#n" is a numeric identifier,
// which FindResource understands in this form too.
std::wstring ResourceId(const std::string& text) { return Wide(text); }

std::string Fit(const std::wstring& value, size_t buffer_size) {
  std::string narrow = Narrow(value);
  return narrow.size() < buffer_size ? narrow : std::string();
}

}  // namespace

std::optional<ResourceBytes> FindModuleResource(const std::string& name, const std::string& type) {
  HMODULE module = GetModuleHandleW(nullptr);
  std::wstring wname = ResourceId(name), wtype = ResourceId(type);
  HRSRC info = FindResourceExW(module, wtype.c_str(), wname.c_str(), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  if (!info) info = FindResourceW(module, wname.c_str(), wtype.c_str());
  if (!info) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, info);
  if (!loaded) return std::nullopt;
  const void* data = LockResource(loaded);
  if (!data) return std::nullopt;
  return ResourceBytes{static_cast<const uint8_t*>(data), SizeofResource(module, info)};
}

int windows::SystemMessageBox(const std::string& text, const std::string& title, unsigned style,
                              MessageBoxOwner owner) {
  HWND parent = owner == MessageBoxOwner::ActiveWindow ? GetActiveWindow() : nullptr;
  return MessageBoxW(parent, Wide(text).c_str(), Wide(title).c_str(), style);
}

std::string BrowseForFolder(const std::string& prompt, const std::string& start_folder, bool allow_new_folder) {
  return windows::BrowseForFolder(GetActiveWindow(), prompt, start_folder,
                                  allow_new_folder ? BIF_NEWDIALOGSTYLE : BIF_NONEWFOLDERBUTTON)
      .value_or(std::string());
}

std::string BrowseForOpenFile(const std::string& title, const std::string& filter, const std::string& initial_folder) {
  // The filter arrives as "text|pattern|text|pattern"; the API wants zeros.
  std::wstring wfilter = Wide(filter);
  for (auto& c : wfilter)
    if (c == L'|') c = L'\0';
  wfilter.push_back(L'\0');
  wfilter.push_back(L'\0');
  std::wstring wtitle = Wide(title), wfolder = Wide(initial_folder);
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetActiveWindow();
  ofn.lpstrFilter = wfilter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = wtitle.c_str();
  ofn.lpstrInitialDir = wfolder.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&ofn)) return "";
  return Narrow(file, wcslen(file));
}

#ifdef DZ_TIME_PUMPS
// Benchmark builds: how long the window goes without its messages being run.
// The 32 longest intervals between the starts of two pumps go to the file
// named by DZ_PUMP_TIMES when the program ends, each in milliseconds with
// the second since the program started at which it began.
namespace {
class PumpTimer {
 public:
  void Pump() {
    const uint64_t now = MonotonicMicroseconds();
    if (last_) {
      const uint64_t interval = now - last_;
      if (interval > longest_) longest_ = interval;
      // slow_ is kept as a heap whose top is the shortest of the longest.
      auto shorter = [](const auto& a, const auto& b) { return a.second > b.second; };
      if (slow_.size() < kKept || interval > slow_.front().second) {
        if (slow_.size() == kKept) {
          std::pop_heap(slow_.begin(), slow_.end(), shorter);
          slow_.pop_back();
        }
        slow_.push_back({last_ - start_, interval});
        std::push_heap(slow_.begin(), slow_.end(), shorter);
      }
    }
    last_ = now;
    ++pumps_;
  }
  ~PumpTimer() {
    const wchar_t* name = _wgetenv(L"DZ_PUMP_TIMES");
    if (!name || !*name) return;
    FILE* out = _wfopen(name, L"w");
    if (!out) return;
    std::fprintf(out, "pumps %llu\nlongest_ms %.3f\n", static_cast<unsigned long long>(pumps_), longest_ / 1000.0);
    for (const auto& [at, interval] : slow_)
      std::fprintf(out, "slow_ms %.3f at_s %.3f\n", interval / 1000.0, at / 1e6);
    std::fclose(out);
  }

 private:
  static constexpr size_t kKept = 32;
  uint64_t start_ = MonotonicMicroseconds();
  uint64_t last_ = 0;
  uint64_t longest_ = 0;
  uint64_t pumps_ = 0;
  std::vector<std::pair<uint64_t, uint64_t>> slow_;
};
PumpTimer pump_timer;
}  // namespace
#endif

void windows::DispatchPendingMessages() {
#ifdef DZ_TIME_PUMPS
  pump_timer.Pump();
#endif
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void SleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

uint64_t MonotonicMicroseconds() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<uint64_t>(now.QuadPart / frequency) * 1000000u +
         static_cast<uint64_t>(now.QuadPart % frequency) * 1000000u / static_cast<uint64_t>(frequency);
}

CursorShape CurrentCursor() { return state().cursor; }

void SetCursorShape(CursorShape shape) {
  state().cursor = shape;
  SetCursor(LoadCursorW(nullptr, shape == CursorShape::Hourglass ? IDC_WAIT : IDC_ARROW));
}

std::string TempPath(size_t buffer_size) {
  wchar_t buffer[MAX_PATH + 2];
  DWORD written = GetTempPathW(MAX_PATH + 2, buffer);
  return written && written <= MAX_PATH + 1 ? Fit(std::wstring(buffer, written), buffer_size) : std::string();
}

std::string WindowsDirectory(size_t buffer_size) {
  wchar_t buffer[MAX_PATH + 1];
  UINT written = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  return written && written <= MAX_PATH ? Fit(std::wstring(buffer, written), buffer_size) : std::string();
}

std::vector<std::string> ProgramFilesFolders() {
  std::vector<std::string> folders;
  auto add = [&folders](const wchar_t* path) {
    std::string folder = Narrow(path);
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(folder);
  };
  wchar_t buffer[MAX_PATH];
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86})
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) add(buffer);
  // A 32-bit program on 64-bit Windows is told the 32-bit folder above.
  if (DWORD n = GetEnvironmentVariableW(L"ProgramW6432", buffer, MAX_PATH); n && n < MAX_PATH) add(buffer);
  return folders;
}

std::string SystemDirectory(size_t buffer_size) {
  wchar_t buffer[MAX_PATH + 1];
  UINT written = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  return written && written <= MAX_PATH ? Fit(std::wstring(buffer, written), buffer_size) : std::string();
}

std::string CommonFolderPath(CommonFolder folder) {
  int csidl = 0;
  switch (folder) {
    case CommonFolder::Desktop: csidl = CSIDL_COMMON_DESKTOPDIRECTORY; break;
    case CommonFolder::StartMenu: csidl = CSIDL_COMMON_STARTMENU; break;
    case CommonFolder::Programs: csidl = CSIDL_COMMON_PROGRAMS; break;
    case CommonFolder::Startup: csidl = CSIDL_COMMON_STARTUP; break;
  }
  wchar_t buffer[MAX_PATH + 1] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  return Narrow(buffer);
}

}  // namespace platform
