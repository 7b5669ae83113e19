// TOvSkinButton with a recording host: its faces on a memory bitmap (GDI in
// the Windows tree) and its mouse, keyboard, focus and group logic. The
// window-message paths are checked under Wine by skin_window_tests.
#include <gtest/gtest.h>

#include <memory>

#include "platform/memory_canvas.h"
#include "skin/skinned_button.h"
#include "skin/tests/fake_hosts.h"
#include "skin/tests/picture.h"

namespace skin {
namespace {

using platform::MakeRgb;
using testing::Clear;
using testing::FakeButtonHost;

constexpr TColor kGreen = Rgb(22, 205, 0);  // the wizard's button colour
constexpr platform::Rgb kBackground = MakeRgb(1, 2, 3);

platform::Rgb Sys(TColor color) { return ColorToRgb(color); }

struct Fixture {
  FakeButtonHost host{177, 49};
  TOvSkinButton button;
  std::unique_ptr<platform::Canvas> canvas = platform::CreateMemoryCanvas(177, 49);

  // The wizard's start button, with no caption so every pixel is face.
  Fixture() {
    button.AttachHost(&host);
    host.self = &button;
    button.SetColor(kGreen);
    button.SetOvDrawBorder(false);
    button.SetHotTrack(true);
    button.WindowCreated();
  }
  platform::Rgb Paint() {
    Clear(*canvas, kBackground);
    button.Paint(*canvas);
    return canvas->GetPixel(88, 24);
  }
  platform::Rgb At(int x, int y) const { return canvas->GetPixel(x, y); }
};

// The faces are painted for a true-colour screen; the value the process had
// is put back afterwards.
class ButtonFaces : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ManyColorsScreen;
    ManyColorsScreen = true;
  }
  void TearDown() override { ManyColorsScreen = saved_; }

 private:
  bool saved_ = false;
};

TEST_F(ButtonFaces, IdleFlatFaceCoversTheClientArea) {
  Fixture f;
  f.Paint();
  for (int y = 0; y < 49; ++y)
    for (int x = 0; x < 177; ++x) ASSERT_EQ(f.At(x, y), MakeRgb(22, 205, 0)) << x << "," << y;
}

TEST_F(ButtonFaces, HoverGradientWithOnePixelRing) {
  Fixture f;
  f.button.MouseEnter();
  f.Paint();
  const platform::Rgb ring = MakeRgb(255, 251, 240);
  for (int x = 0; x < 177; ++x) {
    EXPECT_EQ(f.At(x, 0), ring) << x;
    EXPECT_EQ(f.At(x, 48), ring) << x;
  }
  for (int y = 0; y < 49; ++y) {
    EXPECT_EQ(f.At(0, y), ring) << y;
    EXPECT_EQ(f.At(176, y), ring) << y;
  }
  // Inside the ring: the upper of the two lines under the face (the lower
  // one is under the ring), the gradient's bottom row RGB(17, 183, 0), the
  // rows above running towards RGB(35, 255, 13), row 1 one step short.
  EXPECT_EQ(f.At(50, 47), MakeRgb(15, 162, 0));
  EXPECT_EQ(f.At(50, 46), MakeRgb(17, 183, 0));
  EXPECT_EQ(f.At(50, 1), MakeRgb(34, 251, 12));
  EXPECT_EQ(f.At(1, 20), f.At(175, 20));
}

TEST_F(ButtonFaces, PressedFill) {
  Fixture f;
  f.button.SetShowFocusRect(false);  // the press takes the focus; no dots here
  f.button.MouseEnter();
  f.button.MouseDown(MouseButton::Left, 10, 10);
  ASSERT_TRUE(f.button.PressedLook());
  f.Paint();
  for (int y = 0; y < 49; ++y)
    for (int x = 0; x < 177; ++x) ASSERT_EQ(f.At(x, y), MakeRgb(17, 183, 0)) << x << "," << y;
}

