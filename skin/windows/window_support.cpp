#include "skin/windows/window_support.h"

#include <cwchar>

namespace skin::win32 {

void RegisterClassOnce(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW info{};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &info)) return;
  info.cbSize = sizeof info;
  info.style = CS_DBLCLKS;
  info.lpfnWndProc = procedure;
  info.hInstance = GetModuleHandleW(nullptr);
  info.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  info.lpszClassName = name;
  RegisterClassExW(&info);
}

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t buffer[64];
  return GetClassNameW(window, buffer, 64) && _wcsicmp(buffer, name) == 0;
}

platform::Rect ToRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

MouseButton MouseButtonOf(UINT message) {
  switch (message) {
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK: return MouseButton::Right;
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK: return MouseButton::Middle;
    default: return MouseButton::Left;
  }
}

}  // namespace skin::win32
