// ZIP records and entry lists: DOS date clamping, the entry and end records,
// the end-record search, the central and local record readers, and the
// orders of the sorted lists.
#include <gtest/gtest.h>

#include <memory>

#include "archive/tests/memory_io.h"
#include "archive/tests/zip_builder.h"
#include "archive/zip_records.h"
#include "platform/testing/message_of.h"

namespace archive {
namespace {

using dz::testing::MessageOf;

using testing::BuildZip;
using testing::MemoryStream;
using testing::ZipEntryPlan;
using testing::ZipPlan;

uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

// Raw fields, so that out-of-range parts can be written.
uint32_t RawDos(int year_field, int month, int day, int hour, int minute, int second_field) {
  return (static_cast<uint32_t>((year_field << 9) | (month << 5) | day) << 16) |
         static_cast<uint32_t>((hour << 11) | (minute << 5) | second_field);
}

TEST(DosDateTime, ClampsEachPartAndKeepsValidValues) {
  struct Case {
    const char* what;
    uint32_t in, out;
  } cases[] = {
      {"valid value unchanged", Dos(2003, 7, 14, 9, 26, 52), Dos(2003, 7, 14, 9, 26, 52)},
      {"31 February is not clamped", Dos(2001, 2, 31, 0, 0, 0), Dos(2001, 2, 31, 0, 0, 0)},
      {"year 2100 reads as 2099", RawDos(120, 1, 1, 0, 0, 0), Dos(2099, 1, 1, 0, 0, 0)},
      {"year 2107 reads as 2099", RawDos(127, 12, 31, 0, 0, 0), Dos(2099, 12, 31, 0, 0, 0)},
      {"24:61:62 reads as 23:59:58", RawDos(20, 5, 5, 24, 61, 31), Dos(2000, 5, 5, 23, 59, 58)},
      {"second field 30 (60 s) reads as 58", RawDos(20, 5, 5, 1, 2, 30), Dos(2000, 5, 5, 1, 2, 58)},
      {"month 0 and day 0 become 1", RawDos(20, 0, 0, 1, 2, 2), Dos(2000, 1, 1, 1, 2, 4)},
      {"month 15 becomes 12", RawDos(20, 15, 3, 1, 2, 2), Dos(2000, 12, 3, 1, 2, 4)},
      {"zero value is day 0: clamped", 0, Dos(1980, 1, 1, 0, 0, 0)},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeDosDateTime(c.in), c.out) << c.what;
}

TEST(EntryRecord, NewRecordDefaultsAndNameParts) {
  TZipEntryInfo e(false);
  EXPECT_EQ(e.VersionMadeBy, 20);
  EXPECT_EQ(e.VersionNeeded, 20);
  EXPECT_EQ(e.Method, 8);
  EXPECT_EQ(e.CRC32, 0xFFFFFFFFu);
  EXPECT_EQ(e.InternalAttributes, 1);
  EXPECT_EQ(e.ExternalAttributes, 0x20u);
  EXPECT_EQ(e.Flags, 0);
  EXPECT_EQ(e.CompressedSize, 0);
  EXPECT_FALSE(e.Comment.has_value());
  EXPECT_FALSE(e.OEMFlag);
  EXPECT_TRUE(TZipEntryInfo(true).OEMFlag);

  e.SetDirectory("sub\\dir\\");
  EXPECT_EQ(e.NameLength, 8);
  e.SetFileName("file.txt");
  EXPECT_EQ(e.NameLength, 16);
  e.SetDirectory("");
  EXPECT_EQ(e.NameLength, 8);

  e.Flags = 0x0009;
  e.CommentLength = 3;
  e.Comment = "abc";
  EXPECT_TRUE(e.IsEncrypted());
  EXPECT_TRUE(e.HasDataDescriptor());
  EXPECT_TRUE(e.HasComment());

  TZipEntryInfo copy;
  copy.Assign(e);
  EXPECT_EQ(copy.FileName(), "file.txt");
  EXPECT_EQ(copy.Comment, "abc");
  EXPECT_FALSE(copy.OEMFlag);
  e.Reset();
  EXPECT_EQ(e.FileName(), "");
  EXPECT_EQ(e.Flags, 0);
  EXPECT_FALSE(e.OEMFlag) << "reset keeps the creator's OEM flag";
}

TEST(EndRecord, EmptyStreamSucceedsShortStreamsFail) {
  TEndOfCentralDir end;
  MemoryStream empty;
  end.TotalEntries = 5;
  EXPECT_TRUE(end.FindEndRecord(empty));
  EXPECT_EQ(end.TotalEntries, 0);
  EXPECT_EQ(end.Signature, kEndSignature);

  // Even a cut end record (its signature present) is not enough.
  std::string record = BuildZip({}).bytes;
  for (size_t n = 1; n < 22; ++n) {
    MemoryStream cut(record.substr(0, n));
    EXPECT_FALSE(end.FindEndRecord(cut)) << n << " bytes";
  }
  MemoryStream whole(record);
  EXPECT_TRUE(end.FindEndRecord(whole));
  EXPECT_EQ(end.CommentPosition, 22);
}

TEST(EndRecord, LongestCommentIsFoundOneByteMoreIsNot) {
  ZipPlan plan;
  plan.entries.push_back({.name = "a.txt", .data = "hello"});
  plan.comment = std::string(65535, 'c');
  auto built = BuildZip(plan);
  MemoryStream stream(built.bytes);
  TEndOfCentralDir end;
  ASSERT_TRUE(end.FindEndRecord(stream));
  EXPECT_EQ(end.CommentLength, 65535);
  EXPECT_EQ(end.TotalEntries, 1);
  EXPECT_EQ(end.CentralDirOffset, built.central_offset);
  EXPECT_EQ(end.CommentPosition, static_cast<int32_t>(built.end_offset + 22));
  EXPECT_FALSE(end.Comment.has_value()) << "the comment is read on demand";
  EXPECT_EQ(stream.seeks, 1);
  EXPECT_EQ(stream.reads, 1);

  MemoryStream longer(built.bytes + "x");
  EXPECT_FALSE(end.FindEndRecord(longer));
}

TEST(EndRecord, LastSignatureInTheFileWins) {
  // An end record hidden in the comment, after the real one, is found first.
  ZipPlan inner;
  inner.entries.push_back({.name = "x", .data = ""});
  std::string fake = BuildZip(inner).bytes.substr(BuildZip(inner).end_offset);
  ZipPlan plan;
  plan.entries.push_back({.name = "a", .data = "1"});
  plan.entries.push_back({.name = "b", .data = "2"});
  plan.comment = "note:" + fake;
  auto built = BuildZip(plan);
  MemoryStream stream(built.bytes);
  TEndOfCentralDir end;
  ASSERT_TRUE(end.FindEndRecord(stream));
  EXPECT_EQ(end.TotalEntries, 1) << "the fake record in the comment";
  EXPECT_EQ(end.CommentPosition, static_cast<int32_t>(built.end_offset + 22 + 5 + 22));
}

TEST(CentralRecord, ReadsFieldsAndSplitsNames) {
  const std::string gbk_with_5c = "\xD6\xD0\x95\x5C";  // 中 and a character whose trail byte is "\"
  struct Case {
    std::string stored, directory, file;
  } cases[] = {
      {"plain.txt", "", "plain.txt"},
      {"dir/sub/a.txt", "dir\\sub\\", "a.txt"},
      {"dir/", "dir\\", ""},
      {"dir\\b.txt", "dir\\", "b.txt"},
      {gbk_with_5c + ".txt", "", gbk_with_5c + ".txt"},
      {"d/" + gbk_with_5c, "d\\", gbk_with_5c},
      {gbk_with_5c + "/x", gbk_with_5c + "\\", "x"},
  };
  for (const auto& c : cases) {
    ZipPlan plan;
    plan.entries.push_back({.name = c.stored, .data = "data", .dos_date_time = RawDos(120, 1, 1, 0, 0, 0),
                            .central_extra = "EXTRA", .comment = "remark", .external_attributes = 0x21});
    auto built = BuildZip(plan);
    MemoryStream stream(built.bytes);
    stream.Seek(built.central_offset, 0);
    TZipEntryInfo e(false);  // names as stored: the split alone is under test
    ASSERT_TRUE(e.ReadCentralRecord(stream)) << c.stored;
    EXPECT_EQ(e.Directory(), c.directory) << c.stored;
    EXPECT_EQ(e.FileName(), c.file) << c.stored;
    EXPECT_EQ(e.NameLength, c.stored.size());
    EXPECT_EQ(stream.Position(), built.central_offset + 46 + c.stored.size()) << "left right after the name";
    EXPECT_EQ(e.DateTime, Dos(2099, 1, 1, 0, 0, 0));
    EXPECT_EQ(e.CRC32, testing::Crc32Of("data"));
    EXPECT_EQ(e.CompressedSize, 4);
    EXPECT_EQ(e.Method, 0);
    EXPECT_EQ(e.CentralExtraLength, 5);
    EXPECT_EQ(e.CommentLength, 6);
    EXPECT_EQ(e.ExternalAttributes, 0x21u);
    EXPECT_EQ(e.LocalHeaderOffset, 0u);
    EXPECT_EQ(e.CentralRecordOffset, built.central_offset);
  }
}

TEST(CentralRecord, NamesFromEveryHostKeepTheirGbkBytes) {
  // Names of MS-DOS-made entries are converted as on a Chinese system, where
  // the OEM and ANSI code pages are both 936: the GBK bytes stay as they are
  // whatever the machine's own code pages, with or without the OEM flag.
  const std::string name = "\xD6\xD0\x95\x5C/\x82\xA0.txt";
  std::string stored_form = name;
  stored_form[4] = '\\';
  struct Case {
    uint16_t made_by;
    bool oem_flag;
    std::string expected;
  } cases[] = {
      {0x0014, true, stored_form},
      {0x0014, false, stored_form},
      {0x0314, true, stored_form},  // UNIX
      {0x0A14, true, stored_form},  // Windows NTFS
  };
  for (const auto& c : cases) {
    ZipPlan plan;
    plan.entries.push_back({.name = name, .data = "", .made_by = c.made_by});
    auto built = BuildZip(plan);
    MemoryStream stream(built.bytes);
    stream.Seek(built.central_offset, 0);
    TZipEntryInfo e(c.oem_flag);
    ASSERT_TRUE(e.ReadCentralRecord(stream));
    EXPECT_EQ(e.FullName(), c.expected) << std::hex << c.made_by << " " << c.oem_flag;
  }
}

TEST(CentralRecord, FailureLeavesThePositionUnchanged) {
  ZipPlan plan;
  plan.entries.push_back({.name = "long-name.txt", .data = "x"});
  auto built = BuildZip(plan);
  struct Case {
    const char* what;
    std::string bytes;
    int64_t at;
  } cases[] = {
      {"local header instead", built.bytes, 0},
      {"end record instead", built.bytes, built.end_offset},
      {"record cut short", built.bytes.substr(0, built.central_offset + 30), built.central_offset},
      {"name cut short", built.bytes.substr(0, built.central_offset + 50), built.central_offset},
      {"nothing left", built.bytes, static_cast<int64_t>(built.bytes.size())},
  };
  for (const auto& c : cases) {
    MemoryStream stream(c.bytes);
    stream.Seek(c.at, 0);
    TZipEntryInfo e;
    EXPECT_FALSE(e.ReadCentralRecord(stream)) << c.what;
    EXPECT_EQ(stream.Position(), c.at) << c.what;
  }
}

TEST(CentralRecord, RecordCutAtTheEndOfADiskContinuesOnTheNext) {
  ZipPlan plan;
  plan.entries.push_back({.name = "dir/next.bin", .data = "x"});
  auto built = BuildZip(plan);
  std::string record = built.bytes.substr(built.central_offset);
  for (size_t cut : {size_t{0}, size_t{2}, size_t{20}, size_t{45}}) {
    MemoryStream first("junk" + record.substr(0, cut));
    first.Seek(4, 0);
    MemoryStream second(record.substr(cut));
    int calls = 0;
    TZipEntryInfo e;
    ASSERT_TRUE(e.ReadCentralRecord(first, [&]() -> platform::TStream* {
      ++calls;
      return &second;
    })) << cut;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(e.FullName(), "dir\\next.bin");
    EXPECT_EQ(second.Position(), 46 - static_cast<int64_t>(cut) + 12);
  }
  // A wrong signature in a cut record is no reason to change disks.
  MemoryStream wrong("PK\x05\x06" + std::string(10, '\0'));
  TZipEntryInfo e;
  EXPECT_FALSE(e.ReadCentralRecord(wrong, []() -> platform::TStream* {
    ADD_FAILURE() << "asked for a disk";
    return nullptr;
  }));
  // No next disk: failure.
  MemoryStream cut(record.substr(0, 20));
  EXPECT_FALSE(e.ReadCentralRecord(cut, []() -> platform::TStream* { return nullptr; }));
  EXPECT_EQ(cut.Position(), 0);
}

TEST(LocalRecord, ReadsTheHeaderAndLeavesTheStreamAfterTheName) {
  ZipPlan plan;
  plan.prefix = "stub";
  plan.entries.push_back({.name = "a/b.txt", .data = "12345", .flags = 0x0008, .local_extra = "LX"});
  auto built = BuildZip(plan);
  MemoryStream stream(built.bytes);
  stream.Seek(4, 0);
  TZipEntryInfo e;
  ASSERT_TRUE(e.ReadLocalRecord(stream));
  EXPECT_EQ(e.Directory(), "a\\");
  EXPECT_EQ(e.FileName(), "b.txt");
  EXPECT_EQ(e.LocalHeaderOffset, 4u);
  EXPECT_EQ(e.LocalExtraLength, 2);
  EXPECT_EQ(e.CompressedSize, 5);
  EXPECT_EQ(e.UncompressedSize, 5);
  EXPECT_TRUE(e.HasDataDescriptor());
  EXPECT_EQ(e.ExternalAttributes, 0u);
  EXPECT_EQ(e.InternalAttributes, 0);
  EXPECT_EQ(stream.Position(), 4 + 30 + 7);

  stream.Seek(5, 0);
  EXPECT_FALSE(e.ReadLocalRecord(stream));
  EXPECT_EQ(stream.Position(), 5);
}

// ---- Sorted lists ----

struct Counted {
  explicit Counted(int v, int* deaths) : value(v), deaths(deaths) {}
  ~Counted() { ++*deaths; }
  int value;
  int* deaths;
};

class CountedList : public TSortedObjectList<Counted> {
 public:
  using TSortedObjectList::TSortedObjectList;

