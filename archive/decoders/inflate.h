// Method 8, deflated: a raw DEFLATE stream (RFC 1951, no zlib or gzip
// framing), decoded by zlib into the 32768-byte window of the data path.
//
// Contract, shared with the window-based legacy decoders:
// - every time the window fills, its 32768 bytes go to the output
//   (FlushWindow), and after the last block the bytes in the window follow,
//   then FlushOutput;
// - a corrupt stream (bad block type, bad stored length, invalid code, code
//   tables that cannot be built, or compressed data that ends before the last
//   block) ends decoding at once with Corrupt: the unfinished window is not
//   flushed, so the entry's CRC check fails;
// - errors raised by the input source or the output sink pass through
//   unchanged (they are carried across zlib's C frames, never thrown through
//   them).
#pragma once

#include "archive/decoders/decoder_io.h"

namespace archive {

// Returns Completed, Corrupt, or OutOfMemory when zlib cannot allocate its
// state (the caller reports that to the user).
DecodeStatus Inflate(DecoderIO& io);

}  // namespace archive
