// The version information resource (RT_VERSION, the VS_VERSIONINFO tree) of
// the installer, as Explorer's Properties dialog and GetFileVersionInfo read
// it: one string table "080404B0" (Chinese, PRC, Unicode) and the matching
// translation. Written without the Windows API, so both packers give the same
// bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace packer {

struct VersionInfo {
  std::array<uint16_t, 4> version{};  // file and product version, "3.3.0.0"
  // The strings, UTF-8: CompanyName, FileDescription, FileVersion,
  // InternalName, LegalCopyright, OriginalFilename, ProductName,
  // ProductVersion, in that order.
  std::vector<std::pair<std::string, std::string>> strings;
};

// The version as the manifest's fAppVersion gives it ("V3.3"): its first four
// runs of digits, missing ones 0, each at most 65535.
std::array<uint16_t, 4> VersionNumbers(const std::string& text);

// The installer's version information made from the manifest's values (GBK):
// product name fAppName, company fAppCompany, version fAppVersion, the
// description "<fAppName> 安装程序".
VersionInfo InstallerVersionInfo(const std::string& app_name, const std::string& company, const std::string& version);

std::vector<uint8_t> WriteVersionInfo(const VersionInfo& info);

}  // namespace packer
