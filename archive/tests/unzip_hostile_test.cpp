// Hostile archives against UnZip: each row is a small archive built here and
// the outcome it must produce on every system -- which entries are skipped
// with which reason, which fail their verdict, and which files exist after
// the run. Names that open devices, write alternate streams, leave the
// destination or exceed the path limit create nothing; records that share
// data are extracted once; short or long output is never a success.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "archive/extract_paths.h"
#include "archive/tests/zip_builder.h"
#include "archive/unzipper.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

#ifndef _WIN32
#include "platform/simulated/host_paths.h"
#endif

namespace archive {
namespace {

using testing::BuildZip;
using testing::BuildZipBytes;
using testing::ZipEntryPlan;
using testing::ZipPlan;
using Lines = std::vector<std::string>;

// The ZIP64 field: id 1, then the 64-bit sizes it stands for.
std::string Zip64Field(uint64_t uncompressed, uint64_t compressed) {
  std::string field;
  testing::AppendU16(field, 0x0001);
  testing::AppendU16(field, 16);
  for (uint64_t value : {uncompressed, compressed}) {
    testing::AppendU32(field, static_cast<uint32_t>(value));
    testing::AppendU32(field, static_cast<uint32_t>(value >> 32));
  }
  return field;
}

// Every file below folder (a program path), as relative paths with "/".
std::set<std::string> FilesBelow(const std::string& folder, const std::string& prefix = "") {
  std::set<std::string> files;
  for (const platform::DirectoryEntry& e : platform::ListDirectory(folder)) {
    if (e.attributes & platform::kAttrDirectory) {
      for (const std::string& inner : FilesBelow(folder + "\\" + e.name, prefix + e.name + "/")) files.insert(inner);
      files.insert(prefix + e.name + "/");
    } else {
      files.insert(prefix + e.name);
    }
  }
  return files;
}

class HostileArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    dest = temp / "out";
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string&, unsigned) {
      events.push_back("box " + text);
      return platform::kIdOk;
    });
  }
  void TearDown() override { platform::SetMessageBoxResponder(nullptr); }

  // Extracts archive bytes into destination (dest unless given) with the
  // installer's settings and records the verdicts: skips with their reason,
  // CRC failures, extracted entries (as names relative to the destination).
  int Extract(const std::string& bytes, const std::string& destination, bool recreate_dirs = true) {
    dz::testing::WriteWholeFile(temp / "hostile.zip", bytes);
    z.SetZipName(temp / "hostile.zip");
    z.SetDestDir(destination);
    z.DoAll = true;
    z.RecreateDirs = recreate_dirs;
    z.OverwriteMode = Always;
    z.OnStartUnZipInfo = [this](TUnZipper*, int n, int64_t total, bool&) {
      events.push_back("info " + std::to_string(n) + " " + std::to_string(total));
    };
    z.OnSkippingFile = [this](TUnZipper*, TSkipReason reason, const std::string& fname, int, bool&) {
      events.push_back("skip " + std::to_string(reason) + " " + Rel(fname));
    };
    z.OnBadCRC = [this](TUnZipper*, uint32_t, uint32_t, int index) {
      events.push_back("crc " + z.EntryAt(index).FullName());
    };
    z.OnEndUnZip = [this](TUnZipper*, int, const std::string& fname) { events.push_back("end " + Rel(fname)); };
    return z.UnZip();
  }
  int Extract(const std::string& bytes) { return Extract(bytes, dest); }

  std::string Rel(const std::string& path) const {
    if (path.compare(0, dest.size() + 1, dest + "\\") == 0) return path.substr(dest.size() + 1);
    return path;
  }

  dz::testing::TempFolder temp;
  std::string dest;
  TUnZipper z;
  Lines events;
};

