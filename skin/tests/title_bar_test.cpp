// TOvCustForm with a recording host: its painting on a memory bitmap (GDI in
// the Windows tree, with the pictures linked from skin.rc; natively the same
// files registered as module resources) and its hover, press, release and
// double-click rules.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/memory_canvas.h"
#include "platform/resources.h"
#include "platform/test_support.h"
#include "skin/title_bar.h"
#include "skin/png_reader.h"

namespace skin {
namespace {

using platform::MakeRgb;

const char* const kPictures[] = {"MinDown",     "MinHover",     "MinNormal",     "MaxDown",
                                 "MaxHover",    "MaxNormal",    "RestoreDown",   "RestoreHover",
                                 "RestoreNormal", "CloseDown", "CloseHover", "CloseNormal"};

// Natively the pictures become module resources; the Windows test carries
// them in its executable.
void RegisterPictures() {
  for (const char* name : kPictures) {
    std::ifstream in(std::string(DZ_SKIN_RESOURCES "/") + name + ".png", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    platform::testing::AddModuleResource(name, platform::kResourceTypeRcData, std::move(bytes));
  }
}

class FakeTitleBarHost : public TitleBarHost {
 public:
  int ClientWidth() const override { return width; }
  int ClientHeight() const override { return height; }
  void Redraw() override { ++redraws; }
  void ReleaseMouse() override { ++releases; }
  bool OwnerMaximized() const override { return maximized; }
  void SetOwnerMaximized(bool value) override {
    maximized = value;
    log.push_back(value ? "maximise" : "restore");
  }
  void SendOwnerSysCommand(unsigned command) override { log.push_back("syscommand " + std::to_string(command)); }
  void BeginWindowDrag() override { log.push_back("drag"); }
  void RoundOwnerCorners() override { log.push_back("round"); }

  int width = 742, height = 25, redraws = 0, releases = 0;
  bool maximized = false;
  std::vector<std::string> log;
};

class TitleBar : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterPictures();
    bar = std::make_unique<TOvCustForm>();
    bar->AttachHost(&host);
  }
  // The wizard's title bar.
  void UseWizardValues() {
    bar->SetCaption("SaaS系统安装程序");
    bar->SetFont({"宋体", 14, MakeRgb(255, 255, 255)});
    bar->SetColor(9357311);
    bar->SetExDrawFrameLine(true);
    bar->SetExFadeStyle(fdUpDown);
    bar->SetExFadeUpColor(12020273);
    bar->SetExFadeDownColor(8867363);
  }
  std::unique_ptr<platform::Canvas> Paint() {
    auto canvas = platform::CreateMemoryCanvas(742, 25);
    bar->PaintTitleBar(*canvas);
    return canvas;
  }

  FakeTitleBarHost host;
  std::unique_ptr<TOvCustForm> bar;
};

// The first pixel of a picture with the given alpha, scanning rows from
// `first_row`; the test fails when there is none.
std::pair<int, int> PixelWithAlpha(const platform::RgbaImage& image, uint8_t alpha, int first_row = 0) {
  for (int y = first_row; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.pixels[(y * image.width + x) * 4 + 3] == alpha) return {x, y};
  ADD_FAILURE() << "no pixel with alpha " << int(alpha);
  return {0, 0};
}

platform::Rgb RgbAt(const platform::RgbaImage& image, int x, int y) {
  const uint8_t* p = &image.pixels[(y * image.width + x) * 4];
  return MakeRgb(p[0], p[1], p[2]);
}

// Two paintings of the bar are the same pixel for pixel.
void ExpectSamePicture(platform::Canvas& one, platform::Canvas& other) {
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 742; ++x) ASSERT_EQ(one.GetPixel(x, y), other.GetPixel(x, y)) << x << "," << y;
}

TEST_F(TitleBar, AFreshBarPaintsItsColourAndTheCloseButtonOnly) {
  auto canvas = Paint();
  const platform::Rgb face = ColorToRgb(clBtnFace);
  for (int y : {0, 12, 24}) EXPECT_EQ(canvas->GetPixel(400, y), face) << "no fade, row " << y;
  for (int x = 649; x < 709; ++x) ASSERT_EQ(canvas->GetPixel(x, 10), face) << "no minimise or maximise, " << x;
  platform::RgbaImage close = LoadPngResource("CloseNormal");
  auto [ox, oy] = PixelWithAlpha(close, 255);
  EXPECT_EQ(canvas->GetPixel(709 + ox, oy), RgbAt(close, ox, oy));
}

