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
#include "archive/tests/zip_builder.h"
#include "archive/zip_records.h"

namespace archive::legacy_test {

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

uint32_t Crc32(const Bytes& data) { return testing::Crc32Of(std::string(data.begin(), data.end())); }

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

std::optional<std::vector<ZipEntry>> ReadZip(const std::string& path) {
  std::optional<Bytes> file = ReadFile(path);
  if (!file) return std::nullopt;
  testing::MemoryStream stream(std::string(file->begin(), file->end()));
  TEndOfCentralDir end;
  if (!end.FindEndRecord(stream) || end.ThisDisk != 0) return std::nullopt;
  stream.Seek(end.CentralDirOffset, platform::kFromBeginning);
  std::vector<TZipEntryInfo> records(end.TotalEntries, TZipEntryInfo(false));
  for (TZipEntryInfo& record : records) {
    if (!record.ReadCentralRecord(stream)) return std::nullopt;
    stream.Seek(record.CentralExtraLength + record.CommentLength, platform::kFromCurrent);
  }
  std::vector<ZipEntry> entries;
  for (const TZipEntryInfo& record : records) {
    uint8_t header[kLocalHeaderSize];
    stream.Seek(record.LocalHeaderOffset, platform::kFromBeginning);
    if (stream.Read(header, kLocalHeaderSize) != kLocalHeaderSize || ReadU32(header) != kLocalSignature)
      return std::nullopt;
    const size_t data = record.LocalHeaderOffset + kLocalHeaderSize + ReadU16(header + local_header::kNameLength) +
                        ReadU16(header + local_header::kExtraLength);
    if (data > file->size() || record.CompressedSize > file->size() - data) return std::nullopt;
    ZipEntry e;
    e.name = record.FullName();
    e.method = record.Method;
    e.flags = record.Flags;
    e.crc = record.CRC32;
    e.compressed_size = record.CompressedSize;
    e.uncompressed_size = record.UncompressedSize;
    e.compressed.assign(file->begin() + static_cast<ptrdiff_t>(data),
                        file->begin() + static_cast<ptrdiff_t>(data + record.CompressedSize));
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string PeerFixtureFolder() {
  std::filesystem::path folder = std::filesystem::path(DZ_SOURCE_DIR) / ".." / "shared" / "fixtures" / "zip-peers";
  return std::filesystem::is_directory(folder) ? folder.string() : std::string();
}

}  // namespace archive::legacy_test
