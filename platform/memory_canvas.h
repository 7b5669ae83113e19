// A canvas over a plain pixel buffer: the native stand-in for a GDI memory
// bitmap. Lines, pixels, fills, clipping, copies and alpha images are drawn
// exactly; pens are one pixel wide whatever their width. Text is not
// rendered: each call is recorded, and measuring assumes cells of
// font height x font height/2 per byte, one line per run of text.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace platform {

class MemoryCanvas : public Canvas {
 public:
  struct TextCall {
    std::string text;
    Rect rect;
    unsigned flags;
    Rgb color;
    FontSpec font;
  };

  MemoryCanvas(int width, int height);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetPenColor(Rgb color) override { pen_ = color; }
  void SetPenWidth(int) override {}
  void SetPenVisible(bool visible) override { pen_visible_ = visible; }
  bool PenVisible() const override { return pen_visible_; }
  void SetBrushColor(Rgb color) override { brush_ = color; }
  void SetBrushClear(bool clear) override { brush_clear_ = clear; }
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
  void SetFont(const FontSpec& font) override {
    font_ = font;
    text_color_ = font.color;
  }
  void SetTextColor(Rgb color) override { text_color_ = color; }
  int DrawTextInRect(const std::string& text, Rect& rect, unsigned flags) override;
  void DrawTextAt(int x, int y, const std::string& text) override;
  void DrawImage(const RgbaImage& image, int x, int y) override;
  void DrawAppIcon(int x, int y, int size) override;

  const std::vector<TextCall>& texts() const { return texts_; }
  bool brush_clear() const { return brush_clear_; }

 private:
  bool Visible(int x, int y) const;
  void Put(int x, int y, Rgb color);

  int width_, height_;
  std::vector<Rgb> pixels_;
  std::vector<uint8_t> clip_;  // 1 where drawing is allowed
  Rgb pen_ = 0, brush_ = 0xFFFFFF, text_color_ = 0;
  bool pen_visible_ = true, brush_clear_ = false;
  int pen_x_ = 0, pen_y_ = 0;
  FontSpec font_;
  std::vector<TextCall> texts_;
};

}  // namespace platform
