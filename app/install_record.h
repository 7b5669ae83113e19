// What the wizard keeps of an installation as it goes: the manifest's
// product settings, read once at creation, and what the run and the
// registration record (the uninstall list, the programs' paths). The run and
// the registration get these by reference; TfStep holds them as its own
// members under their long-standing names.
#pragma once

#include <string>
#include <vector>

namespace app {

// The BaseInfo values under their key names, and where the manifest copy is.
struct ProductSettings {
  std::string ManifestPath;  // the temporary copy, "cRc.in" in the temporary folder
  std::string fAppName, fAppVersion, fAppCompany, fAppWebsite, fAppExe, fAppType;
  std::string fAppExe1, fAppExe2, fAppExe3, fAppExe4, fAppSimpleName, fAppDirName;
};

struct InstallRecord {
  // Program path of each program-bearing payload type: the payload's folder
  // (with trailing backslash) and its program's file name; set when that
  // payload is taken for extraction, empty until then.
  struct ProgramPaths {
    std::string LumoSc, LumoPos, WmSvr, SaasKds, LumoPosSy;
  } Programs;

  std::vector<std::string> UninstallList;  // lines "File<n>=<path><Y|N>"
  int UninstallCounter = 0;
  // Appends "File<counter>=<path><flag>" to the uninstall list and counts it.
  void AddUninstallLine(const std::string& path, char flag);
  // Empties the list and the programs' paths.
  void Clear();
};

}  // namespace app
