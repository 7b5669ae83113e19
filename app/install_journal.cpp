#include "app/install_journal.h"

#include <cstdio>
#include <utility>

#include "app/preflight.h"
#include "platform/gbk.h"

namespace app {
namespace {

constexpr char kHeader[] = "DZJOURNAL";
constexpr char kVersion[] = "1";
constexpr char kAsidePrefix[] = "~DzAside.";

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);  // a tab byte is never part of a GBK character
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

std::string TimeText(const platform::LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::optional<platform::LocalDateTime> ParseTime(const std::string& text) {
  if (text.size() != 14 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  auto at = [&](size_t from, size_t length) { return std::stoi(text.substr(from, length)); };
  return platform::LocalDateTime{at(0, 4), at(4, 2), at(6, 2), at(8, 2), at(10, 2), at(12, 2)};
}

std::optional<uint64_t> ParseSize(const std::string& text) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoull(text);
}

// A file the run wrote is still as it wrote it.
bool Unchanged(const InstallJournal::Entry& entry) {
  if (!entry.size || !entry.time) return true;  // never written whole: the run's own partial file
  return platform::FileSize(entry.path) == entry.size && platform::ModifiedTime(entry.path) == entry.time;
}

// Removes a file, read-only or not.
bool RemoveWrittenFile(const std::string& path) {
  if (platform::RemoveFile(path)) return true;
  const uint32_t attributes = platform::ReadAttributes(path);
  if (attributes == platform::kInvalidAttributes || !(attributes & platform::kAttrReadOnly)) return false;
  platform::WriteAttributes(path, attributes & ~platform::kAttrReadOnly);
  return platform::RemoveFile(path);
}

}  // namespace

InstallJournal::InstallJournal(std::string run) : run_(std::move(run)) {
  lines_.push_back(std::string(kHeader) + "\t" + kVersion + "\t" + run_);
}

void InstallJournal::Add(Entry entry, const std::string& line) {
  // The first line handed on carries the head before it.
  if (OnLine && lines_.size() == 1) OnLine(lines_[0]);
  entries_.push_back(std::move(entry));
  lines_.push_back(line);
  if (OnLine) OnLine(line);
}

bool InstallJournal::MakeFolders(const std::string& folder) {
  // Most calls are for a folder that is there already (the run asks before
  // every file it writes).
  if (platform::DirectoryExists(folder)) return true;
  std::string path = folder;
  while (gbk::EndsWithBackslash(path) && path.size() > 3) path.pop_back();
  // The folders on the way down, each ending before a backslash; the drive
  // root and a share's root exist or not, they are not made.
  std::vector<size_t> ends;
  gbk::ForEachChar(path, [&](size_t at, size_t length) {
    if (length == 1 && path[at] == '\\' && at > 0) ends.push_back(at);
  });
  ends.push_back(path.size());
  const size_t root_length = DriveRootOf(path).size();
  for (size_t end : ends) {
    if (end < root_length) continue;
    const std::string step = path.substr(0, end);
    if (step.empty() || platform::DirectoryExists(step)) continue;
    // Noted first: a folder that was never made is not there to remove.
    Add({Kind::Folder, step, "", std::nullopt, std::nullopt}, "folder\t" + step);
    if (!platform::MakeDirectory(step)) return false;
  }
  return true;
}

std::string InstallJournal::AsideFolderFor(const std::string& path) {
  const std::string volume = gbk::UpperAscii(DriveRootOf(path));
  for (const Entry& entry : entries_)
    if (entry.kind == Kind::AsideFolder && gbk::UpperAscii(DriveRootOf(entry.path)) == volume) return entry.path;
  const std::string folder = gbk::FolderPart(path) + kAsidePrefix + run_;
  Add({Kind::AsideFolder, folder, "", std::nullopt, std::nullopt}, "aside-folder\t" + folder);
  if (!platform::MakeDirectory(folder)) return "";
  return folder;
}

bool InstallJournal::BeforeWriting(const std::string& path) {
  const uint32_t attributes = platform::ReadAttributes(path);
  if (attributes == platform::kInvalidAttributes) {
    Add({Kind::NewFile, path, "", std::nullopt, std::nullopt}, "new\t" + path);
    return true;
  }
  // A folder where the file goes: writing fails there, with the system's
  // reason; there is nothing to move aside.
  if (attributes & platform::kAttrDirectory) return true;
  const std::string folder = AsideFolderFor(path);
  if (folder.empty()) return false;
  const std::string aside = folder + "\\" + std::to_string(++aside_count_);
  // Noted first: an undo puts back only what is found aside.
  Add({Kind::Aside, path, aside, std::nullopt, std::nullopt}, "aside\t" + path + "\t" + aside);
  return platform::RenamePath(path, aside);
}

void InstallJournal::Written(const std::string& path) {
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    if ((entry->kind == Kind::NewFile || entry->kind == Kind::Aside) && entry->path == path) {
      entry->size = platform::FileSize(path);
      entry->time = platform::ModifiedTime(path);
      if (!entry->size || !entry->time) return;
      lines_.push_back("made\t" + path + "\t" + std::to_string(*entry->size) + "\t" + TimeText(*entry->time));
      if (OnLine) OnLine(lines_.back());
      return;
    }
  }
}

