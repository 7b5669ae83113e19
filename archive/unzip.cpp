// TUnZipper::UnZip and UnZipEntry: extraction of the chosen entries into
// DestDir, with the events, password check, overwrite policy, file times and
// attributes, and the CRC verdict of every entry.
//
// Per-entry problems are events (OnSkippingFile, OnBadPassword, OnBadCRC);
// errors that end the run (archive data ending early, an output write that
// fails, the user's abort) leave the files extracted so far in place, and
// OnUnZipComplete is raised on every path.
#include <memory>
#include <string>

#include "archive/decoders/decoder_io.h"
#include "archive/decoders/explode.h"
#include "archive/decoders/inflate.h"
#include "archive/decoders/stored.h"
#include "archive/decoders/traditional_crypt.h"
#include "archive/decoders/unreduce.h"
#include "archive/decoders/unshrink.h"
#include "archive/extract_data_path.h"
#include "archive/extract_paths.h"
#include "archive/unzipper.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace archive {

// Helpers of UnZip that need the component's state.
class UnZipRun {
 public:
  explicit UnZipRun(TUnZipper& zipper) : z_(zipper) {}

  // Takes a skipped entry's size out of TotalBytes, so that
  // OnTotalPercentDone can still reach 100.
  void RemoveFromTotals() { z_.TotalBytes -= z_.working_.UncompressedSize; }

  void Skip(TSkipReason reason, const std::string& name, int index) {
    if (z_.OnSkippingFile) z_.OnSkippingFile(&z_, reason, name, index, z_.retry_);
  }

  // Reads exactly count bytes of the archive at its current position; the
  // archive ending first raises EFatalUnzipError.
  void ReadArchive(uint8_t* buffer, int64_t count) {
    if (z_.archive_->Read(buffer, count) != count) throw EFatalUnzipError();
  }

  // Asks OnBadPassword for another password; true when it gave a different
  // one, which becomes Password.
  bool AskNewPassword(int index) {
    if (!z_.OnBadPassword) return false;
    std::string offered = z_.Password;
    z_.OnBadPassword(&z_, index, offered);
    if (offered == z_.Password) return false;
    z_.Password = offered;
    return true;
  }

  // The overwrite policy for an existing FName; true to overwrite. The
  // OnPromptForOverwrite handler may change FName.
  bool OverwriteExisting(int index, std::string& fname) {
    switch (z_.OverwriteMode) {
      case Always:
        return true;
      case Prompt: {
        if (z_.OnPromptForOverwrite) {
          bool overwrite = false;
          z_.OnPromptForOverwrite(&z_, overwrite, index, fname);
          return overwrite;
        }
        int answer = platform::ShowMessageBox("Replace existing file " + z_.FileNameAt(index) + "?",
                                              "File Exists Alert", platform::kMbYesNo | platform::kMbIconQuestion,
                                              platform::MessageBoxOwner::None);
        return answer == platform::kIdYes;
      }
      case Never:
        return false;
      case ifNewer:
      case ifOlder: {
        // A file whose time cannot be read is kept: replacing it would be a
        // guess that may lose data.
        std::optional<platform::LocalDateTime> existing = platform::ModifiedTime(fname);
        if (!existing) return false;
        platform::LocalDateTime entry = DosToLocal(z_.working_.DateTime);
        return z_.OverwriteMode == ifNewer ? entry > *existing : entry < *existing;
      }
    }
    return false;
  }

  // Creates the output file; on the first "Cannot create file" with
  // ReplaceReadOnly, clears a read-only attribute and tries once more.
  // Returns null when the file cannot be created.
  std::unique_ptr<TBufferedFileStream> CreateOutput(const std::string& fname) {
    bool failed_before = false;
    for (;;) {
      try {
        return std::make_unique<TBufferedFileStream>(fname, kFileBufferSize, z_.FlushFilesOnClose,
                                                     platform::File::Mode::Create);
      } catch (const platform::FileCreateError&) {
        if (!z_.ReplaceReadOnly || failed_before) return nullptr;
        failed_before = true;
        uint32_t attributes = platform::ReadAttributes(fname);
        if (attributes != platform::kInvalidAttributes && (attributes & platform::kAttrReadOnly))
          platform::WriteAttributes(fname, attributes & ~platform::kAttrReadOnly);
      } catch (const platform::Error&) {
        return nullptr;
      }
    }
  }

