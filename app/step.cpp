#include "app/step.h"

#include <exception>
#include <stdexcept>

#include "app/application.h"
#include "app/file_list_text.h"
#include "app/profile_file.h"
#include "app/progress_stream.h"
#include "app/step_register.h"
#include "app/toolkit.h"
#include "app/unfinished_run.h"
#include "common/install_list.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace app {

TfStep::TfStep() {
  UnZipIt.OverwriteMode = archive::Always;
  UnZipIt.KeepZipOpen = true;
  UnZipIt.OnStartUnZip = [this](archive::TUnZipper* sender, int index, std::string& name, bool& skip) {
    UnZipItStartUnZip(sender, index, name, skip);
  };
  UnZipIt.OnFilePercentDone = [this](archive::TUnZipper* sender, int percent) {
    UnZipItFilePercentDone(sender, percent);
  };
  UnZipIt.OnPromptForOverwrite = [this](archive::TUnZipper* sender, bool& overwrite, int index, std::string& name) {
    UnZipItPromptForOverwrite(sender, overwrite, index, name);
  };
}

void TfStep::FormCreate() {
  // A run that was killed is undone before anything else is touched.
  FinishUnfinishedRun();
  // The selection page starts with only the edition list: the folder row,
  // the check boxes and the start button appear once an edition is chosen.
  if (Controls) {
    Controls->SetVisible(Control::BtnInstall, false);
    Controls->SelectEditionKey(kEditionNone);
    for (Control control : {Control::CkIns_WmSvr, Control::CkIns_Kds, Control::CkIns_Sc, Control::CkIns_Pos,
                            Control::LInstallFolder, Control::EInstallFolder})
      Controls->SetVisible(control, false);
    Controls->SetText(Control::EInstallFolder, "");
  }
  ReadManifest();
  Finished = false;
  InstallRecord::Clear();
  if (Controls) {
    ShowPage(0);
    // The progress bar's look (no edge, its colours) is the window's part.
    Controls->SetPosition(Control::ZipBar, 0);
    Controls->SetPosition(Control::ProgressBar1, 0);
  }
}

void TfStep::CreateForm() {
  try {
    FormCreate();
  } catch (const std::exception& e) {
    if (MessageBoxes)
      MessageBoxes(e.what(), ApplicationTitle(), platform::kMbOk | platform::kMbIconError);
    else
      ShowException(e.what());
  }
}

void TfStep::FormDestroy() {
  UninstallList.clear();
  run_.reset();
  if (!ManifestPath.empty() && platform::FileExists(ManifestPath)) platform::RemoveFile(ManifestPath);
  UnZipIt.ReleaseArchive();
  scratch_.reset();
}

const std::string& TfStep::ScratchFolder() {
  if (!scratch_) scratch_ = CreateScratchFolder();
  if (!scratch_) throw platform::Error("Cannot create folder " + ScratchParentFolder());
  return scratch_->Path();
}

void TfStep::ReadManifest() {
  ManifestPath = ScratchFolder() + kManifestCopyName;
  if (platform::FileExists(ManifestPath)) platform::RemoveFile(ManifestPath);
  SaveResourceToFile(kManifestResourceName, kManifestResourceType, ManifestPath);

  ProfileFile manifest(ManifestPath);
  auto read = [&](const char* key, const std::string& default_value) {
    return manifest.ReadString(kSectionBaseInfo, key, default_value);
  };
  fAppSimpleName = read("fAppSimpleName", "");
  fAppName = read("fAppName", "");
  fAppVersion = read("fAppVersion", "");
  fAppCompany = read("fAppCompany", "");
  fAppWebsite = read("fAppWebsite", "");
  fAppType = read("fAppType", "");
  fAppDirName = read("fAppDirName", fAppName);
  fAppExe = read("fAppExe", "");
  fAppExe1 = read("fAppExe1", "");
  fAppExe2 = read("fAppExe2", "");
  fAppExe3 = read("fAppExe3", "");
  fAppExe4 = read("fAppExe4", "");
}

