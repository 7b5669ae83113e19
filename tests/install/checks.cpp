#include "tests/install/checks.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/testing/windows_inspection.h"
#include "tests/install/user.h"

namespace install_test {
namespace {

using dz::testing::LinkRead;
using dz::testing::ReadLink;
using dz::testing::RegistryKeyExists;
using dz::testing::RegistryString;

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\microsoft\\windows\\currentversion\\uninstall\\";

struct ProgramType {
  const wchar_t* type;
  const wchar_t* program_key;
};
constexpr ProgramType kProgramTypes[] = {
    {L"LumoSc", L"fAppExe"},   {L"LumoPos", L"fAppExe1"},   {L"WmSvr", L"fAppExe2"},
    {L"SaasKds", L"fAppExe3"}, {L"LumoPosSy", L"fAppExe4"},
};

bool Same(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

bool TypeTaken(const std::wstring& type, const Choice& c) {
  const bool catering = Same(c.edition, L"CySaaS"), commercial = Same(c.edition, L"SySaaS");
  if (Same(type, L"LumoSc")) return c.sc;
  if (Same(type, L"LumoPos")) return c.pos && catering;
  if (Same(type, L"WmSvr")) return c.wmsvr && catering;
  if (Same(type, L"SaasKds")) return c.kds && catering;
  if (Same(type, L"LumoPosSy")) return c.pos && commercial;
  return true;  // UnInstall and any other type
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }

std::vector<std::wstring> SplitLines(const std::wstring& text, bool& ends_with_line_end) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  ends_with_line_end = text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0);
  while (start < text.size()) {
    size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace

std::wstring EditionText(const std::wstring& edition, const std::wstring& text) {
  if (!Same(edition, L"SySaaS")) return text;
  std::wstring result = text;
  for (size_t at = result.find(L"美食"); at != std::wstring::npos; at = result.find(L"美食", at + 2))
    result.replace(at, 2, L"商业");
  return result;
}

std::wstring WithBackslash(const std::wstring& folder) {
  return folder.empty() || folder.back() == L'\\' ? folder : folder + L"\\";
}

std::vector<TakenPayload> Taken(const Product& product, const Choice& choice) {
  std::vector<TakenPayload> taken;
  const std::wstring root = WithBackslash(choice.folder);
  for (const Payload& p : product.payloads) {
    if (!TypeTaken(p.type, choice)) continue;
    Expect(p.dest == L"ApplicationDir", "payload " + Utf8(p.resource) + " goes to the installation folder");
    TakenPayload t{&p, Same(p.type, L"UnInstall") ? root : root + p.type + L"\\", L""};
    for (const ProgramType& program : kProgramTypes)
      if (Same(p.type, program.type)) t.program = t.folder + product.Base(program.program_key);
    taken.push_back(t);
  }
  return taken;
}

std::vector<std::wstring> InstalledPaths(const Product& product, const Choice& choice) {
  std::vector<std::wstring> paths;
  for (const TakenPayload& t : Taken(product, choice))
    for (const ArchiveEntry& e : t.payload->entries) paths.push_back(t.folder + e.name);
  return paths;
}

std::wstring ShellFolder(const std::wstring& value) {
  return RegistryString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        value)
      .value_or(L"");
}

namespace {
std::wstring SystemFolder(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) ? buffer : L"";
}
}  // namespace

std::wstring AllUsersPrograms() { return SystemFolder(CSIDL_COMMON_PROGRAMS); }
std::wstring AllUsersDesktop() { return SystemFolder(CSIDL_COMMON_DESKTOPDIRECTORY); }

std::vector<Shortcut> ExpectedShortcuts(const Product& product, const Choice& choice) {
  std::vector<Shortcut> shortcuts;
  if (product.Base(L"fAppType") != L"CySaaS") return shortcuts;
  const bool commercial = Same(choice.edition, L"SySaaS");
  const std::wstring group = EditionText(choice.edition, product.Base(L"fAppName"));
  std::map<std::wstring, std::wstring> program;
  for (const TakenPayload& t : Taken(product, choice)) program[t.payload->type] = t.program;
  struct Row {
    bool made;
    const wchar_t* name;
    std::wstring target;
    std::wstring sub_folder;
  };
  auto rows = [&](const std::wstring& group_folder, const std::wstring& own_folder) {
    return std::vector<Row>{
        {choice.sc, L"云后台管理系统", program[L"LumoSc"], group_folder},
        {choice.pos, L"云前台收银系统", program[commercial ? L"LumoPosSy" : L"LumoPos"], group_folder},
        {choice.wmsvr && !commercial, L"云服务管理系统", program[L"WmSvr"], own_folder},
        {choice.kds && !commercial, L"云触屏划菜系统", program[L"SaasKds"], own_folder},
    };
  };
  const std::wstring programs = AllUsersPrograms(), desktop = AllUsersDesktop();
  Expect(!programs.empty() && !desktop.empty(), "the system has all-users Programs and Desktop folders");
  for (const Row& r : rows(group, product.Base(L"fAppName")))
    if (r.made) shortcuts.push_back({programs + L"\\" + r.sub_folder + L"\\" + r.name + L".lnk", r.target, r.name});
  const std::wstring uninstall_name = L"卸载" + group;
  shortcuts.push_back({programs + L"\\" + group + L"\\" + uninstall_name + L".lnk",
                       WithBackslash(choice.folder) + L"UnInstall.exe", uninstall_name});
  for (const Row& r : rows(L"", L""))
    if (r.made) shortcuts.push_back({desktop + L"\\" + r.name + L".lnk", r.target, r.name});
  return shortcuts;
}

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, buffer);
  return WithBackslash(buffer);
}

