// The wizard TfStep (unit UStep): the installer's main window. This is its
// portable part: the settings it owns for its lifetime, its handlers and the
// flow between its pages. It talks to its windows only through StepControls
// (app/step_controls.h); the Win32 window (ui/windows/step_window.h) calls
// the handlers and implements the controls, a recording fake does so in the
// native tests.
//
// What the user confirmed is taken once as an InstallRequest; the checks
// before writing (preflight.h), the run (step_run.h) and the registration
// (step_register.h) work from it and keep their own state. TfStep keeps the
// operations' names and hands them on.
//
// The members are defined by subject:
//   step.cpp          creation, destruction, the manifest, the operations handed on
//   step_flow.cpp     the wizard's handlers and pages
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/install_record.h"
#include "app/install_request.h"
#include "app/manifest.h"
#include "app/preflight.h"
#include "app/step_controls.h"
#include "app/step_run.h"
#include "archive/unzipper.h"
#include "platform/private_folder.h"

namespace app {

class TProgressResourceStream;

// The settings (ManifestPath, the fApp... values) and the records
// (Programs, UninstallList, UninstallCounter) are the wizard's members by
// their long-standing names; the run and the registration get them by
// reference.
class TfStep : public ProductSettings, public InstallRecord {
 public:
  TfStep();
  TfStep(const TfStep&) = delete;
  TfStep& operator=(const TfStep&) = delete;

  // The windows this wizard drives; set before FormCreate, owned by the
  // caller, alive as long as the wizard is.
  void SetControls(StepControls* controls) { Controls = controls; }

  // The edition shown on the selection page: "N", "CySaaS" or "SySaaS".
  std::string EditionKey = kEditionNone;
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
  // Who answers the wizard's message boxes in place of a person (the
  // unattended installation's log); empty: they are shown. UnZipIt has its
  // own (its MessageBoxes).
  platform::MessageBoxResponder MessageBoxes;
  bool CancelRequested = false;  // the user chose to quit during the run

  // The request the selection page shows now: EditionKey, the folder field
  // and the ticked boxes. BtnInstallClick takes it at the confirmation.
  InstallRequest CaptureRequest() const;

  // What follows the confirmation: the run, install.dl (the commit point),
  // the registration, and install.dl again with the registration's lines.
  // Before the commit a failure or a quit undoes the run and is raised
  // (ERunFailed, EPayloadDamaged, ERunCanceled); after it the installation
  // stands.
  void InstallChosenSystems(const InstallRequest& request);

  // --- the checks before anything is written (preflight.h) ---
  // Run after the confirmation, before InstallChosenSystems. True when the
  // run may start; false after Cancel, a shortage or a link in the
  // installation folder that leads out of it, with nothing created or
  // changed.
  bool CheckBeforeWriting(const InstallRequest& request);
  // The outcome of the last CheckBeforeWriting.
  WriteCheck LastWriteCheck() const { return write_check_; }

  // (step_flow.cpp) Lets pending window messages run, then raises ERunCanceled when the user
  // chose to quit meanwhile. The run's pump points call this.
  void PumpMessages();
  // (step_flow.cpp) Raises ERunCanceled when the user chose to quit during
  // the run.
  void CheckRunCanceled() const;

  // --- the installation run (step_run.h) ---
  void ExtractPayloads(const InstallRequest& request);
  // Writes install.dl, the commit point of the last ExtractPayloads (see
  // InstallationRun::Commit).
  void CommitRun();
  void ClearTempFolder(const std::string& folder) { app::ClearTempFolder(folder); }
  void UnZipItStartUnZip(archive::TUnZipper* Sender, int FileIndex, std::string& FName, bool& Skip);
  void UnZipItFilePercentDone(archive::TUnZipper* Sender, int Percent);
  void UnZipItPromptForOverwrite(archive::TUnZipper*, bool&, int, std::string&) {}
  void PayloadProgress(TProgressResourceStream& Sender, float Fraction);

  // --- registration (step_register.h) ---
  void RegisterSystem(const InstallRequest& request);
  void RegisterUninstall(const InstallRequest& request);
  // What the last registration could not do (the entry, a shortcut), one
  // line each; the installation stands without them.
  const std::vector<std::string>& RegistrationFailures() const { return registration_failures_; }
  // Shows them in one warning box (written to the log when unattended);
  // nothing when there were none.
  void ReportRegistrationFailures();

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
  // A run of an earlier start that was killed before it was complete: the
  // wizard asks whether to finish undoing it now, the unattended
  // installation does so; the outcome is shown (or logged). A journal this
  // installer cannot read is reported and left alone.
  void FinishUnfinishedRun();
  // After a run that was undone: the selection page, enabled, as it was.
  void ReturnToSelection();
  InstallationRun::Services RunServices();
  std::unique_ptr<InstallationRun> run_;  // the last run, alive for its outcome
  std::vector<std::string> registration_failures_;
  std::unique_ptr<platform::PrivateFolder> scratch_;  // made by ScratchFolder
  WriteCheck write_check_ = WriteCheck::Passed;
  bool close_confirmed_ = false;  // Yes given during the run; the close follows the run
  bool asking_close_ = false;     // the close question is on screen
};

}  // namespace app
