// The unattended installation (DIzavozi.exe /S ...) on the installer's own
// payloads: the same files, list and registration as the wizard, no message
// box (the boxes' texts go to the log), and an exit code for each outcome.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/tests/payload_resources.h"
#include "app/tests/shortcut_folders_override.h"
#include "app/tests/temporary_folder_override.h"
#include "app/tests/test_resources.h"
#include "app/unattended.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace {

using dz::testing::CountFiles;
using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;

const std::string kUninstallKey = "SOFTWARE\\microsoft\\windows\\currentversion\\uninstall\\Orvane云专家-美食版";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class Unattended : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "under Wine the unattended installation is tested on DIzavozi.exe itself";
#endif
    dz::testing::RegisterTestResources();
    dz::testing::RegisterPayloadResources();
    platform::testing::ClearRegistry();
    // A box that reached the screen would be a fault: nobody is there.
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string&, unsigned) {
      shown.push_back(text);
      return platform::kIdOk;
    });
    platform::testing::SetSleepHook([this](unsigned ms) { slept += ms; });
  }
  void TearDown() override {
    platform::SetMessageBoxResponder(nullptr);
    platform::testing::SetSleepHook(nullptr);
    dz::testing::RegisterPayloadResources();  // undamaged, for the next test
  }

  int Run(std::vector<std::string> arguments) {
    app::CommandLine line = app::ParseCommandLine(arguments);
    EXPECT_EQ(line.mode, app::CommandLine::Mode::Unattended) << line.error;
    app::InstallLog log(line.log_file);
    return app::RunUnattended(line, log);
  }
  std::string Log() const { return ReadWholeFile(log_file); }

  TempFolder temp, root, shell;
  dz::testing::ShortcutFoldersOverride all_users{shell.path()};
  dz::testing::TemporaryFolderOverride temp_override{temp.path()};
  std::string folder = root.path() + "Orvane云专家美食版V3";
  std::string log_file = root.path() + "install.log";
  std::vector<std::string> shown;
  unsigned slept = 0;
};

TEST_F(Unattended, InstallsAsTheWizardDoesWithoutWindowOrPauses) {
  EXPECT_EQ(Run({"/S", "/EDITION=CySaaS", "/DIR=" + folder, "/SYSTEMS=Sc,Pos,WmSvr,Kds", "/LOG=" + log_file}),
            app::kExitSuccess);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(slept, 0u) << "the progress window's pauses belong to the window";
  // 416 entries, Install.in and install.dl.
  EXPECT_EQ(CountFiles(folder + "\\"), 418);
  const std::vector<std::string> list = Lines(ReadWholeFile(folder + "\\install.dl"));
  // Entries, two manifest lines, five group shortcuts and the group's line,
  // four desktop shortcuts and the desktop's line.
  ASSERT_EQ(list.size(), 416u + 2 + 6 + 5);
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].rfind("File" + std::to_string(i) + "=", 0), 0u);
  EXPECT_EQ(list[416], "File416=" + folder + "\\install.inN");
  auto entry = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, kUninstallKey);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->ReadString("UnInstallString").value_or(""), "\"" + folder + "\\UnInstall.exe\"");
  EXPECT_EQ(CountFiles(all_users.desktop + "\\"), 4);
  EXPECT_TRUE(dz::testing::InstallerLeftovers(temp.path()).empty());

  // The log: the run's phases in order, then the exit code.
  const std::string log = Log();
  size_t at = 0;
  for (const char* phase : {"正在抽取安装文件...", "正在复制安装文件...", "正在注册系统信息...", "正在建立程序快捷方式...",
                            "正在完成系统安装.", "退出代码 0"}) {
    size_t found = log.find(phase, at);
    ASSERT_NE(found, std::string::npos) << phase << " in\n" << log;
    at = found;
  }
  EXPECT_EQ(log.rfind("[", 0), 0u);
}

TEST_F(Unattended, CommercialEditionTakesItsOwnCashier) {
  EXPECT_EQ(Run({"/S", "/EDITION=sysaas", "/DIR=" + folder, "/SYSTEMS=Pos"}), app::kExitSuccess);
  EXPECT_TRUE(platform::FileExists(folder + "\\LumoPosSy\\LumoPos_Sy.exe"));
  EXPECT_FALSE(platform::DirectoryExists(folder + "\\LumoPos"));
  EXPECT_FALSE(platform::DirectoryExists(folder + "\\LumoSc"));
  EXPECT_NE(ReadWholeFile(folder + "\\Install.in").find("fAppName=Orvane云专家-商业版"),
            std::string::npos);
}

