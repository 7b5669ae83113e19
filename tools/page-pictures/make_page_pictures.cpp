// make_page_pictures: draws the three pictures behind the wizard's pages and
// writes them as baseline JFIF JPEG files.
//   make_page_pictures OUTDIR PROMO.pgm CAPTION.pgm
// PROMO.pgm (750 x 350) and CAPTION.pgm (750 x 450) are the Chinese texts as
// 8-bit coverage masks, rendered by make-page-pictures.sh; the artwork is
// computed here. Each picture is saved at the JPEG quality whose file size
// comes nearest to the size its slot was designed for, so the program's size
// stays what the layout planned. Everything is deterministic: the same masks
// give the same files.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>  // after <cstdio>: it needs size_t and FILE

namespace {

struct Colour {
  float r, g, b;
};

Colour Mix(Colour a, Colour b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

float Smooth(float edge0, float edge1, float x) {
  float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height), pixels_(size_t(width) * height) {}
  int width() const { return width_; }
  int height() const { return height_; }
  Colour& at(int x, int y) { return pixels_[size_t(y) * width_ + x]; }

  // Vertical gradient from top to bottom colour, bent slightly to the right.
  void Gradient(Colour top, Colour bottom) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        at(x, y) = Mix(top, bottom, std::clamp((y + 0.25f * x) / (height_ + 0.25f * width_), 0.0f, 1.0f));
  }

  // A soft band along a sine curve: centre line y = base + amplitude *
  // sin(x * frequency + phase), faded over `softness` pixels on each side.
  void Wave(float base, float amplitude, float frequency, float phase, float thickness, float softness, Colour colour,
            float strength) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        float centre = base + amplitude * std::sin(x * frequency + phase);
        float distance = std::fabs(y - centre);
        float cover = 1 - Smooth(thickness, thickness + softness, distance);
        Blend(x, y, colour, cover * strength);
      }
  }

  // Everything below a sine curve, softly edged.
  void Hill(float base, float amplitude, float frequency, float phase, Colour colour, float strength) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        float edge = base + amplitude * std::sin(x * frequency + phase);
        Blend(x, y, colour, Smooth(edge - 2, edge + 2, float(y)) * strength);
      }
  }

  void Disc(float cx, float cy, float radius, float softness, Colour colour, float strength) {
    for (int y = std::max(0, int(cy - radius - softness)); y < std::min(height_, int(cy + radius + softness) + 1); ++y)
      for (int x = std::max(0, int(cx - radius - softness)); x < std::min(width_, int(cx + radius + softness) + 1);
           ++x) {
        float distance = std::hypot(x - cx, y - cy);
        Blend(x, y, colour, (1 - Smooth(radius - softness, radius + softness, distance)) * strength);
      }
  }

  // A thick line from (x0, y0) to (x1, y1) with round ends, antialiased.
  void Stroke(float x0, float y0, float x1, float y1, float half_width, Colour colour) {
    const float dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        float t = std::clamp(((x - x0) * dx + (y - y0) * dy) / length2, 0.0f, 1.0f);
        float distance = std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
        Blend(x, y, colour, 1 - Smooth(half_width - 0.8f, half_width + 0.8f, distance));
      }
  }

  // Paints colour where the mask covers, shifted by (dx, dy).
  void Text(const std::vector<uint8_t>& mask, int dx, int dy, Colour colour, float strength) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        int mx = x - dx, my = y - dy;
        if (mx < 0 || my < 0 || mx >= width_ || my >= height_) continue;
        Blend(x, y, colour, mask[size_t(my) * width_ + mx] / 255.0f * strength);
      }
  }

  // A fixed pseudo-random grain of +-amount levels, like a scanned print.
  void Grain(float amount, uint32_t seed) {
    for (Colour& c : pixels_) {
      seed = seed * 1664525u + 1013904223u;
      float n = (float((seed >> 8) & 0xFFFF) / 65535.0f * 2 - 1) * amount;
      c = {c.r + n, c.g + n, c.b + n};
    }
  }

  std::vector<unsigned char> Rgb() const {
    std::vector<unsigned char> bytes;
    bytes.reserve(pixels_.size() * 3);
    for (const Colour& c : pixels_)
      for (float v : {c.r, c.g, c.b}) bytes.push_back((unsigned char)std::clamp(std::lround(v), 0L, 255L));
    return bytes;
  }

 private:
  void Blend(int x, int y, Colour colour, float cover) {
    if (cover <= 0) return;
    at(x, y) = Mix(at(x, y), colour, std::min(cover, 1.0f));
  }

  int width_, height_;
  std::vector<Colour> pixels_;
};

std::vector<unsigned char> Encode(const Picture& picture, int quality) {
  std::vector<unsigned char> rgb = picture.Rgb();
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = picture.width();
  info.image_height = picture.height();
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);  // baseline, JFIF header, standard tables
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = &rgb[size_t(info.next_scanline) * picture.width() * 3];
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<unsigned char> file(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return file;
}

