// UnZip and UnZipEntry: events in order, output paths, passwords, overwrite
// policies, file times and attributes, CRC verdicts, and the errors that end
// a run with the files so far left in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/decoders/traditional_crypt.h"
#include "archive/tests/zip_builder.h"
#include "archive/unzipper.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/message_of.h"
#include "platform/testing/box_and_pump_hooks.h"

#ifndef _WIN32
#include <unistd.h>  // access
#endif

namespace archive {
namespace {

using dz::testing::MessageOf;

using testing::BuildZipBytes;
using testing::ZipEntryPlan;

class UnZipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dest = temp / "out";
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned style) {
      events.push_back("box " + title + ": " + Rel(text) + " style " + std::to_string(style));
      return box_answer;
    });
  }
  void TearDown() override {
    platform::SetMessageBoxResponder(nullptr);
    platform::SetMessagePumpHook(nullptr);
  }

  // Writes the archive and points the component at it with the installer's
  // settings (all entries, folders recreated, existing files replaced).
  void UseArchive(const std::vector<ZipEntryPlan>& entries, const std::string& name = "test.zip") {
    dz::testing::WriteWholeFile(temp / name, BuildZipBytes(entries));
    UseFile(temp / name);
  }
  void UseFile(const std::string& path) {
    z.SetZipName(path);
    z.SetDestDir(dest);
    z.DoAll = true;
    z.RecreateDirs = true;
    z.OverwriteMode = Always;
  }

  // Every event as one line, the destination folder shown as "D".
  void Record() {
    z.OnStartUnZipInfo = [this](TUnZipper*, int n, int64_t total, bool& stop) {
      events.push_back("OnStartUnZipInfo " + std::to_string(n) + " " + std::to_string(total));
      stop = stop_now;
    };
    z.OnStartUnZip = [this](TUnZipper*, int i, std::string& fname, bool& skip) {
      events.push_back("OnStartUnZip " + std::to_string(i) + " " + Rel(fname));
      if (i == skip_index) skip = true;
      if (i == rename_index) fname = rename_to;
    };
    z.OnFilePercentDone = [this](TUnZipper*, int p) { events.push_back("OnFilePercentDone " + std::to_string(p)); };
    z.OnTotalPercentDone = [this](TUnZipper*, int p) { events.push_back("OnTotalPercentDone " + std::to_string(p)); };
    z.OnEndUnZip = [this](TUnZipper*, int i, const std::string& fname) {
      events.push_back("OnEndUnZip " + std::to_string(i) + " " + Rel(fname));
    };
    z.OnSkippingFile = [this](TUnZipper*, TSkipReason reason, const std::string& fname, int i, bool&) {
      events.push_back("OnSkippingFile " + std::to_string(reason) + " " + Rel(fname) + " " + std::to_string(i));
    };
    z.OnBadCRC = [this](TUnZipper*, uint32_t calc, uint32_t stored, int i) {
      char text[64];
      std::snprintf(text, sizeof text, "OnBadCRC %08X %08X %d", calc, stored, i);
      events.push_back(text);
    };
    z.OnUnZipComplete = [this](TUnZipper*, int n) { events.push_back("OnUnZipComplete " + std::to_string(n)); };
  }

  std::string Rel(const std::string& path) const {
    if (path.compare(0, dest.size(), dest) == 0) return "D" + path.substr(dest.size());
    return path;
  }
  std::string Out(const std::string& relative) const { return dest + "\\" + relative; }
  std::string Contents(const std::string& relative) const { return dz::testing::ReadWholeFile(Out(relative)); }
  // A file already in the destination before the run.
  void Existing(const std::string& relative, const std::string& contents) const {
    platform::ForceDirectories(dest);
    dz::testing::WriteWholeFile(Out(relative), contents);
  }

  dz::testing::TempFolder temp;
  std::string dest;
  TUnZipper z;
  std::vector<std::string> events;
  bool stop_now = false;
  int skip_index = -1;
  int rename_index = -1;
  std::string rename_to;
  int box_answer = platform::kIdNo;
};