TEST_F(TitleBar, FrameLineIsStoredButDrawsNothing) {
  UseWizardValues();
  bar->SetExDrawFrameLine(false);
  auto without = Paint();
  const int redraws = host.redraws;
  bar->SetExDrawFrameLine(true);
  bar->SetExDrawFrameColor(clBlack);
  EXPECT_TRUE(bar->ExDrawFrameLine());
  EXPECT_EQ(bar->ExDrawFrameColor(), clBlack);
  EXPECT_EQ(host.redraws, redraws + 2);
  auto with = Paint();
  ExpectSamePicture(*without, *with);
}

TEST_F(TitleBar, SlotsAndHoverRectangles) {
  EXPECT_EQ(bar->CloseButtonRect(), (Rect{709, 0, 742, 19}));
  // Each slot as wide as its picture: the close picture's first columns
  // belong to the close slot.
  EXPECT_EQ(bar->MaxButtonRect(), (Rect{679, 0, 709, 19}));
  EXPECT_EQ(bar->MinButtonRect(), (Rect{649, 0, 679, 19}));
  struct Case {
    int x, y;
    bool min, max, close;
  } cases[] = {
      {720, 4, false, false, false},  {720, 5, false, false, true},   {709, 10, false, false, true},   {736, 18, false, false, true},
      {737, 10, false, false, false}, {720, 19, false, false, false}, {708, 10, false, true, false},
      {679, 5, false, true, false},   {678, 5, true, false, false},   {649, 18, true, false, false},
      {648, 10, false, false, false}, {100, 10, false, false, false},
  };
  for (const auto& c : cases) {
    bar->MouseMove(c.x, c.y);
    EXPECT_EQ(bar->MinHot(), c.min) << c.x << "," << c.y;
    EXPECT_EQ(bar->MaxHot(), c.max) << c.x << "," << c.y;
    EXPECT_EQ(bar->CloseHot(), c.close) << c.x << "," << c.y;
  }
  EXPECT_EQ(host.redraws, 12);  // once per move
}

TEST_F(TitleBar, WizardFadeAndCloseImage) {
  UseWizardValues();
  auto canvas = Paint();
  // First fade rows 0-5, second rows 6-24 (see the ShadeBands rows).
  EXPECT_EQ(canvas->GetPixel(300, 0), MakeRgb(46, 101, 175));
  EXPECT_EQ(canvas->GetPixel(300, 5), MakeRgb(35, 78, 136));
  EXPECT_EQ(canvas->GetPixel(300, 6), MakeRgb(35, 78, 136));
  EXPECT_EQ(canvas->GetPixel(300, 7), MakeRgb(36, 80, 139));
  EXPECT_EQ(canvas->GetPixel(300, 24), MakeRgb(48, 105, 181));
  EXPECT_EQ(canvas->GetPixel(708, 3), MakeRgb(39, 87, 152));  // just left of the close image
  // CloseNormal at (709, 0): opaque pixels exactly, transparent ones show the fade.
  platform::RgbaImage normal = LoadPngResource("CloseNormal");
  auto [ox, oy] = PixelWithAlpha(normal, 255);
  EXPECT_EQ(canvas->GetPixel(709 + ox, oy), RgbAt(normal, ox, oy));
  auto [tx, ty] = PixelWithAlpha(normal, 0);
  EXPECT_EQ(canvas->GetPixel(709 + tx, ty), canvas->GetPixel(300, ty));
  // Hovered: CloseHover one pixel higher.
  bar->MouseMove(720, 10);
  canvas = Paint();
  platform::RgbaImage hover = LoadPngResource("CloseHover");
  auto [hx, hy] = PixelWithAlpha(hover, 255, 1);
  EXPECT_EQ(canvas->GetPixel(709 + hx, hy - 1), RgbAt(hover, hx, hy));
  // Pressed: CloseDown in place.
  bar->MouseDown(MouseButton::Left, 720, 10, false);
  canvas = Paint();
  platform::RgbaImage down = LoadPngResource("CloseDown");
  auto [dx, dy] = PixelWithAlpha(down, 255, 1);
  EXPECT_EQ(canvas->GetPixel(709 + dx, dy), RgbAt(down, dx, dy));
}

