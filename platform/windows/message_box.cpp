// The programs' message boxes: the system's, nothing in between.
#include "platform/dialogs.h"
#include "platform/windows/message_loop.h"

namespace platform {

int ShowMessageBox(const std::string& text, const std::string& title, unsigned style, MessageBoxOwner owner) {
  return windows::SystemMessageBox(text, title, style, owner);
}

}  // namespace platform
