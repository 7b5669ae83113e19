#include "ui/page_picture.h"

// libjpeg's header needs size_t and FILE declared before it.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace ui {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return;
// it jumps back to the decoder with the formatted message kept here. A
// warning (corrupt data, a file cut short, which libjpeg would pad with grey)
// is treated the same way: a damaged picture is refused, not shown half grey.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ExitWithError(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  manager->base.format_message(info, manager->message);
  std::longjmp(manager->jump, 1);
}

void EmitMessage(j_common_ptr info, int level) {
  if (level < 0) ExitWithError(info);  // a warning; trace messages (level >= 0) are ignored
}

// The part of decoding that libjpeg may leave by longjmp: it holds no object
// with a destructor, the output picture belongs to the caller. Returns false
// with manager.message set.
bool DecodeInto(const uint8_t* data, size_t size, platform::RgbaImage& picture, std::vector<uint8_t>& row,
                ErrorManager& manager, const char*& own_error) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&manager.base);
  manager.base.error_exit = ExitWithError;
  manager.base.emit_message = EmitMessage;
  if (setjmp(manager.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  if (info.image_width > unsigned(kMaxPictureSide) || info.image_height > unsigned(kMaxPictureSide)) {
    own_error = "picture larger than 4096 pixels a side";
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const int width = int(info.output_width), height = int(info.output_height);
  if (info.output_components != 3) {
    own_error = "unexpected number of colour components";
    jpeg_destroy_decompress(&info);
    return false;
  }
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(size_t(width) * height * 4, 255);
  row.resize(size_t(width) * 3);
  while (info.output_scanline < info.output_height) {
    const size_t y = info.output_scanline;
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    uint8_t* out = &picture.pixels[y * width * 4];
    for (int x = 0; x < width; ++x) {
      out[x * 4 + 0] = row[x * 3 + 0];
      out[x * 4 + 1] = row[x * 3 + 1];
      out[x * 4 + 2] = row[x * 3 + 2];
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

platform::RgbaImage DecodeJpeg(const uint8_t* data, size_t size) {
  if (!data || size == 0) throw EPictureError("The picture could not be decoded: no data");
  platform::RgbaImage picture;
  std::vector<uint8_t> row;
  ErrorManager manager{};
  const char* own_error = nullptr;
  if (!DecodeInto(data, size, picture, row, manager, own_error))
    throw EPictureError(std::string("The picture could not be decoded: ") + (own_error ? own_error : manager.message));
  return picture;
}

namespace {

// For each target position along one axis, the source pixels it covers and
// the weight of each (in 1/65536ths of the target pixel, summing to 65536).
struct Span {
  int first = 0;
  std::vector<uint32_t> weights;
};

std::vector<Span> Spans(int source, int target) {
  std::vector<Span> spans(target);
  for (int t = 0; t < target; ++t) {
    // The target pixel covers [t * source / target, (t + 1) * source / target)
    // of the source, measured in units of 1 / target source pixels.
    const int64_t begin = int64_t(t) * source, end = int64_t(t + 1) * source;
    Span& span = spans[t];
    span.first = int(begin / target);
    uint32_t given = 0;
    for (int64_t s = span.first; s * target < end; ++s) {
      const int64_t covered = std::min(end, (s + 1) * target) - std::max(begin, s * target);
      uint32_t weight = uint32_t(covered * 65536 / source);
      span.weights.push_back(weight);
      given += weight;
    }
    span.weights.back() += 65536 - given;  // rounding goes to the last pixel
  }
  return spans;
}

}  // namespace

platform::RgbaImage ScalePicture(const platform::RgbaImage& picture, int width, int height) {
  if (width < 1 || height < 1 || picture.width < 1 || picture.height < 1)
    throw EPictureError("The picture could not be scaled: empty size");
  const std::vector<Span> columns = Spans(picture.width, width), rows = Spans(picture.height, height);
  // Horizontal pass into 16.16 fixed point, then vertical pass.
  std::vector<uint32_t> wide(size_t(width) * picture.height * 4);
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* in = &picture.pixels[size_t(y) * picture.width * 4];
    uint32_t* out = &wide[size_t(y) * width * 4];
    for (int x = 0; x < width; ++x)
      for (size_t i = 0; i < columns[x].weights.size(); ++i)
        for (int c = 0; c < 4; ++c) out[x * 4 + c] += columns[x].weights[i] * in[(columns[x].first + i) * 4 + c];
  }
  platform::RgbaImage scaled{width, height, std::vector<uint8_t>(size_t(width) * height * 4)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 4; ++c) {
        uint64_t sum = 0;
        for (size_t i = 0; i < rows[y].weights.size(); ++i)
          sum += uint64_t(rows[y].weights[i]) * wide[(size_t(rows[y].first + i) * width + x) * 4 + c];
        scaled.pixels[(size_t(y) * width + x) * 4 + c] = uint8_t((sum + (uint64_t(1) << 31)) >> 32);
      }
    }
  }
  return scaled;
}

}  // namespace ui
