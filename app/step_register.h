// Registration and shortcuts: after extraction the installer writes its
// uninstall entry under the machine's uninstall key and creates the program
// group and the desktop shortcuts, recording every shortcut file in the
// uninstall list, while the progress window shows what is being done.
#pragma once

#include <cstdint>
#include <string>

#include "app/install_record.h"
#include "app/install_request.h"
#include "app/step_controls.h"

namespace platform {
class RegistryKey;
}

namespace app {

class Registration {
 public:
  // unattended: no progress window is seen, so the step makes none of its
  // pauses.
  Registration(const InstallRequest& request, const ProductSettings& settings, InstallRecord& record,
               StepControls& controls, bool unattended);

  // The entry and the shortcuts, with the progress window's texts.
  void RegisterSystem();
  // The uninstall entry; every failure here is silent.
  void RegisterUninstall();
  // A shortcut to target named name (or the target's file name) in the
  // shell folder location (0 Desktop, 1 Start Menu, 2 Programs, 3 Startup,
  // 4 Quick Launch), in sub_folder of it when given; recorded in the list.
  // False when it could not be made.
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

 private:
  const InstallRequest request_;
  const ProductSettings& settings_;
  InstallRecord& record_;
  StepControls& controls_;
  const bool unattended_;
};

}  // namespace app
