// The installation run: every payload resource is written to the scratch
// folder, the payloads the edition and the ticked systems take are extracted
// into their folders under the installation folder, Install.in is written
// with the edition's names, and the uninstall list records every file.
#include <cmath>
#include <exception>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>

#include "app/file_list_text.h"
#include "app/installation_folder.h"
#include "app/manifest.h"
#include "app/payload.h"
#include "app/payload_choice.h"
#include "app/profile_file.h"
#include "app/progress_stream.h"
#include "app/step.h"
#include "app/toolkit.h"
#include "common/payload_checks.h"
#include "common/install_list.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/resources.h"

namespace app {

namespace {

constexpr char kTextCreatingFolder[] = "创建文件夹";
constexpr char kTextWritingPayloads[] = "正在抽取安装文件...";
constexpr char kTextExtracting[] = "正在复制安装文件...";
// Shown when the extraction loop ends on a failure, and for files that could
// not be replaced because a program holds them open.
constexpr char kTextProgramRunning[] = "所要安装的程序正在运行中,请退出后再安装！";
// An earlier installation's list larger than this is not read (the product's
// own list is a few tens of KB).
constexpr uint64_t kMaxEarlierListSize = 16 * 1024 * 1024;

// One paragraph of the failure box: the heading with the count, then the
// first few paths.
std::string FailureParagraph(const std::string& heading, const std::vector<std::string>& paths) {
  return heading + "\n" + FileListText("未能安装", paths);
}

// The scratch folder goes once the component has let go of the last archive:
// at the end of the extraction, or however the run leaves before it, so that
// no payload copy stays behind.
class ScratchRemoval {
 public:
  explicit ScratchRemoval(std::function<void()> remove) : remove_(std::move(remove)) {}
  ~ScratchRemoval() {
    try {
      Remove();
    } catch (...) {
      // Leaving on another failure already; that one is the one to report.
    }
  }
  ScratchRemoval(const ScratchRemoval&) = delete;
  ScratchRemoval& operator=(const ScratchRemoval&) = delete;

  void Remove() {
    if (removed_) return;
    removed_ = true;
    remove_();
  }

