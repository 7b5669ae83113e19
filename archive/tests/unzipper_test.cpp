// The archive component without extraction: properties and their setter
// rules, the directory read with its cache, recovery from local headers,
// incomplete archives, spanned and split sets with the disk swap, comments,
// the sorted view and wildcard matching.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "archive/tests/zip_builder.h"
#include "archive/unzipper.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/message_of.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace archive {
namespace {

using dz::testing::MessageOf;

using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;
using testing::BuildSpannedZip;
using testing::BuildZip;
using testing::ZipEntryPlan;
using testing::ZipPlan;

ZipPlan ThreeEntries() {
  ZipPlan plan;
  plan.entries.push_back({.name = "b.txt", .data = "bbbb"});
  plan.entries.push_back({.name = "sub/a.txt", .data = "aaaaaaaa"});
  plan.entries.push_back({.name = "sub/", .data = ""});
  return plan;
}

std::vector<std::string> Names(const TUnZipper& z) {
  std::vector<std::string> names;
  for (int i = 0; i < z.Count(); ++i) names.push_back(z.EntryAt(i).FullName());
  return names;
}

// Message boxes answered by script; restores the default afterwards.
class ScriptedBoxes {
 public:
  explicit ScriptedBoxes(int answer) {
    platform::SetMessageBoxResponder([this, answer](const std::string& text, const std::string& title, unsigned) {
      texts.push_back(text);
      titles.push_back(title);
      return answer;
    });
  }
  ~ScriptedBoxes() { platform::SetMessageBoxResponder(nullptr); }
  std::vector<std::string> texts, titles;
};

TEST(UnZipperProperties, DefaultsAndSetterRules) {
  TUnZipper z;
  EXPECT_EQ(z.ThisVersion(), 223);
  z.SetThisVersion(5);
  EXPECT_EQ(z.ThisVersion(), 223);
  EXPECT_EQ(z.SortMode, ByNone);
  EXPECT_EQ(z.OverwriteMode, Prompt);
  EXPECT_EQ(z.IncompleteZipMode, izAssumeMulti);
  EXPECT_TRUE(z.DoProcessMessages);
  EXPECT_TRUE(z.RetainAttributes);
  EXPECT_TRUE(z.OEMConvert);
  EXPECT_TRUE(z.CheckDiskLabels());
  EXPECT_FALSE(z.KeepZipOpen || z.DoAll || z.RecreateDirs || z.ReplaceReadOnly || z.FlushFilesOnClose);
  EXPECT_TRUE(static_cast<bool>(z.OnGetNextDisk)) << "the default disk handler";
  EXPECT_FALSE(static_cast<bool>(TUnZipper(true).OnGetNextDisk)) << "not while designing";
  EXPECT_EQ(z.Count(), 0);

  struct Case {
    std::string in, dest, root;
  } cases[] = {
      {"C:\\Files\\", "C:\\Files", "C:\\Files\\"},
      {"C:\\", "C:", "C:\\"},
      {"C:\\Files", "C:\\Files", "C:\\Files\\"},
      {"", "", ""},
      {"\xD6\xD0\x95\x5C", "\xD6\xD0\x95\x5C", "\xD6\xD0\x95\x5C\\"},  // trail byte 0x5C is no backslash
      {"a\\\\", "a\\", "a\\\\"},  // only one backslash is removed
  };
  for (const auto& c : cases) {
    z.SetDestDir(c.in);
    EXPECT_EQ(z.DestDir(), c.dest) << c.in;
    z.SetRootDir(c.in);
    EXPECT_EQ(z.RootDir(), c.root) << c.in;
  }
}

TEST(UnZipperProperties, QuestionMarkDialogsCancelNatively) {
#ifdef _WIN32
  GTEST_SKIP() << "the real dialogs would wait for a person";
#endif
  TUnZipper z;
  z.SetDestDir("C:\\Keep");
  // Natively the dialogs report cancellation.
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { z.SetDestDir("?"); }), "User canceled Set Desination Directory");
  EXPECT_EQ(z.DestDir(), "C:\\Keep");
  z.SetZipName("C:\\keep.zip");
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { z.SetZipName("C:\\*.zip?"); }), "User canceled setting zip file name.");
  EXPECT_EQ(z.ZipName(), "C:\\keep.zip");
}

