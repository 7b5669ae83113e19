// The packer's archives as their readers see them: the installer's archive
// component extracts them byte for byte with times and attributes, Info-ZIP
// and 7-Zip accept them with the password; the manifest gets its counts; the
// same input packs to the same bytes; bad input is refused with a message
// and leaves no archive behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "app/payload.h"
#include "app/profile_file.h"
#include "archive/unzipper.h"
#include "common/payload_checks.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"
#include "tools/packer/packer.h"

namespace {

using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;

const std::string kManifest =
    "[InstallFiles]\r\nFileCount=0\r\nfTotalFiles=0\r\n[FileDest]\r\nC0=ApplicationDir\r\nC1=ApplicationDir\r\n"
    "[FileType]\r\nC0=LumoSc\r\nC1=UnInstall\r\n[BaseInfo]\r\nfAppName=Orvane云专家-美食版\r\n";

// Text-like bytes that deflate well, mixed with bytes that do not.
std::string Content(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = (i / 512) % 2 ? static_cast<char>(seed >> 24) : "销售日报 LumoPos\r\n"[i % 18];
  }
  return bytes;
}

struct ProductFile {
  std::string name;  // relative, GBK, "\" between folders
  std::string bytes;
  bool read_only;
  platform::LocalDateTime time;
};

const std::vector<ProductFile> kLumoSc = {
    {"OvErp.exe", Content(70000, 1), false, {2024, 3, 5, 10, 20, 30}},
    {"报表\\销售日报.fr3", Content(4000, 2), false, {2023, 12, 31, 23, 59, 58}},
    {"报表\\月结\\汇总表.fr3", Content(33000, 3), false, {2024, 1, 1, 0, 0, 0}},
    {"config\\system.ini", "[System]\r\nServer=127.0.0.1\r\n", true, {2024, 6, 1, 8, 0, 2}},
    {"empty.log", "", false, {2024, 6, 1, 8, 0, 4}},
};

// A small product (LumoSc and UnInstall) and the packer's options for it.
struct Product {
  Product() {
    for (const ProductFile& f : kLumoSc) Put("LumoSc\\" + f.name, f);
    Put("UnInstall\\UnInstall.exe", {"UnInstall.exe", Content(5000, 9), false, {2024, 2, 2, 2, 2, 2}});
    options.product_folder = product.path();
    options.manifest = kManifest;
    options.output_folder = out.path();
    options.password = app::kArchivePassword;
    options.report = [this](const std::string& line) { report.push_back(line); };
  }
  void Put(const std::string& name, const ProductFile& f) {
    const std::string path = product / name;
    platform::ForceDirectories(path.substr(0, path.rfind('\\')));
    WriteWholeFile(path, f.bytes);
    EXPECT_TRUE(platform::SetModifiedTime(path, f.time));
    if (f.read_only) platform::WriteAttributes(path, platform::kAttrReadOnly);
  }
  std::string Host(const std::string& name) const { return platform::testing::HostPath(product / name); }
  std::vector<std::string> OutputFiles() const {
    std::vector<std::string> names;
    for (const auto& e : platform::ListDirectory(out.path())) names.push_back(e.name);
    return names;
  }

  TempFolder product, out;
  packer::PackOptions options;
  std::vector<std::string> report;
};

class Packer : public ::testing::Test, public Product {};