TEST_F(HostileArchive, DeviceNamesStreamsAndTrimmedNamesCreateNothing) {
  const std::string refused[] = {"COM1.txt", "aux",         "COM2:",      "LPT1",       "prn.log",  "lpt2.a.b",
                                 "NUL.txt",  "sub/NUL",     "NUL .txt",   "CONIN$",     "conout$.x", "con",
                                 "Com9.",    "a:b",         "x/y:z/f.txt", "ends.",     "ends ",    "dir./f.txt",
                                 "dir /f.txt", "tab\tname", "q?.txt",     "a|b",        " ",
                                 std::string("nul\0cut.txt", 11), "\xEB./x.txt", "x\xEB."};
  const char* accepted[] = {"COM10.txt", "COM0", "console.txt", "nul_x.txt", "LPT.txt", "./dot.txt",
                            "\xD6\xD0.txt", "\x81\x7C.txt"};  // 0x7C ("|") as a second byte
  std::vector<ZipEntryPlan> entries;
  for (const std::string& name : refused) entries.push_back({name, "port data"});
  for (const char* name : accepted) entries.push_back({name, "file data"});
  EXPECT_EQ(Extract(BuildZipBytes(entries)), static_cast<int>(std::size(accepted)));

  Lines skipped;
  for (const std::string& e : events)
    if (e.rfind("skip ", 0) == 0) skipped.push_back(e);
  ASSERT_EQ(skipped.size(), std::size(refused));
  for (size_t i = 0; i < std::size(refused); ++i) {
    std::string stored = refused[i];
    for (char& c : stored) c = c == '/' ? '\\' : c;
    EXPECT_EQ(skipped[i], "skip " + std::to_string(SkipCannotCreate) + " " + stored);
  }
  EXPECT_EQ(FilesBelow(dest), (std::set<std::string>{"COM10.txt", "COM0", "console.txt", "nul_x.txt", "LPT.txt",
                                                      "dot.txt", "\xD6\xD0.txt", "\x81\x7C.txt"}));
}

// Runs fn with the process's working folder set to folder (a program path).
void InFolder(const std::string& folder, const std::function<void()>& fn) {
#ifdef _WIN32
  const std::filesystem::path target(folder);
#else
  const std::filesystem::path target(platform::simulated::ToHostPath(folder));
#endif
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(target);
  try {
    fn();
  } catch (...) {
    std::filesystem::current_path(saved);
    throw;
  }
  std::filesystem::current_path(saved);
}

TEST_F(HostileArchive, EmptyDestinationIsTheCurrentFolder) {
  // Absolute names, drive names and root-relative names all land below the
  // current folder, as they would below any destination.
  const std::vector<ZipEntryPlan> entries = {
      {"//tmp/unc.txt", "u"}, {"Z:/tmp/drive.txt", "z"}, {"C:/c.txt", "c"}, {"/root.txt", "r"}, {"plain.txt", "p"}};
  const std::string here = temp / "here";
  platform::ForceDirectories(here);
  for (bool recreate : {true, false}) {
    SCOPED_TRACE(recreate ? "folders recreated" : "flat");
    dz::testing::RemoveTree(here);
    platform::ForceDirectories(here);
    InFolder(here, [&] { EXPECT_EQ(Extract(BuildZipBytes(entries), "", recreate), 5); });
    const std::set<std::string> expected =
        recreate ? std::set<std::string>{"tmp/", "tmp/unc.txt", "tmp/drive.txt", "c.txt", "root.txt", "plain.txt"}
                 : std::set<std::string>{"unc.txt", "drive.txt", "c.txt", "root.txt", "plain.txt"};
    EXPECT_EQ(FilesBelow(here), expected);
  }
}

TEST_F(HostileArchive, RecordsSharingDataAreExtractedOnce) {
  // One local header, twenty central records claiming disks 0 to 19 of an
  // archive that is not spanned: the disk numbers mean nothing.
  ZipPlan shared;
  for (int disk = 0; disk < 20; ++disk) {
    ZipEntryPlan e{"copy" + std::to_string(disk) + ".txt", std::string(4000, 'b'), 8};
    e.central_offset_override = 0;
    e.disk_override = disk;
    e.central_only = disk > 0;
    shared.entries.push_back(e);
  }
  EXPECT_EQ(Extract(BuildZip(shared).bytes), 1);
  EXPECT_EQ(z.Count(), 1);
  EXPECT_EQ(FilesBelow(dest).size(), 1u);

  // An entry whose local header lies inside the data of another: the first
  // is extracted, the one overlapping it is a bad entry.
  ZipEntryPlan inner{"inner.txt", "inner data"};
  const std::string inner_bytes = testing::LocalHeaderOf(inner) + inner.data;
  ZipEntryPlan outer{"outer.txt", std::string(100, 'x') + inner_bytes + std::string(100, 'y')};
  inner.central_offset_override = kLocalHeaderSize + outer.name.size() + 100;
  events.clear();
  dz::testing::RemoveTree(dest);
  EXPECT_EQ(Extract(BuildZipBytes({outer, inner})), 1);
  EXPECT_EQ(events, (Lines{"info 2 " + std::to_string(outer.data.size() + inner.data.size()), "end outer.txt",
                           "skip " + std::to_string(SkipBadEntry) + " inner.txt"}));
}

