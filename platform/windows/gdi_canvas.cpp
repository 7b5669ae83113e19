#include "platform/windows/gdi_canvas.h"

#include <algorithm>
#include <vector>

#include "platform/windows/system_dlls.h"
#include "platform/windows/wide.h"

namespace platform::windows {

GdiCanvas::GdiCanvas(HDC dc, int width, int height) : dc_(dc), width_(width), height_(height), saved_state_(dc) {
  UsePen();
  ::SetBkMode(dc_, OPAQUE);
}

GdiCanvas::~GdiCanvas() = default;

void GdiCanvas::UsePen() {
  OwnedPen pen(CreatePen(pen_visible_ ? PS_SOLID : PS_NULL, pen_width_, pen_color_));
  SelectObject(dc_, pen.get());
  pen_ = std::move(pen);
}

void GdiCanvas::SetPenColor(Rgb color) {
  pen_color_ = color;
  UsePen();
}

void GdiCanvas::SetPenWidth(int width) {
  pen_width_ = width;
  UsePen();
}

void GdiCanvas::SetPenVisible(bool visible) {
  pen_visible_ = visible;
  UsePen();
}

void GdiCanvas::SetBrushColor(Rgb color) {
  OwnedBrush brush(CreateSolidBrush(color));
  SelectObject(dc_, brush.get());
  brush_ = std::move(brush);
  ::SetBkColor(dc_, color);
}

void GdiCanvas::SetBrushClear(bool clear) { ::SetBkMode(dc_, clear ? TRANSPARENT : OPAQUE); }

void GdiCanvas::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }
void GdiCanvas::LineTo(int x, int y) { ::LineTo(dc_, x, y); }
void GdiCanvas::SetPixel(int x, int y, Rgb color) { ::SetPixelV(dc_, x, y, color); }

Rgb GdiCanvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
  return ::GetPixel(dc_, x, y);
}

void GdiCanvas::FillRect(const Rect& rect) {
  LOGBRUSH info{};
  GetObjectW(GetCurrentObject(dc_, OBJ_BRUSH), sizeof info, &info);
  OwnedBrush brush(CreateSolidBrush(info.lbColor));
  RECT area{rect.left, rect.top, rect.right, rect.bottom};
  ::FillRect(dc_, &area, brush.get());
}

void GdiCanvas::FillRectPattern(const Rect& rect, const Pattern8& pattern) {
  struct {
    BITMAPINFOHEADER header;
    uint32_t pixels[64];
  } packed{};
  packed.header.biSize = sizeof(BITMAPINFOHEADER);
  packed.header.biWidth = 8;
  packed.header.biHeight = -8;
  packed.header.biPlanes = 1;
  packed.header.biBitCount = 32;
  packed.header.biCompression = BI_RGB;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      Rgb color = pattern.pixels[y][x];
      packed.pixels[y * 8 + x] = (RedOf(color) << 16) | (GreenOf(color) << 8) | BlueOf(color);
    }
  OwnedBrush brush(CreateDIBPatternBrushPt(&packed, DIB_RGB_COLORS));
  RECT area{rect.left, rect.top, rect.right, rect.bottom};
  ::FillRect(dc_, &area, brush.get());
}

void GdiCanvas::ExcludeClip(const Rect& rect) { ExcludeClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom); }
void GdiCanvas::IntersectClip(const Rect& rect) { IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom); }
void GdiCanvas::ResetClip() { SelectClipRgn(dc_, nullptr); }

std::unique_ptr<Canvas> GdiCanvas::CreateOffscreen(int width, int height) {
  return std::make_unique<GdiBitmapCanvas>(width, height);
}

void GdiCanvas::CopyFrom(Canvas& source, const Rect& from, int x, int y) {
  auto& gdi = static_cast<GdiCanvas&>(source);
  BitBlt(dc_, x, y, from.Width(), from.Height(), gdi.dc_, from.left, from.top, SRCCOPY);
}

void GdiCanvas::SetFont(const FontSpec& wanted) {
  if (!font_ || !(wanted.face == font_spec_.face && wanted.height == font_spec_.height)) {
    OwnedFont font(CreateFontW(-wanted.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(wanted.face).c_str()));
    SelectObject(dc_, font.get());
    font_ = std::move(font);
  }
  font_spec_ = wanted;
  ::SetTextColor(dc_, wanted.color);
}

void GdiCanvas::SetTextColor(Rgb color) { ::SetTextColor(dc_, color); }

int GdiCanvas::DrawTextInRect(const std::string& text, Rect& rect, unsigned flags) {
  RECT area{rect.left, rect.top, rect.right, rect.bottom};
  std::wstring wide = Wide(text);
  int height = DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &area, flags);
  rect = {area.left, area.top, area.right, area.bottom};
  return height;
}

void GdiCanvas::DrawTextAt(int x, int y, const std::string& text) {
  std::wstring wide = Wide(text);
  ::TextOutW(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

void GdiCanvas::DrawImage(const RgbaImage& image, int x, int y) {
  if (image.width <= 0 || image.height <= 0) return;
  GdiBitmapCanvas premultiplied(image.width, image.height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> bgra(static_cast<size_t>(image.width) * image.height);
  for (size_t i = 0; i < bgra.size(); ++i) {
    const uint8_t* source = &image.pixels[i * 4];
    uint32_t alpha = source[3];
    auto pre = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
    bgra[i] = (alpha << 24) | (pre(source[0]) << 16) | (pre(source[1]) << 8) | pre(source[2]);
  }
  SetDIBitsToDevice(premultiplied.dc(), 0, 0, image.width, image.height, 0, 0, 0, image.height, bgra.data(), &info,
                    DIB_RGB_COLORS);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlendOf(dc_, x, y, image.width, image.height, premultiplied.dc(), 0, 0, image.width, image.height, blend);
}

void GdiCanvas::DrawAppIcon(int x, int y, int size) {
  // The program's icon is the resource MAINICON; a module without one shows
  // the system's application icon.
  HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0));
  if (icon) {
    DrawIconEx(dc_, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
  } else {
    DrawIconEx(dc_, x, y, LoadIconW(nullptr, IDI_APPLICATION), size, size, 0, nullptr, DI_NORMAL);
  }
}

namespace detail {

DibSurface::DibSurface(int width, int height) : memory_dc(nullptr) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = std::max(width, 1);
  info.bmiHeader.biHeight = -std::max(height, 1);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap.Reset(CreateDIBSection(memory_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  old_bitmap = SelectObject(memory_dc.get(), bitmap.get());
}

DibSurface::~DibSurface() { SelectObject(memory_dc.get(), old_bitmap); }

}  // namespace detail

GdiBitmapCanvas::GdiBitmapCanvas(int width, int height)
    : DibSurface(width, height), GdiCanvas(memory_dc.get(), width, height) {}

}  // namespace platform::windows

namespace platform {
std::unique_ptr<Canvas> CreateMemoryCanvas(int width, int height) {
  return std::make_unique<windows::GdiBitmapCanvas>(width, height);
}
}  // namespace platform
