#include "skin/windows/title_bar_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <memory>

#include "platform/windows/gdi_canvas.h"
#include "platform/windows/gdi_handles.h"
#include "platform/windows/system_dlls.h"
#include "skin/windows/window_support.h"

namespace skin::win32 {
namespace {

using platform::windows::GdiCanvas;
using platform::windows::OwnedRegion;
using platform::windows::PaintSession;
using platform::windows::WindowDc;
using platform::windows::WindowThunk;

constexpr wchar_t kTitleBarClass[] = L"TOvCustForm";
// The subclass id of the owner's procedure: one title bar per owner.
constexpr UINT_PTR kOwnerSubclass = 1;

}  // namespace

TitleBarWindow* TitleBarWindow::Create(HWND owner, int height) {
  std::unique_ptr<TOvCustForm> bar = std::make_unique<TOvCustForm>();  // may throw EPngError
  RegisterClassOnce(kTitleBarClass, WindowThunk<TitleBarWindow>);
  std::unique_ptr<TitleBarWindow> self(new TitleBarWindow());
  self->owner_ = owner;
  self->bar_ = std::move(bar);
  self->bar_->AttachHost(self.get());
  // No system caption or frame on the owner; its minimise, maximise and
  // system-menu styles stay so that the system commands keep working.
  LONG style = GetWindowLongW(owner, GWL_STYLE);
  style &= ~(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME);
  SetWindowLongW(owner, GWL_STYLE, style | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN);
  LONG ex_style = GetWindowLongW(owner, GWL_EXSTYLE);
  SetWindowLongW(owner, GWL_EXSTYLE, ex_style & ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE));
  SetWindowPos(owner, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  platform::windows::SetWindowSubclassOf(owner, OwnerProc, kOwnerSubclass, reinterpret_cast<DWORD_PTR>(self.get()));
  RECT client;
  GetClientRect(owner, &client);
  HWND window = CreateWindowExW(0, kTitleBarClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, client.right,
                                height, owner, nullptr, GetModuleHandleW(nullptr), self.get());
  if (!window) {
    platform::windows::RemoveWindowSubclassOf(owner, OwnerProc, kOwnerSubclass);
    return nullptr;
  }
  self->created_ = true;
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return self.release();  // from here on the window deletes it
}

TitleBarWindow* TitleBarWindow::FromHandle(HWND window) {
  if (!window || !HasClass(window, kTitleBarClass)) return nullptr;
  return platform::windows::WindowOwner<TitleBarWindow>(window);
}

// The owner's messages that concern the bar: its height limit and the bar
// staying docked across the top.
LRESULT CALLBACK TitleBarWindow::OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                           DWORD_PTR data) {
  auto* self = reinterpret_cast<TitleBarWindow*>(data);
  if (message == WM_GETMINMAXINFO) {
    LRESULT result = platform::windows::DefSubclassProcOf(window, message, wparam, lparam);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
    info->ptMaxTrackSize.y = work.bottom - work.top;
    info->ptMaxSize.y = work.bottom - work.top;
    info->ptMaxPosition.y = work.top;
    return result;
  }
  if (message == WM_SIZE && self->window_) {
    RECT bar;
    GetWindowRect(self->window_, &bar);
    MoveWindow(self->window_, 0, 0, LOWORD(lparam), bar.bottom - bar.top, TRUE);
  }
  return platform::windows::DefSubclassProcOf(window, message, wparam, lparam);
}

LRESULT TitleBarWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: window_ = window; break;
    case WM_NCDESTROY:
      // A window whose creation failed part-way leaves the object to Create.
      platform::windows::RemoveWindowSubclassOf(owner_, OwnerProc, kOwnerSubclass);
      if (created_) delete this;
      return DefWindowProcW(window, message, wparam, lparam);
    case WM_PAINT: PaintBar(); return 0;
    case WM_ERASEBKGND: return 1;  // the bar paints every pixel
    case WM_MOUSEMOVE: bar_->MouseMove(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)); return 0;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: Pressed(MouseButtonOf(message), lparam, false); return 0;
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
      Pressed(MouseButtonOf(message), lparam, true);
      return 0;
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: Released(MouseButtonOf(message), lparam); return 0;
    case WM_SIZE: bar_->Resized(); return 0;
    case WM_WINDOWPOSCHANGED: ::InvalidateRect(window_, nullptr, FALSE); break;
    case WM_NCCALCSIZE: return 0;  // no non-client area
    case WM_GETDLGCODE: return 0;  // not a tab stop: wants no keys
    default: break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void TitleBarWindow::PaintBar() {
  PaintSession paint(window_);
  GdiCanvas canvas(paint.dc(), ClientWidth(), ClientHeight());
  bar_->PaintTitleBar(canvas);
}

void TitleBarWindow::Pressed(MouseButton button, LPARAM position, bool double_click) {
  SetCapture(window_);
  clicked_ = button == MouseButton::Left;
  bar_->MouseDown(button, GET_X_LPARAM(position), GET_Y_LPARAM(position), double_click);
}

// A left press and release inside the bar is a click (reported before the
// release, as for any control); a press that started a window drag never
// gets here, the system's move loop takes the release.
void TitleBarWindow::Released(MouseButton button, LPARAM position) {
  const int x = GET_X_LPARAM(position), y = GET_Y_LPARAM(position);
  if (button == MouseButton::Left && clicked_) {
    clicked_ = false;
    if (x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight() && bar_->OnClick) bar_->OnClick();
  }
  bar_->MouseUp(button, x, y);
  if (GetCapture() == window_) ReleaseCapture();
}

int TitleBarWindow::ClientWidth() const {
  RECT client;
  GetClientRect(window_, &client);
  return client.right;
}

int TitleBarWindow::ClientHeight() const {
  RECT client;
  GetClientRect(window_, &client);
  return client.bottom;
}

void TitleBarWindow::Redraw() {
  WindowDc dc(window_);
  GdiCanvas canvas(dc.get(), ClientWidth(), ClientHeight());
  bar_->PaintTitleBar(canvas);
}

void TitleBarWindow::ReleaseMouse() {
  if (GetCapture() == window_) ReleaseCapture();
}

bool TitleBarWindow::OwnerMaximized() const { return IsZoomed(owner_) != 0; }
void TitleBarWindow::SetOwnerMaximized(bool maximized) { ShowWindow(owner_, maximized ? SW_MAXIMIZE : SW_RESTORE); }
void TitleBarWindow::SendOwnerSysCommand(unsigned command) { SendMessageW(owner_, WM_SYSCOMMAND, command, 0); }

void TitleBarWindow::BeginWindowDrag() {
  if (GetWindowLongW(owner_, GWL_STYLE) & WS_CHILD) return;  // only a form is moved
  ReleaseCapture();
  SendMessageW(owner_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void TitleBarWindow::RoundOwnerCorners() {
  RECT frame;
  GetWindowRect(owner_, &frame);
  OwnedRegion region(CreateRoundRectRgn(0, 0, frame.right - frame.left + 2, frame.bottom - frame.top + 2, 5, 5));
  // The window owns the region once it is set.
  if (SetWindowRgn(owner_, region.get(), TRUE)) region.Release();
}

}  // namespace skin::win32
