// The stream classes that the installer and the archive component build on:
// a byte stream with read, write and seek; a file stream over platform::File;
// a read-only memory stream over a module resource.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/resources.h"

namespace platform {

enum SeekOrigin : int { kFromBeginning = 0, kFromCurrent = 1, kFromEnd = 2 };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many arrived.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to count bytes; returns how many were taken.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, int origin) = 0;

  int64_t Position() { return Seek(0, kFromCurrent); }
  void SetPosition(int64_t position) { Seek(position, kFromBeginning); }
  virtual int64_t Size();

  // Whole transfers: raise StreamReadError / StreamWriteError when short.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
};

// A stream over an open file; owns the file.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& path, File::Mode mode) : file_(path, mode) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return file_.Size(); }
  File& file() { return file_; }

 private:
  File file_;
};

// A read-only stream over memory it does not own.
class TCustomMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  const uint8_t* Memory() const { return memory_; }

  // Writes all bytes to a file (created, or emptied when it exists) in one
  // write. Raises FileCreateError or StreamWriteError.
  void SaveToFile(const std::string& path);

 protected:
  void SetPointer(const uint8_t* memory, int64_t size) { memory_ = memory; size_ = size; position_ = 0; }
  const uint8_t* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

// A module resource found by name and type; raises ResourceNotFound
// ("Resource <name> not found") when the module has no such resource.
class TResourceStream : public TCustomMemoryStream {
 public:
  TResourceStream(const std::string& name, const std::string& type);
};

}  // namespace platform
