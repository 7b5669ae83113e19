// What an installation run has changed on the disk so far, so that a run
// that cannot finish is undone and leaves the machine as it was.
//
// The run notes every folder it creates and every file it writes before it
// writes it. A file already there is not overwritten but moved aside: renamed
// into an aside folder on its own volume ("~DzAside.<run>" in the folder of
// the first file moved aside there), so that its bytes, times and attributes
// come back unchanged. Until the run commits (writes install.dl), Undo puts
// everything back; Commit then deletes what was moved aside.
//
// Every change is written to the journal's lines before it is made (OnLine,
// Lines, Parse): they carry everything Undo needs, so that a run that was
// killed can be undone by the next start.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace app {

class InstallJournal {
 public:
  enum class Kind {
    Folder,       // a folder the run created
    NewFile,      // a file the run writes where there was none
    AsideFolder,  // an aside folder the run created
    Aside,        // a file moved aside: path, and where it lies now (aside)
  };
  struct Entry {
    Kind kind;
    std::string path;
    std::string aside;  // Aside: where the file lies meanwhile
    // NewFile and Aside: the size and time of the file the run wrote at
    // path, once it was written completely.
    std::optional<uint64_t> size;
    std::optional<platform::LocalDateTime> time;
  };

  // run: a name of this run, unique on this machine (the aside folders' names).
  explicit InstallJournal(std::string run);

  // Called with each line as it is added: the head first, then one line
  // before each change is made (a folder made, a file written, a file moved
  // aside) and one when a file is written whole.
  std::function<void(const std::string& line)> OnLine;
  const std::string& Run() const { return run_; }

  // Creates folder and every missing folder above it, noting each one
  // created. False when a folder cannot be made (platform::LastFailureText
  // tells why).
  bool MakeFolders(const std::string& folder);
  // Before the run writes path: a file there is moved aside, else the new
  // file is noted. False when the file cannot be moved aside.
  bool BeforeWriting(const std::string& path);
  // The run wrote path completely: its size and time as written, so that a
  // later undo knows whether someone changed it since.
  void Written(const std::string& path);

  // The run is complete: what was moved aside is deleted, with the aside
  // folders; nothing is left to undo.
  void Commit();

  // What an undo did not put back as it was.
  struct UndoReport {
    // Files written by the run that someone changed since (a database the
    // shop started to use): kept as they are. For a replaced file, the
    // earlier one stays in its aside folder.
    std::vector<std::string> kept_changed;
    // Paths that could not be put back or removed (the system's failure).
    std::vector<std::string> failed;
  };
  // Undoes everything noted, newest first: files the run wrote are removed
  // (unless changed since they were written), files moved aside are put
  // back, folders the run created are removed when empty. The journal is
  // empty afterwards.
  UndoReport Undo();

  bool Empty() const { return entries_.empty(); }
  const std::vector<Entry>& Entries() const { return entries_; }

  // The journal's lines so far (GBK, the head first), and a journal read
  // back from them. Parse gives nullopt for lines that are not a journal,
  // and sets *unknown_version when they are one of a version this installer
  // does not know (to be left alone, never replayed).
  const std::vector<std::string>& Lines() const { return lines_; }
  static std::optional<InstallJournal> Parse(const std::vector<std::string>& lines, bool* unknown_version = nullptr);

 private:
  void Add(Entry entry, const std::string& line);
  std::string AsideFolderFor(const std::string& path);
  std::string run_;
  std::vector<Entry> entries_;
  std::vector<std::string> lines_;
  int aside_count_ = 0;
};

}  // namespace app
