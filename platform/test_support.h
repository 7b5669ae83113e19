// Hooks for tests. They change nothing unless a test calls them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {
enum class RegistryRoot;
enum class CommonFolder;
}

namespace platform::testing {

// Natively: drive-letter paths are kept under this host folder (C:\x\y lives in
// ROOT/C/x/y). Default: $DIZAVOZI_SANDBOX, else a folder under /tmp per process.
// No effect on Windows.
void SetSandboxRoot(const std::string& host_folder);
std::string SandboxRoot();
// The host path that a program path maps to (natively), or the path itself.
std::string HostPath(const std::string& path);

// Natively: adds a module resource (name and type as text). Returns false on
// Windows, where tests carry their resources in the executable.
bool AddModuleResource(const std::string& name, const std::string& type, std::vector<uint8_t> bytes);
void ClearModuleResources();

// Natively: the special folders returned by special_folders.h.
void SetSpecialFolders(const std::string& temp, const std::string& windows, const std::string& system);
// Natively: the all-users folder CommonFolderPath reports (empty: the system
// has none).
void SetCommonFolder(CommonFolder folder, const std::string& path);
// Natively: the drive type and volume label reported for a drive root.
void SetDriveInfo(const std::string& root, int drive_type, const std::string& label);

// Natively: FileHeldOpen reports the file (a program path) as held open by
// a running program while held is true; nothing locks files natively.
void SetFileHeldOpen(const std::string& path, bool held);
// Natively: the folders GiveProgramFilesPermissions was given, in order
// (ProgramFilesFolders are C:\Program Files and C:\Program Files (x86)).
std::vector<std::string> FoldersGivenProgramFilesPermissions();
void ClearProgramFilesPermissions();

// Natively: the free space FreeDiskSpace reports for every path on a drive
// (its letter counts, e.g. "Q:\"); nullopt goes back to the host's free
// space of the sandbox folder.
void SetFreeDiskSpace(const std::string& root, std::optional<uint64_t> bytes);
// Natively: a file at path (created or opened for writing from now on) takes
// only bytes bytes; then its writes fail as on a full disk. nullopt lifts
// the limit. (A drive filled while a run writes.)
void SetFileWriteLimit(const std::string& path, std::optional<uint64_t> bytes);

// Natively: the registry kept in memory (seed and inspect it through
// registry.h). ClearRegistry empties every root; SetRegistryReadOnly makes
// a root refuse creating, writing and deleting, as the machine's keys do
// for a user without administrator rights.
void ClearRegistry();
void SetRegistryReadOnly(RegistryRoot root, bool read_only);

// Natively: whether the shell's link object can be created (ShellLink's
// constructor throws ShellLinkError when not).
void SetShellLinkAvailable(bool available);
// Natively: the link object refuses this target (SetPath returns false), as
// the shell's object refuses a path it cannot take; empty: none refused.
void SetShellLinkRefusedTarget(const std::string& target);

// Natively: SleepMilliseconds calls this instead of waiting while it is set
// (nullptr: wait again), so tests see the waits without spending them.
void SetSleepHook(std::function<void(unsigned milliseconds)> hook);

}  // namespace platform::testing
