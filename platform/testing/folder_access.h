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

// The SID (S-1-...) that owns the folder.
std::string FolderOwnerSid(const std::string& folder);

// True under Wine, which keeps no access lists: it turns the one given into
// the file's Unix permission bits and reads back one made from them (SYSTEM
// and the owner, then Everyone with what "others" may do).
bool UnderWine();

}  // namespace dz::testing