TEST_F(ButtonFaces, FocusRingAndDottedMark) {
  Fixture f;
  f.button.SetHighlightColor(Rgb(0, 0, 255));  // plain blue, unlike the face
  f.host.focused = true;
  f.Paint();
  // The ring runs from blue mixed 60/255 with RGB(35, 255, 13), the face's
  // light shade, at the top to the 160/255 mix at the bottom row.
  const platform::Rgb bottom = MakeRgb(13, 95, 165);
  EXPECT_EQ(f.At(88, 48), bottom);
  EXPECT_EQ(f.At(0, 48), bottom);
  EXPECT_EQ(f.At(88, 0), MakeRgb(26, 192, 71));  // one step short of RGB(27, 195, 70)
  EXPECT_NE(f.At(88, 0), f.At(88, 48));
  EXPECT_EQ(f.At(1, 20), f.At(0, 20));     // the ring is two pixels wide
  EXPECT_NE(f.At(2, 45), f.At(1, 45));     // and stops there
  // Dotted focus mark on the client area inset by 3.
  EXPECT_EQ(f.At(3, 4), 0u);
  EXPECT_EQ(f.At(4, 3), 0u);
  EXPECT_NE(f.At(3, 5), 0u);
  EXPECT_EQ(f.At(173, 4), 0u);
}

TEST_F(ButtonFaces, PaletteScreenSolidFacesAndNoRings) {
  Fixture f;
  ManyColorsScreen = false;  // after construction, which sets it from the screen
  f.button.MouseEnter();
  f.Paint();
  // No ring; face solid down to the two lines.
  EXPECT_EQ(f.At(0, 0), MakeRgb(22, 205, 0));
  EXPECT_EQ(f.At(88, 45), MakeRgb(22, 205, 0));
  EXPECT_EQ(f.At(88, 47), MakeRgb(15, 162, 0));
  EXPECT_EQ(f.At(88, 48), MakeRgb(13, 140, 0));
  f.button.MouseLeave();
  f.host.focused = true;
  f.Paint();
  EXPECT_EQ(f.At(0, 0), MakeRgb(22, 205, 0));
  EXPECT_EQ(f.At(88, 0), MakeRgb(22, 205, 0));
}

TEST_F(ButtonFaces, BorderedLookFramesAndCorners) {
  Fixture f;
  f.button.SetOvDrawBorder(true);
  f.Paint();
  platform::Rgb dark = ColorToRgb(LowerLuminance(f.host.parent_color, 20));
  platform::Rgb light = ColorToRgb(RaiseLuminance(f.host.parent_color, 20));
  platform::Rgb frame = ColorToRgb(cl3DDkShadow);
  EXPECT_EQ(f.At(0, 0), kBackground);  // left to the erase step
  EXPECT_EQ(f.At(1, 0), kBackground);
  EXPECT_EQ(f.At(0, 1), kBackground);
  EXPECT_EQ(f.At(1, 1), dark);
  EXPECT_EQ(f.At(2, 0), dark);
  EXPECT_EQ(f.At(0, 2), dark);
  EXPECT_EQ(f.At(176, 2), light);
  EXPECT_EQ(f.At(2, 48), light);
  EXPECT_EQ(f.At(175, 47), light);
  EXPECT_EQ(f.At(1, 2), frame);
  EXPECT_EQ(f.At(2, 1), frame);
  EXPECT_EQ(f.At(175, 2), frame);
  // The idle face inside the frames (2, 2, 175, 47): two lines, gradient.
  EXPECT_EQ(f.At(50, 46), MakeRgb(13, 140, 0));
  EXPECT_EQ(f.At(50, 45), MakeRgb(15, 162, 0));
  EXPECT_EQ(f.At(50, 44), MakeRgb(17, 183, 0));
}

TEST_F(ButtonFaces, DisabledCaptionGreyAndNoFocusMark) {
  Fixture f;
  platform::MemoryCanvas canvas(177, 49);
  f.button.SetCaption("开始安装(&S)");
  f.button.SetEnabled(false);
  f.button.Paint(canvas);
  ASSERT_EQ(canvas.texts().size(), 1u);
  EXPECT_EQ(canvas.texts()[0].color, ColorToRgb(clGrayText));
  EXPECT_EQ(canvas.texts()[0].text, "开始安装(&S)");
  // Disabled hot-track look: the outer ring is left, the inner frame is
  // LowerLuminance(Color, 80), the face solid.
  EXPECT_EQ(canvas.GetPixel(1, 2), ColorToRgb(LowerLuminance(kGreen, 80)));
  EXPECT_EQ(canvas.GetPixel(88, 24), MakeRgb(22, 205, 0));
  EXPECT_EQ(canvas.GetPixel(0, 10), 0u);
  EXPECT_EQ(canvas.GetPixel(3, 4), MakeRgb(22, 205, 0));
}

