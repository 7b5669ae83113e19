// Builds small ZIP archives in memory for the archive tests: stored entries
// with chosen names, times, host bytes, extra fields and comments; the
// central directory and the end record; and spanned sets cut into volumes.
// Every field the tests care about can be overridden after building the
// records, so broken archives are made by editing a good one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace archive::testing {

struct ZipEntryPlan {
  std::string name{};  // as stored ("/" separators)
  std::string data{};  // stored (method 0) unless method says otherwise
  uint16_t method = 0;
  uint16_t flags = 0;
  uint32_t dos_date_time = 0x5A2C6000;  // 2025-01-12 12:00:00
  uint16_t made_by = 0x0014;            // MS-DOS, 2.0
  std::string central_extra{};
  std::string local_extra{};
  std::string comment{};
  uint32_t external_attributes = 0x20;
  // Overrides of what the central record says (-1: the true value).
  int64_t central_offset_override = -1;
  int64_t central_extra_length_override = -1;
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

// A spanned set: the archive laid out as one byte sequence and cut every
// volume_size bytes (records may straddle volumes); the last volume holds
// the rest including the whole end record. Disk numbers and offsets are the
// volume-relative ones.
std::vector<std::string> BuildSpannedZip(const ZipPlan& plan, size_t volume_size);

uint32_t Crc32Of(const std::string& data);
void PutU16(std::string& out, size_t at, uint16_t value);
void PutU32(std::string& out, size_t at, uint32_t value);

}  // namespace archive::testing
