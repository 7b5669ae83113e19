// The installation run: every payload resource is written to the scratch
// folder and checked, the payloads the request takes are extracted into
// their folders under the installation folder, Install.in is written with
// the edition's names, and the uninstall list records every file.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/install_record.h"
#include "app/install_request.h"
#include "app/step_controls.h"
#include "archive/unzipper.h"

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

class InstallationRun {
 public:
  // What the run uses of the wizard besides its request and records.
  struct Services {
    StepControls& controls;          // the progress page's texts and bars, the boxes
    archive::TUnZipper& unzipper;    // UnZipIt, its handlers wired to this run
    std::function<void()> pump;      // lets window messages run; raises ERunCanceled on a quit
    std::function<bool()> canceled;  // the user chose to quit
    platform::MessageBoxResponder boxes;  // answers the run's boxes; empty: they are shown
  };

  InstallationRun(const InstallRequest& request, const ProductSettings& settings, InstallRecord& record,
                  Services services);
  InstallationRun(const InstallationRun&) = delete;
  InstallationRun& operator=(const InstallationRun&) = delete;

  // The whole extraction: the payload copies and their check, the chosen
  // payloads, Install.in. Failed entries are shown in one box; a failure
  // outside an entry ends the loop and is shown too. Raises ERunCanceled on a
  // quit and EPayloadDamaged when the payloads are not the ones packed.
  void ExtractPayloads();
  // Writes each payload resource to the scratch folder and fills the payload
  // list: one line per payload, "<archive path> TAB <FileType word> TAB
  // <FileDest word> TAB"; then compares the payloads with their packed checks
  // and creates the installation folder.
  void CopyPayloadsToTemp(std::vector<std::string>& payloads);

  // The component's handlers while this run extracts.
  void StartEntry(std::string& FName, bool& Skip);
  void FilePercentDone(int Percent);

  // The outcome of the extraction: a failure ended the loop; the entries
  // that did not end as good files.
  bool ExtractionFailed() const { return extraction_failed_; }
  size_t FailedEntryCount() const { return entries_in_use_.size() + entries_damaged_.size(); }

 private:
  void ReadEarlierInstallation(const std::string& list_path);
  void SetUnzipSettings(const std::string& archive_path, const std::string& payload_folder);
  void EndEntry(bool good);
  void ReportFailedEntries();
  void ShowError(const std::string& text);

  const InstallRequest request_;
  const ProductSettings& settings_;
  InstallRecord& record_;
  Services services_;

  std::string payload_folder_;      // folder of the payload being extracted
  std::string entry_target_;        // target of the entry being written; empty between entries
  bool entry_in_use_ = false;       // the component could not create that target
  bool extraction_failed_ = false;  // a failure ended the extraction loop
  // Files an earlier installation into the same folder put there itself
  // (flag "N" in its install.dl), upper-cased: a re-installation does not
  // take them for files that were there before it.
  std::set<std::string> earlier_installation_files_;
  // Entries of this run that did not end as good files, by cause.
  std::vector<std::string> entries_in_use_, entries_damaged_;
};

// Deletes every file directly inside folder (ending with a backslash);
// sub-folders and files that will not go stay.
void ClearTempFolder(const std::string& folder);

// Sets the ZipBar to the fraction of its maximum: the nearest whole number,
// an exact half to the even neighbour.
void ShowPayloadProgress(StepControls& controls, float fraction);

}  // namespace app
