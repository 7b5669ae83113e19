// The Win32 windows of the skin's controls: thin hosts that turn window
// messages into calls of TOvSkinButton's and TOvCustForm's handlers and
// carry out what the controls ask of the window system. Windows tree only.
#pragma once

#include <windows.h>

#include <memory>

#include "skin/control_host.h"
#include "skin/ov_cust_form.h"
#include "skin/ov_skin_button.h"

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
  SkinButtonWindow() = default;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void PaintButton();
  LRESULT EraseButton(HDC dc);
  void MouseMoved(int x, int y);
  void KeyPressed(int key);
  void FocusMoved(HWND focus);

  HWND window_ = nullptr;
  TOvSkinButton button_;
  bool tracking_leave_ = false;
};

class TitleBarWindow final : public TitleBarHost {
 public:
  // Creates the bar on top of owner, height pixels high and as wide as the
  // owner's client area: removes the owner's frame, limits its height to the
  // work area and keeps the bar docked at the top. Throws EPngError (before
  // any window is touched) when a caption-button picture is missing.
  static TitleBarWindow* Create(HWND owner, int height);
  static TitleBarWindow* FromHandle(HWND window);

  HWND hwnd() const { return window_; }
  TOvCustForm& bar() { return *bar_; }

  // TitleBarHost
  int ClientWidth() const override;
  int ClientHeight() const override;
  void Redraw() override;
  void ReleaseMouse() override;
  bool OwnerMaximized() const override;
  void SetOwnerMaximized(bool maximized) override;
  void SendOwnerSysCommand(unsigned command) override;
  void BeginWindowDrag() override;
  void RoundOwnerCorners() override;

 private:
  TitleBarWindow() = default;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                    DWORD_PTR data);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void PaintBar();
  void Pressed(MouseButton button, LPARAM position, bool double_click);
  void Released(MouseButton button, LPARAM position);

  HWND window_ = nullptr;
  HWND owner_ = nullptr;
  std::unique_ptr<TOvCustForm> bar_;
  bool clicked_ = false;
};

// For message loops: Enter, Escape and Tab, Alt+letter accelerators go to the
// skinned buttons of the focused window's form first. True when used.
bool HandleDialogKey(const MSG& message);

// The modal result a button click left on the form (0 when none).
int FormModalResult(HWND form);

}  // namespace skin::win32