void InstallJournal::Commit() {
  for (const Entry& entry : entries_)
    if (entry.kind == Kind::Aside) RemoveWrittenFile(entry.aside);
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry)
    if (entry->kind == Kind::AsideFolder) platform::RemoveEmptyDirectory(entry->path);
  entries_.clear();
  lines_.resize(1);
}

InstallJournal::UndoReport InstallJournal::Undo() {
  UndoReport report;
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    switch (entry->kind) {
      case Kind::NewFile:
        if (platform::ReadAttributes(entry->path) == platform::kInvalidAttributes) break;
        if (!Unchanged(*entry))
          report.kept_changed.push_back(entry->path);
        else if (!RemoveWrittenFile(entry->path))
          report.failed.push_back(entry->path);
        break;
      case Kind::Aside:
        // Noted but never moved (the run stopped in between): the file at
        // path is the earlier one itself.
        if (platform::ReadAttributes(entry->aside) == platform::kInvalidAttributes) break;
        if (platform::ReadAttributes(entry->path) != platform::kInvalidAttributes) {
          if (!Unchanged(*entry)) {
            report.kept_changed.push_back(entry->path);
            break;
          }
          if (!RemoveWrittenFile(entry->path)) {
            report.failed.push_back(entry->path);
            break;
          }
        }
        if (!platform::RenamePath(entry->aside, entry->path)) report.failed.push_back(entry->path);
        break;
      case Kind::Folder:
      case Kind::AsideFolder:
        // Only when empty: whatever else is in it was not the run's.
        platform::RemoveEmptyDirectory(entry->path);
        break;
    }
  }
  entries_.clear();
  lines_.resize(1);
  return report;
}

std::optional<InstallJournal> InstallJournal::Parse(const std::vector<std::string>& lines, bool* unknown_version) {
  if (unknown_version) *unknown_version = false;
  if (lines.empty()) return std::nullopt;
  const std::vector<std::string> head = Split(lines[0]);
  if (head.size() != 3 || head[0] != kHeader || head[2].empty()) return std::nullopt;
  if (head[1] != kVersion) {
    if (unknown_version) *unknown_version = true;
    return std::nullopt;
  }
  InstallJournal journal(head[2]);
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> f = Split(lines[i]);
    if (f[0] == "made" && f.size() == 4 && !f[1].empty()) {
      const auto size = ParseSize(f[2]);
      const auto time = ParseTime(f[3]);
      if (!size || !time) return std::nullopt;
      bool found = false;
      for (auto entry = journal.entries_.rbegin(); entry != journal.entries_.rend() && !found; ++entry) {
        if ((entry->kind == Kind::NewFile || entry->kind == Kind::Aside) && entry->path == f[1]) {
          entry->size = size;
          entry->time = time;
          found = true;
        }
      }
      if (!found) return std::nullopt;
      journal.lines_.push_back(lines[i]);
      continue;
    }
    Entry entry{Kind::Folder, f.size() > 1 ? f[1] : "", "", std::nullopt, std::nullopt};
    if (f[0] == "folder" && f.size() == 2) {
      entry.kind = Kind::Folder;
    } else if (f[0] == "aside-folder" && f.size() == 2) {
      entry.kind = Kind::AsideFolder;
    } else if (f[0] == "new" && f.size() == 2) {
      entry.kind = Kind::NewFile;
    } else if (f[0] == "aside" && f.size() == 3 && !f[2].empty()) {
      entry.kind = Kind::Aside;
      entry.aside = f[2];
      ++journal.aside_count_;
    } else {
      return std::nullopt;
    }
    if (entry.path.empty()) return std::nullopt;
    journal.entries_.push_back(std::move(entry));
    journal.lines_.push_back(lines[i]);
  }
  return journal;
}

}  // namespace app
