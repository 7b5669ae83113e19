#include "tools/packer/packer.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/manifest.h"
#include "app/payload.h"
#include "app/profile_file.h"
#include "common/payload_checks.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/gbk.h"

namespace packer {

namespace {

std::string WithSlash(const std::string& folder) {
  return gbk::EndsWithBackslash(folder) || (!folder.empty() && folder.back() == '/') ? folder : folder + "\\";
}

void Walk(const std::string& folder, const std::string& prefix, std::vector<SourceFile>& files) {
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder)) {
    const std::string name = prefix + entry.name;
    if (entry.name.find('?') != std::string::npos || entry.name.find('/') != std::string::npos)
      throw PackError("\"" + folder + entry.name +
                      "\": the name holds a character GBK cannot carry (or one a Windows name cannot hold)");
    const std::string path = folder + entry.name;
    if (entry.attributes & platform::kAttrDirectory) {
      Walk(path + "\\", name + "/", files);
      continue;
    }
    if (entry.size > kMaxEntrySize)
      throw PackError(path + ": " + std::to_string(entry.size) + " bytes, more than a ZIP entry holds (4 GiB - 1)");
    SourceFile file;
    file.name = name;
    file.path = path;
    file.size = entry.size;
    // Only what an installed file may carry: read-only, hidden, system, archive.
    file.attributes = entry.attributes & (platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem |
                                          platform::kAttrArchive);
    auto time = platform::ModifiedTime(path);
    if (!time) throw PackError("cannot read the time of " + path);
    file.time = *time;
    files.push_back(std::move(file));
    if (files.size() > kMaxEntries)
      throw PackError(folder + ": more than " + std::to_string(kMaxEntries) + " files, more than a ZIP archive holds");
  }
}

std::string Megabytes(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

}  // namespace

std::vector<SourceFile> ListPayloadFolder(const std::string& folder) {
  const std::string root = WithSlash(folder);
  if (!platform::DirectoryExists(root)) throw PackError("payload folder " + root + " does not exist");
  std::vector<SourceFile> files;
  Walk(root, "", files);
  std::sort(files.begin(), files.end(), [](const SourceFile& a, const SourceFile& b) { return a.name < b.name; });
  return files;
}

