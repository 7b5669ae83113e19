// A drawing surface: the small part of GDI that the window skin uses, so that
// the skin's drawing routines stay portable and can be checked pixel by pixel.
//
// Colours here are plain RGB values 0x00BBGGRR (red in the lowest byte); the
// caller resolves system colours before drawing. Rectangles are (left, top,
// right, bottom) with right and bottom exclusive. Like a device context, a
// canvas has a current pen (colour, width, visible), brush (colour, clear),
// font and text colour, and a clipping region that starts as the whole
// surface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

using Rgb = uint32_t;

inline constexpr Rgb MakeRgb(int r, int g, int b) {
  return static_cast<Rgb>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr int RedOf(Rgb c) { return c & 0xFF; }
inline constexpr int GreenOf(Rgb c) { return (c >> 8) & 0xFF; }
inline constexpr int BlueOf(Rgb c) { return (c >> 16) & 0xFF; }

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  Rect Inset(int dx, int dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }
  Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  bool operator==(const Rect&) const = default;
};

// Text layout flags, with the values of the Win32 DrawText flags.
namespace text {
inline constexpr unsigned kLeft = 0x0;
inline constexpr unsigned kCenter = 0x1;
inline constexpr unsigned kRight = 0x2;
inline constexpr unsigned kVCenter = 0x4;
inline constexpr unsigned kWordBreak = 0x10;
inline constexpr unsigned kExpandTabs = 0x40;
inline constexpr unsigned kNoClip = 0x100;
inline constexpr unsigned kCalcRect = 0x400;
inline constexpr unsigned kRtlReading = 0x20000;
}  // namespace text

struct FontSpec {
  std::string face = "宋体";  // GBK
  int height = 12;              // character height in pixels
  Rgb color = 0;
  bool operator==(const FontSpec&) const = default;
};

// An 8-bit RGBA picture, not premultiplied, rows top-down.
struct RgbaImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4 bytes: R, G, B, A
};

// An 8 x 8 brush pattern, rows top-down; aligned to the canvas origin.
struct Pattern8 {
  Rgb pixels[8][8];
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  virtual void SetPenColor(Rgb color) = 0;
  virtual void SetPenWidth(int width) = 0;
  virtual void SetPenVisible(bool visible) = 0;
  virtual bool PenVisible() const = 0;
  virtual void SetBrushColor(Rgb color) = 0;
  virtual void SetBrushClear(bool clear) = 0;

  // Lines exclude their end point, as GDI's LineTo.
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  virtual void SetPixel(int x, int y, Rgb color) = 0;
  // Reads one pixel; off the surface gives 0xFFFFFFFF.
  virtual Rgb GetPixel(int x, int y) const = 0;
  // Fills with the brush colour (whatever the brush style), no outline.
  virtual void FillRect(const Rect& rect) = 0;
  virtual void FillRectPattern(const Rect& rect, const Pattern8& pattern) = 0;

  virtual void ExcludeClip(const Rect& rect) = 0;
  virtual void IntersectClip(const Rect& rect) = 0;
  // Removes every clipping restriction.
  virtual void ResetClip() = 0;

  // A surface of the given size that can be copied onto this one.
  virtual std::unique_ptr<Canvas> CreateOffscreen(int width, int height) = 0;
  // Copies source's rectangle to (x, y) on this canvas. Source may be this
  // canvas when the two areas do not overlap.
  virtual void CopyFrom(Canvas& source, const Rect& from, int x, int y) = 0;

  virtual void SetFont(const FontSpec& font) = 0;
  virtual void SetTextColor(Rgb color) = 0;
  // Draws (or with text::kCalcRect measures, updating rect) GBK text with an
  // ampersand marking the accelerator. Returns the text height.
  virtual int DrawTextInRect(const std::string& text, Rect& rect, unsigned flags) = 0;
  virtual void DrawTextAt(int x, int y, const std::string& text) = 0;

  // Draws the picture with its per-pixel alpha over what lies beneath.
  virtual void DrawImage(const RgbaImage& image, int x, int y) = 0;
  // Draws the running program's icon at the given size.
  virtual void DrawAppIcon(int x, int y, int size) = 0;
};

// A canvas over a memory bitmap of the given size, initially black: a GDI
// device-independent bitmap on Windows, a pixel buffer natively.
std::unique_ptr<Canvas> CreateMemoryCanvas(int width, int height);

}  // namespace platform
