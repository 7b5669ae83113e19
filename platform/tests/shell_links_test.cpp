// Shell links: what is saved is read back (Chinese texts included), saving
// replaces an existing link and fails into a missing folder, and a file that
// is not a link reads as nothing. On Windows through the shell's own link
// object, in a folder of the test's own.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/shell_links.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#endif

namespace {

using dz::testing::TempFolder;
using platform::ReadShellLink;
using platform::ShellLink;

class ShellLinks : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    ASSERT_EQ(GetACP(), 936u);
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
#endif
  }
  void TearDown() override {
#ifdef _WIN32
    if (com_) CoUninitialize();
#endif
    platform::testing::SetShellLinkAvailable(true);
  }
  bool com_ = false;
};

TEST_F(ShellLinks, SavedLinksReadBack) {
  TempFolder tmp;
  ASSERT_TRUE(platform::MakeDirectory(tmp / "LumoSc"));
  dz::testing::WriteWholeFile(tmp / "LumoSc\\OvErp.exe", "MZ");
  struct Case {
    std::string target, folder, description, file;
  } cases[] = {
      {tmp / "LumoSc\\OvErp.exe", tmp / "LumoSc\\", "云后台管理系统", "云后台管理系统.lnk"},
      // A target that does not exist (yet) is kept as given.
      {tmp / "程序\\不在.exe", tmp / "程序\\", "卸载Orvane云专家-美食版", "卸载Orvane云专家-美食版.lnk"},
      // The empty target of "我的电脑".
      {"", "", "我的电脑", "我的电脑.lnk"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ShellLink link;
    EXPECT_TRUE(link.SetPath(c.target));
    EXPECT_TRUE(link.SetWorkingDirectory(c.folder));
    EXPECT_TRUE(link.SetDescription(c.description));
    ASSERT_TRUE(link.Save(tmp / c.file));
    auto info = ReadShellLink(tmp / c.file);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->target, c.target);
    EXPECT_EQ(info->working_directory, c.folder);
    EXPECT_EQ(info->description, c.description);
  }
}

TEST_F(ShellLinks, SavingReplacesAnExistingLink) {
  TempFolder tmp;
  const std::string file = tmp / "a.lnk";
  {
    ShellLink first;
    first.SetPath("C:\\first\\a.exe");
    first.SetWorkingDirectory("C:\\first\\");
    first.SetDescription("a long description that the second link does not have");
    ASSERT_TRUE(first.Save(file));
  }
  ShellLink second;
  second.SetPath("C:\\b.exe");
  second.SetWorkingDirectory("C:\\");
  second.SetDescription("b");
  ASSERT_TRUE(second.Save(file));
  auto info = ReadShellLink(file);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->target, "C:\\b.exe");
  EXPECT_EQ(info->working_directory, "C:\\");
  EXPECT_EQ(info->description, "b");
}

TEST_F(ShellLinks, FailuresAreResults) {
  TempFolder tmp;
  ShellLink link;
  link.SetPath("C:\\a.exe");
  EXPECT_FALSE(link.Save(tmp / "missing\\a.lnk"));
  EXPECT_FALSE(platform::FileExists(tmp / "missing\\a.lnk"));

  EXPECT_FALSE(ReadShellLink(tmp / "none.lnk"));
  // Not links: text, an empty file, a native link cut short.
  for (const std::string& bytes : {std::string("[InternetShortcut]\r\nURL=x\r\n"), std::string(),
                                   std::string("DZLINK\n8:C:\\a.exe\n")}) {
    dz::testing::WriteWholeFile(tmp / "bad.lnk", bytes);
    EXPECT_FALSE(ReadShellLink(tmp / "bad.lnk")) << bytes;
  }
}

TEST_F(ShellLinks, MissingLinkObjectRaises) {
#ifdef _WIN32
  GTEST_SKIP() << "the real link object is always there under the test";
#endif
  platform::testing::SetShellLinkAvailable(false);
  EXPECT_THROW(ShellLink(), platform::ShellLinkError);
  platform::testing::SetShellLinkAvailable(true);
  EXPECT_NO_THROW(ShellLink());
}

}  // namespace
