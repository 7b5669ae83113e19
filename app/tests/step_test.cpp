// The wizard's start and end: the private scratch folder and the manifest
// copy "cRc.in" in it, the settings read from it, and failures during
// creation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/application.h"
#include "app/step.h"
#include "app/tests/temporary_folder_override.h"
#include "app/tests/test_resources.h"
#include "app/toolkit.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using dz::testing::ReadWholeFile;
using dz::testing::WriteWholeFile;

class Step : public ::testing::Test {
 protected:
  void SetUp() override {
    dz::testing::RegisterTestResources();
    app::SetApplicationTitle(app::kApplicationTitle);
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned style) {
      boxes.push_back(title + "|" + text + "|" + std::to_string(style));
      return platform::kIdOk;
    });
  }
  void TearDown() override { platform::SetMessageBoxResponder(nullptr); }
  dz::testing::TempFolder temp;
  dz::testing::TemporaryFolderOverride temp_override{temp.path()};
  std::vector<std::string> boxes;
};

TEST_F(Step, CreationCopiesTheManifestAndReadsTheSettings) {
  app::TfStep step;
  step.Finished = true;
  step.UninstallList = {"File0=x"};
  step.FormCreate();
  // In a folder of its own, new in the temporary folder.
  const std::string copy = step.ManifestPath;
  EXPECT_EQ(copy.rfind(temp.path() + "DzInstall-", 0), 0u) << copy;
  EXPECT_EQ(copy.substr(copy.size() - 7), "\\cRc.in");
  EXPECT_EQ(step.ScratchFolder() + "cRc.in", copy);
  EXPECT_EQ(ReadWholeFile(copy), dz::testing::CarriedManifest());
  EXPECT_EQ(step.fAppName, "Orvane云专家-美食版");
  EXPECT_EQ(step.fAppVersion, "V3.3");
  EXPECT_EQ(step.fAppCompany, "好帮手");
  EXPECT_EQ(step.fAppWebsite, "");
  EXPECT_EQ(step.fAppExe, "OvErp.exe");
  EXPECT_EQ(step.fAppType, "CySaaS");
  EXPECT_EQ(step.fAppExe1, "LumoPos.exe");
  EXPECT_EQ(step.fAppExe2, "PWMSvr.exe");
  EXPECT_EQ(step.fAppExe3, "PSaasKds.exe");
  EXPECT_EQ(step.fAppExe4, "LumoPos_Sy.exe");
  EXPECT_EQ(step.fAppSimpleName, "Orvane云专家-美食版");
  EXPECT_EQ(step.fAppDirName, "Orvane云专家美食版V3");
  EXPECT_EQ(step.EditionKey, "N");
  EXPECT_FALSE(step.Finished);
  EXPECT_TRUE(step.UninstallList.empty());
  EXPECT_TRUE(boxes.empty());

  step.FormDestroy();
  EXPECT_FALSE(platform::FileExists(copy));
  EXPECT_TRUE(dz::testing::InstallerLeftovers(temp.path()).empty()) << "the scratch folder goes too";
  step.FormDestroy();  // nothing left to delete: no failure
}

TEST_F(Step, EachWizardHasItsOwnScratchFolderAndIgnoresLeftovers) {
  // An earlier run's copy at the name once used, and one in a folder of the
  // installer's own naming: neither is read nor touched.
  const std::string leftover = "[BaseInfo]\r\nfAppName=left over from an earlier run\r\n";
  WriteWholeFile(temp / "cRc.in", leftover);
  platform::ForceDirectories(temp / "DzInstall-0000000000000000");
  WriteWholeFile(temp / "DzInstall-0000000000000000\\cRc.in", leftover);
  app::TfStep first, second;
  first.FormCreate();
  second.FormCreate();
  EXPECT_NE(first.ScratchFolder(), second.ScratchFolder());
  EXPECT_EQ(first.fAppName, "Orvane云专家-美食版");
  EXPECT_EQ(ReadWholeFile(second.ManifestPath), dz::testing::CarriedManifest());
  first.FormDestroy();
  EXPECT_TRUE(platform::FileExists(second.ManifestPath)) << "one wizard's end leaves the other's folder";
  second.FormDestroy();
  EXPECT_EQ(ReadWholeFile(temp / "cRc.in"), leftover);
  EXPECT_EQ(ReadWholeFile(temp / "DzInstall-0000000000000000\\cRc.in"), leftover);
}

TEST_F(Step, FolderNameDefaultsToTheProductName) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows test program carries the installer's manifest";
#endif
  const std::string manifest = "[InstallFiles]\r\nFileCount=0x6\r\n[BaseInfo]\r\nfAppName=Orvane云专家-美食版\r\n";
  platform::testing::AddModuleResource("CEND", "INI", std::vector<uint8_t>(manifest.begin(), manifest.end()));
  app::TfStep step;
  step.FormCreate();
  EXPECT_EQ(step.fAppDirName, "Orvane云专家-美食版");
  EXPECT_EQ(step.fAppSimpleName, "");
}

TEST_F(Step, CreationFailureIsShownAndCreationGoesOn) {
  dz::testing::TempFolder tmp;
  const std::string missing = tmp.path() + "gone\\";
  dz::testing::TemporaryFolderOverride gone(missing);
  app::TfStep step;
  step.Finished = true;
  EXPECT_NO_THROW(step.CreateForm());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "安装程序|Cannot create folder " + missing + "|16");
  // Creation ended where it failed: the settings stay as they were.
  EXPECT_EQ(step.ManifestPath, "");
  EXPECT_EQ(step.fAppName, "");
  EXPECT_TRUE(step.Finished);
  EXPECT_THROW(step.FormCreate(), platform::Error);
  EXPECT_NO_THROW(step.FormDestroy());
}

TEST_F(Step, MissingManifestResourceIsShown) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows test program carries the installer's manifest";
#endif
  platform::testing::ClearModuleResources();
  app::TfStep step;
  step.CreateForm();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "安装程序|Resource CEND not found|16");
  EXPECT_FALSE(platform::FileExists(step.ManifestPath));
  step.FormDestroy();
  EXPECT_TRUE(dz::testing::InstallerLeftovers(temp.path()).empty());
}

}  // namespace
