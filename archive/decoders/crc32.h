// CRC-32 as ZIP uses it (reflected polynomial 0xEDB88320): the byte-wise table
// step of the traditional decryption keys, and the running CRC of an entry's
// output.
//
// The running CRC follows the component's convention: it starts at 0xFFFFFFFF
// for every entry and the entry's CRC-32 is the running value XOR 0xFFFFFFFF.
#pragma once

#include <cstddef>
#include <cstdint>

namespace archive {

struct Crc32Table {
  uint32_t entry[256];
};

// Built at compile time, so the table needs no generator or generated file.
constexpr Crc32Table MakeCrc32Table() {
  Crc32Table table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table.entry[n] = c;
  }
  return table;
}

inline constexpr Crc32Table kCrc32Table = MakeCrc32Table();

// One table step: table[(crc XOR b) AND 0xFF] XOR (crc >> 8). No inversion.
inline uint32_t Crc32Step(uint32_t crc, uint8_t b) { return kCrc32Table.entry[(crc ^ b) & 0xFF] ^ (crc >> 8); }

inline constexpr uint32_t kCrcStart = 0xFFFFFFFFu;

// Advances a running CRC over n bytes (same result as Crc32Step per byte).
// Uses carry-less multiplication where the processor has it (checked once,
// at the first call), else zlib's table-driven implementation.
uint32_t UpdateRunningCrc(uint32_t running, const uint8_t* data, size_t n);

// The two ways UpdateRunningCrc can take, for tests that hold both to the
// table. CarryLess is only valid where CarryLessCrcAvailable().
enum class CrcPath { Table, CarryLess };
bool CarryLessCrcAvailable();
uint32_t UpdateRunningCrcBy(CrcPath path, uint32_t running, const uint8_t* data, size_t n);

}  // namespace archive
