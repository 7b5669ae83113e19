// The running CRC-32 over blocks: zlib's table-driven crc32, or folding by
// carry-less multiplication (PCLMULQDQ) on x86 processors that have it. The
// 32-bit installer also runs on processors without it, so the choice is made
// at run time.
//
// The folding follows Intel's "Fast CRC Computation for Generic Polynomials
// Using PCLMULQDQ Instruction" in the bit-reflected domain: four 128-bit lanes
// are folded over 64 bytes at a time, then into one lane, then reduced to 64
// and to 32 bits (Barrett). Its constants are computed below from the
// polynomial, not copied.
#include "archive/decoders/crc32.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define DZ_CRC_CARRY_LESS 1
#endif

namespace archive {
namespace {

uint32_t TableCrc(uint32_t running, const uint8_t* data, size_t n) {
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

#ifdef DZ_CRC_CARRY_LESS

// x^n mod P for the CRC-32 polynomial P = 0x104C11DB7 (normal bit order).
constexpr uint32_t XPowerModP(int n) {
  uint64_t r = 1;
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & 0x100000000ull) r ^= 0x104C11DB7ull;
  }
  return static_cast<uint32_t>(r);
}

constexpr uint64_t Reflect(uint64_t value, int bits) {
  uint64_t r = 0;
  for (int i = 0; i < bits; ++i)
    if (value & (1ull << i)) r |= 1ull << (bits - 1 - i);
  return r;
}

// A folding constant for a distance of n bits, in the reflected domain
// (where multiplying shifts by one bit more, hence the final shift).
constexpr uint64_t FoldConstant(int n) { return Reflect(XPowerModP(n), 32) << 1; }

// floor(x^64 / P), reflected over 33 bits: Barrett's multiplier.
constexpr uint64_t BarrettMu() {
  uint64_t remainder = 0, quotient = 0;
  for (int bit = 64; bit >= 0; --bit) {
    remainder = (remainder << 1) | (bit == 64 ? 1 : 0);
    quotient <<= 1;
    if (remainder & 0x100000000ull) {
      remainder ^= 0x104C11DB7ull;
      quotient |= 1;
    }
  }
  return Reflect(quotient, 33);
}

alignas(16) constexpr uint64_t kFold512[2] = {FoldConstant(4 * 128 + 32), FoldConstant(4 * 128 - 32)};
alignas(16) constexpr uint64_t kFold128[2] = {FoldConstant(128 + 32), FoldConstant(128 - 32)};
alignas(16) constexpr uint64_t kFold64[2] = {FoldConstant(64), 0};
alignas(16) constexpr uint64_t kBarrett[2] = {Reflect(0x104C11DB7ull, 33), BarrettMu()};

// One lane moved 128 bits on by constant pair k and added to next.
__attribute__((target("pclmul,sse2"))) inline __m128i FoldLane(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// n >= 64 and a multiple of 16.
__attribute__((target("pclmul,sse2"))) uint32_t FoldBlocks(uint32_t running, const uint8_t* p, size_t n) {
  __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
  __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
  x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(static_cast<int>(running)));
  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold512));
  p += 64;
  n -= 64;

  // Four lanes, 64 bytes a step.
  while (n >= 64) {
    __m128i l1 = _mm_clmulepi64_si128(x1, k, 0x00), h1 = _mm_clmulepi64_si128(x1, k, 0x11);
    __m128i l2 = _mm_clmulepi64_si128(x2, k, 0x00), h2 = _mm_clmulepi64_si128(x2, k, 0x11);
    __m128i l3 = _mm_clmulepi64_si128(x3, k, 0x00), h3 = _mm_clmulepi64_si128(x3, k, 0x11);
    __m128i l4 = _mm_clmulepi64_si128(x4, k, 0x00), h4 = _mm_clmulepi64_si128(x4, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(l1, h1), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    x2 = _mm_xor_si128(_mm_xor_si128(l2, h2), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    x3 = _mm_xor_si128(_mm_xor_si128(l3, h3), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)));
    x4 = _mm_xor_si128(_mm_xor_si128(l4, h4), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)));
    p += 64;
    n -= 64;
  }

  // The four lanes into one, then 16 bytes a step.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold128));
  x1 = FoldLane(x1, k, x2);
  x1 = FoldLane(x1, k, x3);
  x1 = FoldLane(x1, k, x4);
  while (n >= 16) {
    x1 = FoldLane(x1, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    p += 16;
    n -= 16;
  }

  // 128 bits to 64.
  const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
  x2 = _mm_clmulepi64_si128(x1, k, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
  x2 = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), x2);

  // Barrett reduction to 32 bits.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), k, 0x00);
  x1 = _mm_xor_si128(x1, x2);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

uint32_t CarryLessCrc(uint32_t running, const uint8_t* data, size_t n) {
  // Below 64 bytes folding has nothing to fold; the tail after the last
  // whole 16 bytes goes through the table.
  if (n >= 64) {
    const size_t folded = n & ~static_cast<size_t>(15);
    running = FoldBlocks(running, data, folded);
    data += folded;
    n -= folded;
  }
  return n ? TableCrc(running, data, n) : running;
}

#endif

using CrcFunction = uint32_t (*)(uint32_t, const uint8_t*, size_t);

CrcFunction ChosenCrc() {
#ifdef DZ_CRC_CARRY_LESS
  static const CrcFunction best = CarryLessCrcAvailable() ? &CarryLessCrc : &TableCrc;
  return best;
#else
  return &TableCrc;
#endif
}

}  // namespace

bool CarryLessCrcAvailable() {
#ifdef DZ_CRC_CARRY_LESS
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
#else
  return false;
#endif
}

uint32_t UpdateRunningCrcBy(CrcPath path, uint32_t running, const uint8_t* data, size_t n) {
#ifdef DZ_CRC_CARRY_LESS
  if (path == CrcPath::CarryLess) return CarryLessCrc(running, data, n);
#endif
  (void)path;
  return TableCrc(running, data, n);
}

uint32_t UpdateRunningCrc(uint32_t running, const uint8_t* data, size_t n) { return ChosenCrc()(running, data, n); }

}  // namespace archive
