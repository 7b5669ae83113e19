// skin-preview: one borderless window with the wizard's title bar and a grid
// of skinned buttons in every look, for looking at the skin by eye.
//   skin-preview.exe [--states]   (--states: hover and press a few controls)
#include <windows.h>

#include <cwchar>
#include <exception>
#include <string>

#include "platform/windows/wide.h"
#include "skin/png_reader.h"
#include "skin/windows/button_window.h"
#include "skin/windows/title_bar_window.h"

using namespace skin;
using skin::win32::SkinButtonWindow;
using skin::win32::TitleBarWindow;

namespace {

constexpr int kWidth = 742, kHeight = 345;

LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

SkinButtonWindow* AddButton(HWND form, int x, int y, const char* caption, int width = 120, int height = 30) {
  SkinButtonWindow* window = SkinButtonWindow::Create(form, x, y, width, height);
  window->button().SetCaption(caption);
  return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  WNDCLASSW info{};
  info.lpfnWndProc = PreviewProc;
  info.hInstance = instance;
  info.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  info.hIcon = LoadIconW(instance, L"MAINICON");
  info.lpszClassName = L"DIzavoziSkinPreview";
  RegisterClassW(&info);
  int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND form = CreateWindowExW(0, info.lpszClassName, L"安装", WS_OVERLAPPEDWINDOW, left, top, kWidth, kHeight, nullptr,
                              nullptr, instance, nullptr);

  TitleBarWindow* title;
  try {
    title = TitleBarWindow::Create(form, 25);
  } catch (const std::exception& error) {
    MessageBoxW(nullptr, platform::windows::Wide(error.what()).c_str(), L"skin-preview", MB_ICONERROR);
    return 1;
  }
  // The wizard's title bar, with all three caption buttons.
  TOvCustForm& bar = title->bar();
  bar.SetCaption("SaaS系统安装程序");
  bar.SetFont({"宋体", 14, ColorToRgb(clWhite)});
  bar.SetColor(9357311);
  bar.SetExDrawFrameLine(true);
  bar.SetExFadeStyle(fdUpDown);
  bar.SetExFadeUpColor(12020273);
  bar.SetExFadeDownColor(8867363);
  bar.SetExBtnMin(true);
  bar.SetExBtnMax(true);
  bar.SetExBtnClose(true);
  SetWindowPos(form, nullptr, left, top, kWidth, kHeight, SWP_NOZORDER);

  const int col[5] = {20, 160, 300, 440, 580};
  // Row 1: the plain look (no hot tracking).
  AddButton(form, col[0], 45, "普通(&P)");
  SkinButtonWindow* def = AddButton(form, col[1], 45, "默认 Default");
  def->button().SetDefault(true);
  AddButton(form, col[2], 45, "Tinted")->button().SetColor(Rgb(150, 190, 240));
  AddButton(form, col[3], 45, "禁用 Disabled")->button().SetEnabled(false);
  SkinButtonWindow* pressed_plain = AddButton(form, col[4], 45, "Pressed");

  // Row 2: hot tracking with and without the border.
  SkinButtonWindow* hot = AddButton(form, col[0], 95, "HotTrack");
  hot->button().SetHotTrack(true);
  SkinButtonWindow* hot_hover = AddButton(form, col[1], 95, "HotTrack hover");
  hot_hover->button().SetHotTrack(true);
  SkinButtonWindow* flat = AddButton(form, col[2], 95, "无边框 flat");
  flat->button().SetHotTrack(true);
  flat->button().SetOvDrawBorder(false);
  flat->button().SetColor(Rgb(120, 170, 230));
  SkinButtonWindow* hot_off = AddButton(form, col[3], 95, "禁用 HotTrack");
  hot_off->button().SetHotTrack(true);
  hot_off->button().SetEnabled(false);
  SkinButtonWindow* hot_complement = AddButton(form, col[4], 95, "Complement");
  hot_complement->button().SetHotTrack(true);
  hot_complement->button().SetHotTrackColorType(htctComplement);

  // Row 3: a group of three toggles, and caption effects.
  const char* const group_captions[] = {"组 A", "组 B", "组 C"};
  for (int index = 0; index < 3; ++index) {
    SkinButtonWindow* toggle = AddButton(form, col[0] + 90 * index, 145, group_captions[index], 85);
    toggle->button().SetGroupIndex(1);
    if (index == 1) toggle->button().SetDown(true);
  }
  SkinButtonWindow* raised = AddButton(form, col[2] + 20, 145, "Raised", 100);
  raised->button().SetTextStyle(tsRaised);
  SkinButtonWindow* recessed = AddButton(form, col[3], 145, "Recessed", 100);
  recessed->button().SetTextStyle(tsRecessed);
  SkinButtonWindow* shadow = AddButton(form, col[4], 145, "Shadow", 100);
  shadow->button().SetTextStyle(tsShadow);

  // Row 4: alignments.
  SkinButtonWindow* left_top = AddButton(form, col[0], 195, "左上 left top", 180, 40);
  left_top->button().SetAlignment(taLeftJustify);
  left_top->button().SetAlignmentVertical(avTop);
  SkinButtonWindow* right_bottom = AddButton(form, col[2] - 80, 195, "右下 right bottom", 180, 40);
  right_bottom->button().SetAlignment(taRightJustify);
  right_bottom->button().SetAlignmentVertical(avBottom);
  right_bottom->button().SetHotTrack(true);

  // The wizard's start button.
  SkinButtonWindow* start = SkinButtonWindow::Create(form, 282, 260, 177, 49);
  start->button().SetCaption("开始安装(&S)");
  start->button().SetFont({"宋体", 19, ColorToRgb(clWhite)});
  start->button().SetColor(Rgb(22, 205, 0));
  start->button().SetOvDrawBorder(false);
  start->button().SetHotTrack(true);
  SkinButtonWindow* start_hover = SkinButtonWindow::Create(form, 500, 260, 177, 49);
  start_hover->button().SetCaption("开始安装(&S)");
  start_hover->button().SetFont({"宋体", 19, ColorToRgb(clWhite)});
  start_hover->button().SetColor(Rgb(22, 205, 0));
  start_hover->button().SetOvDrawBorder(false);
  start_hover->button().SetHotTrack(true);

  ShowWindow(form, SW_SHOW);
  UpdateWindow(form);
  SetFocus(start->hwnd());
  if (std::wcsstr(command_line, L"--states")) {
    SendMessageW(hot_hover->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(start_hover->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(pressed_plain->hwnd(), WM_KEYDOWN, VK_SPACE, 0);  // held space: pressed look
    SetFocus(start->hwnd());
    SendMessageW(title->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(720, 10));
  }

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (skin::win32::HandleDialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
