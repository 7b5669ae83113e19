#include "uninstaller/uninstall_plan.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace uninstaller {
namespace {

Places TestPlaces() {
  Places places;
  places.install_folder = "C:\\Program Files\\Orvane\\";
  places.self_path = "C:\\Program Files\\Orvane\\UnInstall.exe";
  places.programs_folder = "C:\\Users\\u\\Programs";
  places.desktop_folder = "C:\\Users\\u\\Desktop\\";
  places.common_programs_folder = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
  places.common_desktop_folder = "C:\\Users\\Public\\Desktop";
  places.group_name = "Orvane云专家-美食版";
  places.system_folders = {"C:\\Windows", "C:\\Windows\\system32"};
  return places;
}

enum class Kind { File, Database, Kept, Shortcut, Self, Folder, Ignored, Refused };

bool Has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// What the plan made of a list holding just this one line.
Kind Classify(const std::string& line, const Places& places) {
  Plan plan = MakePlan(line + "\r\n", places);
  int found = !plan.files.empty() + !plan.databases.empty() + !plan.kept.empty() + !plan.shortcuts.empty() +
              plan.lists_self + !plan.refused.empty();
  EXPECT_LE(found, 1) << line;
  if (!plan.refused.empty()) {
    EXPECT_TRUE(plan.files.empty() && plan.shortcuts.empty() && plan.databases.empty()) << line;
    return Kind::Refused;
  }
  if (!plan.files.empty()) return Kind::File;
  if (!plan.databases.empty()) return Kind::Database;
  if (!plan.kept.empty()) return Kind::Kept;
  if (!plan.shortcuts.empty()) return Kind::Shortcut;
  if (plan.lists_self) return Kind::Self;
  if (!plan.folders.empty()) return Kind::Folder;
  return Kind::Ignored;
}

TEST(UninstallPlanTest, EachLineOfTheListIsTakenOrRefusedByWhereItPoints) {
  struct Case {
    const char* line;
    Kind kind;
  };
  const Case cases[] = {
      // What the installer writes.
      {"File0=C:\\Program Files\\Orvane\\LumoSc\\OvErp.exeN", Kind::File},
      {"File1=C:\\Program Files\\Orvane\\LumoSc\\readme.txtY", Kind::Kept},
      {"File2=C:\\Program Files\\Orvane\\install.inN", Kind::File},
      {"file3=c:\\program files\\ORVANE\\install.dlN", Kind::File},
      {"File4=C:\\Program Files\\Orvane\\LumoPos\\LumoPosBaseData.dbN", Kind::Database},
      {"File5=C:\\Program Files\\Orvane\\WmSvr\\wmcachedata.DBY", Kind::Database},
      {"File6=C:\\Program Files\\Orvane\\UnInstall.exeN", Kind::Self},
      {"File7=C:\\Users\\u\\Programs\\Orvane云专家-美食版\\云后台管理系统.lnkN", Kind::Shortcut},
      {"File8=C:\\Users\\u\\Programs\\Orvane云专家-美食版\\N", Kind::Folder},
      {"File9=C:\\Users\\u\\Desktop\\云后台管理系统.lnkN", Kind::Shortcut},
      {"File10=N", Kind::Ignored},
      // What the installer writes now: the all-users group and desktop.
      {"File15=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Orvane云专家-美食版\\云后台管理系统.lnkN",
       Kind::Shortcut},
      {"File16=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Orvane云专家-美食版\\N", Kind::Folder},
      {"File17=c:\\users\\public\\desktop\\云后台管理系统.lnkN", Kind::Shortcut},
      {"File18=C:\\Users\\Public\\Desktop\\旧的.lnkY", Kind::Kept},
      // A double-byte character whose second byte is a backslash is one name.
      {"File11=C:\\Program Files\\Orvane\\\x95\x5c\\a.txtN", Kind::File},
      // Malformed.
      {"File=C:\\Program Files\\Orvane\\a.txtN", Kind::Refused},
      {"File12 C:\\Program Files\\Orvane\\a.txtN", Kind::Refused},
      {"File13=C:\\Program Files\\Orvane\\a.txt", Kind::Refused},
      {"File14=C:\\Program Files\\Orvane\\a\x95N", Kind::Refused},  // "N" is the second byte of a character
      // Tampered: every place outside the installation.
      {"File20=C:\\Program Files\\Orvane\\..\\Other\\a.dllN", Kind::Refused},
      {"File21=C:\\Program Files\\Orvane\\LumoSc\\..\\..\\..\\Windows\\win.iniN", Kind::Refused},
      {"File22=C:\\Program Files\\Orvane/../../Windows/win.iniN", Kind::Refused},
      {"File23=C:\\Program Files\\Orvane\\. .\\x.txtN", Kind::Refused},
      {"File24=C:\\Program Files\\Orvane\\a.txt:streamN", Kind::Refused},
      {"File25=C:\\Program Files\\Orvane\\\\a.txtN", Kind::Refused},
      {"File26=Orvane\\a.txtN", Kind::Refused},
      {"File27=\\Program Files\\Orvane\\a.txtN", Kind::Refused},
      {"File28=\\\\server\\share\\Orvane\\a.txtN", Kind::Refused},
      {"File29=\\\\?\\C:\\Program Files\\Orvane\\a.txtN", Kind::Refused},
      {"File30=D:\\Program Files\\Orvane\\a.txtN", Kind::Refused},
      {"File31=C:\\Program Files\\OrvaneX\\a.txtN", Kind::Refused},
      {"File32=C:\\Program Files\\Orvane\\N", Kind::Refused},
      {"File33=C:\\Windows\\system32\\kernel32.dllN", Kind::Refused},
      {"File34=C:\\boot.iniN", Kind::Refused},
      {"File35=C:\\Users\\u\\Programs\\Orvane云专家-美食版\\evil.exeN", Kind::Refused},
      {"File36=C:\\Users\\u\\Programs\\Other\\x.lnkN", Kind::Refused},
      {"File37=C:\\Users\\u\\Programs\\x.lnkN", Kind::Refused},
      {"File38=C:\\Users\\u\\Desktop\\Shop\\x.lnkN", Kind::Refused},
      {"File39=C:\\Users\\u\\Desktop\\report.docN", Kind::Refused},
      {"File40=C:\\Users\\u\\Desktop\\N", Kind::Refused},
      {"File41=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Orvane云专家-美食版\\evil.exeN",
       Kind::Refused},
      {"File42=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\x.lnkN", Kind::Refused},
      {"File43=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\x.lnkN", Kind::Refused},
      {"File44=C:\\Users\\Public\\Desktop\\report.docN", Kind::Refused},
      {"File45=C:\\Users\\Public\\Desktop\\Shop\\x.lnkN", Kind::Refused},
      {"File46=C:\\Users\\Public\\x.lnkN", Kind::Refused},
  };
  for (const auto& c : cases) EXPECT_EQ(Classify(c.line, TestPlaces()), c.kind) << c.line;
}

TEST(UninstallPlanTest, InstallationFolderInSystemFolderRefusesEvenItsOwnFiles) {
  // A system folder wins over the installation folder: nothing in it is taken.
  Places places = TestPlaces();
  places.install_folder = "C:\\Windows\\Orvane\\";
  places.self_path = "C:\\Windows\\Orvane\\UnInstall.exe";
  EXPECT_EQ(Classify("File0=C:\\Windows\\Orvane\\a.dllN", places), Kind::Refused);
}

TEST(UninstallPlanTest, GroupNameThatIsNoPlainFolderNameGivesNoGroup) {
  for (const char* group : {"..", "..\\..\\Windows", "a/b", "", "x."}) {
    Places places = TestPlaces();
    places.group_name = group;
    EXPECT_EQ(Classify(std::string("File0=C:\\Users\\u\\Programs\\") + group + "\\x.lnkN", places), Kind::Refused)
        << group;
  }
  Places places = TestPlaces();
  places.programs_folder.clear();
  EXPECT_EQ(Classify("File0=C:\\Users\\u\\Programs\\Orvane云专家-美食版\\a.lnkN", places), Kind::Refused);
  // The all-users places unknown: their lines are refused, the user's taken.
  places = TestPlaces();
  places.common_programs_folder.clear();
  places.common_desktop_folder.clear();
  for (const char* line : {"File0=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Orvane云专家-美食版\\a.lnkN",
                           "File1=C:\\Users\\Public\\Desktop\\a.lnkN"})
    EXPECT_EQ(Classify(line, places), Kind::Refused) << line;
  EXPECT_EQ(Classify("File2=C:\\Users\\u\\Desktop\\a.lnkN", places), Kind::Shortcut);
}

TEST(UninstallPlanTest, FoldersComeDeepestFirstOnceEachWithTheGroup) {
  std::string list =
      "File0=C:\\Program Files\\Orvane\\LumoSc\\plugins\\a.dllN\r\n"
      "File1=C:\\Program Files\\Orvane\\LumoSc\\OvErp.exeN\r\n"
      "File2=c:\\program files\\orvane\\lumosc\\b.dllN\r\n"
      "File3=C:\\Program Files\\Orvane\\install.inN\r\n"
      "File4=C:\\Users\\u\\Programs\\Orvane云专家-美食版\\a.lnkN\r\n"
      "File5=C:\\Program Files\\Orvane\\LumoSc\\OvErp.exeN\r\n"
      "File6=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Orvane云专家-美食版\\a.lnkN\r\n"
      "File7=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Orvane云专家-美食版\\N\r\n";
  Plan plan = MakePlan(list, TestPlaces());
  // Both groups, the user's of an earlier installation and the all-users one.
  EXPECT_EQ(plan.folders, (std::vector<std::string>{"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Orvane云专家-美食版\\",
                                                     "C:\\Program Files\\Orvane\\LumoSc\\plugins\\",
                                                     "C:\\Users\\u\\Programs\\Orvane云专家-美食版\\",
                                                     "C:\\Program Files\\Orvane\\LumoSc\\",
                                                     "C:\\Program Files\\Orvane\\"}));
  EXPECT_EQ(plan.files.size(), 4u);  // the repeated line once
  EXPECT_TRUE(Has(plan.files, "c:\\program files\\orvane\\lumosc\\b.dll"));
}

TEST(UninstallPlanTest, FolderThereBeforeIsKeptEvenWhenEmpty) {
  // A re-installation lists an archive's folder entry that already existed "Y".
  Plan plan = MakePlan(
      "File0=C:\\Program Files\\Orvane\\LumoSc\\Config\\Y\r\n"
      "File1=C:\\Program Files\\Orvane\\LumoSc\\Config\\a.iniN\r\n"
      "File2=C:\\Program Files\\Orvane\\LumoSc\\Empty\\N\r\n",
      TestPlaces());
  EXPECT_EQ(plan.kept, std::vector<std::string>{"C:\\Program Files\\Orvane\\LumoSc\\Config\\"});
  EXPECT_EQ(plan.folders, (std::vector<std::string>{"C:\\Program Files\\Orvane\\LumoSc\\Empty\\",
                                                     "C:\\Program Files\\Orvane\\LumoSc\\",
                                                     "C:\\Program Files\\Orvane\\"}));
}

TEST(UninstallPlanTest, LineEndsAndBlankLines) {
  Plan plan = MakePlan(
      "File0=C:\\Program Files\\Orvane\\a.txtN\nFile1=C:\\Program Files\\Orvane\\b.txtN\r\r\n  \r\n"
      "File2=C:\\Program Files\\Orvane\\c.txtN",
      TestPlaces());
  EXPECT_EQ(plan.files.size(), 3u);
  EXPECT_TRUE(plan.refused.empty());
}

TEST(UninstallPlanTest, InstallationFolderCheck) {
  struct Case {
    const char* folder;
    bool accepted;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Orvane\\", true},
      {"D:\\POS\\", true},
      {"C:\\", false},
      {"C:\\Windows\\", false},
      {"c:\\windows\\", false},
      {"C:\\Windows\\Orvane\\", false},
      {"C:\\Program Files\\..\\", false},
      {"C:\\Program Files\\Orvane", false},  // not a folder text
      {"Orvane\\", false},
      {"\\\\server\\share\\", false},
  };
  for (const auto& c : cases) {
    Places places = TestPlaces();
    places.install_folder = c.folder;
    EXPECT_EQ(CheckInstallFolder(places).empty(), c.accepted) << c.folder;
  }
  Places places = TestPlaces();
  places.install_folder = "D:\\Apps\\";
  places.system_folders = {"D:\\Apps\\Windows"};  // holds a system folder
  EXPECT_FALSE(CheckInstallFolder(places).empty());
}

TEST(UninstallPlanTest, CateringNameAndCommandProgram) {
  EXPECT_EQ(CateringName("Orvane云专家-商业版"), "Orvane云专家-美食版");
  EXPECT_EQ(CateringName("Orvane云专家-美食版"), "Orvane云专家-美食版");
  EXPECT_EQ(CommandProgram("\"C:\\Program Files\\Orvane\\UnInstall.exe\""), "C:\\Program Files\\Orvane\\UnInstall.exe");
  EXPECT_EQ(CommandProgram("\"C:\\Program Files\\Orvane\\UnInstall.exe\" /S"),
            "C:\\Program Files\\Orvane\\UnInstall.exe");
  EXPECT_EQ(CommandProgram("  C:\\Orvane\\UnInstall.exe "), "C:\\Orvane\\UnInstall.exe");
  EXPECT_EQ(CommandProgram("\"C:\\Orvane\\UnInstall.exe"), "");
}

}  // namespace
}  // namespace uninstaller