using Lines = std::vector<std::string>;

TEST_F(UnZipTest, EventsInOrderAndFolders) {
  std::string big(100000, 'x');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>('a' + i % 13);
  UseArchive({{"a.txt", "alpha"}, {"sub/b.txt", big}, {"sub/empty.txt", ""}});
  Record();
  EXPECT_EQ(z.UnZip(), 3);
  EXPECT_EQ(events, (Lines{
                        "OnStartUnZipInfo 3 100005",
                        "OnStartUnZip 0 D\\a.txt",
                        "OnFilePercentDone 100",
                        "OnTotalPercentDone 0",
                        "OnEndUnZip 0 D\\a.txt",
                        "OnStartUnZip 1 D\\sub\\b.txt",
                        "OnFilePercentDone 33",
                        "OnTotalPercentDone 33",
                        "OnFilePercentDone 66",
                        "OnTotalPercentDone 66",
                        "OnFilePercentDone 98",
                        "OnTotalPercentDone 98",
                        "OnFilePercentDone 100",
                        "OnTotalPercentDone 100",
                        "OnEndUnZip 1 D\\sub\\b.txt",
                        "OnStartUnZip 2 D\\sub\\empty.txt",  // no output, no percent event
                        "OnEndUnZip 2 D\\sub\\empty.txt",
                        "OnUnZipComplete 3",
                    }));
  EXPECT_EQ(Contents("a.txt"), "alpha");
  EXPECT_EQ(Contents("sub\\b.txt"), big);
  EXPECT_TRUE(platform::FileExists(Out("sub\\empty.txt")));
  EXPECT_EQ(Contents("sub\\empty.txt"), "");
  EXPECT_TRUE(z.FilesList().empty());
  EXPECT_FALSE(z.KeepZipOpen);
}

TEST_F(UnZipTest, OutputFolderRules) {
  struct Row {
    const char* name;
    bool recreate;
    std::string root;
    std::string expected;  // relative to DestDir, "" when skipped as escaping
  };
  const Row rows[] = {
      {"sub/b.txt", true, "", "sub\\b.txt"},
      {"sub/b.txt", false, "", "b.txt"},
      {"top/sub/c.txt", true, "TOP\\", "sub\\c.txt"},  // RootDir removed, any case
      {"other/c.txt", true, "top\\", "other\\c.txt"},
      {"/abs/d.txt", true, "", "abs\\d.txt"},          // "\" folder: below DestDir
      {"C:/drive/e.txt", true, "", "drive\\e.txt"},    // drive folder: without the drive
      {"../up.txt", false, "", "up.txt"},              // folders not recreated: harmless
      {"../up.txt", true, "", ""},
      {"a/../../up.txt", true, "", ""},
      {"a/.../up.txt", true, "", ""},                  // Windows reads "..." as ".."
      {"C:../up.txt", true, "", ""},                   // drive-relative: would be a sibling of DestDir
      {"a/..", true, "", ""},
      {"a/..b/ok.txt", true, "", "a\\..b\\ok.txt"},    // dots inside a name are fine
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TUnZipper zipper;
    std::string zip = temp / ("rules" + std::to_string(n++) + ".zip");
    dz::testing::WriteWholeFile(zip, BuildZipBytes({{row.name, "data"}}));
    zipper.SetZipName(zip);
    zipper.SetDestDir(dest);
    zipper.DoAll = true;
    zipper.OverwriteMode = Always;
    zipper.RecreateDirs = row.recreate;
    zipper.SetRootDir(row.root);
    std::vector<int> reasons;
    zipper.OnSkippingFile = [&](TUnZipper*, TSkipReason r, const std::string&, int, bool&) { reasons.push_back(r); };
    int extracted = zipper.UnZip();
    if (row.expected.empty()) {
      EXPECT_EQ(extracted, 0);
      EXPECT_EQ(reasons, std::vector<int>{SkipCannotCreate});
      EXPECT_FALSE(platform::FileExists(temp / "up.txt"));
    } else {
      EXPECT_EQ(extracted, 1);
      EXPECT_EQ(Contents(row.expected), "data");
      platform::RemoveFile(Out(row.expected));
    }
  }
}

