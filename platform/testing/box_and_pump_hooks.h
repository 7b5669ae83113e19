// How tests answer message boxes and act "from a message handler". Test
// programs only: natively the simulated platform consults these, and a
// Windows test program links its own ShowMessageBox and ProcessMessages
// (platform/windows/test_support.cpp) in place of the shipped ones.
#pragma once

#include <functional>
#include <string>

#include "platform/dialogs.h"

namespace platform {

// When set, every message box is answered by the responder instead of being
// shown. Natively, with no responder, the box is written to standard error and
// answered with its safe button (Cancel, No, or OK when it is the only one);
// on Windows it is shown.
void SetMessageBoxResponder(MessageBoxResponder responder);

// The hook runs at the end of every ProcessMessages call (for example to
// cancel a long operation as a message handler would).
void SetMessagePumpHook(std::function<void()> hook);

namespace testing {

// The responder set now (empty when none), and the pump hook run once.
MessageBoxResponder CurrentMessageBoxResponder();
void RunMessagePumpHook();

}  // namespace testing
}  // namespace platform