TEST(UnZipperProperties, AssignCopiesSettingsAndHandlersButNotOnDecrypt) {
  TUnZipper source, target;
  source.SetZipName("C:\\x.zip");
  source.SetDestDir("C:\\out\\");
  source.SetRootDir("root");
  source.SortMode = ByDate;
  source.RecreateDirs = true;
  source.OverwriteMode = ifNewer;
  source.SetFilesList({"*.txt", "a?"});
  source.DoAll = true;
  source.IncompleteZipMode = izAssumeBad;
  source.KeepZipOpen = true;
  source.DoProcessMessages = false;
  source.RetainAttributes = false;
  source.ReplaceReadOnly = true;
  source.Password = "secret";
  int calls = 0;
  source.OnUnZipComplete = [&](TUnZipper*, int) { ++calls; };
  source.OnDecrypt = [](TUnZipper*, uint8_t*, int, const std::string&) {};
  target.Assign(source);
  EXPECT_EQ(target.ZipName(), "C:\\x.zip");
  EXPECT_EQ(target.DestDir(), "C:\\out");
  EXPECT_EQ(target.RootDir(), "root\\");
  EXPECT_EQ(target.SortMode, ByDate);
  EXPECT_TRUE(target.RecreateDirs && target.DoAll && target.KeepZipOpen && target.ReplaceReadOnly);
  EXPECT_FALSE(target.DoProcessMessages || target.RetainAttributes);
  EXPECT_EQ(target.OverwriteMode, ifNewer);
  EXPECT_EQ(target.IncompleteZipMode, izAssumeBad);
  EXPECT_EQ(target.FilesList(), (std::vector<std::string>{"*.txt", "a?"}));
  EXPECT_EQ(target.Password, "") << "Password is not a published property";
  ASSERT_TRUE(static_cast<bool>(target.OnUnZipComplete));
  target.OnUnZipComplete(&target, 0);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(static_cast<bool>(target.OnDecrypt));
}

TEST(Wildcards, MatchTable) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  } cases[] = {
      {"*", "anything\\at all", true},
      {"*.txt", "dir\\A.TXT", true},
      {"*.TXT", "a.txt", true},
      {"*.txt", "a.txt.bak", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a*c", "ac", true},
      {"a*b*c", "axxbyyc", true},
      {"a*b*c", "axxbyy", false},
      {"<abc>x", "bx", true},
      {"<a-c>x", "Cx", true},
      {"<a-c>x", "dx", false},
      {"<!a-c>x", "dx", true},
      {"<^a-c>x", "ax", false},
      {"<ab", "a", false},      // no closing bracket
      {"<a->x", "ax", false},   // range without its end
      {"?.txt", "\xD6\xD0.txt", true},  // one GBK character
      {"**a", "a", true},
      {"*a*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsMatch(c.pattern, c.text), c.match) << c.pattern << " / " << c.text;
}

class UnZipperDirectory : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = tmp / name;
    WriteWholeFile(path, bytes);
    return path;
  }
  TempFolder tmp;
};

TEST_F(UnZipperDirectory, ListsEntriesAndComments) {
  ZipPlan plan = ThreeEntries();
  plan.entries[1].comment = "entry remark";
  plan.comment = std::string(65535, 'z');
  TUnZipper z;
  z.SetZipName(Write("a.zip", BuildZip(plan).bytes));
  z.ReadZipDirectory();
  ASSERT_EQ(z.Count(), 3);
  EXPECT_EQ(Names(z), (std::vector<std::string>{"b.txt", "sub\\a.txt", "sub\\"}));
  EXPECT_EQ(z.FileNameAt(2), "");
  EXPECT_EQ(z.EntryAt(2).Directory(), "sub\\");
  EXPECT_EQ(z.ArchiveStream(), nullptr) << "closed after reading without KeepZipOpen";
  EXPECT_EQ(z.FileCommentAt(0), "");
  EXPECT_EQ(z.FileCommentAt(1), "entry remark");
  EXPECT_EQ(z.ZipComment(), std::string(65535, 'z'));
  EXPECT_EQ(z.ArchiveStream(), nullptr);
  for (int bad : {-1, 3, 1000}) {
    EXPECT_EQ(MessageOf<EListError>([&] { z.FileNameAt(bad); }), "Index " + std::to_string(bad) + " is out of range");
    EXPECT_EQ(MessageOf<EListError>([&] { z.FileCommentAt(bad); }),
              "Index " + std::to_string(bad) + " is out of range");
  }
}

