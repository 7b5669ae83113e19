// What the skin's two window classes share: registering a class once, telling
// a window's class, and reading rectangles and mouse buttons off messages.
#pragma once

#include <windows.h>

#include "platform/canvas.h"
#include "skin/button_events.h"

namespace skin::win32 {

// Registers the class (double clicks on, arrow cursor) unless this module
// already has one of that name.
void RegisterClassOnce(const wchar_t* name, WNDPROC procedure);
bool HasClass(HWND window, const wchar_t* name);
platform::Rect ToRect(const RECT& rect);
// The mouse button of a button-down, button-up or double-click message.
MouseButton MouseButtonOf(UINT message);

}  // namespace skin::win32
