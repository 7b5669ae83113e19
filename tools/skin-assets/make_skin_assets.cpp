// Draws the skin's pictures: the twelve caption-button PNGs of the title bar
// and the program icon. Deterministic: the same files every run.
//
//   make_skin_assets OUTPUT_FOLDER
//
// The buttons hang from the top edge of a 25-pixel title bar that fades
// between RGB(49, 106, 183) and RGB(35, 78, 135), so they are square at the
// top and rounded at the bottom, light translucent glass for minimise,
// maximise and restore and red for close; hover brightens, down darkens.
// Edges are anti-aliased by 4 x 4 supersampling.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "png_writer.h"

namespace {

struct Colour {
  double red, green, blue, alpha;  // 0-255, alpha 0-1
};

class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height), pixels_(size_t(width) * height, {0, 0, 0, 0}) {}

  // Paints `colour` over every pixel by the share of its 16 subsamples that
  // lie inside the shape.
  void Paint(const std::function<bool(double, double)>& inside, Colour colour) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
        if (!hits) continue;
        double cover = colour.alpha * hits / 16.0;
        Colour& under = pixels_[size_t(y) * width_ + x];
        double alpha = cover + under.alpha * (1 - cover);
        if (alpha <= 0) continue;
        under.red = (colour.red * cover + under.red * under.alpha * (1 - cover)) / alpha;
        under.green = (colour.green * cover + under.green * under.alpha * (1 - cover)) / alpha;
        under.blue = (colour.blue * cover + under.blue * under.alpha * (1 - cover)) / alpha;
        under.alpha = alpha;
      }
  }

  std::vector<uint8_t> Rgba() const {
    std::vector<uint8_t> out;
    for (const Colour& pixel : pixels_) {
      out.push_back(uint8_t(std::lround(pixel.red)));
      out.push_back(uint8_t(std::lround(pixel.green)));
      out.push_back(uint8_t(std::lround(pixel.blue)));
      out.push_back(uint8_t(std::lround(pixel.alpha * 255)));
    }
    return out;
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_, height_;
  std::vector<Colour> pixels_;
};

// A rectangle open at the top with the bottom corners rounded by radius.
std::function<bool(double, double)> Tab(double left, double top, double right, double bottom, double radius) {
  return [=](double x, double y) {
    if (x < left || x > right || y < top || y > bottom) return false;
    double cx = x < left + radius ? left + radius : (x > right - radius ? right - radius : x);
    if (y > bottom - radius && cx != x) {
      double dx = x - cx, dy = y - (bottom - radius);
      return dx * dx + dy * dy <= radius * radius;
    }
    return true;
  };
}

std::function<bool(double, double)> Box(double left, double top, double right, double bottom) {
  return [=](double x, double y) { return x >= left && x <= right && y >= top && y <= bottom; };
}

std::function<bool(double, double)> Segment(double x0, double y0, double x1, double y1, double half_width) {
  return [=](double x, double y) {
    double dx = x1 - x0, dy = y1 - y0, along = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    along = along < 0 ? 0 : (along > 1 ? 1 : along);
    double px = x0 + along * dx - x, py = y0 + along * dy - y;
    return px * px + py * py <= half_width * half_width;
  };
}

std::function<bool(double, double)> Outline(double left, double top, double right, double bottom, double top_width) {
  return [=](double x, double y) {
    bool outer = x >= left && x <= right && y >= top && y <= bottom;
    bool inner = x > left + 1 && x < right - 1 && y > top + top_width && y < bottom - 1;
    return outer && !inner;
  };
}

enum class Look { Normal, Hover, Down };
enum class Glyph { Minimise, Maximise, Restore, Close };

