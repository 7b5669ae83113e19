// ZIP records as the archive component keeps them: the entry record
// TZipEntryInfo (read from a central directory record or, in recovery, from a
// local header), the end record TEndOfCentralDir, the record signatures, DOS
// date/time normalization, and the sorted lists that hold the directory.
//
// The subset: single-file archives, archives spanned over removable disks or
// split into numbered files; no ZIP64, no strong encryption. Extra fields are
// skipped unread. All multi-byte fields are little-endian.
//
// The readers never raise for a record cut short or a wrong signature: they
// seek back to where they started and return false. Errors of the underlying
// stream pass through unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/errors.h"
#include "platform/streams.h"

namespace archive {

// ---- Signatures -----------------------------------------------------------

inline constexpr uint32_t kCentralSignature = 0x02014B50;
inline constexpr uint32_t kLocalSignature = 0x04034B50;
inline constexpr uint32_t kEndSignature = 0x06054B50;

inline constexpr int kCentralRecordSize = 46;
inline constexpr int kLocalHeaderSize = 30;
inline constexpr int kEndRecordSize = 22;
// The end record plus the longest comment: the tail FindEndRecord reads.
inline constexpr int64_t kEndSearchSpan = 65535 + kEndRecordSize;

// Field offsets of a local header (30 bytes, then name and extra field).
namespace local_header {
inline constexpr int kVersionNeeded = 4;
inline constexpr int kFlags = 6;
inline constexpr int kMethod = 8;
inline constexpr int kDateTime = 10;
inline constexpr int kCrc32 = 14;
inline constexpr int kCompressedSize = 18;
inline constexpr int kUncompressedSize = 22;
inline constexpr int kNameLength = 26;
inline constexpr int kExtraLength = 28;
}  // namespace local_header

// Field offsets of a central directory record (46 bytes, then name, extra
// field and comment).
namespace central_record {
inline constexpr int kVersionMadeBy = 4;
inline constexpr int kVersionNeeded = 6;
inline constexpr int kFlags = 8;
inline constexpr int kMethod = 10;
inline constexpr int kDateTime = 12;
inline constexpr int kCrc32 = 16;
inline constexpr int kCompressedSize = 20;
inline constexpr int kUncompressedSize = 24;
inline constexpr int kNameLength = 28;
inline constexpr int kExtraLength = 30;
inline constexpr int kCommentLength = 32;
inline constexpr int kDiskNumber = 34;
inline constexpr int kInternalAttributes = 36;
inline constexpr int kExternalAttributes = 38;
inline constexpr int kLocalHeaderOffset = 42;
}  // namespace central_record

// Compression methods of the entries (APPNOTE numbering).
enum CompressionMethod : uint16_t {
  kMethodStored = 0,
  kMethodShrunk = 1,
  kMethodReduced1 = 2,  // reduced with factors 1 to 4: methods 2 to 5
  kMethodReduced4 = 5,
  kMethodImploded = 6,
  kMethodDeflated = 8,
};

// A 32-bit size or offset with every bit set stands for a value kept in the
// ZIP64 extra field (header id 1), which this reader does not follow.
inline constexpr uint32_t kZip64Marker = 0xFFFFFFFFu;
inline constexpr uint16_t kZip64ExtraId = 0x0001;

// True when an extra field block holds a ZIP64 field. Walks the id/length
// pairs; a block that does not hold together ends the walk.
bool HasZip64Field(const std::string& extra);

struct RecordSignatures {
  uint32_t central = kCentralSignature;
  uint32_t local = kLocalSignature;
  uint32_t end = kEndSignature;
  uint8_t local_bytes[4] = {0x50, 0x4B, 0x03, 0x04};  // for the byte-wise recovery scan
  uint8_t end_first_byte = 0x50;                      // for the backward end-record search
};

// Sets the three signatures once at start-up; 0 stands for the standard value.
void SetSignatures(uint32_t central, uint32_t local, uint32_t end);
const RecordSignatures& Signatures();

// ---- DOS date and time ----------------------------------------------------

// value: DOS time in the low word, DOS date in the high word. Clamps hour to
// 23, minute and second to 59, year to 1980-2099, month to 1-12, day to 1-31;
// returns the value unchanged when nothing needed clamping, else rebuilt from
// the clamped parts (seconds stored halved).
uint32_t NormalizeDosDateTime(uint32_t value);

// True when the value names a real calendar moment (for example not 31
// February); the date order of the sorted lists counts other values as 0.
bool IsValidDosDateTime(uint32_t value);

// Reads a little-endian field of a record buffer.
inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// ---- Entry record ---------------------------------------------------------

class TZipEntryInfo {
 public:
  // A new record: version made by and needed 20, method 8, CRC 0xFFFFFFFF,
  // internal attributes 1, external attributes 0x20, everything else 0 or
  // empty; the OEM flag from the creator (the component's OEMConvert).
  explicit TZipEntryInfo(bool oem_convert = true);

