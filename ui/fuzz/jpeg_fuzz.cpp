// Fuzz target of the page-picture decoder: any input is refused with
// EPictureError or decoded to a picture of the size its header gives, never
// a crash, a leak on the refusal path or an allocation beyond the bounded
// picture size. Seeds: the shipped pictures.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/page_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    platform::RgbaImage picture = ui::DecodeJpeg(data, size);
    if (picture.width < 1 || picture.height < 1 || picture.width > ui::kMaxPictureSide ||
        picture.height > ui::kMaxPictureSide || picture.pixels.size() != size_t(picture.width) * picture.height * 4)
      std::abort();
  } catch (const ui::EPictureError&) {
  }
  return 0;
}
