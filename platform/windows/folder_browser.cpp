#include "platform/windows/folder_browser.h"

#include <shlobj.h>

#include "platform/windows/wide.h"

namespace platform::windows {
namespace {

// Preselects the start folder once the browser is up.
int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

std::optional<std::string> BrowseForFolder(HWND owner, const std::string& prompt, const std::string& start_folder,
                                           UINT flags) {
  const std::wstring title = Wide(prompt), start = Wide(start_folder);
  const DWORD attributes = start.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(start.c_str());
  const bool preselect = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = display;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | flags;
  info.lpfn = SelectStartFolder;
  info.lParam = preselect ? reinterpret_cast<LPARAM>(start.c_str()) : 0;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH + 1] = {};
  const bool ok = SHGetPathFromIDListW(chosen, path) != 0;
  CoTaskMemFree(chosen);
  if (!ok) return std::nullopt;
  return Narrow(path);
}

}  // namespace platform::windows
