// What the skin needs to know about the display.
#pragma once

#include <cstdint>

namespace platform {

// The Windows system colour indexes (the values of COLOR_WINDOW ...).
enum SystemColorIndex : int {
  kColorScrollBar = 0,
  kColorBackground = 1,
  kColorActiveCaption = 2,
  kColorInactiveCaption = 3,
  kColorMenu = 4,
  kColorWindow = 5,
  kColorWindowFrame = 6,
  kColorMenuText = 7,
  kColorWindowText = 8,
  kColorCaptionText = 9,
  kColorActiveBorder = 10,
  kColorInactiveBorder = 11,
  kColorAppWorkspace = 12,
  kColorHighlight = 13,
  kColorHighlightText = 14,
  kColorButtonFace = 15,
  kColorButtonShadow = 16,
  kColorGrayText = 17,
  kColorButtonText = 18,
  kColorInactiveCaptionText = 19,
  kColorButtonHighlight = 20,
  kColor3DDarkShadow = 21,
  kColor3DLight = 22,
  kColorInfoText = 23,
  kColorInfoBackground = 24,
  kColorMenuBar = 30,  // the highest index a window class background may name
};

// The current RGB value (0x00BBGGRR) of a system colour index. Natively: the
// classic Windows defaults (black for an index without one).
uint32_t SystemColor(int index);

// The screen's number of palette colours (GetDeviceCaps NUMCOLORS); -1 when
// the display has more colours than a palette holds. Natively: -1.
int ScreenPaletteColors();

}  // namespace platform
