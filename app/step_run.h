// The installation run: every payload resource is written to the scratch
// folder and checked, the payloads the request takes are extracted into
// their folders under the installation folder, Install.in is written with
// the edition's names, and the uninstall list records every file.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/install_journal.h"
#include "app/install_record.h"
#include "app/install_request.h"
#include "app/step_controls.h"
#include "app/unfinished_run.h"
#include "archive/unzipper.h"
#include "common/install_list.h"

namespace app {

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

// Why a run could not finish.
enum class RunFailure {
  Write,    // a file or folder could not be written (the system's reason)
  Damaged,  // a payload entry failed its checks (data, password, method)
  Other,
};

// The run could not finish, and everything it had changed was put back.
// what() is the one box's text, naming the true cause.
class ERunFailed : public std::runtime_error {
 public:
  ERunFailed(RunFailure cause, const std::string& text) : std::runtime_error(text), cause_(cause) {}
  RunFailure Cause() const { return cause_; }

 private:
  RunFailure cause_;
};

class InstallationRun {
 public:
  // What the run uses of the wizard besides its request and records.
  struct Services {
    StepControls& controls;          // the progress page's texts and bars, the boxes
    archive::TUnZipper& unzipper;    // UnZipIt, its handlers wired to this run
    std::function<void()> pump;      // lets window messages run; raises ERunCanceled on a quit
    std::function<bool()> canceled;  // the user chose to quit
    platform::MessageBoxResponder boxes;  // answers the run's boxes; empty: they are shown
    std::string scratch_folder;           // the wizard's private scratch folder, with a backslash
  };

  InstallationRun(const InstallRequest& request, const ProductSettings& settings, InstallRecord& record,
                  Services services);
  InstallationRun(const InstallationRun&) = delete;
  InstallationRun& operator=(const InstallationRun&) = delete;

  // The whole extraction: the payload copies and their check, the chosen
  // payloads, Install.in. Whatever stops it (a quit, a file that cannot be
  // written, a damaged entry) undoes everything it wrote and raises
  // ERunCanceled, ERunFailed with the cause's text, or EPayloadDamaged when
  // the payloads are not the ones packed (found before anything is written).
  void ExtractPayloads();
  // The commit point: writes the uninstall list install.dl; from then on
  // the installation stands, and what the run moved aside is deleted. A
  // quit asked for before it, or a list that cannot be written, undoes the
  // run as ExtractPayloads does.
  void Commit(const std::string& list_bytes);
  // Writes each payload resource to the scratch folder and fills the payload
  // list: one line per payload, "<archive path> TAB <FileType word> TAB
  // <FileDest word> TAB"; then compares the payloads with their packed checks
  // and creates the installation folder.
  void CopyPayloadsToTemp(std::vector<std::string>& payloads);

  // The list of the installation this run replaces, as it was before the
  // run (install.dl in the installation folder; empty when there was none).
  const std::vector<install_list::Entry>& EarlierList() const { return earlier_list_; }

  // The component's handlers while this run extracts.
  void StartEntry(std::string& FName, bool& Skip);
  void FilePercentDone(int Percent);

 private:
  struct Failure {
    RunFailure cause;
    std::string text;
  };
  void Extract();
  void ReadEarlierInstallation(const std::string& list_path);
  void SetUnzipSettings(const std::string& archive_path, const std::string& payload_folder);
  // Folders made and files moved aside through the journal; ERunFailed with
  // the system's reason when that fails.
  void MakeFolders(const std::string& folder);
  void BeforeWriting(const std::string& path);
  // Notes the first failure of an entry and stops the component.
  void FailEntry(RunFailure cause, const std::string& path);
  // Undoes the run, then raises what the user is to see of raised.
  [[noreturn]] void UndoAndRaise(std::exception_ptr raised);

  const InstallRequest request_;
  const ProductSettings& settings_;
  InstallRecord& record_;
  Services services_;

  InstallJournal journal_;
  std::optional<JournalRecord> journal_record_;  // the journal where the next start finds it
  std::string payload_folder_;      // folder of the payload being extracted
  std::string entry_target_;        // target of the entry being written; empty between entries
  std::optional<Failure> failure_;  // the first failure of an entry, which stopped the run
  // Files an earlier installation into the same folder put there itself
  // (flag "N" in its install.dl), upper-cased: a re-installation does not
  // take them for files that were there before it.
  std::set<std::string> earlier_installation_files_;
  std::vector<install_list::Entry> earlier_list_;
};

// Deletes every file directly inside folder (ending with a backslash);
// sub-folders and files that will not go stay.
void ClearTempFolder(const std::string& folder);

// Sets the ZipBar to the fraction of its maximum: the nearest whole number,
// an exact half to the even neighbour.
void ShowPayloadProgress(StepControls& controls, float fraction);

}  // namespace app
