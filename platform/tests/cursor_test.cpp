#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/messages.h"

namespace {

using platform::CursorScope;
using platform::CursorShape;
using platform::CurrentCursor;

TEST(CursorScope, PutsBackTheShapeItFoundOnEveryPath) {
  CursorScope as_found(CursorShape::Default);  // and the test's own shape put back at its end
  {
    CursorScope busy(CursorShape::Hourglass);
    EXPECT_EQ(CurrentCursor(), CursorShape::Hourglass);
    {
      CursorScope inner(CursorShape::Default);  // a dialog during long work
      EXPECT_EQ(CurrentCursor(), CursorShape::Default);
    }
    EXPECT_EQ(CurrentCursor(), CursorShape::Hourglass);
  }
  EXPECT_EQ(CurrentCursor(), CursorShape::Default);

  EXPECT_THROW(
      {
        CursorScope busy(CursorShape::Hourglass);
        throw std::runtime_error("work failed");
      },
      std::runtime_error);
  EXPECT_EQ(CurrentCursor(), CursorShape::Default);
}

}  // namespace