TEST_F(Packer, ComponentExtractsEveryFileAsPacked) {
  packer::PackResult result = packer::Pack(options);
  ASSERT_EQ(result.payloads.size(), 2u);
  EXPECT_EQ(result.payloads[0].entries.size(), kLumoSc.size());
  EXPECT_EQ(result.total_files, 6);

  TempFolder dest;
  archive::TUnZipper unzipper;
  unzipper.OverwriteMode = archive::Always;
  unzipper.RecreateDirs = true;
  unzipper.DoAll = true;
  unzipper.Password = app::kArchivePassword;
  std::vector<int> skipped;
  unzipper.OnSkippingFile = [&](archive::TUnZipper*, archive::TSkipReason r, const std::string&, int, bool&) {
    skipped.push_back(r);
  };
  unzipper.SetZipName(out / "C0");
  unzipper.SetDestDir(dest.path());
  EXPECT_EQ(unzipper.UnZip(), static_cast<int>(kLumoSc.size()));
  EXPECT_TRUE(skipped.empty());
  for (const ProductFile& f : kLumoSc) {
    SCOPED_TRACE(f.name);
    const std::string path = dest / f.name;
    EXPECT_EQ(ReadWholeFile(path), f.bytes);
    EXPECT_EQ(platform::ModifiedTime(path), f.time);
    EXPECT_EQ((platform::ReadAttributes(path) & platform::kAttrReadOnly) != 0, f.read_only);
  }
  // Names are stored as GBK, relative, with "/" between folders; the empty
  // file is stored, the rest deflated.
  std::map<std::string, uint16_t> methods;
  for (const auto& e : result.payloads[0].entries) methods[e.name] = e.method;
  EXPECT_EQ(methods.at("报表/月结/汇总表.fr3"), 8);
  EXPECT_EQ(methods.at("empty.log"), 0);
  unzipper.ReleaseArchive();
  platform::WriteAttributes(dest / "config\\system.ini", 0);

  // A wrong password extracts nothing.
  TempFolder wrong;
  unzipper.Password = "白云青松";
  unzipper.SetZipName(out / "C0");
  unzipper.SetDestDir(wrong.path());
  EXPECT_EQ(unzipper.UnZip(), 0);
  unzipper.ReleaseArchive();
}

TEST_F(Packer, ManifestGetsTheCountsAndKeepsEverythingElse) {
  packer::PackResult result = packer::Pack(options);
  std::string expected = kManifest;
  expected.replace(expected.find("FileCount=0"), 11, "FileCount=2");
  expected.replace(expected.find("fTotalFiles=0"), 13, "fTotalFiles=6");
  EXPECT_EQ(result.manifest, expected);
  EXPECT_EQ(ReadWholeFile(out / "CEND"), expected);
  EXPECT_EQ(report.size(), 3u);  // one line per payload, one for the manifest
  EXPECT_NE(report[0].find("C0 LumoSc: 5 entries"), std::string::npos) << report[0];
}

TEST_F(Packer, ChecksHoldForTheArchivesAsWritten) {
  packer::PackResult result = packer::Pack(options);
  EXPECT_EQ(ReadWholeFile(out / "CCRC"), result.checks);
  const auto carried = payload_checks::Parse(result.checks);
  ASSERT_TRUE(carried);
  std::vector<payload_checks::Check> measured;
  for (const char* name : {"C0", "C1"}) {
    const std::string bytes = ReadWholeFile(out / name);
    payload_checks::Running running;
    running.Update(bytes.data(), bytes.size());
    measured.push_back(running.Result());
  }
  EXPECT_EQ(payload_checks::FirstMismatch(*carried, measured), std::nullopt);
  EXPECT_EQ(measured[0].size, result.payloads[0].archive_bytes);
}

TEST_F(Packer, SameInputSameBytes) {
  packer::Pack(options);
  const std::string first = ReadWholeFile(out / "C0");
  TempFolder again;
  options.output_folder = again.path();
  packer::Pack(options);
  EXPECT_EQ(ReadWholeFile(again / "C0"), first);
  EXPECT_EQ(ReadWholeFile(again / "C1"), ReadWholeFile(out / "C1"));
}

