#include "archive/decoders/explode.h"
#include "archive/fuzz/legacy_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  archive::legacy_fuzz::RunOne(data, size,
                               [](archive::DecoderIO& io, int b) { return archive::Explode(io, static_cast<uint16_t>(b)); });
  return 0;
}
