// Methods 2 to 5, "reduced" with compression factor 1 to 4: bytes coded with
// probabilistic follower sets, then read as literals and as length/distance
// copies introduced by DLE (144).
//
// The stream opens with 256 follower sets, stored from set 255 down to set 0,
// each a 6-bit count (at most 32) followed by that many 8-bit bytes. Each
// later byte is either 8 plain bits or an index into the follower set of the
// byte before it. A DLE followed by 0 is a literal 144; a DLE followed by
// another byte V starts a copy whose length takes the low 8 - factor bits of
// V (plus one more byte when they are all ones) and whose distance takes the
// high factor bits of V and one more byte.
#pragma once

#include "archive/decoders/decoder_io.h"

namespace archive {

// Entry point of methods 2-5. Decodes one reduced entry; factor is the
// compression factor 1-4, that is the entry's method minus 1. Writes through
// the window and FlushWindow until io.uncompressed_size() bytes have been
// produced, then ends with FlushOutput. A copy reaching back before the entry's first byte reads
// zeros.
//
// Returns Completed when exactly the declared size was produced. Returns
// Corrupt, without flushing the unfinished window, on a follower count above
// 32, a follower index outside its set, a copy that would run past the
// declared size, a factor outside 1-4, or when the input ends before the
// declared size is reached. Allocates nothing (the follower sets, about
// 8.5 KB, live on the stack). Errors raised by the input source or the output
// sink pass through.
DecodeStatus Unreduce(DecoderIO& io, int factor);

}  // namespace archive
