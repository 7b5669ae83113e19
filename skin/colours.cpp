#include "skin/colours.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/display.h"

namespace skin {

using Pixel = platform::Rgb;
using platform::BlueOf;
using platform::GreenOf;
using platform::RedOf;

bool ManyColorsScreen = false;

platform::Rgb ColorToRgb(TColor color) {
  if (color < 0) return platform::SystemColor(color & 0xFF) & 0xFFFFFF;
  return static_cast<Pixel>(color) & 0xFFFFFF;
}

bool ScreenHasManyColors() { return platform::ScreenPaletteColors() == -1; }

namespace {

// Round half to even in the default rounding mode, as the original
// arithmetic does.
int RoundEven(double value) { return static_cast<int>(std::nearbyint(value)); }

}  // namespace

void SplitHsl(TColor color, uint8_t& hue, uint8_t& saturation, uint8_t& luminance) {
  Pixel rgb = ColorToRgb(color);
  double r = RedOf(rgb) / 255.0, g = GreenOf(rgb) / 255.0, b = BlueOf(rgb) / 255.0;
  double max = std::max({r, g, b}), min = std::min({r, g, b});
  double l = (max + min) / 2, s = 0, h = 0;
  if (max != min) {
    double d = max - min;
    s = l < 0.5 ? d / (max + min) : d / (2 - max - min);
    if (r == max)
      h = (g - b) / d;
    else if (g == max)
      h = 2 + (b - r) / d;
    else
      h = 4 + (r - g) / d;
    h = h / 6;
    if (h < 0) h = h + 1;
  }
  hue = static_cast<uint8_t>(RoundEven(h * 240));
  saturation = static_cast<uint8_t>(RoundEven(s * 240));
  luminance = static_cast<uint8_t>(RoundEven(l * 240));
}

TColor MakeHslColor(uint8_t hue, uint8_t saturation, uint8_t luminance) {
  // The hue is scaled by 239, not 240: hue 239 and above fall outside the six
  // sextants and take the red one.
  double h = hue / 239.0, s = saturation / 240.0, l = luminance / 240.0;
  double m2 = l < 0.5 ? l * (1 + s) : l + s - l * s;
  if (m2 <= 0) return clBlack;
  double m1 = 2 * l - m2;
  double x = 6 * h;
  int sextant = static_cast<int>(x);
  double f = x - sextant;
  double v = (m2 - m1) * f;
  double up = m1 + v, down = m2 - v;
  double r, g, b;
  switch (sextant) {
    case 1: r = down; g = m2; b = m1; break;
    case 2: r = m1; g = m2; b = up; break;
    case 3: r = m1; g = down; b = m2; break;
    case 4: r = up; g = m1; b = m2; break;
    case 5: r = m2; g = m1; b = down; break;
    default: r = m2; g = up; b = m1; break;
  }
  auto channel = [](double c) { return RoundEven(std::min(c, 1.0) * 255); };
  return static_cast<TColor>(platform::MakeRgb(channel(r), channel(g), channel(b)));
}

uint8_t HueOf(TColor color) {
  uint8_t h, s, l;
  SplitHsl(color, h, s, l);
  return h;
}

TColor RaiseLuminance(TColor color, uint8_t amount) {
  uint8_t h, s, l;
  SplitHsl(color, h, s, l);
  return MakeHslColor(h, s, static_cast<uint8_t>(std::min(l + amount, 255)));
}

TColor LowerLuminance(TColor color, uint8_t amount) {
  uint8_t h, s, l;
  SplitHsl(color, h, s, l);
  return MakeHslColor(h, s, static_cast<uint8_t>(std::max(l - amount, 0)));
}

TColor OppositeHueColor(TColor color, uint8_t luminance) {
  int hue = HueOf(color);
  hue = hue >= 120 ? hue - 120 : hue + 120;
  return MakeHslColor(static_cast<uint8_t>(hue), 240, luminance);
}

TColor MixColors(TColor first, TColor second, uint8_t weight) {
  // The weight is a single-precision value; the sums are taken in double.
  float w = static_cast<float>(weight) / 255.0f;
  double wf = w, ws = 1.0 - static_cast<double>(w);
  Pixel a = ColorToRgb(first), b = ColorToRgb(second);
  auto mix = [&](int x, int y) { return RoundEven(x * wf + y * ws); };
  return static_cast<TColor>(platform::MakeRgb(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)),
                                               mix(BlueOf(a), BlueOf(b))));
}

bool ColorsAlike(TColor first, TColor second) {
  uint8_t h1, s1, l1, h2, s2, l2;
  SplitHsl(first, h1, s1, l1);
  SplitHsl(second, h2, s2, l2);
  return std::abs(h1 - h2) < 20 && std::abs(l1 - l2) < 60;
}

}  // namespace skin
