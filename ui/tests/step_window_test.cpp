// The wizard window and the progress window as real windows under Windows
// (Wine in the test run), driven by app::TfStep: the control tree read back
// against the layout's table, the initial state, pixels (pictures through
// transparent captions, the progress bar's colours, the title bar's fade, the
// stretched pictures), page stacking, the keyboard, the event gates that keep
// handlers from re-entering and the window from closing under a handler, and
// fProcess.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/step.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "platform/windows/wide.h"
#include "skin/windows/button_window.h"
#include "skin/windows/title_bar_window.h"
#include "ui/page_picture.h"
#include "ui/windows/step_window.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace ui {
namespace {

using app::Control;
using platform::windows::Narrow;

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return Narrow(name);
}

std::string TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return Narrow(text);
}

// A window's rectangle in the client coordinates of `client_of`.
RECT RectIn(HWND window, HWND client_of) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(HWND_DESKTOP, client_of, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Handles every message this thread has, including those that handling
// posts, until none is left.
void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The client area of a top-level window as painted, read from its surface.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
  COLORREF At(int x, int y) const {
    uint32_t p = pixels[size_t(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

Shot Capture(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client;
  GetClientRect(window, &client);
  Shot shot;
  shot.width = client.right;
  shot.height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(window);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  shot.pixels.assign(p, p + size_t(shot.width) * shot.height);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  ReleaseDC(window, screen);
  return shot;
}

// A page picture as the window should show it: decoded and scaled to its place.
platform::RgbaImage ExpectedPicture(const char* name, int width, int height) {
  auto bytes = platform::FindModuleResource(name, platform::kResourceTypeRcData);
  EXPECT_TRUE(bytes.has_value()) << name;
  if (!bytes) return {};
  return ScalePicture(DecodeJpeg(bytes->data, bytes->size), width, height);
}

COLORREF PictureAt(const platform::RgbaImage& picture, int x, int y) {
  const uint8_t* p = &picture.pixels[(size_t(y) * picture.width + x) * 4];
  return RGB(p[0], p[1], p[2]);
}

std::string Hex(COLORREF c) {
  char text[16];
  snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class StepWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u);
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned) {
      boxes.push_back("[" + title + "] " + text);
      return box_answer;
    });
    window = std::make_unique<StepWindow>(step);
    ASSERT_TRUE(window->Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    SetForegroundWindow(window->handle());
    Pump();
  }
  void TearDown() override {
    window.reset();
    platform::SetMessageBoxResponder(nullptr);
    platform::SetMessagePumpHook(nullptr);
    Pump();
  }

  HWND Main() const { return window->handle(); }
  HWND Of(Control control) const { return window->ControlWindow(control); }

  // The user picks list entry `index` of eInsSysType.
  void PickEdition(int index) {
    SendMessageW(Of(Control::eInsSysType), CB_SETCURSEL, index, 0);
    SendMessageW(GetParent(Of(Control::eInsSysType)), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(Of(Control::eInsSysType)), CBN_SELCHANGE),
                 LPARAM(Of(Control::eInsSysType)));
  }

  // A key as the program's message loop treats it.
  void Key(UINT message, WPARAM key) {
    MSG m{GetFocus(), message, key, 0, 0, {0, 0}};
    if (!window->TranslateKey(m)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Pump();
  }

  app::TfStep step;
  std::unique_ptr<StepWindow> window;
  std::vector<std::string> boxes;
  int box_answer = platform::kIdYes;
};

// --- the control tree ---

TEST_F(StepWindowTest, ControlTreeMatchesTheLayout) {
  EXPECT_EQ(ClassOf(Main()), "TfStep");
  EXPECT_EQ(TextOf(Main()), "安装");
  RECT client;
  GetClientRect(Main(), &client);
  EXPECT_EQ(client.right, 742);
  EXPECT_EQ(client.bottom, 473);
  EXPECT_EQ(GetWindowLongW(Main(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
  RECT frame;
  GetWindowRect(Main(), &frame);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 742) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 473) / 2);

  // Positions in the window's client area: the tables' positions plus the
  // title bar's 25 pixels (and Panel9's 334 on the progress page). -1: the
  // label sizes itself to its text.
  struct Row {
    Control control;
    const char* class_name;
    int x, y, width, height;
    const char* text;
    int font;  // 0: a skinned button, whose font is its own
    bool tab_stop;
  } rows[] = {
      {Control::Label1, "DzLabel", 102, 124, 84, 14, "选择系统类型", 14, false},
      {Control::LInstallFolder, "DzLabel", 144, 164, 42, 14, "安装到", 14, false},
      {Control::BtnInstall, "TOvSkinButton", 272, 297, 177, 49, "开始安装(&S)", 0, true},
      {Control::EInstallFolder, "DzButtonEdit", 192, 161, 417, 20, "", 14, false},
      {Control::CkIns_Sc, "Button", 192, 209, 169, 17, "云后台管理系统", 14, true},
      {Control::CkIns_Pos, "Button", 376, 209, 169, 17, "云前台收银系统", 14, true},
      {Control::CkIns_WmSvr, "Button", 192, 241, 169, 17, "云服务管理系统", 14, true},
      {Control::CkIns_Kds, "Button", 376, 241, 169, 17, "云触屏划菜系统", 14, true},
      {Control::eInsSysType, "ComboBox", 192, 121, 169, 18, "请选择", 12, true},
      {Control::EInstallProcess, "DzLabel", 32, 367, -1, 19, "正在安装...", 19, false},
      {Control::LExtractFilesInfo, "DzLabel", 34, 395, -1, 12, "", 12, false},
      {Control::ProgressBar1, "msctls_progress32", 32, 416, 673, 24, "", 0, false},
      {Control::ZipBar, "msctls_progress32", 32, 440, 673, 25, "", 0, false},
      {Control::BtnFinish, "TOvSkinButton", 280, 305, 177, 49, "关闭(&C)", 0, true},
  };
  for (const Row& row : rows) {
    HWND h = Of(row.control);
    SCOPED_TRACE(row.text);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ClassOf(h), row.class_name);
    RECT r = RectIn(h, Main());
    EXPECT_EQ(r.left, row.x);
    EXPECT_EQ(r.top, row.y);
    if (row.width >= 0) {
      EXPECT_EQ(r.right - r.left, row.width);
    }
    EXPECT_EQ(r.bottom - r.top, row.height);
    EXPECT_EQ(TextOf(h), row.text);
    EXPECT_EQ(window->Text(row.control), row.text);
    EXPECT_EQ((GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) != 0, row.tab_stop);
    EXPECT_TRUE(IsWindowEnabled(h));
    if (row.font) {
      LOGFONTW font{};
      ASSERT_TRUE(GetObjectW(HFONT(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof font, &font));
      EXPECT_EQ(font.lfHeight, -row.font);
      EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);
      EXPECT_EQ(Narrow(font.lfFaceName), "宋体");
    } else if (auto* button = skin::win32::SkinButtonWindow::FromHandle(h)) {
      EXPECT_EQ(button->button().Font().height, 19);
      EXPECT_EQ(button->button().Color(), skin::Rgb(22, 205, 0));
      EXPECT_FALSE(button->button().OvDrawBorder());
      EXPECT_TRUE(button->button().HotTrack());
    }
  }
  // The label sized to its text is as wide as the text.
  HWND status = Of(Control::EInstallProcess);
  HDC dc = GetDC(status);
  HGDIOBJ old = SelectObject(dc, HFONT(SendMessageW(status, WM_GETFONT, 0, 0)));
  SIZE size;
  GetTextExtentPoint32W(dc, L"正在安装...", 7, &size);
  SelectObject(dc, old);
  ReleaseDC(status, dc);
  EXPECT_EQ(RectIn(status, Main()).right - RectIn(status, Main()).left, size.cx);

  // The edit and its 25-pixel ellipsis button inside the frame.
  HWND edit = FindWindowExW(Of(Control::EInstallFolder), nullptr, L"Edit", nullptr);
  HWND ellipsis = FindWindowExW(Of(Control::EInstallFolder), nullptr, L"Button", nullptr);
  ASSERT_TRUE(edit && ellipsis);
  RECT e = RectIn(ellipsis, Of(Control::EInstallFolder));
  EXPECT_EQ(e.right - e.left, 25);
  EXPECT_EQ(e.right, 416);  // flush with the right end, inside the frame
  EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & WS_TABSTOP);

  // The list's entries and keys.
  HWND list = Of(Control::eInsSysType);
  ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
  const char* items[] = {"请选择", "Orvane云专家美食版", "Orvane云专家商业版"};
  const char* keys[] = {"N", "CySaaS", "SySaaS"};
  for (int i = 0; i < 3; ++i) {
    wchar_t text[64] = {};
    SendMessageW(list, CB_GETLBTEXT, i, LPARAM(text));
    EXPECT_EQ(Narrow(text), items[i]);
    window->SelectEditionKey(keys[i]);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), i);
    EXPECT_EQ(window->SelectedEditionKey(), keys[i]);
  }

  // Progress bars: continuous, 0 to 100, both at 0 after creation.
  for (Control bar : {Control::ProgressBar1, Control::ZipBar}) {
    EXPECT_TRUE(GetWindowLongW(Of(bar), GWL_STYLE) & PBS_SMOOTH);
    EXPECT_EQ(window->Maximum(bar), 100);
    EXPECT_EQ(window->Position(bar), 0);
  }
}

