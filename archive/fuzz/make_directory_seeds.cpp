// Writes the seed corpus of directory_reader_fuzzer into the folder given on
// the command line: small valid archives and broken ones of every kind the
// directory reader handles. Each file is a settings byte and the archive.
//   make_directory_seeds archive/fuzz/corpus/directory_reader
#include <cstdio>
#include <string>

#include "archive/tests/zip_builder.h"

using archive::testing::BuildSpannedZip;
using archive::testing::BuildZip;
using archive::testing::ZipPlan;

namespace {

std::string folder;

void Seed(const std::string& name, char settings, const std::string& bytes) {
  std::string path = folder + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_directory_seeds FOLDER\n");
    return 1;
  }
  folder = argv[1];
  auto good = BuildZip(Small());
  Seed("valid", 0x00, good.bytes);
  Seed("valid-by-name-kept-open", 0x20 | (0 << 2), good.bytes);
  Seed("valid-by-rate", 6 << 2, good.bytes);
  Seed("empty", 0x00, "");
  Seed("short-tail", 0x03, good.bytes.substr(good.bytes.size() - 21));
  Seed("no-directory-bad", 0x03, good.bytes.substr(0, good.central_offset));
  Seed("no-directory-notzip", 0x02, good.bytes.substr(0, good.central_offset));
  Seed("truncated-directory", 0x00, good.bytes.substr(0, good.central_offset + 60) +
                                        good.bytes.substr(good.end_offset));

  ZipPlan dup = Small();
  dup.entries[2].central_offset_override = 0;
  Seed("duplicate-offsets", 0x00, BuildZip(dup).bytes);

  ZipPlan extra = Small();
  extra.entries[0].central_extra_length_override = 9;
  Seed("missing-extra", 0x00, BuildZip(extra).bytes);

  ZipPlan sfx = Small();
  sfx.prefix = std::string(600, 'M');
  Seed("prefix", 0x03, BuildZip(sfx).bytes);

  ZipPlan disks = Small();
  disks.this_disk_override = 1200;
  Seed("disk-out-of-range", 0x03, BuildZip(disks).bytes);

  auto volumes = BuildSpannedZip(Small(), 64);
  Seed("spanned-last-volume", 0x00, volumes.back());

  ZipPlan long_comment = Small();
  long_comment.comment = std::string(2000, 'c');
  Seed("long-comment", 0x00, BuildZip(long_comment).bytes);
  return 0;
}
