#include "archive/extract_data_path.h"
#include "archive/unzipper.h"

#include <algorithm>
#include <cstdio>

#include "archive/decoders/decoder_io.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/messages.h"

namespace archive {
namespace {

constexpr const char* kOpenZipTitle = "Open a Zip File";
constexpr const char* kOpenZipFilter =
    "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*.*";
constexpr int64_t kRecoveryStartInExe = 14000;
constexpr int64_t kRecoveryPumpInterval = 10240;

// The installed default OnGetNextDisk handler. It forwards to its Sender, so
// a copy made by Assign serves the component it was copied to; the swap
// recognises it by its type.
struct DefaultDiskHandler {
  void operator()(TUnZipper* sender, int next_disk, std::string& name) const {
    sender->DefaultGetNextDisk(sender, next_disk, name);
  }
};

using gbk::UpperAscii;

// Offset of the extension's dot in a path, or npos when the last component
// has none.
size_t ExtensionDot(const std::string& path) {
  size_t slash = gbk::LastBackslash(path);
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
  size_t dot = ExtensionDot(path);
  return (dot == std::string::npos ? path : path.substr(0, dot)) + extension;
}

std::string FileExtension(const std::string& path) {
  size_t dot = ExtensionDot(path);
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ThreeDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%3.3d", n);
  return text;
}

// ".001" for disk 1, the extension of the numbered-volume naming.
std::string NumberedExtension(int n) {
  char text[16];
  std::snprintf(text, sizeof text, ".%3.3d", n);
  return text;
}

std::string DriveRoot(const std::string& path) { return UpperAscii(path.substr(0, 3)); }

// One character of GBK text for wildcard matching: a single byte (ASCII
// letters lower-cased) or a lead byte with its trail byte.
std::vector<unsigned> MatchCharacters(const std::string& text) {
  std::vector<unsigned> out;
  out.reserve(text.size());
  gbk::ForEachChar(text, [&](size_t at, size_t length) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    if (length == 2)
      out.push_back((c << 8) | static_cast<unsigned char>(text[at + 1]));
    else
      out.push_back(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  return out;
}

// A compiled pattern token: a literal, "?", "*", or a set.
struct PatternToken {
  enum Kind { Literal, AnyOne, AnyRun, Set } kind = Literal;
  unsigned literal = 0;
  bool negated = false;
  std::vector<std::pair<unsigned, unsigned>> ranges;
  bool Matches(unsigned c) const {
    switch (kind) {
      case Literal: return c == literal;
      case AnyOne: return true;
      case AnyRun: return true;
      case Set: {
        bool in = std::any_of(ranges.begin(), ranges.end(),
                              [c](const auto& r) { return c >= r.first && c <= r.second; });
        return in != negated;
      }
    }
    return false;
  }
};

bool CompilePattern(const std::vector<unsigned>& pattern, std::vector<PatternToken>& tokens) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    PatternToken token;
    unsigned c = pattern[i];
    if (c == '*') {
      token.kind = PatternToken::AnyRun;
    } else if (c == '?') {
      token.kind = PatternToken::AnyOne;
    } else if (c == '<') {
      token.kind = PatternToken::Set;
      ++i;
      if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) {
        token.negated = true;
        ++i;
      }
      bool closed = false;
      while (i < pattern.size()) {
        if (pattern[i] == '>') {
          closed = true;
          break;
        }
        unsigned low = pattern[i], high = low;
        if (i + 1 < pattern.size() && pattern[i + 1] == '-') {
          if (i + 2 >= pattern.size() || pattern[i + 2] == '>') return false;  // range without its end
          high = pattern[i + 2];
          i += 2;
        }
        token.ranges.emplace_back(std::min(low, high), std::max(low, high));
        ++i;
      }
      if (!closed) return false;
    } else {
      token.literal = c;
    }
    tokens.push_back(std::move(token));
  }
  return true;
}

}  // namespace

bool IsMatch(const std::string& pattern, const std::string& text) {
  if (pattern == "*") return true;
  std::vector<PatternToken> tokens;
  if (!CompilePattern(MatchCharacters(pattern), tokens)) return false;
  std::vector<unsigned> chars = MatchCharacters(text);
  // Every token but "*" takes exactly one character, so remembering the last
  // star and retrying from it is enough (no exponential backtracking).
  size_t t = 0, c = 0, star = std::string::npos, star_c = 0;
  while (c < chars.size()) {
    if (t < tokens.size() && tokens[t].kind == PatternToken::AnyRun) {
      star = t++;
      star_c = c;
    } else if (t < tokens.size() && tokens[t].Matches(chars[c])) {
      ++t;
      ++c;
    } else if (star != std::string::npos) {
      t = star + 1;
      c = ++star_c;
    } else {
      return false;
    }
  }
  while (t < tokens.size() && tokens[t].kind == PatternToken::AnyRun) ++t;
  return t == tokens.size();
}

