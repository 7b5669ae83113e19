// uOvSkinCommon: the skin's colour arithmetic and drawing routines. From one
// base colour they derive lighter, darker and mixed shades and paint frames,
// gradients, focus marks and the parent's background behind rounded corners.
// Nothing here keeps state except ManyColorsScreen; every routine draws on a
// canvas the caller owns.
#pragma once

#include <cstdint>

#include "platform/canvas.h"

namespace skin {

using platform::Canvas;
using platform::Rect;

// A colour as the system stores it: plain RGB 0x00BBGGRR, a system colour
// reference (top bit set, index in the lowest byte), or clNone.
using TColor = int32_t;

inline constexpr TColor SystemColorRef(int index) { return static_cast<TColor>(0x80000000u | index); }
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWindow = SystemColorRef(5);
inline constexpr TColor clWindowFrame = SystemColorRef(6);
inline constexpr TColor clWindowText = SystemColorRef(8);
inline constexpr TColor clHighlight = SystemColorRef(13);
inline constexpr TColor clBtnFace = SystemColorRef(15);
inline constexpr TColor clBtnShadow = SystemColorRef(16);
inline constexpr TColor clGrayText = SystemColorRef(17);
inline constexpr TColor clBtnText = SystemColorRef(18);
inline constexpr TColor clBtnHighlight = SystemColorRef(20);
inline constexpr TColor cl3DDkShadow = SystemColorRef(21);
inline constexpr TColor cl3DLight = SystemColorRef(22);

inline constexpr TColor Rgb(int r, int g, int b) { return static_cast<TColor>(platform::MakeRgb(r, g, b)); }

// The RGB value of a colour; system colours through the platform's current
// system colours. Never called with clNone.
platform::Rgb ColorToRgb(TColor color);

// Side sets of the frame routines.
inline constexpr uint8_t SideLeft = 1, SideTop = 2, SideRight = 4, SideBottom = 8, AllSides = 15;

// True when the screen shows more colours than a palette holds; read by the
// gradient painting, written whenever a skinned button is constructed.
extern bool ManyColorsScreen;
bool ScreenHasManyColors();

// Colour arithmetic. Hue, saturation and luminance are 0-240 (hue 0 red, 80
// green, 160 blue). All results are plain RGB. The floating-point steps are
// IEEE double (single for MixColors' weight) rounding halves to even, so both
// builds give the same colours.
void SplitHsl(TColor color, uint8_t& hue, uint8_t& saturation, uint8_t& luminance);
TColor MakeHslColor(uint8_t hue, uint8_t saturation, uint8_t luminance);
uint8_t HueOf(TColor color);
TColor RaiseLuminance(TColor color, uint8_t amount);
TColor LowerLuminance(TColor color, uint8_t amount);
TColor OppositeHueColor(TColor color, uint8_t luminance);
// weight/255 of the first colour, the rest of the second.
TColor MixColors(TColor first, TColor second, uint8_t weight);
// Hues within 20 and luminances within 60 of each other.
bool ColorsAlike(TColor first, TColor second);

// Frames. Each draws one-pixel lines inside rect on the chosen sides and
// returns rect moved in by the frame's width on those sides.
Rect DrawEdgeLines(Canvas& canvas, const Rect& rect, TColor top_left, TColor bottom_right, uint8_t sides);
Rect DrawEdgeLinesRepeated(Canvas& canvas, const Rect& rect, TColor top_left, TColor bottom_right, uint8_t sides,
                           int count);
Rect DrawThreeDFrame(Canvas& canvas, const Rect& rect, bool lowered, uint8_t sides = AllSides);
Rect DrawPushFrame(Canvas& canvas, const Rect& rect, bool lowered, uint8_t sides = AllSides);
// Frame kinds 0-10: none, single, etched in/out, pushed, three-D lowered,
// push raised, three-D raised, thin lowered/raised, double line.
Rect DrawSystemFrame(Canvas& canvas, const Rect& rect, int kind, uint8_t sides = AllSides);
Rect DrawTintedPushFrame(Canvas& canvas, const Rect& rect, TColor face, uint8_t sides, bool lowered);
inline Rect DrawTintedPushFrame(Canvas& canvas, const Rect& rect, TColor face, bool lowered) {
  return DrawTintedPushFrame(canvas, rect, face, AllSides, lowered);
}
Rect DrawTintedFrame(Canvas& canvas, const Rect& rect, TColor face, int kind, uint8_t sides = AllSides);
// Black dots on every second pixel of the rectangle's edges.
Rect DrawDottedFocus(Canvas& canvas, const Rect& rect);

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
