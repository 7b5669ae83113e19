#include "skin/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace skin {

using Pixel = platform::Rgb;
using platform::BlueOf;
using platform::GreenOf;
using platform::RedOf;

// ---------------------------------------------------------------------------
// Frames

Rect DrawEdgeLines(Canvas& canvas, const Rect& rect, TColor top_left, TColor bottom_right, uint8_t sides) {
  const Rect& r = rect;
  if (top_left != clNone) {
    canvas.SetPenColor(ColorToRgb(top_left));
    if (sides & SideLeft) {
      canvas.MoveTo(r.left, r.top);
      canvas.LineTo(r.left, r.bottom);
    }
    if (sides & SideTop) {
      canvas.MoveTo(r.left, r.top);
      canvas.LineTo(r.right, r.top);
    }
  }
  if (bottom_right != clNone) {
    canvas.SetPenColor(ColorToRgb(bottom_right));
    if (sides & SideRight) {
      canvas.MoveTo(r.right - 1, r.top);
      canvas.LineTo(r.right - 1, r.bottom);
    }
    if (sides & SideBottom) {
      canvas.MoveTo(r.left, r.bottom - 1);
      canvas.LineTo(r.right, r.bottom - 1);
    }
  }
  Rect result = rect;
  if (sides & SideLeft) ++result.left;
  if (sides & SideTop) ++result.top;
  if (sides & SideRight) --result.right;
  if (sides & SideBottom) --result.bottom;
  return result;
}

Rect DrawEdgeLinesRepeated(Canvas& canvas, const Rect& rect, TColor top_left, TColor bottom_right, uint8_t sides,
                           int count) {
  canvas.SetPenWidth(1);
  Rect result = rect;
  for (int i = 0; i < count; ++i) result = DrawEdgeLines(canvas, result, top_left, bottom_right, sides);
  return result;
}

namespace {

struct TwoLineColors {
  TColor outer_top_left, outer_bottom_right, inner_top_left, inner_bottom_right;
};

Rect DrawTwoLines(Canvas& canvas, const Rect& rect, const TwoLineColors& c, uint8_t sides) {
  Rect inner = DrawEdgeLines(canvas, rect, c.outer_top_left, c.outer_bottom_right, sides);
  return DrawEdgeLines(canvas, inner, c.inner_top_left, c.inner_bottom_right, sides);
}

// An etched line pair: the shadow line one pixel in, the light line over it,
// with the corner pixels set so that open ends look cut rather than bent.
Rect DrawEtched(Canvas& canvas, const Rect& r, TColor u, TColor w, uint8_t sides) {
  bool left = sides & SideLeft, top = sides & SideTop, right = sides & SideRight, bottom = sides & SideBottom;
  Pixel ur = ColorToRgb(u), wr = ColorToRgb(w);
  if (right)
    canvas.SetPixel(r.right - 1, r.top, wr);
  else if (top)
    canvas.SetPixel(r.right - 1, r.top, ur);
  if (bottom)
    canvas.SetPixel(r.left, r.bottom - 1, wr);
  else if (left)
    canvas.SetPixel(r.left, r.bottom - 1, ur);
  if (top && !left) canvas.SetPixel(r.left, r.top + 1, wr);
  if (left && !top) canvas.SetPixel(r.left + 1, r.top, wr);
  if (bottom && !right) canvas.SetPixel(r.right - 1, r.bottom - 2, ur);
  if (right && !bottom) canvas.SetPixel(r.right - 2, r.bottom - 1, ur);
  Rect shifted{r.left + 1, r.top + 1, r.right, r.bottom};
  DrawEdgeLines(canvas, shifted, w, w, sides);
  DrawEdgeLines(canvas, shifted.Offset(-1, -1), u, u, sides);
  Rect result = r;
  if (left) result.left += 2;
  if (top) result.top += 2;
  if (right) result.right -= 2;
  if (bottom) result.bottom -= 2;
  return result;
}

}  // namespace

Rect DrawThreeDFrame(Canvas& canvas, const Rect& rect, bool lowered, uint8_t sides) {
  return lowered ? DrawTwoLines(canvas, rect, {clBtnText, clBtnText, clBtnShadow, clBtnShadow}, sides)
                 : DrawTwoLines(canvas, rect, {clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow}, sides);
}

Rect DrawPushFrame(Canvas& canvas, const Rect& rect, bool lowered, uint8_t sides) {
  return lowered ? DrawTwoLines(canvas, rect, {clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight}, sides)
                 : DrawTwoLines(canvas, rect, {cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow}, sides);
}