TEST_F(StepWindowTest, InitialStateShowsOnlyTheEditionChoiceOnItsPicture) {
  EXPECT_EQ(window->TopPage(), 0);
  EXPECT_FALSE(IsWindowVisible(window->PageContainer()));
  EXPECT_EQ(GetParent(window->PagePanel(0)), Main());
  EXPECT_TRUE(IsWindowVisible(window->TitleBar()));
  const Control selection[] = {Control::Label1,      Control::eInsSysType, Control::LInstallFolder,
                               Control::EInstallFolder, Control::CkIns_Sc, Control::CkIns_Pos,
                               Control::CkIns_WmSvr, Control::CkIns_Kds,   Control::BtnInstall};
  for (Control c : selection)
    EXPECT_EQ(IsWindowVisible(Of(c)) != 0, c == Control::Label1 || c == Control::eInsSysType) << TextOf(Of(c));
  EXPECT_EQ(TextOf(Of(Control::eInsSysType)), "请选择");
  EXPECT_EQ(GetFocus(), Of(Control::eInsSysType));
  EXPECT_TRUE(boxes.empty()) << boxes.front();

  // The picture fills the page, stretched from 750 x 450 to 742 x 448.
  const platform::RgbaImage picture = ExpectedPicture("Image1", 742, 448);
  Shot shot = Capture(Main());
  for (POINT p : {POINT{1, 1}, POINT{700, 10}, POINT{20, 440}, POINT{741, 447}, POINT{600, 400}, POINT{371, 200}})
    EXPECT_EQ(Hex(shot.At(p.x, p.y + 25)), Hex(PictureAt(picture, p.x, p.y))) << p.x << "," << p.y;
}