TEST_F(ButtonFaces, PlainLookFrames) {
  // Without hot tracking: a three-D frame in system colours (or tinted from
  // Color), the window-frame ring of the active default, lowered when pressed.
  struct Case {
    const char* name;
    TColor color;
    bool is_default, pressed;
    platform::Rgb at00, at11, at22;
  } cases[] = {
      {"idle", clBtnFace, false, false, Sys(clBtnHighlight), Sys(cl3DLight), Sys(clBtnFace)},
      {"default", clBtnFace, true, false, Sys(clWindowFrame), Sys(clBtnHighlight), Sys(cl3DLight)},
      {"pressed", clBtnFace, false, true, Sys(clBtnText), Sys(clBtnShadow), Sys(clBtnFace)},
      {"tinted", kGreen, false, false, ColorToRgb(RaiseLuminance(kGreen, 100)), ColorToRgb(RaiseLuminance(kGreen, 40)),
       MakeRgb(22, 205, 0)},
      {"tinted pressed", kGreen, false, true, ColorToRgb(LowerLuminance(kGreen, 100)),
       ColorToRgb(LowerLuminance(kGreen, 50)), MakeRgb(22, 205, 0)},
  };
  for (const auto& c : cases) {
    FakeButtonHost host(75, 25);
    TOvSkinButton button;
    button.AttachHost(&host);
    button.SetColor(c.color);
    button.SetDefault(c.is_default);
    button.WindowCreated();
    if (c.pressed) button.KeyDown(kKeySpace, {});
    auto canvas = platform::CreateMemoryCanvas(75, 25);
    Clear(*canvas, kBackground);
    button.Paint(*canvas);
    EXPECT_EQ(canvas->GetPixel(0, 0), c.at00) << c.name;
    EXPECT_EQ(canvas->GetPixel(1, 1), c.at11) << c.name;
    EXPECT_EQ(canvas->GetPixel(2, 2), c.at22) << c.name;
  }
}

TEST_F(ButtonFaces, DownGroupButtonShowsTheChecker) {
  FakeButtonHost host(40, 20);
  TOvSkinButton button;
  button.AttachHost(&host);
  button.SetColor(kGreen);
  button.SetGroupIndex(3);
  button.SetDown(true);
  auto canvas = platform::CreateMemoryCanvas(40, 20);
  Clear(*canvas, kBackground);
  button.Paint(*canvas);
  // Inside the two-line frame, pixels with x and y of equal parity are silver.
  for (int y = 4; y < 16; ++y)
    for (int x = 4; x < 36; ++x)
      ASSERT_EQ(canvas->GetPixel(x, y), (x % 2) == (y % 2) ? MakeRgb(192, 192, 192) : MakeRgb(22, 205, 0))
          << x << "," << y;
  button.SetShowDownPattern(false);
  button.Paint(*canvas);
  EXPECT_EQ(canvas->GetPixel(10, 10), MakeRgb(22, 205, 0));
}

