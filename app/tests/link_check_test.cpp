// Links in the installation folder: which ones the installer and the
// uninstaller refuse, and the run that refuses before writing anything.
// Natively on the simulated platform, whose links are the host's symbolic
// links; under Wine the same is tested on the programs themselves
// (app/tests/temporary_links_windows.sh), since a Windows test program
// cannot make a link there.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/link_check.h"
#include "app/step.h"
#include "app/testing/recording_controls.h"
#include "app/tests/payload_resources.h"
#include "app/tests/temporary_folder_override.h"
#include "app/tests/test_resources.h"
#include "app/unattended.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace {

using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;

// "昞" is 0x95 0x5C in GBK: its second byte is the backslash byte.
const std::string kTrail5C = "\x95\x5C";

void Link(const std::string& link, const std::string& target) {
  ASSERT_EQ(::symlink(platform::testing::HostPath(target).c_str(), platform::testing::HostPath(link).c_str()), 0)
      << link;
}

TEST(LinkLeadingOut, WhichLinksRefuse) {
  struct Row {
    const char* what;
    // Made below the test folder: folders (ending with "\"), files, and
    // links "link>target".
    std::vector<std::string> layout;
    std::string install;  // below the test folder
    std::vector<std::string> paths;  // below the test folder
    std::optional<std::string> refused;  // below the test folder
  } rows[] = {
      {"no link", {"inst\\sub\\", "inst\\sub\\a.txt"}, "inst", {"inst\\sub\\a.txt", "inst\\new\\b.txt"}, std::nullopt},
      {"a folder on the way leads out",
       {"inst\\", "outside\\", "inst\\sub>outside"}, "inst", {"inst\\sub\\a.txt"}, "inst\\sub"},
      {"a deeper folder leads out",
       {"inst\\sub\\", "outside\\", "inst\\sub\\deep>outside"}, "inst", {"inst\\sub\\deep\\x\\a.txt"},
       "inst\\sub\\deep"},
      {"the target file itself leads out",
       {"inst\\sub\\", "outside.txt", "inst\\sub\\a.txt>outside.txt"}, "inst", {"inst\\sub\\a.txt"},
       "inst\\sub\\a.txt"},
      {"a link that leads nowhere",
       {"inst\\", "inst\\sub>missing"}, "inst", {"inst\\sub\\a.txt"}, "inst\\sub"},
      {"a link that stays inside the installation",
       {"inst\\real\\", "inst\\alias>inst\\real"}, "inst", {"inst\\alias\\a.txt"}, std::nullopt},
      {"a link into the installation folder itself",
       {"inst\\", "inst\\self>inst"}, "inst", {"inst\\self\\a.txt"}, std::nullopt},
      {"a link not on the way to any path",
       {"inst\\sub\\", "outside\\", "inst\\other>outside"}, "inst", {"inst\\sub\\a.txt"}, std::nullopt},
      {"a path outside the installation folder is not looked at",
       {"inst\\", "outside\\", "elsewhere>outside"}, "inst", {"elsewhere\\a.txt"}, std::nullopt},
      {"the installation folder is a link",
       {"outside\\", "inst>outside"}, "inst", {"inst\\a.txt"}, "inst"},
      {"a folder above the installation folder is a link",
       {"outside\\inst\\", "top>outside"}, "top\\inst", {"top\\inst\\a.txt"}, "top"},
      {"a folder whose name ends in the byte 0x5C leads out",
       {"inst\\", "outside\\", "inst\\" + kTrail5C + ">outside"}, "inst", {"inst\\" + kTrail5C + "\\a.txt"},
       "inst\\" + kTrail5C},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempFolder tmp;
    for (const std::string& item : row.layout) {
      const size_t arrow = item.find('>');
      if (arrow != std::string::npos)
        Link(tmp / item.substr(0, arrow), tmp / item.substr(arrow + 1));
      else if (item.back() == '\\')
        platform::ForceDirectories(tmp / item);
      else
        WriteWholeFile(tmp / item, "x");
    }
    std::vector<std::string> paths;
    for (const std::string& path : row.paths) paths.push_back(tmp / path);
    const std::optional<std::string> refused = app::LinkLeadingOut(tmp / row.install, paths);
    if (row.refused)
      EXPECT_EQ(refused.value_or("(none)"), tmp / *row.refused);
    else
      EXPECT_EQ(refused, std::nullopt);
  }
}

