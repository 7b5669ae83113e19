// Band arithmetic of the gradients (which rows get which colour, how many
// bands are filled) and the gradient fills on a memory bitmap.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory_canvas.h"
#include "skin/drawing.h"
#include "skin/tests/picture.h"

namespace skin {
namespace {

using platform::MakeRgb;
using testing::Clear;

// Counts the filled rectangles, so that "one band per colour" is visible.
class CountingCanvas : public platform::MemoryCanvas {
 public:
  using MemoryCanvas::MemoryCanvas;
  void FillRect(const Rect& rect) override {
    ++fills;
    MemoryCanvas::FillRect(rect);
  }
  int fills = 0;
};

std::vector<platform::Rgb> Column(const platform::Canvas& canvas, int x) {
  std::vector<platform::Rgb> column;
  for (int y = 0; y < canvas.Height(); ++y) column.push_back(canvas.GetPixel(x, y));
  return column;
}

TEST(ShadeStrip, RowsAndBands) {
  struct Case {
    const char* name;
    platform::Rgb first, second;
    int steps, min_rows;
    std::vector<platform::Rgb> rows;  // top to bottom
    int bands;
  } cases[] = {
      // One step of 25 per row: four bands, the top row one step short of 100.
      {"distinct", MakeRgb(100, 0, 0), 0, 4, 1,
       {MakeRgb(75, 0, 0), MakeRgb(50, 0, 0), MakeRgb(25, 0, 0), 0}, 4},
      // Quarter steps: a band per whole value; row 4 still takes the old one.
      {"merged", MakeRgb(2, 0, 0), 0, 8, 1, {MakeRgb(1, 0, 0), MakeRgb(1, 0, 0), MakeRgb(1, 0, 0), MakeRgb(1, 0, 0), 0, 0, 0, 0}, 2},
      // Falling channels: increments are negative, still exact at the bottom.
      {"falling", 0, MakeRgb(255, 255, 255), 3, 1,
       {MakeRgb(85, 85, 85), MakeRgb(170, 170, 170), MakeRgb(255, 255, 255)}, 3},
      // A minimum of three rows per band.
      {"minimum", MakeRgb(100, 0, 0), 0, 4, 3, {MakeRgb(75, 0, 0), 0, 0, 0}, 2},
      {"one row", MakeRgb(9, 9, 9), MakeRgb(200, 100, 50), 1, 1, {MakeRgb(200, 100, 50)}, 1},
      {"equal", MakeRgb(7, 8, 9), MakeRgb(7, 8, 9), 30, 1, std::vector<platform::Rgb>(30, MakeRgb(7, 8, 9)), 1},
  };
  for (const auto& c : cases) {
    CountingCanvas canvas(8, c.steps);
    ShadeStrip(canvas, true, c.steps, 8, c.first, c.second, c.min_rows);
    EXPECT_EQ(Column(canvas, 0), c.rows) << c.name;
    EXPECT_EQ(Column(canvas, 7), c.rows) << c.name;
    EXPECT_EQ(canvas.fills, c.bands) << c.name;
  }
}

TEST(ShadeStrip, HorizontalRunsAlongX) {
  platform::MemoryCanvas canvas(4, 8);
  ShadeStrip(canvas, false, 4, 8, MakeRgb(100, 0, 0), 0, 1);
  for (int y = 0; y < 8; ++y) {
    EXPECT_EQ(canvas.GetPixel(0, y), MakeRgb(75, 0, 0));
    EXPECT_EQ(canvas.GetPixel(3, y), 0u);
  }
}

// The title bar's fade with the wizard's values on a 742 x 25 bar: the first
// fade covers rows 0-5, the second rows 6-24; each row shows the last of the
// 32 bands that reach it.
TEST(ShadeBands, WizardTitleBarRows) {
  platform::MemoryCanvas canvas(742, 25);
  const TColor up = 12020273, down = 8867363;  // RGB(49, 106, 183), RGB(35, 78, 135)
  ShadeBands(canvas, up, down, 0, 0, 742, 25 / 4);
  ShadeBands(canvas, down, up, 0, 25 / 4, 742, 25);
  const platform::Rgb expected[25] = {
      MakeRgb(46, 101, 175), MakeRgb(44, 96, 167), MakeRgb(42, 92, 159), MakeRgb(39, 87, 152),
      MakeRgb(37, 83, 144),  MakeRgb(35, 78, 136), MakeRgb(35, 78, 136), MakeRgb(36, 80, 139),
      MakeRgb(36, 81, 141),  MakeRgb(37, 83, 144), MakeRgb(38, 85, 147), MakeRgb(39, 86, 148),
      MakeRgb(39, 87, 152),  MakeRgb(40, 89, 155), MakeRgb(41, 90, 156), MakeRgb(42, 92, 159),
      MakeRgb(42, 93, 161),  MakeRgb(43, 95, 164), MakeRgb(44, 96, 167), MakeRgb(44, 97, 169),
      MakeRgb(45, 99, 172),  MakeRgb(46, 101, 175), MakeRgb(47, 102, 176), MakeRgb(48, 104, 179),
      MakeRgb(48, 105, 181)};
  for (int y = 0; y < 25; ++y) {
    EXPECT_EQ(canvas.GetPixel(0, y), expected[y]) << "row " << y;
    EXPECT_EQ(canvas.GetPixel(741, y), expected[y]) << "row " << y;
  }
}

TEST(ShadeBands, TallAreaUsesWiderBands) {
  // Height 100: bands 4 rows high at y = i*100 div 31, the last band (i = 31)
  // starting at the bottom edge and so covering nothing.
  platform::MemoryCanvas canvas(3, 100);
  ShadeBands(canvas, clBlack, clWhite, 0, 0, 3, 100);
  const std::map<int, platform::Rgb> rows = {{0, 0}, {2, 0}, {3, MakeRgb(8, 8, 8)}, {6, MakeRgb(16, 16, 16)},
                                             {50, MakeRgb(123, 123, 123)}, {99, MakeRgb(246, 246, 246)}};
  for (auto [y, color] : rows) EXPECT_EQ(canvas.GetPixel(1, y), color) << "row " << y;
}

// ShadeRect and ShadeRing on a memory bitmap (GDI in the Windows tree).
constexpr platform::Rgb kUnpainted = MakeRgb(1, 2, 3);

// Each row one colour, the bottom row exactly the second colour, the top row
// one step of the 16.16 walk short of the first.
TEST(ShadeRect, VerticalGradient) {
  struct Case {
    const char* name;
    Rect rect;
    TColor first, second;
    std::optional<platform::Rgb> top;  // none: system colours differ between platforms
  } cases[] = {
      {"wide", {3, 2, 40, 30}, Rgb(35, 255, 13), Rgb(17, 183, 0), MakeRgb(34, 252, 12)},
      {"narrower than the strip", {0, 0, 5, 12}, Rgb(255, 255, 255), Rgb(0, 0, 0), MakeRgb(233, 233, 233)},
      {"height 1", {2, 5, 30, 6}, Rgb(255, 0, 0), Rgb(0, 0, 255), MakeRgb(0, 0, 255)},
      {"equal colours", {1, 1, 19, 21}, Rgb(22, 205, 0), Rgb(22, 205, 0), MakeRgb(22, 205, 0)},
      {"system colours", {0, 0, 17, 9}, clBtnHighlight, clBtnShadow, std::nullopt},
  };
  for (const auto& c : cases) {
    auto canvas = platform::CreateMemoryCanvas(48, 32);
    Clear(*canvas, kUnpainted);
    ShadeRect(*canvas, c.rect, kShadeVertical, c.first, c.second, 1);
    const Rect& rect = c.rect;
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x)
        ASSERT_EQ(canvas->GetPixel(x, y), canvas->GetPixel(rect.left, y)) << c.name << " at " << x << "," << y;
    EXPECT_EQ(canvas->GetPixel(rect.left, rect.bottom - 1), ColorToRgb(c.second)) << c.name;
    if (c.top) {
      EXPECT_EQ(canvas->GetPixel(rect.left, rect.top), *c.top) << c.name;
    }
    if (c.first == c.second) {
      for (int y = rect.top; y < rect.bottom; ++y) EXPECT_EQ(canvas->GetPixel(rect.left, y), ColorToRgb(c.first));
    }
    // Nothing outside the rectangle.
    EXPECT_EQ(canvas->GetPixel(rect.left - 1 < 0 ? rect.right : rect.left - 1, rect.top), kUnpainted) << c.name;
    EXPECT_EQ(canvas->GetPixel(rect.left, rect.bottom), kUnpainted) << c.name;
    EXPECT_EQ(canvas->GetPixel(rect.right, rect.bottom - 1), kUnpainted) << c.name;
  }
}

// Every direction from white to black, every pixel: one letter per grey
// level (W 255, a 204, b 192, c 170, d 153, e 128, f 102, g 85, h 64, i 51,
// B 0), '.' the background around the rectangle at (1, 1).
TEST(ShadeRect, EveryRowAndColumnOfEachDirection) {
  const std::map<char, platform::Rgb> grey = {
      {'W', MakeRgb(255, 255, 255)}, {'a', MakeRgb(204, 204, 204)}, {'b', MakeRgb(192, 192, 192)},
      {'c', MakeRgb(170, 170, 170)}, {'d', MakeRgb(153, 153, 153)}, {'e', MakeRgb(128, 128, 128)},
      {'f', MakeRgb(102, 102, 102)}, {'g', MakeRgb(85, 85, 85)},    {'h', MakeRgb(64, 64, 64)},
      {'i', MakeRgb(51, 51, 51)},    {'B', MakeRgb(0, 0, 0)},       {'.', kUnpainted}};
  struct Case {
    int direction;
    Rect rect;
    std::vector<std::string> picture;  // from (0, 0)
  } cases[] = {
      // Five rows, one step of 51 each, the bottom row black.
      {kShadeVertical, {1, 1, 4, 6}, {".....", ".aaa.", ".ddd.", ".fff.", ".iii.", ".BBB.", "....."}},
      {kShadeHorizontal, {1, 1, 6, 4}, {".......", ".adfiB.", ".adfiB.", ".adfiB.", "......."}},
      // Mirrored about the middle: three steps of 85 to black and back.
      {kShadeVerticalMirrored, {1, 1, 3, 6}, {"....", ".cc.", ".gg.", ".BB.", ".gg.", ".cc.", "...."}},
      {kShadeHorizontalMirrored, {1, 1, 6, 3}, {".......", ".cgBgc.", ".cgBgc.", "......."}},
      // Diagonal bands: white in one top corner, black in the opposite one.
      {kShadeDiagonal, {1, 1, 4, 4}, {".....", ".Wbe.", ".beh.", ".ehB.", "....."}},
      {kShadeDiagonalMirrored, {1, 1, 4, 4}, {".....", ".ebW.", ".heb.", ".Bhe.", "....."}},
  };
  for (const auto& c : cases) {
    auto canvas = platform::CreateMemoryCanvas(8, 8);
    Clear(*canvas, kUnpainted);
    ShadeRect(*canvas, c.rect, c.direction, clWhite, clBlack, 1);
    EXPECT_TRUE(testing::MatchesPicture(*canvas, 0, 0, c.picture, grey)) << "direction " << c.direction;
  }
  // The concentric directions: white outside, black in the middle.
  for (int direction : {kShadeConcentric4, kShadeConcentric7, kShadeConcentric8, kShadeConcentric9}) {
    auto canvas = platform::CreateMemoryCanvas(7, 7);
    Clear(*canvas, kUnpainted);
    ShadeRect(*canvas, {1, 1, 6, 6}, direction, clWhite, clBlack, 1);
    EXPECT_TRUE(testing::MatchesPicture(*canvas, 0, 0,
                                        {".......", ".WWWWW.", ".WeeeW.", ".WeBeW.", ".WeeeW.", ".WWWWW.", "......."},
                                        grey))
        << "direction " << direction;
  }
}

TEST(ShadeRect, EmptyRectangleDrawsNothing) {
  auto canvas = platform::CreateMemoryCanvas(8, 8);
  Clear(*canvas, kUnpainted);
  ShadeRect(*canvas, {2, 2, 2, 6}, kShadeVertical, clWhite, clBlack, 1);
  ShadeRect(*canvas, {2, 2, 6, 2}, kShadeVertical, clWhite, clBlack, 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(canvas->GetPixel(x, y), kUnpainted);
}

// ShadeRing reads the screen's colour depth; the value the process had is put
// back afterwards.
class ShadeRingTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = ManyColorsScreen; }
  void TearDown() override { ManyColorsScreen = saved_; }

