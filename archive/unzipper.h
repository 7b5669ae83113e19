// TUnZipper: the archive component. A program sets its properties (archive
// name, destination folder, password, policies), attaches handlers to its
// events and calls UnZip. The component keeps the archive's directory (the
// master list in physical order and the sorted view that callers index),
// reads it from the central directory, recovers it from the local headers
// when that is unreadable, and follows archives spanned over removable disks
// or split into numbered files.
//
// Every event, every decision and every file operation happens on the calling
// (GUI) thread, in entry order. With ThreadCount above 1, UnZip has worker
// threads read, decrypt, inflate and check entries ahead of it (see
// entry_workers.h), unless a handler that can change later entries is set
// (OnBadPassword, OnDecrypt) or the archive is spanned; its window messages
// then run on an interval instead of at every block. Where DoProcessMessages
// is set, long work lets pending window messages run; a handler run from
// there may call Cancel, which the work notices and answers with
// EUserCanceled.
//
// This file's members are defined in unzipper.cpp, except UnZip and
// UnZipEntry (and the UnZipRun helper with their steps), which are defined in
// unzip.cpp with the extraction data path.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/buffered_stream.h"
#include "archive/entry_workers.h"
#include "archive/errors.h"
#include "archive/zip_records.h"
#include "platform/dialogs.h"

namespace archive {

struct WorkBuffers;
class MessagePump;

enum TUZOverwriteMode { Prompt, Always, Never, ifNewer, ifOlder };
enum TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };
// Why OnSkippingFile passes an entry by. SkipBadEntry: the entry's records
// contradict the archive (its data overlaps an entry already extracted in the
// run, or an encrypted entry is too short for its encryption header).
// SkipUnsupported: the entry needs what this reader does not do (ZIP64 sizes
// or offsets).
enum TSkipReason {
  SkipBadPassword = 0,
  SkipKeepExisting = 1,
  SkipReserved = 2,
  SkipCannotCreate = 3,
  SkipBadEntry = 4,
  SkipUnsupported = 5,
};
// SpanKind values.
enum TSpanKind { SpanSingle = 0, SpanRemovable = 1, SpanSplitFiles = 2 };

class TUnZipper;

// Events. Arguments passed by reference are the ones a handler may change.
using TStartUnzipInfo = std::function<void(TUnZipper* Sender, int NumFiles, int64_t TotalBytes, bool& StopNow)>;
using TFilePercentDone = std::function<void(TUnZipper* Sender, int Percent)>;
using TTotalPercentDone = std::function<void(TUnZipper* Sender, int Percent)>;
using TStartUnZipEvent = std::function<void(TUnZipper* Sender, int FileIndex, std::string& FName, bool& Skip)>;
using TEndUnZipEvent = std::function<void(TUnZipper* Sender, int FileIndex, const std::string& FName)>;
using TPromptForOverwrite =
    std::function<void(TUnZipper* Sender, bool& OverWriteIt, int FileIndex, std::string& FName)>;
using TSkippingFile = std::function<void(TUnZipper* Sender, TSkipReason Reason, const std::string& FName,
                                         int FileIndex, bool& Retry)>;
using TBadPassword = std::function<void(TUnZipper* Sender, int FileIndex, std::string& NewPassword)>;
using TBadCRC = std::function<void(TUnZipper* Sender, uint32_t CalcCRC, uint32_t StoredCRC, int FileIndex)>;
using TIncompleteZip = std::function<void(TUnZipper* Sender, TIncompleteZipMode& IncompleteMode)>;
using TGetNextDisk = std::function<void(TUnZipper* Sender, int NextDisk, std::string& FName)>;
using TUnZipComplete = std::function<void(TUnZipper* Sender, int FileCount)>;
using TGetNextBuffer = std::function<void(TUnZipper* Sender, uint8_t*& Buffer, const std::string& FName,
                                          int AmountUsed, int BufferNum, bool& Quit)>;
using TDecryptEvent =
    std::function<void(TUnZipper* Sender, uint8_t* buffer, int length, const std::string& Password)>;

// Wildcard match of FilesList lines: both texts lower-cased (ASCII);
// "*" any run, "?" one character, <set> one character of the set (single
// characters and ranges a-z; negated by a leading ! or ^). A malformed set
// fails the match.
bool IsMatch(const std::string& pattern, const std::string& text);

class TUnZipper {
 public:
  static constexpr int kThisVersion = 223;

  // designing: the component lives in a form designer; ZipName is then only
  // stored and OnGetNextDisk keeps no default handler.
  explicit TUnZipper(bool designing = false);
  virtual ~TUnZipper();
  TUnZipper(const TUnZipper&) = delete;
  TUnZipper& operator=(const TUnZipper&) = delete;

  // Copies the published properties and every event handler but OnDecrypt.
  virtual void Assign(const TUnZipper& source);
  // After the stored properties are applied: ThisVersion := 223, the working
  // record's OEM flag := OEMConvert.
  virtual void Loaded();