// ---- Construction -----------------------------------------------------------

TUnZipper::TUnZipper(bool designing) : working_(true), designing_(designing) {
  if (!designing_) OnGetNextDisk = DefaultDiskHandler{};
}

TUnZipper::~TUnZipper() { ReleaseArchive(); }

void TUnZipper::Assign(const TUnZipper& source) {
  if (&source == this) return;
  SetZipName(source.zip_name_);
  dest_dir_ = source.dest_dir_;
  root_dir_ = source.root_dir_;
  SortMode = source.SortMode;
  RecreateDirs = source.RecreateDirs;
  OverwriteMode = source.OverwriteMode;
  files_list_ = source.files_list_;
  DoAll = source.DoAll;
  IncompleteZipMode = source.IncompleteZipMode;
  KeepZipOpen = source.KeepZipOpen;
  DoProcessMessages = source.DoProcessMessages;
  ThreadCount = source.ThreadCount;
  RetainAttributes = source.RetainAttributes;
  ReplaceReadOnly = source.ReplaceReadOnly;
  OnStartUnZipInfo = source.OnStartUnZipInfo;
  OnFilePercentDone = source.OnFilePercentDone;
  OnTotalPercentDone = source.OnTotalPercentDone;
  OnStartUnZip = source.OnStartUnZip;
  OnEndUnZip = source.OnEndUnZip;
  OnPromptForOverwrite = source.OnPromptForOverwrite;
  OnSkippingFile = source.OnSkippingFile;
  OnBadPassword = source.OnBadPassword;
  OnBadCRC = source.OnBadCRC;
  OnInCompleteZip = source.OnInCompleteZip;
  OnGetNextDisk = source.OnGetNextDisk;
  OnUnZipComplete = source.OnUnZipComplete;
  OnGetNextBuffer = source.OnGetNextBuffer;
}

void TUnZipper::Loaded() {
  this_version_ = kThisVersion;
  working_.OEMFlag = OEMConvert;
}

// ---- Properties -------------------------------------------------------------

void TUnZipper::SetZipName(const std::string& requested) {
  if (designing_) {
    zip_name_ = requested;
    return;
  }
  if (gbk::SameText(requested, zip_name_)) return;
  std::string name = requested;
  if (!name.empty() && name.back() == '?') {
    std::string folder;
    size_t slash = gbk::LastBackslash(name);
    if (slash != std::string::npos) folder = name.substr(0, slash);
    std::string initial = !folder.empty() && platform::DirectoryExists(folder) ? folder : "C:\\";
    name = platform::BrowseForOpenFile(kOpenZipTitle, kOpenZipFilter, initial);
    if (name.empty()) throw EUserCanceled(kUserCanceledZipName);
  }
  zip_name_ = name;
  FreeDirectory();
  archive_stamp_.reset();
  end_record_.Reset();
  archive_.reset();
  recovered_ = false;
}

void TUnZipper::SetDestDir(const std::string& requested) {
  std::string folder = requested;
  if (folder == "?" && !designing_) {
    std::string start = platform::DirectoryExists(dest_dir_) ? dest_dir_ : platform::CurrentDirectory();
    folder = platform::BrowseForFolder("", start, true);
    if (folder.empty()) throw EUserCanceled(kUserCanceledDestDir);
  }
  if (gbk::EndsWithBackslash(folder)) folder.pop_back();
  dest_dir_ = folder;
}

void TUnZipper::SetRootDir(const std::string& folder) {
  root_dir_ = folder;
  if (!root_dir_.empty() && !gbk::EndsWithBackslash(root_dir_)) root_dir_ += '\\';
}

// ---- Directory access -------------------------------------------------------

int TUnZipper::Count() const { return master_ ? master_->Count() : 0; }

const TZipEntryInfo& TUnZipper::EntryAt(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfRange(Index);
  return *view()->Items(Index);
}

std::string TUnZipper::FileNameAt(int Index) const { return EntryAt(Index).FileName(); }

