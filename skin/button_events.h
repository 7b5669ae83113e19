// Event slots shared by the skin's controls: bound handlers that may be
// empty.
#pragma once

#include <functional>

namespace skin {

enum class MouseButton { Left, Right, Middle };

using TNotifyEvent = std::function<void()>;
using TMouseEvent = std::function<void(MouseButton button, int x, int y)>;

}  // namespace skin
