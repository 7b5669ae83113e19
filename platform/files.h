// File system services. Every path is GBK text in Windows form (drive letter,
// backslashes). On Windows the paths reach the wide-character API through code
// page 936; natively, drive-letter paths live in a sandbox folder (see
// test_support.h), host paths beginning with "/" are used as they are, and
// backslashes become the host's separator.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Windows file attribute bits.
enum FileAttribute : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
  // A link: a symbolic link or junction (with kAttrDirectory when it stands
  // for a folder). ReadAttributes and ListDirectory give the link's own
  // attributes, not those of what it leads to.
  kAttrReparsePoint = 0x400,
};
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// A local (wall-clock) date and time, as the file system shows it to the user.
struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  auto operator<=>(const LocalDateTime&) const = default;
};

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

bool FileExists(const std::string& path);       // an existing file, not a folder
bool DirectoryExists(const std::string& path);  // an existing folder
bool MakeDirectory(const std::string& path);  // one level; its parent must exist
bool ForceDirectories(const std::string& path); // with every missing parent
bool RemoveFile(const std::string& path);
bool RemoveEmptyDirectory(const std::string& path);  // only an empty folder

struct DirectoryEntry {
  std::string name;  // GBK, no folder part
  uint32_t attributes = 0;
  uint64_t size = 0;
};
// Every entry directly inside a folder (hidden and system ones included),
// without "." and "..". Empty when the folder cannot be read.
std::vector<DirectoryEntry> ListDirectory(const std::string& folder);

uint32_t ReadAttributes(const std::string& path);  // kInvalidAttributes on failure
bool WriteAttributes(const std::string& path, uint32_t attributes);

std::optional<LocalDateTime> ModifiedTime(const std::string& path);
// Sets the last-write time from a local date-time; opens the file for writing
// with sharing, so that a file other programs hold open may still be dated.
bool SetModifiedTime(const std::string& path, const LocalDateTime& time);

// The size of an existing file; nullopt when it is missing or cannot be
// opened.
std::optional<uint64_t> FileSize(const std::string& path);
// The whole content of a file of at most max_size bytes; nullopt when it is
// missing, larger or cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& path, uint64_t max_size);

// The current local date and time.
LocalDateTime CurrentLocalTime();

// Drive of a root text such as "C:\".
DriveType DriveKind(const std::string& root);
std::string VolumeLabel(const std::string& root);  // empty when unknown

// True when an existing file is held open by a program in a way that keeps
// it from being replaced now: opening it for exclusive writing (no sharing)
// fails for sharing or a lock. A read-only file is tried for exclusive
// reading instead (it is made writable before it is replaced). False for a
// missing file and for other failures, which replacing would meet anyway.
bool FileHeldOpen(const std::string& path);

// The bytes this user may still write on the drive that holds path (the
// path itself or its nearest existing parent folder); nullopt when the
// system cannot tell.
std::optional<uint64_t> FreeDiskSpace(const std::string& path);

// Where a path really is, every link on the way followed: a drive-form path
// (no "\\?\" prefix) without a trailing backslash, except for a drive root.
// Empty when the path does not exist (a link leading nowhere included).
std::string FinalPath(const std::string& path);

// Gives an existing folder the permissions of the system's Program Files
// folder: administrators and SYSTEM may change it, users may read and run
// what it holds; everything made inside inherits them, and nothing is
// inherited from its parent. True when they were set. (Natively: recorded,
// see test_support.h.)
bool GiveProgramFilesPermissions(const std::string& folder);

// The current working folder (GBK), used where a dialog starts "here".
std::string CurrentDirectory();

// Renames a file or folder to a new name on the same volume (it is never
// copied); fails when the new name exists. Bytes, times and attributes stay
// as they are.
bool RenamePath(const std::string& from, const std::string& to);

// The system's own text for the last failure of a file operation on this
// thread (creating, writing, renaming, making a folder), e.g. "磁盘空间不足。"
// (GBK, no line end); empty when none failed yet.
std::string LastFailureText();

// Names avoid the Win32 macro names (CreateDirectory, DeleteFile, ...), so
// that files which include windows.h see the same declarations.

// An open file. Construction throws FileOpenError / FileCreateError.
class File {
 public:
  enum class Mode {
    ReadDenyWrite,  // existing file, read only; other programs may read, not write
    ReadShared,     // existing file, read only, any sharing
    Create,         // created new or emptied, read and write, no sharing for writers
    WriteShared,    // existing file opened for writing, others may share it
  };
  File(const std::string& path, Mode mode);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to count bytes; returns how many arrived (0 at the end).
  size_t Read(void* buffer, size_t count);
  // Writes up to count bytes; returns how many were taken.
  size_t Write(const void* buffer, size_t count);
  // origin 0 start, 1 current, 2 end; returns the new position or -1.
  int64_t Seek(int64_t offset, int origin);
  int64_t Size();
  // An opaque stamp of the last modification (of the open handle): equal
  // stamps mean the file's time did not change.
  int64_t ModifiedStamp();
  // Forces the file's data to disk.
  bool FlushToDisk();
  const std::string& Path() const { return path_; }

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  std::string path_;
};

}  // namespace platform
