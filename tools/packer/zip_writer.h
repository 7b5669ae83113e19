// The vendor's ZIP writer: entries deflated through zlib (an empty entry is
// stored) and encrypted with the traditional PKWARE encryption, GBK names
// with "/" between folders, DOS times and Windows attributes, and a host that
// is not MS-DOS, so that no reader applies an OEM conversion to the names.
//
// Output is reproducible: the same entries give the same bytes, since the
// encryption header's random bytes are derived from the entry's name and
// content. An archive is written whole or not at all: on any failure, and
// when the writer is destroyed before Finish, the output file is removed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/files.h"

namespace packer {

class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Limits of the classic ZIP format, which is all the installer reads.
inline constexpr uint64_t kMaxEntrySize = 0xFFFFFFFFull;  // one byte short of 4 GiB
inline constexpr size_t kMaxEntries = 65535;

// The DOS date and time of a local date-time (two-second steps; years before
// 1980 become 1980-01-01 00:00, the earliest a DOS time can say).
uint32_t DosDateTime(const platform::LocalDateTime& time);

// What the writer needs of an entry's content: its size and a way to read it
// from the start, again for every pass over it.
struct EntrySource {
  uint64_t size = 0;
  // Calls sink with consecutive pieces of the content, from the first byte.
  std::function<void(const std::function<void(const uint8_t*, size_t)>& sink)> read;
};
EntrySource BytesSource(std::string bytes);
// A file read in blocks (platform path). Raises PackError when it cannot be
// opened or when it changes size while being packed.
EntrySource FileSource(const std::string& path, uint64_t size);

struct WrittenEntry {
  std::string name;
  uint64_t size = 0, compressed = 0;  // compressed includes the 12-byte encryption header
  uint32_t crc = 0;
  uint16_t method = 0;
};

class ZipWriter {
 public:
  // Creates the archive file (platform path). level: zlib level 1..9.
  ZipWriter(const std::string& path, std::string password, int level = 6);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // name: GBK, relative, "/" between folders. Raises PackError for a name
  // that is empty, absolute or too long, for more than 65535 entries, for an
  // entry over 4 GiB, and when the archive would pass 4 GiB.
  void Add(const std::string& name, const EntrySource& source, const platform::LocalDateTime& time,
           uint32_t attributes);
  // Writes the central directory and the end record and closes the file.
  void Finish();
  // Called after every piece of content written (bytes of the entry so far).
  std::function<void(uint64_t done)> OnProgress;

  const std::vector<WrittenEntry>& Entries() const { return written_; }
  uint64_t ArchiveSize() const { return offset_; }

 private:
  struct Central;
  void Write(const void* data, size_t size);
  std::string path_, password_;
  int level_;
  std::unique_ptr<platform::File> file_;
  uint64_t offset_ = 0;
  std::vector<WrittenEntry> written_;
  std::vector<Central> central_;
  bool finished_ = false;
};

}  // namespace packer
