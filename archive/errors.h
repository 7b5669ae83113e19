// The archive component's errors. Each class carries its fixed English
// message; callers catch by class and show what() as it is.
#pragma once

#include <stdexcept>
#include <string>

namespace archive {

class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The central directory cannot be read and recovery failed or was impossible.
class EBadZipFile : public ArchiveError {
 public:
  EBadZipFile() : ArchiveError("Not a valid zip file!") {}
};

// No end record and IncompleteZipMode izAssumeMulti.
class EIncompleteZip : public ArchiveError {
 public:
  EIncompleteZip() : ArchiveError("Incomplete Zip File") {}
};

// No end record and IncompleteZipMode izAssumeNotAZip.
class ENotAZipFile : public ArchiveError {
 public:
  ENotAZipFile() : ArchiveError("Not a valid zip file!") {}
};

// Archive data ends before an entry's compressed size.
class EFatalUnzipError : public ArchiveError {
 public:
  EFatalUnzipError() : ArchiveError("Premature end of file reached") {}
};

// The user (or a handler standing in for one) stopped the operation; the
// message says which step: "User Aborted Operation", "User canceled loading
// new disk.", "User canceled setting zip file name.", "User canceled Set
// Desination Directory".
class EUserCanceled : public ArchiveError {
 public:
  EUserCanceled() : ArchiveError("User Aborted Operation") {}
  explicit EUserCanceled(const std::string& message) : ArchiveError(message) {}
};

inline constexpr const char* kUserAborted = "User Aborted Operation";
inline constexpr const char* kUserCanceledNewDisk = "User canceled loading new disk.";
inline constexpr const char* kUserCanceledZipName = "User canceled setting zip file name.";
inline constexpr const char* kUserCanceledDestDir = "User canceled Set Desination Directory";

// Output of an entry would exceed its stored uncompressed size.
class EBiggerThanUncompressed : public ArchiveError {
 public:
  EBiggerThanUncompressed() : ArchiveError("File is larger than uncompressed size!") {}
};

// An output file took fewer bytes than were written.
class ECantWriteUCF : public ArchiveError {
 public:
  ECantWriteUCF() : ArchiveError("Cant write uncompressed file") {}
};

// List errors: "Duplicate Object index", "Index %d is out of range".
class EListError : public ArchiveError {
 public:
  explicit EListError(const std::string& message) : ArchiveError(message) {}
  static EListError Duplicate() { return EListError("Duplicate Object index"); }
  static EListError OutOfRange(int index) {
    return EListError("Index " + std::to_string(index) + " is out of range");
  }
};

}  // namespace archive