PackResult Pack(const PackOptions& options) {
  auto say = [&](const std::string& line) {
    if (options.report) options.report(line);
  };
  const std::string product = WithSlash(options.product_folder);
  const std::string output = WithSlash(options.output_folder);
  if (!platform::DirectoryExists(product)) throw PackError("product folder " + product + " does not exist");
  if (!platform::DirectoryExists(output)) throw PackError("output folder " + output + " does not exist");
  if (!app::FindProfileValue(options.manifest, app::kSectionInstallFiles, app::kKeyFileCount) ||
      !app::FindProfileValue(options.manifest, app::kSectionInstallFiles, app::kKeyTotalFiles))
    throw PackError("the manifest has no [InstallFiles] FileCount and fTotalFiles to fill in");

  // Check everything before writing anything.
  struct Plan {
    std::string name, type;
    std::vector<SourceFile> files;
  };
  std::vector<Plan> plans;
  for (int n = 0;; ++n) {
    const std::string name = app::PayloadName(n);
    auto type = app::FindProfileValue(options.manifest, app::kSectionFileType, name);
    if (!type) break;
    if (type->empty()) throw PackError("the manifest's [FileType] " + name + " is empty");
    plans.push_back({name, *type, ListPayloadFolder(product + *type)});
    for (SourceFile& file : plans.back().files) {
      for (const auto& [key, path] : options.substitutes) {
        if (key != *type + "/" + file.name) continue;
        auto size = platform::FileSize(path);
        if (!size) throw PackError("cannot read " + path);
        file.path = path;
        file.size = *size;
      }
    }
    for (const SourceFile& file : plans.back().files) {
      try {
        platform::File probe(file.path, platform::File::Mode::ReadShared);
      } catch (const std::exception&) {
        throw PackError("cannot read " + file.path);
      }
    }
  }
  if (plans.empty()) throw PackError("the manifest's [FileType] names no payload C0");

  // What the run writes goes again unless the run completes.
  class WrittenFiles {
   public:
    WrittenFiles() = default;
    WrittenFiles(const WrittenFiles&) = delete;
    WrittenFiles& operator=(const WrittenFiles&) = delete;
    ~WrittenFiles() {
      for (const std::string& path : paths_) platform::RemoveFile(path);
    }
    void push_back(const std::string& path) { paths_.push_back(path); }
    void KeepAll() { paths_.clear(); }

   private:
    std::vector<std::string> paths_;
  } written;

  PackResult result;
  try {
    for (const Plan& plan : plans) {
      const std::string archive = output + plan.name;
      written.push_back(archive);
      ZipWriter writer(archive, options.password, options.level);
      PackedPayload payload{plan.name, plan.type, {}, 0, 0};
      uint64_t total = 0;
      for (const SourceFile& file : plan.files) total += file.size;
      uint64_t before = 0;
      int last_percent = -1;
      writer.OnProgress = [&](uint64_t done) {
        if (total < (64u << 20)) return;  // a progress line only on long work
        int percent = static_cast<int>((before + done) * 100 / total);
        if (percent / 5 == last_percent / 5) return;
        last_percent = percent;
        say("\r" + plan.name + " " + plan.type + ": " + std::to_string(percent) + "%");
      };
      for (const SourceFile& file : plan.files) {
        writer.Add(file.name, FileSource(file.path, file.size), file.time, file.attributes);
        before += file.size;
      }
      writer.Finish();
      payload.entries = writer.Entries();
      payload.bytes = total;
      payload.archive_bytes = writer.ArchiveSize();
      const double ratio = total ? 100.0 * static_cast<double>(payload.archive_bytes) / static_cast<double>(total) : 100.0;
      char percent[16];
      std::snprintf(percent, sizeof percent, "%.0f%%", ratio);
      say(plan.name + " " + plan.type + ": " + std::to_string(payload.entries.size()) + " entries, " +
          Megabytes(total) + " -> " + Megabytes(payload.archive_bytes) + " (" + percent + ")");
      result.total_files += static_cast<int>(payload.entries.size());
      result.payloads.push_back(std::move(payload));
    }

    result.manifest = options.manifest;
    app::SetProfileValue(result.manifest, app::kSectionInstallFiles, app::kKeyFileCount,
                         std::to_string(result.payloads.size()));
    app::SetProfileValue(result.manifest, app::kSectionInstallFiles, app::kKeyTotalFiles,
                         std::to_string(result.total_files));
    const std::string manifest_path = output + "CEND";
    written.push_back(manifest_path);
    {
      platform::File file(manifest_path, platform::File::Mode::Create);
      if (file.Write(result.manifest.data(), result.manifest.size()) != result.manifest.size())
        throw PackError("cannot write " + manifest_path);
    }
    // The payload checks, over the archives as written.
    std::vector<payload_checks::Check> checks;
    for (const PackedPayload& payload : result.payloads) {
      platform::File archive(output + payload.name, platform::File::Mode::ReadShared);
      payload_checks::Running running;
      std::vector<char> buffer(1 << 16);
      while (size_t got = archive.Read(buffer.data(), buffer.size())) running.Update(buffer.data(), got);
      checks.push_back(running.Result());
    }
    result.checks = payload_checks::Write(checks);
    const std::string checks_path = output + payload_checks::kResourceName;
    written.push_back(checks_path);
    {
      platform::File file(checks_path, platform::File::Mode::Create);
      if (file.Write(result.checks.data(), result.checks.size()) != result.checks.size())
        throw PackError("cannot write " + checks_path);
    }
    say("CEND: FileCount=" + std::to_string(result.payloads.size()) +
        " fTotalFiles=" + std::to_string(result.total_files) + ", " + std::to_string(result.manifest.size()) +
        " bytes");
  } catch (const platform::Error& e) {
    throw PackError(e.what());
  }
  written.KeepAll();
  return result;
}

}  // namespace packer