Rect DrawSystemFrame(Canvas& canvas, const Rect& rect, int kind, uint8_t sides) {
  switch (kind) {
    case 1: return DrawEdgeLines(canvas, rect, cl3DDkShadow, cl3DDkShadow, sides);
    case 2: return DrawEtched(canvas, rect, clBtnShadow, clBtnHighlight, sides);
    case 3: return DrawEtched(canvas, rect, clBtnHighlight, clBtnShadow, sides);
    case 4: return DrawPushFrame(canvas, rect, true, sides);
    case 5: return DrawThreeDFrame(canvas, rect, true, sides);
    case 6: return DrawPushFrame(canvas, rect, false, sides);
    case 7: return DrawThreeDFrame(canvas, rect, false, sides);
    case 8: return DrawEdgeLines(canvas, rect, clBtnShadow, clBtnHighlight, sides);
    case 9: return DrawEdgeLines(canvas, rect, clBtnHighlight, clBtnShadow, sides);
    case 10: return DrawEdgeLinesRepeated(canvas, rect, clBtnShadow, clBtnShadow, sides, 2);
    default: return rect;
  }
}

Rect DrawTintedPushFrame(Canvas& canvas, const Rect& rect, TColor face, uint8_t sides, bool lowered) {
  if (lowered) {
    TColor d100 = LowerLuminance(face, 100), d50 = LowerLuminance(face, 50);
    return DrawTwoLines(canvas, rect, {d100, d100, d50, d50}, sides);
  }
  return DrawTwoLines(canvas, rect,
                      {RaiseLuminance(face, 100), LowerLuminance(face, 100), RaiseLuminance(face, 40),
                       LowerLuminance(face, 50)},
                      sides);
}

Rect DrawTintedFrame(Canvas& canvas, const Rect& rect, TColor face, int kind, uint8_t sides) {
  auto L = [face](uint8_t n) { return RaiseLuminance(face, n); };
  auto D = [face](uint8_t n) { return LowerLuminance(face, n); };
  switch (kind) {
    case 1: return DrawEdgeLines(canvas, rect, D(50), D(50), sides);
    case 2: return DrawEtched(canvas, rect, D(50), L(100), sides);
    case 3: return DrawEtched(canvas, rect, L(100), D(50), sides);
    case 4: return DrawTwoLines(canvas, rect, {D(50), L(100), D(100), L(50)}, sides);
    case 5: return DrawTintedPushFrame(canvas, rect, face, sides, true);
    case 6: return DrawTwoLines(canvas, rect, {L(50), D(100), L(100), D(50)}, sides);
    case 7: return DrawTintedPushFrame(canvas, rect, face, sides, false);
    case 8: return DrawEdgeLines(canvas, rect, D(50), L(100), sides);
    case 9: return DrawEdgeLines(canvas, rect, L(100), D(50), sides);
    case 10: return DrawEdgeLinesRepeated(canvas, rect, D(50), D(50), sides, 2);
    default: return rect;
  }
}

Rect DrawDottedFocus(Canvas& canvas, const Rect& r) {
  for (int y = r.top + 1; y < r.bottom; y += 2) {
    canvas.SetPixel(r.left, y, 0);
    canvas.SetPixel(r.right - 1, y, 0);
  }
  for (int x = r.left + 1; x < r.right; x += 2) {
    canvas.SetPixel(x, r.top, 0);
    canvas.SetPixel(x, r.bottom - 1, 0);
  }
  return r.Inset(1, 1);
}

// ---------------------------------------------------------------------------
// Gradients

void ShadeStrip(Canvas& canvas, bool vertical, int steps, int width, Pixel first, Pixel second, int min_rows) {
  if (steps <= 0) return;
  // 16.16 fixed point, starting at the second colour at the far end.
  const int32_t first_channels[3] = {RedOf(first), GreenOf(first), BlueOf(first)};
  const int32_t second_channels[3] = {RedOf(second), GreenOf(second), BlueOf(second)};
  int32_t value[3], increment[3];
  for (int c = 0; c < 3; ++c) {
    value[c] = second_channels[c] << 16;
    increment[c] = ((first_channels[c] << 16) - (second_channels[c] << 16)) / steps;
  }
  auto current = [&] { return platform::MakeRgb(value[0] >> 16, value[1] >> 16, value[2] >> 16); };
  int row = steps - 1;
  while (row >= 0) {
    Pixel band = current();
    int band_end = row + 1, taken = 0;
    Pixel next;
    do {
      ++taken;
      --row;
      for (int c = 0; c < 3; ++c) value[c] += increment[c];
      next = current();
    } while (row >= 0 && (next == band || taken < min_rows));
    canvas.SetBrushColor(band);
    if (vertical)
      canvas.FillRect({0, row + 1, width, band_end});
    else
      canvas.FillRect({row + 1, 0, band_end, width});
  }
}

void ReplicateBlock(Canvas& canvas, int block_width, int block_height, int width, int height) {
  int w = std::min(block_width, width), h = std::min(block_height, height);
  bool grow_height_next = true;
  while (w < width || h < height) {
    if ((grow_height_next && h < height) || w >= width) {
      int copy = std::min(h, height - h);
      canvas.CopyFrom(canvas, {0, 0, w, copy}, 0, h);
      h += copy;
    } else {
      int copy = std::min(w, width - w);
      canvas.CopyFrom(canvas, {0, 0, copy, h}, w, 0);
      w += copy;
    }
    grow_height_next = !grow_height_next;
  }
}

