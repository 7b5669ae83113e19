// The real message box and message loop under the platform's two entry
// points. ShowMessageBox and ProcessMessages are each defined in a file of
// their own (message_box.cpp, message_pump.cpp), so that a test program or a
// console tool can link its own definition in their place: the shipped
// programs carry no way to answer a box or act at a pump other than the
// user's.
#pragma once

#include <string>

#include "platform/dialogs.h"

namespace platform::windows {

// A system message box (MessageBoxW) owned as owner says.
int SystemMessageBox(const std::string& text, const std::string& title, unsigned style, MessageBoxOwner owner);

// Runs every pending window message of this thread (a WM_QUIT is put back
// for the caller's loop).
void DispatchPendingMessages();

}  // namespace platform::windows