// Runs a peer tool on the host; its exit code.
int RunTool(const std::string& command) {
  int rc = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST_F(Packer, InfoZipAnd7ZipAcceptTheArchives) {
  if (RunTool("command -v unzip") != 0 || RunTool("command -v 7z") != 0) GTEST_SKIP() << "unzip or 7z not installed";
  packer::Pack(options);
  const std::string password = app::kArchivePassword;  // the GBK bytes
  for (const char* name : {"C0", "C1"}) {
    SCOPED_TRACE(name);
    const std::string host = platform::testing::HostPath(out / name);
    EXPECT_EQ(RunTool("unzip -t -P '" + password + "' '" + host + "'"), 0);
    EXPECT_EQ(RunTool("LC_ALL=C 7z t '-p" + password + "' '" + host + "'"), 0);
    // They do check the password.
    EXPECT_NE(RunTool("unzip -t -P wrong '" + host + "'"), 0);
    EXPECT_NE(RunTool("LC_ALL=C 7z t -pwrong '" + host + "'"), 0);
  }
}

// Bad input: a clear message, and no archive or manifest written (the
// check of the last payload fails after the first one would have been
// packed).
TEST(PackerInput, BadInputIsRefusedAndWritesNothing) {
  struct Case {
    const char* what;
    std::function<void(Product&)> arrange;
    const char* message;  // part of the error text
  };
  const Case cases[] = {
      {"missing product folder", [](Product& p) { p.options.product_folder = p.product / "nowhere"; },
       "does not exist"},
      {"missing payload folder", [](Product& p) { dz::testing::RemoveTree(p.product / "UnInstall"); },
       "UnInstall\\ does not exist"},
      // A host name with a character GBK does not have (U+1F600).
      {"name outside GBK",
       [](Product& p) { std::ofstream(p.Host("UnInstall") + "/smile-\xF0\x9F\x98\x80.txt") << "x"; },
       "GBK cannot carry"},
      {"unreadable file",
       [](Product& p) { ASSERT_EQ(::symlink("/nonexistent/target", (p.Host("UnInstall") + "/x.dll").c_str()), 0); },
       "cannot read"},
      {"file over 4 GiB",
       [](Product& p) {
         const std::string host = p.Host("UnInstall") + "/huge.db";
         std::ofstream(host) << "";
         ASSERT_EQ(::truncate(host.c_str(), 0x100000000ll), 0);  // sparse: takes no disk space
       },
       "4 GiB"},
      {"no payload in the manifest",
       [](Product& p) { p.options.manifest = "[InstallFiles]\r\nFileCount=0\r\nfTotalFiles=0\r\n"; },
       "names no payload"},
      {"manifest without counts", [](Product& p) { p.options.manifest = "[FileType]\r\nC0=LumoSc\r\n"; },
       "FileCount"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Product p;
    c.arrange(p);
    try {
      packer::Pack(p.options);
      ADD_FAILURE() << "no error";
    } catch (const packer::PackError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_TRUE(p.OutputFiles().empty());
  }
}

TEST(ZipWriter, MoreThan65535EntriesAreRefusedAndTheArchiveRemoved) {
  TempFolder out;
  const std::string path = out / "big.zip";
  {
    packer::ZipWriter writer(path, "pw");
    for (size_t i = 0; i < packer::kMaxEntries; ++i)
      writer.Add("f" + std::to_string(i), packer::BytesSource(""), {2024, 1, 1, 0, 0, 0}, 0x20);
    EXPECT_THROW(writer.Add("one-more", packer::BytesSource(""), {2024, 1, 1, 0, 0, 0}, 0x20), packer::PackError);
  }
  EXPECT_FALSE(platform::FileExists(path));
}

TEST(ZipWriter, DosTimes) {
  struct Case {
    platform::LocalDateTime time;
    uint32_t dos;
  } cases[] = {
      {{2024, 3, 5, 10, 20, 31}, (44u << 9 | 3 << 5 | 5) << 16 | (10u << 11 | 20 << 5 | 15)},
      {{1980, 1, 1, 0, 0, 0}, (1u << 5 | 1) << 16},
      {{1970, 6, 1, 12, 0, 0}, (1u << 5 | 1) << 16},  // before DOS time began
  };
  for (const Case& c : cases) EXPECT_EQ(packer::DosDateTime(c.time), c.dos) << c.time.year;
}

}  // namespace
