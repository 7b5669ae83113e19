// Colour arithmetic of the skin. Expected values come from the arithmetic
// worked by hand (and by an independent script for the longer rows); several
// rows pin its quirks: the hue scale of 239 in MakeHslColor, luminance above
// 240 giving white, halves rounded to even.
#include <gtest/gtest.h>

#include <vector>

#include "platform/memory_canvas.h"
#include "skin/drawing.h"

namespace skin {
namespace {

struct HslCase {
  TColor color;
  int hue, saturation, luminance;
};

TEST(SplitHsl, Table) {
  const HslCase cases[] = {
      {Rgb(0, 0, 0), 0, 0, 0},          {Rgb(255, 255, 255), 0, 0, 240}, {Rgb(128, 128, 128), 0, 0, 120},
      {Rgb(7, 7, 7), 0, 0, 7},          {Rgb(255, 0, 0), 0, 240, 120},   {Rgb(0, 0, 255), 160, 240, 120},
      {Rgb(0, 255, 0), 80, 240, 120},   {Rgb(22, 205, 0), 76, 240, 96},  {Rgb(212, 208, 200), 27, 29, 194},
      {Rgb(255, 0, 1), 240, 240, 120},  // hue just below 1.0 rounds to 240
  };
  for (const auto& c : cases) {
    uint8_t hue, saturation, luminance;
    SplitHsl(c.color, hue, saturation, luminance);
    EXPECT_EQ(hue, c.hue) << std::hex << c.color;
    EXPECT_EQ(saturation, c.saturation) << std::hex << c.color;
    EXPECT_EQ(luminance, c.luminance) << std::hex << c.color;
    EXPECT_EQ(HueOf(c.color), c.hue);
  }
}

TEST(SplitHsl, ResolvesSystemColours) {
  uint8_t by_reference[3], by_value[3];
  SplitHsl(clBtnFace, by_reference[0], by_reference[1], by_reference[2]);
  SplitHsl(static_cast<TColor>(ColorToRgb(clBtnFace)), by_value[0], by_value[1], by_value[2]);
  EXPECT_EQ(std::vector<uint8_t>(by_reference, by_reference + 3), std::vector<uint8_t>(by_value, by_value + 3));
}

TEST(MakeHslColor, Table) {
  struct Case {
    int hue, saturation, luminance;
    TColor expected;
  } cases[] = {
      {0, 0, 0, Rgb(0, 0, 0)},          {123, 240, 0, Rgb(0, 0, 0)},       // luminance 0: black
      {0, 0, 100, Rgb(106, 106, 106)},  {0, 0, 240, Rgb(255, 255, 255)},   // grey of luminance*255/240
      {0, 240, 120, Rgb(255, 0, 0)},    {239, 240, 120, Rgb(255, 0, 0)},   // hue 239: the red sextant
      {240, 240, 120, Rgb(255, 6, 0)},  {80, 240, 120, Rgb(0, 255, 2)},    // scale 239 shifts the hue
      {160, 240, 120, Rgb(4, 0, 255)},  {76, 240, 255, Rgb(255, 255, 255)},  // above 240: white
  };
  for (const auto& c : cases)
    EXPECT_EQ(MakeHslColor(c.hue, c.saturation, c.luminance), c.expected) << c.hue << "," << c.saturation << ","
                                                                          << c.luminance;
}

TEST(Luminance, RaiseAndLower) {
  struct Case {
    TColor color;
    bool raise;
    int amount;
    TColor expected;
  } cases[] = {
      {Rgb(22, 205, 0), true, 30, Rgb(35, 255, 13)},   {Rgb(22, 205, 0), false, 10, Rgb(17, 183, 0)},
      {Rgb(22, 205, 0), false, 20, Rgb(15, 162, 0)},   {Rgb(22, 205, 0), false, 30, Rgb(13, 140, 0)},
      {Rgb(22, 205, 0), false, 80, Rgb(3, 34, 0)},     {Rgb(255, 199, 142), true, 20, Rgb(255, 220, 185)},
      {Rgb(255, 199, 142), false, 20, Rgb(255, 178, 100)}, {Rgb(128, 128, 128), true, 30, Rgb(159, 159, 159)},
      {Rgb(255, 255, 255), true, 100, Rgb(255, 255, 255)}, {Rgb(255, 255, 255), true, 10, Rgb(255, 255, 255)},
      {Rgb(0, 0, 0), false, 100, Rgb(0, 0, 0)},        {Rgb(0, 0, 0), false, 10, Rgb(0, 0, 0)},
      {Rgb(22, 205, 0), false, 255, Rgb(0, 0, 0)},     {Rgb(22, 205, 0), true, 255, Rgb(255, 255, 255)},
  };
  for (const auto& c : cases) {
    TColor got = c.raise ? RaiseLuminance(c.color, c.amount) : LowerLuminance(c.color, c.amount);
    EXPECT_EQ(got, c.expected) << std::hex << c.color << (c.raise ? " raised by " : " lowered by ") << std::dec
                               << c.amount;
  }
}

TEST(OppositeHueColor, TurnsHueByAThird) {
  // RGB(240, 155, 20) has hue 25: turned to 145, full saturation, luminance 180.
  EXPECT_EQ(OppositeHueColor(Rgb(240, 155, 20), 180), Rgb(128, 173, 255));
  // Blue (160) turns back to 40; grey (hue 0) to 120.
  EXPECT_EQ(HueOf(OppositeHueColor(Rgb(0, 0, 255), 120)), 40);
  EXPECT_EQ(HueOf(OppositeHueColor(Rgb(90, 90, 90), 120)), 120);
}

TEST(MixColors, WeightsTheFirstColour) {
  EXPECT_EQ(MixColors(clWhite, Rgb(240, 155, 20), 190), Rgb(251, 230, 195));
  EXPECT_EQ(MixColors(Rgb(10, 20, 30), Rgb(200, 100, 0), 255), Rgb(10, 20, 30));
  EXPECT_EQ(MixColors(Rgb(10, 20, 30), Rgb(200, 100, 0), 0), Rgb(200, 100, 0));
  EXPECT_EQ(MixColors(Rgb(10, 36, 106), Rgb(35, 255, 13), 60), Rgb(29, 203, 35));
  EXPECT_EQ(MixColors(Rgb(10, 36, 106), Rgb(35, 255, 13), 160), Rgb(19, 118, 71));
  // System colours are resolved first.
  EXPECT_EQ(MixColors(clBtnFace, clBlack, 255), static_cast<TColor>(ColorToRgb(clBtnFace)));
}

TEST(ColorsAlike, HueAndLuminanceLimits) {
  struct Case {
    TColor a, b;
    bool alike;
  } cases[] = {
      // Hues 0 and 20 (RGB(255, 128, 0) has hue 20): exactly 20 apart is not alike.
      {Rgb(255, 0, 0), Rgb(255, 128, 0), false},
      {Rgb(255, 0, 0), MakeHslColor(19, 240, 120), true},
      {MakeHslColor(100, 240, 100), MakeHslColor(120, 240, 100), false},
      {Rgb(255, 0, 0), Rgb(200, 100, 100), true},    // same hue, luminance 21 apart, saturation ignored
      {Rgb(255, 0, 0), Rgb(255, 150, 150), false},   // luminance 71 apart
      {Rgb(0, 0, 0), Rgb(60, 60, 60), true},         // luminance 56 apart
      {Rgb(0, 0, 0), Rgb(64, 64, 64), false},        // luminance 60 apart
  };
  for (const auto& c : cases) EXPECT_EQ(ColorsAlike(c.a, c.b), c.alike) << std::hex << c.a << " " << c.b;
  uint8_t h, s, l;
  SplitHsl(Rgb(255, 128, 0), h, s, l);
  ASSERT_EQ(h, 20);
}

}  // namespace
}  // namespace skin