  // ---- Published properties -----------------------------------------------
  int ThisVersion() const { return this_version_; }
  void SetThisVersion(int) { this_version_ = kThisVersion; }

  const std::string& ZipName() const { return zip_name_; }
  // Same name (case-insensitive): nothing happens. A name ending in "?" asks
  // through the file-open dialog (cancel: EUserCanceled). Otherwise the name
  // is stored and the held directory and open archive are dropped.
  virtual void SetZipName(const std::string& name);

  const std::string& DestDir() const { return dest_dir_; }
  // "?" asks through the folder dialog (cancel: EUserCanceled); one trailing
  // backslash is removed, so C:\ is stored as C:.
  void SetDestDir(const std::string& folder);

  const std::string& RootDir() const { return root_dir_; }
  // Empty clears; otherwise stored ending in a backslash.
  void SetRootDir(const std::string& folder);

  const std::vector<std::string>& FilesList() const { return files_list_; }
  std::vector<std::string>& FilesList() { return files_list_; }
  void SetFilesList(const std::vector<std::string>& lines) { files_list_ = lines; }

  virtual bool CheckDiskLabels() const { return check_disk_labels_; }
  virtual void SetCheckDiskLabels(bool value) { check_disk_labels_ = value; }
  virtual int SpanKind() const { return span_kind_; }
  virtual void SetSpanKind(int value) { span_kind_ = value; }

  TZipSortMode SortMode = ByNone;  // order of the view, applied when the directory is read
  bool RecreateDirs = false;
  TUZOverwriteMode OverwriteMode = Prompt;
  bool DoAll = false;
  TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
  bool KeepZipOpen = false;
  bool DoProcessMessages = true;
  bool RetainAttributes = true;
  bool ReplaceReadOnly = false;
  bool FlushFilesOnClose = false;
  bool OEMConvert = true;
  // Threads that decode entries during UnZip, the machine's processors by
  // default; 1 decodes every entry on the calling thread, block by block.
  int ThreadCount = DefaultThreadCount();

  std::string Password;

  // Who answers the component's own message boxes (a method it cannot
  // decode, memory run out, a file that exists under OverwriteMode Prompt,
  // the next disk of a set); empty: the system's boxes, for a person.
  platform::MessageBoxResponder MessageBoxes;
  // Shows one of those boxes (owned by no window) and returns the answer.
  int ShowBox(const std::string& text, const std::string& title, unsigned style) const;

  // ---- Published events -----------------------------------------------------
  TStartUnzipInfo OnStartUnZipInfo;
  TFilePercentDone OnFilePercentDone;
  TTotalPercentDone OnTotalPercentDone;
  TStartUnZipEvent OnStartUnZip;
  TEndUnZipEvent OnEndUnZip;
  TPromptForOverwrite OnPromptForOverwrite;
  TSkippingFile OnSkippingFile;
  TBadPassword OnBadPassword;
  TBadCRC OnBadCRC;
  TIncompleteZip OnInCompleteZip;
  TGetNextDisk OnGetNextDisk;  // the default handler unless designing
  TUnZipComplete OnUnZipComplete;
  TGetNextBuffer OnGetNextBuffer;  // declared and copied only
  TDecryptEvent OnDecrypt;

  // ---- Operations -----------------------------------------------------------
  // Extracts the chosen entries of ZipName into DestDir; returns the number
  // extracted. Defined in unzip.cpp.
  int UnZip();

  // Number of entries held (0 without a directory).
  int Count() const;
  // FileName / comment of entry Index of the sorted view; EListError
  // "Index %d is out of range" outside 0..Count-1.
  std::string FileNameAt(int Index) const;
  std::string FileCommentAt(int Index);
  // The archive comment, read on first use; empty when there is none.
  std::string ZipComment();
  // Entry Index of the sorted view (same index check).
  const TZipEntryInfo& EntryAt(int Index) const;

  // Reads (or re-reads) the directory of ZipName; absorbs EIncompleteZip
  // (retrying through OnInCompleteZip); any other error releases the
  // archive and passes on.
  void ReadZipDirectory();
  // Opens ZipName (read, writers excluded) if not open, and reads the
  // directory unless one is held for the file's current modification time.
  void OpenArchive();
  // Closes the archive file unless KeepZipOpen.
  void CloseArchive();
  // Closes the file even with KeepZipOpen, drops the directory, clears ZipName.
  void ReleaseArchive();
  // Sets the abort flag; long work answers it with EUserCanceled.
  void Cancel() { aborted_ = true; }

  // The open archive stream, or nullptr.
  TBufferedFileStream* ArchiveStream() const { return archive_.get(); }
  bool RecoveredFromLocalHeaders() const { return recovered_; }
  int CurrentDisk() const { return current_disk_; }
  int NumberOfDisks() const { return number_of_disks_; }
  const TEndOfCentralDir& EndRecord() const { return end_record_; }

