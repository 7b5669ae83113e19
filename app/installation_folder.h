// Making the installation folder. A folder made outside the system's Program
// Files would take its parent's permissions: on a drive other than the
// system's, the root's, which let every user change what is inside, so that
// anyone could replace the programs an administrator later runs. So the
// topmost folder the installer makes there gets Program Files' permissions
// (administrators and SYSTEM may change it, users may read and run), and
// everything the run writes inside inherits them. A folder that already
// exists keeps its own permissions.
#pragma once

#include <functional>
#include <string>

namespace app {

// Makes the folder with every missing parent, giving the topmost one it
// makes Program Files' permissions when that folder is not inside one of the
// system's Program Files folders. True when the folder exists afterwards.
// make_folders makes a folder with its missing parents (the run's journal,
// which notes each one); by default platform::ForceDirectories.
bool CreateInstallationFolder(const std::string& folder,
                              const std::function<bool(const std::string&)>& make_folders = {});

// The topmost folder of path that does not exist yet (no trailing
// backslash), or empty when the whole path exists. Looks at whole GBK
// characters; the drive root is never taken.
std::string FirstMissingFolder(const std::string& folder);

}  // namespace app
