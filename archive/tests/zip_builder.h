// Builds small ZIP archives in memory for the archive tests (the directory,
// extraction and legacy-method tests, the command-line tests and the fuzz
// seeds): stored or deflated entries, or any method with compressed bytes
// given as they are; entries encrypted with the traditional cipher (header
// check by CRC, or by DOS time with a data descriptor); chosen names, times,
// host bytes, extra fields and comments; the central directory and the end
// record; spanned sets cut into volumes. Every field a test may want to
// falsify has an override, so broken archives are made by planning a good
// one and overriding what it claims.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace archive::testing {

struct ZipEntryPlan {
  std::string name{};  // as stored ("/" separators)
  std::string data{};  // the plain contents
  uint16_t method = 0;  // 0 stores data, 8 deflates it; other methods need raw
  uint16_t flags = 0;   // more flag bits (bits 0 and 3 follow password and data_descriptor)
  uint32_t dos_date_time = 0x5A2C6000;  // 2025-01-12 12:00:00
  uint16_t made_by = 0x0014;            // MS-DOS, 2.0
  std::string central_extra{};
  std::string local_extra{};
  std::string comment{};
  uint32_t external_attributes = 0x20;
  std::optional<std::string> password{};  // encrypted with the traditional cipher when set
  bool data_descriptor = false;           // sizes and CRC after the data; the time checks the password
  std::optional<std::string> raw{};       // compressed bytes in place of those of data
  // Overrides of what the records say (-1: the true value).
  int64_t declared_size = -1;             // uncompressed size, in both records
  int64_t declared_compressed_size = -1;  // compressed size, in both records
  int64_t declared_crc = -1;              // CRC-32, in both records
  int64_t disk_override = -1;             // disk number of the central record
  int64_t central_offset_override = -1;   // local header offset of the central record
  int64_t central_extra_length_override = -1;
  // Only a central record, no local header and data of its own (with
  // central_offset_override, a second record of another entry's data).
  bool central_only = false;
};

struct ZipPlan {
  std::vector<ZipEntryPlan> entries;
  std::string comment{};
  std::string prefix{};    // bytes before the first local header (an SFX stub)
  std::string trailer{};   // bytes after the end record
  int64_t total_entries_override = -1;
  int64_t this_disk_override = -1;
  int64_t start_disk_override = -1;
  int64_t central_offset_override = -1;
};

struct BuiltZip {
  std::string bytes;
  std::vector<uint32_t> local_offsets;
  uint32_t central_offset = 0;
  uint32_t end_offset = 0;
};

BuiltZip BuildZip(const ZipPlan& plan);
// The bytes of an archive holding entries, with nothing overridden at the
// archive's level.
std::string BuildZipBytes(const std::vector<ZipEntryPlan>& entries);

// A spanned set: the archive laid out as one byte sequence and cut every
// volume_size bytes (records may straddle volumes); the last volume holds
// the rest including the whole end record. Disk numbers and offsets are the
// volume-relative ones.
std::vector<std::string> BuildSpannedZip(const ZipPlan& plan, size_t volume_size);

// The pieces an archive is made of, for tests that lay out their own.
std::string LocalHeaderOf(const ZipEntryPlan& entry);  // header, name and local extra field
std::string EntryPayload(const ZipEntryPlan& entry);   // compressed (and encrypted) data

uint32_t Crc32Of(const std::string& data);
// Raw DEFLATE (no zlib framing) of data at the given level.
std::string DeflateRaw(const std::string& data, int level = 6);
// plain encrypted with the traditional cipher under password.
std::string EncryptWith(const std::string& password, const std::string& plain);
void PutU16(std::string& out, size_t at, uint16_t value);
void PutU32(std::string& out, size_t at, uint32_t value);
void AppendU16(std::string& out, uint16_t value);
void AppendU32(std::string& out, uint32_t value);

}  // namespace archive::testing
