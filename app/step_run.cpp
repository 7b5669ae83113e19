#include <cmath>
#include <cstdio>
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
#include "archive/errors.h"
#include "archive/extract_data_path.h"
#include "app/profile_file.h"
#include "app/progress_stream.h"
#include "app/step_run.h"
#include "app/toolkit.h"
#include "common/payload_checks.h"
#include "common/install_list.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/resources.h"

namespace app {

namespace {

constexpr char kTextCreatingFolder[] = "创建文件夹";
constexpr char kTextWritingPayloads[] = "正在抽取安装文件...";
constexpr char kTextExtracting[] = "正在复制安装文件...";
constexpr char kTextUndoing[] = "正在撤销安装...";
constexpr char kTextDamaged[] = "安装文件已损坏,无法解压。";

// A name for this run, unique on this machine: the time, and the clock's
// microseconds, which two runs of one second do not share.
std::string RunName() {
  const platform::LocalDateTime t = platform::CurrentLocalTime();
  char name[48];
  std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d-%06llX", t.year, t.month, t.day, t.hour, t.minute,
                t.second, static_cast<unsigned long long>(platform::MonotonicMicroseconds() & 0xFFFFFF));
  return name;
}

// The box of a file or folder that could not be written: the path, the
// system's reason, and that nothing of the run is left.
std::string WriteFailureText(const std::string& path, const std::string& reason) {
  std::string text = "无法写入: " + path;
  if (!reason.empty()) text += "\n" + reason;
  return text + "\n\n安装未完成，已撤销所做的全部更改。";
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

InstallationRun::InstallationRun(const InstallRequest& request, const ProductSettings& settings,
                                 InstallRecord& record, Services services)
    : request_(request),
      settings_(settings),
      record_(record),
      services_(std::move(services)),
      journal_(RunName()) {}

void InstallationRun::ExtractPayloads() {
  record_.Clear();
  failure_.reset();
  entry_target_.clear();
  // Every line of the journal is kept under the machine's key before the
  // change it notes is made, so that a killed run is undone by the next start.
  journal_record_.emplace();
  journal_.OnLine = [this](const std::string& line) { journal_record_->Append(line); };
  try {
    Extract();
  } catch (...) {
    UndoAndRaise(std::current_exception());
  }
}

void InstallationRun::Extract() {
  StepControls& controls = services_.controls;
  ScratchRemoval scratch([this, folder = services_.scratch_folder + kScratchFolderName] {
    services_.unzipper.ReleaseArchive();
    if (!platform::DirectoryExists(folder)) platform::ForceDirectories(folder);
    ClearTempFolder(folder);
    platform::RemoveEmptyDirectory(folder);
  });

  ReadEarlierInstallation(request_.InstallFolder() + install_list::kListName);

  std::vector<std::string> payloads;
  CopyPayloadsToTemp(payloads);

  for (const std::string& line : payloads) {
    const std::string archive_path = FieldAt(line, '\t', 0);
    const std::string type = FieldAt(line, '\t', 1);
    const std::string dest = FieldAt(line, '\t', 2);

    const std::string folder = PayloadFolder(type, dest, request_.folder);
    controls.SetText(Control::EInstallProcess, kTextExtracting);

    const PayloadDecision decision = DecidePayload(type, request_.systems);
    if (!decision.taken) continue;

    MakeFolders(folder);
    // The program path and program key of a program-bearing payload.
    struct ProgramSlot {
      std::string* path;
      const std::string* program;
    };
    InstallRecord::ProgramPaths& programs = record_.Programs;
    ProgramSlot slot{nullptr, nullptr};
    switch (decision.program) {
      case ProgramPayload::LumoSc: slot = {&programs.LumoSc, &settings_.fAppExe}; break;
      case ProgramPayload::LumoPos: slot = {&programs.LumoPos, &settings_.fAppExe1}; break;
      case ProgramPayload::WmSvr: slot = {&programs.WmSvr, &settings_.fAppExe2}; break;
      case ProgramPayload::SaasKds: slot = {&programs.SaasKds, &settings_.fAppExe3}; break;
      case ProgramPayload::LumoPosSy: slot = {&programs.LumoPosSy, &settings_.fAppExe4}; break;
      case ProgramPayload::None: break;
    }
    if (slot.path) *slot.path = TrimWithBackslash(folder) + *slot.program;

    SetUnzipSettings(archive_path, folder);
    services_.unzipper.UnZip();
    if (failure_) throw ERunFailed(failure_->cause, failure_->text);
    // An entry that started and neither ended well nor was reported
    // skipped did not become a good file.
    if (!entry_target_.empty()) FailEntry(RunFailure::Damaged, entry_target_);
  }

  scratch.Remove();

  const std::string install_folder = request_.InstallFolder();
  const std::string installed_manifest = install_folder + install_list::kInstalledManifestName;
  BeforeWriting(installed_manifest);
  SaveResourceToFile(kManifestResourceName, kManifestResourceType, installed_manifest);
  ProfileFile profile(installed_manifest);
  const std::string& edition = request_.Edition();
  profile.WriteString(kSectionBaseInfo, "fAppSimpleName", EditionText(edition, settings_.fAppSimpleName));
  profile.WriteString(kSectionBaseInfo, "fAppName", EditionText(edition, settings_.fAppName));
  profile.WriteString(kSectionBaseInfo, "fAppDirName", EditionText(edition, settings_.fAppDirName));
  profile.WriteString(kSectionBaseInfo, "fAppCompany", settings_.fAppCompany);
  profile.WriteString(kSectionBaseInfo, "fAppWebsite", settings_.fAppWebsite);
  journal_.Written(installed_manifest);

  for (const char* name : {"install.in", "install.dl"}) record_.AddUninstallLine(install_folder + name, 'N');
}

void InstallationRun::Commit(const std::string& list_bytes) {
  try {
    if (services_.canceled()) throw ERunCanceled();
    const std::string list_path = request_.InstallFolder() + install_list::kListName;
    BeforeWriting(list_path);
    {
      platform::File file(list_path, platform::File::Mode::Create);
      if (file.Write(list_bytes.data(), list_bytes.size()) != list_bytes.size()) {
        const std::string reason = platform::LastFailureText();
        throw ERunFailed(RunFailure::Write, WriteFailureText(list_path, reason));
      }
    }
    journal_.Written(list_path);
  } catch (...) {
    UndoAndRaise(std::current_exception());
  }
  // The installation is complete from here: what was moved aside goes.
  journal_.Commit();
  JournalRecord::Remove();
}

void InstallationRun::MakeFolders(const std::string& folder) {
  if (!journal_.MakeFolders(folder))
    throw ERunFailed(RunFailure::Write, WriteFailureText(folder, platform::LastFailureText()));
}

void InstallationRun::BeforeWriting(const std::string& path) {
  MakeFolders(gbk::FolderPart(path));
  if (!journal_.BeforeWriting(path))
    throw ERunFailed(RunFailure::Write, WriteFailureText(path, platform::LastFailureText()));
}

void InstallationRun::FailEntry(RunFailure cause, const std::string& path) {
  // The first failure is the true cause; what follows from stopping is not.
  if (failure_) return;
  const std::string reason = platform::LastFailureText();
  failure_ = Failure{cause, cause == RunFailure::Damaged ? std::string(kTextDamaged) : WriteFailureText(path, reason)};
  entry_target_.clear();
  services_.unzipper.Cancel();
}

void InstallationRun::UndoAndRaise(std::exception_ptr raised) {
  // What stopped the run, in the words the user is to see.
  std::optional<ERunFailed> failed;
  bool canceled = false, damaged_payloads = false;
  try {
    std::rethrow_exception(raised);
  } catch (const ERunCanceled&) {
    canceled = true;
  } catch (const EPayloadDamaged&) {
    damaged_payloads = true;
  } catch (const ERunFailed& e) {
    failed = e;
  } catch (const archive::ECantWriteUCF&) {
    // The file being written took no more: the device is full, or gone.
    if (!failure_) FailEntry(RunFailure::Write, entry_target_);
  } catch (const platform::FileCreateError& e) {
    // A file of the run's own (a payload copy, Install.in) could not be made.
    if (!failure_ && !services_.canceled()) {
      const std::string reason = platform::LastFailureText();
      failure_ = Failure{RunFailure::Write, std::string(e.what()) + (reason.empty() ? "" : "\n" + reason)};
    }
  } catch (const std::exception& e) {
    if (!failure_ && !services_.canceled()) failure_ = Failure{RunFailure::Other, e.what()};
  }
  if (!failed && failure_) failed = ERunFailed(failure_->cause, failure_->text);
  if (!failed && !damaged_payloads && services_.canceled()) canceled = true;

  if (!journal_.Empty()) {
    services_.controls.SetText(Control::EInstallProcess, kTextUndoing);
    const InstallJournal::UndoReport report = journal_.Undo();
    std::string left;
    if (!report.failed.empty()) left += "\n\n" + FileListText("未能恢复", report.failed);
    if (!report.kept_changed.empty()) left += "\n\n" + FileListText("已被修改，予以保留", report.kept_changed);
    if (!left.empty() && failed) failed = ERunFailed(failed->Cause(), std::string(failed->what()) + left);
  }
  JournalRecord::Remove();
  entry_target_.clear();
  if (failed) throw *failed;
  if (canceled) throw ERunCanceled();
  std::rethrow_exception(raised);
}

void InstallationRun::CopyPayloadsToTemp(std::vector<std::string>& payloads) {
  const std::string scratch = services_.scratch_folder + kScratchFolderName;
  if (!platform::DirectoryExists(scratch)) platform::ForceDirectories(scratch);
  ClearTempFolder(scratch);

  // The payloads' checks as packed; each payload's own are taken while it is
  // copied, and all are compared before the installation folder is made.
  std::optional<std::vector<payload_checks::Check>> carried;
  if (const auto bytes = platform::FindModuleResource(payload_checks::kResourceName, payload_checks::kResourceType))
    carried = payload_checks::Parse(std::string_view(reinterpret_cast<const char*>(bytes->data), bytes->size));
  if (!carried) throw EPayloadDamaged();
  std::vector<payload_checks::Check> measured;

  StepControls& controls = services_.controls;
  ProfileFile manifest(settings_.ManifestPath);
  const int file_count = manifest.ReadInteger(kSectionInstallFiles, kKeyFileCount, 0);
  const int total_files = manifest.ReadInteger(kSectionInstallFiles, kKeyTotalFiles, 0);
  controls.SetRange(Control::ProgressBar1, 0, file_count);
  try {
    for (int n = 0; n < file_count; ++n) {
      controls.SetRange(Control::ZipBar, 0, 100);
      controls.SetPosition(Control::ZipBar, 0);
      const std::string name = PayloadName(n);
      TProgressResourceStream stream(name, name);
      controls.SetText(Control::EInstallProcess, kTextWritingPayloads);
      // A payload is tens of megabytes: the window keeps answering while it
      // is copied, on the extraction's pump interval.
      uint64_t last_pump = platform::MonotonicMicroseconds();
      stream.OnProgress = [this, &controls, &last_pump](TProgressResourceStream&, float fraction) {
        ShowPayloadProgress(controls, fraction);
        if (platform::MonotonicMicroseconds() - last_pump >= archive::MessagePump::kIntervalMicroseconds) {
          services_.pump();
          last_pump = platform::MonotonicMicroseconds();
        }
      };
      payload_checks::Running check;
      stream.OnWritten = [&check](const uint8_t* data, int64_t count) {
        check.Update(data, static_cast<size_t>(count));
      };
      services_.pump();
      const std::string archive_path = scratch + name + kPayloadFileExtension;
      stream.SaveToFile(archive_path);
      measured.push_back(check.Result());
      const std::string type = manifest.ReadString(kSectionFileType, name, "");
      const std::string dest = manifest.ReadString(kSectionFileDest, name, "");
      payloads.push_back(archive_path + "\t" + type + "\t" + dest + "\t");
      controls.SetPosition(Control::ProgressBar1, n + 1);
    }
  } catch (...) {
    controls.SetRange(Control::ProgressBar1, 0, total_files);
    throw;
  }
  controls.SetRange(Control::ProgressBar1, 0, total_files);
  if (payload_checks::FirstMismatch(*carried, measured)) throw EPayloadDamaged();

  if (!platform::DirectoryExists(request_.folder)) {
    controls.SetText(Control::EInstallProcess, kTextCreatingFolder);
    services_.pump();
    // Noted in the journal as the run's own; the topmost folder made outside
    // Program Files gets Program Files' permissions.
    if (!CreateInstallationFolder(request_.folder, [this](const std::string& folder) {
          return journal_.MakeFolders(folder);
        }))
      throw ERunFailed(RunFailure::Write, WriteFailureText(request_.folder, platform::LastFailureText()));
  }
}

void ClearTempFolder(const std::string& folder) {
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder)) {
    if (entry.attributes & platform::kAttrDirectory) continue;  // sub-folders stay
    platform::RemoveFile(folder + entry.name);                  // a file that will not go stays too
  }
}

