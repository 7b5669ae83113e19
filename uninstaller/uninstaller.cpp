#include "uninstaller/uninstaller.h"

#include <algorithm>
#include <optional>

#include "app/profile_file.h"
#include "app/toolkit.h"
#include "common/install_list.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/registry.h"
#include "platform/special_folders.h"

namespace uninstaller {
namespace {

// install.dl of the largest installation is a few tens of kilobytes.
constexpr int64_t kMaxListSize = 16 * 1024 * 1024;
// Items named in one message box; the rest are counted.
constexpr size_t kMaxItemsShown = 10;
// The second button (No) is the default of the databases' question.
constexpr unsigned kMbDefaultButton2 = 0x100;
constexpr uint32_t kAttrReparsePoint = 0x400;
constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool ReadList(const std::string& path, std::string& bytes) {
  std::optional<std::string> content = platform::ReadSmallFile(path, kMaxListSize);
  if (!content) return false;
  bytes = std::move(*content);
  return true;
}

std::string ItemLines(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size() && i < kMaxItemsShown; ++i) text += "    " + items[i] + "\r\n";
  if (items.size() > kMaxItemsShown) text += "    ……（共 " + std::to_string(items.size()) + " 项）\r\n";
  return text;
}

// True when no folder from the installation folder down to the file's own is
// a junction or link: through one, a path inside the folder would reach
// places outside it.
bool ReachedDirectly(const std::string& path, const std::string& install_folder) {
  std::string folder = install_folder;
  for (size_t at = install_folder.size();;) {
    uint32_t attributes = platform::ReadAttributes(folder);
    if (attributes != platform::kInvalidAttributes && (attributes & kAttrReparsePoint)) return false;
    size_t next = std::string::npos;
    gbk::ForEachChar(path, [&](size_t offset, size_t length) {
      if (next == std::string::npos && offset >= at && length == 1 && path[offset] == '\\') next = offset;
    });
    if (next == std::string::npos) return true;
    folder = path.substr(0, next + 1);
    at = next + 1;
  }
}

class Run {
 public:
  Run(Places places, UninstallKeys& keys, bool silent) : places_(std::move(places)), keys_(keys), silent_(silent) {}

  Result Go() {
    std::string list_path = places_.install_folder + install_list::kListName;
    std::string profile_path = places_.install_folder + install_list::kInstalledManifestName;
    std::string list;
    if (!ReadList(list_path, list)) {
      Error("找不到或无法读取卸载信息文件：\r\n" + list_path + "\r\n\r\n无法卸载。");
      return Finish(kExitNoInstallation);
    }
    if (!platform::FileExists(profile_path)) {
      Error("找不到安装信息文件：\r\n" + profile_path + "\r\n\r\n无法卸载。");
      return Finish(kExitNoInstallation);
    }
    name_ = app::ProfileFile(profile_path).ReadString("BaseInfo", "fAppName", "");
    places_.group_name = name_;
    std::string shown_name = name_.empty() ? "本程序" : name_;

    if (std::string why = CheckInstallFolder(places_); !why.empty()) {
      Error(why + "\r\n\r\n为安全起见，卸载已停止，没有删除任何文件。");
      return Finish(kExitUnsafeFolder);
    }
    if (!silent_ && !app::AskConfirm("确实要从您的计算机中完全删除 " + shown_name + " 及其所有组件吗？"))
      return Finish(kExitCancelled);

    Plan plan = MakePlan(list, places_);
    result_.refused = plan.refused;
    result_.kept = plan.kept;

    bool remove_databases = false;
    std::vector<std::string> present_databases;
    for (const auto& db : plan.databases)
      if (platform::FileExists(db)) present_databases.push_back(db);
    if (!present_databases.empty() && !silent_) {
      int answer = app::ShowMessageBox(
          "以下数据库文件保存着门店的营业数据：\r\n" + ItemLines(present_databases) +
              "\r\n是否同时删除这些数据库文件？\r\n选择“否”将保留它们（推荐）。",
          "确认", platform::kMbYesNo | platform::kMbIconQuestion | kMbDefaultButton2);
      remove_databases = answer == platform::kIdYes;
    }
    // The list and the profile go last, and only when everything else went:
    // with files still in use the user can run the uninstaller again.
    std::vector<std::string> own_files;
    for (const auto& file : plan.files) {
      if (gbk::SameText(file, list_path))
        own_files.push_back(list_path);
      else if (gbk::SameText(file, profile_path))
        own_files.push_back(profile_path);
      else
        RemoveListedFile(file, true);
    }
    for (const auto& db : present_databases) {
      if (remove_databases)
        RemoveListedFile(db, true);
      else
        result_.kept.push_back(db);
    }
    for (const auto& link : plan.shortcuts) RemoveListedFile(link, false);
    RemoveUninstallKey();
    bool complete = result_.left.empty();
    if (complete)
      for (const auto& file : own_files) RemoveListedFile(file, true);
    for (const auto& folder : plan.folders)
      if (platform::DirectoryExists(folder) && platform::RemoveEmptyDirectory(folder)) result_.removed.push_back(folder);
    result_.remove_self = plan.lists_self && complete;

    int code = !result_.left.empty() ? kExitLeftFiles : !result_.refused.empty() ? kExitRefusedLines : kExitDone;
    Report(shown_name);
    return Finish(code);
  }

