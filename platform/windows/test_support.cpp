// The test hooks of the Windows tree: test programs work on the real
// registry, link object, files, drives, folders and clock, so the hooks change
// nothing. Linked into test programs only, never into a shipped program.
#include "platform/test_support.h"

namespace platform::testing {

void SetSandboxRoot(const std::string&) {}
std::string SandboxRoot() { return ""; }
std::string HostPath(const std::string& path) { return path; }
bool AddModuleResource(const std::string&, const std::string&, std::vector<uint8_t>) { return false; }
void ClearModuleResources() {}
void SetSpecialFolders(const std::string&, const std::string&, const std::string&) {}
void SetDriveInfo(const std::string&, int, const std::string&) {}
void SetFileHeldOpen(const std::string&, bool) {}
void SetFreeDiskSpace(const std::string&, std::optional<uint64_t>) {}
void ClearRegistry() {}
void SetRegistryReadOnly(RegistryRoot, bool) {}
void SetShellLinkAvailable(bool) {}
void SetSleepHook(std::function<void(unsigned)>) {}

}  // namespace platform::testing
