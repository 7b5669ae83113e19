#include "app/step_register.h"

#include <cstdio>
#include <utility>
#include <memory>
#include <optional>
#include <set>

#include "app/file_list_text.h"
#include "app/manifest.h"
#include "app/toolkit.h"
#include "common/install_list.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/shell_links.h"
#include "platform/special_folders.h"

namespace app {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

// The current user's shell folders, where earlier installations put their
// shortcuts.
constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kUninstallProgram[] = "UnInstall.exe";
constexpr char kUninstallPrefix[] = "卸载";
constexpr char kEmptyTargetName[] = "我的电脑";

// Shell folder locations used by the installer.
constexpr int kLocationDesktop = 0;
constexpr int kLocationPrograms = 2;

// The progress window's texts, and the pause after each.
constexpr char kInfoRegistering[] = "正在注册系统信息...";
constexpr char kInfoShortcuts[] = "正在建立程序快捷方式...";
constexpr char kInfoFinishing[] = "正在完成系统安装.";
constexpr unsigned kInfoPauseMs = 100;

// The lines of the box that reports what the registration could not do.
constexpr char kFailedEntry[] = "未能写入卸载信息: HKEY_LOCAL_MACHINE\\";
constexpr char kFailedShortcut[] = "未能建立快捷方式: ";
constexpr char kFailedEarlierShortcut[] = "未能删除旧的快捷方式: ";


// The check boxes' captions, which name the shortcuts.
constexpr char kNameSc[] = "云后台管理系统";
constexpr char kNamePos[] = "云前台收银系统";
constexpr char kNameWmSvr[] = "云服务管理系统";
constexpr char kNameKds[] = "云触屏划菜系统";

// The folder of a shell folder location: the folders every user of the
// machine shares, as the installation is the machine's, not the account's
// that elevated it. Empty for an unknown location and for the Quick Launch
// bar (4), which only a user has.
std::string ShellFolder(int location) {
  using platform::CommonFolder;
  static constexpr CommonFolder kFolders[] = {CommonFolder::Desktop, CommonFolder::StartMenu, CommonFolder::Programs,
                                              CommonFolder::Startup};
  if (location < 0 || location > 3) return "";
  return platform::CommonFolderPath(kFolders[location]);
}

// The current user's Programs and Desktop folders from the Shell Folders key,
// where earlier installations put their shortcuts; empty when not known.
struct UserShellFolders {
  std::string programs, desktop;
};
UserShellFolders ReadUserShellFolders() {
  UserShellFolders folders;
  if (auto key = RegistryKey::Open(RegistryRoot::CurrentUser, kShellFoldersKey)) {
    folders.programs = key->ReadString("Programs").value_or("");
    folders.desktop = key->ReadString("Desktop").value_or("");
  }
  return folders;
}

// The parts of path below folder (no trailing backslash), when path lies
// inside it; empty otherwise. Compared without regard to case, as the file
// system does.
std::vector<std::string> PartsBelow(const std::string& path, const std::string& folder) {
  if (folder.empty() || !gbk::StartsWithText(path, folder + "\\")) return {};
  return gbk::SplitAtBackslashes(path.substr(folder.size() + 1));
}

// A name Windows reads as written: not empty, "." or "..", and not ending in
// a dot or a blank, which Windows drops (". ." would climb).
bool IsPlainName(const std::string& part) {
  return !part.empty() && part.back() != '.' && part.back() != ' ';
}

bool IsShortcutName(const std::string& name) {
  return name.size() > 4 && gbk::SameText(name.substr(name.size() - 4), ".lnk");
}

// The name with the text after its last dot, if any, replaced by "lnk". A
// dot byte is never part of a double-byte character.
std::string LinkFileName(const std::string& name) {
  size_t dot = name.rfind('.');
  return (dot == std::string::npos ? name : name.substr(0, dot)) + ".lnk";
}

// The program group's folder, Programs\<group>\, when it exists; empty
// otherwise, and for a group name that is empty or only dots, which would
// name the Programs folder itself or one of its parents.
std::string GroupFolderToRecord(const std::string& group) {
  if (group.find_first_not_of('.') == std::string::npos) return "";
  std::string programs = ShellFolder(kLocationPrograms);
  if (programs.empty()) return "";
  std::string folder = programs + "\\" + group;
  return platform::DirectoryExists(folder) ? folder + "\\" : "";
}

// Hides and releases the progress window when the step ends, also when it
// ends by a failure, before the failure travels on.
class ProgressWindowScope {
 public:
  explicit ProgressWindowScope(StepControls& controls) : controls_(controls) { controls_.OpenProgressWindow(); }
  ProgressWindowScope(const ProgressWindowScope&) = delete;
  ProgressWindowScope& operator=(const ProgressWindowScope&) = delete;
  ~ProgressWindowScope() { controls_.CloseProgressWindow(); }

