// One window procedure for every window class of ours: the object that owns
// a window is passed as the creation parameter, kept in the window's user
// data from WM_NCCREATE on, and every message is forwarded to its
// HandleMessage. The link is cut before WM_NCDESTROY is forwarded, so the
// owner may delete itself there and no late message reaches it.
//
//   class MyWindow {
//     LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
//   };
//   wc.lpfnWndProc = platform::windows::WindowThunk<MyWindow>;
//   CreateWindowExW(..., this);
#pragma once

#include <windows.h>

namespace platform::windows {

template <typename Owner>
Owner* WindowOwner(HWND window) {
  return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

template <typename Owner>
LRESULT CALLBACK WindowThunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  Owner* owner = WindowOwner<Owner>(window);
  if (!owner) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return owner->HandleMessage(window, message, wparam, lparam);
}

}  // namespace platform::windows
