// Fuzz target of the PNG reader: any input is refused or decoded, never a
// crash, an over-read or an allocation beyond the bounded picture size.
#include <cstddef>
#include <cstdint>

#include "skin/png_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::RgbaImage image;
  if (skin::DecodePng(data, size, image)) {
    if (image.pixels.size() != size_t(image.width) * image.height * 4) __builtin_trap();
  }
  return 0;
}
