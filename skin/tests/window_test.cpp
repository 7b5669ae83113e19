// The skinned controls as real windows, driven by window messages: mouse
// presses and drags, space, Tab, Enter and accelerators, focus changes, group
// toggles, and the title bar's close button. Windows tree only (under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "skin/windows/button_window.h"
#include "skin/windows/title_bar_window.h"

namespace skin::win32 {
namespace {

std::vector<UINT> owner_messages;
std::vector<WPARAM> owner_commands;

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SYSCOMMAND) {
    owner_messages.push_back(message);
    owner_commands.push_back(wparam & 0xFFF0);
  }
  if (message == WM_CLOSE) {
    owner_messages.push_back(message);
    return 0;  // the test keeps its window
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND MakeForm(int width, int height) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW info{};
    info.lpfnWndProc = FormProc;
    info.hInstance = GetModuleHandleW(nullptr);
    info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    info.lpszClassName = L"SkinTestForm";
    RegisterClassW(&info);
    registered = true;
  }
  HWND form = CreateWindowExW(0, L"SkinTestForm", L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, width, height,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(form);
  return form;
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

struct Form {
  HWND window = MakeForm(400, 300);
  ~Form() { DestroyWindow(window); }
};

struct Counter {
  int clicks = 0;
  void Attach(TOvSkinButton& button) {
    button.OnClick = [this] { ++clicks; };
  }
};

TEST(ButtonWindow, PressDragOutDragBackRelease) {
  Form form;
  SkinButtonWindow* b = SkinButtonWindow::Create(form.window, 10, 10, 75, 25);
  ASSERT_NE(b, nullptr);
  Counter counter;
  counter.Attach(b->button());
  HWND h = b->hwnd();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
  EXPECT_EQ(GetFocus(), h);
  EXPECT_EQ(GetCapture(), h);
  EXPECT_TRUE(b->button().PressedLook());
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(100, 10));
  EXPECT_FALSE(b->button().PressedLook());
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(20, 12));
  EXPECT_TRUE(b->button().PressedLook());
  SendMessageW(h, WM_LBUTTONUP, 0, At(20, 12));
  EXPECT_EQ(counter.clicks, 1);
  EXPECT_NE(GetCapture(), h);
  // Released outside after dragging out: no click.
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(10, 40));
  SendMessageW(h, WM_LBUTTONUP, 0, At(10, 40));
  EXPECT_EQ(counter.clicks, 1);
  // A double click arrives as a press.
  SendMessageW(h, WM_LBUTTONDBLCLK, MK_LBUTTON, At(10, 10));
  SendMessageW(h, WM_LBUTTONUP, 0, At(10, 10));
  EXPECT_EQ(counter.clicks, 2);
  // Hover: enter with the first move, leave with WM_MOUSELEAVE.
  SendMessageW(h, WM_MOUSEMOVE, 0, At(5, 5));
  EXPECT_TRUE(b->button().MouseInside());
  SendMessageW(h, WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(b->button().MouseInside());
}

