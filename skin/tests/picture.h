// Compares a canvas area with a small picture: one character per pixel, each
// mapped to an expected colour by a legend; '.' means "left as it was" and is
// checked against the background colour the test filled first.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace skin::testing {

inline ::testing::AssertionResult MatchesPicture(const platform::Canvas& canvas, int left, int top,
                                                 const std::vector<std::string>& rows,
                                                 const std::map<char, platform::Rgb>& legend) {
  std::ostringstream diff;
  bool ok = true;
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) {
      platform::Rgb want = legend.at(rows[y][x]);
      platform::Rgb got = canvas.GetPixel(left + static_cast<int>(x), top + static_cast<int>(y));
      if (want != got) {
        ok = false;
        diff << " (" << left + x << "," << top + y << ") '" << rows[y][x] << "' want " << std::hex << want << " got "
             << got << std::dec << ";";
      }
    }
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixels differ:" << diff.str();
}

// Fills the whole canvas with one colour.
inline void Clear(platform::Canvas& canvas, platform::Rgb color) {
  canvas.SetBrushColor(color);
  canvas.FillRect({0, 0, canvas.Width(), canvas.Height()});
}

}  // namespace skin::testing
