// The pictures behind the wizard's pages: baseline JFIF JPEG files carried as
// resources, decoded with libjpeg and scaled to the size of their place with
// an area-averaging filter (every source pixel counts by the part of it that
// a target pixel covers), so that the slightly smaller page shows the whole
// picture without dropped rows or columns. Portable: the window code in ui/
// turns the result into a bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/canvas.h"

namespace ui {

// Larger pictures are refused before any pixel memory is taken.
inline constexpr int kMaxPictureSide = 4096;

// A picture that cannot be decoded; the message names the reason.
class EPictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes a JPEG file held in memory into an opaque RGBA picture. Damaged,
// truncated or foreign data (every libjpeg warning included) and pictures
// over kMaxPictureSide a side raise EPictureError; nothing is kept.
platform::RgbaImage DecodeJpeg(const uint8_t* data, size_t size);

// The picture scaled to width x height by area averaging; both at least 1.
platform::RgbaImage ScalePicture(const platform::RgbaImage& picture, int width, int height);

}  // namespace ui
