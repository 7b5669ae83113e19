// The registry: keys created with their parents, string and number values,
// names matched without regard to case, removal of a whole key. Natively
// against the registry kept in memory; on Windows against the real one, in
// a key of the current user that the tests remove again.
#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "platform/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using platform::DeleteRegistryKey;
using platform::RegistryKey;
using platform::RegistryRoot;

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::testing::ClearRegistry();
#ifdef _WIN32
    ASSERT_EQ(GetACP(), 936u);
    base = "Software\\DIzavozi tests\\" + std::to_string(GetCurrentProcessId());
#else
    base = "Software\\DIzavozi tests\\" + std::to_string(getpid());
#endif
  }
  void TearDown() override {
    platform::testing::SetRegistryReadOnly(RegistryRoot::CurrentUser, false);
    DeleteRegistryKey(RegistryRoot::CurrentUser, base);
    // The common parent goes when no other run keeps a key in it.
    auto parent = RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\DIzavozi tests");
    if (parent && parent->SubKeyNames().empty()) DeleteRegistryKey(RegistryRoot::CurrentUser, "Software\\DIzavozi tests");
  }
  std::string base;
};

TEST_F(Registry, ValuesRoundTripWithChineseNamesAndTexts) {
  // "美食版" ends in 0x5C-free bytes; "昞" (0x955C) has a backslash as its
  // trail byte and must not split the key name.
  const std::string key_path = base + "\\Orvane云专家-美食版\x95\x5C";
  auto key = RegistryKey::Create(RegistryRoot::CurrentUser, key_path);
  ASSERT_TRUE(key);
  EXPECT_TRUE(key->WriteString("Displayname", "卸载Orvane云专家-美食版"));
  EXPECT_TRUE(key->WriteString("UnInstallString", "\"C:\\Program Files\\中文\\UnInstall.exe\""));
  EXPECT_TRUE(key->WriteString("Empty", ""));
  EXPECT_TRUE(key->WriteDword("NoModify", 1));
  EXPECT_TRUE(key->WriteDword("EstimatedSize", 0xFFFFFFFFu));

  auto again = RegistryKey::Open(RegistryRoot::CurrentUser, key_path);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->ReadString("displayNAME"), "卸载Orvane云专家-美食版");
  EXPECT_EQ(again->ReadString("UnInstallString"), "\"C:\\Program Files\\中文\\UnInstall.exe\"");
  EXPECT_EQ(again->ReadString("Empty"), "");
  EXPECT_EQ(again->ReadDword("nomodify"), 1u);
  EXPECT_EQ(again->ReadDword("EstimatedSize"), 0xFFFFFFFFu);
  // Missing values and values of the other type are not there.
  EXPECT_EQ(again->ReadString("Missing"), std::nullopt);
  EXPECT_EQ(again->ReadString("NoModify"), std::nullopt);
  EXPECT_EQ(again->ReadDword("Displayname"), std::nullopt);

  // The key's name, case and all, as created; reached in another case too.
  auto parent = RegistryKey::Open(RegistryRoot::CurrentUser, base);
  ASSERT_TRUE(parent);
  EXPECT_EQ(parent->SubKeyNames(), std::vector<std::string>{"Orvane云专家-美食版\x95\x5C"});
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\ORVANE云专家-美食版\x95\x5C"));
}

TEST_F(Registry, WritingReplacesAndDeletingValuesWorks) {
  auto key = RegistryKey::Create(RegistryRoot::CurrentUser, base + "\\k");
  ASSERT_TRUE(key);
  EXPECT_TRUE(key->WriteString("Displayname", "first"));
  EXPECT_TRUE(key->WriteString("DISPLAYNAME", "second"));
  EXPECT_EQ(key->ReadString("Displayname"), "second");
  EXPECT_TRUE(key->DeleteValue("displayname"));
  EXPECT_EQ(key->ReadString("Displayname"), std::nullopt);
  EXPECT_FALSE(key->DeleteValue("displayname"));
  // Creating an existing key opens it with its values.
  EXPECT_TRUE(key->WriteString("v", "kept"));
  auto same = RegistryKey::Create(RegistryRoot::CurrentUser, base + "\\k");
  ASSERT_TRUE(same);
  EXPECT_EQ(same->ReadString("v"), "kept");
}

TEST_F(Registry, OpeningDoesNotCreate) {
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\missing"));
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\missing", RegistryKey::Access::ReadWrite));
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, base));
}

TEST_F(Registry, AReadOnlyKeyRefusesWrites) {
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, base + "\\k"));
  auto key = RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\k", RegistryKey::Access::Read);
  ASSERT_TRUE(key);
  EXPECT_FALSE(key->WriteString("v", "x"));
  EXPECT_FALSE(key->WriteDword("n", 1));
  EXPECT_EQ(key->ReadString("v"), std::nullopt);
}

TEST_F(Registry, DeletingRemovesTheKeyWithEverythingBelow) {
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, base + "\\a\\b\\c"));
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, base + "\\a\\d"));
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, base + "\\e"));
  auto values = RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\a", RegistryKey::Access::ReadWrite);
  ASSERT_TRUE(values);
  EXPECT_TRUE(values->WriteString("v", "x"));

  EXPECT_TRUE(DeleteRegistryKey(RegistryRoot::CurrentUser, base + "\\A"));
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\a"));
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\a\\b\\c"));
  EXPECT_FALSE(values->ReadString("v"));  // the open key answers no more
  auto parent = RegistryKey::Open(RegistryRoot::CurrentUser, base);
  ASSERT_TRUE(parent);
  EXPECT_EQ(parent->SubKeyNames(), std::vector<std::string>{"e"});  // its sibling stays

  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::CurrentUser, base + "\\a"));  // already gone
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::CurrentUser, ""));            // never the root
}

TEST_F(Registry, NativeReadOnlyRootRefusesChanges) {
#ifdef _WIN32
  GTEST_SKIP() << "the rights of the real registry are not the test's to change";
#endif
  ASSERT_TRUE(RegistryKey::Create(RegistryRoot::CurrentUser, base + "\\k"));
  auto writable = RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\k", RegistryKey::Access::ReadWrite);
  ASSERT_TRUE(writable);
  platform::testing::SetRegistryReadOnly(RegistryRoot::CurrentUser, true);
  EXPECT_FALSE(RegistryKey::Create(RegistryRoot::CurrentUser, base + "\\new"));
  EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\k", RegistryKey::Access::ReadWrite));
  EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, base + "\\k"));
  EXPECT_FALSE(writable->WriteString("v", "x"));
  EXPECT_FALSE(DeleteRegistryKey(RegistryRoot::CurrentUser, base + "\\k"));
  // Other roots are not affected.
  EXPECT_TRUE(RegistryKey::Create(RegistryRoot::LocalMachine, "Software\\x"));
}

}  // namespace
