#include "app/unfinished_run.h"

#include <cstdio>
#include <vector>

#include "platform/registry.h"

namespace app {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

// A journal longer than this is not read back (the product's run notes a few
// thousand lines).
constexpr int kMaxLines = 1000000;

std::string LineName(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "%07d", index);
  return name;
}

}  // namespace

JournalRecord::JournalRecord() { Remove(); }

bool JournalRecord::Append(const std::string& line) {
  // The key is made with the first line and kept open for the others: a run
  // adds a line or two for every file it writes.
  if (!key_) key_ = RegistryKey::Create(RegistryRoot::LocalMachine, kUnfinishedRunKey);
  if (!key_ || !key_->WriteString(LineName(count_), line)) return false;
  ++count_;
  return true;
}

void JournalRecord::Remove() { platform::DeleteRegistryKey(RegistryRoot::LocalMachine, kUnfinishedRunKey); }

UnfinishedRun FindUnfinishedRun() {
  UnfinishedRun run;
  auto key = RegistryKey::Open(RegistryRoot::LocalMachine, kUnfinishedRunKey);
  if (!key) return run;
  std::vector<std::string> lines;
  for (int index = 0; index < kMaxLines; ++index) {
    auto line = key->ReadString(LineName(index));
    if (!line) break;
    lines.push_back(std::move(*line));
  }
  if (lines.empty()) {
    // Made and killed before its first line: nothing was changed yet.
    JournalRecord::Remove();
    return run;
  }
  bool unknown_version = false;
  run.journal = InstallJournal::Parse(lines, &unknown_version);
  run.found = run.journal ? UnfinishedRun::Found::Journal
              : unknown_version ? UnfinishedRun::Found::UnknownVersion
                                : UnfinishedRun::Found::Unreadable;
  return run;
}

}  // namespace app