void InstallationRun::StartEntry(std::string& FName, bool& Skip) {
  StepControls& controls = services_.controls;
  // An entry that started before this one and neither ended well nor was
  // reported skipped did not become a good file either.
  if (!entry_target_.empty()) FailEntry(RunFailure::Damaged, entry_target_);
  if (failure_) {
    Skip = true;
    return;
  }

  const bool exists = platform::FileExists(FName);
  Skip = exists && IsKeptDatabase(gbk::FileNamePart(FName));

  controls.SetText(Control::LExtractFilesInfo, ShortenPathText(FName, 70));
  controls.Repaint(Control::LExtractFilesInfo);

  const bool in_sub_folder = payload_folder_ != request_.InstallFolder();
  // "Y" marks a file that was there before the installation, which an
  // uninstaller keeps. A file that an earlier installation into this folder
  // put there is the product's own, not the user's: were it flagged "Y", a
  // re-installed product could never be removed. The kept databases stay
  // "Y" once they exist: they hold the shop's data.
  const bool earlier_own = !IsKeptDatabase(gbk::FileNamePart(FName)) &&
                           earlier_installation_files_.count(gbk::UpperAscii(FName)) != 0;
  record_.AddUninstallLine(FName, exists && in_sub_folder && !earlier_own ? 'Y' : 'N');

  if (!Skip) {
    // The entry's folders, and the file it replaces moved aside, before the
    // component writes; a failure here stops the run with its cause.
    if (!journal_.MakeFolders(gbk::FolderPart(FName)) || !journal_.BeforeWriting(FName)) {
      FailEntry(RunFailure::Write, FName);
      Skip = true;
      return;
    }
    entry_target_ = FName;
  }

  controls.SetPosition(Control::ZipBar, 0);
  controls.SetPosition(Control::ProgressBar1, record_.UninstallCounter);
  services_.pump();
}

