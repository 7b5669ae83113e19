// Extraction against peer tools: archives made by Info-ZIP zip and 7-Zip
// (plain, encrypted, a GBK password, data descriptors from streamed input)
// and the peer fixtures of methods 0 and 8 must extract byte-identical to
// what Info-ZIP unzip or 7-Zip extract from them. Native tree only: the
// tools run on the host.
//
// The fixtures live beside the repository (<repo>/../shared); a clone
// without them skips those cases with a message.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "archive/decoders/traditional_crypt.h"
#include "archive/unzipper.h"

namespace archive {
namespace {

namespace fs = std::filesystem;

bool HaveTool(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

int Shell(const std::string& command) { return std::system(("( " + command + " ) >/dev/null 2>&1").c_str()); }

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every regular file below root: the contents in order (names may differ in
// encoding between tools), and the relative paths that are plain ASCII.
struct Tree {
  std::vector<std::string> contents;
  std::vector<std::string> ascii_paths;
};

Tree ReadTree(const fs::path& root) {
  Tree tree;
  if (!fs::exists(root)) return tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (!item.is_regular_file()) continue;
    tree.contents.push_back(ReadBytes(item.path()));
    std::string rel = fs::relative(item.path(), root).string();
    if (std::all_of(rel.begin(), rel.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      tree.ascii_paths.push_back(rel);
  }
  std::sort(tree.contents.begin(), tree.contents.end());
  std::sort(tree.ascii_paths.begin(), tree.ascii_paths.end());
  return tree;
}

// A wrong password ("not it", "not it 1", ...) whose key stream fails the
// check byte of every encrypted entry's header in the archive: the local
// headers read straight from its bytes.
std::string PasswordEveryHeaderRefuses(const fs::path& zip) {
  std::ifstream in(zip, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u16 = [&](size_t at) { return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); };
  auto u32 = [&](size_t at) { return uint32_t(u16(at) | uint32_t(u16(at + 2)) << 16); };
  struct Header {
    std::string encrypted;  // the 12 header bytes
    uint8_t check;
  };
  std::vector<Header> headers;
  for (size_t at = 0; at + 30 <= bytes.size(); ++at) {
    if (u32(at) != 0x04034b50u || (u16(at + 6) & 1) == 0) continue;
    const size_t data = at + 30 + u16(at + 26) + u16(at + 28);
    if (data + archive::kEncryptionHeaderSize > bytes.size()) continue;
    headers.push_back({bytes.substr(data, archive::kEncryptionHeaderSize),
                       archive::ExpectedCheckByte(u16(at + 6), u32(at + 10), u32(at + 14))});
  }
  for (int attempt = 0;; ++attempt) {
    const std::string password = attempt == 0 ? "not it" : "not it " + std::to_string(attempt);
    bool refused_by_all = true;
    for (Header header : headers) {
      archive::TraditionalKeys keys;
      refused_by_all = refused_by_all &&
                       !archive::CheckEncryptionHeader(keys, password, reinterpret_cast<uint8_t*>(header.encrypted.data()),
                                                       header.check);
    }
    if (refused_by_all) return password;
  }
}

class PeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dz-peers-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  // Extracts with the component the way the installer does.
  int Extract(const fs::path& zip, const fs::path& dest, const std::string& password, int* skipped = nullptr) {
    TUnZipper z;
    z.SetZipName(zip.string());
    z.SetDestDir(dest.string());
    z.Password = password;
    z.DoAll = true;
    z.RecreateDirs = true;
    z.OverwriteMode = Always;
    z.ReplaceReadOnly = true;
    int skips = 0;
    z.OnSkippingFile = [&](TUnZipper*, TSkipReason, const std::string&, int, bool&) { ++skips; };
    z.OnBadCRC = [&](TUnZipper*, uint32_t, uint32_t, int) { ++skips; };
    int n = z.UnZip();
    if (skipped) *skipped = skips;
    return n;
  }

  // A source tree with the kinds of files the installer carries.
  fs::path MakeSources() {
    fs::path src = root / "src";
    std::mt19937 random(42);
    std::string text, program, noise(70000, '\0');
    for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i * 7 % 1000) + " of the catering menu\r\n";
    for (int i = 0; i < 120000; ++i) program.push_back(static_cast<char>(random() % 4 == 0 ? random() : i % 97));
    for (char& c : noise) c = static_cast<char>(random());
    WriteBytes(src / "readme.txt", text);
    WriteBytes(src / "bin" / "pos.exe", program);
    WriteBytes(src / "bin" / "noise.dat", noise);
    WriteBytes(src / "bin" / "empty.ini", "");
    WriteBytes(src / "data" / "\xC5\xE4\xD6\xC3.ini", "[Base]\r\nName=Orvane\r\n");  // GBK name 配置.ini
    WriteBytes(src / "data" / "exact.bin", std::string(32768, 'e'));
    return src;
  }

  void ExpectSameTrees(const fs::path& expected, const fs::path& actual) {
    Tree want = ReadTree(expected), got = ReadTree(actual);
    ASSERT_FALSE(want.contents.empty());
    EXPECT_EQ(got.contents.size(), want.contents.size());
    EXPECT_TRUE(got.contents == want.contents) << "file contents differ";
    EXPECT_EQ(got.ascii_paths, want.ascii_paths);
  }

  // An archive a peer packed from the sources (pack, run in the sources'
  // folder, then the archive) and unpacked (unpack(archive, folder)): the
  // component extracts the same files. With a password, one that every entry
  // refuses extracts no file and skips all six; wrong_extracted, when given,
  // is what Extract then counts (the folder entries).
  void ExpectLikePeer(const std::string& tag, const std::string& pack,
                      const std::function<std::string(const std::string&, const std::string&)>& unpack,
                      const std::string& password, const fs::path& src, std::optional<int> wrong_extracted = {}) {
    const fs::path zip = root / (tag + ".zip"), ours = root / (tag + "-ours"), theirs = root / (tag + "-theirs");
    ASSERT_EQ(Shell("cd " + Quote(src.string()) + " && " + pack + " " + Quote(zip.string()) + " ."), 0);
    ASSERT_EQ(Shell(unpack(Quote(zip.string()), Quote(theirs.string()))), 0);
    int skipped = 0;
    Extract(zip, ours, password, &skipped);
    EXPECT_EQ(skipped, 0);
    ExpectSameTrees(theirs, ours);
    if (password.empty()) return;
    // Each entry's one check byte lets a wrong password through 1 time in
    // 256 (peers salt every header at random), so the password taken is one
    // that every header of this archive refuses.
    const fs::path wrong = root / (tag + "-wrong");
    const int extracted = Extract(zip, wrong, PasswordEveryHeaderRefuses(zip), &skipped);
    if (wrong_extracted) {
      EXPECT_EQ(extracted, *wrong_extracted);
    }
    EXPECT_EQ(skipped, 6);
    EXPECT_TRUE(ReadTree(wrong).contents.empty());
  }

  fs::path root;
};

TEST_F(PeerTest, InfoZipArchives) {
  if (!HaveTool("zip") || !HaveTool("unzip")) GTEST_SKIP() << "Info-ZIP zip/unzip not installed";
  fs::path src = MakeSources();
  const std::string gbk_password = "\xC7\xE0\xCB\xC9\xB0\xD7\xD4\xC6";  // 青松白云
  struct Row {
    const char* name;
    std::string options;
    std::string password;
  };
  const Row rows[] = {
      {"deflated", "", ""},
      {"stored", "-0", ""},
      {"encrypted", "-P secret", "secret"},
      {"encrypted, GBK password", "-P " + Quote(gbk_password), gbk_password},
      {"encrypted, stored", "-0 -P secret", "secret"},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string password_option = row.password.empty() ? "" : "-P " + Quote(row.password) + " ";
    ExpectLikePeer(
        "info-zip" + std::to_string(n++), "zip -q -r -X " + row.options,
        [&](const std::string& zip, const std::string& folder) {
          return "unzip -q -o " + password_option + zip + " -d " + folder;
        },
        row.password, src, 2);  // with the wrong password: the two folder entries only
  }
}

TEST_F(PeerTest, InfoZipStreamedEntriesUseTheTimeCheck) {
  if (!HaveTool("zip") || !HaveTool("unzip")) GTEST_SKIP() << "Info-ZIP zip/unzip not installed";
  fs::path src = MakeSources();
  for (const std::string& password : {std::string(), std::string("pipe")}) {
    SCOPED_TRACE(password.empty() ? "plain" : "encrypted");
    fs::path zip = root / (password.empty() ? "p0.zip" : "p1.zip");
    // Input from a pipe and output to a pipe: sizes and CRC follow the data
    // in a descriptor, and the encryption header carries the DOS time
    // instead of the CRC.
    ASSERT_EQ(Shell("cat " + Quote((src / "bin" / "pos.exe").string()) + " | zip -q -fz- " +
                    (password.empty() ? "" : "-P " + password + " ") + "- - | cat > " + Quote(zip.string())),
              0);
    std::string bytes = ReadBytes(zip);
    ASSERT_TRUE(bytes[6] & 0x08) << "no data descriptor";
    fs::path ours = root / "ours-pipe", theirs = root / "theirs-pipe";
    fs::remove_all(ours);
    fs::remove_all(theirs);
    ASSERT_EQ(Shell("unzip -q -o " + (password.empty() ? "" : "-P " + password + " ") + Quote(zip.string()) + " -d " +
                  Quote(theirs.string())),
              0);
    EXPECT_EQ(Extract(zip, ours, password), 1);
    ExpectSameTrees(theirs, ours);
  }
}

TEST_F(PeerTest, SevenZipArchives) {
  if (!HaveTool("7z")) GTEST_SKIP() << "7-Zip not installed";
  fs::path src = MakeSources();
  struct Row {
    const char* name;
    std::string options;
    std::string password;
  };
  const Row rows[] = {
      {"ZipCrypto deflate", "-mem=ZipCrypto -psecret", "secret"},
      {"ZipCrypto stored", "-mx=0 -mem=ZipCrypto -psecret", "secret"},
      {"plain, maximum", "-mx=9", ""},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string password_option = row.password.empty() ? "" : "-p" + row.password + " ";
    ExpectLikePeer(
        "7-zip" + std::to_string(n++), "7z a -tzip " + row.options,
        [&](const std::string& zip, const std::string& folder) {
          return "7z x -y " + password_option + "-o" + folder + " " + zip;
        },
        row.password, src);
  }
}

fs::path FixtureFolder() {
  // The test runs from the build tree; the repository's sibling "shared"
  // holds the peer fixtures.
  fs::path here = fs::path(__FILE__).parent_path();  // <repo>/archive/tests
  return here.parent_path().parent_path().parent_path() / "shared" / "fixtures" / "zip-peers";
}

TEST_F(PeerTest, PeerFixturesOfMethods0And8) {
  fs::path fixtures = FixtureFolder();
  if (!fs::exists(fixtures / "manifest.json")) GTEST_SKIP() << "peer fixtures not found at " << fixtures;
  if (!HaveTool("unzip")) GTEST_SKIP() << "Info-ZIP unzip not installed";
  // Well-formed archives of methods 0 and 8 that unzip -t passes, with
  // their passwords (from SOURCES.md).
  const std::pair<const char*, const char*> rows[] = {
      {"commons-compress/bla.zip", ""},
      {"commons-compress/bla-stored.zip", ""},
      {"commons-compress/archive_with_trailer.zip", ""},
      {"commons-compress/zipbomb.xlsx", ""},
      {"libarchive/test_compat_zip_1.zip", ""},
      {"libarchive/test_compat_zip_2.zip", ""},
      {"libarchive/test_compat_zip_4.zip", ""},
      {"libarchive/test_compat_zip_6.zip", ""},
      {"libarchive/test_read_format_zip_comment_stored_1.zip", ""},
      {"libarchive/test_read_format_zip_comment_stored_2.zip", ""},
      {"libarchive/test_read_format_zip_high_compression.zip", ""},
      {"libarchive/test_read_format_zip_length_at_end.zip", ""},
      {"libarchive/test_read_format_zip_nested.zip", ""},
      {"libarchive/test_read_format_zip_traditional_encryption_data.zip", "12345678"},
      {"libzip/empty-pkware.zip", "1"},
      {"libzip/encrypt-1234.zip", "1234"},
      {"libzip/encrypt.zip", "foo"},
      {"libzip/streamed.zip", ""},
      {"libzip/test.zip", ""},
      {"libzip/testcomment.zip", ""},
      {"sharpcompress/Zip.deflate.zip", ""},
      {"sharpcompress/Zip.none.zip", ""},
      {"sharpcompress/Zip.none.datadescriptors.zip", ""},
      {"sharpcompress/Zip.deflate.pkware.zip", "12345678"},
      {"sharpcompress/zipcrypto.zip", "test"},
      {"sharpcompress/Zip.EntryComment.zip", ""},
      {"zip2/data_descriptor.zip", ""},
  };
  int n = 0;
  for (const auto& [name, password] : rows) {
    SCOPED_TRACE(name);
    fs::path zip = fixtures / name;
    fs::path ours = root / ("f" + std::to_string(n)), theirs = root / ("g" + std::to_string(n++));
    // unzip's exit code 1 is a warning (for example a comment or leading
    // bytes); its files are still the reference.
    int rc = Shell("unzip -q -o -P " + Quote(*password ? password : "x") + " " + Quote(zip.string()) + " -d " +
                 Quote(theirs.string()));
    ASSERT_TRUE(rc == 0 || WEXITSTATUS(rc) == 1) << rc;
    int skipped = 0;
    Extract(zip, ours, password, &skipped);
    EXPECT_EQ(skipped, 0);
    Tree want = ReadTree(theirs), got = ReadTree(ours);
    EXPECT_FALSE(want.contents.empty());
    EXPECT_TRUE(got.contents == want.contents) << "file contents differ";
    EXPECT_EQ(got.ascii_paths, want.ascii_paths);
  }
}

TEST_F(PeerTest, SplitArchiveEntryCrossingVolumes) {
  fs::path fixtures = FixtureFolder();
  if (!fs::exists(fixtures / "manifest.json")) GTEST_SKIP() << "peer fixtures not found at " << fixtures;
  // zip -s 64k: TEST.JPG runs from the .z01 volume into the .zip; the data
  // path continues on the next disk in the middle of the entry.
  fs::copy_file(fixtures / "generated-infozip" / "infozip-split-deflate.z01", root / "set.z01");
  fs::copy_file(fixtures / "generated-infozip" / "infozip-split-deflate.zip", root / "set.zip");
  TUnZipper z;
  z.SetZipName((root / "set.zip").string());
  z.SetDestDir((root / "out").string());
  z.DoAll = true;
  z.OverwriteMode = Always;
  std::vector<int> disks;
  // Info-ZIP names the volumes .z01, .z02, ... and the last one .zip.
  z.OnGetNextDisk = [&](TUnZipper* sender, int disk, std::string& name) {
    disks.push_back(disk);
    name = (root / (disk == sender->NumberOfDisks() ? "set.zip" : "set.z0" + std::to_string(disk))).string();
  };
  EXPECT_EQ(z.UnZip(), 3);
  EXPECT_FALSE(disks.empty());
  EXPECT_EQ(ReadBytes(root / "out" / "LOREM.TXT"), ReadBytes(fixtures / "commons-compress" / "expected" / "LOREM.TXT"));
  EXPECT_EQ(ReadBytes(root / "out" / "TEST.JPG"), ReadBytes(fixtures / "sharpcompress" / "Original" / "jpg" / "test.jpg"));
  EXPECT_EQ(fs::file_size(root / "out" / "TECT.TXT"), 15498u);
}

TEST_F(PeerTest, TraversalFixturesStayInside) {
  fs::path fixtures = FixtureFolder();
  if (!fs::exists(fixtures / "manifest.json")) GTEST_SKIP() << "peer fixtures not found at " << fixtures;
  // Names that climb out are skipped; absolute names land below DestDir.
  const std::pair<const char*, int> rows[] = {
      {"generated-infozip/relative0.zip", 0},
      {"generated-infozip/relative2.zip", 0},
      {"generated-infozip/absolute1.zip", 1},
      {"generated-infozip/absolute2.zip", 1},
      {"sharpcompress/Zip.Evil.zip", 1},  // good.txt only
  };
  int n = 0;
  for (const auto& [name, extracted] : rows) {
    SCOPED_TRACE(name);
    fs::path box = root / ("box" + std::to_string(n++));
    fs::path dest = box / "a" / "b" / "dest";
    fs::create_directories(dest);
    EXPECT_EQ(Extract(fixtures / name, dest, ""), extracted);
    // Nothing was written anywhere in the box except below dest.
    for (const auto& item : fs::recursive_directory_iterator(box)) {
      if (!item.is_regular_file()) continue;
      fs::path rel = fs::relative(item.path(), dest);
      EXPECT_NE(*rel.begin(), "..") << item.path();
    }
  }
}

}  // namespace
}  // namespace archive