TEST_F(HostileArchive, ShortOrLongOutputIsNeverASuccess) {
  ZipEntryPlan short_stored{"short.txt", std::string(100, 's')};
  short_stored.declared_size = 5000;
  ZipEntryPlan long_deflated{"long.txt", std::string(3000, 'l'), 8};
  long_deflated.declared_size = 10;
  long_deflated.declared_crc = 0;  // the CRC of the nothing written before the size guard
  ZipEntryPlan huge{"huge.txt", "abc"};
  huge.declared_size = 0xFFFFFFFF;
  huge.declared_crc = 0;
  ZipEntryPlan unknown{"m9.txt", "", 9};
  unknown.raw = "compressed by a method without a decoder";
  unknown.declared_size = 10;
  unknown.declared_crc = 0;
  ZipEntryPlan encrypted_short{"secret.txt", std::string(50, 'e')};
  encrypted_short.password = "pw";
  encrypted_short.declared_size = 60;
  z.Password = "pw";
  EXPECT_EQ(Extract(BuildZipBytes({short_stored, long_deflated, huge, unknown, encrypted_short, {"ok.txt", "ok"}})),
            1);
  EXPECT_EQ(events, (Lines{"info 6 " + std::to_string(5000 + 10 + 0xFFFFFFFFll + 10 + 60 + 2), "crc short.txt",
                           "crc long.txt", "crc huge.txt", "box Unknown Compression Method", "crc m9.txt",
                           "skip " + std::to_string(SkipBadPassword) + " secret.txt", "end ok.txt"}));
  EXPECT_EQ(FilesBelow(dest), (std::set<std::string>{"ok.txt"}));
}

TEST_F(HostileArchive, Zip64EntriesAreSkippedAsUnsupported) {
  ZipEntryPlan by_central{"central64.txt", "data"};
  by_central.declared_size = 0xFFFFFFFF;
  by_central.declared_compressed_size = 0xFFFFFFFF;
  by_central.central_extra = Zip64Field(4, 4);
  ZipEntryPlan by_local{"local64.txt", "data"};
  by_local.declared_size = 0xFFFFFFFF;
  by_local.local_extra = Zip64Field(4, 4);
  // A saturated size without the ZIP64 field is an ordinary (short) entry.
  ZipEntryPlan no_field{"plain.txt", "data"};
  no_field.declared_size = 0xFFFFFFFF;
  EXPECT_EQ(Extract(BuildZipBytes({by_central, by_local, no_field, {"after.txt", "after"}})), 1);
  const std::string unsupported = "skip " + std::to_string(SkipUnsupported) + " ";
  EXPECT_EQ(events, (Lines{"info 4 " + std::to_string(3 * 0xFFFFFFFFll + 5), unsupported + "central64.txt",
                           unsupported + "local64.txt", "crc plain.txt", "end after.txt"}));
  EXPECT_EQ(FilesBelow(dest), (std::set<std::string>{"after.txt"}));
}

TEST_F(HostileArchive, EncryptedEntryTooShortForItsHeaderIsABadEntry) {
  // The fuzz finding: a compressed size below the 12 header bytes (and one
  // near 2^31, which overflowed a signed size) must neither wrap nor crash.
  ZipEntryPlan tiny{"tiny.txt", "x"};
  tiny.password = "pw";
  tiny.declared_compressed_size = 5;
  ZipEntryPlan claimed{"claimed.txt", "y"};
  claimed.password = "pw";
  claimed.declared_compressed_size = 0x80000007;
  z.Password = "pw";
  try {
    Extract(BuildZipBytes({tiny, claimed}));
  } catch (const EFatalUnzipError&) {
    events.push_back("premature end");
  }
  EXPECT_EQ(events, (Lines{"info 2 2", "skip " + std::to_string(SkipBadEntry) + " tiny.txt", "premature end"}));
}