 protected:
  int Compare(const Counted* listed, const Counted* added) const override {
    return listed->value < added->value ? -1 : listed->value > added->value ? 1 : 0;
  }
};

TEST(SortedObjectList, CapacityGrowsInTheGivenSteps) {
  int deaths = 0;
  CountedList list(true, DupAccept);
  std::vector<int> capacities;
  for (int i = 0; i < 40; ++i) {
    list.Add(new Counted(i, &deaths));
    if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 48}));
}

TEST(SortedObjectList, DuplicateModesAndOwnership) {
  int deaths = 0;
  {
    CountedList ignore(true, DupIgnore);
    for (int v : {3, 1, 3, 2}) ignore.Add(new Counted(v, &deaths));
    EXPECT_EQ(ignore.Count(), 3);
    EXPECT_EQ(deaths, 1) << "the ignored duplicate is freed by an owning list";
  }
  EXPECT_EQ(deaths, 4) << "an owning list frees its objects";

  deaths = 0;
  {
    CountedList accept(true, DupAccept);
    Counted* first = new Counted(5, &deaths);
    Counted* second = new Counted(5, &deaths);
    accept.Add(first);
    EXPECT_EQ(accept.Add(second), 0) << "an equal item goes before the existing ones";
    EXPECT_EQ(accept.Items(0), second);
    accept.Delete(0);
    EXPECT_EQ(deaths, 1);
  }

  deaths = 0;
  CountedList error(false, DupError);
  Counted a(1, &deaths), b(1, &deaths);
  error.Add(&a);
  EXPECT_EQ(MessageOf<EListError>([&] { error.Add(&b); }), "Duplicate Object index");
  EXPECT_EQ(error.Count(), 1);
  error.Clear();
  EXPECT_EQ(deaths, 0) << "a list that does not own frees nothing";
}

