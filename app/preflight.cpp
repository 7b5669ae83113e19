// The checks before anything is written: the files the chosen payloads
// would write, the ones a running program holds open, and the free space of
// the drives the run writes to.
#include "app/preflight.h"

#include <cmath>
#include <exception>
#include <map>

#include "app/file_list_text.h"
#include "app/link_check.h"
#include "app/manifest.h"
#include "app/payload.h"
#include "app/profile_file.h"
#include "app/toolkit.h"
#include "archive/extract_paths.h"
#include "archive/zip_records.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/resources.h"
#include "platform/streams.h"

namespace app {
namespace {

// A read-only stream over bytes it does not own (a module resource).
class BytesStream : public platform::TCustomMemoryStream {
 public:
  BytesStream(const uint8_t* data, size_t size) { SetPointer(data, static_cast<int64_t>(size)); }
};

uint64_t WholeUnits(uint64_t bytes) { return (bytes + kAllocationUnit - 1) / kAllocationUnit * kAllocationUnit; }

// Megabytes with one decimal; what is needed is rounded up and what is
// available down, so the box never shows a need the drive seems to meet.
std::string Megabytes(uint64_t bytes, bool round_up) {
  const double tenths = static_cast<double>(bytes) / (1024.0 * 1024.0 / 10.0);
  const auto whole = static_cast<uint64_t>(round_up ? std::ceil(tenths) : std::floor(tenths));
  return std::to_string(whole / 10) + "." + std::to_string(whole % 10) + " MB";
}

}  // namespace

std::optional<std::vector<TargetFile>> ArchiveTargets(const uint8_t* data, size_t size,
                                                      const std::string& payload_folder, bool oem_convert) {
  BytesStream stream(data, size);
  archive::TEndOfCentralDir end;
  if (size == 0 || !end.FindEndRecord(stream)) return std::nullopt;
  if (end.ThisDisk != 0 || end.CentralDirStartDisk != 0 || end.CentralDirOffset >= size) return std::nullopt;
  stream.Seek(end.CentralDirOffset, platform::kFromBeginning);

  // The destination as the component keeps it: without its trailing backslash.
  std::string dest = payload_folder;
  if (gbk::EndsWithBackslash(dest)) dest.pop_back();
  std::vector<TargetFile> targets;
  for (int i = 0; i < end.TotalEntries; ++i) {
    archive::TZipEntryInfo entry(oem_convert);
    if (!entry.ReadCentralRecord(stream)) return std::nullopt;
    stream.Seek(int64_t{entry.CentralExtraLength} + entry.CommentLength, platform::kFromCurrent);
    if (entry.FileName().empty()) continue;  // a folder entry writes no file
    const std::string path = archive::OutputFolder(dest, "", entry.Directory(), true) + entry.FileName();
    if (!archive::IsSafeOutputPath(dest, path) || !archive::FitsPathLimit(path)) continue;
    targets.push_back({path, entry.UncompressedSize});
  }
  return targets;
}

InstallPlan PlanInstallation(const std::string& manifest_path, const ChosenSystems& chosen,
                             const std::string& install_folder, bool oem_convert) {
  InstallPlan plan;
  const ProfileFile manifest(manifest_path);
  const int count = manifest.ReadInteger(kSectionInstallFiles, kKeyFileCount, 0);
  std::map<std::string, size_t> position;  // a path written twice counts once, at its last size
  for (int n = 0; n < count; ++n) {
    const std::string name = PayloadName(n);
    const auto bytes = platform::FindModuleResource(name, name);
    if (!bytes) break;  // the run ends at the same payload
    plan.payload_bytes += WholeUnits(bytes->size);
    const std::string type = manifest.ReadString(kSectionFileType, name, "");
    if (!DecidePayload(type, chosen).taken) continue;
    std::optional<std::vector<TargetFile>> targets;
    try {
      const std::string folder = PayloadFolder(type, manifest.ReadString(kSectionFileDest, name, ""), install_folder);
      targets = ArchiveTargets(bytes->data, bytes->size, folder, oem_convert);
    } catch (const std::exception&) {
    }
    if (!targets) {
      plan.unread.push_back(name);
      continue;
    }
    for (TargetFile& target : *targets) {
      auto [at, added] = position.emplace(target.path, plan.targets.size());
      if (added)
        plan.targets.push_back(std::move(target));
      else
        plan.targets[at->second].size = target.size;
    }
  }
  return plan;
}

std::vector<std::string> HeldTargets(const InstallPlan& plan) {
  std::vector<std::string> held;
  for (const TargetFile& target : plan.targets) {
    if (IsKeptDatabase(gbk::FileNamePart(target.path))) continue;  // kept when it exists, new otherwise
    if (platform::FileHeldOpen(target.path)) held.push_back(target.path);
  }
  return held;
}

std::string DriveRootOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z'))
    return std::string(1, static_cast<char>(path[0] & ~0x20)) + ":\\";
  if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    const size_t server_end = path.find('\\', 2);
    if (server_end == std::string::npos) return "";
    const size_t share_end = path.find('\\', server_end + 1);
    return share_end == std::string::npos ? path + "\\" : path.substr(0, share_end + 1);
  }
  return "";
}