namespace skin {
namespace {

// The floating-point routines must give the same colours in the native and
// the Windows build (SSE2 doubles in both). These hashes were taken from the
// native build; the Windows build must reproduce them bit for bit. Every
// value of the MakeHslColor and SplitHsl sweeps was also recomputed by an
// independent script (IEEE doubles, round half to even) and found equal.
uint64_t Fnv(uint64_t hash, uint32_t value) {
  for (int i = 0; i < 4; ++i) hash = (hash ^ ((value >> (8 * i)) & 0xFF)) * 1099511628211ull;
  return hash;
}

TEST(CrossBuild, MakeHslColorSweep) {
  uint64_t hash = 14695981039346656037ull;
  for (int h = 0; h < 256; ++h)
    for (int s = 0; s < 256; s += 5)
      for (int l = 0; l < 256; ++l) hash = Fnv(hash, uint32_t(MakeHslColor(uint8_t(h), uint8_t(s), uint8_t(l))));
  EXPECT_EQ(hash, 7898209362531858390ull);
}

TEST(CrossBuild, SplitHslSweep) {
  uint64_t hash = 14695981039346656037ull;
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 3) {
        uint8_t h, s, l;
        SplitHsl(Rgb(r, g, b), h, s, l);
        hash = Fnv(hash, uint32_t(h) | uint32_t(s) << 8 | uint32_t(l) << 16);
      }
  EXPECT_EQ(hash, 10420578443495806871ull);
}

TEST(CrossBuild, MixColorsAndShadeBandsSweep) {
  uint64_t hash = 14695981039346656037ull;
  for (int w = 0; w < 256; ++w) {
    hash = Fnv(hash, uint32_t(MixColors(Rgb(255, 251, 240), Rgb(240, 155, 20), uint8_t(w))));
    hash = Fnv(hash, uint32_t(MixColors(Rgb(10, 36, 106), Rgb(35, 255, 13), uint8_t(w))));
  }
  for (int height : {1, 6, 19, 25, 31, 32, 63, 100, 257}) {
    platform::MemoryCanvas canvas(1, height);
    ShadeBands(canvas, Rgb(49, 106, 183), Rgb(35, 78, 135), 0, 0, 1, height);
    for (int y = 0; y < height; ++y) hash = Fnv(hash, canvas.GetPixel(0, y));
  }
  EXPECT_EQ(hash, 2238987752914935335ull);
}

}  // namespace
}  // namespace skin
