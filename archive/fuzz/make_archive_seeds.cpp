// Writes the seed corpora of the archive component's fuzz targets into the
// folder given on the command line (archive/fuzz/corpus): each seed is a
// settings byte and a small archive.
//   directory_reader/  valid archives and broken ones of every kind the
//                      directory reader handles;
//   unzip_extract/     archives of each kind extraction handles (stored,
//                      deflated, encrypted by CRC and by time check, folders,
//                      escaping and device names, damaged and oversized
//                      entries, shared data, ZIP64 markers).
//   make_archive_seeds archive/fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <string>

#include "archive/tests/test_data.h"
#include "archive/tests/zip_builder.h"

using archive::testing::BuildSpannedZip;
using archive::testing::BuildZip;
using archive::testing::BuildZipBytes;
using archive::testing::ZipEntryPlan;
using archive::testing::ZipPlan;

namespace {

std::filesystem::path corpus;

void Seed(const std::string& target, const std::string& name, char settings, const std::string& bytes) {
  std::filesystem::create_directories(corpus / target);
  FILE* f = std::fopen((corpus / target / name).string().c_str(), "wb");
  if (!f) return;
  std::fputc(settings, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

ZipPlan Small() {
  ZipPlan plan;
  plan.entries.push_back({.name = "a.txt", .data = "alpha", .comment = "first"});
  plan.entries.push_back({.name = "dir/", .data = ""});
  plan.entries.push_back({.name = "dir/\xD6\xD0\x95\x5C.txt", .data = "gbk", .flags = 0x0008});
  plan.comment = "archive comment";
  return plan;
}

// Directory reader: settings bits 0-1 IncompleteZipMode (3 = izAssumeBad),
// bits 2-4 SortMode, bit 5 KeepZipOpen.
void DirectorySeeds() {
  const std::string target = "directory_reader";
  auto good = BuildZip(Small());
  Seed(target, "valid", 0x00, good.bytes);
  Seed(target, "valid-by-name-kept-open", 0x20 | (0 << 2), good.bytes);
  Seed(target, "valid-by-rate", 6 << 2, good.bytes);
  Seed(target, "empty", 0x00, "");
  Seed(target, "short-tail", 0x03, good.bytes.substr(good.bytes.size() - 21));
  Seed(target, "no-directory-bad", 0x03, good.bytes.substr(0, good.central_offset));
  Seed(target, "no-directory-notzip", 0x02, good.bytes.substr(0, good.central_offset));
  Seed(target, "truncated-directory", 0x00,
       good.bytes.substr(0, good.central_offset + 60) + good.bytes.substr(good.end_offset));

  ZipPlan dup = Small();
  dup.entries[2].central_offset_override = 0;
  Seed(target, "duplicate-offsets", 0x00, BuildZip(dup).bytes);

  ZipPlan extra = Small();
  extra.entries[0].central_extra_length_override = 9;
  Seed(target, "missing-extra", 0x00, BuildZip(extra).bytes);

  ZipPlan sfx = Small();
  sfx.prefix = std::string(600, 'M');
  Seed(target, "prefix", 0x03, BuildZip(sfx).bytes);

  ZipPlan disks = Small();
  disks.this_disk_override = 1200;
  Seed(target, "disk-out-of-range", 0x03, BuildZip(disks).bytes);

  auto volumes = BuildSpannedZip(Small(), 64);
  Seed(target, "spanned-last-volume", 0x00, volumes.back());

  ZipPlan long_comment = Small();
  long_comment.comment = std::string(2000, 'c');
  Seed(target, "long-comment", 0x00, BuildZip(long_comment).bytes);
}

// Extraction: settings bit 0 RecreateDirs, bit 1 OverwriteMode Never, bit 2
// password "pw", bit 3 SortMode ByName, bit 4 worker threads. The seeds with
// data to decode come twice, the second time with workers.
void ExtractionSeeds() {
  const std::string target = "unzip_extract";
  const std::string text = archive::testing::MenuLines(200);
  Seed(target, "stored", 1, BuildZipBytes({{"a.txt", "alpha"}, {"dir/", ""}, {"dir/b.txt", "beta"}}));
  Seed(target, "deflated", 1, BuildZipBytes({{"t.txt", text, 8}, {"sub/u.txt", text.substr(100), 8}}));
  Seed(target, "deflated-workers", 1 | 16, BuildZipBytes({{"t.txt", text, 8}, {"sub/u.txt", text.substr(100), 8}}));
  ZipEntryPlan by_crc{"s.txt", text, 8};
  by_crc.password = "pw";
  ZipEntryPlan by_time{"d.txt", text.substr(0, 300)};
  by_time.password = "pw";
  by_time.data_descriptor = true;
  Seed(target, "encrypted", 5, BuildZipBytes({by_crc, by_time}));
  Seed(target, "encrypted-workers", 5 | 16, BuildZipBytes({by_crc, by_time}));
  Seed(target, "escaping", 1, BuildZipBytes({{"../up.txt", "x"}, {"a/../../up.txt", "y"}, {"ok.txt", "z"}}));
  Seed(target, "devices", 1, BuildZipBytes({{"COM1.txt", "x"}, {"sub/NUL .txt", "y"}, {"a:b", "z"}, {"end.", "e"}}));
  ZipEntryPlan bad_crc{"c.txt", "checked"};
  bad_crc.declared_crc = 1;
  ZipEntryPlan big{"big.txt", text, 8};
  big.declared_size = 10;
  ZipEntryPlan short_stored{"short.txt", std::string(100, 's')};
  short_stored.declared_size = 5000;
  Seed(target, "damaged", 2, BuildZipBytes({bad_crc, big, short_stored, {"gbk\xD6\xD0.txt", "gbk", 8}}));
  Seed(target, "damaged-workers", 2 | 16, BuildZipBytes({bad_crc, big, short_stored, {"gbk\xD6\xD0.txt", "gbk", 8}}));

  ZipPlan shared;
  for (int disk = 0; disk < 4; ++disk) {
    ZipEntryPlan e{"copy" + std::to_string(disk) + ".txt", text};
    e.central_offset_override = 0;
    e.disk_override = disk;
    e.central_only = disk > 0;
    shared.entries.push_back(e);
  }
  Seed(target, "shared-data", 0, BuildZip(shared).bytes);
  Seed(target, "shared-data-workers", 16, BuildZip(shared).bytes);

  ZipEntryPlan zip64{"z64.txt", "small"};
  zip64.declared_size = 0xFFFFFFFF;
  zip64.declared_compressed_size = 0xFFFFFFFF;
  zip64.central_extra = std::string("\x01\x00\x10\x00", 4) + std::string(16, '\0');
  Seed(target, "zip64", 0, BuildZipBytes({zip64, {"after.txt", "after"}}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_archive_seeds CORPUS_FOLDER\n");
    return 1;
  }
  corpus = argv[1];
  DirectorySeeds();
  ExtractionSeeds();
  return 0;
}
