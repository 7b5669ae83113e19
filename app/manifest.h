// The installer manifest: the INI text carried as resource CEND of type INI,
// which names the payload archives, where each goes and what it is, and the
// product names and program file names of the later steps. At start-up it is
// copied to "cRc.in" in the installer's private scratch folder and read from
// there.
//
//   [InstallFiles] FileCount, fTotalFiles      integers, default 0
//   [FileDest]     C0, C1, ...                 ApplicationDir | WindowsDir | SystemDir
//   [FileType]     C0, C1, ...                 LumoSc | LumoPos | WmSvr | SaasKds | LumoPosSy | UnInstall
//   [BaseInfo]     fAppName, fAppVersion, ...  texts (see TfStep)
#pragma once

#include <string>

namespace app {

inline constexpr char kManifestResourceName[] = "CEND";
inline constexpr char kManifestResourceType[] = "INI";
inline constexpr char kManifestCopyName[] = "cRc.in";

inline constexpr char kSectionInstallFiles[] = "InstallFiles";
inline constexpr char kSectionFileDest[] = "FileDest";
inline constexpr char kSectionFileType[] = "FileType";
inline constexpr char kSectionBaseInfo[] = "BaseInfo";
inline constexpr char kKeyFileCount[] = "FileCount";
inline constexpr char kKeyTotalFiles[] = "fTotalFiles";

// Edition keys.
inline constexpr char kEditionNone[] = "N";
inline constexpr char kEditionCatering[] = "CySaaS";
inline constexpr char kEditionCommercial[] = "SySaaS";

// Destination roots (FileDest words), compared exactly.
inline constexpr char kDestApplicationDir[] = "ApplicationDir";
inline constexpr char kDestWindowsDir[] = "WindowsDir";
inline constexpr char kDestSystemDir[] = "SystemDir";

// The commercial edition's names from the catering names: for the key
// "SySaaS" (any case) every "美食" becomes "商业"; other keys change nothing.
std::string EditionText(const std::string& edition_key, const std::string& text);

// The folder, ending with a backslash, that a FileDest word stands for:
// ApplicationDir is install_folder (the folder field's text, a backslash
// appended unless its last character is one), WindowsDir and SystemDir the
// system's folders. A word that is none of these, or a system folder the
// platform cannot give (or an empty install_folder), raises platform::Error
// "Cannot resolve destination root <word>": installing into an undefined
// place (the current folder, a drive root) is never the sound choice.
std::string ResolveDestRoot(const std::string& word, const std::string& install_folder);

}  // namespace app