void InstallationRun::ReadEarlierInstallation(const std::string& list_path) {
  earlier_installation_files_.clear();
  // Without an earlier list to go by, every existing file counts as there
  // before.
  earlier_list_ = install_list::ReadEntries(list_path);
  for (const install_list::Entry& entry : earlier_list_)
    if (entry.flag == install_list::kMadeByInstallation && !entry.path.empty())
      earlier_installation_files_.insert(gbk::UpperAscii(entry.path));
}

void InstallationRun::FilePercentDone(int Percent) { services_.controls.SetPosition(Control::ZipBar, Percent); }

void ShowPayloadProgress(StepControls& controls, float fraction) {
  // Nearest whole number, an exact half to the even neighbour (the default
  // rounding mode).
  const double position = std::nearbyint(static_cast<double>(controls.Maximum(Control::ZipBar)) * fraction);
  controls.SetPosition(Control::ZipBar, static_cast<int>(position));
}

void InstallationRun::SetUnzipSettings(const std::string& archive_path, const std::string& payload_folder) {
  payload_folder_ = payload_folder;
  archive::TUnZipper& UnZipIt = services_.unzipper;  // the component as the wizard names it
  UnZipIt.RecreateDirs = true;
  UnZipIt.OverwriteMode = archive::Always;
  UnZipIt.ReplaceReadOnly = true;
  UnZipIt.SetZipName(archive_path);
  UnZipIt.Password = kArchivePassword;
  UnZipIt.SetDestDir(payload_folder);
  UnZipIt.DoAll = true;
  // Every entry that starts ends either here (a good file) or in a skip
  // report: the component could not create it (the system's reason), or its
  // data or password check failed (damaged). Either stops the run.
  UnZipIt.OnEndUnZip = [this](archive::TUnZipper*, int, const std::string& name) {
    if (entry_target_.empty()) return;
    journal_.Written(name);
    entry_target_.clear();
  };
  UnZipIt.OnSkippingFile = [this](archive::TUnZipper*, archive::TSkipReason reason, const std::string&, int, bool&) {
    if (entry_target_.empty()) return;
    FailEntry(reason == archive::SkipCannotCreate ? RunFailure::Write : RunFailure::Damaged, entry_target_);
  };
}


}  // namespace app
