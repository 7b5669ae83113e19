#include "app/installation_folder.h"

#include "app/preflight.h"
#include "app/toolkit.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/special_folders.h"

namespace app {

std::string FirstMissingFolder(const std::string& folder) {
  const std::string path = WithBackslash(folder);
  const size_t root = DriveRootOf(path).size();
  std::string missing;
  gbk::ForEachChar(path, [&](size_t at, size_t length) {
    if (!missing.empty() || at < root || length != 1 || path[at] != '\\' || at == 0) return;
    const std::string part = path.substr(0, at);
    if (platform::ReadAttributes(part) == platform::kInvalidAttributes) missing = part;
  });
  return missing;
}

bool CreateInstallationFolder(const std::string& folder, const std::function<bool(const std::string&)>& make_folders) {
  auto make = [&](const std::string& path) { return make_folders ? make_folders(path) : platform::ForceDirectories(path); };
  const std::string topmost = FirstMissingFolder(folder);
  if (topmost.empty()) return platform::DirectoryExists(folder);
  bool in_program_files = false;
  for (const std::string& program_files : platform::ProgramFilesFolders())
    if (gbk::StartsWithText(topmost, WithBackslash(program_files))) in_program_files = true;
  // The topmost first, so that the folders made inside it inherit.
  if (!make(topmost)) return false;
  if (!in_program_files) platform::GiveProgramFilesPermissions(topmost);
  return make(folder);
}

}  // namespace app
