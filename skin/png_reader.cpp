#include "skin/png_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/resources.h"

namespace skin {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t ReadBig32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool TypeIs(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

// Inflates a zlib stream into exactly `expected` bytes; false when the stream
// is damaged, ends early, or holds more than that.
bool InflateExactly(const std::vector<uint8_t>& compressed, size_t expected, std::vector<uint8_t>& out) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  // Ended however this returns: growing the output can throw.
  struct StreamEnd {
    z_stream& stream;
    ~StreamEnd() { inflateEnd(&stream); }
  } end{stream};
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(compressed.size());
  // The output grows with what the stream really holds, so a header that
  // promises a large picture costs nothing until the data is there.
  out.clear();
  int status = Z_OK;
  while (status == Z_OK) {
    size_t done = out.size();
    if (done == expected + 1) break;  // one byte too many is enough to refuse
    size_t grow = std::min<size_t>(expected + 1 - done, 1 << 16);
    out.resize(done + grow);
    stream.next_out = out.data() + done;
    stream.avail_out = static_cast<uInt>(grow);
    status = inflate(&stream, Z_NO_FLUSH);
    out.resize(done + grow - stream.avail_out);
    if (status == Z_BUF_ERROR && stream.avail_out != 0) break;  // input ran out
  }
  return status == Z_STREAM_END && out.size() == expected;
}

int Paeth(int left, int above, int upper_left) {
  int estimate = left + above - upper_left;
  int to_left = std::abs(estimate - left), to_above = std::abs(estimate - above);
  int to_upper_left = std::abs(estimate - upper_left);
  if (to_left <= to_above && to_left <= to_upper_left) return left;
  return to_above <= to_upper_left ? above : upper_left;
}

// Undoes the per-row filters in place; rows are 1 filter byte + stride bytes.
bool Unfilter(std::vector<uint8_t>& raw, int width, int height, platform::RgbaImage& image) {
  const size_t stride = size_t(width) * 4;
  image.width = width;
  image.height = height;
  image.pixels.assign(stride * height, 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = &raw[y * (stride + 1)];
    uint8_t filter = in[0];
    ++in;
    uint8_t* row = &image.pixels[y * stride];
    const uint8_t* above = y > 0 ? row - stride : nullptr;
    for (size_t i = 0; i < stride; ++i) {
      int left = i >= 4 ? row[i - 4] : 0, up = above ? above[i] : 0;
      int upper_left = (above && i >= 4) ? above[i - 4] : 0;
      int predictor;
      switch (filter) {
        case 0: predictor = 0; break;
        case 1: predictor = left; break;
        case 2: predictor = up; break;
        case 3: predictor = (left + up) / 2; break;
        case 4: predictor = Paeth(left, up, upper_left); break;
        default: return false;
      }
      row[i] = static_cast<uint8_t>(in[i] + predictor);
    }
  }
  return true;
}

bool Decode(const uint8_t* data, size_t size, platform::RgbaImage& image) {
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0) return false;
  size_t pos = 8;
  bool have_header = false, have_end = false;
  int width = 0, height = 0;
  std::vector<uint8_t> compressed;
  while (!have_end) {
    if (size - pos < 12) return false;
    uint32_t length = ReadBig32(data + pos);
    const uint8_t* type = data + pos + 4;
    if (length > size - pos - 12) return false;
    const uint8_t* body = type + 4;
    uint32_t stored_crc = ReadBig32(body + length);
    uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), type, 4 + length));
    if (crc != stored_crc) return false;
    pos += 12 + size_t(length);
    if (!have_header) {
      // IHDR must come first: 8-bit RGBA, deflate, standard filters, no interlace.
      if (!TypeIs(type, "IHDR") || length != 13) return false;
      uint32_t w = ReadBig32(body), h = ReadBig32(body + 4);
      if (w == 0 || h == 0 || w > uint32_t(kMaxPngSide) || h > uint32_t(kMaxPngSide)) return false;
      if (body[8] != 8 || body[9] != 6 || body[10] != 0 || body[11] != 0 || body[12] != 0) return false;
      width = int(w);
      height = int(h);
      have_header = true;
    } else if (TypeIs(type, "IDAT")) {
      compressed.insert(compressed.end(), body, body + length);
    } else if (TypeIs(type, "IEND")) {
      have_end = true;
    } else if (TypeIs(type, "IHDR")) {
      return false;
    } else if (!(type[0] & 0x20) && !TypeIs(type, "PLTE")) {
      return false;  // an unknown critical chunk
    }
  }
  if (compressed.empty()) return false;
  std::vector<uint8_t> raw;
  size_t expected = size_t(height) * (size_t(width) * 4 + 1);
  if (!InflateExactly(compressed, expected, raw)) return false;
  return Unfilter(raw, width, height, image);
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, platform::RgbaImage& image) {
  if (Decode(data, size, image)) return true;
  image = {};
  return false;
}

platform::RgbaImage LoadPngResource(const std::string& name) {
  auto bytes = platform::FindModuleResource(name, platform::kResourceTypeRcData);
  platform::RgbaImage image;
  if (!bytes || !DecodePng(bytes->data, bytes->size, image)) throw EPngError();
  return image;
}

}  // namespace skin