 private:
  bool saved_ = false;
};

TEST_F(ShadeRingTest, PaintsOnlyTheRingAndClearsTheClip) {
  const Rect rect{2, 2, 14, 12};
  for (int width : {1, 2}) {
    ManyColorsScreen = true;
    auto canvas = platform::CreateMemoryCanvas(16, 14);
    Clear(*canvas, kUnpainted);
    ShadeRing(*canvas, rect, kShadeVertical, Rgb(255, 255, 255), Rgb(255, 0, 0), width);
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 16; ++x) {
        bool in_rect = rect.Contains(x, y), in_hole = rect.Inset(width, width).Contains(x, y);
        if (!in_rect || in_hole)
          EXPECT_EQ(canvas->GetPixel(x, y), kUnpainted) << width << " at " << x << "," << y;
        else
          EXPECT_NE(canvas->GetPixel(x, y), kUnpainted) << width << " at " << x << "," << y;
      }
    EXPECT_EQ(canvas->GetPixel(7, rect.bottom - 1), MakeRgb(255, 0, 0));
    // The clip is gone: a fill reaches the middle again.
    Clear(*canvas, MakeRgb(9, 9, 9));
    EXPECT_EQ(canvas->GetPixel(8, 7), MakeRgb(9, 9, 9));
  }
}

TEST_F(ShadeRingTest, NothingOnAPaletteScreen) {
  ManyColorsScreen = false;
  auto canvas = platform::CreateMemoryCanvas(16, 14);
  Clear(*canvas, kUnpainted);
  ShadeRing(*canvas, {2, 2, 14, 12}, kShadeVertical, Rgb(255, 255, 255), Rgb(255, 0, 0), 2);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(canvas->GetPixel(x, y), kUnpainted);
}

}  // namespace
}  // namespace skin
