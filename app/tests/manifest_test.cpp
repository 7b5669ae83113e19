// The manifest as carried, edition names and destination roots.
#include <gtest/gtest.h>

#include "app/manifest.h"
#include "app/tests/test_resources.h"
#include "app/toolkit.h"
#include "platform/errors.h"
#include "platform/resources.h"
#include "platform/test_support.h"

namespace {

TEST(CarriedManifest, GbkTextWithCrLfInKeyOrder) {
  dz::testing::RegisterTestResources();
  auto resource = platform::FindModuleResource("CEND", "INI");
  ASSERT_TRUE(resource);
  std::string bytes(reinterpret_cast<const char*>(resource->data), resource->size);
  // The counts are the packer's: six payloads, 483 entries in all.
  const char* lines[] = {
      "[InstallFiles]", "FileCount=6", "fTotalFiles=483",
      "[FileDest]", "C0=ApplicationDir", "C1=ApplicationDir", "C2=ApplicationDir", "C3=ApplicationDir",
      "C4=ApplicationDir", "C5=ApplicationDir",
      "[FileType]", "C0=LumoSc", "C1=LumoPos", "C2=WmSvr", "C3=SaasKds", "C4=LumoPosSy", "C5=UnInstall",
      "[BaseInfo]", "fAppName=Orvane云专家-美食版", "fAppVersion=V3.3", "fAppCompany=好帮手", "fAppWebsite=",
      "fAppExe=OvErp.exe", "fAppType=CySaaS", "fAppExe1=LumoPos.exe", "fAppExe2=PWMSvr.exe",
      "fAppExe3=PSaasKds.exe", "fAppSimpleName=Orvane云专家-美食版", "fAppDirName=Orvane云专家美食版V3",
      "fAppExe4=LumoPos_Sy.exe",
  };
  std::string expected;
  for (const char* line : lines) expected += std::string(line) + "\r\n";
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(bytes.size(), 548u);
  // "美食" is GBK 0xC3C0 0xCAB3 at run time.
  EXPECT_NE(bytes.find("\xC3\xC0\xCA\xB3"), std::string::npos);
}

TEST(EditionText, CommercialNamesFromTheCateringNames) {
  struct Case {
    std::string key, text, expected;
  } cases[] = {
      {"SySaaS", "Orvane云专家-美食版", "Orvane云专家-商业版"},
      {"sysaas", "Orvane云专家美食版V3", "Orvane云专家商业版V3"},
      {"SySaaS", "美食美食", "商业商业"},
      {"SySaaS", "OvErp.exe", "OvErp.exe"},
      {"CySaaS", "Orvane云专家-美食版", "Orvane云专家-美食版"},
      {"N", "Orvane云专家-美食版", "Orvane云专家-美食版"},
      {"", "美食", "美食"},
      {" SySaaS", "美食", "美食"},  // the key is compared as it is
  };
  for (const auto& c : cases) EXPECT_EQ(app::EditionText(c.key, c.text), c.expected) << c.key << " " << c.text;
}

TEST(ResolveDestRoot, KnownWords) {
  const std::string trail5c = "\x95\x5C";  // "昞": second byte 0x5C
  struct Case {
    std::string word, folder, expected;
  } cases[] = {
      {"ApplicationDir", "D:\\Program Files\\Orvane云专家美食版V3", "D:\\Program Files\\Orvane云专家美食版V3\\"},
      {"ApplicationDir", "D:\\App\\", "D:\\App\\"},
      {"ApplicationDir", "D:\\" + trail5c, "D:\\" + trail5c + "\\"},
      {"ApplicationDir", " D:\\App ", " D:\\App \\"},  // the field's text as typed
      {"WindowsDir", "D:\\App", app::GetWindowsDir() + "\\"},
      {"SystemDir", "D:\\App", app::GetSystemDir() + "\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(app::ResolveDestRoot(c.word, c.folder), c.expected) << c.word;
}

TEST(ResolveDestRoot, AnythingElseIsAnError) {
  struct Case {
    std::string word, folder;
  } cases[] = {
      {"applicationdir", "D:\\App"},  // words are compared exactly
      {"WINDOWSDIR", "D:\\App"},
      {"ProgramDir", "D:\\App"},
      {"", "D:\\App"},
      {"ApplicationDir", ""},  // no folder at all
  };
  for (const auto& c : cases) {
    try {
      std::string root = app::ResolveDestRoot(c.word, c.folder);
      ADD_FAILURE() << c.word << " resolved to " << root;
    } catch (const platform::Error& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot resolve destination root " + c.word);
    }
  }
}

TEST(ResolveDestRoot, SystemFolderThePlatformCannotGive) {
#ifdef _WIN32
  GTEST_SKIP() << "the folders of Windows are not set by tests";
#endif
  platform::testing::SetSpecialFolders("C:\\TEMP\\", "", "");
  EXPECT_THROW(app::ResolveDestRoot("WindowsDir", "D:\\App"), platform::Error);
  EXPECT_THROW(app::ResolveDestRoot("SystemDir", "D:\\App"), platform::Error);
  platform::testing::SetSpecialFolders("C:\\TEMP\\", "C:\\WINDOWS", "C:\\WINDOWS\\system32");
}

}  // namespace