TEST_F(UnZipperDirectory, SortedViewFollowsSortMode) {
  TUnZipper z;
  z.SortMode = ByName;
  z.SetZipName(Write("a.zip", BuildZip(ThreeEntries()).bytes));
  z.ReadZipDirectory();
  EXPECT_EQ(Names(z), (std::vector<std::string>{"b.txt", "sub\\", "sub\\a.txt"}));
  z.SortMode = ByCompressedSize;
  z.SetZipName(Write("b.zip", BuildZip(ThreeEntries()).bytes));
  z.ReadZipDirectory();
  EXPECT_EQ(Names(z), (std::vector<std::string>{"sub\\a.txt", "b.txt", "sub\\"}));
}

TEST_F(UnZipperDirectory, EmptyFileIsAnArchiveWithoutEntries) {
  TUnZipper z;
  z.SetZipName(Write("empty.zip", ""));
  z.ReadZipDirectory();
  EXPECT_EQ(z.Count(), 0);
  EXPECT_EQ(z.ZipName(), tmp / "empty.zip") << "no error, nothing released";
}

TEST_F(UnZipperDirectory, MissingEndRecordFollowsIncompleteZipMode) {
  const std::string not_zip = Write("text.zip", std::string(5000, 'x'));
  const std::string tiny = Write("tiny.zip", "PK\x05\x06");
  for (const std::string& path : {not_zip, tiny}) {
    // Default mode, no handler: quietly no directory.
    TUnZipper quiet;
    quiet.SetZipName(path);
    quiet.ReadZipDirectory();
    EXPECT_EQ(quiet.Count(), 0);
    EXPECT_EQ(quiet.ZipName(), path);
    // OpenArchive by itself passes the error on.
    EXPECT_EQ(MessageOf<EIncompleteZip>([&] { quiet.OpenArchive(); }), "Incomplete Zip File");

    TUnZipper strict;
    strict.IncompleteZipMode = izAssumeNotAZip;
    strict.SetZipName(path);
    EXPECT_EQ(MessageOf<ENotAZipFile>([&] { strict.ReadZipDirectory(); }), "Not a valid zip file!");
    EXPECT_EQ(strict.ZipName(), "") << "released";

    TUnZipper bad;
    bad.IncompleteZipMode = izAssumeBad;
    bad.SetZipName(path);
    EXPECT_EQ(MessageOf<EBadZipFile>([&] { bad.ReadZipDirectory(); }), "Not a valid zip file!");
    EXPECT_EQ(bad.ZipName(), "");
    EXPECT_EQ(bad.Count(), 0);
  }
}

TEST_F(UnZipperDirectory, IncompleteHandlerIsAskedAgainUntilItDecides) {
  auto built = BuildZip(ThreeEntries());
  const std::string path = Write("parts.zip", built.bytes.substr(0, built.central_offset));
  TUnZipper z;
  int calls = 0;
  platform::SetCursorShape(platform::CursorShape::Default);
  z.OnInCompleteZip = [&](TUnZipper*, TIncompleteZipMode& mode) {
    EXPECT_EQ(mode, izAssumeMulti);
    EXPECT_EQ(platform::CurrentCursor(), platform::CursorShape::Hourglass) << "while the directory is read";
    // The second time the "user" gives up waiting for the last part.
    if (++calls == 2) mode = izAssumeBad;
  };
  z.SetZipName(path);
  z.ReadZipDirectory();
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(z.RecoveredFromLocalHeaders());
  EXPECT_EQ(z.Count(), 3);
  EXPECT_EQ(platform::CurrentCursor(), platform::CursorShape::Default) << "restored";

  TUnZipper giving_up;
  giving_up.OnInCompleteZip = [](TUnZipper*, TIncompleteZipMode& mode) { mode = izAssumeNotAZip; };
  giving_up.SetZipName(Write("other.zip", "no zip"));
  EXPECT_EQ(MessageOf<ENotAZipFile>([&] { giving_up.ReadZipDirectory(); }), "Not a valid zip file!");
}

