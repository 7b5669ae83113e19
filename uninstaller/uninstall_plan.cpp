#include "uninstaller/uninstall_plan.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "app/link_check.h"
#include "app/payload_choice.h"
#include "app/toolkit.h"
#include "common/install_list.h"
#include "platform/gbk.h"

namespace uninstaller {
namespace {

bool IsPlainPart(const std::string& part) {
  if (part.empty() || part == "." || part == "..") return false;
  // Windows drops trailing dots and spaces, so "x." would name "x" and ". ."
  // would climb; such names are never the installer's.
  char last = part.back();
  if (last == '.' || last == ' ') return false;
  bool plain = true;
  gbk::ForEachChar(part, [&](size_t at, size_t length) {
    if (length != 1) return;
    unsigned char c = static_cast<unsigned char>(part[at]);
    if (c < 0x20 || std::strchr("/:*?\"<>|", c) != nullptr) plain = false;
  });
  return plain;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The folder of a path, with its trailing backslash.
std::string ParentFolder(const std::string& path) {
  std::string trimmed = path;
  if (gbk::EndsWithBackslash(trimmed)) trimmed.pop_back();
  return gbk::FolderPart(trimmed);
}

// The shop's databases: never removed by their flag, only when the user
// agrees separately.
bool IsDatabase(const std::string& path) { return app::IsKeptDatabase(gbk::FileNamePart(path)); }

bool IsShortcutName(const std::string& path) {
  std::string name = gbk::FileNamePart(path);
  return name.size() > 4 && gbk::SameText(name.substr(name.size() - 4), ".lnk");
}

size_t Depth(const std::string& folder) {
  size_t depth = 0;
  gbk::ForEachChar(folder, [&](size_t at, size_t length) { depth += length == 1 && folder[at] == '\\'; });
  return depth;
}

// Adds item unless the list holds it already (without regard to case); the
// set of upper-cased items keeps this fast for long lists.
void AddOnce(std::vector<std::string>& list, std::set<std::string>& present, const std::string& item) {
  if (present.insert(gbk::UpperAscii(item)).second) list.push_back(item);
}

// The folder with exactly one trailing backslash, when it is a plain path.
std::string FolderOrEmpty(const std::string& folder) {
  if (folder.empty()) return {};
  std::string with = app::WithBackslash(folder);
  return IsPlainAbsolutePath(with) ? with : std::string();
}

bool SameOrInside(const std::string& path, const std::string& folder) {
  return gbk::SameText(app::WithBackslash(path), folder) || IsInside(path, folder);
}

}  // namespace

bool IsPlainAbsolutePath(const std::string& path) {
  if (path.size() < 4 || !IsDriveLetter(path[0]) || path[1] != ':' || path[2] != '\\') return false;
  std::vector<std::string> parts = gbk::SplitAtBackslashes(path.substr(3));
  if (gbk::EndsWithBackslash(path)) parts.pop_back();  // the folder's own backslash
  return std::all_of(parts.begin(), parts.end(), IsPlainPart);
}

bool IsInside(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() && gbk::StartsWithText(path, folder) &&
         gbk::EndsWithBackslash(folder);
}

std::string CheckInstallFolder(const Places& places) {
  const std::string& folder = places.install_folder;
  if (!gbk::EndsWithBackslash(folder) || !IsPlainAbsolutePath(folder)) return "安装文件夹的路径无效：" + folder;
  if (folder.size() <= 3) return "安装文件夹不能是磁盘的根目录：" + folder;
  for (const auto& system : places.system_folders) {
    std::string sys = FolderOrEmpty(system);
    if (sys.empty()) continue;
    if (SameOrInside(folder, sys) || IsInside(sys, folder)) return "安装文件夹是系统文件夹或包含系统文件夹：" + folder;
  }
  return {};
}

std::string CateringName(const std::string& edition_name) { return app::ReplaceAllText(edition_name, "商业", "美食"); }

std::string CommandProgram(const std::string& command) {
  size_t start = command.find_first_not_of(" \t");
  if (start == std::string::npos) return {};
  if (command[start] == '"') {
    size_t end = command.find('"', start + 1);
    return end == std::string::npos ? std::string() : command.substr(start + 1, end - start - 1);
  }
  size_t end = command.find_last_not_of(" \t");
  return command.substr(start, end - start + 1);
}

Plan MakePlan(const std::string& list_bytes, const Places& places) {
  Plan plan;
  const std::string install = places.install_folder;
  std::vector<std::string> systems;
  for (const auto& system : places.system_folders)
    if (std::string sys = FolderOrEmpty(system); !sys.empty()) systems.push_back(sys);
  // The group must be one plain folder name directly under a Programs
  // folder: the user's (earlier installations) or the all-users one.
  const bool plain_group = !places.group_name.empty() && IsPlainPart(places.group_name) &&
                           gbk::FindText(places.group_name, "\\") == gbk::npos;
  std::vector<std::string> groups, desktops;
  for (const std::string& folder : {places.programs_folder, places.common_programs_folder})
    if (std::string programs = FolderOrEmpty(folder); !programs.empty() && plain_group)
      groups.push_back(programs + places.group_name + "\\");
  for (const std::string& folder : {places.desktop_folder, places.common_desktop_folder})
    if (std::string desktop = FolderOrEmpty(folder); !desktop.empty()) desktops.push_back(desktop);
  // The folder of the list that holds the entry directly (a file, not a
  // folder line); empty when none does.
  auto directly_in = [](const std::vector<std::string>& folders, const std::string& path) {
    for (const std::string& folder : folders)
      if (IsInside(path, folder) && !gbk::EndsWithBackslash(path) && gbk::LastBackslash(path) == folder.size() - 1)
        return folder;
    return std::string();
  };

  std::set<std::string> seen, folders_present, kept_folders;
  auto refuse = [&](const std::string& line, const char* reason) { plan.refused.push_back({line, reason}); };

  for (const std::string& line : install_list::SplitLines(list_bytes)) {
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::optional<install_list::Entry> parsed = install_list::ParseLine(line);
    if (!parsed) {
      refuse(line, "格式不正确");
      continue;
    }
    const install_list::Entry& entry = *parsed;
    if (entry.path.empty()) continue;  // the installer's placeholder line
    if (!IsPlainAbsolutePath(entry.path)) {
      refuse(line, "不是完整、规范的本地路径");
      continue;
    }
    if (std::any_of(systems.begin(), systems.end(), [&](const auto& sys) { return SameOrInside(entry.path, sys); })) {
      refuse(line, "位于系统文件夹中");
      continue;
    }
    bool folder_entry = gbk::EndsWithBackslash(entry.path);
    if (!seen.insert(gbk::UpperAscii(entry.path)).second) continue;  // listed before

    if (IsInside(entry.path, install)) {
      if (app::LinkLeadingOut(install, {entry.path})) {
        refuse(line, "路径经过指向安装文件夹以外的链接");
        continue;
      }
      // Every folder from the entry's up to the installation folder.
      for (std::string folder = folder_entry ? entry.path : ParentFolder(entry.path);
           folder.size() >= install.size() && gbk::StartsWithText(folder, install); folder = ParentFolder(folder))
        AddOnce(plan.folders, folders_present, folder);
      if (folder_entry) {
        // A folder there before the installation stays, even when empty.
        if (entry.flag == 'Y') {
          kept_folders.insert(gbk::UpperAscii(entry.path));
          plan.kept.push_back(entry.path);
        }
        continue;
      }
      if (IsDatabase(entry.path))
        plan.databases.push_back(entry.path);
      else if (entry.flag == 'Y')
        plan.kept.push_back(entry.path);
      else if (gbk::SameText(entry.path, places.self_path))
        plan.lists_self = true;
      else
        plan.files.push_back(entry.path);
    } else if (std::any_of(groups.begin(), groups.end(),
                           [&](const auto& group) { return gbk::SameText(app::WithBackslash(entry.path), group); })) {
      AddOnce(plan.folders, folders_present, app::WithBackslash(entry.path));  // the group folder line
    } else if (std::string group = directly_in(groups, entry.path); !group.empty()) {
      if (!IsShortcutName(entry.path)) {
        refuse(line, "程序组中只删除快捷方式");
        continue;
      }
      AddOnce(plan.folders, folders_present, group);
      (entry.flag == 'Y' ? plan.kept : plan.shortcuts).push_back(entry.path);
    } else if (!directly_in(desktops, entry.path).empty()) {
      if (!IsShortcutName(entry.path)) {
        refuse(line, "桌面上只删除快捷方式");
        continue;
      }
      (entry.flag == 'Y' ? plan.kept : plan.shortcuts).push_back(entry.path);
    } else {
      refuse(line, "不在安装文件夹、程序组或桌面上");
    }
  }
  std::erase_if(plan.folders, [&](const std::string& f) { return kept_folders.count(gbk::UpperAscii(f)) > 0; });
  std::stable_sort(plan.folders.begin(), plan.folders.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  return plan;
}

}  // namespace uninstaller