 private:
  void Error(const std::string& text) {
    if (!silent_) app::ShowError(text);
  }

  Result Finish(int code) {
    result_.exit_code = code;
    return std::move(result_);
  }

  void RemoveListedFile(const std::string& path, bool inside_install_folder) {
    if (!platform::FileExists(path)) return;  // already gone, or a folder
    if (inside_install_folder && !ReachedDirectly(path, places_.install_folder)) {
      result_.refused.push_back({path, "经由链接或交接点指向安装文件夹以外"});
      return;
    }
    uint32_t attributes = platform::ReadAttributes(path);
    if (attributes != platform::kInvalidAttributes && (attributes & platform::kAttrReadOnly))
      platform::WriteAttributes(path, attributes & ~uint32_t{platform::kAttrReadOnly});
    if (platform::RemoveFile(path))
      result_.removed.push_back(path);
    else
      result_.left.push_back(path);
  }

  // Both editions write the key named after the catering name; only a key
  // whose UnInstallString names this very uninstaller is removed, so that the
  // other edition's (or another folder's) installation keeps its entry. The
  // names the installer gives come first; any other entry that names this
  // uninstaller (a product renamed since) is this installation's too.
  void RemoveUninstallKey() {
    std::vector<std::string> candidates;
    std::vector<std::string> names = {name_, CateringName(name_)};
    for (auto& other : keys_.KeyNames()) names.push_back(std::move(other));
    for (const std::string& key : names) {
      if (key.empty() || gbk::FindText(key, "\\") != gbk::npos) continue;
      if (std::none_of(candidates.begin(), candidates.end(), [&](const auto& k) { return gbk::SameText(k, key); }))
        candidates.push_back(key);
    }
    for (const auto& key : candidates) {
      std::optional<std::string> command = keys_.ReadUninstallString(key);
      if (!command || !gbk::SameText(CommandProgram(*command), places_.self_path)) continue;
      if (keys_.DeleteKey(key))
        result_.key_removed = true;
      else
        result_.left.push_back(std::string("HKEY_LOCAL_MACHINE\\") + install_list::kUninstallKeyRoot + key);
    }
  }

  void Report(const std::string& shown_name) {
    if (silent_) return;
    if (!result_.refused.empty()) {
      std::vector<std::string> lines;
      for (const auto& r : result_.refused) lines.push_back(r.line + "（" + r.reason + "）");
      app::ShowWarning("卸载信息文件 install.dl 中的以下内容不属于本次安装，已拒绝删除：\r\n" + ItemLines(lines));
    }
    if (!result_.left.empty())
      app::ShowWarning("以下内容无法删除，可能正在被其他程序使用，请退出相关程序后手动删除：\r\n" +
                       ItemLines(result_.left));
    std::string text = shown_name + " 已从您的计算机中卸载。";
    if (!result_.kept.empty()) text += "\r\n\r\n以下文件已保留：\r\n" + ItemLines(result_.kept);
    app::ShowMessageBox(text, "提示 ", platform::kMbOk | platform::kMbIconInformation);
  }

  Places places_;
  UninstallKeys& keys_;
  bool silent_;
  std::string name_;
  Result result_;
};

}  // namespace

std::optional<std::string> RegistryUninstallKeys::ReadUninstallString(const std::string& key_name) {
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, install_list::kUninstallKeyRoot + key_name);
  if (!key) return std::nullopt;
  return key->ReadString("UnInstallString");
}

bool RegistryUninstallKeys::DeleteKey(const std::string& key_name) {
  if (key_name.empty()) return false;
  return platform::DeleteRegistryKey(platform::RegistryRoot::LocalMachine, install_list::kUninstallKeyRoot + key_name);
}

std::vector<std::string> RegistryUninstallKeys::KeyNames() {
  std::string root = install_list::kUninstallKeyRoot;
  root.pop_back();
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, root);
  if (!key) return {};
  return key->SubKeyNames();
}

Places PlacesOf(const std::string& self_path) {
  Places places;
  places.self_path = self_path;
  places.install_folder = gbk::FolderPart(self_path);
  if (auto folders = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kShellFoldersKey)) {
    places.programs_folder = folders->ReadString("Programs").value_or("");
    places.desktop_folder = folders->ReadString("Desktop").value_or("");
  }
  places.common_programs_folder = platform::CommonFolderPath(platform::CommonFolder::Programs);
  places.common_desktop_folder = platform::CommonFolderPath(platform::CommonFolder::Desktop);
  for (const std::string& system : {app::GetWindowsDir(), app::GetSystemDir()})
    if (!system.empty()) places.system_folders.push_back(system);
  return places;
}

Result Uninstall(Places places, UninstallKeys& keys, bool silent) { return Run(std::move(places), keys, silent).Go(); }

}  // namespace uninstaller
