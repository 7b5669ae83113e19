#include "archive/decoders/unshrink.h"
#include "archive/fuzz/legacy_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  archive::legacy_fuzz::RunOne(data, size, [](archive::DecoderIO& io, int) { return archive::Unshrink(io); });
  return 0;
}
