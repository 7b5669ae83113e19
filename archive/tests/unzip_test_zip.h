// Builds ZIP archives for the extraction tests: stored or deflated entries,
// optionally encrypted with the traditional cipher (header check by CRC, or
// by DOS time with a data descriptor), with every field a test may want to
// falsify (declared size, CRC, method, raw compressed bytes).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/decoders/traditional_crypt.h"

namespace archive::testing {

struct TestEntry {
  TestEntry(std::string entry_name, std::string contents, uint16_t entry_method = 8)
      : name(std::move(entry_name)), data(std::move(contents)), method(entry_method) {}

  std::string name;  // as stored, "/" separators
  std::string data;  // the plain contents
  uint16_t method = 8;
  std::optional<std::string> password;  // encrypted when set
  bool data_descriptor = false;
  uint32_t dos_date_time = 0x5A2C6000;  // 2025-01-12 12:00:00
  uint32_t external_attributes = 0x20;
  uint16_t made_by = 0x0A14;  // NTFS host: names are taken as stored
  std::optional<std::string> raw;  // compressed bytes instead of compressing data
  int64_t declared_size = -1;      // uncompressed size in the records
  int64_t declared_crc = -1;
};

inline void AppendU16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void AppendU32(std::string& out, uint32_t v) {
  AppendU16(out, v & 0xFFFF);
  AppendU16(out, v >> 16);
}

inline std::string DeflateRaw(const std::string& data, int level = 6) {
  z_stream s{};
  deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, data.size()) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

inline uint32_t CrcOf(const std::string& data) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline std::string EncryptWith(const std::string& password, const std::string& plain) {
  TraditionalKeys keys;
  keys.Init(password);
  std::string out;
  for (char c : plain) {
    out.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ keys.StreamByte()));
    keys.Update(static_cast<uint8_t>(c));
  }
  return out;
}

inline std::string BuildTestZip(const std::vector<TestEntry>& entries) {
  std::string zip, central;
  for (const TestEntry& e : entries) {
    uint32_t crc = e.declared_crc >= 0 ? static_cast<uint32_t>(e.declared_crc) : CrcOf(e.data);
    std::string payload = e.raw ? *e.raw : (e.method == 8 ? DeflateRaw(e.data) : e.data);
    uint16_t flags = 0;
    if (e.password) {
      flags |= 1;
      std::string header = "0123456789";
      if (e.data_descriptor) {
        header.push_back(static_cast<char>(e.dos_date_time & 0xFF));
        header.push_back(static_cast<char>((e.dos_date_time >> 8) & 0xFF));
      } else {
        header.push_back(static_cast<char>((crc >> 16) & 0xFF));
        header.push_back(static_cast<char>(crc >> 24));
      }
      payload = EncryptWith(*e.password, header + payload);
    }
    if (e.data_descriptor) flags |= 8;
    uint32_t size = e.declared_size >= 0 ? static_cast<uint32_t>(e.declared_size) : static_cast<uint32_t>(e.data.size());
    uint32_t offset = static_cast<uint32_t>(zip.size());

    zip += "PK\x03\x04";
    AppendU16(zip, 20);
    AppendU16(zip, flags);
    AppendU16(zip, e.method);
    AppendU32(zip, e.dos_date_time);
    AppendU32(zip, e.data_descriptor ? 0 : crc);
    AppendU32(zip, e.data_descriptor ? 0 : static_cast<uint32_t>(payload.size()));
    AppendU32(zip, e.data_descriptor ? 0 : size);
    AppendU16(zip, static_cast<uint32_t>(e.name.size()));
    AppendU16(zip, 0);
    zip += e.name;
    zip += payload;
    if (e.data_descriptor) {
      zip += "PK\x07\x08";
      AppendU32(zip, crc);
      AppendU32(zip, static_cast<uint32_t>(payload.size()));
      AppendU32(zip, size);
    }

    central += "PK\x01\x02";
    AppendU16(central, e.made_by);
    AppendU16(central, 20);
    AppendU16(central, flags);
    AppendU16(central, e.method);
    AppendU32(central, e.dos_date_time);
    AppendU32(central, crc);
    AppendU32(central, static_cast<uint32_t>(payload.size()));
    AppendU32(central, size);
    AppendU16(central, static_cast<uint32_t>(e.name.size()));
    AppendU16(central, 0);
    AppendU16(central, 0);
    AppendU16(central, 0);
    AppendU16(central, 0);
    AppendU32(central, e.external_attributes);
    AppendU32(central, offset);
    central += e.name;
  }
  uint32_t central_offset = static_cast<uint32_t>(zip.size());
  zip += central;
  zip += "PK\x05\x06";
  AppendU16(zip, 0);
  AppendU16(zip, 0);
  AppendU16(zip, static_cast<uint32_t>(entries.size()));
  AppendU16(zip, static_cast<uint32_t>(entries.size()));
  AppendU32(zip, static_cast<uint32_t>(central.size()));
  AppendU32(zip, central_offset);
  AppendU16(zip, 0);
  return zip;
}

}  // namespace archive::testing