  // Copies every field from another record (the comment included).
  void Assign(const TZipEntryInfo& source) { *this = source; }
  void AssignTo(TZipEntryInfo& target) const { target = *this; }
  void Reset();

  // Name parts. Each setter keeps NameLength = length(Directory) + length(FileName).
  const std::string& FileName() const { return file_name_; }
  const std::string& Directory() const { return directory_; }
  void SetFileName(const std::string& name);
  void SetDirectory(const std::string& directory);
  // Splits a stored name (backslashes already) at its last backslash that is
  // a character of its own (never the second byte of a GBK character).
  void SetFullName(const std::string& name);
  std::string FullName() const { return directory_ + file_name_; }

  bool IsEncrypted() const { return (Flags & 0x0001) != 0; }
  bool HasDataDescriptor() const { return (Flags & 0x0008) != 0; }
  bool HasComment() const { return CommentLength != 0; }
  // A size or the offset holds the ZIP64 marker (the directory read then
  // looks for the ZIP64 field, see Zip64).
  bool HasSaturatedField() const {
    return CompressedSize == kZip64Marker || UncompressedSize == kZip64Marker || LocalHeaderOffset == kZip64Marker;
  }

  // Fills the record from the central directory record at the stream
  // position. When the record is cut at the end of the stream (no bytes, or
  // some but not all with the right signature) and next_disk is given, it is
  // called to switch to the next disk; it returns the new stream (positioned
  // at its start) or nullptr. On success the stream (the last one used) is left
  // right after the name; on failure it is back at the starting position.
  using NextDisk = std::function<platform::TStream*()>;
  bool ReadCentralRecord(platform::TStream& stream, const NextDisk& next_disk = nullptr);
  // Recovery only: fills the record from the local header at the stream
  // position; the stream is left right after the name.
  bool ReadLocalRecord(platform::TStream& stream);

  uint16_t VersionMadeBy = 20;
  uint16_t VersionNeeded = 20;
  uint16_t Flags = 0;
  uint16_t Method = 8;
  uint32_t DateTime = 0;  // DOS time low word, date high word, normalized
  uint32_t CRC32 = 0xFFFFFFFF;
  // Sizes are unsigned 32-bit values everywhere: an entry of 2 GB and more is
  // an ordinary entry, never a negative one.
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t NameLength = 0;
  uint16_t CentralExtraLength = 0;
  uint16_t LocalExtraLength = 0;
  uint16_t CommentLength = 0;
  uint16_t DiskNumber = 0;
  uint16_t InternalAttributes = 1;
  uint32_t ExternalAttributes = 0x20;
  uint32_t LocalHeaderOffset = 0;
  uint32_t CentralRecordOffset = 0;
  std::optional<std::string> Comment;  // absent until first read
  bool Selected = false;
  bool Reserved = false;
  bool IndexMark = false;
  bool OEMFlag = true;
  // The central record's extra field holds the ZIP64 field for a saturated
  // size or offset: the real values are out of this reader's reach.
  bool Zip64 = false;

 private:
  // The seven fields a central record and a local header share, in the same
  // order and widths (version needed to uncompressed size), read from their
  // first byte; normalizes the date and time.
  void ReadSharedFields(const uint8_t* fields);

  std::string file_name_;
  std::string directory_;
};

// ---- End record -----------------------------------------------------------

class TEndOfCentralDir {
 public:
  TEndOfCentralDir() { Reset(); }
  void Assign(const TEndOfCentralDir& source) { *this = source; }
  void AssignTo(TEndOfCentralDir& target) const { target = *this; }

  // Signature := the end signature, everything else zero or absent.
  void Reset();
  bool HasComment() const { return CommentLength != 0; }
  void SetComment(const std::string& text);

  // Finds the last end record in the final 65557 bytes of the stream (one
  // seek, one read) and fills the fields after the signature; CommentPosition
  // := file offset of the record + 22. The comment is not read. An empty
  // stream succeeds with the record reset; 1 to 21 bytes fail.
  bool FindEndRecord(platform::TStream& stream);

