// Every entry of methods 1-6 in the peer ZIP fixtures (archives written by
// PKZIP and other old tools, kept outside this repository) decodes to the
// size and CRC-32 recorded in its central directory, and, where the expected
// file is kept beside it, to exactly that file.
//
// PKZIP's reduced entries (TEST.EXE and TEST.JPG at every factor) and its
// imploded TEST.EXE copy from distances reaching back before the entry's
// first byte, mostly runs of zeros; they match their CRC only because such
// history reads as zeros.
#include <gtest/gtest.h>

#include <string>

#include "archive/tests/legacy_test_support.h"

namespace archive::legacy_test {
namespace {

struct Archive {
  const char* path;       // under the fixture folder
  int legacy_entries;     // how many entries use methods 1-6
};

const Archive kArchives[] = {
    {"commons-compress/SHRUNK.ZIP", 2},
    {"commons-compress/imploding-4Kdict-2trees.zip", 1},
    {"commons-compress/imploding-8Kdict-3trees.zip", 1},
    {"commons-compress/lorem-ipsum-implode.zip", 1},
    {"commons-compress/moby-imploded.zip", 135},
    {"sharpcompress/Zip.implode.zip", 2},
    {"sharpcompress/Zip.reduce1.zip", 3},
    {"sharpcompress/Zip.reduce2.zip", 3},
    {"sharpcompress/Zip.reduce3.zip", 3},
    {"sharpcompress/Zip.reduce4.zip", 3},
    {"sharpcompress/Zip.shrink.zip", 2},
    {"zip2/legacy/implode.zip", 1},
    {"zip2/legacy/reduce.zip", 1},
    {"zip2/legacy/shrink.zip", 1},
};

class PeerFixtures : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = PeerFixtureFolder();
    if (folder_.empty()) GTEST_SKIP() << "peer fixtures not found at <repo>/../shared/fixtures/zip-peers; skipped";
  }
  std::string folder_;
};

TEST_F(PeerFixtures, EveryLegacyEntryMatchesItsCrcAndSize) {
  WorkBuffers buffers;  // one run: the window carries over between entries
  for (const Archive& archive : kArchives) {
    SCOPED_TRACE(archive.path);
    auto entries = ReadZip(folder_ + "/" + archive.path);
    ASSERT_TRUE(entries.has_value());
    int legacy = 0;
    for (const ZipEntry& e : *entries) {
      if (e.method < 1 || e.method > 6) continue;
      SCOPED_TRACE(e.name + ", method " + std::to_string(e.method));
      ASSERT_EQ(e.flags & 1, 0) << "an encrypted legacy entry needs its password here";
      ++legacy;
      Decoded d = DecodeEntry(buffers, e.method, e.flags, e.compressed, e.uncompressed_size);
      EXPECT_EQ(d.status, DecodeStatus::Completed);
      EXPECT_EQ(d.output.size(), e.uncompressed_size);
      EXPECT_EQ(Crc32(d.output), e.crc);
    }
    EXPECT_EQ(legacy, archive.legacy_entries);
  }
}

// The expected files kept with the fixtures, compared byte for byte.
TEST_F(PeerFixtures, ContentMatchesTheKeptOriginals) {
  struct Row {
    const char* archive;
    const char* entry;
    const char* original;
  };
  const Row rows[] = {
      {"commons-compress/SHRUNK.ZIP", "TEST1.XML", "commons-compress/test1.xml"},
      {"commons-compress/SHRUNK.ZIP", "TEST2.XML", "commons-compress/test2.xml"},
      {"commons-compress/lorem-ipsum-implode.zip", "LOREM.TXT", "commons-compress/expected/LOREM.TXT"},
      {"zip2/legacy/shrink.zip", "FIRST.TXT", "zip2/folder/first.txt"},
      {"zip2/legacy/reduce.zip", "first.txt", "zip2/folder/first.txt"},
      {"zip2/legacy/implode.zip", "first.txt", "zip2/folder/first.txt"},
      {"sharpcompress/Zip.reduce1.zip", "TEST.JPG", "sharpcompress/Original/jpg/test.jpg"},
      {"sharpcompress/Zip.reduce4.zip", "TEST.JPG", "sharpcompress/Original/jpg/test.jpg"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.archive) + " " + row.entry);
    auto entries = ReadZip(folder_ + "/" + row.archive);
    auto original = ReadFile(folder_ + "/" + row.original);
    ASSERT_TRUE(entries.has_value());
    ASSERT_TRUE(original.has_value());
    bool found = false;
    for (const ZipEntry& e : *entries) {
      if (e.name != row.entry) continue;
      found = true;
      Decoded d = DecodeEntry(e.method, e.flags, e.compressed, e.uncompressed_size);
      EXPECT_EQ(d.status, DecodeStatus::Completed);
      EXPECT_TRUE(d.output == *original);
    }
    EXPECT_TRUE(found);
  }
}

// A cut-off copy of real entries: dropping the last compressed byte (or
// more) must end as corrupt, never as a completed entry of invented bytes.
TEST_F(PeerFixtures, TruncatedEntriesAreCorrupt) {
  for (const char* path : {"zip2/legacy/shrink.zip", "zip2/legacy/reduce.zip", "zip2/legacy/implode.zip",
                           "commons-compress/imploding-4Kdict-2trees.zip"}) {
    SCOPED_TRACE(path);
    auto entries = ReadZip(folder_ + "/" + path);
    ASSERT_TRUE(entries.has_value());
    const ZipEntry& e = entries->front();
    for (size_t drop : {size_t{1}, size_t{2}, size_t{3}, e.compressed.size() / 2}) {
      Bytes part(e.compressed.begin(), e.compressed.end() - static_cast<ptrdiff_t>(drop));
      EXPECT_EQ(DecodeEntry(e.method, e.flags, part, e.uncompressed_size).status, DecodeStatus::Corrupt) << "dropped " << drop;
    }
  }
}

}  // namespace
}  // namespace archive::legacy_test