TEST_F(TitleBar, FadeStyles) {
  UseWizardValues();
  bar->SetExBtnClose(false);
  bar->SetExFadeStyle(fdNone);
  auto canvas = Paint();
  for (int y : {0, 12, 24}) EXPECT_EQ(canvas->GetPixel(400, y), MakeRgb(255, 199, 142)) << y;
  bar->SetExFadeStyle(fdUp);
  canvas = Paint();
  // One fade over all 25 rows: row 0 is band 1 (two bands share it), the
  // last row band 30.
  EXPECT_EQ(canvas->GetPixel(400, 0), MakeRgb(48, 105, 181));
  EXPECT_EQ(canvas->GetPixel(400, 24), MakeRgb(35, 78, 136));
}

TEST_F(TitleBar, HiddenButtonsAreNotDrawnAndRestoreImagesFollowLastSizeCommand) {
  UseWizardValues();
  bar->SetExBtnClose(false);
  auto canvas = Paint();
  for (int x = 649; x < 742; ++x) ASSERT_EQ(canvas->GetPixel(x, 10), canvas->GetPixel(300, 10)) << x;
  bar->SetExBtnMax(true);
  platform::RgbaImage max = LoadPngResource("MaxNormal"), restore = LoadPngResource("RestoreNormal");
  // A pixel where MaxNormal is opaque and RestoreNormal is not the same.
  int px = -1, py = -1;
  for (int y = 0; y < 19 && px < 0; ++y)
    for (int x = 0; x < 30; ++x)
      if (max.pixels[(y * 30 + x) * 4 + 3] == 255 &&
          (restore.pixels[(y * 30 + x) * 4 + 3] != 255 || RgbAt(max, x, y) != RgbAt(restore, x, y))) {
        px = x;
        py = y;
        break;
      }
  ASSERT_GE(px, 0);
  EXPECT_EQ(Paint()->GetPixel(679 + px, py), RgbAt(max, px, py));
  bar->MouseDown(MouseButton::Left, 690, 10, false);
  bar->MouseUp(MouseButton::Left, 690, 10);
  EXPECT_EQ(bar->LastSizeCommand(), kScMaximize);
  EXPECT_NE(Paint()->GetPixel(679 + px, py), RgbAt(max, px, py));
  // Restored by other means: the slot still shows the restore picture.
  host.maximized = false;
  EXPECT_NE(Paint()->GetPixel(679 + px, py), RgbAt(max, px, py));
}

TEST_F(TitleBar, IconAndCaptionPlaces) {
  UseWizardValues();
  // Paint onto a recording surface whose off-screen bitmap records too.
  struct SelfOffscreen : platform::MemoryCanvas {
    using MemoryCanvas::MemoryCanvas;
    std::unique_ptr<Canvas> CreateOffscreen(int, int) override { return std::make_unique<Forward>(this); }
    struct Forward : platform::MemoryCanvas {
      explicit Forward(SelfOffscreen* target) : MemoryCanvas(742, 30), target(target) {}
      ~Forward() override { recorded = texts(); target->forwarded = recorded; }
      std::vector<TextCall> recorded;
      SelfOffscreen* target;
    };
    std::vector<TextCall> forwarded;
  } recorder(742, 25);
  bar->PaintTitleBar(recorder);
  ASSERT_EQ(recorder.forwarded.size(), 2u);
  EXPECT_EQ(recorder.forwarded[0].text, "<icon>");
  EXPECT_EQ(recorder.forwarded[0].rect, (Rect{6, 6, 22, 22}));
  EXPECT_EQ(recorder.forwarded[1].text, "SaaS系统安装程序");
  EXPECT_EQ(recorder.forwarded[1].rect, (Rect{26, 6, 26, 6}));
  EXPECT_EQ(recorder.forwarded[1].color, MakeRgb(255, 255, 255));
  EXPECT_EQ(recorder.forwarded[1].font.height, 14);
}