// --- pixels ---

// Every pixel of the control's rectangle from column `from` on is either the
// picture's pixel there or the text colour; some are each.
void ExpectPictureAroundText(const Shot& shot, const platform::RgbaImage& picture, RECT r, int from, COLORREF text,
                             const char* what) {
  int same = 0, glyph = 0, other = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left + from; x < r.right; ++x) {
      COLORREF seen = shot.At(x, y), under = PictureAt(picture, x, y - 25);
      if (seen == under) ++same;
      else if (seen == text) ++glyph;
      else ++other;
    }
  EXPECT_EQ(other, 0) << what;
  EXPECT_GT(glyph, 20) << what;
  EXPECT_GT(same, (r.bottom - r.top) * (r.right - r.left - from) / 2) << what;
}

TEST_F(StepWindowTest, CaptionsShowThePictureAroundTheirText) {
  PickEdition(1);  // catering: every check box shown
  const platform::RgbaImage picture = ExpectedPicture("Image1", 742, 448);
  auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    Shot shot = Capture(Main());
    ExpectPictureAroundText(shot, picture, RectIn(Of(Control::Label1), Main()), 0, RGB(255, 255, 255), "Label1");
    ExpectPictureAroundText(shot, picture, RectIn(Of(Control::LInstallFolder), Main()), 0, RGB(255, 255, 255),
                            "LInstallFolder");
    // The caption of a check box starts right of its 13-pixel box.
    for (Control box : {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds})
      ExpectPictureAroundText(shot, picture, RectIn(Of(box), Main()), 17, RGB(255, 255, 255), TextOf(Of(box)).c_str());
  };
  check("shown");
  SendMessageW(Of(Control::CkIns_Sc), BM_CLICK, 0, 0);  // ticked by a click
  window->SetChecked(Control::CkIns_Kds, true);
  EXPECT_TRUE(window->IsChecked(Control::CkIns_Sc));
  SetFocus(Of(Control::eInsSysType));  // no focus frame on a caption
  Pump();
  check("ticked");
  window->ShowPage(0);
  InvalidateRect(Main(), nullptr, TRUE);
  Pump();
  check("page shown again");
}

