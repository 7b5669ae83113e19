#include "app/link_check.h"

#include <set>

#include "app/toolkit.h"
#include "common/install_list.h"
#include "platform/files.h"
#include "platform/gbk.h"

namespace app {
namespace {

bool IsLink(uint32_t attributes) {
  return attributes != platform::kInvalidAttributes && (attributes & platform::kAttrReparsePoint);
}

// Offsets just past each backslash character of the path at or after from.
std::vector<size_t> BackslashEnds(const std::string& path, size_t from) {
  std::vector<size_t> ends;
  gbk::ForEachChar(path, [&](size_t at, size_t length) {
    if (at >= from && length == 1 && path[at] == '\\') ends.push_back(at + 1);
  });
  return ends;
}

// True when final (a FinalPath) is the folder final_root or lies inside it.
bool Inside(const std::string& final, const std::string& final_root) {
  const std::string root = WithBackslash(final_root);
  return gbk::SameText(WithBackslash(final), root) || gbk::StartsWithText(final, root);
}

}  // namespace

std::optional<std::string> LinkLeadingOut(const std::string& install_folder, const std::vector<std::string>& paths) {
  const std::string root = TrimWithBackslash(install_folder);
  if (root.empty()) return std::nullopt;

  // The installation folder's own folders, below the drive root.
  const std::string drive = DriveRootOf(root);
  for (size_t end : BackslashEnds(root, drive.size())) {
    const std::string folder = root.substr(0, end - 1);
    if (folder.empty() || folder + "\\" == drive) continue;
    const uint32_t attributes = platform::ReadAttributes(folder);
    if (attributes == platform::kInvalidAttributes) return std::nullopt;  // nothing exists below
    if (IsLink(attributes)) return folder;
  }
  const std::string final_root = platform::FinalPath(root);
  if (final_root.empty()) return std::nullopt;

  // Below it: each existing folder once, then each path itself.
  std::set<std::string> passed;
  for (const std::string& path : paths) {
    if (!gbk::StartsWithText(path, root) || path.size() == root.size()) continue;
    std::vector<std::string> on_the_way;
    for (size_t end : BackslashEnds(path, root.size())) on_the_way.push_back(path.substr(0, end - 1));
    if (!gbk::EndsWithBackslash(path)) on_the_way.push_back(path);
    for (const std::string& step : on_the_way) {
      const std::string key = gbk::UpperAscii(step);
      if (passed.count(key)) continue;
      const uint32_t attributes = platform::ReadAttributes(step);
      if (attributes == platform::kInvalidAttributes) break;  // the rest is to be made
      if (IsLink(attributes)) {
        const std::string final = platform::FinalPath(step);
        if (final.empty() || !Inside(final, final_root)) return step;
      }
      passed.insert(key);
    }
  }
  return std::nullopt;
}

std::optional<std::string> LinkInInstallation(const InstallPlan& plan, const std::string& install_folder) {
  std::vector<std::string> paths;
  for (const TargetFile& target : plan.targets) paths.push_back(target.path);
  for (const char* name : {install_list::kInstalledManifestName, install_list::kListName})
    paths.push_back(WithBackslash(install_folder) + name);
  return LinkLeadingOut(install_folder, paths);
}

std::string LinkLeadingOutText(const std::string& link) {
  return "安装文件夹中的链接指向安装文件夹以外: " + link + "\n\n请删除该链接或选择其他安装文件夹后再安装。";
}

}  // namespace app