TEST_F(UnZipperDirectory, RecoveryRebuildsTheDirectoryFromLocalHeaders) {
  ZipPlan plan = ThreeEntries();
  plan.entries[0].flags = 0;
  auto built = BuildZip(plan);
  // Without a central directory: names and sizes come from the local headers.
  TUnZipper z;
  z.IncompleteZipMode = izAssumeBad;
  z.SetZipName(Write("cut.zip", built.bytes.substr(0, built.central_offset + 10)));
  z.ReadZipDirectory();
  EXPECT_TRUE(z.RecoveredFromLocalHeaders());
  EXPECT_EQ(Names(z), (std::vector<std::string>{"b.txt", "sub\\a.txt", "sub\\"}));
  EXPECT_EQ(z.EntryAt(1).CompressedSize, 8);
  EXPECT_EQ(z.EntryAt(1).LocalHeaderOffset, built.local_offsets[1]);

  // Junk before the first header, and a header-like run that claims version 10.0.
  std::string fake = "PK\x03\x04";
  fake += '\x00';
  fake += '\x0A';
  TUnZipper junk;
  junk.IncompleteZipMode = izAssumeBad;
  junk.SetZipName(Write("junk.zip", "PPK\x03" + fake + "xx" + built.bytes.substr(0, built.central_offset)));
  junk.ReadZipDirectory();
  EXPECT_EQ(Names(junk), (std::vector<std::string>{"b.txt", "sub\\a.txt", "sub\\"}));
  EXPECT_EQ(junk.EntryAt(0).LocalHeaderOffset, 12u);
}

TEST_F(UnZipperDirectory, RecoveryInAnExeStartsAt14000) {
  ZipPlan early;
  early.entries.push_back({.name = "early.txt", .data = "e"});
  std::string stub = BuildZip(early).bytes.substr(0, BuildZip(early).central_offset);
  stub.resize(14000, '\0');
  ZipPlan late;
  late.entries.push_back({.name = "late.txt", .data = "l"});
  std::string body = BuildZip(late).bytes;
  body.resize(BuildZip(late).central_offset);
  for (const char* name : {"setup.EXE", "setup.exe", "setup.zip"}) {
    TUnZipper z;
    z.IncompleteZipMode = izAssumeBad;
    z.SetZipName(Write(name, stub + body));
    z.ReadZipDirectory();
    std::vector<std::string> want = std::string(name) == "setup.zip"
                                        ? std::vector<std::string>{"early.txt"}
                                        : std::vector<std::string>{"late.txt"};
    EXPECT_EQ(Names(z), want) << name;
  }
}

TEST_F(UnZipperDirectory, RecoveryLetsMessagesRunAndHonoursCancel) {
  TUnZipper z;
  z.IncompleteZipMode = izAssumeBad;
  z.SetZipName(Write("big.zip", std::string(50000, 'x')));
  int pumps = 0;
  platform::SetMessagePumpHook([&] {
    if (++pumps == 2) z.Cancel();
  });
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { z.ReadZipDirectory(); }), "User Aborted Operation");
  platform::SetMessagePumpHook(nullptr);
  EXPECT_EQ(pumps, 2) << "once per 10240 bytes searched";
  EXPECT_EQ(z.ZipName(), "") << "released after the error";

  TUnZipper quiet;
  quiet.IncompleteZipMode = izAssumeBad;
  quiet.DoProcessMessages = false;
  quiet.SetZipName(Write("big2.zip", std::string(50000, 'x')));
  pumps = 0;
  platform::SetMessagePumpHook([&] { ++pumps; });
  EXPECT_THROW(quiet.ReadZipDirectory(), EBadZipFile);
  platform::SetMessagePumpHook(nullptr);
  EXPECT_EQ(pumps, 0);
}