TEST_F(StepWindowTest, ProgressBarLookAndThePicturesOfTheOtherPages) {
  window->ShowPage(1);
  window->SetPosition(Control::ProgressBar1, 50);
  HWND bar = Of(Control::ProgressBar1);
  EXPECT_EQ(GetWindowLongW(bar, GWL_EXSTYLE) & WS_EX_STATICEDGE, 0);
  EXPECT_EQ(SendMessageW(bar, PBM_GETBARCOLOR, 0, 0), LRESULT(RGB(255, 0, 0)));
  EXPECT_EQ(SendMessageW(bar, PBM_GETBKCOLOR, 0, 0), LRESULT(RGB(255, 215, 215)));
  Shot shot = Capture(Main());
  RECT r = RectIn(bar, Main());
  const int middle = (r.top + r.bottom) / 2;
  // No frame: the corners carry the bar's background, not a grey edge.
  EXPECT_EQ(Hex(shot.At(r.left, r.top)), "FFD7D7");
  EXPECT_EQ(Hex(shot.At(r.left + 100, middle)), "FF0000");
  EXPECT_EQ(Hex(shot.At(r.right - 100, middle)), "FFD7D7");
  EXPECT_EQ(Hex(shot.At(r.right - 1, r.bottom - 1)), "FFD7D7");
  // ZipBar stays hidden whatever the flow asks.
  window->SetVisible(Control::ZipBar, true);
  window->SetPosition(Control::ZipBar, 70);
  EXPECT_FALSE(IsWindowVisible(Of(Control::ZipBar)));
  EXPECT_FALSE(window->IsVisible(Control::ZipBar));

  // The banner above Panel9, stretched from 750 x 350 to 742 x 334.
  const platform::RgbaImage banner = ExpectedPicture("Image3", 742, 334);
  for (POINT p : {POINT{0, 0}, POINT{741, 333}, POINT{100, 80}, POINT{650, 150}})
    EXPECT_EQ(Hex(shot.At(p.x, p.y + 25)), Hex(PictureAt(banner, p.x, p.y))) << p.x << "," << p.y;
  EXPECT_EQ(Hex(shot.At(400, 25 + 334 + 50)), "FFFFFF");  // Panel9 is white

  window->ShowPage(2);
  const platform::RgbaImage finish = ExpectedPicture("Image4", 742, 448);
  shot = Capture(Main());
  for (POINT p : {POINT{0, 0}, POINT{741, 447}, POINT{371, 150}, POINT{100, 400}})
    EXPECT_EQ(Hex(shot.At(p.x, p.y + 25)), Hex(PictureAt(finish, p.x, p.y))) << p.x << "," << p.y;
}