TEST_F(TitleBar, CloseReleaseSendsTheCloseCommand) {
  for (int x : {709, 720, 741}) {  // the whole close slot, its first columns too
    host.log.clear();
    bar->MouseDown(MouseButton::Left, x, 2, false);
    EXPECT_TRUE(bar->ClosePressed()) << x;
    bar->MouseUp(MouseButton::Left, x, 18);
    EXPECT_FALSE(bar->ClosePressed()) << x;
    EXPECT_EQ(host.log, (std::vector<std::string>{"syscommand 61536"})) << x;
  }
}

TEST_F(TitleBar, PressDragOffReleaseOnlyClearsThePress) {
  bar->MouseDown(MouseButton::Left, 720, 10, false);
  bar->MouseUp(MouseButton::Left, 600, 10);
  EXPECT_FALSE(bar->ClosePressed());
  EXPECT_TRUE(host.log.empty());
  EXPECT_EQ(host.releases, 1);
  // A hidden button's slot still takes presses, but its release does nothing.
  bar->MouseDown(MouseButton::Left, 660, 10, false);
  EXPECT_TRUE(bar->MinPressed());
  bar->MouseUp(MouseButton::Left, 660, 10);
  EXPECT_FALSE(bar->MinPressed());
  EXPECT_TRUE(host.log.empty());
}

TEST_F(TitleBar, MinimiseAndMaximiseButtons) {
  bar->SetExBtnMin(true);
  bar->SetExBtnMax(true);
  bar->MouseMove(660, 10);
  bar->MouseDown(MouseButton::Left, 660, 10, false);
  bar->MouseUp(MouseButton::Left, 660, 10);
  EXPECT_FALSE(bar->MinHot());
  bar->MouseDown(MouseButton::Left, 690, 10, false);
  bar->MouseUp(MouseButton::Left, 690, 10);
  bar->MouseDown(MouseButton::Left, 690, 10, false);
  bar->MouseUp(MouseButton::Left, 690, 10);
  EXPECT_EQ(host.log, (std::vector<std::string>{"syscommand 61472", "maximise", "restore"}));
  EXPECT_EQ(bar->LastSizeCommand(), kScRestore);
}

TEST_F(TitleBar, DoubleClickMaximisesOnlyWithTheMaximiseButton) {
  bar->MouseDown(MouseButton::Left, 100, 10, false);
  bar->MouseDown(MouseButton::Left, 100, 10, true);
  EXPECT_EQ(host.log, (std::vector<std::string>{"drag", "drag"}));
  host.log.clear();
  bar->SetExBtnMax(true);
  bar->MouseDown(MouseButton::Left, 100, 10, true);
  EXPECT_EQ(bar->LastSizeCommand(), kScMaximize);
  bar->MouseDown(MouseButton::Left, 100, 10, true);
  EXPECT_EQ(bar->LastSizeCommand(), kScRestore);
  bar->MouseDown(MouseButton::Right, 100, 10, true);  // right double-click drags
  EXPECT_EQ(host.log, (std::vector<std::string>{"maximise", "restore", "drag"}));
}

TEST_F(TitleBar, ResizeRedrawsAndRoundsTheOwner) {
  int before = host.redraws;
  bar->Resized();
  EXPECT_EQ(host.redraws, before + 1);
  EXPECT_EQ(host.log, (std::vector<std::string>{"round"}));
}

#ifndef _WIN32
TEST(TitleBarPictures, AMissingPictureFailsConstruction) {
  RegisterPictures();
  platform::testing::ClearModuleResources();
  for (const char* name : kPictures)
    if (std::string(name) != "RestoreHover") {
      std::ifstream in(std::string(DZ_SKIN_RESOURCES "/") + name + ".png", std::ios::binary);
      platform::testing::AddModuleResource(name, platform::kResourceTypeRcData,
                                           {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    }
  try {
    TOvCustForm bar;
    FAIL() << "constructed without RestoreHover";
  } catch (const EPngError& e) {
    EXPECT_STREQ(e.what(), "The png image could not be loaded from the resource ID.");
  }
  platform::testing::AddModuleResource("RestoreHover", platform::kResourceTypeRcData, {1, 2, 3});
  EXPECT_THROW(TOvCustForm(), EPngError);  // present but not a PNG
  platform::testing::ClearModuleResources();
}
#endif

}  // namespace
}  // namespace skin