std::string TUnZipper::FileCommentAt(int Index) {
  const TZipEntryInfo& listed = EntryAt(Index);
  if (!listed.HasComment()) return std::string();
  if (listed.Comment) return *listed.Comment;
  OpenArchive();
  // Opening may have re-read the directory: look the entry up again.
  TZipEntryInfo& entry = const_cast<TZipEntryInfo&>(EntryAt(Index));
  if (!entry.Comment) ReadCommentOf(entry);
  std::string comment = entry.Comment.value_or(std::string());
  if (SpanKind() == SpanSingle) CloseArchive();
  return comment;
}

void TUnZipper::ReadCommentOf(TZipEntryInfo& entry) {
  platform::TStream& stream = *archive_;
  namespace field = central_record;
  uint8_t record[kCentralRecordSize];
  std::string comment;
  stream.Seek(entry.CentralRecordOffset, platform::kFromBeginning);
  if (stream.Read(record, kCentralRecordSize) == kCentralRecordSize && ReadU32(record) == Signatures().central) {
    const int64_t at = stream.Position() + ReadU16(record + field::kNameLength) + ReadU16(record + field::kExtraLength);
    comment = ReadTextAt(stream, at, ReadU16(record + field::kCommentLength));
  }
  entry.Comment = comment;
}

std::string TUnZipper::ZipComment() {
  if (!end_record_.HasComment()) return std::string();
  if (end_record_.Comment) return *end_record_.Comment;
  OpenArchive();
  if (!end_record_.Comment && end_record_.HasComment())
    end_record_.Comment = ReadTextAt(*archive_, end_record_.CommentPosition, end_record_.CommentLength);
  std::string comment = end_record_.Comment.value_or(std::string());
  if (SpanKind() == SpanSingle) CloseArchive();
  return comment;
}

// ---- Opening and closing ----------------------------------------------------

void TUnZipper::OpenArchiveStream() {
  archive_ = std::make_unique<TBufferedFileStream>(zip_name_, kFileBufferSize, false,
                                                   platform::File::Mode::ReadDenyWrite);
}

void TUnZipper::CloseArchiveStream() { archive_.reset(); }

void TUnZipper::OpenArchive() {
  if (!archive_) OpenArchiveStream();
  if (!master_ || archive_stamp_ != archive_->file().ModifiedStamp()) ReadDirectory();
}

void TUnZipper::CloseArchive() {
  if (!KeepZipOpen) CloseArchiveStream();
}

void TUnZipper::ReleaseArchive() {
  CloseArchiveStream();
  FreeDirectory();
  end_record_.Reset();
  recovered_ = false;
  archive_stamp_.reset();
  number_of_disks_ = 1;
  SetSpanKind(SpanSingle);
  zip_name_.clear();
}

void TUnZipper::FreeDirectory() {
  sorted_.reset();
  master_.reset();
}

void TUnZipper::CheckAbort() {
  if (!aborted_) return;
  aborted_ = false;
  throw EUserCanceled(kUserAborted);
}

void TUnZipper::ReadZipDirectory() {
  aborted_ = false;
  for (;;) {
    try {
      platform::CursorScope hourglass(platform::CursorShape::Hourglass);
      OpenArchive();
      CloseArchive();
      return;
    } catch (const EIncompleteZip&) {
      CloseArchiveStream();
      // A handler may supply the missing part or change the mode; without one
      // the component simply holds no directory.
      if (!OnInCompleteZip) return;
    } catch (...) {
      ReleaseArchive();
      throw;
    }
  }
}

void TUnZipper::BuildSortedView(TZipSortMode mode) {
  sorted_.reset();
  if (mode == ByNone || !master_) return;
  sorted_ = std::make_unique<TSortedEntryList>(mode, false, DupAccept);
  for (int i = 0; i < master_->Count(); ++i) sorted_->Add(master_->Items(i));
}

// ---- The directory read -----------------------------------------------------
//
// ReadDirectory runs on the open archive stream: it finds the end record (or
// the central directory kept apart in NAME.zfc), classifies the spanning,
// reads the central records (recovering from the local headers when they do
// not hold together), reads the comments a spanned archive needs at once, and
// builds the sorted view.