TEST_F(UnZipTest, EscapingEntrySkippedAndTheRunGoesOn) {
  UseArchive({{"../../evil.txt", "evil"}, {"good.txt", "good"}});
  Record();
  EXPECT_EQ(z.UnZip(), 1);
  EXPECT_EQ(events.at(1), "OnSkippingFile 3 D\\..\\..\\evil.txt 0");
  EXPECT_EQ(Contents("good.txt"), "good");
  EXPECT_FALSE(platform::FileExists(temp / "evil.txt"));
}

TEST_F(UnZipTest, SkipAndRenameInOnStartUnZip) {
  UseArchive({{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}});
  Existing("b.txt", "old");
  Record();
  skip_index = 1;
  rename_index = 2;
  rename_to = temp / "new\\deeper\\c2.txt";
  EXPECT_EQ(z.UnZip(), 2);
  EXPECT_EQ(Contents("b.txt"), "old");
  EXPECT_EQ(dz::testing::ReadWholeFile(rename_to), "C");
  EXPECT_FALSE(platform::FileExists(Out("c.txt")));
  Lines ends;
  for (const std::string& e : events)
    if (e.rfind("OnEndUnZip", 0) == 0) ends.push_back(e);
  EXPECT_EQ(ends, (Lines{"OnEndUnZip 0 D\\a.txt", "OnEndUnZip 2 " + rename_to}));
}

TEST_F(UnZipTest, Passwords) {
  const std::string secret = "\xC7\xE0\xCB\xC9\xB0\xD7\xD4\xC6";  // GBK bytes
  ZipEntryPlan deflated{"d.txt", std::string(5000, 'd'), 8};
  deflated.password = secret;
  ZipEntryPlan stored_dd{"s.txt", "stored with descriptor", 0};
  stored_dd.password = secret;
  stored_dd.data_descriptor = true;
  ZipEntryPlan empty{"e.txt", "", 0};  // compressed size 12: the header only
  empty.password = secret;
  const std::vector<ZipEntryPlan> entries = {deflated, stored_dd, empty};

  struct Row {
    const char* name;
    std::string password;
    std::vector<std::string> offered;  // answers of OnBadPassword, in turn; none: no handler
    int extracted;
  };
  const Row rows[] = {
      {"right password", secret, {}, 3},
      {"wrong password, no handler", "wrong", {}, 0},
      {"handler gives the right one", "wrong", {secret}, 3},
      {"handler gives the same", "wrong", {"wrong", "wrong", "wrong"}, 0},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TUnZipper zipper;
    std::string zip = temp / ("pw" + std::to_string(n) + ".zip");
    std::string out = temp / ("pw-out" + std::to_string(n++));
    dz::testing::WriteWholeFile(zip, BuildZipBytes(entries));
    zipper.SetZipName(zip);
    zipper.SetDestDir(out);
    zipper.DoAll = true;
    zipper.OverwriteMode = Always;
    zipper.Password = row.password;
    size_t asked = 0;
    if (!row.offered.empty())
      zipper.OnBadPassword = [&](TUnZipper*, int, std::string& p) { p = row.offered.at(asked++); };
    Lines skips;
    zipper.OnSkippingFile = [&](TUnZipper*, TSkipReason r, const std::string& f, int, bool&) {
      skips.push_back(std::to_string(r) + " " + f);
    };
    EXPECT_EQ(zipper.UnZip(), row.extracted);
    if (row.extracted == 3) {
      EXPECT_EQ(dz::testing::ReadWholeFile(out + "\\d.txt"), deflated.data);
      EXPECT_EQ(dz::testing::ReadWholeFile(out + "\\s.txt"), stored_dd.data);
      EXPECT_EQ(dz::testing::ReadWholeFile(out + "\\e.txt"), "");
      EXPECT_EQ(zipper.Password, secret);
      EXPECT_TRUE(skips.empty());
    } else {
      // Reason 0 with the stored name; no file left behind.
      EXPECT_EQ(skips, (Lines{"0 d.txt", "0 s.txt", "0 e.txt"}));
      for (const char* f : {"d.txt", "s.txt", "e.txt"}) EXPECT_FALSE(platform::FileExists(out + "\\" + f)) << f;
    }
  }
}

