// The packer's stub form: writes the finished installer from the stub
// (DIzavozi.exe without payloads), the product folder and the manifest
// source. Into a copy of the stub go the payloads C0, C1, ... (each of its
// own name and type), the manifest CEND of type INI, the payload checks, and
// version information made from the manifest; all in language 2052. With a
// certificate the uninstaller is signed before it is packed, then the
// installer.
//
// Everything that can be checked is checked before the first byte is
// written: the stub (a PE image with resources, unsigned), the product
// folder's sub-folders against the manifest's [FileType] words, the output
// path (not inside the product folder), the certificate and password files.
// On any failure nothing is left behind: neither the output nor the work
// folder beside it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "tools/packer/packer.h"
#include "tools/packer/signing.h"

namespace packer {

struct InstallerOptions {
  std::string product_folder;
  std::string manifest;  // the manifest source's bytes (GBK INI)
  std::string stub;      // path of the stub
  std::string output;    // path of the installer to write
  std::string password;  // the stub's archive password (GBK)
  int level = 6;
  std::optional<SigningOptions> signing;
  std::function<void(const std::string& line)> report;
};

// The name of the program in the product that is signed before it is
// packed, and the manifest's [FileType] word of its folder.
inline constexpr char kUninstallerName[] = "UnInstall.exe";

// Raises PackError naming what is wrong.
void WriteInstaller(const InstallerOptions& options);

// Whether `path` is `folder` or lies below it, the two taken as absolute
// paths with "." and ".." resolved and letters compared without case.
bool PathInsideFolder(const std::string& path, const std::string& folder);

}  // namespace packer
