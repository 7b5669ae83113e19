// The skin's colours: the TColor value with its named colours, the system
// colours resolved to RGB, the screen's colour depth and the colour
// arithmetic that derives lighter, darker and mixed shades from one base
// colour. Nothing here keeps state except ManyColorsScreen.
#pragma once

#include <cstdint>

#include "platform/canvas.h"
#include "platform/display.h"

namespace skin {

// A colour as the system stores it: plain RGB 0x00BBGGRR, a system colour
// reference (top bit set, index in the lowest byte), or clNone.
using TColor = int32_t;

inline constexpr TColor SystemColorRef(int index) { return static_cast<TColor>(0x80000000u | index); }
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWindow = SystemColorRef(platform::kColorWindow);
inline constexpr TColor clWindowFrame = SystemColorRef(platform::kColorWindowFrame);
inline constexpr TColor clWindowText = SystemColorRef(platform::kColorWindowText);
inline constexpr TColor clHighlight = SystemColorRef(platform::kColorHighlight);
inline constexpr TColor clBtnFace = SystemColorRef(platform::kColorButtonFace);
inline constexpr TColor clBtnShadow = SystemColorRef(platform::kColorButtonShadow);
inline constexpr TColor clGrayText = SystemColorRef(platform::kColorGrayText);
inline constexpr TColor clBtnText = SystemColorRef(platform::kColorButtonText);
inline constexpr TColor clBtnHighlight = SystemColorRef(platform::kColorButtonHighlight);
inline constexpr TColor cl3DDkShadow = SystemColorRef(platform::kColor3DDarkShadow);
inline constexpr TColor cl3DLight = SystemColorRef(platform::kColor3DLight);

inline constexpr TColor Rgb(int r, int g, int b) { return static_cast<TColor>(platform::MakeRgb(r, g, b)); }

// The RGB value of a colour; system colours through the platform's current
// system colours. Never called with clNone.
platform::Rgb ColorToRgb(TColor color);

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

}  // namespace skin
