// The skin's frames, focus mark and gradients, checked pixel by pixel on a
// memory bitmap: natively the pixel-buffer canvas, in the Windows tree a GDI
// device-independent bitmap, so the same expectations hold for both.
#include <gtest/gtest.h>

#include "skin/drawing.h"
#include "skin/tests/picture.h"

namespace skin {
namespace {

using platform::CreateMemoryCanvas;
using platform::MakeRgb;
using testing::Clear;
using testing::MatchesPicture;

constexpr platform::Rgb kBackground = MakeRgb(1, 2, 3);

platform::Rgb Sys(TColor color) { return ColorToRgb(color); }

TEST(DrawEdgeLines, CornersBelongToTheBottomRightColour) {
  auto canvas = CreateMemoryCanvas(6, 5);
  Clear(*canvas, kBackground);
  Rect result = DrawEdgeLines(*canvas, {0, 0, 5, 4}, Rgb(255, 0, 0), Rgb(0, 0, 255), AllSides);
  EXPECT_EQ(result, (Rect{1, 1, 4, 3}));
  EXPECT_TRUE(MatchesPicture(*canvas, 0, 0, {"rrrrb.", "r...b.", "r...b.", "bbbbb.", "......"},
                             {{'r', MakeRgb(255, 0, 0)}, {'b', MakeRgb(0, 0, 255)}, {'.', kBackground}}));
}

TEST(DrawEdgeLines, SidesAndNoneColours) {
  struct Case {
    TColor top_left, bottom_right;
    uint8_t sides;
    Rect result;
    std::vector<std::string> picture;
  } cases[] = {
      {clNone, clNone, AllSides, {1, 1, 3, 3}, {"....", "....", "....", "...."}},
      {clNone, clNone, SideLeft | SideBottom, {1, 0, 4, 3}, {"....", "....", "....", "...."}},
      {Rgb(255, 0, 0), clNone, SideTop, {0, 1, 4, 4}, {"rrrr", "....", "....", "...."}},
      {clNone, Rgb(0, 0, 255), SideRight | SideTop, {0, 1, 3, 4}, {"...b", "...b", "...b", "...b"}},
      {Rgb(255, 0, 0), Rgb(0, 0, 255), SideLeft | SideBottom, {1, 0, 4, 3}, {"r...", "r...", "r...", "bbbb"}},
  };
  for (const auto& c : cases) {
    auto canvas = CreateMemoryCanvas(4, 4);
    Clear(*canvas, kBackground);
    EXPECT_EQ(DrawEdgeLines(*canvas, {0, 0, 4, 4}, c.top_left, c.bottom_right, c.sides), c.result);
    EXPECT_TRUE(MatchesPicture(*canvas, 0, 0, c.picture,
                               {{'r', MakeRgb(255, 0, 0)}, {'b', MakeRgb(0, 0, 255)}, {'.', kBackground}}))
        << "sides " << int(c.sides);
  }
}

TEST(Frames, SystemKinds) {
  const std::map<char, platform::Rgb> legend = {{'H', Sys(clBtnHighlight)}, {'D', Sys(cl3DDkShadow)},
                                                {'L', Sys(cl3DLight)},      {'S', Sys(clBtnShadow)},
                                                {'T', Sys(clBtnText)},      {'.', kBackground}};
  struct Case {
    int kind;
    Rect result;
    std::vector<std::string> picture;
  } cases[] = {
      {0, {0, 0, 6, 6}, {"......", "......", "......", "......", "......", "......"}},
      {1, {1, 1, 5, 5}, {"DDDDDD", "D....D", "D....D", "D....D", "D....D", "DDDDDD"}},
      {2, {2, 2, 4, 4}, {"SSSSSH", "SHHHSH", "SH..SH", "SH..SH", "SSSSSH", "HHHHHH"}},
      {3, {2, 2, 4, 4}, {"HHHHHS", "HSSSHS", "HS..HS", "HS..HS", "HHHHHS", "SSSSSS"}},
      {4, {2, 2, 4, 4}, {"SSSSSH", "SDDDLH", "SD..LH", "SD..LH", "SLLLLH", "HHHHHH"}},
      {5, {2, 2, 4, 4}, {"TTTTTT", "TSSSST", "TS..ST", "TS..ST", "TSSSST", "TTTTTT"}},
      {6, {2, 2, 4, 4}, {"LLLLLD", "LHHHSD", "LH..SD", "LH..SD", "LSSSSD", "DDDDDD"}},
      {7, {2, 2, 4, 4}, {"HHHHHD", "HLLLSD", "HL..SD", "HL..SD", "HSSSSD", "DDDDDD"}},
      {8, {1, 1, 5, 5}, {"SSSSSH", "S....H", "S....H", "S....H", "S....H", "HHHHHH"}},
      {9, {1, 1, 5, 5}, {"HHHHHS", "H....S", "H....S", "H....S", "H....S", "SSSSSS"}},
      {10, {2, 2, 4, 4}, {"SSSSSS", "SSSSSS", "SS..SS", "SS..SS", "SSSSSS", "SSSSSS"}},
  };
  for (const auto& c : cases) {
    auto canvas = CreateMemoryCanvas(6, 6);
    Clear(*canvas, kBackground);
    EXPECT_EQ(DrawSystemFrame(*canvas, {0, 0, 6, 6}, c.kind), c.result) << "kind " << c.kind;
    EXPECT_TRUE(MatchesPicture(*canvas, 0, 0, c.picture, legend)) << "kind " << c.kind;
  }
}

TEST(Frames, EtchedWithOpenSides) {
  // Top and left only: the open ends get the single corner pixels.
  auto canvas = CreateMemoryCanvas(5, 5);
  Clear(*canvas, kBackground);
  Rect result = DrawSystemFrame(*canvas, {0, 0, 5, 5}, 2, SideTop | SideLeft);
  EXPECT_EQ(result, (Rect{2, 2, 5, 5}));
  EXPECT_TRUE(MatchesPicture(*canvas, 0, 0, {"SSSSS", "SHHHH", "SH...", "SH...", "SH..."},
                             {{'S', Sys(clBtnShadow)}, {'H', Sys(clBtnHighlight)}, {'.', kBackground}}));
  // Right and bottom only.
  Clear(*canvas, kBackground);
  result = DrawSystemFrame(*canvas, {0, 0, 5, 5}, 2, SideRight | SideBottom);
  EXPECT_EQ(result, (Rect{0, 0, 3, 3}));
  EXPECT_TRUE(MatchesPicture(*canvas, 0, 0, {"...SH", "...SH", "...SH", "SSSSH", "HHHHH"},
                             {{'S', Sys(clBtnShadow)}, {'H', Sys(clBtnHighlight)}, {'.', kBackground}}));
}

TEST(Frames, TintedKinds) {
  const TColor face = Rgb(22, 205, 0);
  const std::map<char, platform::Rgb> legend = {
      {'a', ColorToRgb(LowerLuminance(face, 50))},  {'b', ColorToRgb(LowerLuminance(face, 100))},
      {'c', ColorToRgb(RaiseLuminance(face, 50))},  {'d', ColorToRgb(RaiseLuminance(face, 100))},
      {'e', ColorToRgb(RaiseLuminance(face, 40))},  {'.', kBackground}};
  struct Case {
    int kind;
    std::vector<std::string> picture;
  } cases[] = {
      {1, {"aaaaa", "a...a", "a...a", "a...a", "aaaaa"}},
      {4, {"aaaad", "abbcd", "ab.cd", "acccd", "ddddd"}},
      {5, {"bbbbb", "baaab", "ba.ab", "baaab", "bbbbb"}},
      {6, {"ccccb", "cddab", "cd.ab", "caaab", "bbbbb"}},
      {7, {"ddddb", "deeab", "de.ab", "daaab", "bbbbb"}},
      {9, {"dddda", "d...a", "d...a", "d...a", "aaaaa"}},
  };
  for (const auto& c : cases) {
    auto canvas = CreateMemoryCanvas(5, 5);
    Clear(*canvas, kBackground);
    DrawTintedFrame(*canvas, {0, 0, 5, 5}, face, c.kind);
    EXPECT_TRUE(MatchesPicture(*canvas, 0, 0, c.picture, legend)) << "kind " << c.kind;
  }
}

TEST(DrawDottedFocus, EverySecondPixel) {
  auto canvas = CreateMemoryCanvas(6, 5);
  Clear(*canvas, kBackground);
  EXPECT_EQ(DrawDottedFocus(*canvas, {0, 0, 6, 5}), (Rect{1, 1, 5, 4}));
  EXPECT_TRUE(MatchesPicture(*canvas, 0, 0, {".k.k.k", "k....k", "......", "k....k", ".k.k.k"},
                             {{'k', 0}, {'.', kBackground}}));
}

}  // namespace
}  // namespace skin