// A shortcut that cannot be made keeps the installation: the exit code is
// success, and the one box the wizard would show is in the log.
TEST_F(Unattended, AFailingShortcutIsLoggedAndTheInstallationStays) {
  const std::string group = all_users.programs + "\\Orvane云专家-美食版";
  WriteWholeFile(group, "a file where the group folder goes");
  EXPECT_EQ(Run({"/S", "/EDITION=CySaaS", "/DIR=" + folder, "/SYSTEMS=Sc", "/LOG=" + log_file}), app::kExitSuccess);
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(platform::FileExists(folder + "\\install.dl"));
  EXPECT_TRUE(platform::FileExists(all_users.desktop + "\\云后台管理系统.lnk"));
  const std::string log = Log();
  const std::string box = "[警告] 系统已安装,但以下 2 项未能完成: / 未能建立快捷方式: " + group +
                          "\\云后台管理系统.lnk / 未能建立快捷方式: " + group + "\\卸载Orvane云专家-美食版.lnk\r\n";
  const size_t at = log.find(box);
  EXPECT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find("[警告]", at + 1), std::string::npos) << "one box";
  EXPECT_NE(log.find("退出代码 0"), std::string::npos);
}

TEST_F(Unattended, EachFailureHasItsExitCodeAndItsTextInTheLog) {
  // A payload cut in half: its check does not match, and nothing is
  // installed.
  const std::string cut = dz::testing::PackedFile("C1");
  platform::testing::AddModuleResource("C1", "C1",
                                       std::vector<uint8_t>(cut.begin(), cut.begin() + cut.size() / 2));
  const std::string log_outside = temp.path() + "damaged.log";
  EXPECT_EQ(Run({"/S", "/EDITION=CySaaS", "/DIR=" + folder, "/SYSTEMS=Sc,Pos", "/LOG=" + log_outside}),
            app::kExitExtractionFailed);
  const std::string log = ReadWholeFile(log_outside);
  EXPECT_NE(log.find("[错误] 安装文件已损坏,无法解压。"), std::string::npos) << log;
  EXPECT_NE(log.find("退出代码 3"), std::string::npos);
  EXPECT_FALSE(platform::DirectoryExists(folder));
  EXPECT_TRUE(dz::testing::InstallerLeftovers(temp.path()).empty());
  EXPECT_TRUE(shown.empty());
}

TEST_F(Unattended, AFailureOutsideTheExtractionIsTheRunsFailure) {
  // A temporary folder that does not exist: no scratch folder can be made.
  const std::string missing = temp.path() + "gone\\";
  dz::testing::TemporaryFolderOverride gone(missing);
  EXPECT_EQ(Run({"/S", "/EDITION=CySaaS", "/DIR=" + folder, "/SYSTEMS=Sc", "/LOG=" + log_file}),
            app::kExitRunFailed);
  EXPECT_NE(Log().find("安装失败: Cannot create folder " + missing), std::string::npos) << Log();
  EXPECT_FALSE(platform::DirectoryExists(folder));
  EXPECT_FALSE(platform::FileExists(folder + "\\install.dl"));
  EXPECT_TRUE(shown.empty());
}

TEST_F(Unattended, TheLogsFolderIsMadeAndALogThatCannotBeWrittenStopsNothing) {
  // A log in a folder that does not exist yet.
  const std::string nested = folder + "\\logs\\install.log";
  EXPECT_EQ(Run({"/S", "/EDITION=CySaaS", "/DIR=" + folder, "/SYSTEMS=Kds", "/LOG=" + nested}), app::kExitSuccess);
  EXPECT_NE(ReadWholeFile(nested).find("退出代码 0"), std::string::npos);
  // A log that cannot be created: a file stands where its folder would be.
  WriteWholeFile(root.path() + "blocked", "a file");
  EXPECT_EQ(Run({"/S", "/EDITION=CySaaS", "/DIR=" + folder, "/SYSTEMS=Kds", "/LOG=" + root.path() + "blocked\\x.log"}),
            app::kExitSuccess);
  EXPECT_TRUE(platform::FileExists(folder + "\\SaasKds\\PSaasKds.exe"));
}

}  // namespace
