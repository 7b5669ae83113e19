// A reader for the one kind of PNG the skin ships: 8 bits per channel, RGBA
// (colour type 6), not interlaced. Every chunk's length and CRC is checked,
// the image is bounded to kMaxPngSide pixels a side, and the inflated data
// must be exactly the size the header promises. Anything else is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/canvas.h"

namespace skin {

inline constexpr int kMaxPngSide = 4096;
inline constexpr const char* kPngLoadError = "The png image could not be loaded from the resource ID.";

// The error of a picture that cannot be read: always kPngLoadError.
class EPngError : public std::runtime_error {
 public:
  EPngError() : std::runtime_error(kPngLoadError) {}
};

// Decodes a PNG file held in memory. Returns false (and leaves image empty)
// for anything but a sound 8-bit RGBA non-interlaced PNG.
bool DecodePng(const uint8_t* data, size_t size, platform::RgbaImage& image);

// Decodes the RCDATA resource of the running module with that name; throws
// EPngError when it is missing or not a picture DecodePng accepts.
platform::RgbaImage LoadPngResource(const std::string& name);

}  // namespace skin
