// Band arithmetic of the gradients (which rows get which colour, how many
// bands are filled) and the gradient fills on a memory bitmap.
#include <gtest/gtest.h>

#include <map>

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
constexpr platform::Rgb kBackground = MakeRgb(1, 2, 3);

TEST(ShadeRect, VerticalGradient) {
  struct Case {
    const char* name;
    Rect rect;
    TColor first, second;
  } cases[] = {
      {"wide", {3, 2, 40, 30}, Rgb(35, 255, 13), Rgb(17, 183, 0)},
      {"narrower than the strip", {0, 0, 5, 12}, Rgb(255, 255, 255), Rgb(0, 0, 0)},
      {"height 1", {2, 5, 30, 6}, Rgb(255, 0, 0), Rgb(0, 0, 255)},
      {"equal colours", {1, 1, 19, 21}, Rgb(22, 205, 0), Rgb(22, 205, 0)},
      {"system colours", {0, 0, 17, 9}, clBtnHighlight, clBtnShadow},
  };
  for (const auto& c : cases) {
    auto canvas = platform::CreateMemoryCanvas(48, 32);
    Clear(*canvas, kBackground);
    ShadeRect(*canvas, c.rect, 2, c.first, c.second, 1);
    const Rect& r = c.rect;
    platform::Rgb first = ColorToRgb(c.first), second = ColorToRgb(c.second);
    // Bottom row exactly the second colour; every row a single colour.
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        ASSERT_EQ(canvas->GetPixel(x, y), canvas->GetPixel(r.left, y)) << c.name << " at " << x << "," << y;
    EXPECT_EQ(canvas->GetPixel(r.left, r.bottom - 1), second) << c.name;
    if (first == second) {
      for (int y = r.top; y < r.bottom; ++y) EXPECT_EQ(canvas->GetPixel(r.left, y), first) << c.name;
    }
    // The top row is the colour after height - 1 steps of the fixed-point walk.
    int h = r.Height();
    auto step_channel = [h](int f, int s) { return ((s << 16) + (h - 1) * (((f << 16) - (s << 16)) / h)) >> 16; };
    platform::Rgb top = MakeRgb(step_channel(platform::RedOf(first), platform::RedOf(second)),
                                step_channel(platform::GreenOf(first), platform::GreenOf(second)),
                                step_channel(platform::BlueOf(first), platform::BlueOf(second)));
    EXPECT_EQ(canvas->GetPixel(r.left, r.top), top) << c.name;
    // Nothing outside the rectangle.
    EXPECT_EQ(canvas->GetPixel(r.left - 1 < 0 ? r.right : r.left - 1, r.top), kBackground) << c.name;
    EXPECT_EQ(canvas->GetPixel(r.left, r.bottom), kBackground) << c.name;
    EXPECT_EQ(canvas->GetPixel(r.right, r.bottom - 1), kBackground) << c.name;
  }
}

TEST(ShadeRect, EmptyRectangleDrawsNothing) {
  auto canvas = platform::CreateMemoryCanvas(8, 8);
  Clear(*canvas, kBackground);
  ShadeRect(*canvas, {2, 2, 2, 6}, 2, clWhite, clBlack, 1);
  ShadeRect(*canvas, {2, 2, 6, 2}, 2, clWhite, clBlack, 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(canvas->GetPixel(x, y), kBackground);
}

TEST(ShadeRect, OtherDirectionsStayInsideAndKeepTheirEdges) {
  for (int direction : {0, 1, 3, 4, 5, 6, 7, 8, 9}) {
    auto canvas = platform::CreateMemoryCanvas(30, 20);
    Clear(*canvas, kBackground);
    ShadeRect(*canvas, {2, 2, 28, 18}, direction, clWhite, clBlack, 1);
    for (int x = 0; x < 30; ++x) {
      EXPECT_EQ(canvas->GetPixel(x, 0), kBackground) << direction;
      EXPECT_EQ(canvas->GetPixel(x, 19), kBackground) << direction;
    }
    if (direction == 5) {
      EXPECT_EQ(canvas->GetPixel(27, 10), MakeRgb(0, 0, 0));
    }
    if (direction == 3) {
      EXPECT_EQ(canvas->GetPixel(10, 2), canvas->GetPixel(10, 17));
      EXPECT_NE(canvas->GetPixel(10, 2), canvas->GetPixel(10, 9));
    }
    if (direction == 6) {
      EXPECT_EQ(canvas->GetPixel(2, 10), canvas->GetPixel(27, 10));
    }
  }
}

TEST(ShadeRing, PaintsOnlyTheRingAndClearsTheClip) {
  const Rect rect{2, 2, 14, 12};
  for (int width : {1, 2}) {
    ManyColorsScreen = true;
    auto canvas = platform::CreateMemoryCanvas(16, 14);
    Clear(*canvas, kBackground);
    ShadeRing(*canvas, rect, 2, Rgb(255, 255, 255), Rgb(255, 0, 0), width);
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 16; ++x) {
        bool in_rect = rect.Contains(x, y), in_hole = rect.Inset(width, width).Contains(x, y);
        if (!in_rect || in_hole)
          EXPECT_EQ(canvas->GetPixel(x, y), kBackground) << width << " at " << x << "," << y;
        else
          EXPECT_NE(canvas->GetPixel(x, y), kBackground) << width << " at " << x << "," << y;
      }
    EXPECT_EQ(canvas->GetPixel(7, rect.bottom - 1), MakeRgb(255, 0, 0));
    // The clip is gone: a fill reaches the middle again.
    Clear(*canvas, MakeRgb(9, 9, 9));
    EXPECT_EQ(canvas->GetPixel(8, 7), MakeRgb(9, 9, 9));
  }
}

TEST(ShadeRing, NothingOnAPaletteScreen) {
  ManyColorsScreen = false;
  auto canvas = platform::CreateMemoryCanvas(16, 14);
  Clear(*canvas, kBackground);
  ShadeRing(*canvas, {2, 2, 14, 12}, 2, Rgb(255, 255, 255), Rgb(255, 0, 0), 2);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(canvas->GetPixel(x, y), kBackground);
}

}  // namespace
}  // namespace skin
