// Natively there is no display: the classic Windows system colours and a
// true-colour screen.
#include "platform/display.h"

#include "platform/canvas.h"

namespace platform {

uint32_t SystemColor(int index) {
  static const Rgb kClassic[] = {
      MakeRgb(192, 192, 192),  // 0 scroll bar
      MakeRgb(58, 110, 165),   // 1 background
      MakeRgb(10, 36, 106),    // 2 active caption
      MakeRgb(128, 128, 128),  // 3 inactive caption
      MakeRgb(212, 208, 200),  // 4 menu
      MakeRgb(255, 255, 255),  // 5 window
      MakeRgb(0, 0, 0),        // 6 window frame
      MakeRgb(0, 0, 0),        // 7 menu text
      MakeRgb(0, 0, 0),        // 8 window text
      MakeRgb(255, 255, 255),  // 9 caption text
      MakeRgb(212, 208, 200),  // 10 active border
      MakeRgb(212, 208, 200),  // 11 inactive border
      MakeRgb(128, 128, 128),  // 12 app workspace
      MakeRgb(10, 36, 106),    // 13 highlight
      MakeRgb(255, 255, 255),  // 14 highlight text
      MakeRgb(212, 208, 200),  // 15 button face
      MakeRgb(128, 128, 128),  // 16 button shadow
      MakeRgb(128, 128, 128),  // 17 grey text
      MakeRgb(0, 0, 0),        // 18 button text
      MakeRgb(212, 208, 200),  // 19 inactive caption text
      MakeRgb(255, 255, 255),  // 20 button highlight
      MakeRgb(64, 64, 64),     // 21 3D dark shadow
      MakeRgb(212, 208, 200),  // 22 3D light
      MakeRgb(0, 0, 0),        // 23 info text
      MakeRgb(255, 255, 225),  // 24 info background
  };
  if (index < 0 || index >= static_cast<int>(sizeof kClassic / sizeof kClassic[0])) return 0;
  return kClassic[index];
}

int ScreenPaletteColors() { return -1; }

}  // namespace platform
