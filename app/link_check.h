// Links in an installation folder. The installer and the uninstaller run as
// administrator, and an existing installation folder may be writable by
// users (one made outside Program Files takes its parent's permissions). A
// link (symbolic link, junction) placed there would lead the installer's
// writes, and the uninstaller's deletions, to any file of the machine. So
// every path they write or delete is checked before anything is done, and a
// link on the way that leads out of the installation folder refuses it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/preflight.h"

namespace app {

// The first link met on the way to the paths, or nullopt when there is
// none that matters:
// - the installation folder's own existing folders below the drive root
//   (those the installer writes, or creates the rest of the folder, under):
//   any link among them;
// - below the installation folder, the existing folders on the way to each
//   path and the path itself: a link that leads outside the installation
//   folder (where it really is), or to nothing.
// Paths outside the installation folder are not looked at. install_folder
// and the paths are GBK, compared without regard to the case of single-byte
// letters.
std::optional<std::string> LinkLeadingOut(const std::string& install_folder, const std::vector<std::string>& paths);

// The first link in the installation folder that would lead the run's
// writes out of it: on the way to the plan's targets, Install.in and
// install.dl.
std::optional<std::string> LinkInInstallation(const InstallPlan& plan, const std::string& install_folder);

// The text of the box (and the log line) that refuses the run.
std::string LinkLeadingOutText(const std::string& link);

}  // namespace app
