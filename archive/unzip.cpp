// TUnZipper::UnZip and UnZipEntry: extraction of the chosen entries into
// DestDir, with the events, password check, overwrite policy, file times and
// attributes, and the verdict on every entry.
//
// Per-entry problems are events (OnSkippingFile, OnBadPassword, OnBadCRC);
// errors that end the run (archive data ending early, an output write that
// fails, the user's abort) leave the files extracted so far in place, and
// OnUnZipComplete is raised on every path.
//
// Entry sizes are unsigned 32-bit values along the whole path: an entry of
// 2 GB and more is extracted like any other.
#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

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
namespace {

platform::LocalDateTime DosToLocal(uint32_t date_time) {
  const uint32_t value = NormalizeDosDateTime(date_time);
  const uint32_t time = value & 0xFFFF, date = value >> 16;
  platform::LocalDateTime local;
  local.second = static_cast<int>((time & 0x1F) * 2);
  local.minute = static_cast<int>((time >> 5) & 0x3F);
  local.hour = static_cast<int>(time >> 11);
  local.day = static_cast<int>(date & 0x1F);
  local.month = static_cast<int>((date >> 5) & 0x0F);
  local.year = static_cast<int>(1980 + (date >> 9));
  return local;
}

// Deletes an output file that failed its verdict, read-only or not.
void DeleteBadFile(const std::string& fname) {
  if (platform::RemoveFile(fname)) return;
  const uint32_t attributes = platform::ReadAttributes(fname);
  if (attributes != platform::kInvalidAttributes && (attributes & platform::kAttrReadOnly)) {
    platform::WriteAttributes(fname, attributes & ~platform::kAttrReadOnly);
    platform::RemoveFile(fname);
  }
}

// Runs the decoder of method; false for a method that has no decoder.
bool RunDecoder(uint16_t method, uint16_t flags, DecoderIO& io, const TUnZipper& zipper) {
  switch (method) {
    case kMethodStored:
      Unstore(io);
      return true;
    case kMethodDeflated:
      if (Inflate(io) == DecodeStatus::OutOfMemory)
        zipper.ShowBox("*** inflate out of memory ***", "Error", platform::kMbOk | platform::kMbIconError);
      return true;
    case kMethodShrunk:
      Unshrink(io);
      return true;
    case kMethodImploded:
      Explode(io, flags);
      return true;
    default:
      if (method >= kMethodReduced1 && method <= kMethodReduced4) {
        Unreduce(io, method - kMethodReduced1 + 1);
        return true;
      }
      return false;
  }
  // Corrupt data is not an exception: it shows in the verdict.
}

}  // namespace

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
  void SkipAndRemove(TSkipReason reason, const std::string& name, int index) {
    Skip(reason, name, index);
    RemoveFromTotals();
  }

  // Reads exactly count bytes of the archive at its current position; the
  // archive ending first raises EFatalUnzipError.
  void ReadArchive(uint8_t* buffer, int64_t count) {
    if (z_.archive_->Read(buffer, count) != count) throw EFatalUnzipError();
  }

  // Reads the entry's local header and its extra field, leaving the archive
  // at the entry's data (at the encryption header of an encrypted entry).
  // Returns the local extra field.
  std::string ReadLocalHeader() {
    const TZipEntryInfo& entry = z_.working_;
    if (z_.SpanKind() != SpanSingle && z_.current_disk_ != entry.DiskNumber) z_.SwapToDisk(entry.DiskNumber + 1);
    z_.archive_->Seek(entry.LocalHeaderOffset, platform::kFromBeginning);
    ReadArchive(z_.local_header_, kLocalHeaderSize);
    // A header that does not begin with the local signature is not detected
    // here; its two lengths are used as read.
    z_.archive_->Seek(ReadU16(z_.local_header_ + local_header::kNameLength), platform::kFromCurrent);
    std::string extra(ReadU16(z_.local_header_ + local_header::kExtraLength), '\0');
    if (!extra.empty()) ReadArchive(reinterpret_cast<uint8_t*>(extra.data()), static_cast<int64_t>(extra.size()));
    return extra;
  }

  // Where the entry's data begins (after the local header, its name and
  // extra field; the encryption header counts as data here).
  int64_t DataStart() const {
    return static_cast<int64_t>(z_.working_.LocalHeaderOffset) + kLocalHeaderSize +
           ReadU16(z_.local_header_ + local_header::kNameLength) +
           ReadU16(z_.local_header_ + local_header::kExtraLength);
  }

  // The bytes of the archive the entry takes, from its local header to the
  // end of its data, as a range of positions (disk in the high word).
  std::pair<uint64_t, uint64_t> ArchiveRange() const {
    const uint64_t disk = static_cast<uint64_t>(z_.working_.DiskNumber) << 32;
    return {disk + z_.working_.LocalHeaderOffset,
            disk + static_cast<uint64_t>(DataStart()) + z_.working_.CompressedSize};
  }

  // True when the range overlaps the data of an entry other than index
  // already extracted in this run (two records sharing data, the way a small
  // archive claims gigabytes).
  bool OverlapsExtracted(std::pair<uint64_t, uint64_t> range, int index) const {
    const auto& taken = z_.extracted_ranges_;
    auto next = taken.lower_bound(range.first);
    if (next != taken.end() && next->second.index != index && next->first < range.second) return true;
    if (next == taken.begin()) return false;
    auto before = std::prev(next);
    return before->second.index != index && before->second.end > range.first;
  }
  void NoteExtracted(std::pair<uint64_t, uint64_t> range, int index) {
    z_.extracted_ranges_[range.first] = {range.second, index};
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

  // The password check of an encrypted entry: reads the encryption header,
  // asking OnBadPassword for another password while the check byte differs.
  // On success the keys are ready for the data and the working compressed
  // size no longer counts the header.
  bool CheckPassword(int index, TraditionalKeys& keys) {
    TZipEntryInfo& entry = z_.working_;
    const uint8_t check = ExpectedCheckByte(entry.Flags, entry.DateTime, entry.CRC32);
    for (;;) {
      uint8_t header[kEncryptionHeaderSize];
      ReadArchive(header, kEncryptionHeaderSize);
      if (CheckEncryptionHeader(keys, z_.Password, header, check)) {
        entry.CompressedSize -= kEncryptionHeaderSize;
        return true;
      }
      if (!AskNewPassword(index)) return false;
      z_.archive_->Seek(-static_cast<int64_t>(kEncryptionHeaderSize), platform::kFromCurrent);
    }
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
        int answer = z_.ShowBox("Replace existing file " + z_.FileNameAt(index) + "?", "File Exists Alert",
                                platform::kMbYesNo | platform::kMbIconQuestion);
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

  // The input side of the data path: blocks from the archive, decrypted,
  // continuing on the next disk of a spanned archive.
  EntryInput::Options InputOptions(int64_t* working_size, TraditionalKeys* keys) {
    EntryInput::Options options;
    options.process_messages = z_.DoProcessMessages;
    options.abort_flag = &z_.aborted_;
    options.pump = z_.pump_.get();
    options.working_compressed_size = working_size;
    if (z_.working_.IsEncrypted()) {
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
    return options;
  }

  // Decodes the entry's data into output. Returns false when the decode did
  // not complete (the output would exceed the uncompressed size).
  bool Decode(EntryOutput& sink, platform::TStream* source, TraditionalKeys* keys) {
    TZipEntryInfo& entry = z_.working_;
    int64_t working_size = entry.CompressedSize;
    EntryInput input(source, InputOptions(&working_size, keys));
    DecoderIO io(*z_.buffers_, input, sink, working_size, entry.UncompressedSize);
    try {
      if (!RunDecoder(entry.Method, entry.Flags, io, z_))
        z_.ShowBox("Unknown Compression Method", "Zip Error", platform::kMbOk | platform::kMbIconError);
    } catch (const EBiggerThanUncompressed&) {
      return false;
    }
    return true;
  }

  // Writes the entry's data to output. Returns whether the entry came out
  // whole: the decode completed and gave exactly the declared size with the
  // stored CRC-32 (computed into *crc). Errors that end the run pass on,
  // with the file as far as it was written.
  bool WriteData(int index, TBufferedFileStream& output, TraditionalKeys& keys, uint32_t* crc) {
    const TZipEntryInfo& entry = z_.working_;
    RunProgress progress;
    progress.total_bytes = z_.TotalBytes;
    progress.bytes_done = z_.bytes_done_;
    if (z_.OnFilePercentDone) progress.file_percent = [this](int percent) { z_.OnFilePercentDone(&z_, percent); };
    if (z_.OnTotalPercentDone) progress.total_percent = [this](int percent) { z_.OnTotalPercentDone(&z_, percent); };
    struct KeepProgress {
      TUnZipper& z;
      RunProgress& progress;
      ~KeepProgress() { z.bytes_done_ = progress.bytes_done; }
    } keep_progress{z_, progress};

    // A worker's result is used only when it came out whole with the
    // password the entry was checked with; anything else is decoded here,
    // so that it shows exactly what the single-threaded path shows.
    if (z_.workers_) {
      std::unique_ptr<DecodedEntry> decoded = z_.workers_->Take(index, [this] { z_.pump_->Tick(); });
      if (decoded && decoded->stream && decoded->password == z_.Password) {
        bool whole = false;
        if (WriteStreamed(output, *decoded->stream, progress, crc, &whole)) return whole;
      } else if (decoded && decoded->whole && decoded->password == z_.Password &&
                 decoded->size == entry.UncompressedSize) {
        WriteDecoded(output, *decoded, progress);
        *crc = decoded->crc;
        return true;
      }
    }

    z_.archive_->Seek(DataStart() + (entry.IsEncrypted() ? kEncryptionHeaderSize : 0), platform::kFromBeginning);
    return DecodeWhole(output, progress, z_.archive_.get(), &keys, crc);
  }

  // Decodes the entry from source (decrypted with keys when set) into
  // output; whether it came out whole, as WriteData says.
  bool DecodeWhole(TBufferedFileStream& output, RunProgress& progress, platform::TStream* source,
                   TraditionalKeys* keys, uint32_t* crc) {
    const TZipEntryInfo& entry = z_.working_;
    EntryOutput sink(output, entry.UncompressedSize, progress);
    bool completed;
    try {
      completed = Decode(sink, source, keys);
      // Written here, not in the destructor, so that a failing last write is
      // an error and not a silently short file.
      output.FlushBuffer();
    } catch (const platform::StreamWriteError&) {
      throw ECantWriteUCF();
    }
    *crc = sink.running_crc() ^ 0xFFFFFFFFu;
    return completed && sink.written() == static_cast<int64_t>(entry.UncompressedSize) && *crc == entry.CRC32;
  }

  // Writes a worker's whole result in the blocks the decoders hand out
  // (32768 bytes, the last one shorter), so the percent events are the same.
  void WriteDecoded(TBufferedFileStream& output, const DecodedEntry& decoded, RunProgress& progress) {
    EntryOutput sink(output, decoded.size, progress, /*compute_crc=*/false);
    try {
      for (size_t at = 0; at < decoded.size; at += kOutputBufferSize) {
        z_.pump_->Tick();
        sink.TakeBlock(decoded.data + at, std::min(kOutputBufferSize, decoded.size - at));
      }
      output.FlushBuffer();
    } catch (const platform::StreamWriteError&) {
      throw ECantWriteUCF();
    }
  }

  // Decodes a streamed entry here from the decrypted compressed data its
  // worker hands over, with the decoder, checks and errors of an entry read
  // from the archive: the worker's decryption and this thread's inflating
  // run side by side. False (nothing written) when the worker could not
  // start the entry: the caller then decodes it from the archive itself.
  bool WriteStreamed(TBufferedFileStream& output, EntryStream& stream, RunProgress& progress, uint32_t* crc,
                     bool* whole) {
    StreamedData source(stream, [this] { z_.pump_->Tick(); });
    if (!source.Started()) return false;
    *whole = DecodeWhole(output, progress, &source, nullptr, crc);
    return true;
  }

  // Starts the run's workers when they may run: more than one thread, one
  // archive file, and no handler that can change how later entries decode
  // (OnBadPassword may change the password, OnDecrypt decrypts instead of
  // the keys); those runs stay on the calling thread alone.
  void StartWorkers() {
    if (z_.ThreadCount <= 1 || z_.SpanKind() != SpanSingle || z_.OnBadPassword || z_.OnDecrypt) return;
    const EntryWorkers::Limits limits = z_.worker_limits_;
    std::vector<WorkerEntry> entries;
    for (int i = 0; i < z_.Count(); ++i) {
      const TZipEntryInfo& e = *z_.view()->Items(i);
      if (!e.Selected || e.FileName().empty() || e.Zip64 || e.HasSaturatedField()) continue;
      WorkerEntry w;
      w.index = i;
      w.local_header_offset = e.LocalHeaderOffset;
      w.compressed_size = e.CompressedSize;
      w.uncompressed_size = e.UncompressedSize;
      w.crc32 = e.CRC32;
      w.date_time = e.DateTime;
      w.method = e.Method;
      w.flags = e.Flags;
      if (EntryWorkers::Suits(w)) entries.push_back(w);
    }
    z_.pump_ = std::make_unique<MessagePump>(z_.DoProcessMessages, &z_.aborted_);
    if (entries.empty()) return;
    z_.workers_ = std::make_unique<EntryWorkers>(z_.ZipName(), std::move(entries), z_.Password, z_.ThreadCount, limits);
  }

  // Gives an output file that completed its decode the entry's time and
  // (with RetainAttributes) its attributes.
  void DateFile(const std::string& fname) {
    platform::SetModifiedTime(fname, DosToLocal(z_.working_.DateTime));
    if (z_.RetainAttributes) platform::WriteAttributes(fname, FileAttributesOf(z_.working_.ExternalAttributes));
  }

  // The verdict on an entry that did not come out whole (wrong CRC, short or
  // long output): an encrypted entry asks for another password (retrying
  // with it) or is skipped as a bad password, an unencrypted one raises
  // OnBadCRC; the file is deleted either way.
  void RejectOutput(int index, const std::string& fname, uint32_t computed) {
    const TZipEntryInfo& entry = z_.working_;
    if (entry.IsEncrypted()) {
      if (AskNewPassword(index)) z_.retry_ = true;
      if (!z_.retry_) Skip(SkipBadPassword, entry.FullName(), index);
    } else if (z_.OnBadCRC) {
      z_.OnBadCRC(&z_, computed, entry.CRC32, index);
    }
    DeleteBadFile(fname);
  }

  // Selection pass: marks the entries to extract and counts them.
  void SelectEntries() {
    z_.TotalBytes = 0;
    z_.bytes_done_ = 0;
    z_.NumFiles = 0;
    for (int i = 0; i < z_.Count(); ++i) {
      TZipEntryInfo* entry = z_.view()->Items(i);
      entry->Selected = IsSelected(*entry);
      if (!entry->Selected) continue;
      ++z_.NumFiles;
      z_.TotalBytes += entry->UncompressedSize;
    }
  }

  bool IsSelected(const TZipEntryInfo& entry) const {
    if (entry.FileName().empty() && !z_.RecreateDirs) return false;
    if (z_.DoAll) return true;
    const std::string name = entry.FullName();
    for (const std::string& pattern : z_.FilesList())
      if (IsMatch(pattern, name)) return true;
    return false;
  }

  // With DoAll every entry (selected or not) is processed, else the selected
  // ones; a retry flag set by a handler processes the same entry again.
  void ExtractSelected() {
    for (int i = 0; i < z_.Count(); ++i) {
      if (!z_.DoAll && !z_.view()->Items(i)->Selected) continue;
      if (z_.workers_) z_.workers_->DropBefore(i);
      do {
        z_.UnZipEntry(i);
      } while (z_.retry_);
    }
  }

  // The destination extraction uses: DestDir, or the current folder when it
  // is empty, so that the same containment holds for every destination.
  std::string Destination() const { return z_.DestDir().empty() ? std::string(".") : z_.DestDir(); }

 private:
  TUnZipper& z_;
};

int TUnZipper::UnZip() {
  aborted_ = false;
  struct ClearAbortOnExit {
    bool& flag;
    ~ClearAbortOnExit() { flag = false; }
  } clear_abort{aborted_};

  if (DestDir() == "?") return 0;

  ReadZipDirectory();
  OpenArchive();

  UnZipRun run(*this);
  // The archive stays open through the run; however the run leaves (the
  // completion handler may raise too), KeepZipOpen gets its value back and
  // the archive is closed unless the caller keeps it open.
  struct ArchiveReleaseOnExit {
    TUnZipper& zipper;
    const bool keep_open;
    ~ArchiveReleaseOnExit() {
      zipper.KeepZipOpen = keep_open;
      zipper.CloseArchive();
    }
  } release_archive{*this, KeepZipOpen};
  KeepZipOpen = true;
  bool view_switched = false;
  unzip_count_ = 0;
  retry_ = false;
  extracted_ranges_.clear();

  auto finish = [&]() {
    workers_.reset();
    pump_.reset();
    buffers_.reset();
    extracted_ranges_.clear();
    FilesList().clear();
    if (view_switched) BuildSortedView(SortMode);
    if (OnUnZipComplete) OnUnZipComplete(this, unzip_count_);
  };

  try {
    buffers_ = std::make_unique<WorkBuffers>();
    const std::string dest = run.Destination();
    if (!platform::DirectoryExists(dest)) platform::ForceDirectories(dest);

    // Spanned archives are extracted in physical order, disk after disk.
    if (SpanKind() != SpanSingle && SortMode != ByNone) {
      BuildSortedView(ByNone);
      view_switched = true;
    }
    run.SelectEntries();

    bool stop_now = false;
    if (OnStartUnZipInfo) OnStartUnZipInfo(this, NumFiles, TotalBytes, stop_now);
    if (NumFiles > 0 && !stop_now) {
      run.StartWorkers();
      run.ExtractSelected();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return unzip_count_;
}

void TUnZipper::UnZipEntry(int Index) {
  UnZipRun run(*this);
  retry_ = false;
  working_.Assign(*view()->Items(Index));
  const TZipEntryInfo& entry = working_;
  const bool folder_entry = entry.FileName().empty();

  std::string local_extra;
  if (!folder_entry) local_extra = run.ReadLocalHeader();

  const std::string dest = run.Destination();
  const std::string folder_d = OutputFolder(dest, RootDir(), entry.Directory(), RecreateDirs);
  std::string fname = folder_d + entry.FileName();

  // Names that would leave the destination, open a device, write an
  // alternate stream, meet another name, or exceed the path limit are
  // never created.
  if (!IsSafeOutputPath(dest, fname) || !FitsPathLimit(fname)) {
    run.Skip(SkipCannotCreate, fname, Index);
    if (!folder_entry) run.RemoveFromTotals();
    return;
  }
  if (folder_entry) {
    if (RecreateDirs && !platform::DirectoryExists(folder_d)) platform::ForceDirectories(folder_d);
    ++unzip_count_;
    return;
  }

  // Entries this reader cannot extract, and entries whose records contradict
  // the archive, are refused before anything is created.
  if (entry.Zip64 || (entry.HasSaturatedField() && HasZip64Field(local_extra))) {
    run.SkipAndRemove(SkipUnsupported, fname, Index);
    return;
  }
  const auto range = run.ArchiveRange();
  if (run.OverlapsExtracted(range, Index) ||
      (entry.IsEncrypted() && entry.CompressedSize < kEncryptionHeaderSize)) {
    run.SkipAndRemove(SkipBadEntry, fname, Index);
    return;
  }

  bool skip = false;
  if (OnStartUnZip) OnStartUnZip(this, Index, fname, skip);
  if (skip) return;

  const std::string folder = FolderOf(fname);
  if (!folder.empty() && !platform::DirectoryExists(folder)) platform::ForceDirectories(folder);

  TraditionalKeys keys;
  if (entry.IsEncrypted() && !run.CheckPassword(Index, keys)) {
    run.SkipAndRemove(SkipBadPassword, entry.FullName(), Index);
    return;
  }
  if (OverwriteMode != Always && platform::FileExists(fname) && !run.OverwriteExisting(Index, fname)) {
    run.SkipAndRemove(SkipKeepExisting, fname, Index);
    return;
  }
  std::unique_ptr<TBufferedFileStream> output = run.CreateOutput(fname);
  if (!output) {
    run.SkipAndRemove(SkipCannotCreate, fname, Index);
    return;
  }

  run.NoteExtracted(range, Index);
  uint32_t computed = 0;
  bool whole;
  try {
    whole = run.WriteData(Index, *output, keys, &computed);
  } catch (const EUserCanceled&) {
    // The user's abort leaves no partial file behind.
    output.reset();
    DeleteBadFile(fname);
    throw;
  }
  output.reset();

  if (!whole) {
    run.RejectOutput(Index, fname, computed);
    return;
  }
  run.DateFile(fname);
  if (OnEndUnZip) OnEndUnZip(this, Index, fname);
  ++unzip_count_;
}

}  // namespace archive