TZipEntryInfo* Entry(const std::string& name, uint32_t date, int32_t compressed, int32_t uncompressed, uint16_t disk,
                     uint32_t offset) {
  auto* e = new TZipEntryInfo;
  e->SetFullName(name);
  e->DateTime = date;
  e->CompressedSize = compressed;
  e->UncompressedSize = uncompressed;
  e->DiskNumber = disk;
  e->LocalHeaderOffset = offset;
  return e;
}

TEST(SortedEntryList, EachModeOrdersAsDefined) {
  // Named so that each order is easy to read: index in insertion order first.
  std::vector<std::unique_ptr<TZipEntryInfo>> entries;
  entries.emplace_back(Entry("b\\Zeta.txt", Dos(2001, 1, 1, 0, 0, 0), 50, 100, 1, 10));   // 0: rate 50
  entries.emplace_back(Entry("A\\alpha.txt", Dos(2005, 1, 1, 0, 0, 0), 10, 100, 0, 500)); // 1: rate 10
  entries.emplace_back(Entry("a\\beta", Dos(2001, 1, 1, 0, 0, 0), 50, 300, 0, 20));       // 2: rate 17 (16.67)
  entries.emplace_back(Entry("gamma", Dos(2001, 2, 31, 0, 0, 0), 0, 0, 0, 0));            // 3: bad date, empty
  entries.emplace_back(Entry("c\\", Dos(2010, 6, 1, 0, 0, 0), 100, 50, 2, 0));            // 4: rate min(100, 200)
  struct Case {
    TZipSortMode mode;
    std::vector<int> order;
  } cases[] = {
      // "A\alpha.txt" vs "a\beta": equal up to "\", then "A" < "B".
      {ByName, {1, 2, 0, 4, 3}},
      {ByFileName, {4, 1, 2, 3, 0}},           // "" < alpha.txt < beta < gamma < Zeta.txt
      {ByDirectoryName, {3, 2, 1, 0, 4}},      // "" first; "A\" and "a\" equal: the later goes first
      {ByDate, {4, 1, 0, 2, 3}},               // newest first; equal dates keep insertion order
      {ByCompressedSize, {4, 0, 2, 1, 3}},     // equal sizes keep insertion order
      {ByUnCompressedSize, {2, 0, 1, 4, 3}},
      {ByRate, {4, 0, 2, 1, 3}},
      {ByNone, {3, 2, 1, 0, 4}},               // disk, then offset
  };
  for (const auto& c : cases) {
    TSortedEntryList list(c.mode, false, DupAccept);
    for (auto& e : entries) list.Add(e.get());
    std::vector<int> order;
    for (int i = 0; i < list.Count(); ++i)
      for (size_t k = 0; k < entries.size(); ++k)
        if (list[i] == entries[k].get()) order.push_back(static_cast<int>(k));
    EXPECT_EQ(order, c.order) << "mode " << c.mode;
  }
}