Picture DrawButton(Glyph glyph, Look look) {
  int width = glyph == Glyph::Close ? 33 : 30;
  int height = glyph == Glyph::Maximise ? 22 : 19;
  Picture picture(width, height);
  // The glass body leaves a one-pixel gap to its neighbours and ends at the
  // bar's 19th row; the maximise pictures are taller but keep the same body.
  double right = width - (glyph == Glyph::Close ? 2.0 : 1.0), bottom = 18.0;
  auto body = Tab(1, -1, right, bottom, 4);
  auto inside = Tab(2, -1, right - 1, bottom - 1, 3);
  if (glyph == Glyph::Close) {
    Colour fill = look == Look::Normal ? Colour{196, 64, 48, 0.92}
                  : look == Look::Hover ? Colour{232, 48, 32, 1.0}
                                        : Colour{150, 28, 20, 1.0};
    picture.Paint(body, {255, 255, 255, look == Look::Down ? 0.45 : 0.75});
    picture.Paint(inside, fill);
    picture.Paint(Box(2, -1, right - 1, 6), {255, 255, 255, look == Look::Down ? 0.05 : 0.18});
  } else {
    double fill = look == Look::Normal ? 0.12 : look == Look::Hover ? 0.32 : 0.0;
    picture.Paint(body, {255, 255, 255, look == Look::Hover ? 0.85 : 0.55});
    picture.Paint(inside, look == Look::Down ? Colour{10, 30, 70, 0.45} : Colour{120, 160, 220, 0.55});
    picture.Paint(inside, {255, 255, 255, fill});
    picture.Paint(Box(2, -1, right - 1, 6), {255, 255, 255, look == Look::Down ? 0.04 : 0.14});
  }
  Colour ink = {255, 255, 255, 1.0};
  // Glyphs sit on whole pixels; the down look moves them by one.
  double cx = std::floor((1 + right) / 2) + (look == Look::Down ? 1 : 0), cy = 9.0 + (look == Look::Down ? 1 : 0);
  switch (glyph) {
    case Glyph::Minimise:
      picture.Paint(Box(cx - 4, cy + 3, cx + 5, cy + 5), ink);
      break;
    case Glyph::Maximise:
      picture.Paint(Outline(cx - 5, cy - 4, cx + 5, cy + 5, 2), ink);
      break;
    case Glyph::Restore:
    {
      // The back window shows only where the front one does not cover it.
      auto back = Outline(cx - 2, cy - 5, cx + 6, cy + 2, 2);
      auto front_area = Box(cx - 5, cy - 2, cx + 3, cy + 6);
      picture.Paint([=](double x, double y) { return back(x, y) && !front_area(x, y); }, ink);
      picture.Paint(Outline(cx - 5, cy - 2, cx + 3, cy + 6, 2), ink);
    }
      break;
    case Glyph::Close:
      picture.Paint(Segment(cx - 3.5, cy - 3.5, cx + 4.5, cy + 4.5, 1.1), ink);
      picture.Paint(Segment(cx - 3.5, cy + 4.5, cx + 4.5, cy - 3.5, 1.1), ink);
      break;
  }
  return picture;
}

