#include "app/file_list_text.h"

namespace app {

std::string FileListText(const std::string& what, const std::vector<std::string>& paths) {
  std::string text = "以下 " + std::to_string(paths.size()) + " 个文件" + what + ":";
  for (size_t i = 0; i < paths.size() && i < kListedFiles; ++i) text += "\n" + paths[i];
  if (paths.size() > kListedFiles) text += "\n……(另有 " + std::to_string(paths.size() - kListedFiles) + " 个文件)";
  return text;
}

}  // namespace app
