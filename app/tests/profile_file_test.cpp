// The profile (INI) reader and writer of the manifest files.
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "app/profile_file.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/testing/temp_folder.h"
#ifdef _WIN32
#include "platform/windows/wide.h"
#endif

namespace {

using app::ProfileFile;
using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;

// One file for every reading rule; kReadCases lists what each key gives.
const std::string kReadRulesProfile =
    "[BaseInfo]\r\n"
    "fAppName=Orvane云专家-美食版\r\n"
    "  Spaced  =  a value with  inner  blanks \t\r\n"
    "Quoted=\"  kept blanks  \"\r\n"
    "Single='x'\r\n"
    "Half=\"open\r\n"
    "Mixed=\"x'\r\n"
    "Eq=a=b=c\r\n"
    "Empty=\r\n"
    "NoEquals\r\n"
    "; comment=1\r\n"
    "dup=first\r\n"
    "dup=second\r\n"
    "fAppDirName\r\n"
    "[ Other ]\n"
    "k=other\r"
    "[Unclosed\r\n"
    "after=still in Other\r\n"
    "[Open=ed\r\n"
    "[Last]]\r\n"
    "k=last\r\n"
    "[baseinfo]\r\n"
    "late=second section of the name\r\n"
    "dup=third\r\n";

// Wine's reader takes a line starting with ";" for a key; ours keeps it a
// comment, which no manifest key can start with.
constexpr bool kPlatformReadsCommentsAsKeys = true;

struct ReadCase {
  std::string section, key, expected;
  bool platform_differs = false;
} const kReadCases[] = {
    {"BaseInfo", "fAppName", "Orvane云专家-美食版"},
    {"BASEINFO", "FAPPNAME", "Orvane云专家-美食版"},
    {"BaseInfo", "spaced", "a value with  inner  blanks"},
    {"BaseInfo", "Quoted", "  kept blanks  "},
    {"BaseInfo", "Single", "x"},
    {"BaseInfo", "Half", "\"open"},
    {"BaseInfo", "Mixed", "\"x'"},
    {"BaseInfo", "Eq", "a=b=c"},
    {"BaseInfo", "Empty", ""},
    // A key line without "=" gives the default, as a missing key does: a
    // bare fAppDirName line leaves the manifest's fallback to fAppName.
    {"BaseInfo", "NoEquals", "<default>"},
    {"BaseInfo", "fAppDirName", "<default>"},
    {"BaseInfo", "; comment", "<default>", kPlatformReadsCommentsAsKeys},
    {"BaseInfo", "dup", "first"},
    {"Other", "k", "other"},
    {"other", "fAppName", "<default>"},
    // An unclosed "[" starts no section: the lines after it stay in Other,
    // and the line itself is a key there.
    {"Unclosed", "after", "<default>"},
    {"Other", "after", "still in Other"},
    {"Other", "[Open", "ed"},
    // The name runs to the last "]".
    {"Last]", "k", "last"},
    {"Last", "k", "<default>"},
    // Only the first section of a name is read.
    {"BaseInfo", "late", "<default>"},
    {"Missing", "fAppName", "<default>"},
    {"BaseInfo", "missing", "<default>"},
};

TEST(ProfileRead, ValuesByTheProfileRules) {
  TempFolder tmp;
  const std::string path = tmp / "p.ini";
  WriteWholeFile(path, kReadRulesProfile);
  ProfileFile profile(path);
  for (const auto& c : kReadCases)
    EXPECT_EQ(profile.ReadString(c.section, c.key, "<default>"), c.expected) << c.section << "/" << c.key;
}

#ifdef _WIN32
// The platform's own reader gives the same values for the same file.
TEST(ProfileRead, SameAsThePlatformReader) {
  TempFolder tmp;
  const std::string path = tmp / "p.ini";
  WriteWholeFile(path, kReadRulesProfile);
  const std::wstring wide_path = platform::windows::Wide(path);
  for (const auto& c : kReadCases) {
    if (c.platform_differs) continue;
    wchar_t value[4096];
    DWORD length = GetPrivateProfileStringW(platform::windows::Wide(c.section).c_str(),
                                            platform::windows::Wide(c.key).c_str(), L"<default>", value, 4096,
                                            wide_path.c_str());
    EXPECT_EQ(platform::windows::Narrow(value, length), c.expected) << c.section << "/" << c.key;
  }
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide_path.c_str());  // drop the cached copy
}
#endif

