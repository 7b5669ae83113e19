// Method 1, "shrunk": PKZIP's LZW with codes of 9 to 13 bits and partial
// clearing of the code table.
//
// Codes 0-255 are single bytes, 256 is the control escape (256,1 widens the
// code by one bit, 256,2 frees every code that is no other code's prefix),
// codes 257-8191 are assigned in order of the lowest free slot. After a
// partial clear the surviving codes keep their numbers and the code width is
// unchanged.
#pragma once

#include "archive/decoders/decoder_io.h"

namespace archive {

// Entry point of method 1. Decodes one shrunk entry from io's input until
// io.uncompressed_size() bytes have been produced, writing them with
// PutByte, and ends with FlushOutput.
//
// Returns Completed when exactly the declared size was produced. Returns
// Corrupt, without flushing the bytes still buffered, on an undefined code or
// control sequence, on a code string that would run past the declared size,
// or when the input ends before the declared size is reached. Allocates its
// code table once per call (about 40 KB). Errors raised by the input source
// or the output sink pass through.
DecodeStatus Unshrink(DecoderIO& io);

}  // namespace archive
