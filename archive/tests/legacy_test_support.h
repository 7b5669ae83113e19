// Test helpers for the legacy decoders (methods 1 to 6): one call that
// decodes a whole entry by method over the in-memory source and sink, and the
// entries of a ZIP file (read with the archive's own record readers) for the
// peer fixtures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/decoders/decoder_io.h"
#include "archive/tests/memory_io.h"

namespace archive::legacy_test {

using Bytes = std::vector<uint8_t>;

using testing::MemorySource;
using MemorySink = testing::RecordingSink;

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

// Reads every entry of a single-part ZIP file through the archive's record
// readers; nullopt when the records do not hold together (the tests only use
// well-formed fixtures).
std::optional<std::vector<ZipEntry>> ReadZip(const std::string& path);
std::optional<Bytes> ReadFile(const std::string& path);

// The peer fixtures folder, <repo>/../shared/fixtures/zip-peers, or "" when
// this clone has no such folder next to it.
std::string PeerFixtureFolder();

}  // namespace archive::legacy_test