  // Runs the decoder of the entry's method. Returns false when the decode
  // did not complete (the output would exceed the uncompressed size).
  bool Decode(EntryOutput& sink, TraditionalKeys* keys) {
    TZipEntryInfo& entry = z_.working_;
    int64_t working_size = entry.CompressedSize;

    EntryInput::Options options;
    options.process_messages = z_.DoProcessMessages;
    options.abort_flag = &z_.aborted_;
    options.working_compressed_size = &working_size;
    if (entry.IsEncrypted()) {
      if (z_.OnDecrypt) {
        options.decrypt = [this](uint8_t* block, size_t n) {
          z_.OnDecrypt(&z_, block, static_cast<int>(n), z_.Password);
        };
      } else {
        options.keys = keys;
      }
    }
    if (z_.SpanKind() != SpanSingle && z_.OnGetNextDisk) {
      options.next_disk = [this]() -> platform::TStream* {
        // There is no disk after the last one: data running past it is an
        // archive that ends early (asking for it would never end).
        if (z_.current_disk_ + 1 >= z_.number_of_disks_) throw EFatalUnzipError();
        try {
          return z_.SwapToDisk(z_.current_disk_ + 2);
        } catch (const EUserCanceled&) {
          throw EUserCanceled(kUserAborted);
        }
      };
    }
    EntryInput input(z_.archive_.get(), std::move(options));
    DecoderIO io(*z_.buffers_, input, sink, working_size, entry.UncompressedSize);

    try {
      DecodeStatus status = DecodeStatus::Completed;
      switch (entry.Method) {
        case 0:
          status = Unstore(io);
          break;
        case 8:
          status = Inflate(io);
          if (status == DecodeStatus::OutOfMemory)
            platform::ShowMessageBox("*** inflate out of memory ***", "Error", platform::kMbOk | platform::kMbIconError,
                                     platform::MessageBoxOwner::None);
          break;
        default:
          if (!DecodeLegacyMethod(entry.Method, entry.Flags, io, &status)) {
            platform::ShowMessageBox("Unknown Compression Method", "Zip Error",
                                     platform::kMbOk | platform::kMbIconError, platform::MessageBoxOwner::None);
          }
          break;
      }
      (void)status;  // corrupt data shows in the CRC check
    } catch (const EBiggerThanUncompressed&) {
      return false;
    }
    return true;
  }

  // Methods 1 to 6 (shrunk, reduced with factors 1 to 4, imploded). Returns
  // false for a method that has no decoder.
  static bool DecodeLegacyMethod(int method, uint16_t flags, DecoderIO& io, DecodeStatus* status);

  static platform::LocalDateTime DosToLocal(uint32_t date_time) {
    uint32_t value = NormalizeDosDateTime(date_time);
    uint32_t time = value & 0xFFFF, date = value >> 16;
    platform::LocalDateTime local;
    local.second = static_cast<int>((time & 0x1F) * 2);
    local.minute = static_cast<int>((time >> 5) & 0x3F);
    local.hour = static_cast<int>(time >> 11);
    local.day = static_cast<int>(date & 0x1F);
    local.month = static_cast<int>((date >> 5) & 0x0F);
    local.year = static_cast<int>(1980 + (date >> 9));
    return local;
  }

  // Deletes an output file that failed its CRC check, read-only or not.
  static void DeleteBadFile(const std::string& fname) {
    if (platform::RemoveFile(fname)) return;
    uint32_t attributes = platform::ReadAttributes(fname);
    if (attributes != platform::kInvalidAttributes && (attributes & platform::kAttrReadOnly)) {
      platform::WriteAttributes(fname, attributes & ~platform::kAttrReadOnly);
      platform::RemoveFile(fname);
    }
  }