TEST_F(HostileArchive, PathsPastTheLimitCreateNothing) {
  // The limit counts the whole output path: 259 characters are written, 260
  // are not (a long file name in a short folder, so that only the path's
  // length decides).
  const size_t room = kMaxOutputPathLength - dest.size() - std::string("\\d\\").size();
  const std::string fits = "d/" + std::string(room, 'f');
  const std::string too_long = "e/" + std::string(room + 1, 'f');
  std::string deep;
  for (int i = 0; i < 32767; ++i) deep += "a/";
  deep += "x";
  const std::clock_t started = std::clock();
  EXPECT_EQ(Extract(BuildZipBytes({{fits, "fits"}, {too_long, "long"}, {deep, "deep"}})), 1);
  EXPECT_LT(std::clock() - started, 5 * CLOCKS_PER_SEC) << "one pass over a deep name";
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[1], "end d\\" + std::string(room, 'f'));
  EXPECT_EQ(events[2], "skip " + std::to_string(SkipCannotCreate) + " e\\" + std::string(room + 1, 'f'));
  EXPECT_EQ(events[3].substr(0, 7), "skip " + std::to_string(SkipCannotCreate) + " ");
  EXPECT_EQ(FilesBelow(dest), (std::set<std::string>{"d/", "d/" + std::string(room, 'f')}));
}

TEST_F(HostileArchive, FolderCreationWalksThePathOnce) {
  // The folders of an output path are made in one walk from the root: every
  // missing level is created, a doubled separator names no folder, and a
  // file in the way ends the walk with nothing made below it.
  dz::testing::WriteWholeFile(temp / "file.txt", "in the way");
  struct Row {
    std::string path;
    bool made;
    std::string exists;  // a folder that must exist afterwards ("" none)
  } rows[] = {
      {temp / "a\\b\\c", true, temp / "a\\b\\c"},
      {temp / "twice\\\\x\\", true, temp / "twice\\x"},
      {temp / "file.txt\\below", false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(platform::ForceDirectories(row.path), row.made);
    if (!row.exists.empty()) {
      EXPECT_TRUE(platform::DirectoryExists(row.exists));
    }
  }
  EXPECT_FALSE(platform::DirectoryExists(temp / "file.txt\\below"));
}

// The raw DEFLATE stream and the CRC-32 of size zero bytes, made a block at
// a time so that the plain bytes are never held whole.
std::pair<std::string, uint32_t> DeflatedZeros(uint64_t size) {
  const std::string zeros(1 << 20, '\0');
  z_stream stream{};
  deflateInit2(&stream, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string compressed;
  std::string out(1 << 16, '\0');
  uint32_t crc = 0;
  for (uint64_t done = 0;;) {
    const uInt n = static_cast<uInt>(std::min<uint64_t>(zeros.size(), size - done));
    crc = static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(zeros.data()), n));
    done += n;
    const int flush = done == size ? Z_FINISH : Z_NO_FLUSH;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    stream.avail_in = n;
    do {
      stream.next_out = reinterpret_cast<Bytef*>(out.data());
      stream.avail_out = static_cast<uInt>(out.size());
      deflate(&stream, flush);
      compressed.append(out.data(), out.size() - stream.avail_out);
    } while (stream.avail_out == 0);
    if (flush == Z_FINISH) break;
  }
  deflateEnd(&stream);
  return {compressed, crc};
}

TEST_F(HostileArchive, EntryPastTwoGigabytesIsExtractedWhole) {
  // A deflated entry of 2^31 + 64 KB zero bytes, the smallest size that
  // needs all 32 bits unsigned (a 2.5 GB entry behaves the same). The output
  // file is checked and removed.
  const uint64_t size = (uint64_t{1} << 31) + 65536;
  auto [compressed, crc] = DeflatedZeros(size);
  ZipEntryPlan big{"big.bin", "", 8};
  big.raw = compressed;
  big.declared_size = static_cast<int64_t>(size);
  big.declared_crc = crc;
  dz::testing::WriteWholeFile(temp / "big.zip", BuildZipBytes({big}));
  z.SetZipName(temp / "big.zip");
  z.SetDestDir(dest);
  z.DoAll = true;
  z.OverwriteMode = Always;
  int64_t total = 0;
  z.OnStartUnZipInfo = [&](TUnZipper*, int, int64_t bytes, bool&) { total = bytes; };
  z.OnBadCRC = [this](TUnZipper*, uint32_t, uint32_t, int) { events.push_back("crc"); };
  EXPECT_EQ(z.UnZip(), 1);
  EXPECT_EQ(total, static_cast<int64_t>(size));
  EXPECT_TRUE(events.empty());
  const std::vector<platform::DirectoryEntry> out = platform::ListDirectory(dest);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].size, size);
  platform::RemoveFile(dest + "\\big.bin");
}

}  // namespace
}  // namespace archive