bool FileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Expect(out.good(), "write " + Utf8(path));
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((WithBackslash(folder) + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = WithBackslash(folder) + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

TreeState StateOfTree(const std::wstring& folder) {
  TreeState state;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data)) return state;
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    const std::string bytes = ReadFileBytes(folder);
    char text[96];
    std::snprintf(text, sizeof text, "file %zu crc %08X time %08lX%08lX attributes %lX", bytes.size(),
                  static_cast<unsigned>(Crc32(bytes)), data.ftLastWriteTime.dwHighDateTime,
                  data.ftLastWriteTime.dwLowDateTime, data.dwFileAttributes);
    state[folder] = text;
    return state;
  }
  state[folder + L"\\"] = "folder";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return state;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    for (auto& [path, what] : StateOfTree(folder + L"\\" + name)) state[path] = what;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return state;
}

std::string FirstTreeDifference(const TreeState& before, const TreeState& after) {
  for (const auto& [path, what] : before) {
    auto now = after.find(path);
    if (now == after.end()) return "missing: " + Utf8(path);
    if (now->second != what) return "changed: " + Utf8(path) + " (" + what + " -> " + now->second + ")";
  }
  for (const auto& [path, what] : after)
    if (!before.count(path)) return "added: " + Utf8(path);
  return "";
}

