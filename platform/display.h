// What the skin needs to know about the display.
#pragma once

#include <cstdint>

namespace platform {

// The current RGB value (0x00BBGGRR) of a Windows system colour index
// (COLOR_BTNFACE = 15 ...). Natively: the classic Windows defaults.
uint32_t SystemColor(int index);

// The screen's number of palette colours (GetDeviceCaps NUMCOLORS); -1 when
// the display has more colours than a palette holds. Natively: -1.
int ScreenPaletteColors();

}  // namespace platform
