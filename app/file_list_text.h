// The installer's boxes that name files: "以下 N 个文件<what>:", then the first
// few paths, one a line, and how many more there are.
#pragma once

#include <string>
#include <vector>

namespace app {

// How many paths such a box names; the count covers them all.
inline constexpr size_t kListedFiles = 5;

std::string FileListText(const std::string& what, const std::vector<std::string>& paths);

}  // namespace app
