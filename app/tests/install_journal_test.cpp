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
  // The head, two folders, the new file and its size and time once written,
  // the aside folder, the file moved aside.
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "DZJOURNAL\t1\t20261211-00A1");
  EXPECT_EQ(lines[3], "new\t" + root / "甲\\乙\\新.dll");
  EXPECT_EQ(lines[4].rfind("made\t" + root / "甲\\乙\\新.dll" + "\t5\t", 0), 0u) << lines[4];

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
  const struct {
    std::vector<std::string> lines;
    bool unknown_version;
  } refused[] = {
      {{}, false},
      {{"DZJOURNAL\t2\trun", "erase\tC:\\x"}, true},  // a version this installer does not know
      {{"DZJOURNAL\t1\t"}, false},                      // no run
      {{"DZJOURNAL\t1\trun", "remove\tC:\\x"}, false},  // an unknown line
      {{"DZJOURNAL\t1\trun", "new\t"}, false},           // no path
      {{"DZJOURNAL\t1\trun", "aside\tC:\\a"}, false},    // no place aside
      {{"DZJOURNAL\t1\trun", "made\tC:\\a\t12\t20260101000000"}, false},  // a file never noted
      {{"DZJOURNAL\t1\trun", "new\tC:\\a", "made\tC:\\a\t12x\t20260101000000"}, false},
      {{"DZJOURNAL\t1\trun", "new\tC:\\a", "made\tC:\\a\t12\t2026010100000"}, false},
      {{"DZJOURNAL\t1\trun", "folder\tC:\\a\textra"}, false},
  };
  for (const auto& row : refused) {
    std::string shown;
    for (const auto& line : row.lines) shown += line + " | ";
    bool unknown_version = !row.unknown_version;
    EXPECT_FALSE(InstallJournal::Parse(row.lines, &unknown_version)) << shown;
    EXPECT_EQ(unknown_version, row.unknown_version) << shown;
  }
}

}  // namespace
