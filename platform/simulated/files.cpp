// Native file system: POSIX calls on the host paths of host_paths.h.
// Sharing modes have no host equivalent and are not enforced; the read-only
// attribute maps to the owner's write permission.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "platform/encoding.h"
#include "platform/errors.h"
#include "platform/simulated/host_paths.h"
#include "platform/test_support.h"

namespace platform {
namespace {

using simulated::ToHostPath;

bool StatPath(const std::string& path, struct stat& st) { return ::stat(ToHostPath(path).c_str(), &st) == 0; }

// Attributes as Windows gives them for the entry itself: a symbolic link is a
// reparse point, a folder one when it leads to a folder.
uint32_t AttributesOfEntry(const std::string& host) {
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0) return kInvalidAttributes;
  uint32_t attributes = 0;
  if (S_ISLNK(st.st_mode)) {
    struct stat target;
    attributes = kAttrReparsePoint |
                 (::stat(host.c_str(), &target) == 0 && S_ISDIR(target.st_mode) ? kAttrDirectory : kAttrArchive);
  } else {
    attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
  }
  return attributes;
}

std::mutex drive_mutex;
// The folders given Program Files' permissions, in order.
std::vector<std::string> program_files_permissions;
std::map<std::string, std::pair<int, std::string>> drive_info;
std::set<std::string> held_files;                  // host paths
std::map<std::string, uint64_t> drive_free_space;  // by drive letter
std::map<std::string, uint64_t> write_limits;      // host paths: bytes a file takes before it is "full"

// The system's text of the last failure of a file operation on this thread.
thread_local std::string last_failure_text;

void NoteFailure(int error) { last_failure_text = std::strerror(error); }

std::string DriveKey(const std::string& root) {
  std::string key = root.substr(0, 1);
  if (!key.empty() && key[0] >= 'a' && key[0] <= 'z') key[0] = static_cast<char>(key[0] - 32);
  return key;
}

}  // namespace

struct File::Handle {
  int fd = -1;
  std::optional<uint64_t> limit;  // SetFileWriteLimit's bytes for this file
  uint64_t written = 0;
};