TEST(ButtonCaption, PlacementAndStyles) {
  FakeButtonHost host(100, 40);
  TOvSkinButton button;
  button.AttachHost(&host);
  button.SetCaption("OK");
  button.SetFont({"宋体", 12, MakeRgb(1, 1, 1)});
  struct Case {
    TAlignment alignment;
    TAlignmentVertical vertical;
    TTextStyle style;
    bool light;
    std::vector<std::pair<Rect, platform::Rgb>> calls;
    unsigned flags;
  } cases[] = {
      // Caption rectangle 5..95 x 5..35; the text is 12 high.
      {taCenter, avCenter, tsNormal, false, {{{5, 14, 95, 26}, MakeRgb(1, 1, 1)}}, 0x51},
      {taLeftJustify, avTop, tsNormal, false, {{{5, 5, 95, 17}, MakeRgb(1, 1, 1)}}, 0x50},
      {taCenter, avBottom, tsNormal, false, {{{5, 22, 95, 35}, MakeRgb(1, 1, 1)}}, 0x51},
      {taRightJustify, avCenter, tsNormal, false, {{{3, 14, 93, 26}, MakeRgb(1, 1, 1)}}, 0x52},
      {taCenter, avCenter, tsRaised, false,
       {{{6, 15, 96, 27}, ColorToRgb(clBtnShadow)}, {{4, 13, 94, 25}, ColorToRgb(clBtnHighlight)},
        {{5, 14, 95, 26}, MakeRgb(1, 1, 1)}}, 0x51},
      {taCenter, avCenter, tsRaised, true,
       {{{4, 13, 94, 25}, ColorToRgb(clBtnHighlight)}, {{5, 14, 95, 26}, MakeRgb(1, 1, 1)}}, 0x51},
      {taCenter, avCenter, tsRecessed, false,
       {{{6, 15, 96, 27}, ColorToRgb(clBtnHighlight)}, {{4, 13, 94, 25}, ColorToRgb(clBtnShadow)},
        {{5, 14, 95, 26}, MakeRgb(1, 1, 1)}}, 0x51},
      {taCenter, avCenter, tsShadow, false,
       {{{7, 16, 97, 28}, ColorToRgb(clBtnShadow)}, {{5, 14, 95, 26}, MakeRgb(1, 1, 1)}}, 0x51},
      {taRightJustify, avCenter, tsShadow, false,
       {{{5, 16, 95, 28}, ColorToRgb(clBtnShadow)}, {{3, 14, 93, 26}, MakeRgb(1, 1, 1)}}, 0x52},
  };
  for (const auto& c : cases) {
    button.SetAlignment(c.alignment);
    button.SetAlignmentVertical(c.vertical);
    button.SetTextStyle(c.style);
    button.SetLightTextStyle(c.light);
    platform::MemoryCanvas canvas(100, 40);
    button.DrawButtonCaption(canvas);
    ASSERT_EQ(canvas.texts().size(), c.calls.size()) << c.alignment << c.vertical << c.style;
    for (size_t i = 0; i < c.calls.size(); ++i) {
      EXPECT_EQ(canvas.texts()[i].rect, c.calls[i].first) << c.alignment << c.vertical << c.style << " call " << i;
      EXPECT_EQ(canvas.texts()[i].color, c.calls[i].second) << c.alignment << c.vertical << c.style << " call " << i;
      EXPECT_EQ(canvas.texts()[i].flags, c.flags);
    }
    EXPECT_FALSE(canvas.brush_clear());
  }
}

TEST(ButtonCaption, Accelerator) {
  struct Case {
    std::string caption;
    char key;
  } cases[] = {
      {"开始安装(&S)", 'S'},
      {"关闭(&C)", 'C'},
      {"A && B", 0},
      {"&&x&y", 'y'},
      {"end&", 0},
      // 0x80 and 0xFF are characters of one byte: the ampersand after them counts.
      {"\x80&A", 'A'},
      {"\xFF&B", 'B'},
  };
  for (const auto& c : cases) EXPECT_EQ(AcceleratorOf(c.caption), c.key) << c.caption;
}

// --- Behaviour ---------------------------------------------------------------

TEST(ButtonMouse, PressDragOutDragBackRelease) {
  FakeButtonHost host(75, 25);
  TOvSkinButton button;
  button.AttachHost(&host);
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  button.MouseDown(MouseButton::Left, 10, 10);
  EXPECT_TRUE(host.focused);
  EXPECT_TRUE(button.PressedLook());
  EXPECT_TRUE(button.Tracking());
  EXPECT_TRUE(host.captured);
  button.MouseMove(80, 10);  // out (right edge exclusive at 75)
  EXPECT_FALSE(button.PressedLook());
  button.MouseMove(74, 24);  // back in
  EXPECT_TRUE(button.PressedLook());
  button.MouseUp(MouseButton::Left, 74, 24);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(button.PressedLook());
  EXPECT_FALSE(button.Tracking());
  EXPECT_FALSE(host.captured);
  // Released outside: no click.
  button.MouseDown(MouseButton::Left, 10, 10);
  button.MouseMove(10, 25);
  button.MouseUp(MouseButton::Left, 10, 25);
  EXPECT_EQ(clicks, 1);
  // Right button, disabled button, or a button that cannot take the focus: no press.
  button.MouseDown(MouseButton::Right, 10, 10);
  EXPECT_FALSE(button.Tracking());
  host.focused = false;
  host.accepts_focus = false;
  button.MouseDown(MouseButton::Left, 10, 10);
  EXPECT_FALSE(button.PressedLook());
}

