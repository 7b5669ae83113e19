// The uninstallation: reads install.dl and Install.in from the installation
// folder, asks the user, removes what the plan (uninstall_plan.h) allows, the
// uninstall registry entry that names this uninstaller, and reports.
//
// Interactive, every question and report is a message box in the installer's
// style; silent (/S), there is no box at all and the exit code tells the
// outcome. The shop databases are kept unless the user agrees to remove them
// (never when silent).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "uninstaller/uninstall_plan.h"

namespace uninstaller {

// Exit codes of UnInstall.exe.
enum ExitCode : int {
  kExitDone = 0,            // everything listed is gone (kept files aside)
  kExitCancelled = 1,       // the user said no: nothing changed
  kExitNoInstallation = 2,  // install.dl or Install.in missing or unreadable: nothing changed
  kExitUnsafeFolder = 3,    // the installation folder is refused: nothing changed
  kExitRefusedLines = 4,    // done, but lines of install.dl were refused and reported
  kExitLeftFiles = 5,       // some listed files or the registry entry could not be removed;
                            // install.dl, Install.in and the uninstaller stay for another try
};

// The uninstall entries under HKEY_LOCAL_MACHINE install_list::kUninstallKeyRoot,
// by key name.
class UninstallKeys {
 public:
  virtual ~UninstallKeys() = default;
  // The value "UnInstallString" of the key; nullopt when the key or value is missing.
  virtual std::optional<std::string> ReadUninstallString(const std::string& key_name) = 0;
  // Removes the key with its values; false when it could not be removed.
  virtual bool DeleteKey(const std::string& key_name) = 0;
  // The names of every uninstall entry.
  virtual std::vector<std::string> KeyNames() = 0;
};

// The entries in the system registry (platform/registry.h).
class RegistryUninstallKeys : public UninstallKeys {
 public:
  std::optional<std::string> ReadUninstallString(const std::string& key_name) override;
  bool DeleteKey(const std::string& key_name) override;
  std::vector<std::string> KeyNames() override;
};

struct Result {
  int exit_code = kExitDone;
  bool remove_self = false;  // the caller removes the running program and then its folder
  std::vector<std::string> removed;  // files and folders removed
  std::vector<std::string> left;     // listed files that could not be removed
  std::vector<std::string> kept;     // kept on purpose (flag "Y", databases)
  std::vector<RefusedLine> refused;
  bool key_removed = false;
};

// The places of the uninstaller started as self_path: its folder, the
// all-users Programs and Desktop folders, the current user's (the Shell
// Folders values earlier installers read), the Windows and system folders.
Places PlacesOf(const std::string& self_path);

// Runs the uninstallation. places.install_folder, self_path, the shell
// folders and the system folders come from the caller; the program group's
// name is read from Install.in here.
Result Uninstall(Places places, UninstallKeys& keys, bool silent);

}  // namespace uninstaller