TEST_F(UnZipTest, WrongPasswordPassingTheCheckByteFailsTheCrc) {
  ZipEntryPlan entry{"x.txt", std::string(3000, 'q') + "tail", 8};
  entry.password = "right";
  std::string zip = BuildZipBytes({entry});
  // Find a wrong password whose 12th header byte matches by chance (1 in 256).
  std::string header = zip.substr(30 + 5, 12);
  uint8_t check = static_cast<uint8_t>(testing::Crc32Of(entry.data) >> 24);
  std::string chance;
  for (int i = 0; i < 100000 && chance.empty(); ++i) {
    std::string candidate = "w";
    candidate += std::to_string(i);
    std::string copy = header;
    TraditionalKeys keys;
    if (CheckEncryptionHeader(keys, candidate, reinterpret_cast<uint8_t*>(copy.data()), check)) chance = candidate;
  }
  ASSERT_FALSE(chance.empty());
  dz::testing::WriteWholeFile(temp / "chance.zip", zip);
  UseFile(temp / "chance.zip");
  Record();
  z.Password = chance;
  EXPECT_EQ(z.UnZip(), 0);
  EXPECT_FALSE(platform::FileExists(Out("x.txt")));
  EXPECT_EQ(events.at(events.size() - 2), "OnSkippingFile 0 x.txt 0");

  // With a handler: the right password comes, the entry is processed again.
  TUnZipper again;
  again.SetZipName(temp / "chance.zip");
  again.SetDestDir(dest);
  again.DoAll = true;
  again.Password = chance;
  again.OnBadPassword = [](TUnZipper*, int, std::string& p) { p = "right"; };
  EXPECT_EQ(again.UnZip(), 1);
  EXPECT_EQ(Contents("x.txt"), entry.data);
}