TEST(ButtonKeys, SpaceThenFocusLossDoesNotClick) {
  FakeButtonHost host(75, 25);
  TOvSkinButton button;
  button.AttachHost(&host);
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  button.KeyDown(kKeySpace, {});
  EXPECT_TRUE(button.SpaceArmed());
  EXPECT_TRUE(button.PressedLook());
  button.FocusLost();
  EXPECT_FALSE(button.SpaceArmed());
  EXPECT_FALSE(button.PressedLook());
  button.KeyUp(kKeySpace);
  EXPECT_EQ(clicks, 0);
  // Space down and up clicks; Alt+Space does not arm.
  button.KeyDown(kKeySpace, {});
  button.KeyUp(kKeySpace);
  EXPECT_EQ(clicks, 1);
  button.FocusLost();
  button.KeyDown(kKeySpace, {.alt = true});
  button.KeyUp(kKeySpace);
  EXPECT_EQ(clicks, 1);
}

TEST(ButtonEvents, KeyFocusAndMoveEventsFire) {
  FakeButtonHost host(75, 25);
  TOvSkinButton button;
  button.AttachHost(&host);
  std::vector<std::string> log;
  button.OnEnter = [&] { log.push_back("enter"); };
  button.OnExit = [&] { log.push_back("exit"); };
  button.OnKeyDown = [&](int& key) { log.push_back("down " + std::to_string(key)); };
  button.OnKeyUp = [&](int& key) { log.push_back("up " + std::to_string(key)); };
  button.OnKeyPress = [&](char& c) {
    log.push_back(std::string("press ") + c);
    c = 0;  // swallowed
  };
  button.OnMouseMove = [&](int x, int y) { log.push_back("move " + std::to_string(x) + "," + std::to_string(y)); };
  button.FocusGained();
  button.KeyDown(kKeySpace, {});
  button.KeyUp(kKeySpace);
  char c = 'x';
  EXPECT_FALSE(button.KeyPress(c));
  button.MouseMove(3, 4);
  button.FocusLost();
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "down 32", "up 32", "press x", "move 3,4", "exit"}));
}

TEST(ButtonKeys, DialogKeysAndAccelerator) {
  FakeButtonHost host(75, 25);
  TOvSkinButton button;
  button.AttachHost(&host);
  button.SetCaption("开始安装(&S)");
  button.SetModalResult(6);
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  EXPECT_FALSE(button.DialogKey(kKeyReturn, {}));  // not the active default
  button.FocusChanged(true, true);                  // focused itself
  EXPECT_TRUE(button.ActiveDefault());
  EXPECT_TRUE(button.DialogKey(kKeyReturn, {}));
  EXPECT_FALSE(button.DialogKey(kKeyReturn, {.ctrl = true}));
  EXPECT_FALSE(button.DialogKey(kKeyEscape, {}));
  button.SetCancel(true);
  EXPECT_TRUE(button.DialogKey(kKeyEscape, {}));
  EXPECT_TRUE(button.DialogChar('s'));
  EXPECT_FALSE(button.DialogChar('x'));
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(host.modal_results, (std::vector<int>{6, 6, 6}));
  EXPECT_FALSE(button.InClick());
  host.visible = false;
  EXPECT_FALSE(button.DialogChar('S'));
  EXPECT_FALSE(button.DialogKey(kKeyEscape, {}));
}

TEST(ButtonFocus, ActiveDefaultFollowsTheFocus) {
  FakeButtonHost host(75, 25);
  TOvSkinButton button;
  button.AttachHost(&host);
  button.SetDefault(true);
  EXPECT_EQ(host.focus_announcements, 1);
  button.WindowCreated();
  EXPECT_TRUE(button.ActiveDefault());
  button.FocusChanged(true, false);  // another push button got the focus
  EXPECT_FALSE(button.ActiveDefault());
  button.FocusChanged(false, false);  // an edit got the focus
  EXPECT_TRUE(button.ActiveDefault());
}

TEST(ButtonClick, InClickDuringTheClickAndClearedOnFailure) {
  FakeButtonHost host(75, 25);
  TOvSkinButton button;
  button.AttachHost(&host);
  bool seen = false;
  button.OnClick = [&] {
    seen = button.InClick();
    throw std::runtime_error("handler failed");
  };
  EXPECT_THROW(button.PressButton(), std::runtime_error);
  EXPECT_TRUE(seen);
  EXPECT_FALSE(button.InClick());
  EXPECT_EQ(host.modal_results, (std::vector<int>{0}));
}

