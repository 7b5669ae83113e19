// Windows registry through the wide-character API; names and values are
// converted from and to GBK with code page 936 at this boundary.
#include "platform/registry.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/windows/wide.h"

namespace platform {
namespace {

using windows::Narrow;
using windows::Wide;

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
  }
  return HKEY_CURRENT_USER;
}

// The raw bytes and type of a value; false when it is missing or unreadable.
bool QueryValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data) {
  DWORD size = 0;
  // The value may grow between the two calls; try again a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return false;
    data.resize(size);
    status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size);
      return true;
    }
    if (status != ERROR_MORE_DATA) return false;
  }
  return false;
}

}  // namespace

// The open HKEY, closed with its owner.
struct RegistryKey::Handle {
  explicit Handle(HKEY opened) : key(opened) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { RegCloseKey(key); }
  HKEY key;
};

RegistryKey::RegistryKey(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::optional<RegistryKey> RegistryKey::Open(RegistryRoot root, const std::string& path, Access access) {
  HKEY key = nullptr;
  REGSAM rights = access == Access::ReadWrite ? KEY_READ | KEY_WRITE : KEY_READ;
  if (RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, rights, &key) != ERROR_SUCCESS) return std::nullopt;
  return RegistryKey(std::make_unique<Handle>(key));
}

std::optional<RegistryKey> RegistryKey::Create(RegistryRoot root, const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(RootKey(root), Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return std::nullopt;
  return RegistryKey(std::make_unique<Handle>(key));
}

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!QueryValue(handle_->key, Wide(name), type, data) || (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  // The stored text need not end with a zero, and may end with several.
  size_t length = data.size() / sizeof(wchar_t);
  std::wstring text(length, L'\0');
  if (length) memcpy(text.data(), data.data(), length * sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return Narrow(text);
}

bool RegistryKey::WriteString(const std::string& name, const std::string& value) {
  std::wstring text = Wide(value);
  DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(handle_->key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        bytes) == ERROR_SUCCESS;
}

std::optional<uint32_t> RegistryKey::ReadDword(const std::string& name) const {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!QueryValue(handle_->key, Wide(name), type, data) || type != REG_DWORD || data.size() != sizeof(DWORD))
    return std::nullopt;
  DWORD value = 0;
  memcpy(&value, data.data(), sizeof value);
  return value;
}

bool RegistryKey::WriteDword(const std::string& name, uint32_t value) {
  DWORD number = value;
  return RegSetValueExW(handle_->key, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                        sizeof number) == ERROR_SUCCESS;
}

bool RegistryKey::DeleteValue(const std::string& name) {
  return RegDeleteValueW(handle_->key, Wide(name).c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> RegistryKey::SubKeyNames() const {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // the longest key name the registry allows is 255 characters
    DWORD length = 256;
    LONG status = RegEnumKeyExW(handle_->key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    names.push_back(Narrow(name, length));
  }
  return names;
}

bool DeleteRegistryKey(RegistryRoot root, const std::string& path) {
  if (path.empty()) return false;
  return RegDeleteTreeW(RootKey(root), Wide(path).c_str()) == ERROR_SUCCESS;
}

}  // namespace platform
