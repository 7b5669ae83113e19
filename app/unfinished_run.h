// The journal of the run in progress, kept where the next start finds it and
// where no user-level program can plant or change one: one value per line
// under the machine's key HKLM\Software\DIzavozi\UnfinishedRun, which only
// administrators may write (the installer runs as one). The key goes when
// the run is complete or undone. A run killed on the way leaves it, and the
// next start of the installer finishes the undo (app/step.cpp).
#pragma once

#include <optional>
#include <string>

#include "app/install_journal.h"
#include "platform/registry.h"

namespace app {

inline constexpr char kUnfinishedRunKey[] = "Software\\DIzavozi\\UnfinishedRun";

// Appends the journal's lines to the record as the run adds them.
class JournalRecord {
 public:
  // Starts a new record; one left by an earlier run is replaced.
  JournalRecord();
  JournalRecord(const JournalRecord&) = delete;
  JournalRecord& operator=(const JournalRecord&) = delete;
  // False when the line could not be kept (no rights to the machine's key):
  // the run goes on, undone in place if it must be, but a kill could not be
  // undone later.
  bool Append(const std::string& line);
  // The run is complete or undone: the record goes.
  static void Remove();

 private:
  int count_ = 0;
  // The record's key, made with the first line and kept open.
  std::optional<platform::RegistryKey> key_;
};

// What a start finds of a run that did not finish.
struct UnfinishedRun {
  enum class Found {
    None,            // no record
    Journal,         // a journal to finish undoing
    UnknownVersion,  // a journal of a version this installer does not know: left alone
    Unreadable,      // a record that is not a journal: left alone
  };
  Found found = Found::None;
  std::optional<InstallJournal> journal;
};
UnfinishedRun FindUnfinishedRun();

}  // namespace app
