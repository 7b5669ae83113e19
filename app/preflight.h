// The checks before anything is written: which files the chosen payloads
// would write (read from the payload resources' central directories in
// place, no payload copied), which of them a running program holds open, and
// whether the drives have room for the payload copies and the installation.
// CheckBeforeWriting puts them before the run, with their boxes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/install_request.h"
#include "app/payload_choice.h"
#include "platform/dialogs.h"

namespace app {

struct TargetFile {
  std::string path;   // the payload folder, the entry's stored folders and its name
  uint64_t size = 0;  // uncompressed
};

// The files a payload archive writes into payload_folder (ending with a
// backslash), in directory order: its central directory read from the bytes
// in place. Folder entries and names the extraction refuses (leaving the
// folder, devices, too long) are left out. nullopt when the directory cannot
// be read: no end record, a spanned set, a record cut or out of the bytes.
// oem_convert: the archive component's OEMConvert (how names are decoded).
std::optional<std::vector<TargetFile>> ArchiveTargets(const uint8_t* data, size_t size,
                                                      const std::string& payload_folder, bool oem_convert);

// What the run will write, per the manifest copy and the payload resources.
struct InstallPlan {
  uint64_t payload_bytes = 0;        // all payload copies in the scratch folder
  std::vector<TargetFile> targets;   // the chosen payloads' files, each path once
  std::vector<std::string> unread;   // taken payloads whose directory could not be read
};

// Reads FileCount, FileType and FileDest from the manifest copy and each
// payload resource "C<n>" in place (up to the first one missing). A payload
// that cannot be read or placed adds only its copy's size: the run reports
// it itself.
InstallPlan PlanInstallation(const std::string& manifest_path, const ChosenSystems& chosen,
                             const std::string& install_folder, bool oem_convert);

// The existing targets a running program holds open, in plan order. The two
// kept databases are left out when they exist: the run does not touch them.
std::vector<std::string> HeldTargets(const InstallPlan& plan);

// Space is counted in whole allocation units of this size per file.
inline constexpr uint64_t kAllocationUnit = 4096;

struct DriveShortage {
  std::string root;  // "C:\", or the folder itself when it names no drive
  uint64_t needed = 0, available = 0;
};

// Compares what the run writes on each drive with the drive's free space:
// the payload copies on the scratch folder's drive; on the drives of the
// targets, their whole sizes (a file they replace is moved aside and stays
// until the run is complete), and Install.in and install.dl in the
// installation folder. A
// drive that holds both adds them up. Drives whose free space the system
// cannot tell pass.
std::vector<DriveShortage> SpaceShortages(const InstallPlan& plan, const std::string& scratch_folder,
                                          const std::string& install_folder, uint64_t manifest_bytes);

// The drive part of a path: "X:\" (upper-case letter) or "\\server\share\";
// empty for a path with neither.
std::string DriveRootOf(const std::string& path);

// The boxes' texts.
std::string HeldFilesText(const std::vector<std::string>& held);
std::string DiskShortageText(const std::vector<DriveShortage>& shortages);

enum class WriteCheck { Passed, FilesInUse, DiskFull, LinkLeadingOut };

// The checks for a confirmed request, run before anything is written. A link
// in the installation folder that would lead the run's writes out of it is
// named and refuses the run (link_check.h). Files the run would replace that a running program holds open are listed in a
// box with Retry (check again) and Cancel; then the free space of the
// scratch folder's drive and of the installation's drives is compared with
// what the run will write there, and a shortage is shown. Passed when the
// run may start; otherwise nothing was created or changed.
// manifest_path: the manifest copy; scratch_folder: the wizard's private
// scratch folder (with a backslash); oem_convert: the component's
// OEMConvert; answerer: answers the boxes in place of a person (empty: they
// are shown).
WriteCheck CheckBeforeWriting(const InstallRequest& request, const std::string& manifest_path,
                              const std::string& scratch_folder, bool oem_convert,
                              const platform::MessageBoxResponder& answerer = {});

}  // namespace app
