// Writes the seed corpus of unzip_extract_fuzzer into the folder given on
// the command line: a settings byte, then a small archive of each kind the
// extraction path handles (stored, deflated, encrypted by CRC and by time
// check, folders, an escaping name, a damaged CRC, an oversized entry).
//   make_unzip_seeds archive/fuzz/corpus/unzip_extract
#include <cstdio>
#include <string>
#include <vector>

#include "archive/tests/unzip_test_zip.h"

using archive::testing::BuildTestZip;
using archive::testing::TestEntry;

namespace {

std::string folder;

void Seed(const std::string& name, char settings, const std::vector<TestEntry>& entries) {
  std::string bytes = BuildTestZip(entries);
  std::string path = folder + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fputc(settings, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_unzip_seeds FOLDER\n");
    return 1;
  }
  folder = argv[1];
  std::string text;
  for (int i = 0; i < 200; ++i) text += "menu line " + std::to_string(i % 17) + "\n";

  Seed("stored", 1, {{"a.txt", "alpha", 0}, {"dir/", "", 0}, {"dir/b.txt", "beta", 0}});
  Seed("deflated", 1, {{"t.txt", text}, {"sub/u.txt", text.substr(100)}});
  TestEntry by_crc("s.txt", text);
  by_crc.password = "pw";
  TestEntry by_time("d.txt", text.substr(0, 300), 0);
  by_time.password = "pw";
  by_time.data_descriptor = true;
  Seed("encrypted", 5, {by_crc, by_time});
  Seed("escaping", 1, {{"../up.txt", "x", 0}, {"a/../../up.txt", "y", 0}, {"ok.txt", "z", 0}});
  TestEntry bad_crc("c.txt", "checked", 0);
  bad_crc.declared_crc = 1;
  TestEntry big("big.txt", text);
  big.declared_size = 10;
  Seed("damaged", 2, {bad_crc, big, {"gbk\xD6\xD0.txt", "gbk"}});
  return 0;
}
