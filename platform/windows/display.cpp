#include <windows.h>

#include "platform/display.h"
#include "platform/windows/gdi_handles.h"

namespace platform {

uint32_t SystemColor(int index) { return GetSysColor(index); }

int ScreenPaletteColors() {
  windows::WindowDc screen(nullptr);
  return GetDeviceCaps(screen.get(), NUMCOLORS);
}

}  // namespace platform