 private:
  StepControls& controls_;
};

}  // namespace

Registration::Registration(const InstallRequest& request, const ProductSettings& settings, InstallRecord& record,
                           StepControls& controls, bool unattended, std::vector<install_list::Entry> earlier_list)
    : request_(request),
      settings_(settings),
      record_(record),
      controls_(controls),
      unattended_(unattended),
      earlier_list_(std::move(earlier_list)) {}

void Registration::RegisterSystem() {
  ProgressWindowScope progress(controls_);
  auto show = [this](const char* text) {
    controls_.ShowProgressInfo(text);
    if (!unattended_) platform::SleepMilliseconds(kInfoPauseMs);
  };
  // The list the new one replaces, read before anything of this step.
  const std::vector<install_list::Entry>& earlier = earlier_list_;

  show(kInfoRegistering);
  RegisterUninstall();
  show(kInfoShortcuts);

  const bool creates_shortcuts = settings_.fAppType == kEditionCatering;
  const bool commercial = SameText(request_.Edition(), kEditionCommercial);
  const std::string group = EditionText(request_.Edition(), settings_.fAppName);
  const InstallRecord::ProgramPaths& programs = record_.Programs;
  const std::string& pos_program = commercial ? programs.LumoPosSy : programs.LumoPos;
  const ChosenSystems& ticked = request_.systems;

  // One shortcut per ticked system at a location; the program group's
  // sub-folder is given for location 2 only.
  auto create_systems = [&](int location, const std::string& group_folder, const std::string& own_name_folder) {
    if (ticked.sc) CreateShortcut(programs.LumoSc, kNameSc, group_folder, location);
    if (ticked.pos) CreateShortcut(pos_program, kNamePos, group_folder, location);
    if (ticked.wmsvr && !commercial) CreateShortcut(programs.WmSvr, kNameWmSvr, own_name_folder, location);
    if (ticked.kds && !commercial) CreateShortcut(programs.SaasKds, kNameKds, own_name_folder, location);
  };

  if (creates_shortcuts) {
    create_systems(kLocationPrograms, group, settings_.fAppName);
    CreateShortcut(request_.InstallFolder() + kUninstallProgram, kUninstallPrefix + group, group, kLocationPrograms);
    // The list line after the group's shortcuts records the group folder
    // (Programs\<group>\, ending with a backslash, which marks a folder), so
    // an uninstaller can remove it once it is empty; its path is empty when
    // there is no such folder.
    record_.AddUninstallLine(GroupFolderToRecord(group), 'N');

    create_systems(kLocationDesktop, "", "");
    // The list line after the desktop's shortcuts names nothing (an empty
    // path, "File<n>=N"): the desktop shortcuts are recorded one by one
    // above, and the Desktop itself is never to be removed. An uninstaller
    // skips a line whose path is empty.
    record_.AddUninstallLine("", 'N');
  }
  // Now that the new shortcuts are in place, those of the list they replace
  // that no list will name any more.
  RemoveEarlierShortcuts(earlier);

  show(kInfoFinishing);
}

