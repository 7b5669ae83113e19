#include "archive/tests/legacy_test_support.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "archive/decoders/explode.h"
#include "archive/decoders/unreduce.h"
#include "archive/decoders/unshrink.h"

namespace archive::legacy_test {

size_t MemorySource::ReadBlock(uint8_t* buffer, size_t max) {
  size_t n = std::min(max, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

Decoded DecodeEntry(WorkBuffers& buffers, int method, uint16_t flags, const Bytes& compressed,
                    int64_t uncompressed_size) {
  MemorySource source(compressed);
  MemorySink sink;
  DecoderIO io(buffers, source, sink, static_cast<int64_t>(compressed.size()), uncompressed_size);
  DecodeStatus status;
  if (method == 1) {
    status = Unshrink(io);
  } else if (method >= 2 && method <= 5) {
    status = Unreduce(io, method - 1);
  } else if (method == 6) {
    status = Explode(io, flags);
  } else {
    throw std::invalid_argument("not a legacy method");
  }
  return {status, std::move(sink.bytes)};
}

Decoded DecodeEntry(int method, uint16_t flags, const Bytes& compressed, int64_t uncompressed_size) {
  WorkBuffers buffers;
  return DecodeEntry(buffers, method, flags, compressed, uncompressed_size);
}

uint32_t Crc32(const Bytes& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

Bytes FromHex(const std::string& hex) {
  Bytes bytes;
  std::string digits;
  for (char c : hex)
    if (c != ' ') digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string ToHex(const Bytes& data) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (uint8_t b : data) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::optional<Bytes> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

namespace {

uint32_t Get16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }

}  // namespace

std::optional<std::vector<ZipEntry>> ReadZip(const std::string& path) {
  std::optional<Bytes> file = ReadFile(path);
  if (!file || file->size() < 22) return std::nullopt;
  const Bytes& b = *file;
  // The end record is in the last 22 + 65535 bytes.
  size_t end = std::string::npos;
  size_t lowest = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
  for (size_t at = b.size() - 22 + 1; at-- > lowest;) {
    if (Get32(b, at) == 0x06054b50) {
      end = at;
      break;
    }
  }
  if (end == std::string::npos) return std::nullopt;
  size_t count = Get16(b, end + 10);
  size_t at = Get32(b, end + 16);
  std::vector<ZipEntry> entries;
  for (size_t i = 0; i < count; ++i) {
    if (at + 46 > b.size() || Get32(b, at) != 0x02014b50) return std::nullopt;
    ZipEntry e;
    e.flags = static_cast<uint16_t>(Get16(b, at + 8));
    e.method = static_cast<int>(Get16(b, at + 10));
    e.crc = Get32(b, at + 16);
    e.compressed_size = Get32(b, at + 20);
    e.uncompressed_size = Get32(b, at + 24);
    size_t name_length = Get16(b, at + 28);
    size_t record_length = 46 + name_length + Get16(b, at + 30) + Get16(b, at + 32);
    size_t local = Get32(b, at + 42);
    if (at + record_length > b.size()) return std::nullopt;
    e.name.assign(b.begin() + static_cast<ptrdiff_t>(at + 46), b.begin() + static_cast<ptrdiff_t>(at + 46 + name_length));
    if (local + 30 > b.size() || Get32(b, local) != 0x04034b50) return std::nullopt;
    size_t data = local + 30 + Get16(b, local + 26) + Get16(b, local + 28);
    if (data > b.size() || e.compressed_size > b.size() - data) return std::nullopt;
    e.compressed.assign(b.begin() + static_cast<ptrdiff_t>(data), b.begin() + static_cast<ptrdiff_t>(data + e.compressed_size));
    entries.push_back(std::move(e));
    at += record_length;
  }
  return entries;
}

std::string PeerFixtureFolder() {
  std::filesystem::path folder = std::filesystem::path(DZ_SOURCE_DIR) / ".." / "shared" / "fixtures" / "zip-peers";
  return std::filesystem::is_directory(folder) ? folder.string() : std::string();
}

}  // namespace archive::legacy_test