 private:
  const std::function<void()> remove_;
  bool removed_ = false;
};

}  // namespace

void TfStep::ExtractPayloads() {
  UninstallCounter = 0;
  UninstallList.clear();
  entries_in_use_.clear();
  extraction_failed_ = false;
  entries_damaged_.clear();
  entry_target_.clear();

  ScratchRemoval scratch([this, folder = ScratchFolder() + kScratchFolderName] {
    UnZipIt.ReleaseArchive();
    if (!platform::DirectoryExists(folder)) platform::ForceDirectories(folder);
    ClearTempFolder(folder);
    platform::RemoveEmptyDirectory(folder);
  });

  ReadEarlierInstallation(WithBackslash(Controls->Text(Control::EInstallFolder)) + install_list::kListName);

  std::vector<std::string> payloads;
  CopyPayloadsToTemp(payloads);

  const std::string folder_text = Controls->Text(Control::EInstallFolder);
  bool loop_failed = false;
  try {
    for (const std::string& line : payloads) {
      const std::string archive_path = FieldAt(line, '\t', 0);
      const std::string type = FieldAt(line, '\t', 1);
      const std::string dest = FieldAt(line, '\t', 2);

      const std::string folder = PayloadFolder(type, dest, folder_text);
      Controls->SetText(Control::EInstallProcess, kTextExtracting);

      const PayloadDecision decision = DecidePayload(type, ChosenSystemsNow());
      if (!decision.taken) continue;

      if (!platform::DirectoryExists(folder)) platform::ForceDirectories(folder);
      // The program path and program key of a program-bearing payload.
      struct ProgramSlot {
        std::string* path;
        const std::string* program;
      };
      ProgramSlot slot{nullptr, nullptr};
      switch (decision.program) {
        case ProgramPayload::LumoSc: slot = {&Programs.LumoSc, &fAppExe}; break;
        case ProgramPayload::LumoPos: slot = {&Programs.LumoPos, &fAppExe1}; break;
        case ProgramPayload::WmSvr: slot = {&Programs.WmSvr, &fAppExe2}; break;
        case ProgramPayload::SaasKds: slot = {&Programs.SaasKds, &fAppExe3}; break;
        case ProgramPayload::LumoPosSy: slot = {&Programs.LumoPosSy, &fAppExe4}; break;
        case ProgramPayload::None: break;
      }
      if (slot.path) *slot.path = TrimWithBackslash(folder) + *slot.program;

      SetUnzipSettings(archive_path, folder);
      UnZipIt.UnZip();
      if (!entry_target_.empty()) EndEntry(false);  // the last entry started never ended well
    }
  } catch (...) {
    loop_failed = true;
    // The entry being written when the failure came is not a good file.
    if (!entry_target_.empty()) EndEntry(false);
  }
  if (CancelRequested) {
    // The user chose to quit (the component's cancel or ERunCanceled from a
    // pump point): no failure to report, nothing more to install.
    throw ERunCanceled();
  }
  extraction_failed_ = loop_failed;
  if (loop_failed) ShowError(kTextProgramRunning);
  ReportFailedEntries();

  scratch.Remove();

  const std::string install_folder = WithBackslash(folder_text);
  const std::string installed_manifest = install_folder + install_list::kInstalledManifestName;
  SaveResourceToFile(kManifestResourceName, kManifestResourceType, installed_manifest);
  ProfileFile profile(installed_manifest);
  profile.WriteString(kSectionBaseInfo, "fAppSimpleName", EditionText(EditionKey, fAppSimpleName));
  profile.WriteString(kSectionBaseInfo, "fAppName", EditionText(EditionKey, fAppName));
  profile.WriteString(kSectionBaseInfo, "fAppDirName", EditionText(EditionKey, fAppDirName));
  profile.WriteString(kSectionBaseInfo, "fAppCompany", fAppCompany);
  profile.WriteString(kSectionBaseInfo, "fAppWebsite", fAppWebsite);

  for (const char* name : {"install.in", "install.dl"}) AddUninstallLine(install_folder + name, 'N');
}

ChosenSystems TfStep::ChosenSystemsNow() const {
  ChosenSystems chosen;
  chosen.edition = EditionKey;
  chosen.sc = Controls->IsChecked(Control::CkIns_Sc);
  chosen.pos = Controls->IsChecked(Control::CkIns_Pos);
  chosen.wmsvr = Controls->IsChecked(Control::CkIns_WmSvr);
  chosen.kds = Controls->IsChecked(Control::CkIns_Kds);
  return chosen;
}

void TfStep::CopyPayloadsToTemp(std::vector<std::string>& payloads) {
  const std::string scratch = ScratchFolder() + kScratchFolderName;
  if (!platform::DirectoryExists(scratch)) platform::ForceDirectories(scratch);
  ClearTempFolder(scratch);

  // The payloads' checks as packed; each payload's own are taken while it is
  // copied, and all are compared before the installation folder is made.
  std::optional<std::vector<payload_checks::Check>> carried;
  if (const auto bytes = platform::FindModuleResource(payload_checks::kResourceName, payload_checks::kResourceType))
    carried = payload_checks::Parse(std::string_view(reinterpret_cast<const char*>(bytes->data), bytes->size));
  if (!carried) throw EPayloadDamaged();
  std::vector<payload_checks::Check> measured;

  ProfileFile manifest(ManifestPath);
  const int file_count = manifest.ReadInteger(kSectionInstallFiles, kKeyFileCount, 0);
  const int total_files = manifest.ReadInteger(kSectionInstallFiles, kKeyTotalFiles, 0);
  Controls->SetRange(Control::ProgressBar1, 0, file_count);
  try {
    for (int n = 0; n < file_count; ++n) {
      Controls->SetRange(Control::ZipBar, 0, 100);
      Controls->SetPosition(Control::ZipBar, 0);
      const std::string name = PayloadName(n);
      TProgressResourceStream stream(name, name);
      Controls->SetText(Control::EInstallProcess, kTextWritingPayloads);
      stream.OnProgress = [this](TProgressResourceStream& sender, float fraction) {
        PayloadProgress(sender, fraction);
      };
      payload_checks::Running check;
      stream.OnWritten = [&check](const uint8_t* data, int64_t count) {
        check.Update(data, static_cast<size_t>(count));
      };
      PumpMessages();
      const std::string archive_path = scratch + name + kPayloadFileExtension;
      stream.SaveToFile(archive_path);
      measured.push_back(check.Result());
      const std::string type = manifest.ReadString(kSectionFileType, name, "");
      const std::string dest = manifest.ReadString(kSectionFileDest, name, "");
      payloads.push_back(archive_path + "\t" + type + "\t" + dest + "\t");
      Controls->SetPosition(Control::ProgressBar1, n + 1);
    }
  } catch (...) {
    Controls->SetRange(Control::ProgressBar1, 0, total_files);
    throw;
  }
  Controls->SetRange(Control::ProgressBar1, 0, total_files);
  if (payload_checks::FirstMismatch(*carried, measured)) throw EPayloadDamaged();

  const std::string folder_text = Controls->Text(Control::EInstallFolder);
  if (!platform::DirectoryExists(folder_text)) {
    Controls->SetText(Control::EInstallProcess, kTextCreatingFolder);
    PumpMessages();
    CreateInstallationFolder(folder_text);
  }
}

void TfStep::ClearTempFolder(const std::string& folder) {
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder)) {
    if (entry.attributes & platform::kAttrDirectory) continue;  // sub-folders stay
    platform::RemoveFile(folder + entry.name);                  // a file that will not go stays too
  }
}