TEST_F(UnZipperDirectory, DuplicateOffsetsTriggerRecovery) {
  ZipPlan plan = ThreeEntries();
  plan.entries[2].central_offset_override = 0;  // "sub/" claims b.txt's header
  plan.entries[0].comment = "kept comment";
  auto built = BuildZip(plan);
  TUnZipper z;
  z.SetZipName(Write("dup.zip", built.bytes));
  z.ReadZipDirectory();
  EXPECT_TRUE(z.RecoveredFromLocalHeaders());
  // Scanned: three local headers. Central records are matched by offset:
  // "sub/" (claiming offset 0) lands on b.txt's scanned entry last, so that
  // entry carries its fields but keeps its own header offset.
  ASSERT_EQ(z.Count(), 3);
  EXPECT_EQ(z.EntryAt(0).FullName(), "sub\\");
  EXPECT_EQ(z.EntryAt(1).FullName(), "sub\\a.txt");
  EXPECT_EQ(z.EntryAt(2).FullName(), "sub\\") << "from its local header";
  EXPECT_EQ(z.EntryAt(0).LocalHeaderOffset, 0u);
  EXPECT_EQ(z.EntryAt(1).CentralRecordOffset, built.central_offset + 46 + 5 + 12);
}

TEST_F(UnZipperDirectory, UnreadableCentralDirectoryFallsBackToTheScan) {
  ZipPlan plan = ThreeEntries();
  auto built = BuildZip(plan);
  std::string bytes = built.bytes;
  bytes[built.central_offset + 46 + 5 + 46 + 9] = 'X';  // break the third record's signature
  bytes[bytes.size() - 22 + 16] = static_cast<char>(bytes[bytes.size() - 22 + 16]);
  testing::PutU32(bytes, built.central_offset + 46 + 5 + 46 + 9 + 8 + 0, 0x12345678);
  TUnZipper z;
  z.SetZipName(Write("broken.zip", bytes));
  z.ReadZipDirectory();
  EXPECT_TRUE(z.RecoveredFromLocalHeaders());
  EXPECT_EQ(Names(z), (std::vector<std::string>{"b.txt", "sub\\a.txt", "sub\\"}));

  // Central directory offset pointing into nowhere, no headers to scan.
  ZipPlan empty_dir;
  empty_dir.entries.push_back({.name = "x", .data = ""});
  empty_dir.central_offset_override = 5000;
  std::string lone = BuildZip(empty_dir).bytes;
  lone = lone.substr(BuildZip(empty_dir).central_offset);  // no local headers at all
  TUnZipper bad;
  bad.SetZipName(Write("lone.zip", lone));
  EXPECT_EQ(MessageOf<EBadZipFile>([&] { bad.ReadZipDirectory(); }), "Not a valid zip file!");
  EXPECT_EQ(bad.ZipName(), "");
}

TEST_F(UnZipperDirectory, ExtraLengthThatIsNotThereIsDroppedOnce) {
  ZipPlan plan = ThreeEntries();
  plan.entries[0].central_extra_length_override = 6;  // claims 6 bytes that are not there
  auto built = BuildZip(plan);
  TUnZipper z;
  z.SetZipName(Write("extra.zip", built.bytes));
  z.ReadZipDirectory();
  EXPECT_FALSE(z.RecoveredFromLocalHeaders());
  EXPECT_EQ(Names(z), (std::vector<std::string>{"b.txt", "sub\\a.txt", "sub\\"}));
  EXPECT_EQ(z.EntryAt(0).CentralExtraLength, 0);
}