TEST_F(StepWindowTest, TitleBarCarriesTheCaptionAndFadesDown) {
  auto* bar = skin::win32::TitleBarWindow::FromHandle(window->TitleBar());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->bar().Caption(), "SaaS系统安装程序");
  EXPECT_EQ(bar->bar().Font().height, 14);
  EXPECT_TRUE(bar->bar().ExBtnClose());
  EXPECT_FALSE(bar->bar().ExBtnMin());
  EXPECT_FALSE(bar->bar().ExBtnMax());
  EXPECT_EQ(RectIn(window->TitleBar(), Main()).bottom, 25);
  Shot shot = Capture(Main());
  // From the up colour at the top to the down colour a quarter down, then
  // back towards the up colour.
  EXPECT_TRUE(Near(shot.At(400, 0), RGB(49, 106, 183), 10)) << Hex(shot.At(400, 0));
  EXPECT_TRUE(Near(shot.At(400, 6), RGB(35, 78, 135), 6)) << Hex(shot.At(400, 6));
  EXPECT_TRUE(Near(shot.At(400, 24), RGB(49, 106, 183), 10)) << Hex(shot.At(400, 24));
  for (int y = 1; y <= 6; ++y) EXPECT_LE(GetBValue(shot.At(400, y)), GetBValue(shot.At(400, y - 1))) << y;
  for (int y = 7; y < 25; ++y) EXPECT_GE(GetBValue(shot.At(400, y)), GetBValue(shot.At(400, y - 1))) << y;
}

// --- pages ---

TEST_F(StepWindowTest, EachPageIsPlacedBelowTheTitleBarOverTheEarlierOnes) {
  auto below = [&](HWND window) { return GetWindow(window, GW_HWNDNEXT); };
  window->ShowPage(1);
  window->ShowPage(2);
  HWND title = window->TitleBar();
  EXPECT_EQ(GetWindow(Main(), GW_CHILD), title);
  EXPECT_EQ(below(title), window->PagePanel(2));
  EXPECT_EQ(below(window->PagePanel(2)), window->PagePanel(1));
  EXPECT_EQ(below(window->PagePanel(1)), window->PagePanel(0));
  for (int page = 0; page < 3; ++page) {
    HWND panel = window->PagePanel(page);
    EXPECT_EQ(GetParent(panel), Main());
    EXPECT_TRUE(IsWindowVisible(panel));
    RECT r = RectIn(panel, Main());
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 25);
    EXPECT_EQ(r.right, 742);
    EXPECT_EQ(r.bottom, 473);
    EXPECT_EQ(IsWindowEnabled(panel) != 0, page == 2);  // covered pages take no input
  }
  EXPECT_EQ(window->TopPage(), 2);
}

// --- keyboard and event gates ---

