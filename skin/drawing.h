// The skin's drawing routines: frames of every kind, gradients, focus marks.
// Every routine draws on a canvas the caller owns and keeps no state; the
// gradients read ManyColorsScreen.
#pragma once

#include <cstdint>

#include "platform/canvas.h"
#include "skin/colours.h"

namespace skin {

using platform::Canvas;
using platform::Rect;

// Side sets of the frame routines.
inline constexpr uint8_t SideLeft = 1, SideTop = 2, SideRight = 4, SideBottom = 8, AllSides = 15;

// Frames. Each draws one-pixel lines inside rect on the chosen sides and
// returns rect moved in by the frame's width on those sides.
Rect DrawEdgeLines(Canvas& canvas, const Rect& rect, TColor top_left, TColor bottom_right, uint8_t sides);
Rect DrawEdgeLinesRepeated(Canvas& canvas, const Rect& rect, TColor top_left, TColor bottom_right, uint8_t sides,
                           int count);
Rect DrawThreeDFrame(Canvas& canvas, const Rect& rect, bool lowered, uint8_t sides = AllSides);
Rect DrawPushFrame(Canvas& canvas, const Rect& rect, bool lowered, uint8_t sides = AllSides);
// The frame kinds of DrawSystemFrame and DrawTintedFrame.
enum FrameKind : int {
  kFrameNone = 0,
  kFrameSingle = 1,
  kFrameEtchedIn = 2,
  kFrameEtchedOut = 3,
  kFramePushLowered = 4,
  kFrameThreeDLowered = 5,
  kFramePushRaised = 6,
  kFrameThreeDRaised = 7,
  kFrameThinLowered = 8,
  kFrameThinRaised = 9,
  kFrameDouble = 10,
};
Rect DrawSystemFrame(Canvas& canvas, const Rect& rect, int kind, uint8_t sides = AllSides);
Rect DrawTintedPushFrame(Canvas& canvas, const Rect& rect, TColor face, uint8_t sides, bool lowered);
inline Rect DrawTintedPushFrame(Canvas& canvas, const Rect& rect, TColor face, bool lowered) {
  return DrawTintedPushFrame(canvas, rect, face, AllSides, lowered);
}
Rect DrawTintedFrame(Canvas& canvas, const Rect& rect, TColor face, int kind, uint8_t sides = AllSides);
// Black dots on every second pixel of the rectangle's edges.
Rect DrawDottedFocus(Canvas& canvas, const Rect& rect);

// The directions of ShadeRect. The four concentric ones differ only in band
// geometry this skin never paints; here they share one look.
enum GradientDirection : int {
  kShadeDiagonal = 0,
  kShadeDiagonalMirrored = 1,
  kShadeVertical = 2,
  kShadeVerticalMirrored = 3,
  kShadeConcentric4 = 4,
  kShadeHorizontal = 5,
  kShadeHorizontalMirrored = 6,
  kShadeConcentric7 = 7,
  kShadeConcentric8 = 8,
  kShadeConcentric9 = 9,
};

// Gradients. Direction 2 runs vertically from the first colour (top) to the
// second (bottom row exactly); 5 horizontally (second colour at the right);
// 3 and 6 are 2 and 5 mirrored about the middle (first colour at both edges);
// 0 and 1 are diagonal; 4, 7, 8 and 9 are concentric rectangles (first colour
// outside). band_size is the minimum number of rows per band: 1-8 as given,
// above 8 255 div band_size + 1.
void ShadeRect(Canvas& canvas, const Rect& rect, int direction, TColor first, TColor second, uint8_t band_size);
// ShadeRect painted only on the outer ring of width 1 or 2; nothing when
// ManyColorsScreen is false. Leaves the canvas without clipping.
void ShadeRing(Canvas& canvas, const Rect& rect, int direction, TColor first, TColor second, int ring_width);

// Building blocks of ShadeRect, exposed for their exact band arithmetic.
// Fills the strip (0, 0, width, steps) (vertical) or (0, 0, steps, width)
// band by band from the second colour at the far end towards the first.
void ShadeStrip(Canvas& canvas, bool vertical, int steps, int width, platform::Rgb first, platform::Rgb second,
                int min_rows);
// Widens (and heightens) the block at the origin to width x height by doubling
// block copies, alternating and starting with the height when both grow.
void ReplicateBlock(Canvas& canvas, int block_width, int block_height, int width, int height);
// The title bar's 32-band fade from first (top) to second over the rectangle.
void ShadeBands(Canvas& canvas, TColor first, TColor second, int left, int top, int right, int bottom);

}  // namespace skin