TEST_F(UnZipperDirectory, EndRecordSanityChecks) {
  auto with = [&](const char* name, auto edit) {
    ZipPlan plan = ThreeEntries();
    edit(plan);
    TUnZipper z;
    z.IncompleteZipMode = izAssumeNotAZip;
    z.SetZipName(Write(name, BuildZip(plan).bytes));
    return MessageOf<ENotAZipFile>([&] { z.ReadZipDirectory(); });
  };
  EXPECT_EQ(with("d1.zip", [](ZipPlan& s) { s.this_disk_override = 1000; }), "Not a valid zip file!");
  EXPECT_EQ(with("d2.zip", [](ZipPlan& s) { s.this_disk_override = 2, s.start_disk_override = 1000; }),
            "Not a valid zip file!");
  EXPECT_EQ(with("d3.zip", [](ZipPlan& s) { s.this_disk_override = 1, s.start_disk_override = 2; }),
            "Not a valid zip file!");
  EXPECT_EQ(with("d4.zip", [](ZipPlan& s) { s.central_offset_override = 0x80000000u; }), "Not a valid zip file!");
  EXPECT_EQ(with("ok.zip", [](ZipPlan&) {}), "no error");
}

TEST_F(UnZipperDirectory, DirectoryIsCachedByTheFileTime) {
  ZipPlan two;
  two.entries.push_back({.name = "1", .data = "1"});
  two.entries.push_back({.name = "2", .data = "2"});
  const std::string path = Write("cache.zip", BuildZip(two).bytes);
  const platform::LocalDateTime when{2020, 5, 6, 7, 8, 10};
  ASSERT_TRUE(platform::SetModifiedTime(path, when));
  TUnZipper z;
  z.SetZipName(path);
  z.ReadZipDirectory();
  ASSERT_EQ(z.Count(), 2);

  WriteWholeFile(path, BuildZip(ThreeEntries()).bytes);
  ASSERT_TRUE(platform::SetModifiedTime(path, when));
  z.ReadZipDirectory();
  EXPECT_EQ(z.Count(), 2) << "same file time: the held directory stays";

  ASSERT_TRUE(platform::SetModifiedTime(path, {2020, 5, 6, 7, 8, 12}));
  z.ReadZipDirectory();
  EXPECT_EQ(z.Count(), 3);
}

TEST_F(UnZipperDirectory, SameNameInOtherCaseKeepsDirectoryAndFile) {
  const std::string path = Write("Keep.zip", BuildZip(ThreeEntries()).bytes);
  TUnZipper z;
  z.KeepZipOpen = true;
  z.SetZipName(path);
  z.ReadZipDirectory();
  TBufferedFileStream* open = z.ArchiveStream();
  ASSERT_NE(open, nullptr) << "KeepZipOpen keeps the file open";
  std::string other_case = path;
  for (char& c : other_case)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  z.SetZipName(other_case);
  EXPECT_EQ(z.ZipName(), path);
  EXPECT_EQ(z.ArchiveStream(), open);
  EXPECT_EQ(z.Count(), 3);

  z.SetZipName(tmp / "other.zip");
  EXPECT_EQ(z.ArchiveStream(), nullptr);
  EXPECT_EQ(z.Count(), 0);

  z.SetZipName(path);
  z.ReadZipDirectory();
  z.ReleaseArchive();
  EXPECT_EQ(z.ArchiveStream(), nullptr);
  EXPECT_EQ(z.Count(), 0);
  EXPECT_EQ(z.ZipName(), "");
  EXPECT_EQ(z.SpanKind(), 0);
}

TEST_F(UnZipperDirectory, MissingArchiveRaisesTheOpenError) {
  TUnZipper z;
  z.SetZipName(tmp / "absent.zip");
  EXPECT_EQ(MessageOf<platform::FileOpenError>([&] { z.ReadZipDirectory(); }),
            "Cannot open file " + tmp / "absent.zip");
  EXPECT_EQ(z.ZipName(), "");
}