TEST_F(UnZipTest, OverwritePolicies) {
  // Entry time 2025-01-12 12:00:00; the existing file is dated a year before
  // or after it.
  const platform::LocalDateTime older{2024, 1, 12, 12, 0, 0}, newer{2026, 1, 12, 12, 0, 0};
  struct Row {
    const char* name;
    TUZOverwriteMode mode;
    platform::LocalDateTime existing;
    int box_answer;    // for Prompt without a handler
    bool replaced;
  };
  const Row rows[] = {
      {"always", Always, newer, 0, true},
      {"never", Never, older, 0, false},
      {"if newer, entry newer", ifNewer, older, 0, true},
      {"if newer, entry older", ifNewer, newer, 0, false},
      {"if older, entry older", ifOlder, newer, 0, true},
      {"if older, entry newer", ifOlder, older, 0, false},
      {"prompt, yes", Prompt, older, platform::kIdYes, true},
      {"prompt, no", Prompt, older, platform::kIdNo, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    events.clear();
    TUnZipper zipper;
    std::string zip = temp / (std::string("policy-") + std::to_string(&row - rows) + ".zip");
    dz::testing::WriteWholeFile(zip, BuildZipBytes({{"f.txt", "new"}}));
    zipper.SetZipName(zip);
    zipper.SetDestDir(dest);
    zipper.DoAll = true;
    zipper.OverwriteMode = row.mode;
    std::vector<std::string> skips;
    zipper.OnSkippingFile = [&](TUnZipper*, TSkipReason r, const std::string& f, int, bool&) {
      skips.push_back(std::to_string(r) + " " + Rel(f));
    };
    Existing("f.txt", "old");
    ASSERT_TRUE(platform::SetModifiedTime(Out("f.txt"), row.existing));
    box_answer = row.box_answer;
    EXPECT_EQ(zipper.UnZip(), row.replaced ? 1 : 0);
    EXPECT_EQ(Contents("f.txt"), row.replaced ? "new" : "old");
    EXPECT_EQ(skips, row.replaced ? Lines{} : Lines{"1 D\\f.txt"});
    if (row.mode == Prompt)
      EXPECT_EQ(events, Lines{"box File Exists Alert: Replace existing file f.txt? style 36"});
    else
      EXPECT_TRUE(events.empty());
  }
}

TEST_F(UnZipTest, PromptHandlerMayRedirect) {
  UseArchive({{"f.txt", "new"}});
  z.OverwriteMode = Prompt;
  Existing("f.txt", "old");
  z.OnPromptForOverwrite = [this](TUnZipper*, bool& overwrite, int, std::string& fname) {
    overwrite = true;
    fname = Out("g.txt");
  };
  EXPECT_EQ(z.UnZip(), 1);
  EXPECT_EQ(Contents("f.txt"), "old");
  EXPECT_EQ(Contents("g.txt"), "new");
}

// True when a read-only file here really refuses to be rewritten (not so
// for the superuser, natively or under Wine).
bool ReadOnlyIsEnforced(const std::string& probe) {
  dz::testing::WriteWholeFile(probe, "probe");
  platform::WriteAttributes(probe, platform::kAttrReadOnly);
  bool enforced = false;
  try {
    platform::File file(probe, platform::File::Mode::Create);
  } catch (const platform::FileCreateError&) {
    enforced = true;
  }
  platform::WriteAttributes(probe, platform::kAttrNormal);
  platform::RemoveFile(probe);
  return enforced;
}

TEST_F(UnZipTest, ReadOnlyTarget) {
  if (!ReadOnlyIsEnforced(temp / "probe.txt")) GTEST_SKIP() << "this user may rewrite read-only files here";
  for (bool replace : {true, false}) {
    SCOPED_TRACE(replace ? "ReplaceReadOnly" : "keep");
    TUnZipper zipper;
    std::string zip = temp / (replace ? "ro1.zip" : "ro2.zip");
    dz::testing::WriteWholeFile(zip, BuildZipBytes({{"ro.txt", "new"}}));
    zipper.SetZipName(zip);
    zipper.SetDestDir(dest);
    zipper.DoAll = true;
    zipper.OverwriteMode = Always;
    zipper.ReplaceReadOnly = replace;
    std::vector<int> reasons;
    zipper.OnSkippingFile = [&](TUnZipper*, TSkipReason r, const std::string&, int, bool&) { reasons.push_back(r); };
    platform::WriteAttributes(Out("ro.txt"), platform::kAttrNormal);
    Existing("ro.txt", "old");
    ASSERT_TRUE(platform::WriteAttributes(Out("ro.txt"), platform::kAttrReadOnly));
    EXPECT_EQ(zipper.UnZip(), replace ? 1 : 0);
    EXPECT_EQ(Contents("ro.txt"), replace ? "new" : "old");
    EXPECT_EQ(reasons, replace ? std::vector<int>{} : std::vector<int>{SkipCannotCreate});
  }
  platform::WriteAttributes(Out("ro.txt"), platform::kAttrNormal);
}

#ifdef _WIN32
TEST_F(UnZipTest, TargetHeldOpenWithoutSharingIsSkipped) {
  UseArchive({{"held.txt", "new"}, {"free.txt", "free"}});
  z.ReplaceReadOnly = true;  // the retry must not help: the file is not read-only
  Existing("held.txt", "old");
  Record();
  {
    platform::File holder(Out("held.txt"), platform::File::Mode::ReadDenyWrite);
    EXPECT_EQ(z.UnZip(), 1);
  }
  EXPECT_EQ(Contents("held.txt"), "old");
  EXPECT_EQ(Contents("free.txt"), "free");
  EXPECT_NE(std::find(events.begin(), events.end(), "OnSkippingFile 3 D\\held.txt 0"), events.end());
}
#endif

TEST_F(UnZipTest, TimeAndAttributes) {
  ZipEntryPlan ro{"ro.txt", "r", 8};
  ro.dos_date_time = (((2021 - 1980) << 25) | (3 << 21) | (4 << 16)) | ((13 << 11) | (14 << 5) | (15 / 2));
  ro.external_attributes = 0x81240001;  // UNIX mode r--r--r-- in the high word, read-only
  ZipEntryPlan odd{"odd.txt", "o", 8};
  odd.external_attributes = 0xA1FF4510;  // symlink mode, folder, device, temporary, encrypted bits
  UseArchive({ro, odd});
  EXPECT_EQ(z.UnZip(), 2);
  std::optional<platform::LocalDateTime> t = platform::ModifiedTime(Out("ro.txt"));
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(*t, (platform::LocalDateTime{2021, 3, 4, 13, 14, 14}));
  uint32_t ro_attributes = platform::ReadAttributes(Out("ro.txt"));
  uint32_t odd_attributes = platform::ReadAttributes(Out("odd.txt"));
  EXPECT_TRUE(ro_attributes & platform::kAttrReadOnly);
  // None of the folder, reparse-point, temporary or encrypted bits, nor
  // read-only from the mode word.
  EXPECT_EQ(odd_attributes & (platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem |
                              platform::kAttrDirectory | 0x4500u),
            0u);
  platform::WriteAttributes(Out("ro.txt"), platform::kAttrNormal);

  // RetainAttributes false: the stored attributes are not applied.
  TUnZipper plain;
  dz::testing::WriteWholeFile(temp / "plain.zip", BuildZipBytes({ro}));
  plain.SetZipName(temp / "plain.zip");
  plain.SetDestDir(temp / "plain");
  plain.DoAll = true;
  plain.RetainAttributes = false;
  EXPECT_EQ(plain.UnZip(), 1);
  EXPECT_FALSE(platform::ReadAttributes(temp / "plain\\ro.txt") & platform::kAttrReadOnly);
}

TEST_F(UnZipTest, DamagedEntriesFailTheirCrcAndTheRunGoesOn) {
  ZipEntryPlan bad_crc{"crc.txt", "checked", 8};
  bad_crc.declared_crc = 0x12345678;
  ZipEntryPlan type3{"type3.txt", "never", 8};
  type3.raw = std::string("\x07", 1);
  ZipEntryPlan bomb{"bomb.txt", std::string(100000, 'b'), 8};
  bomb.declared_size = 40000;
  ZipEntryPlan unknown{"m9.txt", "deflate64?", 9};
  ZipEntryPlan unknown_empty{"m9-empty.txt", "", 9};
  unknown_empty.raw = "";
  UseArchive({bad_crc, type3, bomb, unknown, unknown_empty, {"ok.txt", "fine"}});
  Record();
  EXPECT_EQ(z.UnZip(), 2);  // the empty entry of an unknown method has CRC 0 and passes
  char crc_line[64];
  std::snprintf(crc_line, sizeof crc_line, "OnBadCRC %08X 12345678 0", testing::Crc32Of("checked"));
  auto has = [&](const std::string& line) { return std::find(events.begin(), events.end(), line) != events.end(); };
  EXPECT_TRUE(has(crc_line));
  EXPECT_TRUE(has("box Zip Error: Unknown Compression Method style 16"));
  for (const char* f : {"crc.txt", "type3.txt", "bomb.txt", "m9.txt"}) EXPECT_FALSE(platform::FileExists(Out(f))) << f;
  EXPECT_TRUE(platform::FileExists(Out("m9-empty.txt")));
  EXPECT_EQ(Contents("ok.txt"), "fine");
  EXPECT_EQ(events.back(), "OnUnZipComplete 2");
}

TEST_F(UnZipTest, TruncatedArchiveEndsTheRunKeepingEarlierFiles) {
  std::string second(70000, 's');
  for (size_t i = 0; i < second.size(); i += 3) second[i] = static_cast<char>(i * 31);
  std::string zip = BuildZipBytes({{"first.txt", "one", 0}, {"second.bin", second, 0}});
  // Keep the directory, drop most of the second entry's data: the directory
  // is moved to follow the cut.
  ZipEntryPlan first{"first.txt", "one", 0};
  std::string head = BuildZipBytes({first});
  size_t cut = 30 + 9 + 3 + 30 + 10 + 20000;
  std::string truncated = zip.substr(0, cut);
  size_t central = zip.find("PK\x01\x02");
  std::string tail = zip.substr(central);
  uint32_t new_offset = static_cast<uint32_t>(truncated.size());
  size_t end = tail.find("PK\x05\x06");
  for (int i = 0; i < 4; ++i) tail[end + 16 + i] = static_cast<char>((new_offset >> (8 * i)) & 0xFF);
  dz::testing::WriteWholeFile(temp / "cut.zip", truncated + tail);
  UseFile(temp / "cut.zip");
  Record();
  z.SortMode = ByName;
  EXPECT_EQ(MessageOf<EFatalUnzipError>([&] { z.UnZip(); }), "Premature end of file reached");
  EXPECT_EQ(events.back(), "OnUnZipComplete 1");
  EXPECT_EQ(Contents("first.txt"), "one");
  EXPECT_TRUE(platform::FileExists(Out("second.bin")));  // as far as it was written
  EXPECT_FALSE(z.KeepZipOpen);
}

TEST_F(UnZipTest, ACompletionHandlerThatRaisesLeavesTheComponentAsBefore) {
  UseArchive({{"one.txt", "1", 0}});
  int completions = 0;
  z.OnUnZipComplete = [&](TUnZipper*, int) {
    ++completions;
    throw std::runtime_error("handler failed");
  };
  EXPECT_EQ(MessageOf<std::runtime_error>([&] { z.UnZip(); }), "handler failed");
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(z.KeepZipOpen);
  EXPECT_EQ(Contents("one.txt"), "1");
  // The next run reads the archive again from the start.
  z.OnUnZipComplete = nullptr;
  platform::RemoveFile(Out("one.txt"));
  EXPECT_EQ(z.UnZip(), 1);
  EXPECT_EQ(Contents("one.txt"), "1");
}

TEST_F(UnZipTest, CancelDuringMessagePumping) {
  std::string data(200000, 'c');
  UseArchive({{"one.txt", "1", 0}, {"big.txt", data, 0}, {"three.txt", "3", 0}});
  Record();
  z.ThreadCount = 1;  // messages run at every block read (workers pump on an interval)
  int pumps = 0;
  platform::SetMessagePumpHook([&] {
    if (++pumps == 3) z.Cancel();
  });
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { z.UnZip(); }), "User Aborted Operation");
  EXPECT_EQ(events.back(), "OnUnZipComplete 1");
  EXPECT_EQ(Contents("one.txt"), "1");
  EXPECT_FALSE(platform::FileExists(Out("big.txt")));  // no partial file
  EXPECT_FALSE(platform::FileExists(Out("three.txt")));

  // The flag is cleared: the next run completes.
  platform::SetMessagePumpHook(nullptr);
  EXPECT_EQ(z.UnZip(), 3);
}

