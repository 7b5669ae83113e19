// Method 0, stored: the entry's data is copied block by block (decrypted by
// the input source when the entry is encrypted) from the archive to the output.
#pragma once

#include "archive/decoders/decoder_io.h"

namespace archive {

// Copies every compressed byte of the entry to the output in blocks of at
// most 32768 bytes, then returns Completed. Errors of the source and the sink
// (premature end, abort, size guard, write failure) pass through.
DecodeStatus Unstore(DecoderIO& io);

}  // namespace archive
