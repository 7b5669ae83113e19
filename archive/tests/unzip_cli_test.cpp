// unzipper extract: event lines on standard output and the exit codes
// (0 all extracted, 1 some skipped or failed, 2 an error ended the run).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/tests/zip_builder.h"

namespace archive {
namespace {

namespace fs = std::filesystem;
using testing::BuildZipBytes;
using testing::ZipEntryPlan;

struct Result {
  int exit_code;
  std::string out;
};

// Runs the tool with no input and a time limit (a run that waits for a person
// or loops ends with exit code 124). with_errors: standard error joins the
// output.
Result RunUnzipper(const std::string& arguments, bool with_errors = false) {
  std::string command = "timeout 20 " + std::string(UNZIPPER_PATH) + " " + arguments + " </dev/null" +
                        (with_errors ? " 2>&1" : " 2>/dev/null");
  FILE* pipe = popen(command.c_str(), "r");
  Result result{-1, {}};
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

class ExtractCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dz-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  std::string Archive(const std::vector<ZipEntryPlan>& entries) {
    std::string path = (root / "a.zip").string();
    std::ofstream(path, std::ios::binary) << BuildZipBytes(entries);
    return path;
  }
  fs::path root;
};

TEST_F(ExtractCommandTest, EventsAndExitCodes) {
  ZipEntryPlan secret{"sub/s.txt", std::string(40000, 's'), 8};
  secret.password = "pw";
  std::string zip = Archive({{"a.txt", "alpha"}, secret});
  std::string out = (root / "out").string();

  Result ok = RunUnzipper("extract " + zip + " " + out + " --password pw --recreate-dirs --events");
  EXPECT_EQ(ok.exit_code, 0);
  EXPECT_EQ(ok.out,
            "OnStartUnZipInfo 2 40005\n"
            "OnStartUnZip 0 " + out + "\\a.txt\n"
            "OnFilePercentDone 100\n"
            "OnTotalPercentDone 0\n"
            "OnEndUnZip 0 " + out + "\\a.txt\n"
            "OnStartUnZip 1 " + out + "\\sub\\s.txt\n"
            "OnFilePercentDone 82\n"
            "OnTotalPercentDone 82\n"
            "OnFilePercentDone 100\n"
            "OnTotalPercentDone 100\n"
            "OnEndUnZip 1 " + out + "\\sub\\s.txt\n"
            "OnUnZipComplete 2\n");
  EXPECT_TRUE(fs::exists(root / "out" / "sub" / "s.txt"));

  Result wrong = RunUnzipper("extract " + zip + " " + (root / "w").string() + " --password-hex 7058 --events");
  EXPECT_EQ(wrong.exit_code, 1);
  EXPECT_NE(wrong.out.find("OnBadPassword 1\nOnSkippingFile 0 1 sub\\s.txt\n"), std::string::npos) << wrong.out;

  Result kept = RunUnzipper("extract " + zip + " " + out + " --overwrite never --files a.txt");
  EXPECT_EQ(kept.exit_code, 1);  // the existing a.txt is kept
  EXPECT_EQ(kept.out, "");

  std::ofstream(root / "text.zip") << "not an archive";
  Result bad = RunUnzipper("extract " + (root / "text.zip").string() + " " + out);
  EXPECT_EQ(bad.exit_code, 2);

  Result usage = RunUnzipper("extract " + zip);
  EXPECT_EQ(usage.exit_code, 1);
}

// --threads sets the component's thread count: one thread and four give the
// same files; a count that is not a number from 1 up is refused.
TEST_F(ExtractCommandTest, ThreadCount) {
  ZipEntryPlan secret{"sub/s.txt", std::string(40000, 's'), 8};
  secret.password = "pw";
  std::string zip = Archive({{"a.txt", "alpha", 8}, secret, {"b.txt", std::string(70000, 'b'), 0}});
  for (const char* threads : {"1", "4"}) {
    SCOPED_TRACE(threads);
    const fs::path out = root / (std::string("out") + threads);
    Result run = RunUnzipper("extract " + zip + " " + out.string() + " --password pw --recreate-dirs --threads " + threads);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(fs::file_size(out / "a.txt"), 5u);
    EXPECT_EQ(fs::file_size(out / "sub" / "s.txt"), 40000u);
    EXPECT_EQ(fs::file_size(out / "b.txt"), 70000u);
  }
  for (const char* bad : {"0", "x", "-2", "100"}) {
    Result refused = RunUnzipper("extract " + zip + " " + (root / "r").string() + " --threads " + bad, true);
    EXPECT_EQ(refused.exit_code, 1) << bad;
    EXPECT_EQ(refused.out, "--threads: a number from 1 to 99\n") << bad;
  }
}

TEST_F(ExtractCommandTest, NeverWaitsForAPerson) {
  // Each archive once with --events and once without: the exit code is the
  // same, the events are reported once, and nothing asks a person.
  ZipEntryPlan unknown{"m9.txt", "", 9};
  unknown.raw = "no decoder for this";
  unknown.declared_crc = 0;
  unknown.declared_size = 10;
  const std::string unknown_method = BuildZipBytes({unknown});
  const std::string whole = BuildZipBytes({{"a.txt", "alpha"}});
  const std::string truncated = whole.substr(0, 40);
  const std::string claims_disk_1 = testing::BuildZip({.entries = {{"a.txt", "alpha"}}, .this_disk_override = 1}).bytes;
  struct Row {
    const char* name;
    std::string bytes;
    int exit_code;
    std::string events;  // the event lines after the archive's name is replaced by ZIP
  } rows[] = {
      {"unknown method", unknown_method, 1,
       "OnStartUnZipInfo 1 10\nOnStartUnZip 0 OUT\\m9.txt\nOnBadCRC 00000000 00000000 0\nOnUnZipComplete 0\n"},
      {"truncated", truncated, 2, "OnInCompleteZip 0\n"},
      {"end record on disk 1", claims_disk_1, 2, "OnGetNextDisk 1 ZIP.001\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string zip = (root / "t.zip").string(), out = (root / "out").string();
    std::ofstream(zip, std::ios::binary | std::ios::trunc) << row.bytes;
    Result quiet = RunUnzipper("extract " + zip + " " + out);
    EXPECT_EQ(quiet.exit_code, row.exit_code);
    Result events = RunUnzipper("extract " + zip + " " + out + " --events");
    EXPECT_EQ(events.exit_code, row.exit_code);
    std::string shown = events.out;
    for (const auto& [from, to] : {std::pair{out, std::string("OUT")}, std::pair{zip.substr(0, zip.size() - 4), std::string("ZIP")}})
      for (size_t at; (at = shown.find(from)) != std::string::npos;) shown.replace(at, from.size(), to);
    EXPECT_EQ(shown, row.events);
  }
  // The box the component would show goes to standard error.
  std::ofstream((root / "m.zip").string(), std::ios::binary) << unknown_method;
  Result box = RunUnzipper("extract " + (root / "m.zip").string() + " " + (root / "o").string(), true);
  EXPECT_NE(box.out.find("Zip Error: Unknown Compression Method\n"), std::string::npos) << box.out;
}

TEST_F(ExtractCommandTest, NamesInEventLinesCannotForgeALine) {
  std::string zip = Archive({{"evil\nOnEndUnZip 0 forged", "x"}, {"100%.txt", "y"}});
  Result run = RunUnzipper("extract " + zip + " " + (root / "o").string() + " --events");
  EXPECT_EQ(run.exit_code, 1);  // the name holds a character no system accepts in a file name
  const std::string out = (root / "o").string();
  EXPECT_EQ(run.out, "OnStartUnZipInfo 2 2\n"
                     "OnSkippingFile 3 0 " + out + "\\evil%0AOnEndUnZip 0 forged\n"
                     "OnStartUnZip 1 " + out + "\\100%25.txt\n"
                     "OnFilePercentDone 100\n"
                     "OnTotalPercentDone 100\n"  // the skipped entry left the total
                     "OnEndUnZip 1 " + out + "\\100%25.txt\n"
                     "OnUnZipComplete 1\n");
}

}  // namespace
}  // namespace archive