TEST(ProfileRead, ValuesAreCutTo2047Bytes) {
  TempFolder tmp;
  const std::string path = tmp / "p.ini";
  const std::string long_value(3000, 'v');
  WriteWholeFile(path, "[S]\r\nlong=" + long_value + "\r\nexact=" + std::string(2047, 'e') + "\r\nquoted=\"" +
                           std::string(2047, 'q') + "\"\r\n");
  ProfileFile profile(path);
  EXPECT_EQ(profile.ReadString("S", "long", ""), std::string(2047, 'v'));
  EXPECT_EQ(profile.ReadString("S", "exact", ""), std::string(2047, 'e'));
  EXPECT_EQ(profile.ReadString("S", "quoted", ""), std::string(2047, 'q'));
}

TEST(ProfileRead, MissingFileGivesDefaults) {
  TempFolder tmp;
  ProfileFile profile(tmp / "none.ini");
  EXPECT_EQ(profile.ReadString("S", "k", "d"), "d");
  EXPECT_EQ(profile.ReadInteger("InstallFiles", "FileCount", 0), 0);
  EXPECT_EQ(profile.ReadInteger("InstallFiles", "FileCount", -5), -5);
}

TEST(ProfileRead, Integers) {
  const int32_t kDefault = -777;
  struct Case {
    std::string text;
    int32_t expected;
  } cases[] = {
      {"483", 483},          {"  42", 42},          {"+7", 7},
      {"-12", -12},          {"0", 0},              {"007", 7},
      {"0x1F", 31},          {"0X1f", 31},          {"$10", 16},
      {"-$10", -16},         {" -0x10", -16},       {"$FFFFFFFF", -1},
      {"2147483647", INT32_MAX},                    {"-2147483648", INT32_MIN},
      {"2147483648", kDefault},                     {"99999999999999999999", kDefault},
      {"0x100000000", kDefault},                    {"0x", kDefault},
      {"$", kDefault},       {"-", kDefault},       {"", kDefault},
      {"12a", kDefault},     {"abc", kDefault},     {"1 2", kDefault},
      {"0x1G", kDefault},    {"六", kDefault},       {"--1", kDefault},
  };
  for (const auto& c : cases) EXPECT_EQ(app::ParseProfileInteger(c.text, kDefault), c.expected) << c.text;

  TempFolder tmp;
  WriteWholeFile(tmp / "p.ini", "[InstallFiles]\r\nFileCount=  0x10  \r\nfTotalFiles=six\r\n");
  ProfileFile profile(tmp / "p.ini");
  EXPECT_EQ(profile.ReadInteger("InstallFiles", "FileCount", 0), 16);
  EXPECT_EQ(profile.ReadInteger("InstallFiles", "fTotalFiles", 0), 0);
}