TEST_F(UnZipTest, SelectionStopNowAndFolderEntries) {
  UseArchive({{"keep/a.txt", "a"}, {"keep/b.log", "b"}, {"skip/c.txt", "c"}, {"folder/", "", 0}});
  Record();
  z.DoAll = false;
  z.SetFilesList({"keep\\*.txt", "*.log"});
  EXPECT_EQ(z.UnZip(), 2);
  EXPECT_EQ(events.front(), "OnStartUnZipInfo 2 2");
  EXPECT_TRUE(platform::FileExists(Out("keep\\a.txt")));
  EXPECT_TRUE(platform::FileExists(Out("keep\\b.log")));
  EXPECT_FALSE(platform::FileExists(Out("skip\\c.txt")));

  events.clear();
  z.DoAll = true;
  stop_now = true;
  EXPECT_EQ(z.UnZip(), 0);
  EXPECT_EQ(events, (Lines{"OnStartUnZipInfo 4 3", "OnUnZipComplete 0"}));

  // A folder entry counts without an event; with RecreateDirs false it
  // creates nothing.
  stop_now = false;
  events.clear();
  z.RecreateDirs = false;
  EXPECT_EQ(z.UnZip(), 4);
  EXPECT_FALSE(platform::DirectoryExists(Out("folder")));
  z.RecreateDirs = true;
  EXPECT_EQ(z.UnZip(), 4);
  EXPECT_TRUE(platform::DirectoryExists(Out("folder")));
}