// The run refuses before it writes anything: in the wizard a box that names
// the link, with the unattended installation a log line and exit code 8.
class LinkInInstallation : public ::testing::Test {
 protected:
  void SetUp() override {
    dz::testing::RegisterTestResources();
    dz::testing::RegisterPayloadResources();
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned) {
      boxes.push_back(title + "|" + text);
      return static_cast<int>(platform::kIdOk);
    });
    // An earlier installation whose LumoSc folder someone replaced by a link
    // to a folder of theirs that holds a file of the same name.
    folder = root / "安装";
    platform::ForceDirectories(folder + "\\");
    platform::ForceDirectories(victim / "lib\\");
    WriteWholeFile(victim / "OvErp.exe", "someone else's");
    Link(folder + "\\LumoSc", victim.path());
  }
  void TearDown() override { platform::SetMessageBoxResponder(nullptr); }
  // Nothing of the installation written, the link's target as it was.
  void ExpectNothingWritten() {
    EXPECT_EQ(ReadWholeFile(victim / "OvErp.exe"), "someone else's");
    std::vector<std::string> names;
    for (const auto& entry : platform::ListDirectory(victim.path())) names.push_back(entry.name);
    EXPECT_EQ(names.size(), 2u);
    std::vector<std::string> installed;
    for (const auto& entry : platform::ListDirectory(folder + "\\")) installed.push_back(entry.name);
    EXPECT_EQ(installed, std::vector<std::string>{"LumoSc"});
    EXPECT_TRUE(dz::testing::InstallerLeftovers(temp.path()).empty());
  }

  TempFolder temp, root, victim;
  dz::testing::TemporaryFolderOverride temp_override{temp.path()};
  std::string folder;
  std::vector<std::string> boxes;
};

TEST_F(LinkInInstallation, TheWizardShowsTheLinkAndWritesNothing) {
  app::testing::RecordingControls controls;
  {
    app::TfStep step;
    step.SetControls(&controls);
    step.FormCreate();
    controls.SelectEditionKey("CySaaS");
    step.eInsSysTypeChange();
    controls.SetText(app::Control::EInstallFolder, folder);
    controls.SetChecked(app::Control::CkIns_Sc, true);
    boxes.clear();
    step.BtnInstallClick();  // both questions (the folder exists; install?) answered OK
    EXPECT_EQ(step.LastWriteCheck(), app::WriteCheck::LinkLeadingOut);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2], "警告|" + app::LinkLeadingOutText(folder + "\\LumoSc"));
    EXPECT_NE(boxes[2].find(folder + "\\LumoSc\n"), std::string::npos) << boxes[2];
    EXPECT_TRUE(controls.pages_shown.empty() || controls.pages_shown.back() == 0) << "back on the selection page";
    step.FormDestroy();
  }
  ExpectNothingWritten();
}

TEST_F(LinkInInstallation, UnattendedEndsWithExitCode8AndALogLine) {
  const std::string log_file = root / "install.log";
  app::CommandLine line =
      app::ParseCommandLine({"/S", "/EDITION=CySaaS", "/DIR=" + folder, "/SYSTEMS=Sc,Pos", "/LOG=" + log_file});
  int code = 0;
  {
    app::InstallLog log(line.log_file);
    code = app::RunUnattended(line, log);
  }
  EXPECT_EQ(code, app::kExitLinkLeadingOut);
  const std::string log = ReadWholeFile(log_file);
  EXPECT_NE(log.find("[警告] 安装文件夹中的链接指向安装文件夹以外: " + folder + "\\LumoSc"), std::string::npos) << log;
  EXPECT_NE(log.find("退出代码 8"), std::string::npos) << log;
  EXPECT_TRUE(boxes.empty());
  ExpectNothingWritten();
}

}  // namespace
#endif
