#include "archive/zip_records.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/encoding.h"
#include "platform/gbk.h"

namespace archive {
namespace {

RecordSignatures signatures;

void StoreLittleEndian(uint32_t value, uint8_t out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Stored names use "/"; the program's paths use "\". 0x2F is never the second
// byte of a GBK character, so a byte-wise replacement is safe.
void ToBackslashes(std::string& name) { std::replace(name.begin(), name.end(), '/', '\\'); }

bool ReadName(platform::TStream& stream, uint16_t length, std::string& name) {
  name.assign(length, '\0');
  return length == 0 || stream.Read(name.data(), length) == length;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// The date order's key: the packed value orders valid moments in time; an
// unconvertible value counts as 0.
uint32_t DateKey(uint32_t value) { return IsValidDosDateTime(value) ? value : 0; }

}  // namespace

void SetSignatures(uint32_t central, uint32_t local, uint32_t end) {
  signatures.central = central ? central : kCentralSignature;
  signatures.local = local ? local : kLocalSignature;
  signatures.end = end ? end : kEndSignature;
  StoreLittleEndian(signatures.local, signatures.local_bytes);
  signatures.end_first_byte = static_cast<uint8_t>(signatures.end & 0xFF);
}

const RecordSignatures& Signatures() { return signatures; }

uint32_t NormalizeDosDateTime(uint32_t value) {
  uint32_t time = value & 0xFFFF, date = value >> 16;
  uint32_t hour = time >> 11, minute = (time >> 5) & 0x3F, second = 2 * (time & 0x1F);
  uint32_t year = 1980 + (date >> 9), month = (date >> 5) & 0x0F, day = date & 0x1F;
  bool clamped = false;
  auto clamp = [&clamped](uint32_t& part, uint32_t low, uint32_t high) {
    if (part < low) part = low, clamped = true;
    if (part > high) part = high, clamped = true;
  };
  clamp(hour, 0, 23);
  clamp(minute, 0, 59);
  clamp(second, 0, 59);
  clamp(year, 1980, 2099);
  clamp(month, 1, 12);
  clamp(day, 1, 31);
  if (!clamped) return value;
  time = (hour << 11) | (minute << 5) | (second / 2);
  date = ((year - 1980) << 9) | (month << 5) | day;
  return (date << 16) | time;
}

bool IsValidDosDateTime(uint32_t value) {
  uint32_t time = value & 0xFFFF, date = value >> 16;
  int hour = static_cast<int>(time >> 11), minute = static_cast<int>((time >> 5) & 0x3F);
  int second = static_cast<int>(2 * (time & 0x1F));
  int year = 1980 + static_cast<int>(date >> 9), month = static_cast<int>((date >> 5) & 0x0F);
  int day = static_cast<int>(date & 0x1F);
  return hour <= 23 && minute <= 59 && second <= 59 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool HasZip64Field(const std::string& extra) {
  for (size_t at = 0; at + 4 <= extra.size();) {
    const auto* field = reinterpret_cast<const uint8_t*>(extra.data() + at);
    if (ReadU16(field) == kZip64ExtraId) return true;
    at += 4 + ReadU16(field + 2);
  }
  return false;
}

// ---- TZipEntryInfo ----------------------------------------------------------

TZipEntryInfo::TZipEntryInfo(bool oem_convert) : OEMFlag(oem_convert) {}

void TZipEntryInfo::Reset() {
  bool oem = OEMFlag;
  *this = TZipEntryInfo(oem);
}

void TZipEntryInfo::SetFileName(const std::string& name) {
  file_name_ = name;
  NameLength = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

void TZipEntryInfo::SetDirectory(const std::string& directory) {
  directory_ = directory;
  NameLength = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

void TZipEntryInfo::SetFullName(const std::string& name) {
  size_t split = gbk::LastBackslash(name);
  if (split == std::string::npos) {
    directory_.clear();
    file_name_ = name;
  } else {
    directory_ = name.substr(0, split + 1);
    file_name_ = name.substr(split + 1);
  }
  NameLength = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

void TZipEntryInfo::ReadSharedFields(const uint8_t* fields) {
  // Laid out as in the local header, from its version-needed field on.
  auto at = [fields](int local_offset) { return fields + local_offset - local_header::kVersionNeeded; };
  VersionNeeded = ReadU16(at(local_header::kVersionNeeded));
  Flags = ReadU16(at(local_header::kFlags));
  Method = ReadU16(at(local_header::kMethod));
  DateTime = NormalizeDosDateTime(ReadU32(at(local_header::kDateTime)));
  CRC32 = ReadU32(at(local_header::kCrc32));
  CompressedSize = ReadU32(at(local_header::kCompressedSize));
  UncompressedSize = ReadU32(at(local_header::kUncompressedSize));
}

bool TZipEntryInfo::ReadCentralRecord(platform::TStream& first_stream, const NextDisk& next_disk) {
  platform::TStream* stream = &first_stream;
  const int64_t start = stream->Position();
  bool switched = false;
  auto fail = [&] {
    // After a switch the starting position belongs to the previous disk;
    // the new one is left at its start.
    stream->Seek(switched ? 0 : start, platform::kFromBeginning);
    return false;
  };

  uint8_t record[kCentralRecordSize];
  int64_t got = stream->Read(record, kCentralRecordSize);
  uint8_t signature[4];
  StoreLittleEndian(Signatures().central, signature);
  bool cut_with_signature =
      got > 0 && got < kCentralRecordSize && std::memcmp(record, signature, std::min<int64_t>(got, 4)) == 0;
  if ((got == 0 || cut_with_signature) && next_disk) {
    platform::TStream* next = next_disk();
    if (next) {
      stream = next;
      switched = true;
      got += stream->Read(record + got, kCentralRecordSize - got);
    }
  }
  if (got != kCentralRecordSize || ReadU32(record) != Signatures().central) return fail();

  namespace field = central_record;
  std::string name;
  if (!ReadName(*stream, ReadU16(record + field::kNameLength), name)) return fail();
  ToBackslashes(name);
  VersionMadeBy = ReadU16(record + field::kVersionMadeBy);
  if ((VersionMadeBy >> 8) == 0 && OEMFlag) name = platform::OemToAnsi(name);

  ReadSharedFields(record + field::kVersionNeeded);
  CentralExtraLength = ReadU16(record + field::kExtraLength);
  LocalExtraLength = 0;
  CommentLength = ReadU16(record + field::kCommentLength);
  DiskNumber = ReadU16(record + field::kDiskNumber);
  InternalAttributes = ReadU16(record + field::kInternalAttributes);
  ExternalAttributes = ReadU32(record + field::kExternalAttributes);
  LocalHeaderOffset = ReadU32(record + field::kLocalHeaderOffset);
  CentralRecordOffset = static_cast<uint32_t>(switched ? 0 : start);
  Comment.reset();
  Zip64 = false;
  SetFullName(name);
  return true;
}

bool TZipEntryInfo::ReadLocalRecord(platform::TStream& stream) {
  const int64_t start = stream.Position();
  auto fail = [&] {
    stream.Seek(start, platform::kFromBeginning);
    return false;
  };
  uint8_t header[kLocalHeaderSize];
  if (stream.Read(header, kLocalHeaderSize) != kLocalHeaderSize || ReadU32(header) != Signatures().local)
    return fail();
  namespace field = local_header;
  std::string name;
  if (!ReadName(stream, ReadU16(header + field::kNameLength), name)) return fail();
  ToBackslashes(name);
  if (OEMFlag) name = platform::OemToAnsi(name);

  ReadSharedFields(header + field::kVersionNeeded);
  LocalExtraLength = ReadU16(header + field::kExtraLength);
  CommentLength = 0;
  DiskNumber = 0;
  InternalAttributes = 0;
  ExternalAttributes = 0;
  CentralRecordOffset = 0;
  LocalHeaderOffset = static_cast<uint32_t>(start);
  Comment.reset();
  Zip64 = false;
  SetFullName(name);
  return true;
}

// ---- TEndOfCentralDir -------------------------------------------------------

void TEndOfCentralDir::Reset() {
  Signature = Signatures().end;
  ThisDisk = CentralDirStartDisk = EntriesOnThisDisk = TotalEntries = 0;
  CentralDirSize = CentralDirOffset = 0;
  CommentLength = 0;
  Comment.reset();
  CommentPosition = 0;
  Modified = false;
}

void TEndOfCentralDir::SetComment(const std::string& text) {
  Comment = text;
  CommentLength = static_cast<uint16_t>(std::min<size_t>(text.size(), 0xFFFF));
  Modified = true;
}

bool TEndOfCentralDir::FindEndRecord(platform::TStream& stream) {
  const int64_t size = stream.Size();
  if (size < kEndRecordSize) {
    if (size != 0) return false;
    Reset();
    return true;
  }
  const int64_t span = std::min(size, kEndSearchSpan);
  const int64_t block_start = stream.Seek(size - span, platform::kFromBeginning);
  if (block_start != size - span) return false;
  std::unique_ptr<uint8_t[]> block(new uint8_t[static_cast<size_t>(span)]);
  if (stream.Read(block.get(), span) != span) return false;

  const uint32_t end = Signatures().end;
  const uint8_t first = Signatures().end_first_byte;
  for (int64_t i = span - kEndRecordSize; i >= 0; --i) {
    if (block[i] != first || ReadU32(&block[i]) != end) continue;
    const uint8_t* r = &block[i];
    ThisDisk = ReadU16(r + 4);
    CentralDirStartDisk = ReadU16(r + 6);
    EntriesOnThisDisk = ReadU16(r + 8);
    TotalEntries = ReadU16(r + 10);
    CentralDirSize = ReadU32(r + 12);
    CentralDirOffset = ReadU32(r + 16);
    CommentLength = ReadU16(r + 20);
    Comment.reset();
    Modified = false;
    CommentPosition = static_cast<int32_t>(size - span + i + kEndRecordSize);
    return true;
  }
  return false;
}

// ---- Sorted entry lists -----------------------------------------------------

int CompareTextUpper(const std::string& a, const std::string& b) {
  auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = upper(static_cast<unsigned char>(a[i])), cb = upper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

int CompressionRate(const TZipEntryInfo& entry) {
  const double compressed = entry.CompressedSize;
  const double uncompressed = entry.UncompressedSize;
  if (uncompressed == 0) return 0;
  // nearbyint rounds half to even in the default rounding mode.
  return static_cast<int>(std::min(100.0, std::nearbyint(compressed * 100.0 / uncompressed)));
}

int TSortedEntryList::Compare(const TZipEntryInfo* listed, const TZipEntryInfo* added) const {
  switch (SortMode) {
    case ByName:
      return CompareTextUpper(listed->FullName(), added->FullName());
    case ByFileName:
      return CompareTextUpper(listed->FileName(), added->FileName());
    case ByDirectoryName:
      return CompareTextUpper(listed->Directory(), added->Directory());
    case ByDate:
      // Newest first; an equal date places the added entry after.
      return DateKey(added->DateTime) > DateKey(listed->DateTime) ? 1 : -1;
    case ByCompressedSize:
      return listed->CompressedSize >= added->CompressedSize ? -1 : 1;
    case ByUnCompressedSize:
      return listed->UncompressedSize >= added->UncompressedSize ? -1 : 1;
    case ByRate: {
      int l = CompressionRate(*listed), a = CompressionRate(*added);
      return l == a ? 0 : l > a ? -1 : 1;
    }
    case ByNone:
      if (listed->DiskNumber != added->DiskNumber) return listed->DiskNumber < added->DiskNumber ? -1 : 1;
      if (listed->LocalHeaderOffset != added->LocalHeaderOffset)
        return listed->LocalHeaderOffset < added->LocalHeaderOffset ? -1 : 1;
      return 0;
  }
  return 0;
}

}  // namespace archive