TEST_F(UnZipTest, NotAZipAndEmptyFile) {
  dz::testing::WriteWholeFile(temp / "text.zip", std::string(100, 't'));
  UseFile(temp / "text.zip");
  Record();
  EXPECT_THROW(z.UnZip(), EIncompleteZip);
  EXPECT_TRUE(events.empty());

  TUnZipper empty;
  dz::testing::WriteWholeFile(temp / "empty.zip", "");
  empty.SetZipName(temp / "empty.zip");
  empty.SetDestDir(dest);
  empty.DoAll = true;
  Lines seen;
  empty.OnStartUnZipInfo = [&](TUnZipper*, int n, int64_t, bool&) { seen.push_back("info " + std::to_string(n)); };
  empty.OnUnZipComplete = [&](TUnZipper*, int n) { seen.push_back("complete " + std::to_string(n)); };
  EXPECT_EQ(empty.UnZip(), 0);
  EXPECT_EQ(seen, (Lines{"info 0", "complete 0"}));
}

#ifndef _WIN32
TEST_F(UnZipTest, FullDiskEndsTheRun) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  // A large entry fails while its blocks are written; a small one only when
  // the file buffer is written at close, which must fail the same way and
  // not pass as extracted.
  for (size_t size : {size_t{50000}, size_t{100}}) {
    SCOPED_TRACE(size);
    events.clear();
    TUnZipper zipper;
    std::string zip = temp / ("full" + std::to_string(size) + ".zip");
    dz::testing::WriteWholeFile(zip, BuildZipBytes({{"a.txt", "a"}, {"full.txt", std::string(size, 'f'), 0}}));
    zipper.SetZipName(zip);
    zipper.SetDestDir(dest);
    zipper.DoAll = true;
    zipper.OverwriteMode = Always;
    int ends = 0;
    zipper.OnEndUnZip = [&](TUnZipper*, int, const std::string&) { ++ends; };
    zipper.OnStartUnZip = [](TUnZipper*, int i, std::string& fname, bool&) {
      if (i == 1) fname = "/dev/full";
    };
    EXPECT_EQ(MessageOf<ECantWriteUCF>([&] { zipper.UnZip(); }), "Cant write uncompressed file");
    EXPECT_EQ(ends, 1);
  }
}
#endif

TEST_F(UnZipTest, ReadOnlyEntryFailingItsCrcIsStillDeleted) {
  ZipEntryPlan entry{"ro.txt", "content", 8};
  entry.external_attributes = 0x21;  // read-only, archive
  entry.declared_crc = 0x0BADC0DE;
  UseArchive({entry});
  EXPECT_EQ(z.UnZip(), 0);
  EXPECT_FALSE(platform::FileExists(Out("ro.txt")));
}

}  // namespace
}  // namespace archive