void TfStep::UnZipItStartUnZip(archive::TUnZipper*, int, std::string& FName, bool& Skip) {
  // An entry that started before this one and neither ended well nor was
  // reported skipped did not become a good file either.
  if (!entry_target_.empty()) EndEntry(false);

  const bool exists = platform::FileExists(FName);
  Skip = exists && IsKeptDatabase(gbk::FileNamePart(FName));

  Controls->SetText(Control::LExtractFilesInfo, ShortenPathText(FName, 70));
  Controls->Repaint(Control::LExtractFilesInfo);

  const bool in_sub_folder = payload_folder_ != WithBackslash(Controls->Text(Control::EInstallFolder));
  // "Y" marks a file that was there before the installation, which an
  // uninstaller keeps. A file that an earlier installation into this folder
  // put there is the product's own, not the user's: were it flagged "Y", a
  // re-installed product could never be removed. The kept databases stay
  // "Y" once they exist: they hold the shop's data.
  const bool earlier_own = !IsKeptDatabase(gbk::FileNamePart(FName)) &&
                           earlier_installation_files_.count(gbk::UpperAscii(FName)) != 0;
  AddUninstallLine(FName, exists && in_sub_folder && !earlier_own ? 'Y' : 'N');

  if (!Skip) {
    entry_target_ = FName;
    entry_in_use_ = false;
  }

  Controls->SetPosition(Control::ZipBar, 0);
  Controls->SetPosition(Control::ProgressBar1, UninstallCounter);
  PumpMessages();
}

void TfStep::ReadEarlierInstallation(const std::string& list_path) {
  earlier_installation_files_.clear();
  // Without an earlier list to go by, every existing file counts as there
  // before.
  const std::optional<std::string> list = platform::ReadSmallFile(list_path, kMaxEarlierListSize);
  if (!list) return;
  for (const std::string& line : install_list::SplitLines(*list)) {
    const auto entry = install_list::ParseLine(line);
    if (entry && entry->flag == install_list::kMadeByInstallation && !entry->path.empty())
      earlier_installation_files_.insert(gbk::UpperAscii(entry->path));
  }
}

void TfStep::AddUninstallLine(const std::string& path, char flag) {
  UninstallList.push_back(install_list::FormatLine(UninstallCounter, path, flag));
  ++UninstallCounter;
}

void TfStep::UnZipItFilePercentDone(archive::TUnZipper*, int Percent) {
  Controls->SetPosition(Control::ZipBar, Percent);
}

void TfStep::PayloadProgress(TProgressResourceStream&, float Fraction) {
  // Nearest whole number, an exact half to the even neighbour (the default
  // rounding mode).
  const double position = std::nearbyint(static_cast<double>(Controls->Maximum(Control::ZipBar)) * Fraction);
  Controls->SetPosition(Control::ZipBar, static_cast<int>(position));
}

void TfStep::SetUnzipSettings(const std::string& archive_path, const std::string& payload_folder) {
  payload_folder_ = payload_folder;
  UnZipIt.RecreateDirs = true;
  UnZipIt.OverwriteMode = archive::Always;
  UnZipIt.ReplaceReadOnly = true;
  UnZipIt.SetZipName(archive_path);
  UnZipIt.Password = kArchivePassword;
  UnZipIt.SetDestDir(payload_folder);
  UnZipIt.DoAll = true;
  // Every entry that starts ends either here (a good file) or in a skip
  // report: the component could not create it (in use), or its data or
  // password check failed (damaged).
  UnZipIt.OnEndUnZip = [this](archive::TUnZipper*, int, const std::string&) {
    if (!entry_target_.empty()) EndEntry(true);
  };
  UnZipIt.OnSkippingFile = [this](archive::TUnZipper*, archive::TSkipReason reason, const std::string&, int, bool&) {
    if (entry_target_.empty()) return;
    entry_in_use_ = reason == archive::SkipCannotCreate;
    EndEntry(false);
  };
}

void TfStep::EndEntry(bool good) {
  if (!good) (entry_in_use_ ? entries_in_use_ : entries_damaged_).push_back(entry_target_);
  entry_target_.clear();
  entry_in_use_ = false;
}

void TfStep::ReportFailedEntries() {
  std::string text;
  if (!entries_in_use_.empty()) text = FailureParagraph(kTextProgramRunning, entries_in_use_);
  if (!entries_damaged_.empty()) {
    if (!text.empty()) text += "\n\n";
    text += FailureParagraph("安装文件已损坏,无法解压。", entries_damaged_);
  }
  if (!text.empty()) ShowError(text);
}

}  // namespace app
