// What an installation must produce, read from the installer's own
// resources (never from its code): the manifest CEND and, for every payload
// archive C0, C1, ..., the entries of its central directory (name, size,
// CRC-32) in the order the archive stores them. Read with a small reader of
// our own, so the expectations do not rest on the archive component under
// test.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace install_test {

struct ArchiveEntry {
  std::wstring name;  // relative path with backslashes
  uint32_t crc = 0;
  uint32_t size = 0;
};

struct Payload {
  std::wstring resource;  // C0, C1, ...
  std::wstring type;      // FileType word
  std::wstring dest;      // FileDest word
  std::vector<ArchiveEntry> entries;
};

struct Product {
  std::string manifest;                         // CEND as carried (GBK, CR LF)
  std::map<std::wstring, std::wstring> base;   // BaseInfo values
  int total_files = 0;                          // fTotalFiles
  std::vector<Payload> payloads;
  std::wstring Base(const std::wstring& key) const;
};

Product ReadProduct(const std::wstring& exe);

// GBK (code page 936) to UTF-16 and back, whatever the ANSI code page is.
std::wstring FromGbk(const std::string& bytes);
std::string ToGbk(const std::wstring& text);

uint32_t Crc32(const std::string& bytes);

// The manifest's "[section]" / "key=value" lines as the profile rules read
// them (names without regard to case are not needed here: the carried
// manifest is written in one case).
std::map<std::wstring, std::map<std::wstring, std::wstring>> ParseIni(const std::wstring& text);

}  // namespace install_test