TEST(ButtonWindow, SpaceThenTabDoesNotClick) {
  Form form;
  SkinButtonWindow* first = SkinButtonWindow::Create(form.window, 10, 10, 75, 25);
  SkinButtonWindow* second = SkinButtonWindow::Create(form.window, 10, 40, 75, 25);
  Counter counter;
  counter.Attach(first->button());
  SetFocus(first->hwnd());
  SendMessageW(first->hwnd(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(first->button().PressedLook());
  SendMessageW(first->hwnd(), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(GetFocus(), second->hwnd());
  EXPECT_FALSE(first->button().PressedLook());
  SendMessageW(first->hwnd(), WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(counter.clicks, 0);
  // Space down and up on the focused button clicks it.
  SetFocus(first->hwnd());
  SendMessageW(first->hwnd(), WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(first->hwnd(), WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(counter.clicks, 1);
}

TEST(ButtonWindow, EnterClicksTheFocusedButtonOrTheDefault) {
  Form form;
  SkinButtonWindow* ok = SkinButtonWindow::Create(form.window, 10, 10, 75, 25);
  SkinButtonWindow* other = SkinButtonWindow::Create(form.window, 10, 40, 75, 25);
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 80, 100, 20, form.window,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ok->button().SetDefault(true);
  ok->button().SetModalResult(1);
  Counter ok_clicks, other_clicks;
  ok_clicks.Attach(ok->button());
  other_clicks.Attach(other->button());
  // Enter on a focused button that is not the default clicks it.
  SetFocus(other->hwnd());
  EXPECT_TRUE(other->button().ActiveDefault());
  EXPECT_FALSE(ok->button().ActiveDefault());
  SendMessageW(other->hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(other_clicks.clicks, 1);
  EXPECT_EQ(ok_clicks.clicks, 0);
  // With the edit focused, Enter goes to the default button.
  SetFocus(edit);
  EXPECT_TRUE(ok->button().ActiveDefault());
  EXPECT_FALSE(other->button().ActiveDefault());
  MSG enter{edit, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
  EXPECT_TRUE(HandleDialogKey(enter));
  EXPECT_EQ(ok_clicks.clicks, 1);
  EXPECT_EQ(FormModalResult(form.window), 1);
  // Alt+letter: the accelerator of the caption.
  SendMessageW(other->hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"关闭(&C)"));
  EXPECT_EQ(other->button().Caption(), "关闭(&C)");
  MSG alt_c{edit, WM_SYSCHAR, L'c', 0, 0, {0, 0}};
  EXPECT_TRUE(HandleDialogKey(alt_c));
  EXPECT_EQ(other_clicks.clicks, 2);
  MSG alt_x{edit, WM_SYSCHAR, L'x', 0, 0, {0, 0}};
  EXPECT_FALSE(HandleDialogKey(alt_x));
  // A plain character typed on a focused skinned button also reaches the
  // accelerators of the form.
  SetFocus(ok->hwnd());
  SendMessageW(ok->hwnd(), WM_CHAR, L'C', 0);
  EXPECT_EQ(other_clicks.clicks, 3);
  // A disabled button neither takes Enter nor keeps the focus.
  SetFocus(ok->hwnd());
  ok->button().SetEnabled(false);
  EXPECT_NE(GetFocus(), ok->hwnd());
  EXPECT_FALSE(IsWindowEnabled(ok->hwnd()));
  SetFocus(edit);
  EXPECT_FALSE(HandleDialogKey(enter));
}

TEST(ButtonWindow, GroupTogglesWithoutAllowAllUp) {
  Form form;
  SkinButtonWindow* g[3];
  for (int i = 0; i < 3; ++i) {
    g[i] = SkinButtonWindow::Create(form.window, 10 + 80 * i, 10, 75, 25);
    g[i]->button().SetGroupIndex(7);
  }
  auto click = [](SkinButtonWindow* b) {
    SendMessageW(b->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageW(b->hwnd(), WM_LBUTTONUP, 0, At(5, 5));
  };
  click(g[0]);
  EXPECT_TRUE(g[0]->button().Down());
  click(g[0]);
  EXPECT_TRUE(g[0]->button().Down());
  click(g[1]);
  EXPECT_TRUE(g[1]->button().Down());
  EXPECT_FALSE(g[0]->button().Down());
  EXPECT_FALSE(g[2]->button().Down());
  // The group message itself, as another program part would send it.
  g[2]->button().SetAllowAllUp(true);
  EXPECT_TRUE(g[0]->button().AllowAllUp());
  click(g[1]);
  EXPECT_FALSE(g[1]->button().Down());
}

// What the button window really painted, read back from its own context.
COLORREF PaintedPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  COLORREF color = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return color;
}

TEST(ButtonWindow, PaintsTheParentBehindItsCorners) {
  // A parent with a distinct solid background.
  WNDCLASSW info{};
  info.lpfnWndProc = DefWindowProcW;
  info.hInstance = GetModuleHandleW(nullptr);
  info.hbrBackground = CreateSolidBrush(RGB(200, 30, 40));
  info.lpszClassName = L"SkinTestRedForm";
  RegisterClassW(&info);
  HWND form = CreateWindowExW(0, L"SkinTestRedForm", L"", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(form);
  SkinButtonWindow* b = SkinButtonWindow::Create(form, 20, 20, 100, 30);
  b->button().SetHotTrack(true);
  b->button().SetColor(Rgb(22, 205, 0));
  RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const COLORREF red = RGB(200, 30, 40);
  EXPECT_EQ(b->button().host()->ParentColor(), Rgb(200, 30, 40));
  // Three pixels of each corner come from the parent.
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {99, 0}, {98, 0}, {99, 1}, {0, 29}, {99, 29}, {98, 29}})
    EXPECT_EQ(PaintedPixel(b->hwnd(), x, y), red) << x << "," << y;
  // Then the outer frame, darker than the parent, and the inner frame.
  EXPECT_EQ(PaintedPixel(b->hwnd(), 1, 1), ColorToRgb(LowerLuminance(Rgb(200, 30, 40), 20)));
  EXPECT_EQ(PaintedPixel(b->hwnd(), 0, 5), ColorToRgb(LowerLuminance(Rgb(200, 30, 40), 20)));
  EXPECT_EQ(PaintedPixel(b->hwnd(), 1, 5), ColorToRgb(cl3DDkShadow));
  // The idle face: the gradient's bottom row above the two lines.
  EXPECT_EQ(PaintedPixel(b->hwnd(), 50, 25), RGB(17, 183, 0));
  DestroyWindow(form);
  DeleteObject(info.hbrBackground);
}

TEST(TitleBarWindow, CloseButtonReleaseSendsTheCloseCommand) {
  HWND owner = MakeForm(742, 473);
  TitleBarWindow* bar = TitleBarWindow::Create(owner, 25);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetWindowLongW(owner, GWL_STYLE) & WS_CAPTION, 0);
  RECT client;
  GetClientRect(bar->hwnd(), &client);
  EXPECT_EQ(client.right, 742);  // the owner lost its frame: client = window
  EXPECT_EQ(client.bottom, 25);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(owner, region), ERROR);  // rounded on sizing
  DeleteObject(region);

  owner_messages.clear();
  owner_commands.clear();
  SendMessageW(bar->hwnd(), WM_MOUSEMOVE, 0, At(720, 10));
  EXPECT_TRUE(bar->bar().CloseHot());
  SendMessageW(bar->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(720, 10));
  EXPECT_TRUE(bar->bar().ClosePressed());
  EXPECT_TRUE(owner_messages.empty());
  SendMessageW(bar->hwnd(), WM_LBUTTONUP, 0, At(720, 10));
  EXPECT_FALSE(bar->bar().ClosePressed());
  EXPECT_EQ(owner_commands, (std::vector<WPARAM>{SC_CLOSE}));
  // The system turns the command into the owner's close request.
  EXPECT_EQ(owner_messages, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE}));

  // Press, drag off, release: nothing but the cleared press.
  owner_messages.clear();
  SendMessageW(bar->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(720, 10));
  SendMessageW(bar->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, At(500, 10));
  SendMessageW(bar->hwnd(), WM_LBUTTONUP, 0, At(500, 10));
  EXPECT_FALSE(bar->bar().ClosePressed());
  EXPECT_TRUE(owner_messages.empty());
  DestroyWindow(owner);
}

TEST(TitleBarWindow, MinimiseButtonSendsTheMinimiseCommand) {
  HWND owner = MakeForm(742, 473);
  TitleBarWindow* bar = TitleBarWindow::Create(owner, 25);
  bar->bar().SetExBtnMin(true);
  owner_commands.clear();
  SendMessageW(bar->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(660, 10));
  EXPECT_TRUE(bar->bar().MinPressed());
  SendMessageW(bar->hwnd(), WM_LBUTTONUP, 0, At(660, 10));
  EXPECT_FALSE(bar->bar().MinPressed());
  EXPECT_EQ(owner_commands, (std::vector<WPARAM>{SC_MINIMIZE}));
  EXPECT_TRUE(IsIconic(owner));
  DestroyWindow(owner);
}

TEST(TitleBarWindow, MaximiseThroughTheBarAndResizeFollowsTheOwner) {
  HWND owner = MakeForm(742, 473);
  TitleBarWindow* bar = TitleBarWindow::Create(owner, 25);
  bar->bar().SetExBtnMax(true);
  SendMessageW(bar->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(100, 10));
  EXPECT_TRUE(IsZoomed(owner));
  EXPECT_EQ(bar->bar().LastSizeCommand(), kScMaximize);
  RECT owner_client, bar_client, work;
  GetClientRect(owner, &owner_client);
  GetClientRect(bar->hwnd(), &bar_client);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(bar_client.right, owner_client.right);  // still docked across the top
  EXPECT_LE(owner_client.bottom, work.bottom - work.top);
  ShowWindow(owner, SW_RESTORE);  // restored by other means
  EXPECT_EQ(bar->bar().LastSizeCommand(), kScMaximize);
  SendMessageW(bar->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(690, 10));
  SendMessageW(bar->hwnd(), WM_LBUTTONUP, 0, At(690, 10));
  EXPECT_TRUE(IsZoomed(owner));  // the bar asks the window, not its own memory
  EXPECT_EQ(bar->bar().LastSizeCommand(), kScMaximize);
  DestroyWindow(owner);
}

}  // namespace
}  // namespace skin::win32