TEST_F(StepWindowTest, TabArrowsSpaceAndAltLetterDriveTheSelectionPage) {
  // Arrow down on the list picks the catering edition: its change handler
  // shows all four check boxes.
  SetFocus(Of(Control::eInsSysType));
  Key(WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(window->SelectedEditionKey(), "CySaaS");
  EXPECT_TRUE(IsWindowVisible(Of(Control::CkIns_Kds)));

  // Tab walks the layout's tab order and wraps.
  HWND edit = FindWindowExW(Of(Control::EInstallFolder), nullptr, L"Edit", nullptr);
  const HWND order[] = {Of(Control::BtnInstall), edit, Of(Control::CkIns_Sc), Of(Control::CkIns_Pos),
                        Of(Control::CkIns_WmSvr), Of(Control::CkIns_Kds), Of(Control::eInsSysType)};
  for (HWND expected : order) {
    Key(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(GetFocus(), expected) << ClassOf(GetFocus()) << " " << TextOf(GetFocus());
  }

  // Space ticks the focused check box.
  SetFocus(Of(Control::CkIns_Pos));
  Key(WM_KEYDOWN, VK_SPACE);
  Key(WM_KEYUP, VK_SPACE);
  EXPECT_TRUE(window->IsChecked(Control::CkIns_Pos));

  // Alt+S clicks BtnInstall from the list: with the folder empty the flow
  // warns.
  window->SetText(Control::EInstallFolder, "");
  SetFocus(Of(Control::eInsSysType));
  Key(WM_SYSCHAR, 's');
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("[警告] 您必须输入完整的路径名称及驱动器;", 0), 0u) << boxes[0];
}

TEST_F(StepWindowTest, ControlsOfACoveredPageStartNoHandler) {
  PickEdition(2);
  window->SetText(Control::EInstallFolder, "");
  window->ShowPage(1);
  SetFocus(Of(Control::ProgressBar1));
  Key(WM_SYSCHAR, 's');  // BtnInstall's accelerator, its page covered
  SendMessageW(Of(Control::BtnInstall), WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(Of(Control::BtnInstall), WM_KEYUP, VK_SPACE, 0);
  // Tab on the progress page never lands on the selection page.
  for (int i = 0; i < 4; ++i) {
    Key(WM_KEYDOWN, VK_TAB);
    EXPECT_FALSE(IsChild(window->PagePanel(0), GetFocus()));
  }
  EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(StepWindowTest, AltCOnTheFinishPageClosesWithoutAQuestion) {
  window->ShowPage(1);
  window->ShowPage(2);
  HWND main = Main();
  SetFocus(main);
  Key(WM_SYSCHAR, 'c');
  EXPECT_FALSE(IsWindow(main));
  EXPECT_TRUE(step.Finished);
  EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// What the timer below sees and does while the folder browser is open.
struct DuringBrowse {
  HWND main = nullptr;
  HWND install = nullptr;
  bool saw_browser = false;
  bool alive_after_close = false;
} during_browse;

BOOL CALLBACK FindBrowser(HWND window, LPARAM found) {
  if (GetWindow(window, GW_OWNER) == during_browse.main && IsWindowVisible(window))
    *reinterpret_cast<HWND*>(found) = window;
  return TRUE;
}

void CALLBACK ActWhileBrowsing(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND browser = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBrowser, LPARAM(&browser));
  if (!browser) return;
  KillTimer(nullptr, timer);
  during_browse.saw_browser = true;
  SendMessageW(during_browse.install, WM_KEYDOWN, VK_SPACE, 0);  // a click that must start nothing
  SendMessageW(during_browse.install, WM_KEYUP, VK_SPACE, 0);
  SendMessageW(during_browse.main, WM_CLOSE, 0, 0);  // the question is answered Yes
  during_browse.alive_after_close = IsWindow(during_browse.main) != 0;
  PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
}

// While a handler runs its own message loop (the folder browser here), no
// other control starts a handler, and a close the user confirms waits until
// the handler has returned.
TEST_F(StepWindowTest, CloseDuringAHandlerWaitsForItToReturn) {
  PickEdition(1);
  window->SetText(Control::EInstallFolder, "");
  during_browse = {Main(), Of(Control::BtnInstall)};
  SetTimer(nullptr, 0, 200, ActWhileBrowsing);
  SendMessageW(FindWindowExW(Of(Control::EInstallFolder), nullptr, L"Button", nullptr), BM_CLICK, 0, 0);
  EXPECT_TRUE(during_browse.saw_browser);
  EXPECT_TRUE(during_browse.alive_after_close);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "[提示 ] 确定要退出安装程序吗？");
  EXPECT_FALSE(IsWindow(during_browse.main));  // closed once the handler returned
}

// The folder browser, seen from inside while it is open.
struct InBrowser {
  HWND main = nullptr;
  UINT button = IDOK;
  std::wstring selected;  // the folder's own name, as the tree shows it
  bool main_enabled = true;
  std::string prompt;
} in_browser;

BOOL CALLBACK FindPrompt(HWND child, LPARAM) {
  if (ClassOf(child) == "Static" && TextOf(child).rfind("选择", 0) == 0) in_browser.prompt = TextOf(child);
  return TRUE;
}

// The text of the folder the browser's tree has selected.
std::wstring SelectedFolder(HWND browser) {
  HWND tree = FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
  if (!tree) return L"";
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return L"";
  wchar_t text[MAX_PATH] = {};
  TVITEMW data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}

void CALLBACK AnswerBrowser(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND browser = nullptr;
  during_browse.main = in_browser.main;
  EnumThreadWindows(GetCurrentThreadId(), FindBrowser, LPARAM(&browser));
  if (!browser) return;
  // OK only once the browser has selected the folder it was given, as a
  // person would see it before pressing OK.
  if (in_browser.button == IDOK && SelectedFolder(browser) != in_browser.selected) return;
  KillTimer(nullptr, timer);
  in_browser.main_enabled = IsWindowEnabled(in_browser.main) != 0;
  EnumChildWindows(browser, FindPrompt, 0);
  PostMessageW(browser, WM_COMMAND, in_browser.button, 0);
}

TEST_F(StepWindowTest, FolderBrowserPreselectsTheFolderAndReturnsTheChoice) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string folder = Narrow(temp) + "安装目录-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(platform::windows::Wide(folder).c_str(), nullptr));
  const std::string prompt = "选择要安装的文件夹后按 \"确定\"";
  for (UINT button : {IDOK, IDCANCEL}) {
    in_browser = {Main(), button, platform::windows::Wide(folder.substr(folder.rfind('\\') + 1)), true, ""};
    SetTimer(nullptr, 0, 200, AnswerBrowser);
    std::optional<std::string> chosen = window->BrowseForFolder(prompt, folder);
    EXPECT_FALSE(in_browser.main_enabled);  // the wizard waits while the browser is open
    EXPECT_EQ(in_browser.prompt, prompt);
    if (button == IDOK) {
      ASSERT_TRUE(chosen.has_value());
      EXPECT_EQ(*chosen, folder);  // preselected, and given back in GBK
    } else {
      EXPECT_FALSE(chosen.has_value());
    }
    EXPECT_TRUE(IsWindowEnabled(Main()));
  }
  RemoveDirectoryW(platform::windows::Wide(folder).c_str());
}

TEST_F(StepWindowTest, CloseIsAskedAndRefusedOrDone) {
  box_answer = platform::kIdNo;
  window->Close();
  EXPECT_TRUE(IsWindow(Main()));
  ASSERT_EQ(boxes.size(), 1u);
  box_answer = platform::kIdYes;
  HWND main = Main();
  SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);  // as the title bar's close button does
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_FALSE(IsWindow(main));
}