// The program icon: a rounded blue-green square with a white arrow into a tray.
Picture DrawIcon(int size) {
  Picture picture(size, size);
  double scale = size / 16.0;
  // A rectangle with all corners rounded, in units of a 16-pixel icon.
  auto rounded = [scale](double left16, double top16, double right16, double bottom16, double radius16) {
    return [=](double x, double y) {
      double left = left16 * scale, top = top16 * scale, right = right16 * scale, bottom = bottom16 * scale;
      double radius = radius16 * scale;
      if (x < left || x > right || y < top || y > bottom) return false;
      double cx = x < left + radius ? left + radius : (x > right - radius ? right - radius : x);
      double cy = y < top + radius ? top + radius : (y > bottom - radius ? bottom - radius : y);
      return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
  };
  picture.Paint(rounded(0.5, 0.5, 15.5, 15.5, 3), {24, 90, 170, 1});
  picture.Paint(rounded(1.5, 1.5, 14.5, 8, 2.5), {70, 150, 225, 0.8});
  picture.Paint([scale](double x, double y) { return Box(7 * scale, 3 * scale, 9 * scale, 9 * scale)(x, y); },
                {255, 255, 255, 1});
  picture.Paint([scale](double x, double y) {
    double x16 = x / scale, y16 = y / scale;
    return y16 >= 7.5 && y16 <= 11 && std::fabs(x16 - 8) <= (11 - y16) * 1.1;
  }, {255, 255, 255, 1});
  picture.Paint([scale](double x, double y) { return Box(3.5 * scale, 12 * scale, 12.5 * scale, 13.3 * scale)(x, y); },
                {22, 205, 0, 1});
  return picture;
}

// An icon file holding 32-bit pictures (BMP form with an AND mask).
std::vector<uint8_t> WriteIco(const std::vector<Picture>& pictures) {
  std::vector<uint8_t> out;
  auto put16 = [&out](unsigned value) { out.push_back(uint8_t(value)); out.push_back(uint8_t(value >> 8)); };
  auto put32 = [&](uint32_t value) { put16(value & 0xFFFF); put16(value >> 16); };
  put16(0);
  put16(1);
  put16(unsigned(pictures.size()));
  std::vector<std::vector<uint8_t>> images;
  for (const Picture& picture : pictures) {
    std::vector<uint8_t> image;
    auto i32 = [&image](uint32_t value) {
      for (int shift = 0; shift < 32; shift += 8) image.push_back(uint8_t(value >> shift));
    };
    auto i16 = [&image](unsigned value) { image.push_back(uint8_t(value)); image.push_back(uint8_t(value >> 8)); };
    int width = picture.width(), height = picture.height();
    size_t mask_stride = size_t((width + 31) / 32) * 4;
    i32(40); i32(uint32_t(width)); i32(uint32_t(height * 2)); i16(1); i16(32); i32(0);
    i32(uint32_t(width * height * 4 + mask_stride * height)); i32(0); i32(0); i32(0); i32(0);
    std::vector<uint8_t> rgba = picture.Rgba();
    for (int y = height - 1; y >= 0; --y)
      for (int x = 0; x < width; ++x) {
        const uint8_t* pixel = &rgba[(size_t(y) * width + x) * 4];
        image.insert(image.end(), {pixel[2], pixel[1], pixel[0], pixel[3]});
      }
    for (int y = height - 1; y >= 0; --y) {
      std::vector<uint8_t> row(mask_stride, 0);
      for (int x = 0; x < width; ++x)
        if (rgba[(size_t(y) * width + x) * 4 + 3] == 0) row[x / 8] |= uint8_t(0x80 >> (x % 8));
      image.insert(image.end(), row.begin(), row.end());
    }
    images.push_back(std::move(image));
  }
  uint32_t offset = uint32_t(6 + 16 * pictures.size());
  for (size_t i = 0; i < pictures.size(); ++i) {
    out.push_back(uint8_t(pictures[i].width()));
    out.push_back(uint8_t(pictures[i].height()));
    out.push_back(0);
    out.push_back(0);
    put16(1);
    put16(32);
    put32(uint32_t(images[i].size()));
    put32(offset);
    offset += uint32_t(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

bool Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_skin_assets OUTPUT_FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  struct Item {
    const char* name;
    Glyph glyph;
    Look look;
  } items[] = {
      {"MinDown", Glyph::Minimise, Look::Down},     {"MinHover", Glyph::Minimise, Look::Hover},
      {"MinNormal", Glyph::Minimise, Look::Normal}, {"MaxDown", Glyph::Maximise, Look::Down},
      {"MaxHover", Glyph::Maximise, Look::Hover},   {"MaxNormal", Glyph::Maximise, Look::Normal},
      {"RestoreDown", Glyph::Restore, Look::Down},  {"RestoreHover", Glyph::Restore, Look::Hover},
      {"RestoreNormal", Glyph::Restore, Look::Normal}, {"CloseDown", Glyph::Close, Look::Down},
      {"CloseHover", Glyph::Close, Look::Hover},    {"CloseNormal", Glyph::Close, Look::Normal},
  };
  bool ok = true;
  for (const Item& item : items) {
    Picture picture = DrawButton(item.glyph, item.look);
    ok &= Save(folder + "/" + item.name + ".png",
               skin_assets::WritePng(picture.width(), picture.height(), picture.Rgba()));
  }
  ok &= Save(folder + "/DIzavozi.ico", WriteIco({DrawIcon(16), DrawIcon(32)}));
  if (!ok) {
    std::fprintf(stderr, "make_skin_assets: cannot write to %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