TEST(ProfileWrite, ReplacesInPlaceOrAppends) {
  const std::string two = "[A]\r\nk=old\r\nz=1\r\n[B]\r\nk=b\r\n";
  struct Case {
    const char* what;
    std::string before, section, key, value, after;
  } cases[] = {
      {"replace in place", two, "a", "K", "new", "[A]\r\nk=new\r\nz=1\r\n[B]\r\nk=b\r\n"},
      {"append to its section", two, "A", "n", "v", "[A]\r\nk=old\r\nz=1\r\nn=v\r\n[B]\r\nk=b\r\n"},
      {"append the section", two, "C", "k", "v", two + "[C]\r\nk=v\r\n"},
      {"before blank lines", "[A]\r\nk=1\r\n\r\n[B]\r\n", "A", "n", "v", "[A]\r\nk=1\r\nn=v\r\n\r\n[B]\r\n"},
      {"empty section", "[A]\r\n[B]\r\n", "A", "n", "v", "[A]\r\nn=v\r\n[B]\r\n"},
      {"no final line break, section", "[A]\r\nk=1", "A", "n", "2", "[A]\r\nk=1\r\nn=2\r\n"},
      {"no final line break, new section", "[A]\r\nk=1", "B", "n", "2", "[A]\r\nk=1\r\n[B]\r\nn=2\r\n"},
      {"LF file keeps its line ends", "[A]\nk=1\n", "A", "k", "2", "[A]\nk=2\n"},
      {"blanks before =", "[A]\r\n k = old \r\n", "A", "k", "new", "[A]\r\n k =new\r\n"},
      {"empty file", "", "BaseInfo", "fAppName", "x", "[BaseInfo]\r\nfAppName=x\r\n"},
      {"GBK bytes kept", "[BaseInfo]\r\nfAppName=Orvane云专家-美食版\r\nfAppType=CySaaS\r\n", "BaseInfo", "fAppName",
       "Orvane云专家-商业版", "[BaseInfo]\r\nfAppName=Orvane云专家-商业版\r\nfAppType=CySaaS\r\n"},
      {"empty value", two, "B", "k", "", "[A]\r\nk=old\r\nz=1\r\n[B]\r\nk=\r\n"},
      {"key without =", "[A]\r\nk\r\nz=1\r\n", "A", "k", "v", "[A]\r\nk=v\r\nz=1\r\n"},
      {"first section of the name", "[A]\r\na=1\r\n[B]\r\n[a]\r\nb=2\r\n", "A", "b", "v",
       "[A]\r\na=1\r\nb=v\r\n[B]\r\n[a]\r\nb=2\r\n"},
      {"unclosed [ is no section", "[A]\r\n[B\r\n", "B", "k", "v", "[A]\r\n[B\r\n[B]\r\nk=v\r\n"},
  };
  for (const auto& c : cases) {
    TempFolder tmp;
    const std::string path = tmp / "p.ini";
    WriteWholeFile(path, c.before);
    ProfileFile(path).WriteString(c.section, c.key, c.value);
    EXPECT_EQ(ReadWholeFile(path), c.after) << c.what;
    EXPECT_EQ(ProfileFile(path).ReadString(c.section, c.key, "<default>"), c.value) << c.what;
  }
}

TEST(ProfileWrite, CreatesAMissingFile) {
  TempFolder tmp;
  ProfileFile profile(tmp / "new.ini");
  profile.WriteString("BaseInfo", "fAppName", "x");
  profile.WriteString("BaseInfo", "fAppWebsite", "");
  EXPECT_EQ(ReadWholeFile(tmp / "new.ini"), "[BaseInfo]\r\nfAppName=x\r\nfAppWebsite=\r\n");
}

TEST(ProfileWrite, RefusesEntriesThatWouldChangeTheStructure) {
  TempFolder tmp;
  const std::string path = tmp / "p.ini";
  const std::string before = "[A]\r\nk=1\r\n";
  WriteWholeFile(path, before);
  ProfileFile profile(path);
  EXPECT_THROW(profile.WriteString("A", "k", "1\r\n[B]"), std::invalid_argument);
  EXPECT_THROW(profile.WriteString("A", "k\n", "1"), std::invalid_argument);
  EXPECT_THROW(profile.WriteString("A", "k=x", "1"), std::invalid_argument);
  EXPECT_THROW(profile.WriteString("A]", "k", "1"), std::invalid_argument);
  EXPECT_THROW(profile.WriteString("A", "", "1"), std::invalid_argument);
  EXPECT_THROW(profile.WriteString("", "k", "1"), std::invalid_argument);
  EXPECT_EQ(ReadWholeFile(path), before);
}

TEST(ProfileWrite, UnwritableFileRaises) {
  TempFolder tmp;
  ProfileFile profile(tmp / "no such folder\\p.ini");
  try {
    profile.WriteString("A", "k", "v");
    FAIL() << "wrote into a missing folder";
  } catch (const platform::FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + tmp / "no such folder\\p.ini");
  }
}

}  // namespace
