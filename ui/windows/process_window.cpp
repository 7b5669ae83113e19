#include "ui/windows/process_window.h"

#include "platform/messages.h"
#include "platform/windows/wide.h"
#include "platform/windows/window_thunk.h"

namespace ui {

ProcessWindow::~ProcessWindow() {
  if (window_) DestroyWindow(window_);
}

bool ProcessWindow::Create(HWND owner) {
  RegisterUiClass(kClassName, platform::windows::WindowThunk<ProcessWindow>, GetSysColorBrush(COLOR_BTNFACE));
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
  std::wstring title = platform::windows::Wide("fProcess");
  // No frame: the window is its client area. An owned window stays above the
  // wizard and has no task-bar button of its own.
  if (!CreateWindowExW(0, kClassName, title.c_str(), WS_POPUP | WS_CLIPCHILDREN, left, top, kClientWidth,
                       kClientHeight, owner, nullptr, GetModuleHandleW(nullptr), this))
    return false;
  font_ = MakeFont(12);
  if (!info_.Create(window_, 0, 0, kClientWidth, kClientHeight, true)) return false;
  info_.SetFont(font_.get());
  info_.SetBevels(Bevel::Raised, Bevel::None);
  info_.SetCaption(kInitialText);
  return true;
}

void ProcessWindow::Show() {
  if (!window_) return;
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  UpdateWindow(window_);
}

void ProcessWindow::ShowInfo(const std::string& text) {
  if (!window_) return;
  info_.SetCaption(text);
  platform::ProcessMessages();
  if (info_.hwnd()) RedrawWindow(info_.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void ProcessWindow::Hide() {
  if (!window_) return;
  ShowWindow(window_, SW_HIDE);
  if (HWND owner = GetWindow(window_, GW_OWNER)) UpdateWindow(owner);
}

LRESULT ProcessWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // takes no input
    case WM_NCDESTROY:
      window_ = nullptr;
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace ui