TEST(SortedEntryList, TextOrderIsUnsignedAfterUpperCasing) {
  EXPECT_LT(CompareTextUpper("abc", "ABD"), 0);
  EXPECT_EQ(CompareTextUpper("abc", "ABC"), 0);
  EXPECT_LT(CompareTextUpper("ab", "abc"), 0);
  EXPECT_LT(CompareTextUpper("z", "\xD6\xD0"), 0) << "GBK bytes rank above ASCII";
  EXPECT_GT(CompareTextUpper("_", "a"), 0) << "a maps to A (0x41), below '_' (0x5F)";
}

TEST(SortedEntryList, RateRoundsHalfToEven) {
  struct Case {
    int32_t compressed, uncompressed;
    int rate;
  } cases[] = {{1, 200, 0}, {3, 200, 2}, {5, 200, 2}, {7, 200, 4}, {0, 0, 0}, {300, 100, 100}, {1, 3, 33},
                 // sizes of 2 GB and more are read as unsigned
                 {-1, 1, 100}, {1, -1, 0}, {-2147483647 - 1, -1, 50}};
  for (const auto& c : cases) {
    TZipEntryInfo e;
    e.CompressedSize = c.compressed;
    e.UncompressedSize = c.uncompressed;
    EXPECT_EQ(CompressionRate(e), c.rate) << c.compressed << "/" << c.uncompressed;
  }
}

}  // namespace
}  // namespace archive
