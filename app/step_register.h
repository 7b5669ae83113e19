// Registration and shortcuts: after extraction the installer writes its
// uninstall entry under the machine's uninstall key and creates the program
// group and the desktop shortcuts in the folders every user of the machine
// shares, recording every shortcut file in the uninstall list, while the
// progress window shows what is being done. The shortcuts of the list the
// new one replaces that are not made again (an earlier installation's in the
// user's own folders, a system no longer chosen) are removed.
//
// The files are installed when this step runs, so nothing here undoes them:
// an entry or a shortcut that cannot be made is left out and counted among
// the step's failures, which the wizard reports in one box at the end.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/install_record.h"
#include "app/install_request.h"
#include "app/step_controls.h"
#include "common/install_list.h"
#include "platform/shell_links.h"

namespace platform {
class RegistryKey;
}

namespace app {

class Registration {
 public:
  // unattended: no progress window is seen, so the step makes none of its
  // pauses. earlier_list: the list of the installation the new one replaces,
  // as it was before the run.
  Registration(const InstallRequest& request, const ProductSettings& settings, InstallRecord& record,
               StepControls& controls, bool unattended, std::vector<install_list::Entry> earlier_list = {});

  // The entry and the shortcuts, with the progress window's texts; then the
  // earlier list's shortcuts that were not made again go.
  void RegisterSystem();
  // The uninstall entry; a failure is counted, never raised.
  void RegisterUninstall();
  // A shortcut to target named name (or the target's file name) in the
  // all-users folder location (0 Desktop, 1 Start Menu, 2 Programs,
  // 3 Startup; 4, the Quick Launch bar, has none), in sub_folder of it when
  // given; recorded in the list. False, and counted, when it could not be
  // made.
  bool CreateShortcut(const std::string& target, const std::string& name, const std::string& sub_folder,
                      int location);
  // The uninstall entry's values beyond its name and command: version,
  // publisher, location, icon, size, date, no modify/repair, the silent
  // command and the web site.
  void WriteEntryDetails(platform::RegistryKey& key, const std::string& folder, const std::string& uninstaller);
  // The program the entry's icon is taken from, and the size of the files
  // the uninstall list names, in KB rounded up.
  std::string MainProgram(const std::string& folder) const;
  uint32_t InstalledKilobytes() const;

  // What could not be done, one line each, in the order it happened.
  const std::vector<std::string>& Failures() const { return failures_; }

 private:
  void RemoveEarlierShortcuts(const std::vector<install_list::Entry>& earlier);

  const InstallRequest request_;
  const ProductSettings& settings_;
  InstallRecord& record_;
  StepControls& controls_;
  const bool unattended_;
  const std::vector<install_list::Entry> earlier_list_;
  std::vector<std::string> failures_;
  std::set<std::string> made_links_;  // upper-cased
  // One link object for every shortcut of the run, made at the first.
  std::unique_ptr<platform::ShellLink> link_;
};

// The box that reports the registration's failures: how many, then the
// first few, one a line.
std::string RegistrationFailuresText(const std::vector<std::string>& failures);

}  // namespace app
