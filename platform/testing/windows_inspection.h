// What Windows test programs read back after a program ran: registry values
// and shortcuts, read the way the system itself reads them.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <optional>
#include <string>

#include "platform/windows/com_ptr.h"

namespace dz::testing {

// An open registry key, closed with its owner.
class OpenedKey {
 public:
  OpenedKey(HKEY root, const std::wstring& path, REGSAM access = KEY_READ) {
    if (RegOpenKeyExW(root, path.c_str(), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenedKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

inline bool RegistryKeyExists(HKEY root, const std::wstring& path) { return static_cast<bool>(OpenedKey(root, path)); }

// A REG_SZ value; nothing when the key or the value is missing or of another type.
inline std::optional<std::wstring> RegistryString(HKEY root, const std::wstring& path, const std::wstring& name) {
  const OpenedKey key(root, path);
  if (!key) return std::nullopt;
  wchar_t data[2048] = {};
  DWORD type = 0, size = sizeof data - sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  std::wstring value(data, size / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

struct LinkRead {
  bool loaded = false;
  std::wstring target;       // the path the link stores as text (its location info)
  std::wstring item_target;  // the path of the shell item it points to (its ID list)
  std::wstring working_folder, description;
};

// A link file as the shell reads it, through its own link object (COM must
// be initialised on the calling thread).
inline LinkRead ReadLink(const std::wstring& file) {
  using platform::windows::ComPtr;
  LinkRead read;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
    return read;
  ComPtr<IPersistFile> persist = link.As<IPersistFile>(IID_IPersistFile);
  if (!persist || FAILED(persist->Load(file.c_str(), STGM_READ))) return read;
  read.loaded = true;
  wchar_t buffer[MAX_PATH * 2] = {};
  if (SUCCEEDED(link->GetPath(buffer, MAX_PATH * 2, nullptr, SLGP_RAWPATH))) read.target = buffer;
  PIDLIST_ABSOLUTE item = nullptr;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetIDList(&item)) && item) {
    if (SHGetPathFromIDListW(item, buffer)) read.item_target = buffer;
    CoTaskMemFree(item);
  }
  buffer[0] = 0;
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH * 2))) read.working_folder = buffer;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH * 2))) read.description = buffer;
  return read;
}

}  // namespace dz::testing
