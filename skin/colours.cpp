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

// Halves round to even (the default rounding mode): the colour values of every
// shade depend on it, and both builds round the same way.
int RoundEven(double value) { return static_cast<int>(std::nearbyint(value)); }

struct Hsl {
  uint8_t hue, saturation, luminance;
};

Hsl HslOf(TColor color) {
  Hsl hsl;
  SplitHsl(color, hsl.hue, hsl.saturation, hsl.luminance);
  return hsl;
}

}  // namespace

void SplitHsl(TColor color, uint8_t& hue, uint8_t& saturation, uint8_t& luminance) {
  Pixel rgb = ColorToRgb(color);
  double red = RedOf(rgb) / 255.0, green = GreenOf(rgb) / 255.0, blue = BlueOf(rgb) / 255.0;
  double max = std::max({red, green, blue}), min = std::min({red, green, blue});
  double light = (max + min) / 2, saturated = 0, turn = 0;  // all 0-1
  if (max != min) {
    double spread = max - min;
    saturated = light < 0.5 ? spread / (max + min) : spread / (2 - max - min);
    if (red == max)
      turn = (green - blue) / spread;
    else if (green == max)
      turn = 2 + (blue - red) / spread;
    else
      turn = 4 + (red - green) / spread;
    turn = turn / 6;
    if (turn < 0) turn = turn + 1;
  }
  hue = static_cast<uint8_t>(RoundEven(turn * 240));
  saturation = static_cast<uint8_t>(RoundEven(saturated * 240));
  luminance = static_cast<uint8_t>(RoundEven(light * 240));
}

TColor MakeHslColor(uint8_t hue, uint8_t saturation, uint8_t luminance) {
  // The hue is scaled by 239, not 240: hue 239 and above fall outside the six
  // sextants and take the red one.
  double turn = hue / 239.0, saturated = saturation / 240.0, light = luminance / 240.0;
  double high = light < 0.5 ? light * (1 + saturated) : light + saturated - light * saturated;
  if (high <= 0) return clBlack;
  double low = 2 * light - high;
  double position = 6 * turn;
  int sextant = static_cast<int>(position);
  double slope = (high - low) * (position - sextant);
  double rising = low + slope, falling = high - slope;
  double red, green, blue;
  switch (sextant) {
    case 1: red = falling; green = high; blue = low; break;
    case 2: red = low; green = high; blue = rising; break;
    case 3: red = low; green = falling; blue = high; break;
    case 4: red = rising; green = low; blue = high; break;
    case 5: red = high; green = low; blue = falling; break;
    default: red = high; green = rising; blue = low; break;
  }
  auto channel = [](double value) { return RoundEven(std::min(value, 1.0) * 255); };
  return static_cast<TColor>(platform::MakeRgb(channel(red), channel(green), channel(blue)));
}

uint8_t HueOf(TColor color) { return HslOf(color).hue; }

TColor RaiseLuminance(TColor color, uint8_t amount) {
  Hsl hsl = HslOf(color);
  return MakeHslColor(hsl.hue, hsl.saturation, static_cast<uint8_t>(std::min(hsl.luminance + amount, 255)));
}

TColor LowerLuminance(TColor color, uint8_t amount) {
  Hsl hsl = HslOf(color);
  return MakeHslColor(hsl.hue, hsl.saturation, static_cast<uint8_t>(std::max(hsl.luminance - amount, 0)));
}

TColor OppositeHueColor(TColor color, uint8_t luminance) {
  int hue = HueOf(color);
  hue = hue >= 120 ? hue - 120 : hue + 120;
  return MakeHslColor(static_cast<uint8_t>(hue), 240, luminance);
}

TColor MixColors(TColor first, TColor second, uint8_t weight) {
  // The weight is a single-precision value; the sums are taken in double.
  float single_weight = static_cast<float>(weight) / 255.0f;
  double first_share = single_weight, second_share = 1.0 - static_cast<double>(single_weight);
  Pixel first_rgb = ColorToRgb(first), second_rgb = ColorToRgb(second);
  auto mix = [&](int x, int y) { return RoundEven(x * first_share + y * second_share); };
  return static_cast<TColor>(platform::MakeRgb(mix(RedOf(first_rgb), RedOf(second_rgb)),
                                               mix(GreenOf(first_rgb), GreenOf(second_rgb)),
                                               mix(BlueOf(first_rgb), BlueOf(second_rgb))));
}

bool ColorsAlike(TColor first, TColor second) {
  Hsl one = HslOf(first), other = HslOf(second);
  return std::abs(one.hue - other.hue) < 20 && std::abs(one.luminance - other.luminance) < 60;
}

}  // namespace skin
