// Test helpers for the legacy decoders (methods 1 to 6): in-memory input and
// output for DecoderIO, one call that decodes a whole entry by method, and a
// small, bounded reader of ZIP files for the peer fixtures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/decoders/decoder_io.h"

namespace archive::legacy_test {

using Bytes = std::vector<uint8_t>;

// Serves a byte vector in blocks, as the archive stream would.
class MemorySource : public InputSource {
 public:
  explicit MemorySource(const Bytes& data) : data_(data) {}
  size_t ReadBlock(uint8_t* buffer, size_t max) override;

 private:
  const Bytes& data_;
  size_t position_ = 0;
};

// Collects every block handed to it.
class MemorySink : public OutputSink {
 public:
  void TakeBlock(const uint8_t* data, size_t n) override { bytes.insert(bytes.end(), data, data + n); }
  Bytes bytes;
};

struct Decoded {
  DecodeStatus status;
  Bytes output;
};

// Decodes one entry of method 1-6 with the given flags and declared size.
// buffers carries the window from entry to entry, as one extraction run does.
Decoded DecodeEntry(WorkBuffers& buffers, int method, uint16_t flags, const Bytes& compressed,
                    int64_t uncompressed_size);
Decoded DecodeEntry(int method, uint16_t flags, const Bytes& compressed, int64_t uncompressed_size);

uint32_t Crc32(const Bytes& data);

// "41 84 04" -> {0x41, 0x84, 0x04}.
Bytes FromHex(const std::string& hex);
std::string ToHex(const Bytes& data);
Bytes FromText(const std::string& text);

// One entry of a ZIP file, found through the central directory, with the
// compressed bytes from behind its local header.
struct ZipEntry {
  std::string name;
  int method = 0;
  uint16_t flags = 0;
  uint32_t crc = 0;
  uint32_t compressed_size = 0;
  uint32_t uncompressed_size = 0;
  Bytes compressed;
};

// Reads every entry of a single-part ZIP file; nullopt when the records do
// not hold together (the tests only use well-formed fixtures).
std::optional<std::vector<ZipEntry>> ReadZip(const std::string& path);
std::optional<Bytes> ReadFile(const std::string& path);

// The peer fixtures folder, <repo>/../shared/fixtures/zip-peers, or "" when
// this clone has no such folder next to it.
std::string PeerFixtureFolder();

}  // namespace archive::legacy_test
