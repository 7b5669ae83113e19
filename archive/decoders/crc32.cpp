#include "archive/decoders/crc32.h"

#include <zlib.h>

namespace archive {

uint32_t UpdateRunningCrc(uint32_t running, const uint8_t* data, size_t n) {
  // zlib's crc32 inverts on entry and on exit; the running value here is kept
  // without the final inversion, hence the XORs around it.
  uLong crc = running ^ 0xFFFFFFFFu;
  while (n > 0) {
    // crc32 takes a uInt length; entries are far below 4 GB, but stay exact.
    uInt chunk = n > 0x40000000u ? 0x40000000u : static_cast<uInt>(n);
    crc = crc32(crc, data, chunk);
    data += chunk;
    n -= chunk;
  }
  return static_cast<uint32_t>(crc) ^ 0xFFFFFFFFu;
}

}  // namespace archive