bool FileExists(const std::string& path) {
  struct stat st;
  return StatPath(path, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path) {
  if (::mkdir(ToHostPath(path).c_str(), 0777) == 0) return true;
  NoteFailure(errno);
  return false;
}

bool ForceDirectories(const std::string& path) {
  std::string host = ToHostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  if (host.empty()) return false;
  struct stat st;
  if (::stat(host.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  // Create every missing parent first, then this level.
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = host.find('/', pos + 1);
    partial = host.substr(0, pos);
    if (partial.empty()) continue;
    if (::stat(partial.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return false;
      continue;
    }
    if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path) {
  std::string host = ToHostPath(path);
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  // Windows refuses to delete a read-only file; keep that rule.
  if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) return false;
  return ::unlink(host.c_str()) == 0;
}

bool RemoveEmptyDirectory(const std::string& path) { return ::rmdir(ToHostPath(path).c_str()) == 0; }

std::vector<DirectoryEntry> ListDirectory(const std::string& folder) {
  std::vector<DirectoryEntry> entries;
  std::string host = ToHostPath(folder);
  DIR* dir = ::opendir(host.c_str());
  if (!dir) return entries;
  while (dirent* d = ::readdir(dir)) {
    std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    DirectoryEntry entry;
    entry.name = Utf8ToGbk(name);
    struct stat st;
    std::string full = host + (host.empty() || host.back() == '/' ? "" : "/") + name;
    if (::lstat(full.c_str(), &st) == 0) {
      entry.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
      entry.attributes = AttributesOfEntry(full);
      if (name[0] == '.') entry.attributes |= kAttrHidden;
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  return entries;
}

uint32_t ReadAttributes(const std::string& path) {
  std::string host = ToHostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  return AttributesOfEntry(host);
}

bool GiveProgramFilesPermissions(const std::string& folder) {
  struct stat st;
  if (!StatPath(folder, st) || !S_ISDIR(st.st_mode)) return false;
  std::lock_guard lock(drive_mutex);
  program_files_permissions.push_back(folder);
  return true;
}

std::string FinalPath(const std::string& path) {
  char* resolved = ::realpath(ToHostPath(path).c_str(), nullptr);
  if (!resolved) return "";
  std::string host(resolved);
  std::free(resolved);
  // Back to the drive form when it lies in the sandbox (SANDBOX/C/x -> C:\x).
  char* root = ::realpath(testing::SandboxRoot().c_str(), nullptr);
  std::string sandbox = root ? root : testing::SandboxRoot();
  std::free(root);
  if (host.size() >= sandbox.size() + 2 && host.compare(0, sandbox.size(), sandbox) == 0 &&
      host[sandbox.size()] == '/' && (host.size() == sandbox.size() + 2 || host[sandbox.size() + 2] == '/')) {
    std::string drive = host.substr(sandbox.size() + 1, 1) + ":";
    std::string rest = host.substr(sandbox.size() + 2);
    for (char& c : rest)
      if (c == '/') c = '\\';
    return Utf8ToGbk(drive + (rest.empty() ? "\\" : rest));
  }
  return Utf8ToGbk(host);
}

bool WriteAttributes(const std::string& path, uint32_t attributes) {
  std::string host = ToHostPath(path);
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly)
    mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  return ::chmod(host.c_str(), mode) == 0;
}

LocalDateTime CurrentLocalTime() {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::optional<LocalDateTime> ModifiedTime(const std::string& path) {
  struct stat st;
  if (!StatPath(path, st)) return std::nullopt;
  std::tm tm{};
  time_t t = st.st_mtim.tv_sec;
  if (!::localtime_r(&t, &tm)) return std::nullopt;
  return LocalDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool SetModifiedTime(const std::string& path, const LocalDateTime& time) {
  std::tm tm{};
  tm.tm_year = time.year - 1900;
  tm.tm_mon = time.month - 1;
  tm.tm_mday = time.day;
  tm.tm_hour = time.hour;
  tm.tm_min = time.minute;
  tm.tm_sec = time.second;
  tm.tm_isdst = -1;
  time_t t = ::mktime(&tm);
  if (t == static_cast<time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = t;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  return ::utimensat(AT_FDCWD, ToHostPath(path).c_str(), times, 0) == 0;
}

DriveType DriveKind(const std::string& root) {
  std::lock_guard lock(drive_mutex);
  auto it = drive_info.find(DriveKey(root));
  if (it != drive_info.end()) return static_cast<DriveType>(it->second.first);
  return root.size() >= 2 && root[1] == ':' ? DriveType::Fixed : DriveType::NoRootDir;
}

std::string VolumeLabel(const std::string& root) {
  std::lock_guard lock(drive_mutex);
  auto it = drive_info.find(DriveKey(root));
  return it != drive_info.end() ? it->second.second : std::string();
}

bool FileHeldOpen(const std::string& path) {
  if (!FileExists(path)) return false;
  std::lock_guard lock(drive_mutex);
  return held_files.count(ToHostPath(path)) != 0;
}

std::optional<uint64_t> FreeDiskSpace(const std::string& path) {
  {
    std::lock_guard lock(drive_mutex);
    if (path.size() >= 2 && path[1] == ':') {
      auto it = drive_free_space.find(DriveKey(path));
      if (it != drive_free_space.end()) return it->second;
    }
  }
  // The host's file system under the nearest existing folder.
  std::string host = ToHostPath(path);
  struct stat st;
  while (!host.empty() && ::stat(host.c_str(), &st) != 0) {
    size_t slash = host.find_last_of('/');
    host = slash == std::string::npos || slash == 0 ? std::string(slash == 0 ? "/" : "") : host.substr(0, slash);
  }
  struct statvfs fs;
  if (host.empty() || ::statvfs(host.c_str(), &fs) != 0) return std::nullopt;
  return static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
}

std::string CurrentDirectory() {
  char buffer[4096];
  if (!::getcwd(buffer, sizeof buffer)) return "";
  return Utf8ToGbk(buffer);
}

File::File(const std::string& path, Mode mode) : handle_(std::make_unique<Handle>()), path_(path) {
  std::string host = ToHostPath(path);
  int flags = O_RDONLY;
  switch (mode) {
    case Mode::ReadDenyWrite:
    case Mode::ReadShared: flags = O_RDONLY; break;
    case Mode::Create: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case Mode::WriteShared: flags = O_WRONLY; break;
  }
  struct stat st;
  bool exists = ::stat(host.c_str(), &st) == 0;
  bool is_dir = exists && S_ISDIR(st.st_mode);
  // Windows refuses to open a read-only file for writing, administrators
  // included; root on the host would not, so keep the Windows rule.
  bool read_only = exists && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
  bool writing = mode == Mode::Create || mode == Mode::WriteShared;
  handle_->fd = is_dir || (read_only && writing) ? -1 : ::open(host.c_str(), flags | O_CLOEXEC, 0666);
  if (handle_->fd < 0) NoteFailure(is_dir ? EISDIR : read_only && writing ? EACCES : errno);
  if (writing) {
    std::lock_guard lock(drive_mutex);
    auto limit = write_limits.find(host);
    if (limit != write_limits.end()) handle_->limit = limit->second;
  }
  if (handle_->fd < 0) {
    if (mode == Mode::Create) throw FileCreateError(path);
    throw FileOpenError(path);
  }
}

File::~File() {
  if (handle_ && handle_->fd >= 0) ::close(handle_->fd);
}

size_t File::Read(void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::read(handle_->fd, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

size_t File::Write(const void* buffer, size_t count) {
  size_t done = 0;
  size_t wanted = count;
  if (handle_->limit) {
    const uint64_t room = *handle_->limit > handle_->written ? *handle_->limit - handle_->written : 0;
    if (wanted > room) wanted = static_cast<size_t>(room);
  }
  while (done < wanted) {
    ssize_t n = ::write(handle_->fd, static_cast<const char*>(buffer) + done, wanted - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      NoteFailure(n < 0 ? errno : ENOSPC);
      break;
    }
    done += static_cast<size_t>(n);
  }
  handle_->written += done;
  if (done < count && done == wanted) NoteFailure(ENOSPC);
  return done;
}

int64_t File::Seek(int64_t offset, int origin) {
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(handle_->fd, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

int64_t File::Size() {
  struct stat st;
  return ::fstat(handle_->fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

int64_t File::ModifiedStamp() {
  struct stat st;
  if (::fstat(handle_->fd, &st) != 0) return 0;
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool File::FlushToDisk() { return ::fsync(handle_->fd) == 0; }

bool RenamePath(const std::string& from, const std::string& to) {
  const std::string host_from = ToHostPath(from), host_to = ToHostPath(to);
  struct stat st;
  if (::lstat(host_to.c_str(), &st) == 0) {
    NoteFailure(EEXIST);
    return false;
  }
  if (::rename(host_from.c_str(), host_to.c_str()) == 0) return true;
  NoteFailure(errno);
  return false;
}

std::string LastFailureText() { return last_failure_text; }

namespace testing {

void SetDriveInfo(const std::string& root, int drive_type, const std::string& label) {
  std::lock_guard lock(drive_mutex);
  drive_info[DriveKey(root)] = {drive_type, label};
}

std::vector<std::string> FoldersGivenProgramFilesPermissions() {
  std::lock_guard lock(drive_mutex);
  return program_files_permissions;
}

void ClearProgramFilesPermissions() {
  std::lock_guard lock(drive_mutex);
  program_files_permissions.clear();
}

void SetFileHeldOpen(const std::string& path, bool held) {
  std::lock_guard lock(drive_mutex);
  if (held)
    held_files.insert(simulated::ToHostPath(path));
  else
    held_files.erase(simulated::ToHostPath(path));
}

void SetFileWriteLimit(const std::string& path, std::optional<uint64_t> bytes) {
  std::lock_guard lock(drive_mutex);
  if (bytes)
    write_limits[simulated::ToHostPath(path)] = *bytes;
  else
    write_limits.erase(simulated::ToHostPath(path));
}

void SetFreeDiskSpace(const std::string& root, std::optional<uint64_t> bytes) {
  std::lock_guard lock(drive_mutex);
  if (bytes)
    drive_free_space[DriveKey(root)] = *bytes;
  else
    drive_free_space.erase(DriveKey(root));
}

}  // namespace testing
}  // namespace platform
