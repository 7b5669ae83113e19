// Event slots shared by the skin's controls: bound handlers that may be
// empty.
#pragma once

#include <functional>

namespace skin {

enum class MouseButton { Left, Right, Middle };

using TNotifyEvent = std::function<void()>;
using TMouseEvent = std::function<void(MouseButton button, int x, int y)>;
using TMouseMoveEvent = std::function<void(int x, int y)>;
// Key events get the key by reference, so that a handler can change it (0
// swallows it).
using TKeyEvent = std::function<void(int& key)>;
using TKeyPressEvent = std::function<void(char& character)>;

}  // namespace skin