void TUnZipper::ReadDirectory() {
  archive_stamp_ = archive_->file().ModifiedStamp();
  FreeDirectory();
  recovered_ = false;
  end_record_.Reset();
  struct CloseCacheOnExit {
    std::unique_ptr<TBufferedFileStream>& cache;
    ~CloseCacheOnExit() { cache.reset(); }
  } close_cache{directory_cache_};

  if (FindDirectoryEnd()) {
    current_disk_ = directory_cache_ ? 0 : end_record_.ThisDisk;
    ClassifySpanning();
    SeekCentralDirectory();
  } else {
    AnswerMissingEnd();
  }
  if (!master_) master_ = std::make_unique<TSortedEntryList>(ByNone, true, DupError);
  ReadCentralRecords();
  if (SpanKind() != SpanSingle && end_record_.HasComment()) ReadSpannedArchiveComment();
  number_of_disks_ = end_record_.ThisDisk + 1;
  current_disk_ = directory_cache_ ? 0 : end_record_.ThisDisk;
  BuildSortedView(SortMode);
}

bool TUnZipper::FindDirectoryEnd() {
  if (end_record_.FindEndRecord(*archive_) && PlausibleEndRecord(end_record_)) return true;
  end_record_.Reset();
  // A central directory kept apart in NAME.zfc (spanned sets written with
  // the directory on a separate file).
  const std::string cache_name = ChangeFileExt(zip_name_, ".zfc");
  if (!platform::FileExists(cache_name)) return false;
  directory_cache_ =
      std::make_unique<TBufferedFileStream>(cache_name, kFileBufferSize, false, platform::File::Mode::ReadShared);
  if (end_record_.FindEndRecord(*directory_cache_)) return true;
  end_record_.Reset();
  directory_cache_.reset();
  return false;
}

bool TUnZipper::PlausibleEndRecord(const TEndOfCentralDir& end) {
  return end.ThisDisk <= 999 && end.CentralDirStartDisk <= 999 && end.ThisDisk >= end.CentralDirStartDisk &&
         static_cast<int32_t>(end.CentralDirOffset) >= 0;
}

void TUnZipper::ClassifySpanning() {
  if (end_record_.ThisDisk == 0)
    SetSpanKind(SpanSingle);
  else if (zip_name_.size() < 2 || zip_name_[1] != ':')
    SetSpanKind(SpanSplitFiles);
  else
    SetSpanKind(platform::DriveKind(DriveRoot(zip_name_)) == platform::DriveType::Removable ? SpanRemovable
                                                                                            : SpanSplitFiles);
}

void TUnZipper::SeekCentralDirectory() {
  if (end_record_.TotalEntries == 0) return;
  if (SpanKind() != SpanSingle && !directory_cache_ && end_record_.CentralDirStartDisk != current_disk_)
    SwapToDisk(end_record_.CentralDirStartDisk + 1);
  DirectoryStream().Seek(directory_cache_ ? 0 : end_record_.CentralDirOffset, platform::kFromBeginning);
}

void TUnZipper::AnswerMissingEnd() {
  end_record_.Reset();
  if (OnInCompleteZip) OnInCompleteZip(this, IncompleteZipMode);
  if (IncompleteZipMode == izAssumeNotAZip) throw ENotAZipFile();
  if (IncompleteZipMode == izAssumeMulti) throw EIncompleteZip();
  if (!RecoverFromLocalHeaders()) {
    ReleaseArchive();
    throw EBadZipFile();
  }
}

platform::TStream& TUnZipper::DirectoryStream() {
  if (directory_cache_) return *directory_cache_;
  return *archive_;
}

void TUnZipper::ReadCentralRecords() {
  const bool spanned = SpanKind() != SpanSingle;
  TZipEntryInfo* previous = nullptr;
  // Starts the loop over on the records matched to the local headers, or
  // gives up on an archive whose records do not hold together.
  auto recover_or_fail = [&](int& i, bool may_recover) {
    if (!may_recover || !RecoverFromLocalHeaders()) {
      ReleaseArchive();
      throw EBadZipFile();
    }
    directory_cache_.reset();
    previous = nullptr;
    i = 0;
  };
  for (int i = 0; i < end_record_.TotalEntries;) {
    auto record = std::make_unique<TZipEntryInfo>(OEMConvert);
    bool read = ReadOneCentralRecord(*record, previous);
    if (!read) {
      if (recovered_) break;  // the directory holds what was matched so far
      recover_or_fail(i, !spanned);
      continue;
    }
    // Disk numbers mean nothing in a single-file archive: entries are told
    // apart by their positions alone, so records that differ only in the
    // disk they claim still point at one local header.
    if (!spanned) record->DiskNumber = 0;
    if (recovered_) {
      previous = MatchScannedEntry(*record);
      ++i;
      continue;
    }
    try {
      master_->Add(record.get());
    } catch (const EListError&) {
      // Two records claim the same local header: trust the local headers.
      recover_or_fail(i, true);
      continue;
    }
    TZipEntryInfo* added = record.release();
    PassExtraAndComment(*added, spanned);
    previous = added;
    ++i;
  }
}

