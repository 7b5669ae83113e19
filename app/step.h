// The wizard TfStep (unit UStep): the installer's main window. This is its
// portable part: the settings it owns for its lifetime, its handlers and the
// operations of the flow, the installation run and the registration. It
// talks to its windows only through StepControls (app/step_controls.h); the
// Win32 window (ui/windows/step_window.h) calls the handlers and implements the
// controls, a recording fake does so in the native tests.
//
// The members are defined by subject:
//   step.cpp          creation, destruction, the manifest
//   step_flow.cpp     the wizard's handlers and pages
//   step_run.cpp      the installation run: payloads, extraction, Install.in
//   step_register.cpp the uninstall entry and the shortcuts
//   preflight.cpp     the checks before anything is written
#pragma once

#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/manifest.h"
#include "app/payload_choice.h"
#include "app/step_controls.h"
#include "archive/unzipper.h"
#include "platform/private_folder.h"

namespace platform {
class RegistryKey;
}

namespace app {

class TProgressResourceStream;

// The run stops because the user chose to quit the installer; it is not a
// failure and is never shown.
class ERunCanceled : public std::runtime_error {
 public:
  ERunCanceled() : std::runtime_error("Installation canceled by the user") {}
};

// The payloads the installer carries are not the ones it was packed with (or
// their checks are missing): found while they are copied to the scratch
// folder, before anything is installed.
class EPayloadDamaged : public std::runtime_error {
 public:
  EPayloadDamaged() : std::runtime_error("安装文件已损坏,无法解压。") {}
};

class TfStep {
 public:
  TfStep();
  TfStep(const TfStep&) = delete;
  TfStep& operator=(const TfStep&) = delete;

  // The windows this wizard drives; set before FormCreate, owned by the
  // caller, alive as long as the wizard is.
  void SetControls(StepControls* controls) { Controls = controls; }

  // --- settings, read from the manifest once at creation ---
  std::string ManifestPath;  // the temporary copy, "cRc.in" in the scratch folder
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
  // Appends "File<counter>=<path><flag>" to the uninstall list and counts it.
  void AddUninstallLine(const std::string& path, char flag);
  bool Finished = false;  // set by the finish button; closing then asks nothing

  // The archive component UnZipIt, as created with the window: OverwriteMode
  // Always, KeepZipOpen, and the three handlers below wired.
  archive::TUnZipper UnZipIt;

  // --- handlers of the window (step.cpp, step_flow.cpp) ---
  // Creation handler. A failure ends it where it happened and propagates.
  void FormCreate();
  // Runs FormCreate as the window's creation does: a failure is shown in the
  // application's standard error box, and creation goes on (the window opens
  // in the state FormCreate reached).
  void CreateForm();
  void FormShow();
  // True when the window may close now.
  bool FormCloseQuery();
  // Keys pressed on the window: nothing to do (the controls handle their own).
  void FormKeyDown() {}
  // Destroy handler: releases the uninstall list, deletes "cRc.in" and
  // removes the scratch folder.
  void FormDestroy();
  // The wizard's private scratch folder (CreateScratchFolder), ending with a
  // backslash: made on first use, removed by FormDestroy or with the wizard.
  // It holds "cRc.in" and the payload copies. Raises platform::Error
  // "Cannot create folder <temporary folder>" when none can be made.
  const std::string& ScratchFolder();
  void eInsSysTypeChange();
  void EInstallFolderEditButtons0Click();
  void BtnInstallClick();
  void BtnFinishClick();
  void Panel2MouseDown();

  // --- the flow's operations (step_flow.cpp) ---
  void ShowPage(int page);
  void ApplyEdition(const std::string& key);

  // --- quitting during the run (step_flow.cpp) ---
  // The installation runs inside BtnInstallClick while the window keeps
  // handling messages at the run's pump points. Closing the window then asks
  // the close question; on Yes the run is asked to stop (CancelRequested,
  // UnZipIt.Cancel()), and the window is closed only once BtnInstallClick has
  // unwound, so nothing the run uses is destroyed under it.
  bool Running = false;          // BtnInstallClick is running the installation
  // An unattended installation (no window): the registration shows no
  // progress window, so it makes none of its pauses.
  bool Unattended = false;
  // What follows the confirmation: the run, the registration and the saving
  // of install.dl. Raises the run's failures (and ERunCanceled).
  void InstallChosenSystems();
  // The outcome of the last run's extraction: a failure ended the loop; the
  // entries that did not end as good files.
  bool ExtractionFailed() const { return extraction_failed_; }
  size_t FailedEntryCount() const { return entries_in_use_.size() + entries_damaged_.size(); }
  bool CancelRequested = false;  // the user chose to quit during the run