  uint32_t Signature = kEndSignature;
  uint16_t ThisDisk = 0;
  uint16_t CentralDirStartDisk = 0;
  uint16_t EntriesOnThisDisk = 0;
  uint16_t TotalEntries = 0;
  uint32_t CentralDirSize = 0;
  uint32_t CentralDirOffset = 0;
  uint16_t CommentLength = 0;
  std::optional<std::string> Comment;  // absent until read
  int32_t CommentPosition = 0;
  bool Modified = false;
};

// ---- Sorted lists ---------------------------------------------------------

enum TZipSortMode {
  ByName, ByFileName, ByDirectoryName, ByDate, ByCompressedSize, ByUnCompressedSize, ByRate, ByNone
};

enum TListDuplicates { DupIgnore = 0, DupAccept = 1, DupError = 2 };

// A growable list of object pointers kept in the order of Compare, with an
// owning flag (owned objects are deleted on removal and with the list) and a
// duplicates mode. Capacity grows by 4 while below 5, by 8 while below 9,
// else by 16.
template <class T>
class TSortedObjectList {
 public:
  TSortedObjectList(bool owns_objects, TListDuplicates duplicates)
      : owns_(owns_objects), duplicates_(duplicates) {}
  virtual ~TSortedObjectList() { Clear(); }
  TSortedObjectList(const TSortedObjectList&) = delete;
  TSortedObjectList& operator=(const TSortedObjectList&) = delete;

  // Inserts item at its place (binary search: after every item that compares
  // below it, before the equal ones). Returns its index, or -1 when an equal
  // item made DupIgnore drop it (an owned item is then deleted). DupError
  // raises EListError "Duplicate Object index" and leaves the item to the
  // caller.
  int Add(T* item) {
    int low = 0, high = Count();
    bool equal = false;
    while (low < high) {
      int mid = low + (high - low) / 2;
      int c = Compare(items_[mid], item);
      if (c < 0) {
        low = mid + 1;
      } else {
        if (c == 0) equal = true;
        high = mid;
      }
    }
    if (equal && low < Count() && Compare(items_[low], item) == 0) {
      if (duplicates_ == DupIgnore) {
        if (owns_) delete item;
        return -1;
      }
      if (duplicates_ == DupError) throw EListError::Duplicate();
    }
    Grow();
    items_.insert(items_.begin() + low, item);
    return low;
  }

  // Index of an item that compares equal to probe, or -1.
  int IndexOf(const T* probe) const {
    int low = 0, high = Count();
    while (low < high) {
      int mid = low + (high - low) / 2;
      if (Compare(items_[mid], probe) < 0)
        low = mid + 1;
      else
        high = mid;
    }
    return low < Count() && Compare(items_[low], probe) == 0 ? low : -1;
  }

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  T* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  T* operator[](int index) const { return Items(index); }
  bool OwnsObjects() const { return owns_; }
  TListDuplicates Duplicates() const { return duplicates_; }

  void Delete(int index) {
    T* item = items_.at(static_cast<size_t>(index));
    items_.erase(items_.begin() + index);
    if (owns_) delete item;
  }
  void Clear() {
    if (owns_)
      for (T* item : items_) delete item;
    items_.clear();
    capacity_ = 0;
    items_.shrink_to_fit();
  }

 protected:
  // < 0 when listed ranks before added, 0 when equal, > 0 when after.
  virtual int Compare(const T* listed, const T* added) const = 0;

 private:
  void Grow() {
    if (Count() < capacity_) return;
    capacity_ += capacity_ < 5 ? 4 : capacity_ < 9 ? 8 : 16;
    items_.reserve(static_cast<size_t>(capacity_));
  }

  std::vector<T*> items_;
  int capacity_ = 0;
  bool owns_;
  TListDuplicates duplicates_;
};

// The directory lists: entries in one of the eight orders of TZipSortMode.
class TSortedEntryList : public TSortedObjectList<TZipEntryInfo> {
 public:
  TSortedEntryList(TZipSortMode mode, bool owns_objects, TListDuplicates duplicates)
      : TSortedObjectList(owns_objects, duplicates), SortMode(mode) {}
  const TZipSortMode SortMode;

 protected:
  int Compare(const TZipEntryInfo* listed, const TZipEntryInfo* added) const override;
};

// Text order of the lists: bytes as unsigned values after mapping a-z to
// A-Z; a prefix ranks before the longer text.
int CompareTextUpper(const std::string& a, const std::string& b);

// Compression rate of the ByRate order: min(100, round(compressed * 100 /
// uncompressed)), rounding half to even; 0 for an empty entry.
int CompressionRate(const TZipEntryInfo& entry);

}  // namespace archive