#ifdef _WIN32
TEST_F(UnZipperDirectory, OpenArchiveExcludesWritersButNotReaders) {
  const std::string path = Write("locked.zip", BuildZip(ThreeEntries()).bytes);
  TUnZipper z;
  z.KeepZipOpen = true;
  z.SetZipName(path);
  z.ReadZipDirectory();
  EXPECT_THROW(platform::File(path, platform::File::Mode::Create), platform::FileCreateError);
  EXPECT_NO_THROW(platform::File(path, platform::File::Mode::ReadShared));
  z.ReleaseArchive();
  EXPECT_NO_THROW(platform::File(path, platform::File::Mode::WriteShared));
}
#endif

// ---- Spanned and split sets ----

ZipPlan SpannedSpec() {
  ZipPlan plan;
  plan.entries.push_back({.name = "one.txt", .data = std::string(300, '1'), .comment = "first"});
  plan.entries.push_back({.name = "dir/two.txt", .data = std::string(500, '2')});
  plan.entries.push_back({.name = "three.txt", .data = std::string(100, '3'), .comment = "third"});
  plan.comment = "set comment";
  return plan;
}

TEST_F(UnZipperDirectory, SplitSetWithTodaysNamesOpensWithTheDefaultHandler) {
  // Volumes cut every 350 bytes: the central directory starts on the third
  // volume and straddles into the last; records straddle the cuts.
  auto volumes = BuildSpannedZip(SpannedSpec(), 350);
  ASSERT_GE(volumes.size(), 3u);
  const size_t last = volumes.size() - 1;
  for (size_t i = 0; i < last; ++i) {
    char ext[8];
    std::snprintf(ext, sizeof ext, ".z%02d", static_cast<int>(i + 1));
    Write(std::string("set") + ext, volumes[i]);
  }
  const std::string path = Write("set.zip", volumes[last]);
  TUnZipper z;
  z.SetZipName(path);
  z.ReadZipDirectory();
  EXPECT_EQ(z.SpanKind(), 2);
  EXPECT_EQ(Names(z), (std::vector<std::string>{"one.txt", "dir\\two.txt", "three.txt"}));
  EXPECT_EQ(z.EntryAt(1).DiskNumber, 0);
  EXPECT_EQ(z.EntryAt(2).DiskNumber, 2);
  EXPECT_EQ(z.EntryAt(0).Comment, "first") << "comments of spanned sets are read at once";
  EXPECT_EQ(z.EntryAt(2).Comment, "third");
  EXPECT_EQ(z.ZipComment(), "set comment");
  EXPECT_EQ(z.NumberOfDisks(), static_cast<int>(volumes.size()));
}

TEST_F(UnZipperDirectory, SplitSetWithNumberedNames) {
  auto volumes = BuildSpannedZip(SpannedSpec(), 350);
  std::string last_path;
  for (size_t i = 0; i < volumes.size(); ++i) {
    char ext[8];
    std::snprintf(ext, sizeof ext, ".%03d", static_cast<int>(i + 1));
    last_path = Write(std::string("old") + ext, volumes[i]);
  }
  TUnZipper z;
  std::vector<int> asked;
  z.OnGetNextDisk = [&](TUnZipper* sender, int n, std::string& name) {
    asked.push_back(n);
    sender->DefaultGetNextDisk(sender, n, name);
  };
  z.SetZipName(last_path);
  z.ReadZipDirectory();
  EXPECT_EQ(Names(z), (std::vector<std::string>{"one.txt", "dir\\two.txt", "three.txt"}));
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.front(), static_cast<int>(BuildSpannedZip(SpannedSpec(), 350).size()) - 1)
      << "the central directory starts on the disk before the last";
}

TEST_F(UnZipperDirectory, MissingVolumeEndsTheSwapInsteadOfAskingForever) {
  auto volumes = BuildSpannedZip(SpannedSpec(), 350);
  const std::string path = Write("gone.zip", volumes.back());  // the other volumes are missing
  TUnZipper z;
  z.SetZipName(path);
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { z.ReadZipDirectory(); }), "User canceled loading new disk.");
  EXPECT_EQ(z.ZipName(), "");

  // A handler of the program's own that names no file is asked again; an
  // empty name cancels.
  TUnZipper asking;
  int calls = 0;
  asking.OnGetNextDisk = [&](TUnZipper*, int, std::string& name) {
    name = ++calls < 3 ? tmp / "nowhere.z01" : "";
  };
  asking.SetZipName(Write("gone2.zip", volumes.back()));
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { asking.ReadZipDirectory(); }), "User canceled loading new disk.");
  EXPECT_EQ(calls, 3);
}

