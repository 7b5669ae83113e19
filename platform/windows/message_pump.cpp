// The programs' message pump: the pending messages, nothing more.
#include "platform/messages.h"
#include "platform/windows/message_loop.h"

namespace platform {

void ProcessMessages() { windows::DispatchPendingMessages(); }

}  // namespace platform