// The installer's private scratch folders ("DzInstall-...") in the
// temporary folder, with a backslash.
static std::vector<std::wstring> ScratchFolders() {
  std::vector<std::wstring> folders;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((TempFolder() + L"DzInstall-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return folders;
  do {
    folders.push_back(TempFolder() + found.cFileName + L"\\");
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return folders;
}

void CheckTemporaryFilesGone() {
  Expect(ScratchFolders().empty(), "the scratch folder with \"cRc.in\" is gone from the temporary folder");
  Expect(!FileExists(TempFolder() + L"cRc.in"), "nothing at the name \"cRc.in\" in the temporary folder");
  Expect(!FolderExists(TempFolder() + L"_wtsInstall"), "nothing at the name _wtsInstall");
}

void CheckInstallation(const Product& product, const Choice& choice, const InstallationCheck& check) {
  const std::wstring root = WithBackslash(choice.folder);
  const std::vector<TakenPayload> taken = Taken(product, choice);

  // The files.
  size_t files = 0, entries = 0;
  for (const TakenPayload& t : taken) {
    for (const ArchiveEntry& e : t.payload->entries) {
      ++entries;
      const std::wstring path = t.folder + e.name;
      if (!FileExists(path)) {
        Expect(false, "installed: " + Utf8(path));
      }
      const std::string bytes = ReadFileBytes(path);
      auto kept = check.kept.find(path);
      if (kept != check.kept.end()) {
        Expect(bytes == kept->second, "kept unchanged: " + Utf8(path));
      } else if (bytes.size() != e.size || Crc32(bytes) != e.crc) {
        Expect(false, "the archive's bytes (size and CRC-32): " + Utf8(path));
      }
      ++files;
    }
  }
  Expect(files == entries, std::to_string(files) + " files installed, every entry of the taken payloads");
  for (const Payload& p : product.payloads)
    if (!TypeTaken(p.type, choice))
      Expect(!FolderExists(root + p.type) || check.existed_before.count(root + p.type) > 0,
             "payload " + Utf8(p.type) + " (not chosen) is not installed");
  for (const TakenPayload& t : taken)
    if (!t.program.empty()) Expect(FileExists(t.program), "the program " + Utf8(t.program) + " is there");

  // Install.in: the manifest with the edition's names.
  auto expected_ini = ParseIni(FromGbk(product.manifest));
  for (const wchar_t* key : {L"fAppSimpleName", L"fAppName", L"fAppDirName"})
    expected_ini[L"BaseInfo"][key] = EditionText(choice.edition, expected_ini[L"BaseInfo"][key]);
  Expect(ParseIni(FromGbk(ReadFileBytes(root + L"Install.in"))) == expected_ini,
         "Install.in holds the manifest with the edition's names");

  // install.dl, line by line.
  std::vector<std::wstring> expected;
  auto add = [&](const std::wstring& path, bool existed) {
    expected.push_back(L"File" + std::to_wstring(expected.size()) + L"=" + path + (existed ? L"Y" : L"N"));
  };
  for (const TakenPayload& t : taken)
    for (const ArchiveEntry& e : t.payload->entries) {
      const std::wstring path = t.folder + e.name;
      const std::wstring name = path.substr(path.rfind(L'\\') + 1);
      const bool database = name == L"LumoPosBaseData.db" || name == L"WmCacheData.db";
      const bool earlier_own = check.earlier_own.count(path) > 0 && !database;
      add(path, t.folder != root && check.existed_before.count(path) > 0 && !earlier_own);
    }
  add(root + L"install.in", false);
  add(root + L"install.dl", false);
  std::vector<Shortcut> shortcuts = ExpectedShortcuts(product, choice);
  const std::wstring group = EditionText(choice.edition, product.Base(L"fAppName"));
  const std::wstring programs = AllUsersPrograms();
  if (check.group_blocked)
    std::erase_if(shortcuts, [&](const Shortcut& s) { return s.file.rfind(programs + L"\\", 0) == 0; });
  if (product.Base(L"fAppType") == L"CySaaS") {
    for (const Shortcut& s : shortcuts)
      if (s.file.rfind(programs, 0) == 0) add(s.file, false);
    // The group folder; nothing when there is none.
    add(check.group_blocked ? L"" : programs + L"\\" + group + L"\\", false);
    for (const Shortcut& s : shortcuts)
      if (s.file.rfind(programs, 0) != 0) add(s.file, false);
    add(L"", false);  // after the desktop's shortcuts: names nothing
  }
  bool ends_with_line_end = false;
  const std::string list_bytes = ReadFileBytes(root + L"install.dl");
  const std::vector<std::wstring> lines = SplitLines(FromGbk(list_bytes), ends_with_line_end);
  Expect(ToGbk(FromGbk(list_bytes)) == list_bytes, "install.dl is GBK text");
  Expect(ends_with_line_end, "every line of install.dl ends with CR LF");
  for (size_t i = 0; i < lines.size() && i < expected.size(); ++i)
    if (lines[i] != expected[i]) Expect(false, "install.dl line " + std::to_string(i) + " is " + Utf8(expected[i]) +
                                                   ", not " + Utf8(lines[i]));
  Expect(lines.size() == expected.size(), "install.dl has " + std::to_string(expected.size()) + " lines (" +
                                              std::to_string(entries) + " entries), in order, with their flags");

  CheckTemporaryFilesGone();

  // The uninstall entry, under the manifest's product name in every edition.
  const std::wstring key = kUninstallKey + product.Base(L"fAppName");
  Expect(RegistryString(HKEY_LOCAL_MACHINE, key, L"Displayname") == L"卸载" + product.Base(L"fAppName"),
         "registry Displayname under " + Utf8(product.Base(L"fAppName")));
  Expect(RegistryString(HKEY_LOCAL_MACHINE, key, L"UnInstallString") == L"\"" + root + L"UnInstall.exe\"",
         "registry UnInstallString names " + Utf8(root) + "UnInstall.exe");
  Expect(FileExists(root + L"UnInstall.exe"), "UnInstall.exe is in the installation folder");

  // The shortcuts, read back through the shell.
  for (const Shortcut& s : shortcuts) {
    LinkRead link = ReadLink(s.file);
    Expect(link.loaded, "shortcut " + Utf8(s.file));
    Expect(Same(link.item_target, s.target) && FileExists(link.item_target),
           "  points to " + Utf8(s.target) + " (the shell item is " + Utf8(link.item_target) + ")");
    // The link's text copy of the path is written in the ANSI code page
    // (Wine writes no Unicode copy), so at code page 936 it must be the
    // target; at another code page Wine loses the Chinese characters there.
    if (GetACP() == 936 || Same(link.target, s.target)) {
      Expect(Same(link.target, s.target), "  names " + Utf8(s.target) + " (reads " + Utf8(link.target) + ")");
    } else {
      std::printf("note   at code page %u the link's ANSI copy of the path reads %s\n", GetACP(),
                  Utf8(link.target).c_str());
    }
    Expect(Same(link.working_folder, FolderOf(s.target)), "  works in " + Utf8(FolderOf(s.target)));
    Expect(link.description == s.name, "  is described as " + Utf8(s.name));
  }
}

bool UninstallEntryExists(const Product& product) {
  return RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + product.Base(L"fAppName"));
}

void CheckNothingInstalled(const Product& product, const Choice& choice) {
  const std::wstring root = WithBackslash(choice.folder);
  bool empty = true;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((root + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") empty = false;
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  Expect(empty, "nothing is written into " + Utf8(root));
  Expect(!RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + product.Base(L"fAppName")),
         "no uninstall registry entry");
  const std::wstring group = EditionText(choice.edition, product.Base(L"fAppName"));
  for (const auto& [programs, desktop] : {std::pair{AllUsersPrograms(), AllUsersDesktop()},
                                          std::pair{ShellFolder(L"Programs"), ShellFolder(L"Desktop")}}) {
    Expect(!FolderExists(programs + L"\\" + group), "no program group in " + Utf8(programs));
    for (const wchar_t* name : {L"云后台管理系统", L"云前台收银系统", L"云服务管理系统", L"云触屏划菜系统"})
      Expect(!FileExists(desktop + L"\\" + name + L".lnk"), "no desktop shortcut " + Utf8(name) + " in " + Utf8(desktop));
  }
  // The wizard may still be open, with its scratch folder and "cRc.in".
  bool copies = false;
  for (const std::wstring& scratch : ScratchFolders()) copies = copies || FolderExists(scratch + L"_wtsInstall");
  Expect(!copies, "no payload copies in a scratch folder");
}

}  // namespace install_test
