// What the uninstaller may remove, decided from the installer's list
// install.dl before anything is touched.
//
// install.dl holds lines "File<n>=<path><flag>" (CR LF), the flag being the
// single letter "Y" (the file was there before the installation: kept) or "N"
// (the installation made it). A path is trusted only when it names a place
// the installation owns:
//   - a file inside the installation folder (the folder of UnInstall.exe);
//   - a shortcut (.lnk) inside the program group, the group folder itself;
//   - a shortcut (.lnk) directly on the Desktop.
// The program group and the Desktop are those every user shares (where the
// installer puts its shortcuts) and the user's own (where earlier
// installations put them).
// Every other line -- "..", a relative or UNC path, another drive, a system
// folder, characters Windows would read differently, a path inside the
// installation folder that passes through a link leading out of it
// (app/link_check.h) -- is refused and reported, never acted on. "File<n>=N" with no path is the installer's
// placeholder and is passed over silently.
//
// All text is GBK; backslashes and letters are found by whole characters and
// paths compare without regard to the case of single-byte letters, as the
// file system does.
#pragma once

#include <string>
#include <vector>

namespace uninstaller {

struct Places {
  std::string install_folder;   // ends with a backslash: the folder of UnInstall.exe
  std::string self_path;        // the running uninstaller
  std::string programs_folder;         // the user's Programs folder (empty: unknown)
  std::string desktop_folder;          // the user's Desktop folder (empty: unknown)
  std::string common_programs_folder;  // the all-users Programs folder (empty: unknown)
  std::string common_desktop_folder;   // the all-users Desktop folder (empty: unknown)
  std::string group_name;              // the program group under either Programs (empty: none)
  std::vector<std::string> system_folders;  // never touched, nor anything inside
};

struct RefusedLine {
  std::string line;
  std::string reason;  // Chinese, shown to the user
};

struct Plan {
  std::vector<std::string> files;      // flag "N" inside the installation folder
  std::vector<std::string> databases;  // the shop databases, whatever their flag
  std::vector<std::string> kept;       // flag "Y": there before the installation
  std::vector<std::string> shortcuts;  // in the program group or on the Desktop
  // Removed when empty, deepest first: the folders of listed files inside the
  // installation folder (it included) and the program groups.
  std::vector<std::string> folders;
  bool lists_self = false;  // the list names the running uninstaller (flag "N")
  std::vector<RefusedLine> refused;
};

// Empty when the installation folder is one the uninstaller may work in;
// otherwise why not (Chinese). A drive root, a system folder, a folder that
// holds one or lies inside one, and a malformed path are refused.
std::string CheckInstallFolder(const Places& places);

// The plan for the list's bytes. Lines may end with CR LF, LF or CR; blank
// lines are passed over. Paths listed twice appear once.
Plan MakePlan(const std::string& list_bytes, const Places& places);

// True when path is an absolute drive path ("X:\...") whose every part is a
// plain name: no "." or "..", no empty part, no part ending in a dot or a
// space, no control character and none of / : * ? " < > |. A trailing
// backslash (a folder) is allowed.
bool IsPlainAbsolutePath(const std::string& path);

// True when path lies inside folder (which ends with a backslash), the
// folder itself excluded; compared without regard to case.
bool IsInside(const std::string& path, const std::string& folder);

// The catering edition's name of a product name: the installer names the
// uninstall key after the catering name, while Install.in holds the edition's
// ("商业" in place of "美食" for the commercial edition).
std::string CateringName(const std::string& edition_name);

// The program path that an uninstall string names: the text inside the first
// pair of quotation marks when it starts with one, else the whole text
// without surrounding blanks.
std::string CommandProgram(const std::string& command);

}  // namespace uninstaller