void Registration::RegisterUninstall() {
  // With no product name the key would be the uninstall key itself, whose
  // values belong to no program; nothing is written then.
  const std::string& name = settings_.fAppName;
  if (name.empty()) return;
  // A failure keeps the installation (its files are in place and work without
  // the entry, for a user without rights to the machine's keys too); it is
  // reported with the step's other failures.
  bool written = false;
  try {
    auto key = RegistryKey::Create(RegistryRoot::LocalMachine, install_list::kUninstallKeyRoot + name);
    // Quoted: the folder usually holds a blank ("Program Files"), and an
    // unquoted command line would first be tried as "D:\Program.exe".
    const std::string folder = request_.InstallFolder();
    const std::string uninstaller = "\"" + folder + kUninstallProgram + "\"";
    if (key && key->WriteString("Displayname", kUninstallPrefix + name) &&
        key->WriteString("UnInstallString", uninstaller)) {
      written = true;
      WriteEntryDetails(*key, folder, uninstaller);
    }
  } catch (const std::exception&) {
  }
  if (!written) failures_.push_back(std::string(kFailedEntry) + install_list::kUninstallKeyRoot + name);
}

void Registration::WriteEntryDetails(RegistryKey& key, const std::string& folder, const std::string& uninstaller) {
  // What the system's list of programs shows besides the name: version,
  // maker, place, icon, size and date, and that the entry offers no change
  // or repair, only removal (also silently, for deployment tools).
  key.WriteString("DisplayVersion", settings_.fAppVersion);
  key.WriteString("Publisher", settings_.fAppCompany);
  std::string location = folder;
  if (gbk::EndsWithBackslash(location) && location.size() > 3) location.pop_back();  // "C:\" keeps its root
  key.WriteString("InstallLocation", location);
  key.WriteString("DisplayIcon", MainProgram(folder));
  key.WriteDword("EstimatedSize", InstalledKilobytes());
  const platform::LocalDateTime today = platform::CurrentLocalTime();
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", today.year, today.month, today.day);
  key.WriteString("InstallDate", date);
  key.WriteDword("NoModify", 1);
  key.WriteDword("NoRepair", 1);
  key.WriteString("QuietUninstallString", uninstaller + " /S");
  // A re-installation of a product that no longer names a web site leaves
  // no stale address behind.
  if (settings_.fAppWebsite.empty())
    key.DeleteValue("URLInfoAbout");
  else
    key.WriteString("URLInfoAbout", settings_.fAppWebsite);
}

std::string Registration::MainProgram(const std::string& folder) const {
  // The first installed system's program in the order of the check boxes;
  // the uninstaller when none was installed.
  const bool commercial = SameText(request_.Edition(), kEditionCommercial);
  const InstallRecord::ProgramPaths& programs = record_.Programs;
  for (const std::string* program :
       {&programs.LumoSc, commercial ? &programs.LumoPosSy : &programs.LumoPos, &programs.WmSvr, &programs.SaasKds})
    if (!program->empty() && platform::FileExists(*program)) return *program;
  return folder + kUninstallProgram;
}

uint32_t Registration::InstalledKilobytes() const {
  // The files the uninstall list names, as they are on disk now (the kept
  // databases included: they are part of the installation).
  uint64_t bytes = 0;
  for (const std::string& line : record_.UninstallList) {
    const auto entry = install_list::ParseLine(line);
    if (entry && !entry->path.empty()) bytes += platform::FileSize(entry->path).value_or(0);
  }
  const uint64_t kilobytes = (bytes + 1023) / 1024;
  return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kilobytes);
}