// --- fProcess ---

TEST_F(StepWindowTest, ProgressWindowIsCentredAndShowsEachTextBeforeReturning) {
  window->OpenProgressWindow();
  HWND process = window->ProgressWindow();
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(ClassOf(process), "TfProcess");
  EXPECT_EQ(TextOf(process), "fProcess");
  EXPECT_EQ(GetWindow(process, GW_OWNER), Main());
  EXPECT_TRUE(IsWindowVisible(process));
  RECT r;
  GetWindowRect(process, &r);
  EXPECT_EQ(r.right - r.left, 228);
  EXPECT_EQ(r.bottom - r.top, 71);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 228) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 71) / 2);
  HWND info = window->ProgressInfo();
  EXPECT_EQ(TextOf(info), "正在更新系统...");
  RECT panel = RectIn(info, process);
  EXPECT_EQ(panel.left, 0);
  EXPECT_EQ(panel.right, 228);
  EXPECT_EQ(panel.bottom, 71);

  // Pending messages run inside ShowInfo, and the new text is on screen
  // when it returns, centred.
  Shot before = Capture(process);
  bool handled = false;
  platform::SetMessagePumpHook([&] { handled = true; });
  window->ShowProgressInfo("正在注册系统信息...");
  EXPECT_TRUE(handled);
  EXPECT_EQ(TextOf(info), "正在注册系统信息...");
  HDC dc = GetDC(process);
  Shot after;
  after.width = 228;
  after.height = 71;
  for (int y = 0; y < 71; ++y)
    for (int x = 0; x < 228; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      after.pixels.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    }
  ReleaseDC(process, dc);
  int changed = 0, left = 228, right = 0, top = 71, bottom = 0;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int y = 2; y < 69; ++y)
    for (int x = 2; x < 226; ++x) {
      changed += after.At(x, y) != before.At(x, y);
      if (after.At(x, y) != face) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
  EXPECT_GT(changed, 20);
  EXPECT_NEAR((left + right) / 2.0, 114, 3);  // centred
  EXPECT_NEAR((top + bottom) / 2.0, 35.5, 3);
  // The raised bevel: light top-left, dark bottom-right.
  EXPECT_EQ(after.At(0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(after.At(227, 70), GetSysColor(COLOR_BTNSHADOW));

  window->CloseProgressWindow();
  EXPECT_EQ(window->ProgressWindow(), nullptr);
  EXPECT_FALSE(IsWindow(process));
  window->CloseProgressWindow();  // harmless when none is open
}

}  // namespace
}  // namespace ui
