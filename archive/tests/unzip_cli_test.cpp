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

Result RunUnzipper(const std::string& arguments) {
  std::string command = std::string(UNZIPPER_PATH) + " " + arguments + " 2>/dev/null";
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

}  // namespace
}  // namespace archive
