#include "archive/decoders/stored.h"

namespace archive {

DecodeStatus Unstore(DecoderIO& io) {
  while (io.ReadIntoOutput() > 0) io.FlushOutput();
  return DecodeStatus::Completed;
}

}  // namespace archive
