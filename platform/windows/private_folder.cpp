#include "platform/private_folder.h"

#include <windows.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <cstdio>

#include "platform/windows/system_handles.h"
#include "platform/windows/wide.h"

namespace platform {
namespace {

using windows::FindHandle;
using windows::OwnedHandle;
using windows::Wide;

constexpr int kNameTries = 64;

// 64 random bits as 16 hexadecimal digits (RtlGenRandom, advapi32).
std::string RandomPart() {
  unsigned char bytes[8] = {};
  if (!RtlGenRandom(bytes, sizeof bytes)) {
    // Still unique per try: the creation refuses a name that exists.
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    unsigned long long mixed = counter.QuadPart ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 40);
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(mixed >>= 8);
  }
  char text[17];
  for (int i = 0; i < 8; ++i) std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
  return text;
}

// The SID that owns what this process creates (the administrators group for
// an elevated administrator, the user otherwise), as SDDL text.
std::wstring OwnerSidText() {
  HANDLE token_handle = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token_handle)) return L"";
  const OwnedHandle token(token_handle);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenOwner, nullptr, 0, &size);
  if (size == 0) return L"";
  std::string buffer(size, '\0');
  if (!GetTokenInformation(token.get(), TokenOwner, buffer.data(), size, &size)) return L"";
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner, &text)) return L"";
  std::wstring result(text);
  LocalFree(text);
  return result;
}

// Full control for the owner, the administrators and SYSTEM, inherited by
// everything inside; nothing inherited from the parent.
class PrivateSecurity {
 public:
  PrivateSecurity() {
    const std::wstring owner = OwnerSidText();
    std::wstring sddl = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
    if (!owner.empty()) sddl += L"(A;OICI;FA;;;" + owner + L")";
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_, nullptr);
  }
  ~PrivateSecurity() {
    if (descriptor_) LocalFree(descriptor_);
  }
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;
  PSECURITY_DESCRIPTOR get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

bool RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  {
    FindHandle find(folder + L"\\*", data);
    if (find.valid()) {
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
          SetFileAttributesW(path.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
          // The link itself: a folder link (junction, directory symbolic
          // link) goes with RemoveDirectoryW, a file link with DeleteFileW;
          // neither touches the target.
          if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(path.c_str());
          else
            DeleteFileW(path.c_str());
        } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(path);
        } else {
          DeleteFileW(path.c_str());
        }
      } while (find.Next(data));
    }
  }
  return RemoveDirectoryW(folder.c_str()) || GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace

struct PrivateFolder::Hold {
  // Open without delete sharing: nobody can rename or delete the folder.
  explicit Hold(HANDLE folder) : handle(folder) {}
  OwnedHandle handle;
};

PrivateFolder::PrivateFolder(std::string path, std::unique_ptr<Hold> hold)
    : path_(std::move(path)), hold_(std::move(hold)) {}

std::unique_ptr<PrivateFolder> PrivateFolder::Create(const std::string& parent, const std::string& prefix) {
  if (parent.empty()) return nullptr;
  const PrivateSecurity security;
  if (!security.get()) return nullptr;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
  for (int i = 0; i < kNameTries; ++i) {
    const std::string path = parent + prefix + RandomPart();
    const std::wstring wide = Wide(path);
    if (!CreateDirectoryW(wide.c_str(), &attributes)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;  // someone's name: another one
      return nullptr;
    }
    auto hold = std::make_unique<Hold>(CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_EXISTING,
                                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!hold->handle.valid()) {
      RemoveDirectoryW(wide.c_str());
      return nullptr;
    }
    return std::unique_ptr<PrivateFolder>(new PrivateFolder(path + "\\", std::move(hold)));
  }
  return nullptr;
}

PrivateFolder::~PrivateFolder() {
  hold_.reset();
  if (!kept_) RemoveFolderTree(path_);
}

std::string PrivateFolder::Keep() {
  kept_ = true;
  hold_.reset();
  return path_;
}

bool RemoveFolderTree(const std::string& folder) {
  std::wstring path = Wide(folder);
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveDirectoryW(path.c_str()) != 0;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  return RemoveTree(path);
}

}  // namespace platform