 private:
  TUnZipper& z_;
};

bool UnZipRun::DecodeLegacyMethod(int method, uint16_t flags, DecoderIO& io, DecodeStatus* status) {
  switch (method) {
    case 1:
      *status = Unshrink(io);
      return true;
    case 2:
    case 3:
    case 4:
    case 5:
      *status = Unreduce(io, method - 1);
      return true;
    case 6:
      *status = Explode(io, flags);
      return true;
    default:
      return false;
  }
}

int TUnZipper::UnZip() {
  aborted_ = false;
  struct ClearAbortOnExit {
    bool& flag;
    ~ClearAbortOnExit() { flag = false; }
  } clear_abort{aborted_};

  if (DestDir() == "?") return 0;

  ReadZipDirectory();
  OpenArchive();

  const bool keep_open = KeepZipOpen;
  KeepZipOpen = true;
  bool view_switched = false;
  unzip_count_ = 0;
  retry_ = false;

  auto finish = [&]() {
    buffers_.reset();
    FilesList().clear();
    if (view_switched) BuildSortedView(SortMode);
    if (OnUnZipComplete) OnUnZipComplete(this, unzip_count_);
    KeepZipOpen = keep_open;
  };

  try {
    buffers_ = std::make_unique<WorkBuffers>();
    if (!DestDir().empty() && !platform::DirectoryExists(DestDir())) platform::ForceDirectories(DestDir());

    if (SpanKind() != SpanSingle && SortMode != ByNone) {
      BuildSortedView(ByNone);
      view_switched = true;
    }

    TotalBytes = 0;
    bytes_done_ = 0;
    NumFiles = 0;
    const int count = Count();
    for (int i = 0; i < count; ++i) {
      TZipEntryInfo* entry = view()->Items(i);
      bool selected = DoAll;
      if (entry->FileName().empty() && !RecreateDirs) {
        selected = false;
      } else if (!DoAll) {
        std::string name = entry->FullName();
        for (const std::string& pattern : FilesList()) {
          if (IsMatch(pattern, name)) {
            selected = true;
            break;
          }
        }
      }
      entry->Selected = selected;
      if (selected) {
        ++NumFiles;
        TotalBytes += entry->UncompressedSize;
      }
    }

    bool stop_now = false;
    if (OnStartUnZipInfo) OnStartUnZipInfo(this, NumFiles, TotalBytes, stop_now);

    if (NumFiles > 0 && !stop_now) {
      for (int i = 0; i < count; ++i) {
        if (!DoAll && !view()->Items(i)->Selected) continue;
        do {
          UnZipEntry(i);
        } while (retry_);
      }
    }
  } catch (...) {
    finish();
    CloseArchive();
    throw;
  }
  finish();
  CloseArchive();
  return unzip_count_;
}