bool Registration::CreateShortcut(const std::string& target, const std::string& name, const std::string& sub_folder,
                                  int location) {
  std::string shown = target.empty() ? kEmptyTargetName : !name.empty() ? name : gbk::FileNamePart(target);
  std::string file_name = LinkFileName(shown);
  // What the failure report names: the link file, or its name when the
  // folder is not known.
  auto failed = [this](const std::string& what) {
    failures_.push_back(kFailedShortcut + what);
    return false;
  };

  std::string folder = ShellFolder(location);
  if (folder.empty()) return failed(file_name);
  std::string link_file;
  if (!sub_folder.empty()) {
    std::string group_folder = folder + "\\" + sub_folder;
    link_file = group_folder + "\\" + file_name;
    if (!platform::DirectoryExists(group_folder) && !platform::MakeDirectory(group_folder)) return failed(link_file);
  } else {
    link_file = folder + "\\" + file_name;
  }

  // A link object the system cannot make fails this shortcut like any other
  // cause: the installation stays, and the next shortcut tries again. Once
  // made, it serves every shortcut: each sets every text it saves, and a
  // text the object refuses fails the shortcut (saved, the link would keep
  // the last shortcut's text).
  if (!link_) {
    try {
      link_ = std::make_unique<platform::ShellLink>();
    } catch (const platform::ShellLinkError&) {
      return failed(link_file);
    }
  }
  if (!link_->SetPath(target) || !link_->SetWorkingDirectory(gbk::FolderPart(target)) ||
      !link_->SetDescription(shown) || !link_->Save(link_file))
    return failed(link_file);
  record_.AddUninstallLine(link_file, 'N');
  made_links_.insert(gbk::UpperAscii(link_file));
  return true;
}

void Registration::RemoveEarlierShortcuts(const std::vector<install_list::Entry>& earlier) {
  // Earlier installations put their shortcuts in the current user's folders,
  // later ones in the all-users folders; a line is acted on only when it has
  // the shape this step writes: Programs\<group>\<name>.lnk, Desktop\<name>.lnk
  // or the group folder Programs\<group>\.
  const UserShellFolders user = ReadUserShellFolders();
  const std::string programs_folders[] = {user.programs, ShellFolder(kLocationPrograms)};
  const std::string desktops[] = {user.desktop, ShellFolder(kLocationDesktop)};
  const std::string install_folder = request_.InstallFolder();

  std::vector<std::string> groups;  // removed at the end when they are empty
  std::set<std::string> groups_present;
  for (const install_list::Entry& entry : earlier) {
    if (entry.flag != install_list::kMadeByInstallation || entry.path.empty()) continue;
    const bool folder_line = gbk::EndsWithBackslash(entry.path);
    const std::string path = folder_line ? entry.path.substr(0, entry.path.size() - 1) : entry.path;
    std::string group;
    bool shortcut = false;
    for (const std::string& programs : programs_folders) {
      const std::vector<std::string> parts = PartsBelow(path, programs);
      if (parts.empty() || !IsPlainName(parts[0])) continue;
      if (folder_line && parts.size() == 1) group = path;
      if (!folder_line && parts.size() == 2 && IsShortcutName(parts[1])) {
        group = programs + "\\" + parts[0];
        shortcut = true;
      }
    }
    for (const std::string& desktop : desktops) {
      const std::vector<std::string> parts = PartsBelow(path, desktop);
      if (!folder_line && parts.size() == 1 && IsShortcutName(parts[0])) shortcut = true;
    }
    if (!group.empty() && groups_present.insert(gbk::UpperAscii(group)).second) groups.push_back(group);
    if (!shortcut || made_links_.count(gbk::UpperAscii(path)) > 0 || !platform::FileExists(path)) continue;
    // Only a shortcut that still leads into this installation: one another
    // installation has written over since is that one's.
    const std::optional<platform::ShellLinkInfo> link = platform::ReadShellLink(path);
    if (!link || !gbk::StartsWithText(link->target, install_folder)) continue;
    if (!platform::RemoveFile(path)) failures_.push_back(kFailedEarlierShortcut + path);
  }
  for (const std::string& group : groups)
    if (platform::DirectoryExists(group)) platform::RemoveEmptyDirectory(group);
}

std::string RegistrationFailuresText(const std::vector<std::string>& failures) {
  std::string text = "系统已安装,但以下 " + std::to_string(failures.size()) + " 项未能完成:";
  for (size_t i = 0; i < failures.size() && i < kListedFiles; ++i) text += "\n" + failures[i];
  if (failures.size() > kListedFiles) text += "\n……(另有 " + std::to_string(failures.size() - kListedFiles) + " 项)";
  return text;
}

}  // namespace app
