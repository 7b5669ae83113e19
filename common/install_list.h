// The uninstall list install.dl, which the installer writes beside the
// installed manifest Install.in and the uninstaller reads: one line per
// thing the installation put in place, "File<n>=<path><flag>", each line
// ended by CR LF. The flag is "Y" when the file was there before the
// installation (the uninstaller keeps it) and "N" when the installation made
// it. Readers take CR, LF or CR LF as a line end, "File" in any case, and
// require the digits; the flag is the last whole GBK character, so the trail
// byte of a Chinese character is never taken for it.
//
// The names of both files and the registry key under which the uninstall
// entries live are declared here once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace install_list {

inline constexpr char kListName[] = "install.dl";
inline constexpr char kInstalledManifestName[] = "Install.in";
// Under HKEY_LOCAL_MACHINE; an entry's key name follows it.
inline constexpr char kUninstallKeyRoot[] = "SOFTWARE\\microsoft\\windows\\currentversion\\uninstall\\";

inline constexpr char kWasThereBefore = 'Y';
inline constexpr char kMadeByInstallation = 'N';

struct Entry {
  std::string path;  // may be empty: "File<n>=N" is the installer's placeholder
  char flag = kMadeByInstallation;
};

// "File<number>=<path><flag>".
std::string FormatLine(int number, const std::string& path, char flag);

// The lines as the file holds them: each followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// The lines of a file's bytes; an empty last line is not one.
std::vector<std::string> SplitLines(std::string_view bytes);

// The entry of one line, or nothing when the line has another shape.
std::optional<Entry> ParseLine(std::string_view line);

// A list file larger than this is not read (the product's own list is a few
// tens of KB).
inline constexpr uint64_t kMaxListSize = 16 * 1024 * 1024;

// The entries of a list file, lines of another shape left out; none when the
// file is missing, unreadable or larger than kMaxListSize.
std::vector<Entry> ReadEntries(const std::string& path);

}  // namespace install_list
