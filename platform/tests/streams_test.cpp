#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/streams.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"

namespace {

TEST(Streams, MissingResourceNamesItself) {
  try {
    platform::TResourceStream s("C9", "C9");
    FAIL() << "found a resource that does not exist";
  } catch (const platform::ResourceNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource C9 not found");
  }
}

TEST(Streams, ResourceStreamReadsAndSaves) {
  if (!platform::testing::AddModuleResource("Probe", "Kind", {'a', 'b', 'c', 'd'}))
    GTEST_SKIP() << "resources are compiled into Windows test programs";
  platform::TResourceStream s("PROBE", "kind");  // names match without regard to case
  EXPECT_EQ(s.Size(), 4);
  char two[2];
  EXPECT_EQ(s.Read(two, 2), 2);
  EXPECT_EQ(std::string(two, 2), "ab");
  dz::testing::TempFolder tmp;
  s.SaveToFile(tmp / "out.bin");
  EXPECT_EQ(dz::testing::ReadWholeFile(tmp / "out.bin"), "abcd");
}

}  // namespace
