#include "platform/testing/box_and_pump_hooks.h"

#include <mutex>
#include <utility>

namespace platform {
namespace {

struct Hooks {
  std::mutex mutex;
  MessageBoxResponder responder;
  std::function<void()> pump_hook;
};

Hooks& hooks() {
  static Hooks h;
  return h;
}

}  // namespace

void SetMessageBoxResponder(MessageBoxResponder responder) {
  std::lock_guard lock(hooks().mutex);
  hooks().responder = std::move(responder);
}

void SetMessagePumpHook(std::function<void()> hook) {
  std::lock_guard lock(hooks().mutex);
  hooks().pump_hook = std::move(hook);
}

namespace testing {

MessageBoxResponder CurrentMessageBoxResponder() {
  std::lock_guard lock(hooks().mutex);
  return hooks().responder;
}

void RunMessagePumpHook() {
  std::function<void()> hook;
  {
    std::lock_guard lock(hooks().mutex);
    hook = hooks().pump_hook;
  }
  // Outside the lock: the hook may set another one.
  if (hook) hook();
}

}  // namespace testing
}  // namespace platform
