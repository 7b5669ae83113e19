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
  if (top_left != clNone) {
    canvas.SetPenColor(ColorToRgb(top_left));
    if (sides & SideLeft) {
      canvas.MoveTo(rect.left, rect.top);
      canvas.LineTo(rect.left, rect.bottom);
    }
    if (sides & SideTop) {
      canvas.MoveTo(rect.left, rect.top);
      canvas.LineTo(rect.right, rect.top);
    }
  }
  if (bottom_right != clNone) {
    canvas.SetPenColor(ColorToRgb(bottom_right));
    if (sides & SideRight) {
      canvas.MoveTo(rect.right - 1, rect.top);
      canvas.LineTo(rect.right - 1, rect.bottom);
    }
    if (sides & SideBottom) {
      canvas.MoveTo(rect.left, rect.bottom - 1);
      canvas.LineTo(rect.right, rect.bottom - 1);
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

Rect DrawTwoLines(Canvas& canvas, const Rect& rect, const TwoLineColors& colors, uint8_t sides) {
  Rect inner = DrawEdgeLines(canvas, rect, colors.outer_top_left, colors.outer_bottom_right, sides);
  return DrawEdgeLines(canvas, inner, colors.inner_top_left, colors.inner_bottom_right, sides);
}

// An etched line pair: the shadow line one pixel in, the light line over it,
// with the corner pixels set so that open ends look cut rather than bent.
Rect DrawEtched(Canvas& canvas, const Rect& rect, TColor top_left, TColor bottom_right, uint8_t sides) {
  bool left = sides & SideLeft, top = sides & SideTop, right = sides & SideRight, bottom = sides & SideBottom;
  Pixel light_rgb = ColorToRgb(top_left), dark_rgb = ColorToRgb(bottom_right);
  if (right)
    canvas.SetPixel(rect.right - 1, rect.top, dark_rgb);
  else if (top)
    canvas.SetPixel(rect.right - 1, rect.top, light_rgb);
  if (bottom)
    canvas.SetPixel(rect.left, rect.bottom - 1, dark_rgb);
  else if (left)
    canvas.SetPixel(rect.left, rect.bottom - 1, light_rgb);
  if (top && !left) canvas.SetPixel(rect.left, rect.top + 1, dark_rgb);
  if (left && !top) canvas.SetPixel(rect.left + 1, rect.top, dark_rgb);
  if (bottom && !right) canvas.SetPixel(rect.right - 1, rect.bottom - 2, light_rgb);
  if (right && !bottom) canvas.SetPixel(rect.right - 2, rect.bottom - 1, light_rgb);
  Rect shifted{rect.left + 1, rect.top + 1, rect.right, rect.bottom};
  DrawEdgeLines(canvas, shifted, bottom_right, bottom_right, sides);
  DrawEdgeLines(canvas, shifted.Offset(-1, -1), top_left, top_left, sides);
  Rect result = rect;
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
    case kFrameSingle: return DrawEdgeLines(canvas, rect, cl3DDkShadow, cl3DDkShadow, sides);
    case kFrameEtchedIn: return DrawEtched(canvas, rect, clBtnShadow, clBtnHighlight, sides);
    case kFrameEtchedOut: return DrawEtched(canvas, rect, clBtnHighlight, clBtnShadow, sides);
    case kFramePushLowered: return DrawPushFrame(canvas, rect, true, sides);
    case kFrameThreeDLowered: return DrawThreeDFrame(canvas, rect, true, sides);
    case kFramePushRaised: return DrawPushFrame(canvas, rect, false, sides);
    case kFrameThreeDRaised: return DrawThreeDFrame(canvas, rect, false, sides);
    case kFrameThinLowered: return DrawEdgeLines(canvas, rect, clBtnShadow, clBtnHighlight, sides);
    case kFrameThinRaised: return DrawEdgeLines(canvas, rect, clBtnHighlight, clBtnShadow, sides);
    case kFrameDouble: return DrawEdgeLinesRepeated(canvas, rect, clBtnShadow, clBtnShadow, sides, 2);
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
    case kFrameSingle: return DrawEdgeLines(canvas, rect, D(50), D(50), sides);
    case kFrameEtchedIn: return DrawEtched(canvas, rect, D(50), L(100), sides);
    case kFrameEtchedOut: return DrawEtched(canvas, rect, L(100), D(50), sides);
    case kFramePushLowered: return DrawTwoLines(canvas, rect, {D(50), L(100), D(100), L(50)}, sides);
    case kFrameThreeDLowered: return DrawTintedPushFrame(canvas, rect, face, sides, true);
    case kFramePushRaised: return DrawTwoLines(canvas, rect, {L(50), D(100), L(100), D(50)}, sides);
    case kFrameThreeDRaised: return DrawTintedPushFrame(canvas, rect, face, sides, false);
    case kFrameThinLowered: return DrawEdgeLines(canvas, rect, D(50), L(100), sides);
    case kFrameThinRaised: return DrawEdgeLines(canvas, rect, L(100), D(50), sides);
    case kFrameDouble: return DrawEdgeLinesRepeated(canvas, rect, D(50), D(50), sides, 2);
    default: return rect;
  }
}

Rect DrawDottedFocus(Canvas& canvas, const Rect& rect) {
  for (int y = rect.top + 1; y < rect.bottom; y += 2) {
    canvas.SetPixel(rect.left, y, 0);
    canvas.SetPixel(rect.right - 1, y, 0);
  }
  for (int x = rect.left + 1; x < rect.right; x += 2) {
    canvas.SetPixel(x, rect.top, 0);
    canvas.SetPixel(x, rect.bottom - 1, 0);
  }
  return rect.Inset(1, 1);
}

// ---------------------------------------------------------------------------
// Gradients

void ShadeStrip(Canvas& canvas, bool vertical, int steps, int width, Pixel first, Pixel second, int min_rows) {
  if (steps <= 0) return;
  // 16.16 fixed point, starting at the second colour at the far end.
  const int32_t first_channels[3] = {RedOf(first), GreenOf(first), BlueOf(first)};
  const int32_t second_channels[3] = {RedOf(second), GreenOf(second), BlueOf(second)};
  int32_t value[3], increment[3];
  for (int channel = 0; channel < 3; ++channel) {
    value[channel] = second_channels[channel] << 16;
    increment[channel] = ((first_channels[channel] << 16) - (second_channels[channel] << 16)) / steps;
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
      for (int channel = 0; channel < 3; ++channel) value[channel] += increment[channel];
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
  int filled_width = std::min(block_width, width), filled_height = std::min(block_height, height);
  bool grow_height_next = true;
  while (filled_width < width || filled_height < height) {
    if ((grow_height_next && filled_height < height) || filled_width >= width) {
      int copy = std::min(filled_height, height - filled_height);
      canvas.CopyFrom(canvas, {0, 0, filled_width, copy}, 0, filled_height);
      filled_height += copy;
    } else {
      int copy = std::min(filled_width, width - filled_width);
      canvas.CopyFrom(canvas, {0, 0, copy, filled_height}, filled_width, 0);
      filled_width += copy;
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
      int diagonal = (mirrored ? width - 1 - x : x) + y;
      int weight = diagonals > 1 ? 255 - 255 * diagonal / (diagonals - 1) : 255;
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
  Pixel first_rgb = ColorToRgb(first), second_rgb = ColorToRgb(second);
  int min_rows = MinimumRows(band_size);
  const int kStrip = 8;
  switch (direction) {
    case kShadeVertical:
      ShadeStrip(*block, true, height, kStrip, first_rgb, second_rgb, min_rows);
      ReplicateBlock(*block, kStrip, height, width, height);
      break;
    case kShadeHorizontal:
      ShadeStrip(*block, false, width, kStrip, first_rgb, second_rgb, min_rows);
      ReplicateBlock(*block, width, kStrip, width, height);
      break;
    case kShadeVerticalMirrored:
    case kShadeHorizontalMirrored: {
      // First colour at both edges, second in the middle: shade one half and
      // mirror it row by row (column by column).
      bool vertical = direction == kShadeVerticalMirrored;
      int length = vertical ? height : width, half = (length + 1) / 2;
      ShadeStrip(*block, vertical, half, kStrip, first_rgb, second_rgb, min_rows);
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
    case kShadeDiagonal:
    case kShadeDiagonalMirrored:
      if (first_rgb == second_rgb) {
        block->SetBrushColor(first_rgb);
        block->FillRect({0, 0, width, height});
      } else {
        ShadeDiagonal(*block, width, height, first_rgb, second_rgb, direction == kShadeDiagonalMirrored);
      }
      break;
    default:
      block->SetBrushColor(first_rgb);
      block->FillRect({0, 0, width, height});
      if (first_rgb != second_rgb && width >= 5 && height > 4) ShadeConcentric(*block, width, height, first_rgb, second_rgb);
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
  Pixel first_rgb = ColorToRgb(first), second_rgb = ColorToRgb(second);
  double value[3] = {double(RedOf(first_rgb)), double(GreenOf(first_rgb)), double(BlueOf(first_rgb))};
  double increment[3] = {(RedOf(second_rgb) - RedOf(first_rgb)) / 31.0,
                         (GreenOf(second_rgb) - GreenOf(first_rgb)) / 31.0,
                         (BlueOf(second_rgb) - BlueOf(first_rgb)) / 31.0};
  int height = bottom - top;
  int step = height / 31 + 1;
  for (int band_index = 0; band_index <= 31; ++band_index) {
    Pixel band =
        platform::MakeRgb(static_cast<int>(value[0]), static_cast<int>(value[1]), static_cast<int>(value[2]));
    for (int channel = 0; channel < 3; ++channel) value[channel] += increment[channel];
    int y = top + (band_index * height) / 31;
    canvas.SetBrushColor(band);
    canvas.FillRect({left, y, right, std::min(y + step, bottom)});
  }
  canvas.SetPenVisible(pen_visible);
}

}  // namespace skin
