// The title bar's Win32 window: a thin host that turns window messages into
// calls of TOvCustForm's handlers and carries out what the bar asks of its
// owner window. Windows tree only.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/windows/window_thunk.h"
#include "skin/control_host.h"
#include "skin/title_bar.h"

namespace skin::win32 {

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
  template <typename Owner>
  friend LRESULT CALLBACK platform::windows::WindowThunk(HWND, UINT, WPARAM, LPARAM);

  TitleBarWindow() = default;
  static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                    DWORD_PTR data);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void PaintBar();
  void Pressed(MouseButton button, LPARAM position, bool double_click);
  void Released(MouseButton button, LPARAM position);

  HWND window_ = nullptr;
  bool created_ = false;  // CreateWindowExW returned: the window owns the object
  HWND owner_ = nullptr;
  std::unique_ptr<TOvCustForm> bar_;
  bool clicked_ = false;
};

}  // namespace skin::win32
