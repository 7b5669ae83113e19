// The journal on its own: what an undo keeps, and its lines read back, as
// the next start reads the journal of a run that was killed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/install_journal.h"
#include "platform/files.h"
#include "platform/testing/temp_folder.h"

namespace {

using app::InstallJournal;
using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;

TEST(InstallJournal, AFileChangedSinceTheRunWroteItIsKept) {
  TempFolder root;
  const std::string folder = root / "新\\库";
  const std::string created = folder + "\\LumoPosBaseData.db", replaced = root / "程序.exe";
  WriteWholeFile(replaced, "the earlier program");
  platform::WriteAttributes(replaced, platform::kAttrReadOnly);

  InstallJournal journal("test");
  ASSERT_TRUE(journal.MakeFolders(folder));
  ASSERT_TRUE(journal.BeforeWriting(created));
  WriteWholeFile(created, "as the run wrote it");
  platform::SetModifiedTime(created, {2020, 1, 2, 3, 4, 6});
  journal.Written(created);
  ASSERT_TRUE(journal.BeforeWriting(replaced));
  EXPECT_FALSE(platform::FileExists(replaced));  // moved aside, not overwritten
  WriteWholeFile(replaced, "the new program");
  platform::SetModifiedTime(replaced, {2020, 1, 2, 3, 4, 8});
  journal.Written(replaced);

  // The shop starts to use the new database: an undo keeps it, and with it
  // the folders it is in.
  WriteWholeFile(created, "the shop's first sale");
  const InstallJournal::UndoReport report = journal.Undo();
  EXPECT_EQ(report.kept_changed, std::vector<std::string>{created});
  EXPECT_TRUE(report.failed.empty());
  EXPECT_EQ(ReadWholeFile(created), "the shop's first sale");
  // The replaced program is back as it was, read-only; no aside folder stays.
  EXPECT_EQ(ReadWholeFile(replaced), "the earlier program");
  EXPECT_NE(platform::ReadAttributes(replaced) & platform::kAttrReadOnly, 0u);
  for (const auto& entry : platform::ListDirectory(root.path()))
    EXPECT_EQ(entry.name.find("~DzAside."), std::string::npos) << entry.name;
  EXPECT_TRUE(journal.Empty());
}

TEST(InstallJournal, LinesReadBackAsTheSameJournal) {
  TempFolder root;
  WriteWholeFile(root / "旧.dll", "old");
  InstallJournal journal("20261211-00A1");
  ASSERT_TRUE(journal.MakeFolders(root / "甲\\乙"));
  ASSERT_TRUE(journal.BeforeWriting(root / "甲\\乙\\新.dll"));
  WriteWholeFile(root / "甲\\乙\\新.dll", "12345");
  journal.Written(root / "甲\\乙\\新.dll");
  ASSERT_TRUE(journal.BeforeWriting(root / "旧.dll"));
  const std::vector<std::string> lines = journal.Lines();
  ASSERT_EQ(lines.size(), 6u);  // the head, two folders, the new file, the aside folder, the aside file
  EXPECT_EQ(lines[0], "DZJOURNAL\t1\t20261211-00A1");
  EXPECT_EQ(lines[3].rfind("new\t" + root / "甲\\乙\\新.dll" + "\t5\t", 0), 0u) << lines[3];

  const auto read = InstallJournal::Parse(lines);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Lines(), lines);
  // The journal read back undoes as the one written would.
  auto replay = *read;
  EXPECT_TRUE(replay.Undo().failed.empty());
  EXPECT_EQ(ReadWholeFile(root / "旧.dll"), "old");
  EXPECT_FALSE(platform::DirectoryExists(root / "甲"));
}

TEST(InstallJournal, LinesOfAnotherVersionOrDamagedAreNotAJournal) {
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"DZJOURNAL\t2\trun"},                        // a version this installer does not know
      {"DZJOURNAL\t1\t"},                           // no run
      {"DZJOURNAL\t1\trun", "remove\tC:\\x"},        // an unknown line
      {"DZJOURNAL\t1\trun", "new\t"},                // no path
      {"DZJOURNAL\t1\trun", "aside\tC:\\a"},         // no place aside
      {"DZJOURNAL\t1\trun", "new\tC:\\a\t12x\t20260101000000"},
      {"DZJOURNAL\t1\trun", "new\tC:\\a\t12\t2026010100000"},
      {"DZJOURNAL\t1\trun", "folder\tC:\\a\textra"},
  };
  for (const auto& lines : refused) {
    std::string shown;
    for (const auto& line : lines) shown += line + " | ";
    EXPECT_FALSE(InstallJournal::Parse(lines)) << shown;
  }
}

}  // namespace