namespace {

int MinimumRows(uint8_t band_size) {
  int rows = band_size <= 8 ? band_size : 255 / band_size + 1;
  return std::max(rows, 1);
}

// Concentric rectangles from the first colour outside to the second in the
// middle, one band per step towards the centre.
void ShadeConcentric(Canvas& canvas, int width, int height, Pixel first, Pixel second) {
  int steps = (std::min(width, height) + 1) / 2;
  for (int i = 0; i < steps; ++i) {
    int weight = steps > 1 ? 255 - 255 * i / (steps - 1) : 255;
    canvas.SetBrushColor(ColorToRgb(MixColors(static_cast<TColor>(first), static_cast<TColor>(second),
                                              static_cast<uint8_t>(weight))));
    canvas.FillRect({i, i, width - i, height - i});
  }
}

// Diagonal bands from the top-left (or top-right when mirrored) corner.
void ShadeDiagonal(Canvas& canvas, int width, int height, Pixel first, Pixel second, bool mirrored) {
  int diagonals = width + height - 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int k = (mirrored ? width - 1 - x : x) + y;
      int weight = diagonals > 1 ? 255 - 255 * k / (diagonals - 1) : 255;
      canvas.SetPixel(x, y, ColorToRgb(MixColors(static_cast<TColor>(first), static_cast<TColor>(second),
                                                  static_cast<uint8_t>(weight))));
    }
}

}  // namespace

void ShadeRect(Canvas& canvas, const Rect& rect, int direction, TColor first, TColor second, uint8_t band_size) {
  int width = std::abs(rect.right - rect.left), height = std::abs(rect.bottom - rect.top);
  if (width == 0 || height == 0) return;
  std::unique_ptr<Canvas> block = canvas.CreateOffscreen(width, height);
  block->SetPenVisible(false);
  block->SetBrushClear(false);
  Pixel a = ColorToRgb(first), b = ColorToRgb(second);
  int min_rows = MinimumRows(band_size);
  const int kStrip = 8;
  switch (direction) {
    case 2:
      ShadeStrip(*block, true, height, kStrip, a, b, min_rows);
      ReplicateBlock(*block, kStrip, height, width, height);
      break;
    case 5:
      ShadeStrip(*block, false, width, kStrip, a, b, min_rows);
      ReplicateBlock(*block, width, kStrip, width, height);
      break;
    case 3:
    case 6: {
      // First colour at both edges, second in the middle: shade one half and
      // mirror it row by row (column by column).
      bool vertical = direction == 3;
      int length = vertical ? height : width, half = (length + 1) / 2;
      ShadeStrip(*block, vertical, half, kStrip, a, b, min_rows);
      for (int to = half; to < length; ++to) {
        int from = length - 1 - to;
        if (vertical)
          block->CopyFrom(*block, {0, from, kStrip, from + 1}, 0, to);
        else
          block->CopyFrom(*block, {from, 0, from + 1, kStrip}, to, 0);
      }
      if (vertical)
        ReplicateBlock(*block, kStrip, height, width, height);
      else
        ReplicateBlock(*block, width, kStrip, width, height);
      break;
    }
    case 0:
    case 1:
      if (a == b) {
        block->SetBrushColor(a);
        block->FillRect({0, 0, width, height});
      } else {
        ShadeDiagonal(*block, width, height, a, b, direction == 1);
      }
      break;
    default:
      block->SetBrushColor(a);
      block->FillRect({0, 0, width, height});
      if (a != b && width >= 5 && height > 4) ShadeConcentric(*block, width, height, a, b);
      break;
  }
  canvas.CopyFrom(*block, {0, 0, width, height}, std::min(rect.left, rect.right), std::min(rect.top, rect.bottom));
}

void ShadeRing(Canvas& canvas, const Rect& rect, int direction, TColor first, TColor second, int ring_width) {
  if (!ManyColorsScreen) return;
  canvas.ExcludeClip(rect.Inset(ring_width, ring_width));
  ShadeRect(canvas, rect, direction, first, second, 1);
  canvas.ResetClip();
}

void ShadeBands(Canvas& canvas, TColor first, TColor second, int left, int top, int right, int bottom) {
  // The fill has no outline; the pen is made invisible for the duration all
  // the same, as callers may rely on its style being restored.
  bool pen_visible = canvas.PenVisible();
  canvas.SetPenVisible(false);
  Pixel a = ColorToRgb(first), b = ColorToRgb(second);
  double value[3] = {double(RedOf(a)), double(GreenOf(a)), double(BlueOf(a))};
  double increment[3] = {(RedOf(b) - RedOf(a)) / 31.0, (GreenOf(b) - GreenOf(a)) / 31.0,
                         (BlueOf(b) - BlueOf(a)) / 31.0};
  int height = bottom - top;
  int step = height / 31 + 1;
  for (int i = 0; i <= 31; ++i) {
    Pixel band = platform::MakeRgb(static_cast<int>(value[0]), static_cast<int>(value[1]), static_cast<int>(value[2]));
    for (int c = 0; c < 3; ++c) value[c] += increment[c];
    int y = top + (i * height) / 31;
    canvas.SetBrushColor(band);
    canvas.FillRect({left, y, right, std::min(y + step, bottom)});
  }
  canvas.SetPenVisible(pen_visible);
}

}  // namespace skin