// Saves at the quality whose file size is nearest to target_size.
void Save(const Picture& picture, const std::string& path, long target_size) {
  std::vector<unsigned char> best;
  int best_quality = 0;
  for (int quality = 20; quality <= 98; ++quality) {
    std::vector<unsigned char> file = Encode(picture, quality);
    if (best.empty() || std::labs(long(file.size()) - target_size) < std::labs(long(best.size()) - target_size)) {
      best = std::move(file);
      best_quality = quality;
    }
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(best.data()), std::streamsize(best.size()));
  if (!out) {
    std::fprintf(stderr, "make_page_pictures: cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::printf("%s: %zu bytes (quality %d, aiming at %ld)\n", path.c_str(), best.size(), best_quality, target_size);
}

// Reads a binary PGM (P5, maxval 255) of the given size.
std::vector<uint8_t> ReadMask(const std::string& path, int width, int height) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  in >> magic >> w >> h >> maxval;
  in.get();
  std::vector<uint8_t> mask(size_t(width) * height);
  if (!in || magic != "P5" || w != width || h != height || maxval != 255 ||
      !in.read(reinterpret_cast<char*>(mask.data()), std::streamsize(mask.size()))) {
    std::fprintf(stderr, "make_page_pictures: %s is not a %d x %d 8-bit PGM\n", path.c_str(), width, height);
    std::exit(1);
  }
  return mask;
}

const Colour kWhite{255, 255, 255};

// Selection page: blue gradient with soft waves; the white labels and check
// boxes (left half, rows 96 to 240) sit on its darker part.
Picture SelectionBackground() {
  Picture p(750, 450);
  p.Gradient({38, 96, 178}, {16, 52, 118});
  p.Wave(330, 28, 0.010f, 0.6f, 10, 40, {90, 160, 230}, 0.35f);
  p.Wave(360, 22, 0.014f, 2.2f, 4, 22, {140, 200, 250}, 0.30f);
  p.Wave(395, 18, 0.009f, 4.0f, 2, 12, kWhite, 0.25f);
  p.Hill(410, 14, 0.011f, 1.3f, {12, 40, 96}, 0.55f);
  p.Wave(40, 20, 0.008f, 3.1f, 6, 50, {70, 130, 210}, 0.25f);
  p.Disc(640, 80, 90, 60, {80, 150, 230}, 0.25f);
  p.Grain(1.8f, 1);
  return p;
}

// Progress page banner: light sky, clouds and hills, and the two lines of
// promotional text.
Picture ProgressBanner(const std::vector<uint8_t>& text) {
  Picture p(750, 350);
  p.Gradient({120, 180, 240}, {232, 244, 255});
  for (int i = 0; i < 9; ++i)
    p.Disc(60 + i * 85.0f, 60 + (i * 37 % 90), 18 + (i * 13 % 30), 14, kWhite, 0.45f);
  p.Hill(250, 20, 0.012f, 0.5f, {70, 150, 220}, 0.8f);
  p.Hill(280, 16, 0.017f, 2.0f, {40, 110, 190}, 0.9f);
  p.Hill(315, 10, 0.021f, 3.5f, {24, 78, 150}, 1.0f);
  // A stylised cloud server: three stacked rounded bars with lights.
  for (int i = 0; i < 3; ++i) {
    float y = 150 + i * 34.0f;
    p.Stroke(560, y, 680, y, 13, {28, 88, 168});
    p.Disc(575, y, 4, 1, {120, 255, 140}, 1.0f);
  }
  p.Text(text, 2, 2, {10, 40, 90}, 0.6f);
  p.Text(text, 0, 0, kWhite, 1.0f);
  p.Grain(3.2f, 3);
  return p;
}

// Finish page: blue waves, a check mark in a ring and the completion caption.
Picture FinishBackground(const std::vector<uint8_t>& caption) {
  Picture p(750, 450);
  p.Gradient({34, 100, 186}, {14, 50, 116});
  p.Wave(350, 26, 0.011f, 1.0f, 8, 36, {90, 160, 230}, 0.35f);
  p.Wave(385, 20, 0.015f, 3.0f, 3, 18, kWhite, 0.25f);
  p.Hill(415, 12, 0.010f, 0.2f, {12, 40, 96}, 0.55f);
  p.Disc(375, 150, 62, 2, {40, 180, 90}, 1.0f);
  p.Disc(375, 150, 54, 1.5f, {60, 200, 110}, 1.0f);
  p.Stroke(345, 152, 368, 176, 8, kWhite);
  p.Stroke(368, 176, 408, 126, 8, kWhite);
  p.Text(caption, 2, 2, {8, 30, 70}, 0.6f);
  p.Text(caption, 0, 0, kWhite, 1.0f);
  p.Grain(2.6f, 4);
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_page_pictures OUTDIR PROMO.pgm CAPTION.pgm\n");
    return 2;
  }
  const std::string out = argv[1];
  Save(SelectionBackground(), out + "/Image1.jpg", 21533);
  Save(ProgressBanner(ReadMask(argv[2], 750, 350)), out + "/Image3.jpg", 42993);
  Save(FinishBackground(ReadMask(argv[3], 750, 450)), out + "/Image4.jpg", 30804);
  return 0;
}
