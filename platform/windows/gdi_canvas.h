// The canvas over a GDI device context. A GdiCanvas made from a context it
// does not own (a paint context, a window's context) leaves the context's own
// objects selected again when it is destroyed; the pens, brushes and fonts it
// made are owned by it.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/canvas.h"
#include "platform/windows/gdi_handles.h"

namespace platform::windows {

class GdiCanvas : public Canvas {
 public:
  // Draws on dc, which stays the caller's; width and height bound GetPixel.
  GdiCanvas(HDC dc, int width, int height);
  ~GdiCanvas() override;

  HDC dc() const { return dc_; }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetPenColor(Rgb color) override;
  void SetPenWidth(int width) override;
  void SetPenVisible(bool visible) override;
  bool PenVisible() const override { return pen_visible_; }
  void SetBrushColor(Rgb color) override;
  void SetBrushClear(bool clear) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void SetPixel(int x, int y, Rgb color) override;
  Rgb GetPixel(int x, int y) const override;
  void FillRect(const Rect& rect) override;
  void FillRectPattern(const Rect& rect, const Pattern8& pattern) override;
  void ExcludeClip(const Rect& rect) override;
  void IntersectClip(const Rect& rect) override;
  void ResetClip() override;
  std::unique_ptr<Canvas> CreateOffscreen(int width, int height) override;
  void CopyFrom(Canvas& source, const Rect& from, int x, int y) override;
  void SetFont(const FontSpec& font) override;
  void SetTextColor(Rgb color) override;
  int DrawTextInRect(const std::string& text, Rect& rect, unsigned flags) override;
  void DrawTextAt(int x, int y, const std::string& text) override;
  void DrawImage(const RgbaImage& image, int x, int y) override;
  void DrawAppIcon(int x, int y, int size) override;

 private:
  void UsePen();

  HDC dc_;
  int width_, height_;
  Rgb pen_color_ = 0;
  int pen_width_ = 1;
  bool pen_visible_ = true;
  OwnedPen pen_;
  OwnedBrush brush_;
  OwnedFont font_;
  FontSpec font_spec_;
  // Declared after the objects it deselects: destroyed first, it selects the
  // context's own objects again before ours are deleted.
  SavedDcState saved_state_;
};

namespace detail {
// The memory context and bitmap of a GdiBitmapCanvas; a base class so that it
// exists before the canvas takes the context and goes after it.
struct DibSurface {
  OwnedMemoryDc memory_dc;
  OwnedBitmap bitmap;
  HGDIOBJ old_bitmap = nullptr;
  DibSurface(int width, int height);
  ~DibSurface();
};
}  // namespace detail

// A canvas over its own 32-bit top-down device-independent bitmap.
class GdiBitmapCanvas : private detail::DibSurface, public GdiCanvas {
 public:
  GdiBitmapCanvas(int width, int height);
};

}  // namespace platform::windows
