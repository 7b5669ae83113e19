// What a finished installation must have left, checked from outside the
// installer after it ended: the files of every taken payload (size and
// CRC-32 from the archives, or bytes the scenario names), Install.in,
// install.dl line by line, the scratch folder and "cRc.in" gone, the
// uninstall registry entry and the shortcuts (read back through the shell).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/install/product.h"

namespace install_test {

// What the user chose in the wizard.
struct Choice {
  std::wstring edition;  // "CySaaS" or "SySaaS"
  bool sc = false, pos = false, wmsvr = false, kds = false;
  std::wstring folder;  // as typed in the folder field
};

// "美食" becomes "商业" in the commercial edition.
std::wstring EditionText(const std::wstring& edition, const std::wstring& text);
std::wstring WithBackslash(const std::wstring& folder);

struct TakenPayload {
  const Payload* payload;
  std::wstring folder;   // with a trailing backslash
  std::wstring program;  // the program's path, empty for UnInstall and other types
};
std::vector<TakenPayload> Taken(const Product& product, const Choice& choice);

// Every file path the taken payloads install, in extraction order.
std::vector<std::wstring> InstalledPaths(const Product& product, const Choice& choice);

struct Shortcut {
  std::wstring file;    // the .lnk file
  std::wstring target;  // the program it starts
  std::wstring name;    // its description
};
// The shortcuts the choice makes, in the order they are made, in the
// all-users Programs and Desktop folders.
std::vector<Shortcut> ExpectedShortcuts(const Product& product, const Choice& choice);
// The user's own folders (the Shell Folders values "Programs", "Desktop"),
// where earlier installations put their shortcuts.
std::wstring ShellFolder(const std::wstring& value);
// The folders every user shares (CSIDL_COMMON_PROGRAMS, _DESKTOPDIRECTORY).
std::wstring AllUsersPrograms();
std::wstring AllUsersDesktop();

std::wstring TempFolder();  // the user's temporary folder, with a backslash

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
void RemoveTree(const std::wstring& folder);

struct InstallationCheck {
  // Paths that existed before the run (their list lines carry "Y" when they
  // lie in a payload's own sub-folder).
  std::set<std::wstring> existed_before;
  // Files an earlier installation into the folder put there itself (flag
  // "N" in its install.dl): a re-installation flags them "N" again, except
  // the kept databases.
  std::set<std::wstring> earlier_own;
  // Files whose bytes must be these instead of the archive's (the kept
  // databases).
  std::map<std::wstring, std::string> kept;  // A file stands where the program group's folder goes: the group's
  // shortcuts are not made, and the group's list line names nothing.
  bool group_blocked = false;
};
void CheckInstallation(const Product& product, const Choice& choice, const InstallationCheck& check);

// Nothing of an installation is anywhere: no files in the folder, no
// registry entry, no shortcuts (in the all-users folders nor the user's), no
// payload copies in a scratch folder.
void CheckNothingInstalled(const Product& product, const Choice& choice);
// The uninstall registry entry of the product is there.
bool UninstallEntryExists(const Product& product);
// The program's temporary files are gone (its scratch folder with "cRc.in").
void CheckTemporaryFilesGone();

// Everything below a folder (the folder itself included): every folder, and
// every file's bytes (size and CRC-32), last-write time and attributes; for
// comparing the disk before a run and after its undo.
using TreeState = std::map<std::wstring, std::string>;
TreeState StateOfTree(const std::wstring& folder);
// The first path that differs between two states ("" when none does).
std::string FirstTreeDifference(const TreeState& before, const TreeState& after);

}  // namespace install_test
