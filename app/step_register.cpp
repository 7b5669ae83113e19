#include "app/step_register.h"

#include <cstdio>
#include <optional>

#include "app/manifest.h"
#include "app/toolkit.h"
#include "common/install_list.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/shell_links.h"

namespace app {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

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

// The check boxes' captions, which name the shortcuts.
constexpr char kNameSc[] = "云后台管理系统";
constexpr char kNamePos[] = "云前台收银系统";
constexpr char kNameWmSvr[] = "云服务管理系统";
constexpr char kNameKds[] = "云触屏划菜系统";

// The folder of a shell folder location, from the Shell Folders key; empty
// for an unknown location or a missing or empty value.
std::string ShellFolder(const RegistryKey& folders, int location) {
  static constexpr const char* kValues[] = {"Desktop", "Start Menu", "Programs", "Startup", "AppData"};
  if (location < 0 || location > 4) return "";
  std::string folder = folders.ReadString(kValues[location]).value_or("");
  // An empty AppData must not become a path from the drive's root.
  if (folder.empty()) return "";
  if (location == 4) folder += "\\Microsoft\\Internet Explorer\\Quick Launch";
  return folder;
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
  auto folders = RegistryKey::Open(RegistryRoot::CurrentUser, kShellFoldersKey);
  if (!folders) return "";
  std::string programs = ShellFolder(*folders, kLocationPrograms);
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
                           StepControls& controls, bool unattended)
    : request_(request), settings_(settings), record_(record), controls_(controls), unattended_(unattended) {}

void Registration::RegisterSystem() {
  ProgressWindowScope progress(controls_);
  auto show = [this](const char* text) {
    controls_.ShowProgressInfo(text);
    if (!unattended_) platform::SleepMilliseconds(kInfoPauseMs);
  };

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

  show(kInfoFinishing);
}

void Registration::RegisterUninstall() {
  // Every failure here is silent: the installation works without the entry,
  // so a user without rights to the machine's keys still gets it.
  try {
    // With no product name the key would be the uninstall key itself, whose
    // values belong to no program; nothing is written then.
    const std::string& name = settings_.fAppName;
    if (name.empty()) return;
    auto key = RegistryKey::Create(RegistryRoot::LocalMachine, install_list::kUninstallKeyRoot + name);
    if (!key) return;
    if (!key->WriteString("Displayname", kUninstallPrefix + name)) return;
    // Quoted: the folder usually holds a blank ("Program Files"), and an
    // unquoted command line would first be tried as "D:\Program.exe".
    const std::string folder = request_.InstallFolder();
    const std::string uninstaller = "\"" + folder + kUninstallProgram + "\"";
    key->WriteString("UnInstallString", uninstaller);
    WriteEntryDetails(*key, folder, uninstaller);
  } catch (...) {
  }
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
  // A link object that cannot be made is a failure of the whole step.
  platform::ShellLink link;
  link.SetPath(target);
  link.SetWorkingDirectory(gbk::FolderPart(target));

  auto folders = RegistryKey::Open(RegistryRoot::CurrentUser, kShellFoldersKey);
  if (!folders) return false;

  std::string shown = target.empty() ? kEmptyTargetName : !name.empty() ? name : gbk::FileNamePart(target);
  link.SetDescription(shown);
  std::string file_name = LinkFileName(shown);

  std::string folder = ShellFolder(*folders, location);
  if (folder.empty()) return false;
  std::string link_file;
  if (!sub_folder.empty()) {
    std::string group_folder = folder + "\\" + sub_folder;
    if (!platform::DirectoryExists(group_folder) && !platform::MakeDirectory(group_folder)) return false;
    link_file = group_folder + "\\" + file_name;
  } else {
    link_file = folder + "\\" + file_name;
  }

  if (!link.Save(link_file)) return false;
  record_.AddUninstallLine(link_file, 'N');
  return true;
}

}  // namespace app
