#include "app/step.h"

#include <exception>

#include "app/application.h"
#include "app/profile_file.h"
#include "app/progress_stream.h"
#include "app/toolkit.h"
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
  UninstallList.clear();
  UninstallCounter = 0;
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
    ShowException(e.what());
  }
}

void TfStep::FormDestroy() {
  UninstallList.clear();
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

void TfStep::SaveResourceToFile(const std::string& name, const std::string& type, const std::string& file_name) {
  app::SaveResourceToFile(name, type, file_name);
}

}  // namespace app
