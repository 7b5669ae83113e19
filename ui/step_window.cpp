#include "ui/step_window.h"

#include "platform/windows/wide.h"

namespace ui {

bool StepWindow::Create(HINSTANCE instance, int show_command) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIconW(instance, L"MAINICON");  // resources/skin.rc; none in test programs
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kClassName;
  if (!RegisterClassExW(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  // No frame of the system's own: the skinned title bar is a control of the
  // window. The system menu keeps Alt+F4 and the task bar's close working.
  const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int left = work.left + (work.right - work.left - width) / 2;
  const int top = work.top + (work.bottom - work.top - height) / 2;

  std::wstring text = platform::windows::Wide("安装");
  if (!CreateWindowExW(WS_EX_APPWINDOW, kClassName, text.c_str(), style, left, top, width, height, nullptr, nullptr,
                       instance, this))
    return false;
  ShowWindow(handle_, show_command);
  UpdateWindow(handle_);
  return true;
}

LRESULT CALLBACK StepWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<StepWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<StepWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT StepWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      step_.CreateForm();
      return 0;
    case WM_DESTROY:
      step_.FormDestroy();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
      handle_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(handle_, message, wparam, lparam);
}

}  // namespace ui
