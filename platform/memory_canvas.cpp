#include "platform/memory_canvas.h"

#include <algorithm>
#include <cstdlib>

namespace platform {

MemoryCanvas::MemoryCanvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, 0), clip_(pixels_.size(), 1) {}

bool MemoryCanvas::Visible(int x, int y) const {
  return x >= 0 && y >= 0 && x < width_ && y < height_ && clip_[static_cast<size_t>(y) * width_ + x];
}

void MemoryCanvas::Put(int x, int y, Rgb color) {
  if (Visible(x, y)) pixels_[static_cast<size_t>(y) * width_ + x] = color & 0xFFFFFF;
}

void MemoryCanvas::MoveTo(int x, int y) {
  pen_x_ = x;
  pen_y_ = y;
}

// Bresenham from the current position, end point excluded (as GDI).
void MemoryCanvas::LineTo(int x, int y) {
  int x0 = pen_x_, y0 = pen_y_;
  int dx = std::abs(x - x0), dy = -std::abs(y - y0);
  int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
  int err = dx + dy;
  while (!(x0 == x && y0 == y)) {
    if (pen_visible_) Put(x0, y0, pen_);
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x0 += sx; }
    if (e2 <= dx) { err += dx; y0 += sy; }
  }
  pen_x_ = x;
  pen_y_ = y;
}

void MemoryCanvas::SetPixel(int x, int y, Rgb color) { Put(x, y, color); }

Rgb MemoryCanvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void MemoryCanvas::FillRect(const Rect& rect) {
  for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y)
    for (int x = std::max(rect.left, 0); x < std::min(rect.right, width_); ++x) Put(x, y, brush_);
}

void MemoryCanvas::FillRectPattern(const Rect& rect, const Pattern8& pattern) {
  for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y)
    for (int x = std::max(rect.left, 0); x < std::min(rect.right, width_); ++x) Put(x, y, pattern.pixels[y % 8][x % 8]);
}

void MemoryCanvas::ExcludeClip(const Rect& rect) {
  for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y)
    for (int x = std::max(rect.left, 0); x < std::min(rect.right, width_); ++x) clip_[static_cast<size_t>(y) * width_ + x] = 0;
}

void MemoryCanvas::IntersectClip(const Rect& rect) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (!rect.Contains(x, y)) clip_[static_cast<size_t>(y) * width_ + x] = 0;
}

void MemoryCanvas::ResetClip() { std::fill(clip_.begin(), clip_.end(), 1); }

std::unique_ptr<Canvas> MemoryCanvas::CreateOffscreen(int width, int height) {
  return std::make_unique<MemoryCanvas>(width, height);
}

void MemoryCanvas::CopyFrom(Canvas& source, const Rect& from, int x, int y) {
  for (int sy = from.top; sy < from.bottom; ++sy)
    for (int sx = from.left; sx < from.right; ++sx) {
      Rgb color = source.GetPixel(sx, sy);
      if (color != 0xFFFFFFFF) Put(x + sx - from.left, y + sy - from.top, color);
    }
}

int MemoryCanvas::DrawTextInRect(const std::string& text, Rect& rect, unsigned flags) {
  int height = font_.height;
  if (flags & text::kCalcRect) {
    rect.right = rect.left + static_cast<int>(text.size()) * font_.height / 2;
    rect.bottom = rect.top + height;
    return height;
  }
  texts_.push_back({text, rect, flags, text_color_, font_});
  return height;
}

void MemoryCanvas::DrawTextAt(int x, int y, const std::string& text) {
  texts_.push_back({text, {x, y, x, y}, text::kNoClip, text_color_, font_});
}

void MemoryCanvas::DrawImage(const RgbaImage& image, int x, int y) {
  for (int iy = 0; iy < image.height; ++iy)
    for (int ix = 0; ix < image.width; ++ix) {
      const uint8_t* source = &image.pixels[(static_cast<size_t>(iy) * image.width + ix) * 4];
      Rgb under = GetPixel(x + ix, y + iy);
      if (under == 0xFFFFFFFF) continue;
      int alpha = source[3];
      auto blend = [alpha](int top, int bottom) { return (top * alpha + bottom * (255 - alpha) + 127) / 255; };
      Put(x + ix, y + iy, MakeRgb(blend(source[0], RedOf(under)), blend(source[1], GreenOf(under)), blend(source[2], BlueOf(under))));
    }
}

void MemoryCanvas::DrawAppIcon(int x, int y, int size) {
  texts_.push_back({"<icon>", {x, y, x + size, y + size}, 0, 0, font_});
}

#ifndef _WIN32
std::unique_ptr<Canvas> CreateMemoryCanvas(int width, int height) {
  return std::make_unique<MemoryCanvas>(width, height);
}
#endif

}  // namespace platform