bool TUnZipper::ReadOneCentralRecord(TZipEntryInfo& record, TZipEntryInfo* previous) {
  TZipEntryInfo::NextDisk next_disk;
  if (SpanKind() != SpanSingle && !recovered_ && !directory_cache_)
    next_disk = [this]() -> platform::TStream* { return SwapToDisk(current_disk_ + 2); };
  platform::TStream& stream = DirectoryStream();
  if (record.ReadCentralRecord(stream, next_disk)) return true;
  if (!previous || previous->CentralExtraLength == 0) return false;
  // The previous record's extra field may not really have been there.
  const int64_t back = previous->CentralExtraLength;
  previous->CentralExtraLength = 0;
  previous->Zip64 = false;
  DirectoryStream().Seek(-back, platform::kFromCurrent);
  return record.ReadCentralRecord(DirectoryStream(), next_disk);
}

TZipEntryInfo* TUnZipper::MatchScannedEntry(TZipEntryInfo& record) {
  const int at = master_->IndexOf(&record);
  PassExtraAndComment(record, false);
  if (at < 0) return nullptr;
  TZipEntryInfo* scanned = master_->Items(at);
  const uint32_t own_offset = scanned->LocalHeaderOffset;
  scanned->Assign(record);
  scanned->LocalHeaderOffset = own_offset;
  return scanned;
}

void TUnZipper::PassExtraAndComment(TZipEntryInfo& record, bool read_comment) {
  platform::TStream& stream = DirectoryStream();
  const int64_t extra_at = stream.Position();
  if (record.HasSaturatedField())
    record.Zip64 = HasZip64Field(ReadTextAt(stream, extra_at, record.CentralExtraLength));
  stream.Seek(extra_at + record.CentralExtraLength, platform::kFromBeginning);
  if (read_comment && record.HasComment()) {
    // Read now, before the next record may move to another disk.
    record.Comment = ReadTextAt(stream, stream.Position(), record.CommentLength);
  } else {
    stream.Seek(record.CommentLength, platform::kFromCurrent);
  }
}

void TUnZipper::ReadSpannedArchiveComment() {
  if (directory_cache_) {
    end_record_.Comment = ReadTextAt(*directory_cache_, end_record_.CommentPosition, end_record_.CommentLength);
    end_record_.Modified = false;
    return;
  }
  if (current_disk_ != end_record_.ThisDisk) SwapToDisk(end_record_.ThisDisk + 1);
  end_record_.Comment = ReadTextAt(*archive_, end_record_.CommentPosition, end_record_.CommentLength);
}

std::string TUnZipper::ReadTextAt(platform::TStream& stream, int64_t position, size_t length) {
  std::string text(length, '\0');
  if (stream.Seek(position, platform::kFromBeginning) != position) return std::string();
  const int64_t got = length == 0 ? 0 : stream.Read(text.data(), static_cast<int64_t>(length));
  text.resize(static_cast<size_t>(std::max<int64_t>(0, got)));
  return text;
}