void TUnZipper::UnZipEntry(int Index) {
  UnZipRun run(*this);
  retry_ = false;
  working_.Assign(*view()->Items(Index));
  const TZipEntryInfo& entry = working_;

  if (!entry.FileName().empty()) {
    if (SpanKind() != SpanSingle && current_disk_ != entry.DiskNumber) SwapToDisk(entry.DiskNumber + 1);
    archive_->Seek(entry.LocalHeaderOffset, platform::kFromBeginning);
    run.ReadArchive(local_header_, kLocalHeaderSize);
    archive_->Seek(ReadU16(local_header_ + 26) + ReadU16(local_header_ + 28), platform::kFromCurrent);
  }

  const std::string folder_d = OutputFolder(DestDir(), RootDir(), entry.Directory(), RecreateDirs);

  if (entry.FileName().empty()) {
    if (!StaysInside(DestDir(), folder_d)) {
      run.Skip(SkipCannotCreate, folder_d, Index);
      return;
    }
    if (RecreateDirs && !platform::DirectoryExists(folder_d)) platform::ForceDirectories(folder_d);
    ++unzip_count_;
    return;
  }

  std::string fname = folder_d + entry.FileName();
  if (!StaysInside(DestDir(), fname)) {
    // The entry's name would put it outside the destination: never written.
    run.Skip(SkipCannotCreate, fname, Index);
    run.RemoveFromTotals();
    return;
  }

  bool skip = false;
  if (OnStartUnZip) OnStartUnZip(this, Index, fname, skip);
  if (skip) return;

  std::string folder = FolderOf(fname);
  if (!folder.empty() && !platform::DirectoryExists(folder)) platform::ForceDirectories(folder);

  TraditionalKeys keys;
  if (entry.IsEncrypted()) {
    const uint8_t check = ExpectedCheckByte(entry.Flags, entry.DateTime, entry.CRC32);
    for (;;) {
      uint8_t header[kEncryptionHeaderSize];
      run.ReadArchive(header, kEncryptionHeaderSize);
      working_.CompressedSize -= static_cast<int32_t>(kEncryptionHeaderSize);
      if (CheckEncryptionHeader(keys, Password, header, check)) break;
      if (run.AskNewPassword(Index)) {
        archive_->Seek(-static_cast<int64_t>(kEncryptionHeaderSize), platform::kFromCurrent);
        working_.CompressedSize += static_cast<int32_t>(kEncryptionHeaderSize);
        continue;
      }
      run.Skip(SkipBadPassword, entry.FullName(), Index);
      run.RemoveFromTotals();
      return;
    }
  }

  if (OverwriteMode != Always && platform::FileExists(fname) && !run.OverwriteExisting(Index, fname)) {
    run.Skip(SkipKeepExisting, fname, Index);
    run.RemoveFromTotals();
    return;
  }

  std::unique_ptr<TBufferedFileStream> output = run.CreateOutput(fname);
  if (!output) {
    run.Skip(SkipCannotCreate, fname, Index);
    run.RemoveFromTotals();
    return;
  }

  int64_t data_start = static_cast<int64_t>(entry.LocalHeaderOffset) + kLocalHeaderSize + ReadU16(local_header_ + 26) +
                       ReadU16(local_header_ + 28) + (entry.IsEncrypted() ? kEncryptionHeaderSize : 0);
  archive_->Seek(data_start, platform::kFromBeginning);

  RunProgress progress;
  progress.total_bytes = TotalBytes;
  progress.bytes_done = bytes_done_;
  if (OnFilePercentDone) progress.file_percent = [this](int percent) { OnFilePercentDone(this, percent); };
  if (OnTotalPercentDone) progress.total_percent = [this](int percent) { OnTotalPercentDone(this, percent); };

  EntryOutput sink(*output, entry.UncompressedSize, progress);
  bool completed;
  try {
    completed = run.Decode(sink, &keys);
    bytes_done_ = progress.bytes_done;
    // Written here, not in the destructor, so that a failing last write is
    // an error and not a silently short file.
    output->FlushBuffer();
  } catch (const platform::StreamWriteError&) {
    bytes_done_ = progress.bytes_done;
    output.reset();
    throw ECantWriteUCF();
  } catch (...) {
    bytes_done_ = progress.bytes_done;
    output.reset();
    throw;
  }
  output.reset();

  if (completed) {
    platform::SetModifiedTime(fname, UnZipRun::DosToLocal(entry.DateTime));
    if (RetainAttributes) platform::WriteAttributes(fname, FileAttributesOf(entry.ExternalAttributes));
  }

  const uint32_t computed = sink.running_crc() ^ 0xFFFFFFFFu;
  if (computed == entry.CRC32) {
    if (OnEndUnZip) OnEndUnZip(this, Index, fname);
    ++unzip_count_;
    return;
  }
  if (entry.IsEncrypted()) {
    if (run.AskNewPassword(Index)) retry_ = true;
    if (!retry_) run.Skip(SkipBadPassword, entry.FullName(), Index);
  } else if (OnBadCRC) {
    OnBadCRC(this, computed, entry.CRC32, Index);
  }
  UnZipRun::DeleteBadFile(fname);
}

}  // namespace archive
