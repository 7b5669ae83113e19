#include "app/manifest.h"

#include "app/toolkit.h"
#include "platform/errors.h"

namespace app {

std::string EditionText(const std::string& edition_key, const std::string& text) {
  if (!SameText(edition_key, kEditionCommercial)) return text;
  return ReplaceAllText(text, "美食", "商业");
}

std::string ResolveDestRoot(const std::string& word, const std::string& install_folder) {
  std::string folder;
  if (word == kDestApplicationDir) {
    folder = install_folder;
  } else if (word == kDestWindowsDir) {
    folder = GetWindowsDir();
  } else if (word == kDestSystemDir) {
    folder = GetSystemDir();
  }
  if (folder.empty()) throw platform::Error("Cannot resolve destination root " + word);
  return WithBackslash(folder);
}

}  // namespace app