  // Disk swap: asks OnGetNextDisk for disk n (counted from 1) until it names
  // an acceptable file, opens it as the archive stream and makes it ZipName.
  // Raises EUserCanceled "User canceled loading new disk." when no name
  // comes. Used by the directory read and the extraction data path.
  TBufferedFileStream* SwapToDisk(int n);
  // The handler installed in OnGetNextDisk at construction.
  void DefaultGetNextDisk(TUnZipper* Sender, int NextDisk, std::string& FName);

 protected:
  friend class UnZipRun;  // extraction's helper, defined in unzip.cpp

  // Extracts entry Index of the sorted view (one attempt; the retry flag
  // asks the caller for another). Defined in unzip.cpp.
  void UnZipEntry(int Index);

  // The directory read on the open archive stream, and its steps.
  void ReadDirectory();
  // Finds a plausible end record in the archive, else in NAME.zfc (which then
  // stays open as directory_cache_ for the read).
  bool FindDirectoryEnd();
  // Disk numbers past 999, a directory starting on a later disk than the end
  // record's, or an offset beyond 2 GB make the end record count as missing.
  static bool PlausibleEndRecord(const TEndOfCentralDir& end);
  // SpanKind from the end record and the drive of ZipName.
  void ClassifySpanning();
  // Moves to the first central record (swapping disks when needed).
  void SeekCentralDirectory();
  // No end record: asks OnInCompleteZip, then raises or recovers by mode.
  void AnswerMissingEnd();
  // Reads the records the end record announces into the master list.
  void ReadCentralRecords();
  // One central record; when it cannot be read and the previous record had
  // an extra field, takes that field for missing and tries once more.
  bool ReadOneCentralRecord(TZipEntryInfo& record, TZipEntryInfo* previous);
  // Recovery: copies a central record into the entry scanned at its place;
  // returns that entry or nullptr.
  TZipEntryInfo* MatchScannedEntry(TZipEntryInfo& record);
  // Moves past a record's extra field (looking into it for the ZIP64 field
  // when a size is saturated) and its comment (read when asked).
  void PassExtraAndComment(TZipEntryInfo& record, bool read_comment);
  void ReadSpannedArchiveComment();
  // Where central records are read: the NAME.zfc cache or the archive.
  platform::TStream& DirectoryStream();
  // length bytes of text at position, as far as the stream holds them.
  static std::string ReadTextAt(platform::TStream& stream, int64_t position, size_t length);
  bool RecoverFromLocalHeaders();
  // Rebuilds the sorted view for mode (the master list itself for ByNone).
  void BuildSortedView(TZipSortMode mode);
  void FreeDirectory();
  void OpenArchiveStream();
  void CloseArchiveStream();
  void CheckAbort();
  void ReadCommentOf(TZipEntryInfo& entry);

  // ---- Directory state ----
  std::unique_ptr<TSortedEntryList> master_;  // ByNone, DupError, owning
  std::unique_ptr<TSortedEntryList> sorted_;  // separate view, or null when the master list is the view
  TSortedEntryList* view() const { return sorted_ ? sorted_.get() : master_.get(); }
  TZipEntryInfo working_;  // the entry being extracted
  TEndOfCentralDir end_record_;
  std::unique_ptr<TBufferedFileStream> archive_;
  std::unique_ptr<TBufferedFileStream> directory_cache_;  // NAME.zfc, open during a directory read
  std::optional<int64_t> archive_stamp_;  // modification stamp when the directory was read
  bool recovered_ = false;
  int current_disk_ = 0;
  int number_of_disks_ = 1;
  bool aborted_ = false;

  // ---- Per-run state of UnZip (unzip.cpp) ----
  int unzip_count_ = 0;          // entries extracted so far
  int NumFiles = 0;              // entries selected for the run
  int64_t TotalBytes = 0;        // uncompressed bytes of the selected entries
  int64_t bytes_done_ = 0;       // output bytes of the run so far
  bool retry_ = false;           // the current entry asks to be processed again
  uint8_t local_header_[kLocalHeaderSize] = {};
  std::unique_ptr<WorkBuffers> buffers_;  // decoder work buffers for the run
  // Archive ranges (start -> end and entry index) of the entries extracted
  // in the run; an entry whose range meets one of them is refused.
  struct ExtractedRange {
    uint64_t end;
    int index;
  };
  std::map<uint64_t, ExtractedRange> extracted_ranges_;
  // What the run's workers may hold (a derived class may set others).
  EntryWorkers::Limits worker_limits_ = EntryWorkers::kDefaultLimits;
  // With workers: the workers of the run and the interval pump.
  std::unique_ptr<EntryWorkers> workers_;
  std::unique_ptr<MessagePump> pump_;

 private:
  int this_version_ = kThisVersion;
  std::string zip_name_;
  std::string dest_dir_;
  std::string root_dir_;
  std::vector<std::string> files_list_;
  bool check_disk_labels_ = true;
  int span_kind_ = SpanSingle;
  bool designing_ = false;
};

}  // namespace archive
