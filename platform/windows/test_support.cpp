// The test hooks of the Windows tree: test programs work on the real
// registry, link object, files, drives, folders and clock, so the hooks change
// nothing. Linked into test programs only, never into a shipped program.
#include "platform/test_support.h"
#include "platform/special_folders.h"

namespace platform::testing {

void SetSandboxRoot(const std::string&) {}
std::string SandboxRoot() { return ""; }
std::string HostPath(const std::string& path) { return path; }
bool AddModuleResource(const std::string&, const std::string&, std::vector<uint8_t>) { return false; }
void ClearModuleResources() {}
void SetSpecialFolders(const std::string&, const std::string&, const std::string&) {}
void SetCommonFolder(CommonFolder, const std::string&) {}
void SetDriveInfo(const std::string&, int, const std::string&) {}
void SetFileHeldOpen(const std::string&, bool) {}
void SetFreeDiskSpace(const std::string&, std::optional<uint64_t>) {}
void SetFileWriteLimit(const std::string&, std::optional<uint64_t>) {}
void ClearRegistry() {}
void SetRegistryReadOnly(RegistryRoot, bool) {}
void SetShellLinkAvailable(bool) {}
void SetShellLinkRefusedTarget(const std::string&) {}
void SetSleepHook(std::function<void(unsigned)>) {}

}  // namespace platform::testing

// A test program's message boxes and pump: the platform's own, with the
// tests' responder and pump hook in between. These definitions take the
// place of the shipped ones (message_box.cpp, message_pump.cpp), which the
// linker then leaves out of the test program.
#include "platform/messages.h"
#include "platform/testing/box_and_pump_hooks.h"
#include "platform/windows/message_loop.h"

namespace platform {

int ShowMessageBox(const std::string& text, const std::string& title, unsigned style, MessageBoxOwner owner) {
  if (const MessageBoxResponder responder = testing::CurrentMessageBoxResponder())
    return responder(text, title, style);
  return windows::SystemMessageBox(text, title, style, owner);
}

void ProcessMessages() {
  windows::DispatchPendingMessages();
  testing::RunMessagePumpHook();
}

}  // namespace platform
