// Writes PNG files (header-only, zlib for deflate): the caption-button
// pictures of the skin, and hand-made variations for the PNG reader's tests.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

namespace skin_assets {

inline void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(uint8_t(value >> 24));
  out.push_back(uint8_t(value >> 16));
  out.push_back(uint8_t(value >> 8));
  out.push_back(uint8_t(value));
}

// Appends one chunk with its length and CRC.
inline void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
  PutBig32(out, uint32_t(body.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  PutBig32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

struct PngOptions {
  int bit_depth = 8;
  int colour_type = 6;
  int interlace = 0;
  // Filter type per row, cycled; 0-4 are valid.
  std::vector<uint8_t> filters = {0};
  // IDAT chunks of at most this many bytes (0: one chunk).
  size_t idat_split = 0;
};

// rgba holds width * height * 4 bytes. Filters are applied for real, so the
// result decodes to the same pixels with any filter choice.
inline std::vector<uint8_t> WritePng(int width, int height, const std::vector<uint8_t>& rgba,
                                     const PngOptions& options = {}) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, uint32_t(width));
  PutBig32(header, uint32_t(height));
  header.insert(header.end(), {uint8_t(options.bit_depth), uint8_t(options.colour_type), 0, 0,
                               uint8_t(options.interlace)});
  PutChunk(out, "IHDR", header);
  const size_t stride = size_t(width) * 4;
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    uint8_t filter = options.filters[size_t(y) % options.filters.size()];
    raw.push_back(filter);
    const uint8_t* row = &rgba[y * stride];
    const uint8_t* above = y > 0 ? row - stride : nullptr;
    for (size_t i = 0; i < stride; ++i) {
      int left = i >= 4 ? row[i - 4] : 0, up = above ? above[i] : 0;
      int upper_left = (above && i >= 4) ? above[i - 4] : 0;
      int predictor = 0;
      switch (filter) {
        case 1: predictor = left; break;
        case 2: predictor = up; break;
        case 3: predictor = (left + up) / 2; break;
        case 4: {
          int estimate = left + up - upper_left;
          int to_left = std::abs(estimate - left), to_up = std::abs(estimate - up);
          int to_upper_left = std::abs(estimate - upper_left);
          predictor = (to_left <= to_up && to_left <= to_upper_left) ? left : (to_up <= to_upper_left ? up : upper_left);
          break;
        }
        default: break;
      }
      raw.push_back(uint8_t(row[i] - predictor));
    }
  }
  uLongf packed_size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  compress2(packed.data(), &packed_size, raw.data(), uLong(raw.size()), 9);
  packed.resize(packed_size);
  size_t split = options.idat_split ? options.idat_split : packed.size();
  for (size_t pos = 0; pos < packed.size(); pos += split)
    PutChunk(out, "IDAT", std::vector<uint8_t>(packed.begin() + pos,
                                               packed.begin() + std::min(packed.size(), pos + split)));
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace skin_assets