std::vector<DriveShortage> SpaceShortages(const InstallPlan& plan, const std::string& scratch_folder,
                                          const std::string& install_folder, uint64_t manifest_bytes) {
  struct Drive {
    std::string probe;  // a path on the drive, for its free space
    uint64_t scratch = 0, written = 0;
  };
  std::map<std::string, Drive> drives;
  std::vector<std::string> order;  // drives in the order met, for the box
  auto drive = [&](const std::string& path) -> Drive& {
    std::string root = DriveRootOf(path);
    if (root.empty()) root = path;
    auto [at, added] = drives.emplace(root, Drive{path});
    if (added) order.push_back(root);
    return at->second;
  };

  drive(scratch_folder).scratch += plan.payload_bytes;
  // Install.in, and install.dl: a line per file plus the manifest's and the
  // shortcuts' lines.
  uint64_t list_bytes = 4096;
  for (const TargetFile& target : plan.targets) list_bytes += target.path.size() + 16;
  drive(install_folder).written += WholeUnits(manifest_bytes) + WholeUnits(list_bytes);
  for (const TargetFile& target : plan.targets) {
    const bool exists = platform::FileExists(target.path);
    if (exists && IsKeptDatabase(gbk::FileNamePart(target.path))) continue;  // left as it is
    // A file replaced is moved aside and stays until the run is complete,
    // so it frees nothing meanwhile.
    drive(target.path).written += WholeUnits(target.size);
  }

  std::vector<DriveShortage> shortages;
  for (const std::string& root : order) {
    const Drive& d = drives[root];
    const uint64_t needed = d.scratch + d.written;
    const std::optional<uint64_t> available = platform::FreeDiskSpace(d.probe);
    if (available && needed > *available) shortages.push_back({root, needed, *available});
  }
  return shortages;
}

std::string HeldFilesText(const std::vector<std::string>& held) {
  return FileListText("正在被其他程序使用,无法替换", held) + "\n\n请退出正在运行的程序后按“重试”,或按“取消”返回。";
}

std::string DiskShortageText(const std::vector<DriveShortage>& shortages) {
  std::string text;
  for (const DriveShortage& s : shortages) {
    if (!text.empty()) text += "\n";
    text += "磁盘空间不足: " + s.root + " 需要 " + Megabytes(s.needed, true) + ", 可用 " +
            Megabytes(s.available, false);
  }
  return text + "\n\n请释放磁盘空间或选择其他安装文件夹后再安装。";
}

WriteCheck CheckBeforeWriting(const InstallRequest& request, const std::string& manifest_path,
                              const std::string& scratch_folder, bool oem_convert,
                              const platform::MessageBoxResponder& answerer) {
  const std::string& install_folder = request.folder;
  const InstallPlan plan = PlanInstallation(manifest_path, request.systems, install_folder, oem_convert);
  if (const auto link = LinkInInstallation(plan, install_folder)) {
    ShowWarning(LinkLeadingOutText(*link), answerer);
    return WriteCheck::LinkLeadingOut;
  }

  for (;;) {
    const std::vector<std::string> held = HeldTargets(plan);
    if (held.empty()) break;
    if (ShowMessageBox(HeldFilesText(held), "警告", platform::kMbRetryCancel | platform::kMbIconWarning, answerer) !=
        platform::kIdRetry)
      return WriteCheck::FilesInUse;
  }

  const auto manifest = platform::FindModuleResource(kManifestResourceName, kManifestResourceType);
  const std::vector<DriveShortage> shortages =
      SpaceShortages(plan, scratch_folder + kScratchFolderName, install_folder, manifest ? manifest->size : 0);
  if (!shortages.empty()) {
    ShowWarning(DiskShortageText(shortages), answerer);
    return WriteCheck::DiskFull;
  }
  return WriteCheck::Passed;
}

}  // namespace app
