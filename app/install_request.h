// What the user asked to install, taken once when the installation is
// confirmed (or from the unattended command line): the edition, the folder
// and the ticked systems. The checks before writing, the run and the
// registration all work from this one request and never read the wizard's
// controls, so what was confirmed is what is checked, written and
// registered, whatever the window shows meanwhile.
#pragma once

#include <string>

#include "app/payload_choice.h"

namespace app {

struct InstallRequest {
  // The folder field's text as the user left it, and the same without the
  // blanks around it: the folder that is checked, created and installed to.
  std::string folder_as_typed;
  std::string folder;
  // The edition key and the ticked systems.
  ChosenSystems systems;

  // The installation folder with one trailing backslash.
  std::string InstallFolder() const;
  const std::string& Edition() const { return systems.edition; }
};

// The request for a folder as typed: the folder is the typed text trimmed.
InstallRequest MakeInstallRequest(const std::string& folder_as_typed, const ChosenSystems& systems);

}  // namespace app
