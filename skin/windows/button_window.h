// The skinned button's Win32 window: a thin host that turns window messages
// into calls of TOvSkinButton's handlers and carries out what the button asks
// of the window system, and the dialog-key routing of a form's skinned
// buttons. Windows tree only.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/windows/system_handles.h"
#include "platform/windows/window_thunk.h"
#include "skin/control_host.h"
#include "skin/skinned_button.h"

namespace skin::win32 {

// Private messages of the skinned controls (sent only to their own class).
inline constexpr UINT kFocusChangedMessage = WM_USER + 0x0B00;  // wParam: the newly focused window
inline constexpr UINT kDialogKeyMessage = WM_USER + 0x0B01;     // wParam: key, lParam: shift bits
inline constexpr UINT kDialogCharMessage = WM_USER + 0x0B02;    // wParam: character
// A parent may answer this with its colour + 1 (0: unknown), for the
// button's outer frame; otherwise its class background brush is used.
inline constexpr UINT kGetColorMessage = WM_USER + 0x0B03;

class SkinButtonWindow final : public ButtonHost {
 public:
  // Creates the button window as a child of parent. The object lives as long
  // as the window and is deleted when the window is destroyed.
  static SkinButtonWindow* Create(HWND parent, int x, int y, int width, int height, int id = 0);
  static SkinButtonWindow* FromHandle(HWND window);

  HWND hwnd() const { return window_; }
  TOvSkinButton& button() { return button_; }

  // ButtonHost
  Rect ClientRect() const override;
  bool Focused() const override;
  bool CanFocus() const override;
  void TakeFocus() override;
  void GiveUpFocus() override;
  void Invalidate(bool erase) override;
  void InvalidateRect(const Rect& rect, bool erase) override;
  void Repaint() override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  bool HasParent() const override;
  TColor ParentColor() const override;
  bool RightToLeft() const override;
  void EnableWindow(bool enabled) override;
  void SetFormModalResult(int modal_result) override;
  void BroadcastGroup(int group_index) override;
  void AnnounceFocus() override;
  void PaintParentBackground(Canvas& canvas, bool invalidate_parent) override;

 private:
  template <typename Owner>
  friend LRESULT CALLBACK platform::windows::WindowThunk(HWND, UINT, WPARAM, LPARAM);

  SkinButtonWindow() = default;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void PaintButton();
  LRESULT EraseButton(HDC dc);
  void MouseMoved(int x, int y);
  void KeyPressed(int key);
  void FocusMoved(HWND focus);

  HWND window_ = nullptr;
  bool created_ = false;  // CreateWindowExW returned: the window owns the object
  TOvSkinButton button_;
  bool tracking_leave_ = false;
  // The modal result this button left on its form, taken away with the button.
  std::optional<platform::windows::WindowProperty> form_modal_result_;
};

// For message loops: Enter, Escape and Tab, Alt+letter accelerators go to the
// skinned buttons of the focused window's form first. True when used.
bool HandleDialogKey(const MSG& message);

// The modal result a button click left on the form (0 when none).
int FormModalResult(HWND form);

}  // namespace skin::win32