TEST(ButtonGroup, TogglesWithoutAllowAllUp) {
  std::vector<TOvSkinButton*> group;
  FakeButtonHost hosts[3] = {{75, 25}, {75, 25}, {75, 25}};
  TOvSkinButton buttons[3];
  for (int i = 0; i < 3; ++i) {
    buttons[i].AttachHost(&hosts[i]);
    hosts[i].self = &buttons[i];
    hosts[i].siblings = &group;
    group.push_back(&buttons[i]);
    buttons[i].SetGroupIndex(1);
  }
  buttons[0].PressButton();
  EXPECT_TRUE(buttons[0].Down());
  buttons[0].PressButton();  // clicking a down member again: stays down
  EXPECT_TRUE(buttons[0].Down());
  buttons[1].PressButton();  // another member goes down: the first comes up
  EXPECT_TRUE(buttons[1].Down());
  EXPECT_FALSE(buttons[0].Down());
  EXPECT_FALSE(buttons[2].Down());
  // AllowAllUp is shared through the group: now the down one can come up.
  buttons[2].SetAllowAllUp(true);
  EXPECT_TRUE(buttons[1].AllowAllUp());
  buttons[1].PressButton();
  EXPECT_FALSE(buttons[1].Down());
  // Down is forced off without a group.
  TOvSkinButton single;
  single.SetDown(true);
  EXPECT_FALSE(single.Down());
}

TEST(ButtonGroup, DownPatternIsACheckerOfSilver) {
  TOvSkinButton button;
  button.SetColor(kGreen);
  platform::Pattern8 p = button.MakeDownPattern();
  EXPECT_EQ(p.pixels[0][0], MakeRgb(192, 192, 192));
  EXPECT_EQ(p.pixels[1][1], MakeRgb(192, 192, 192));
  EXPECT_EQ(p.pixels[0][1], MakeRgb(22, 205, 0));
  button.SetColor(clSilver);
  EXPECT_EQ(button.MakeDownPattern().pixels[2][4], MakeRgb(128, 128, 128));
}

// What a button shows before anything is set, with hot tracking on: the
// inner frame line in cl3DDkShadow, an orange hover ring RGB(240, 155, 20)
// at its bottom, and the parent's background in the corners.
TEST_F(ButtonFaces, FreshHotTrackButtonShowsTheDefaultColours) {
  FakeButtonHost host(75, 25);
  TOvSkinButton button;
  button.AttachHost(&host);
  button.SetHotTrack(true);
  button.WindowCreated();
  ManyColorsScreen = true;  // construction read it from the screen
  button.MouseEnter();
  auto canvas = platform::CreateMemoryCanvas(75, 25);
  Clear(*canvas, kBackground);
  EXPECT_TRUE(button.EraseBackground(*canvas));
  button.Paint(*canvas);
  EXPECT_EQ(canvas->GetPixel(1, 12), Sys(cl3DDkShadow));
  EXPECT_EQ(canvas->GetPixel(36, 22), MakeRgb(240, 155, 20));
}

TEST(ButtonCorners, ParentBackgroundShowsInThreePixelsPerCorner) {
  FakeButtonHost host(20, 10);
  TOvSkinButton button;
  button.AttachHost(&host);
  button.SetHotTrack(true);
  auto canvas = platform::CreateMemoryCanvas(20, 10);
  Clear(*canvas, kBackground);
  ASSERT_TRUE(button.EraseBackground(*canvas));
  platform::Rgb parent = ColorToRgb(host.parent_color);
  EXPECT_TRUE(testing::MatchesPicture(*canvas, 0, 0, {"PP..", "P...", "...."}, {{'P', parent}, {'.', kBackground}}));
  EXPECT_TRUE(testing::MatchesPicture(*canvas, 16, 7, {"....", "...P", "..PP"}, {{'P', parent}, {'.', kBackground}}));
  // The clip is cleared afterwards.
  Clear(*canvas, MakeRgb(5, 5, 5));
  EXPECT_EQ(canvas->GetPixel(10, 5), MakeRgb(5, 5, 5));
}

}  // namespace
}  // namespace skin