#ifndef _WIN32
// Removable disks: the drive type and label come from the test hooks.
TEST(UnZipperRemovableDisks, LabelMustNameTheDiskAndTheDefaultHandlerAsks) {
  TempFolder tmp;
  auto volumes = BuildSpannedZip(SpannedSpec(), 350);
  const std::string drive = "R:\\";
  platform::ForceDirectories("R:\\set");
  for (size_t i = 0; i + 1 < volumes.size(); ++i) WriteWholeFile("R:\\set\\d" + std::to_string(i + 1) + ".zip", volumes[i]);
  WriteWholeFile("R:\\set\\d" + std::to_string(volumes.size()) + ".zip", volumes.back());
  const std::string last = "R:\\set\\d" + std::to_string(volumes.size()) + ".zip";
  platform::testing::SetDriveInfo(drive, static_cast<int>(platform::DriveType::Removable), "PKBACK# 004");

  TUnZipper z;
  EXPECT_EQ(z.SpanKind(), 0);
  std::vector<std::string> labels_seen;
  int calls = 0;
  z.OnGetNextDisk = [&](TUnZipper* sender, int n, std::string& name) {
    ++calls;
    labels_seen.push_back(platform::VolumeLabel(drive));
    EXPECT_EQ(sender->SpanKind(), 1);
    // "Insert" the disk: the label names it only from the second request on.
    if (calls > 1) platform::testing::SetDriveInfo(drive, static_cast<int>(platform::DriveType::Removable),
                                                   "PKBACK# 00" + std::to_string(n));
    name = "R:\\set\\d" + std::to_string(n) + ".zip";
  };
  z.SetZipName(last);
  z.ReadZipDirectory();
  EXPECT_EQ(Names(z), (std::vector<std::string>{"one.txt", "dir\\two.txt", "three.txt"}));
  EXPECT_EQ(labels_seen.front(), "PKBACK# 004");
  EXPECT_GE(calls, 2) << "a wrong label asks again";

  // The default handler asks the user; Cancel ends the swap.
  platform::testing::SetDriveInfo(drive, static_cast<int>(platform::DriveType::Removable), "PKBACK# 004");
  TUnZipper asked;
  ScriptedBoxes boxes(platform::kIdCancel);
  asked.SetZipName(last);
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { asked.ReadZipDirectory(); }), "User canceled loading new disk.");
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Please insert disk " + std::to_string(volumes.size() - 1) + " of the multi-disk set.");
  EXPECT_EQ(boxes.titles[0], "");
  platform::testing::SetDriveInfo(drive, static_cast<int>(platform::DriveType::Fixed), "");
}
#endif

TEST_F(UnZipperDirectory, CentralDirectoryInAZfcFile) {
  ZipPlan plan = ThreeEntries();
  plan.comment = "zfc comment";
  auto built = BuildZip(plan);
  // The archive itself ends before its directory; NAME.zfc holds the
  // directory and the end record, with offsets counted from its start.
  Write("with.zip", built.bytes.substr(0, built.central_offset));
  std::string zfc = built.bytes.substr(built.central_offset);
  testing::PutU32(zfc, zfc.size() - 22 - plan.comment.size() + 16, 0);
  Write("with.zfc", zfc);
  TUnZipper z;
  z.SetZipName(tmp / "with.zip");
  z.ReadZipDirectory();
  EXPECT_EQ(Names(z), (std::vector<std::string>{"b.txt", "sub\\a.txt", "sub\\"}));
  EXPECT_EQ(z.ZipName(), tmp / "with.zip");
}

}  // namespace
}  // namespace archive