  // --- the checks before anything is written (preflight.cpp) ---
  // Run after the confirmation, before InstallChosenSystems. Files the run
  // would replace that a running program holds open are listed in a box
  // with Retry (check again) and Cancel; then the free space of the scratch
  // folder's drive and of the installation's drives is compared with what
  // the run will write there, and a shortage is shown. True when the run may
  // start; false after Cancel or a shortage, with nothing created or changed.
  // Before both, a link in the installation folder that leads out of it is
  // shown with its path and refuses the run.
  bool CheckBeforeWriting();
  enum class WriteCheck { Passed, FilesInUse, DiskFull, LinkLeadingOut };
  // The outcome of the last CheckBeforeWriting.
  WriteCheck LastWriteCheck() const { return write_check_; }

  // --- what the checks and the run both use ---
  // The edition and the ticked systems, as the selection page shows them
  // (step_run.cpp).
  ChosenSystems ChosenSystemsNow() const;
  // (step_flow.cpp) Lets pending window messages run, then raises ERunCanceled when the user
  // chose to quit meanwhile. The run's pump points call this.
  void PumpMessages();
  // (step_flow.cpp) Raises ERunCanceled when the user chose to quit during
  // the run.
  void CheckRunCanceled() const;

  // --- the installation run (step_run.cpp) ---
  void ExtractPayloads();
  // Fills the payload list: one line per payload resource, "<archive path>
  // TAB <FileType word> TAB <FileDest word> TAB".
  void CopyPayloadsToTemp(std::vector<std::string>& payloads);
  // Deletes every file directly inside folder (ending with a backslash).
  void ClearTempFolder(const std::string& folder);
  void UnZipItStartUnZip(archive::TUnZipper* Sender, int FileIndex, std::string& FName, bool& Skip);
  void UnZipItFilePercentDone(archive::TUnZipper* Sender, int Percent);
  void UnZipItPromptForOverwrite(archive::TUnZipper*, bool&, int, std::string&) {}
  void PayloadProgress(TProgressResourceStream& Sender, float Fraction);

  // --- registration (step_register.cpp) ---
  void RegisterSystem();
  void RegisterUninstall();
  bool CreateShortcut(const std::string& target, const std::string& name, const std::string& sub_folder,
                      int location);
  // The uninstall entry's values beyond its name and command: version,
  // publisher, location, icon, size, date, no modify/repair, the silent
  // command and the web site.
  void WriteEntryDetails(platform::RegistryKey& key, const std::string& folder, const std::string& uninstaller);
  // The program the entry's icon is taken from, and the size of the files
  // the uninstall list names, in KB rounded up.
  std::string MainProgram(const std::string& folder) const;
  uint32_t InstalledKilobytes() const;

  // --- the manifest (step.cpp) ---
  // Copies the manifest resource to ManifestPath (replacing a leftover copy)
  // and reads the BaseInfo values from it; fAppDirName defaults to fAppName.
  // Raises the failures of the copy (resource missing, file not creatable).
  void ReadManifest();
  // Writes a resource of the running program to a file in one piece.
  void SaveResourceToFile(const std::string& name, const std::string& type, const std::string& file_name);

 protected:
  StepControls* Controls = nullptr;

 private:
  // --- the installation run's own state (step_run.cpp) ---
  std::unique_ptr<platform::PrivateFolder> scratch_;
  std::string payload_folder_;  // folder of the payload being extracted
  std::string entry_target_;    // target of the entry being written; empty between entries
  bool entry_in_use_ = false;   // the component could not create that target
  bool extraction_failed_ = false;  // a failure ended the last extraction loop
  // Files an earlier installation into the same folder put there itself
  // (flag "N" in its install.dl), upper-cased: a re-installation does not
  // take them for files that were there before it.
  std::set<std::string> earlier_installation_files_;
  void ReadEarlierInstallation(const std::string& list_path);
  WriteCheck write_check_ = WriteCheck::Passed;
  // Entries of this run that did not end as good files, by cause.
  std::vector<std::string> entries_in_use_, entries_damaged_;
  void SetUnzipSettings(const std::string& archive_path, const std::string& payload_folder);
  void EndEntry(bool good);
  void ReportFailedEntries();

 private:
  bool close_confirmed_ = false;  // Yes given during the run; the close follows the run
  bool asking_close_ = false;     // the close question is on screen
};

}  // namespace app