bool TUnZipper::RecoverFromLocalHeaders() {
  if (recovered_) return false;
  recovered_ = true;
  FreeDirectory();

  platform::TStream& stream = *archive_;
  const int64_t start = UpperAscii(FileExtension(zip_name_)) == ".EXE" ? kRecoveryStartInExe : 0;
  stream.Seek(start, platform::kFromBeginning);

  // Byte-wise search for the local signature; a mismatching byte is not
  // reconsidered as a first byte. A header claiming version 10.0 or later
  // (high byte of version needed) is taken for data.
  const uint8_t* wanted = Signatures().local_bytes;
  int matched = 0;
  int64_t searched = 0;
  for (;;) {
    uint8_t byte;
    if (stream.Read(&byte, 1) != 1) return false;
    if (++searched % kRecoveryPumpInterval == 0 && DoProcessMessages) {
      platform::ProcessMessages();
      CheckAbort();
    }
    if (byte != wanted[matched]) {
      matched = 0;
      continue;
    }
    if (++matched < 4) continue;
    matched = 0;
    uint8_t version[2];
    if (stream.Read(version, 2) != 2) return false;
    if (version[1] < 10) break;
  }
  stream.Seek(-6, platform::kFromCurrent);

  master_ = std::make_unique<TSortedEntryList>(ByNone, true, DupError);
  sorted_.reset();
  for (;;) {
    auto record = std::make_unique<TZipEntryInfo>(OEMConvert);
    if (!record->ReadLocalRecord(stream)) break;
    // Sizes are skipped as unsigned: positions only move forward, so the
    // scan ends on any input.
    int64_t skip = static_cast<int64_t>(record->CompressedSize) + record->LocalExtraLength +
                   (record->HasDataDescriptor() ? 16 : 0);
    try {
      master_->Add(record.get());
    } catch (const EListError&) {
      break;
    }
    record.release();
    stream.Seek(skip, platform::kFromCurrent);
  }

  end_record_.Reset();
  end_record_.ThisDisk = 0;
  current_disk_ = 0;
  end_record_.CentralDirOffset = static_cast<uint32_t>(stream.Position());
  end_record_.TotalEntries = static_cast<uint16_t>(std::min(master_->Count(), 0xFFFF));
  number_of_disks_ = 1;
  SetSpanKind(SpanSingle);
  return true;
}

// ---- Spanned archives -------------------------------------------------------

TBufferedFileStream* TUnZipper::SwapToDisk(int n) {
  CloseArchiveStream();
  std::string name = zip_name_;
  for (;;) {
    const bool default_handler = OnGetNextDisk && OnGetNextDisk.target<DefaultDiskHandler>() != nullptr;
    if (OnGetNextDisk)
      OnGetNextDisk(this, n, name);
    else
      name.clear();
    if (name.empty()) throw EUserCanceled(kUserCanceledNewDisk);
    if (!platform::FileExists(name)) {
      // The default handler proposes the same name every time for split
      // files: asking again could never succeed.
      if (default_handler && SpanKind() != SpanRemovable) throw EUserCanceled(kUserCanceledNewDisk);
      continue;
    }
    if (CheckDiskLabels() && SpanKind() == SpanRemovable) {
      std::string label = platform::VolumeLabel(DriveRoot(zip_name_)).substr(0, 11);
      std::string wanted = ThreeDigits(n);
      if (label.size() < wanted.size() || label.compare(label.size() - wanted.size(), wanted.size(), wanted) != 0)
        continue;
    }
    break;
  }
  archive_ = std::make_unique<TBufferedFileStream>(name, kFileBufferSize, false, platform::File::Mode::ReadDenyWrite);
  current_disk_ = n - 1;
  archive_stamp_ = archive_->file().ModifiedStamp();
  zip_name_ = name;
  return archive_.get();
}

void TUnZipper::DefaultGetNextDisk(TUnZipper*, int NextDisk, std::string& FName) {
  if (SpanKind() != SpanRemovable) {
    std::string numbered = ChangeFileExt(FName, NumberedExtension(NextDisk));
    if (platform::FileExists(numbered)) {
      FName = numbered;
      return;
    }
    // Today's split sets: NAME.z01, NAME.z02, ... and the last volume NAME.zip.
    const int last_disk = end_record_.ThisDisk + 1;
    std::string extension = FileExtension(FName);
    bool upper = !extension.empty() && UpperAscii(extension) == extension && extension != ".";
    char text[16];
    if (NextDisk == last_disk)
      std::snprintf(text, sizeof text, upper ? ".ZIP" : ".zip");
    else
      std::snprintf(text, sizeof text, upper ? ".Z%02d" : ".z%02d", NextDisk);
    std::string volume = ChangeFileExt(FName, text);
    FName = platform::FileExists(volume) ? volume : numbered;
    return;
  }
  platform::CursorScope normal_cursor(platform::CursorShape::Default);
  int answer = ShowBox("Please insert disk " + std::to_string(NextDisk) + " of the multi-disk set.", "",
                       platform::kMbOkCancel);
  if (answer == platform::kIdCancel) FName.clear();
}

int TUnZipper::ShowBox(const std::string& text, const std::string& title, unsigned style) const {
  if (MessageBoxes) return MessageBoxes(text, title, style);
  return platform::ShowMessageBox(text, title, style, platform::MessageBoxOwner::None);
}

}  // namespace archive
