// Windows file system through the wide-character API.
#include <windows.h>

#include <cwchar>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/windows/folders.h"
#include "platform/windows/system_handles.h"
#include "platform/windows/wide.h"

namespace platform {
namespace {

using windows::FindHandle;
using windows::OwnedHandle;
using windows::Narrow;
using windows::Wide;

// The search pattern for everything in folder.
std::wstring EverythingIn(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + L'*';
}

bool IsSelfOrParent(const wchar_t* name) { return !wcscmp(name, L".") || !wcscmp(name, L".."); }

// The system's text of the last failure of a file operation on this thread.
thread_local std::string last_failure_text;

void NoteFailure(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length && text ? std::wstring(text, length) : std::wstring();
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
    message.pop_back();
  if (message.empty()) message = L"Windows error " + std::to_wstring(code);
  last_failure_text = Narrow(message);
}

bool LocalToFileTime(const LocalDateTime& t, FILETIME& out) {
  SYSTEMTIME system_time{};
  system_time.wYear = static_cast<WORD>(t.year);
  system_time.wMonth = static_cast<WORD>(t.month);
  system_time.wDay = static_cast<WORD>(t.day);
  system_time.wHour = static_cast<WORD>(t.hour);
  system_time.wMinute = static_cast<WORD>(t.minute);
  system_time.wSecond = static_cast<WORD>(t.second);
  FILETIME local;
  return SystemTimeToFileTime(&system_time, &local) && LocalFileTimeToFileTime(&local, &out);
}

}  // namespace

struct File::Handle {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FinalPath(const std::string& path) {
  const OwnedHandle file(CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return "";
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return "";
    if (length < final.size()) {
      final.resize(length);
      break;
    }
    final.resize(length + 1);
  }
  if (final.rfind(L"\\\\?\\UNC\\", 0) == 0)
    final = L"\\\\" + final.substr(8);
  else if (final.rfind(L"\\\\?\\", 0) == 0)
    final = final.substr(4);
  if (final.size() > 3 && final.back() == L'\\') final.pop_back();
  return Narrow(final);
}

bool MakeDirectory(const std::string& path) {
  if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return true;
  NoteFailure(GetLastError());
  return false;
}

// One pass from the root down: every folder on the way is created unless it
// exists. No recursion and no copy of the path per level, so a deep path costs
// as much as its length.
bool ForceDirectories(const std::string& path) {
  std::wstring w = Wide(path);
  while (w.size() > 3 && (w.back() == L'\\' || w.back() == L'/')) w.pop_back();
  if (w.empty()) return false;
  auto is_folder = [](const std::wstring& p) {
    DWORD attributes = GetFileAttributesW(p.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  if (is_folder(w)) return true;
  // The first separator after the root (drive "C:\", UNC "\\server\share\",
  // or none for a relative path) starts the folders to create.
  size_t from = 0;
  if (w.size() >= 2 && w[1] == L':') {
    from = 2;
  } else if (w.size() >= 2 && (w[0] == L'\\' || w[0] == L'/') && (w[1] == L'\\' || w[1] == L'/')) {
    const size_t server_end = w.find_first_of(L"\\/", 2);
    if (server_end == std::wstring::npos) return false;
    from = w.find_first_of(L"\\/", server_end + 1);
    if (from == std::wstring::npos) return false;  // a share is never created
  }
  auto is_separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  for (size_t at = from + 1; at <= w.size(); ++at) {
    if (at < w.size() && !is_separator(w[at])) continue;
    if (is_separator(w[at - 1])) continue;  // a doubled separator names no folder
    // The folder up to here, ended in place instead of copied.
    const wchar_t separator = at < w.size() ? w[at] : L'\0';
    if (at < w.size()) w[at] = L'\0';
    const bool made = CreateDirectoryW(w.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    const bool there = made && is_folder(w);
    if (at < w.size()) w[at] = separator;
    if (!there) return false;
  }
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

bool RemoveEmptyDirectory(const std::string& path) { return windows::RemoveFolderIfEmpty(Wide(path)); }

std::vector<DirectoryEntry> ListDirectory(const std::string& folder) {
  std::vector<DirectoryEntry> entries;
  WIN32_FIND_DATAW data;
  FindHandle find(EverythingIn(Wide(folder)), data);
  if (!find.valid()) return entries;
  do {
    if (IsSelfOrParent(data.cFileName)) continue;
    entries.push_back({Narrow(data.cFileName), data.dwFileAttributes,
                       (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
  } while (find.Next(data));
  return entries;
}

uint32_t ReadAttributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

bool WriteAttributes(const std::string& path, uint32_t attributes) {
  return SetFileAttributesW(Wide(path).c_str(), attributes) != 0;
}

LocalDateTime CurrentLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::optional<LocalDateTime> ModifiedTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  FILETIME local;
  SYSTEMTIME system_time;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &system_time))
    return std::nullopt;
  return LocalDateTime{system_time.wYear, system_time.wMonth,  system_time.wDay,
                       system_time.wHour, system_time.wMinute, system_time.wSecond};
}

bool SetModifiedTime(const std::string& path, const LocalDateTime& time) {
  FILETIME file_time;
  if (!LocalToFileTime(time, file_time)) return false;
  OwnedHandle file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && SetFileTime(file.get(), nullptr, nullptr, &file_time) != 0;
}

DriveType DriveKind(const std::string& root) {
  switch (GetDriveTypeW(Wide(root).c_str())) {
    case DRIVE_NO_ROOT_DIR: return DriveType::NoRootDir;
    case DRIVE_REMOVABLE: return DriveType::Removable;
    case DRIVE_FIXED: return DriveType::Fixed;
    case DRIVE_REMOTE: return DriveType::Remote;
    case DRIVE_CDROM: return DriveType::CdRom;
    case DRIVE_RAMDISK: return DriveType::RamDisk;
    default: return DriveType::Unknown;
  }
}

std::string VolumeLabel(const std::string& root) {
  wchar_t label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(Wide(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
    return "";
  return Narrow(label, wcslen(label));
}

bool FileHeldOpen(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // A read-only file refuses write access to everyone; its sharing is then
  // tested with read access, which meets the same share checks.
  const DWORD access = (attributes & FILE_ATTRIBUTE_READONLY) ? GENERIC_READ : GENERIC_WRITE;
  OwnedHandle file(CreateFileW(wide.c_str(), access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.valid()) return false;
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::optional<uint64_t> FreeDiskSpace(const std::string& path) {
  // GetDiskFreeSpaceExW wants an existing folder: walk up to one.
  std::wstring folder = Wide(path);
  for (;;) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) break;
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    const size_t cut = folder.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return std::nullopt;
    folder.resize(cut + 1);  // "C:\" stays a root
  }
  if (folder.back() != L'\\') folder += L'\\';
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

std::string CurrentDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD written = GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  return written && written <= MAX_PATH ? Narrow(buffer, written) : std::string();
}

File::File(const std::string& path, Mode mode) : handle_(std::make_unique<Handle>()), path_(path) {
  DWORD access = GENERIC_READ, share = FILE_SHARE_READ, disposition = OPEN_EXISTING;
  switch (mode) {
    case Mode::ReadDenyWrite: break;
    case Mode::ReadShared: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    case Mode::Create:
      access = GENERIC_READ | GENERIC_WRITE;
      share = FILE_SHARE_READ;
      disposition = CREATE_ALWAYS;
      break;
    case Mode::WriteShared:
      access = GENERIC_WRITE;
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
  }
  handle_->handle = CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_->handle == INVALID_HANDLE_VALUE) {
    NoteFailure(GetLastError());
    if (mode == Mode::Create) throw FileCreateError(path);
    throw FileOpenError(path);
  }
}

File::~File() {
  if (handle_ && handle_->handle != INVALID_HANDLE_VALUE) CloseHandle(handle_->handle);
}

size_t File::Read(void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done), got = 0;
    if (!ReadFile(handle_->handle, static_cast<char*>(buffer) + done, chunk, &got, nullptr) || got == 0) break;
    done += got;
  }
  return done;
}

size_t File::Write(const void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done), put = 0;
    if (!WriteFile(handle_->handle, static_cast<const char*>(buffer) + done, chunk, &put, nullptr) || put == 0) {
      NoteFailure(GetLastError());
      break;
    }
    done += put;
  }
  return done;
}

int64_t File::Seek(int64_t offset, int origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(handle_->handle, distance, &result, method)) return -1;
  return result.QuadPart;
}

int64_t File::Size() {
  LARGE_INTEGER size;
  return GetFileSizeEx(handle_->handle, &size) ? size.QuadPart : -1;
}

int64_t File::ModifiedStamp() {
  FILETIME written;
  if (!GetFileTime(handle_->handle, nullptr, nullptr, &written)) return 0;
  return (static_cast<int64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
}

bool File::FlushToDisk() { return FlushFileBuffers(handle_->handle) != 0; }

bool RenamePath(const std::string& from, const std::string& to) {
  // No MOVEFILE_COPY_ALLOWED: a rename, never a copy; no REPLACE_EXISTING.
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), 0)) return true;
  NoteFailure(GetLastError());
  return false;
}

std::string LastFailureText() { return last_failure_text; }

}  // namespace platform

namespace platform::windows {

bool RemoveFolderIfEmpty(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  FindHandle find(EverythingIn(folder), data);
  if (find.valid()) {
    do {
      if (!IsSelfOrParent(data.cFileName)) {
        SetLastError(ERROR_DIR_NOT_EMPTY);
        return false;
      }
    } while (find.Next(data));
  }
  // Something put in it after the look still makes the removal fail.
  return RemoveDirectoryW(folder.c_str()) != 0;
}

}  // namespace platform::windows