void TfStep::FinishUnfinishedRun() {
  UnfinishedRun unfinished = FindUnfinishedRun();
  switch (unfinished.found) {
    case UnfinishedRun::Found::None: return;
    case UnfinishedRun::Found::UnknownVersion:
    case UnfinishedRun::Found::Unreadable:
      // Never replayed: a newer installer may know it; it is only reported.
      ShowWarning("发现上次未完成安装的记录，但无法识别，未予处理。", MessageBoxes);
      return;
    case UnfinishedRun::Found::Journal: break;
  }
  // The wizard asks; the unattended installation finishes the undo.
  if (!Unattended && ShowMessageBox("上次安装未能完成。\n\n是否现在撤销它对计算机所做的更改？", "提示 ",
                                    platform::kMbYesNo | platform::kMbIconQuestion,
                                    MessageBoxes) != platform::kIdYes)
    return;
  const InstallJournal::UndoReport report = unfinished.journal->Undo();
  JournalRecord::Remove();
  std::string text = "已撤销上次未完成的安装所做的更改。";
  if (!report.kept_changed.empty()) text += "\n\n" + FileListText("此后已被修改，予以保留", report.kept_changed);
  if (!report.failed.empty()) text += "\n\n" + FileListText("未能恢复", report.failed);
  ShowMessageBox(text, "提示 ", platform::kMbOk | platform::kMbIconInformation, MessageBoxes);
}

InstallRequest TfStep::CaptureRequest() const {
  ChosenSystems systems;
  systems.edition = EditionKey;
  systems.sc = Controls->IsChecked(Control::CkIns_Sc);
  systems.pos = Controls->IsChecked(Control::CkIns_Pos);
  systems.wmsvr = Controls->IsChecked(Control::CkIns_WmSvr);
  systems.kds = Controls->IsChecked(Control::CkIns_Kds);
  return MakeInstallRequest(Controls->Text(Control::EInstallFolder), systems);
}

bool TfStep::CheckBeforeWriting(const InstallRequest& request) {
  write_check_ = app::CheckBeforeWriting(request, ManifestPath, ScratchFolder(), UnZipIt.OEMConvert, MessageBoxes);
  return write_check_ == WriteCheck::Passed;
}

InstallationRun::Services TfStep::RunServices() {
  return {*Controls, UnZipIt, [this] { PumpMessages(); }, [this] { return CancelRequested; }, MessageBoxes,
          ScratchFolder()};
}

void TfStep::ExtractPayloads(const InstallRequest& request) {
  run_ = std::make_unique<InstallationRun>(request, *this, *this, RunServices());
  run_->ExtractPayloads();
}

void TfStep::CommitRun() {
  if (!run_) throw std::logic_error("no run to commit");
  run_->Commit(install_list::JoinLines(UninstallList));
}

void TfStep::UnZipItStartUnZip(archive::TUnZipper*, int, std::string& FName, bool& Skip) {
  if (run_) run_->StartEntry(FName, Skip);
}

void TfStep::UnZipItFilePercentDone(archive::TUnZipper*, int Percent) {
  if (run_) run_->FilePercentDone(Percent);
}

void TfStep::PayloadProgress(TProgressResourceStream&, float Fraction) { ShowPayloadProgress(*Controls, Fraction); }

void TfStep::RegisterSystem(const InstallRequest& request) {
  // The list the new installation replaces, as it was before the run wrote
  // its own (without a run here: as it is now).
  std::vector<install_list::Entry> earlier =
      run_ ? run_->EarlierList() : install_list::ReadEntries(request.InstallFolder() + install_list::kListName);
  Registration registration(request, *this, *this, *Controls, Unattended, std::move(earlier));
  registration_failures_.clear();
  registration.RegisterSystem();
  registration_failures_ = registration.Failures();
}

void TfStep::RegisterUninstall(const InstallRequest& request) {
  Registration registration(request, *this, *this, *Controls, Unattended);
  registration.RegisterUninstall();
  registration_failures_ = registration.Failures();
}

void TfStep::ReportRegistrationFailures() {
  if (!registration_failures_.empty())
    ShowWarning(RegistrationFailuresText(registration_failures_), MessageBoxes);
}

void TfStep::SaveResourceToFile(const std::string& name, const std::string& type, const std::string& file_name) {
  app::SaveResourceToFile(name, type, file_name);
}

}  // namespace app
