// The payload checks: each payload's size and CRC-32 as the installer carries
// it, so that a damaged installer is found before anything is installed. The
// packer writes them into the resource CCRC of type CRC (language 2052) beside
// the payloads C0, C1, ...; the installer computes the same values while it
// copies each payload out of itself and compares.
//
// Bytes (little-endian): "DZPC", format version 1 (4 bytes), payload count n
// (4 bytes), then n records of size (8 bytes) and CRC-32 (4 bytes), payload
// C0 first. Nothing follows. The CRC-32 is ZIP's (zlib's crc32) of the
// payload's bytes as carried, that is of the encrypted archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace payload_checks {

inline constexpr char kResourceName[] = "CCRC";
inline constexpr char kResourceType[] = "CRC";
inline constexpr uint32_t kMaxPayloads = 1000;

struct Check {
  uint64_t size = 0;
  uint32_t crc32 = 0;
  bool operator==(const Check&) const = default;
};

std::string Write(const std::vector<Check>& checks);

// The checks, or nothing with the reason in *error (a wrong tag or version, a
// count over kMaxPayloads, a length that is not the count's).
std::optional<std::vector<Check>> Parse(std::string_view bytes, std::string* error = nullptr);

// Size and CRC-32 of bytes that pass in pieces of any length.
class Running {
 public:
  void Update(const void* data, size_t size);
  Check Result() const { return {size_, crc_}; }

 private:
  uint64_t size_ = 0;
  uint32_t crc_ = 0;
};

// The index of the first payload whose measured check is not the carried
// one, or of the first payload one list has and the other lacks; nothing when
// both lists are equal.
std::optional<size_t> FirstMismatch(const std::vector<Check>& carried, const std::vector<Check>& measured);

}  // namespace payload_checks
