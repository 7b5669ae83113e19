// Windows test programs: a folder's permissions read back as the system
// keeps them, to compare with what a program meant to set.
#pragma once

#include <string>
#include <vector>

namespace dz::testing {

// "protected" when the folder inherits nothing from its parent, else
// "inherits"; then one line per entry of its access list:
// "<SID> <mask in hex> <flags>", flags "OICI" when files and folders inside
// inherit it, "deny " before a denial. Empty when the permissions cannot be
// read.
std::vector<std::string> FolderAccess(const std::string& folder);

// The SID (S-1-...) that owns what this process creates.
std::string ProcessOwnerSid();

}  // namespace dz::testing
