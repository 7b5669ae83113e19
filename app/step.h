// The wizard TfStep (unit UStep): the installer's main window. This is its
// portable part: the settings it owns for its lifetime and its handlers. The
// window itself (ui/step_window.h) calls the handlers; nothing here includes
// a window system.
#pragma once

#include <string>
#include <vector>

#include "app/manifest.h"

namespace app {

class TfStep {
 public:
  // --- settings, read from the manifest once at creation ---
  std::string ManifestPath;  // the temporary copy, "cRc.in" in the temporary folder
  // The BaseInfo values under their key names.
  std::string fAppName, fAppVersion, fAppCompany, fAppWebsite, fAppExe, fAppType;
  std::string fAppExe1, fAppExe2, fAppExe3, fAppExe4, fAppSimpleName, fAppDirName;

  std::string EditionKey = kEditionNone;  // "N", "CySaaS" or "SySaaS"
  // Program path of each program-bearing payload type: the payload's folder
  // (with trailing backslash) and its program's file name; set when that
  // payload is taken for extraction, empty until then.
  struct ProgramPaths {
    std::string LumoSc, LumoPos, WmSvr, SaasKds, LumoPosSy;
  } Programs;

  std::vector<std::string> UninstallList;  // lines "File<n>=<path><Y|N>"
  int UninstallCounter = 0;
  bool Finished = false;  // set by the finish button; closing then asks nothing

  // --- handlers ---
  // Creation handler: reads the manifest, then resets the finished flag and
  // the uninstall list. A failure ends it where it happened and propagates.
  void FormCreate();
  // Runs FormCreate as the window's creation does: a failure is shown in the
  // application's standard error box, and creation goes on (the window opens
  // in the state FormCreate reached).
  void CreateForm();
  // Destroy handler: releases the uninstall list and deletes "cRc.in" from
  // the temporary folder.
  void FormDestroy();

  // --- operations ---
  // Copies the manifest resource to ManifestPath (replacing a leftover copy)
  // and reads the BaseInfo values from it; fAppDirName defaults to fAppName.
  // Raises the failures of the copy (resource missing, file not creatable).
  void ReadManifest();
  // Writes a resource of the running program to a file in one piece.
  void SaveResourceToFile(const std::string& name, const std::string& type, const std::string& file_name);
};

}  // namespace app
