#include <windows.h>

#include "platform/display.h"

namespace platform {

uint32_t SystemColor(int index) { return GetSysColor(index); }

int ScreenPaletteColors() {
  HDC screen = GetDC(nullptr);
  int colors = GetDeviceCaps(screen, NUMCOLORS);
  ReleaseDC(nullptr, screen);
  return colors;
}

}  // namespace platform
