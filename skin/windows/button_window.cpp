#include "skin/windows/button_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <memory>
#include <vector>

#include "platform/windows/gdi_canvas.h"
#include "platform/windows/gdi_handles.h"
#include "platform/windows/wide.h"
#include "skin/windows/window_support.h"

namespace skin::win32 {
namespace {

using platform::windows::GdiCanvas;
using platform::windows::PaintSession;
using platform::windows::SavedDcState;
using platform::windows::WindowThunk;

constexpr wchar_t kButtonClass[] = L"TOvSkinButton";
constexpr wchar_t kModalResultProperty[] = L"DIzavozi.ModalResult";

bool IsPushButton(HWND window) {
  if (!window) return false;
  if (HasClass(window, kButtonClass)) return true;
  if (!HasClass(window, L"Button")) return false;
  LONG type = GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM list) {
  if (HasClass(child, kButtonClass)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

// Every skinned button in the form (top-level window) of `window`.
std::vector<HWND> ButtonsOfForm(HWND window) {
  std::vector<HWND> buttons;
  HWND root = GetAncestor(window, GA_ROOT);
  if (!root) return buttons;
  EnumChildWindows(root, CollectButton, reinterpret_cast<LPARAM>(&buttons));
  return buttons;
}

void AnnounceFocusTo(HWND any_in_form, HWND focus) {
  for (HWND button : ButtonsOfForm(any_in_form)) SendMessageW(button, kFocusChangedMessage, WPARAM(focus), 0);
}

LPARAM ShiftBits(ShiftState shift) { return (shift.shift ? 1 : 0) | (shift.ctrl ? 2 : 0) | (shift.alt ? 4 : 0); }
ShiftState CurrentShift() {
  return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

bool DispatchDialogKey(HWND focus, int key, ShiftState shift) {
  for (HWND button : ButtonsOfForm(focus))
    if (SendMessageW(button, kDialogKeyMessage, WPARAM(key), ShiftBits(shift))) return true;
  return false;
}

bool DispatchDialogChar(HWND focus, wchar_t character) {
  if (character == 0 || character >= 0x80) return false;
  for (HWND button : ButtonsOfForm(focus))
    if (SendMessageW(button, kDialogCharMessage, WPARAM(character), 0)) return true;
  return false;
}

bool MoveFocusByTab(HWND focus, bool backwards) {
  HWND root = GetAncestor(focus, GA_ROOT);
  HWND next = root ? GetNextDlgTabItem(root, focus, backwards) : nullptr;
  if (!next || next == focus) return false;
  SetFocus(next);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// SkinButtonWindow

SkinButtonWindow* SkinButtonWindow::Create(HWND parent, int x, int y, int width, int height, int id) {
  RegisterClassOnce(kButtonClass, WindowThunk<SkinButtonWindow>);
  std::unique_ptr<SkinButtonWindow> self(new SkinButtonWindow());
  self->button_.AttachHost(self.get());
  HWND window = CreateWindowExW(0, kButtonClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                self.get());
  if (!window) return nullptr;
  self->created_ = true;
  self->button_.WindowCreated();
  return self.release();  // from here on the window deletes it
}

SkinButtonWindow* SkinButtonWindow::FromHandle(HWND window) {
  if (!window || !HasClass(window, kButtonClass)) return nullptr;
  return platform::windows::WindowOwner<SkinButtonWindow>(window);
}

LRESULT SkinButtonWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
  switch (message) {
    case WM_NCCREATE: window_ = window; break;
    case WM_NCDESTROY:
      // A window whose creation failed part-way leaves the object to Create.
      if (created_) delete this;
      return DefWindowProcW(window, message, wparam, lparam);
    case WM_PAINT: PaintButton(); return 0;
    case WM_ERASEBKGND: return EraseButton(reinterpret_cast<HDC>(wparam));
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK:
      button_.MouseDown(MouseButtonOf(message), x, y);
      return 0;
    case WM_MOUSEMOVE: MouseMoved(x, y); return 0;
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
      button_.MouseUp(MouseButtonOf(message), x, y);
      return 0;
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      button_.MouseLeave();
      return 0;
    case WM_KEYDOWN: KeyPressed(int(wparam)); return 0;
    case WM_KEYUP: button_.KeyUp(int(wparam)); return 0;
    case WM_CHAR: {
      char character = wparam < 0x80 ? char(wparam) : 0;
      if (button_.KeyPress(character) && wparam < 0x80) DispatchDialogChar(window_, wchar_t(character));
      return 0;
    }
    case WM_SYSCHAR:
      if (DispatchDialogChar(window_, wchar_t(wparam))) return 0;
      break;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      FocusMoved(window_);
      button_.FocusGained();
      return 0;
    case WM_KILLFOCUS:
      FocusMoved(reinterpret_cast<HWND>(wparam));
      button_.FocusLost();
      return 0;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(window, message, wparam, lparam);
      button_.SetCaption(platform::windows::Narrow(reinterpret_cast<const wchar_t*>(lparam)));
      return result;
    }
    case WM_SIZE: Invalidate(true); return 0;
    case kGroupMessage: {
      SkinButtonWindow* sender = FromHandle(reinterpret_cast<HWND>(lparam));
      button_.GroupMessage(int(wparam), sender ? &sender->button_ : nullptr);
      return 0;
    }
    case kFocusChangedMessage: {
      HWND focus = reinterpret_cast<HWND>(wparam);
      button_.FocusChanged(IsPushButton(focus), focus == window_);
      return 0;
    }
    case kDialogKeyMessage:
      return button_.DialogKey(int(wparam), {(lparam & 1) != 0, (lparam & 2) != 0, (lparam & 4) != 0}) ? 1 : 0;
    case kDialogCharMessage: return button_.DialogChar(char(wparam)) ? 1 : 0;
    default: break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void SkinButtonWindow::PaintButton() {
  PaintSession paint(window_);
  Rect client = ClientRect();
  GdiCanvas canvas(paint.dc(), client.right, client.bottom);
  button_.Paint(canvas);
}

LRESULT SkinButtonWindow::EraseButton(HDC dc) {
  Rect client = ClientRect();
  GdiCanvas canvas(dc, client.right, client.bottom);
  if (!button_.EraseBackground(canvas)) {
    canvas.SetBrushColor(ColorToRgb(button_.Color()));
    canvas.FillRect(client);
  }
  return 1;
}

void SkinButtonWindow::MouseMoved(int x, int y) {
  if (!tracking_leave_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
    tracking_leave_ = TrackMouseEvent(&track) != 0;
    button_.MouseEnter();
  }
  button_.MouseMove(x, y);
}

void SkinButtonWindow::KeyPressed(int key) {
  ShiftState shift = CurrentShift();
  if (key == VK_RETURN || key == VK_ESCAPE) {
    DispatchDialogKey(window_, key, shift);
    return;
  }
  if (key == VK_TAB && !shift.ctrl && !shift.alt) {
    MoveFocusByTab(window_, shift.shift);
    return;
  }
  button_.KeyDown(key, shift);
}

void SkinButtonWindow::FocusMoved(HWND focus) {
  HWND form = GetAncestor(window_, GA_ROOT);
  // Moving between two windows of the same form; focus leaving the form
  // altogether leaves the defaults as they are.
  if (focus && GetAncestor(focus, GA_ROOT) != form) return;
  if (!focus) focus = form;
  AnnounceFocusTo(window_, focus);
}

Rect SkinButtonWindow::ClientRect() const {
  RECT client;
  GetClientRect(window_, &client);
  return ToRect(client);
}

bool SkinButtonWindow::Focused() const { return GetFocus() == window_; }
bool SkinButtonWindow::CanFocus() const { return IsWindowVisible(window_) && IsWindowEnabled(window_); }
void SkinButtonWindow::TakeFocus() { SetFocus(window_); }

void SkinButtonWindow::GiveUpFocus() {
  if (GetFocus() == window_) SetFocus(GetAncestor(window_, GA_ROOT));
}

void SkinButtonWindow::Invalidate(bool erase) { ::InvalidateRect(window_, nullptr, erase); }

void SkinButtonWindow::InvalidateRect(const Rect& rect, bool erase) {
  RECT area{rect.left, rect.top, rect.right, rect.bottom};
  ::InvalidateRect(window_, &area, erase);
}

void SkinButtonWindow::Repaint() { UpdateWindow(window_); }
void SkinButtonWindow::CaptureMouse() { SetCapture(window_); }

void SkinButtonWindow::ReleaseMouse() {
  if (GetCapture() == window_) ReleaseCapture();
}

bool SkinButtonWindow::HasParent() const { return GetParent(window_) != nullptr; }

TColor SkinButtonWindow::ParentColor() const {
  HWND parent = GetParent(window_);
  if (!parent) return clBtnFace;
  if (LRESULT answer = SendMessageW(parent, kGetColorMessage, 0, 0)) return TColor(answer - 1);
  auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(parent, GCLP_HBRBACKGROUND));
  auto value = reinterpret_cast<UINT_PTR>(brush);
  // A class brush of COLOR_xxx + 1 names a system colour.
  if (value > 0 && value <= platform::kColorMenuBar + 1) return SystemColorRef(int(value - 1));
  LOGBRUSH info{};
  if (brush && GetObjectW(brush, sizeof info, &info) && info.lbStyle == BS_SOLID) return TColor(info.lbColor);
  return clBtnFace;
}

bool SkinButtonWindow::RightToLeft() const {
  return (GetWindowLongW(window_, GWL_EXSTYLE) & (WS_EX_RTLREADING | WS_EX_RIGHT)) != 0;
}

void SkinButtonWindow::EnableWindow(bool enabled) { ::EnableWindow(window_, enabled); }

void SkinButtonWindow::SetFormModalResult(int modal_result) {
  HWND form = GetAncestor(window_, GA_ROOT);
  if (!form) return;
  form_modal_result_.emplace(form, kModalResultProperty);
  form_modal_result_->Set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(modal_result)));
}

void SkinButtonWindow::BroadcastGroup(int group_index) {
  HWND parent = GetParent(window_);
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (HasClass(child, kButtonClass))
      SendMessageW(child, kGroupMessage, WPARAM(group_index), reinterpret_cast<LPARAM>(window_));
}

void SkinButtonWindow::AnnounceFocus() {
  HWND focus = GetFocus();
  HWND form = GetAncestor(window_, GA_ROOT);
  if (!focus || GetAncestor(focus, GA_ROOT) != form) focus = form;
  AnnounceFocusTo(window_, focus);
}

// Paints the parent's background under the control: the context's origin is
// moved so that parent coordinates land on the control, and the parent is
// asked to erase and to paint its client area into this context (the Win32
// request for painting into a given context is WM_PRINTCLIENT).
void SkinButtonWindow::PaintParentBackground(Canvas& canvas, bool invalidate_parent) {
  HWND parent = GetParent(window_);
  if (!parent) return;
  HDC dc = static_cast<GdiCanvas&>(canvas).dc();
  POINT origin{0, 0};
  MapWindowPoints(window_, parent, &origin, 1);
  RECT parent_client;
  GetClientRect(parent, &parent_client);
  {
    SavedDcState saved(dc);
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
    IntersectClipRect(dc, 0, 0, parent_client.right, parent_client.bottom);
    SendMessageW(parent, WM_ERASEBKGND, WPARAM(dc), 0);
    SendMessageW(parent, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT);
  }
  // Standard controls such as group boxes do not repaint under their
  // children on their own; custom-drawn parents and forms do.
  if (invalidate_parent && (GetWindowLongW(parent, GWL_STYLE) & WS_CHILD) &&
      (HasClass(parent, L"Button") || HasClass(parent, L"Static")))
    ::InvalidateRect(parent, nullptr, TRUE);
}

bool HandleDialogKey(const MSG& message) {
  HWND focus = GetFocus();
  if (!focus || message.hwnd != focus || HasClass(focus, kButtonClass)) return false;
  if (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE))
    return DispatchDialogKey(focus, int(message.wParam), CurrentShift());
  if (message.message == WM_SYSCHAR) return DispatchDialogChar(focus, wchar_t(message.wParam));
  return false;
}

int FormModalResult(HWND form) {
  return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(form, kModalResultProperty)));
}

}  // namespace skin::win32
