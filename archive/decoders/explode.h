// Method 6, "imploded": LZ77 with Shannon-Fano coded literals, lengths and
// distances.
//
// The stream opens with the code trees in whole bytes: the literal tree (256
// symbols, only when flag bit 2 is set), then the length tree and the
// distance tree (64 symbols each). A tree is a byte k and k + 1 bytes, each
// giving a code length (low nibble + 1) for a run of (high nibble + 1)
// symbols. The codes are the canonical ones of those lengths with every bit
// inverted, read first bit first. Then, per token, a 1 bit introduces a
// literal (coded, or 8 plain bits without a literal tree) and a 0 bit a copy:
// the low distance bits (7 with the 8 KB dictionary of flag bit 1, else 6),
// the coded high distance bits, the coded length, and for length symbol 63
// one extra byte.
#pragma once

#include <cstdint>

#include "archive/decoders/decoder_io.h"

namespace archive {

// Entry point of method 6. Decodes one imploded entry with the entry's
// general purpose bit flag (bits 1 and 2 are used). Writes through the
// window and FlushWindow until io.uncompressed_size() bytes have been
// produced, then ends with FlushOutput. A copy reaching back before the entry's first byte reads
// zeros. The minimum copy length is 3 with a literal tree and 2 without, as
// the flags say; entries written by PKZIP 1.01/1.02, which took it from the
// dictionary flag instead, fail the CRC check rather than being guessed at.
//
// Returns Completed when exactly the declared size was produced. Returns
// Corrupt, without flushing the unfinished window, on a tree that does not
// describe exactly 256 or 64 symbols or does not fill its code space exactly,
// a copy that would run past the declared size, or when the input ends before
// the declared size is reached. Allocates nothing: its code tables (about
// 1.3 KB) live on the stack. Errors raised by the input source or the output
// sink pass through.
DecodeStatus Explode(DecoderIO& io, uint16_t flags);

}  // namespace archive
