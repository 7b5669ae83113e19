// The progress window fProcess (TfProcess): a small borderless window in the
// middle of the screen with one raised panel, PInfo, whose centred text tells
// what the registration step is doing. It takes no input. Windows only.
#pragma once

#include <windows.h>

#include <string>

#include "platform/windows/gdi_handles.h"
#include "ui/windows/controls.h"

namespace ui {

class ProcessWindow {
 public:
  static constexpr wchar_t kClassName[] = L"TfProcess";
  static constexpr int kClientWidth = 228;
  static constexpr int kClientHeight = 71;
  static constexpr char kInitialText[] = "正在更新系统...";

  ProcessWindow() = default;
  ProcessWindow(const ProcessWindow&) = delete;
  ProcessWindow& operator=(const ProcessWindow&) = delete;
  ~ProcessWindow();

  // Creates the window owned by owner, centred on the screen, hidden. False
  // when the window system refuses.
  bool Create(HWND owner);
  // Shows it without activating it and paints it at once.
  void Show();
  // ShowInfo: sets PInfo's text, lets pending messages run, repaints PInfo
  // before returning.
  void ShowInfo(const std::string& text);
  // Hides it and lets the windows beneath repaint.
  void Hide();

  HWND hwnd() const { return window_; }
  HWND info() const { return info_.hwnd(); }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  HWND window_ = nullptr;
  platform::windows::OwnedFont font_;
  Panel info_;
};

}  // namespace ui
