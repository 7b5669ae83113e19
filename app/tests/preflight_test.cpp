// The checks before anything is written: the files the chosen payloads would
// write (read from the payloads' directories in place), files held open by a
// running program (Retry and Cancel), and the free space of the drives, in
// the wizard and in the unattended installation.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/payload_choice.h"
#include "app/preflight.h"
#include "app/step.h"
#include "app/testing/recording_controls.h"
#include "app/tests/payload_resources.h"
#include "app/tests/temporary_folder_override.h"
#include "app/tests/test_resources.h"
#include "app/unattended.h"
#include "app/unfinished_run.h"
#include "archive/tests/zip_builder.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/windows/wide.h"
#endif

namespace {

using app::Control;
using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;

constexpr uint64_t kUnit = app::kAllocationUnit;

// ---- Stored archives ---------------------------------------------------------

struct ZipEntry {
  std::string name;  // as stored, forward slashes
  std::string data;
};

// The entries stored, each central record with an extra field and a comment
// that the directory read must pass over; this_disk, when not 0, makes the
// archive one disk of a spanned set.
std::string StoredZip(const std::vector<ZipEntry>& entries, int64_t this_disk = 0) {
  archive::testing::ZipPlan plan;
  for (const ZipEntry& e : entries) {
    archive::testing::ZipEntryPlan entry;
    entry.name = e.name;
    entry.data = e.data;
    entry.central_extra = std::string("\x01\x99\x00\x00", 4);  // a field of its own kind, empty
    entry.comment = "abc";
    plan.entries.push_back(entry);
  }
  if (this_disk != 0) plan.this_disk_override = this_disk;
  return archive::testing::BuildZip(plan).bytes;
}

std::optional<std::vector<app::TargetFile>> Targets(const std::string& zip, const std::string& folder) {
  return app::ArchiveTargets(reinterpret_cast<const uint8_t*>(zip.data()), zip.size(), folder, true);
}

TEST(ArchiveTargets, EveryFileEntryWithItsTargetAndSize) {
  const std::string zip = StoredZip({{"a.txt", "hello"},
                                     {"sub/", ""},  // a folder entry writes no file
                                     {"sub/deeper/b.dat", std::string(1000, 'b')},
                                     {"../outside.txt", "x"},  // never written outside the folder
                                     {"sub/CON.txt", "x"},     // a device name
                                     {"empty.txt", ""}});
  const auto targets = Targets(zip, "C:\\安装\\LumoSc\\");
  ASSERT_TRUE(targets);
  std::vector<std::pair<std::string, uint64_t>> got;
  for (const auto& t : *targets) got.emplace_back(t.path, t.size);
  EXPECT_EQ(got, (std::vector<std::pair<std::string, uint64_t>>{{"C:\\安装\\LumoSc\\a.txt", 5},
                                                                 {"C:\\安装\\LumoSc\\sub\\deeper\\b.dat", 1000},
                                                                 {"C:\\安装\\LumoSc\\empty.txt", 0}}));
}

TEST(ArchiveTargets, UnreadableDirectoriesGiveNothingAndNeverCrash) {
  const std::string good = StoredZip({{"a.txt", "hello"}, {"b.txt", "world"}});
  std::string beyond = good;  // the end record's directory offset past the end
  beyond[beyond.size() - 6] = '\x7F';
  std::string too_many = good;  // the end record counts a third record
  too_many[too_many.size() - 12] = 3, too_many[too_many.size() - 14] = 3;
  const struct {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"empty", ""},
      {"no archive", std::string(5000, 'z')},
      {"cut in half", good.substr(0, good.size() / 2)},
      {"end record only cut", good.substr(0, good.size() - 5)},
      {"directory offset beyond", beyond},
      {"more records counted than there are", too_many},
      {"one disk of a spanned set", StoredZip({{"a.txt", "hello"}}, 1)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(Targets(row.bytes, "C:\\x\\"));
  }
  ASSERT_TRUE(Targets(good, "C:\\x\\"));
  EXPECT_EQ(Targets(good, "C:\\x\\")->size(), 2u);
}

// ---- The plan on the installer's own payloads -------------------------------

void Files(const std::string& folder, std::map<std::string, uint64_t>& out) {
  for (const auto& e : platform::ListDirectory(folder)) {
    if (e.attributes & platform::kAttrDirectory)
      Files(folder + e.name + "\\", out);
    else
      out[folder + e.name] = e.size;
  }
}

struct Box {
  std::string title, text;
  unsigned style;
};

class Preflight : public ::testing::Test {
 protected:
  void SetUp() override {
    app::JournalRecord::Remove();  // none left by another test program
#ifdef _WIN32
    ASSERT_EQ(GetACP(), 936u) << "the boxes' texts and the paths are GBK";
#endif
    dz::testing::RegisterTestResources();
    dz::testing::RegisterPayloadResources();
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned style) {
      boxes.push_back({title, text, style});
      if (on_box) on_box(boxes.back());
      if (answers.empty()) return static_cast<int>(platform::kIdCancel);
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    });
    step.SetControls(&controls);
    step.FormCreate();
    folder = root.path() + "安装";
  }
  void TearDown() override {
    // These tests run extractions without their commit: what such a run
    // keeps under the machine's key would be the next test's unfinished run.
    app::JournalRecord::Remove();
    platform::SetMessageBoxResponder(nullptr);
    for (const char* drive : {"C:\\", "D:\\"}) platform::testing::SetFreeDiskSpace(drive, std::nullopt);
    ReleaseAll();
    step.FormDestroy();
    dz::testing::RegisterPayloadResources();  // undamaged, for the next test
  }

  // Chooses on the selection page as the user does.
  void Choose(const std::string& edition, const std::vector<Control>& ticked) {
    controls.SelectEditionKey(edition);
    step.eInsSysTypeChange();
    controls.SetText(Control::EInstallFolder, folder);
    for (Control c : ticked) controls.SetChecked(c, true);
  }
  app::InstallPlan Plan() const {
    return app::PlanInstallation(step.ManifestPath, step.CaptureRequest().systems, folder, true);
  }
  // A running program holds the file open: under Windows a handle that
  // shares nothing, natively the platform's mark.
  void Hold(const std::string& path) {
    held.push_back(path);
#ifdef _WIN32
    HANDLE handle = CreateFileW(platform::windows::Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << path;
    handles.push_back(handle);
#else
    platform::testing::SetFileHeldOpen(path, true);
#endif
  }
  void ReleaseAll() {
#ifdef _WIN32
    for (HANDLE handle : handles) CloseHandle(handle);
    handles.clear();
#else
    for (const std::string& path : held) platform::testing::SetFileHeldOpen(path, false);
#endif
  }
  // The payload copies' folder inside the wizard's private scratch folder.
  std::string Scratch() { return step.ScratchFolder() + "_wtsInstall\\"; }
  std::map<std::string, uint64_t> FilesBelow(const std::string& f) const {
    std::map<std::string, uint64_t> files;
    Files(f, files);
    return files;
  }

  TempFolder temp, root;
  dz::testing::TemporaryFolderOverride temp_override{temp.path()};
  app::testing::RecordingControls controls;
  app::TfStep step;
  std::string folder;
  std::vector<Box> boxes;
  std::deque<int> answers;
  std::function<void(const Box&)> on_box;
  std::vector<std::string> held;
#ifdef _WIN32
  std::vector<HANDLE> handles;
#endif
};

TEST_F(Preflight, PlanNamesExactlyTheFilesTheRunWrites) {
  const struct {
    const char* edition;
    std::vector<Control> ticked;
  } rows[] = {
      {"CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds}},
      {"SySaaS", {Control::CkIns_Pos, Control::CkIns_Kds}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.edition);
    TempFolder install_root;
    folder = install_root.path() + "安装";
    Choose(row.edition, row.ticked);
    const app::InstallPlan plan = Plan();
    EXPECT_TRUE(plan.unread.empty());
    uint64_t copies = 0;
    for (int n = 0; n < 6; ++n) {
      std::string name = "C";
      name += std::to_string(n);
      copies += platform::FindModuleResource(name, name)->size;
    }
    EXPECT_GE(plan.payload_bytes, copies);
    EXPECT_LT(plan.payload_bytes, copies + 6 * kUnit);

    step.ExtractPayloads(step.CaptureRequest());
    ASSERT_TRUE(boxes.empty()) << boxes.front().text;
    std::map<std::string, uint64_t> written = FilesBelow(folder + "\\");
    ASSERT_EQ(written.erase(folder + "\\Install.in"), 1u);
    std::map<std::string, uint64_t> planned;
    for (const auto& t : plan.targets) planned[t.path] = t.size;
    EXPECT_EQ(planned, written);
    EXPECT_EQ(plan.targets.size(), step.UninstallList.size() - 2);  // as many as the run's entry lines
  }
}

// Natively only: the test replaces a module resource.
#ifndef _WIN32
TEST_F(Preflight, APayloadThatCannotBeReadIsLeftToTheRun) {
  const std::string cut = dz::testing::PackedFile("C1");
  platform::testing::AddModuleResource("C1", "C1", std::vector<uint8_t>(cut.begin(), cut.begin() + cut.size() / 2));
  Choose("CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos});
  const app::InstallPlan plan = Plan();
  EXPECT_EQ(plan.unread, std::vector<std::string>{"C1"});
  size_t back_office = 0, cashier = 0;
  for (const auto& t : plan.targets) {
    back_office += t.path.rfind(folder + "\\LumoSc\\", 0) == 0;
    cashier += t.path.rfind(folder + "\\LumoPos\\", 0) == 0;
  }
  EXPECT_EQ(back_office, 200u);
  EXPECT_EQ(cashier, 0u);
  EXPECT_TRUE(step.CheckBeforeWriting(step.CaptureRequest()));
}
#endif

// ---- Files in use -----------------------------------------------------------

// The first n files the plan names, written as an earlier installation left
// them; returns their paths.
std::vector<std::string> EarlierFiles(const app::InstallPlan& plan, size_t n) {
  std::vector<std::string> paths;
  for (const auto& t : plan.targets) {
    if (paths.size() == n) break;
    platform::ForceDirectories(t.path.substr(0, t.path.rfind('\\')));
    WriteWholeFile(t.path, "earlier");
    paths.push_back(t.path);
  }
  return paths;
}

TEST_F(Preflight, HeldFilesAreListedAndCancelChangesNothing) {
  Choose("CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos});
  const std::vector<std::string> earlier = EarlierFiles(Plan(), 9);
  for (size_t i = 0; i < 7; ++i) Hold(earlier[i]);
  const std::map<std::string, uint64_t> before = FilesBelow(root.path());

  answers = {platform::kIdOk, platform::kIdOk, platform::kIdCancel};  // folder exists, confirmation, Cancel
  step.BtnInstallClick();

  ASSERT_EQ(boxes.size(), 3u);
  std::string expected = "以下 7 个文件正在被其他程序使用,无法替换:";
  for (size_t i = 0; i < 5; ++i) expected += "\n" + earlier[i];
  expected += "\n……(另有 2 个文件)\n\n请退出正在运行的程序后按“重试”,或按“取消”返回。";
  EXPECT_EQ(boxes[2].title, "警告");
  EXPECT_EQ(boxes[2].text, expected);
  EXPECT_EQ(boxes[2].style, platform::kMbRetryCancel | platform::kMbIconWarning);
  EXPECT_EQ(step.LastWriteCheck(), app::WriteCheck::FilesInUse);
  // Still the selection page, still usable; nothing on disk changed.
  EXPECT_TRUE(controls.pages_shown.empty() || controls.pages_shown.back() == 0);
  EXPECT_TRUE(controls.Calls("SetEnabled").empty());
  EXPECT_FALSE(step.Running);
  EXPECT_EQ(FilesBelow(root.path()), before);
  ReleaseAll();  // so the files can be read
  for (const std::string& path : earlier) EXPECT_EQ(ReadWholeFile(path), "earlier");
  EXPECT_FALSE(platform::DirectoryExists(Scratch()));
  EXPECT_TRUE(step.UninstallList.empty());
}

TEST_F(Preflight, RetryChecksAgainUntilTheFilesAreFree) {
  Choose("CySaaS", {Control::CkIns_Sc});
  const std::vector<std::string> earlier = EarlierFiles(Plan(), 2);
  Hold(earlier[1]);
  // The first Retry comes while the file is still held; the program is
  // closed before the second.
  answers = {platform::kIdRetry, platform::kIdRetry};
  on_box = [&](const Box&) {
    if (boxes.size() == 2) ReleaseAll();
  };
  EXPECT_TRUE(step.CheckBeforeWriting(step.CaptureRequest()));

  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "以下 1 个文件正在被其他程序使用,无法替换:\n" + earlier[1] +
                               "\n\n请退出正在运行的程序后按“重试”,或按“取消”返回。");
  EXPECT_EQ(boxes[1].text, boxes[0].text);
  EXPECT_EQ(step.LastWriteCheck(), app::WriteCheck::Passed);
  EXPECT_EQ(ReadWholeFile(earlier[1]), "earlier");  // the check itself writes nothing
}

TEST_F(Preflight, KeptDatabasesAreNotCheckedForBeingHeld) {
  // The shop's cashier program holds its database open: a re-installation
  // leaves that file alone, so it stops nothing.
  Choose("CySaaS", {Control::CkIns_Pos});
  const std::string database = folder + "\\LumoPos\\LumoPosBaseData.db";
  platform::ForceDirectories(folder + "\\LumoPos");
  WriteWholeFile(database, "the shop's data");
  Hold(database);
  EXPECT_TRUE(step.CheckBeforeWriting(step.CaptureRequest()));
  EXPECT_TRUE(boxes.empty());
}

// ---- Disk space -------------------------------------------------------------

// Natively the drives' free space is set by the test; under Wine
// DIzavozi.exe meets a drive letter mapped to a small file system
// (disk_full_drive_test.sh).
#ifndef _WIN32
TEST_F(Preflight, ShortageOnEachDriveAndOnOneSharedDrive) {
  // Existing files: one that a new file replaces, one of the kept databases.
  const std::string c_folder = root.path() + "c\\", d_folder = "D:\\dz-preflight\\";
  dz::testing::RemoveTree(d_folder);
  platform::ForceDirectories(d_folder);
  WriteWholeFile(d_folder + "old.dll", std::string(3 * kUnit, 'o'));
  WriteWholeFile(d_folder + "WmCacheData.db", std::string(9 * kUnit, 'w'));
  app::InstallPlan plan;
  plan.payload_bytes = 10 * kUnit;
  plan.targets = {{d_folder + "new.exe", 5 * kUnit + 1},  // 6 units
                  {d_folder + "old.dll", 1 * kUnit},      // 1 unit; the old file stays until the commit
                  {d_folder + "WmCacheData.db", 50 * kUnit}};
  // Install.in (1 unit) and install.dl (2 units: a short list and its reserve).
  const uint64_t manifest = 100, extras = 3 * kUnit;
  const uint64_t install_need = 6 * kUnit + 1 * kUnit + extras;  // 10 units
  const uint64_t scratch_need = 10 * kUnit;
  ASSERT_EQ(install_need, 10 * kUnit);

  using Shortages = std::vector<std::pair<std::string, std::pair<uint64_t, uint64_t>>>;
  const struct {
    const char* name;
    std::string scratch;
    uint64_t c_free, d_free;
    Shortages expected;
  } rows[] = {
      {"both fit", c_folder, scratch_need, install_need, {}},
      {"scratch drive short", c_folder, scratch_need - 1, 1u << 30, {{"C:\\", {scratch_need, scratch_need - 1}}}},
      {"installation drive short", c_folder, 1u << 30, install_need - 1, {{"D:\\", {install_need, install_need - 1}}}},
      {"both short", c_folder, 0, 0, {{"C:\\", {scratch_need, 0}}, {"D:\\", {install_need, 0}}}},
      // On one drive each alone would fit, both together do not.
      {"one shared drive", d_folder + "temp\\", 0, scratch_need + install_need - 1,
       {{"D:\\", {scratch_need + install_need, scratch_need + install_need - 1}}}},
      {"one shared drive, room for both", d_folder + "temp\\", 0, scratch_need + install_need, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    platform::testing::SetFreeDiskSpace("C:\\", row.c_free);
    platform::testing::SetFreeDiskSpace("d:\\", row.d_free);
    Shortages got;
    for (const auto& s : app::SpaceShortages(plan, row.scratch, d_folder + "安装", manifest))
      got.push_back({s.root, {s.needed, s.available}});
    EXPECT_EQ(got, row.expected);
  }
  // A replaced file, however large, frees nothing before the commit.
  WriteWholeFile(d_folder + "old.dll", std::string(100 * kUnit, 'o'));
  platform::testing::SetFreeDiskSpace("C:\\", scratch_need);
  platform::testing::SetFreeDiskSpace("D:\\", install_need - 1);
  const auto shortages = app::SpaceShortages(plan, c_folder, d_folder + "安装", manifest);
  ASSERT_EQ(shortages.size(), 1u);
  EXPECT_EQ(shortages[0].needed, install_need);
  dz::testing::RemoveTree(d_folder);
}
#endif

TEST(DiskShortageText, SaysHowMuchIsNeededAndWhere) {
  const std::vector<app::DriveShortage> shortages = {
      {"C:\\", 129394278, 10695476},  // just under 123.4 MB, just over 10.2 MB
      {"D:\\", 1, 104857},            // needs are rounded up, what is free down
  };
  EXPECT_EQ(app::DiskShortageText(shortages),
            "磁盘空间不足: C:\\ 需要 123.4 MB, 可用 10.2 MB\n"
            "磁盘空间不足: D:\\ 需要 0.1 MB, 可用 0.0 MB\n\n"
            "请释放磁盘空间或选择其他安装文件夹后再安装。");
}

TEST(DriveRootOf, DriveLetterOrShare) {
  const std::pair<std::string, std::string> rows[] = {
      {"c:\\Program Files\\x", "C:\\"}, {"D:", "D:\\"},        {"\\\\server\\share\\dir", "\\\\server\\share\\"},
      {"\\\\server\\share", "\\\\server\\share\\"},            {"relative\\x", ""}, {"\\\\server", ""},
  };
  for (const auto& [path, root] : rows) EXPECT_EQ(app::DriveRootOf(path), root) << path;
}

#ifndef _WIN32
TEST_F(Preflight, ShortInstallationDriveStaysOnTheSelectionWithNothingCreated) {
  folder = "D:\\dz-preflight-new\\安装";
  dz::testing::RemoveTree("D:\\dz-preflight-new\\");
  Choose("CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds});
  platform::testing::SetFreeDiskSpace("D:\\", 1024 * 1024);
  answers = {platform::kIdOk};  // the confirmation
  step.BtnInstallClick();

  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].title, "警告");
  EXPECT_EQ(boxes[1].style, platform::kMbOk | platform::kMbIconWarning);
  EXPECT_EQ(boxes[1].text.rfind("磁盘空间不足: D:\\ 需要 ", 0), 0u) << boxes[1].text;
  EXPECT_NE(boxes[1].text.find(", 可用 1.0 MB\n\n"), std::string::npos) << boxes[1].text;
  EXPECT_EQ(step.LastWriteCheck(), app::WriteCheck::DiskFull);
  EXPECT_TRUE(controls.pages_shown.empty() || controls.pages_shown.back() == 0);
  EXPECT_FALSE(platform::DirectoryExists("D:\\dz-preflight-new"));
  EXPECT_FALSE(platform::DirectoryExists(Scratch()));
}
#endif

// ---- Unattended: a log line and an exit code --------------------------------

// Under Wine the unattended installation is tested on DIzavozi.exe itself
// (preflight_installer_windows_test.cpp).
#ifndef _WIN32
TEST_F(Preflight, UnattendedEndsWithItsExitCodeAndALogLine) {
  const std::string log_file = root.path() + "install.log";
  auto run = [&](const std::string& systems) {
    app::CommandLine line =
        app::ParseCommandLine({"/S", "/EDITION=CySaaS", "/DIR=" + folder, "/SYSTEMS=" + systems, "/LOG=" + log_file});
    app::InstallLog log(line.log_file);
    return app::RunUnattended(line, log);
  };
  // The unattended run answers its boxes itself; none reaches this responder.
  {
    SCOPED_TRACE("files in use");
    Choose("CySaaS", {Control::CkIns_Kds});
    const std::vector<std::string> earlier = EarlierFiles(Plan(), 1);
    Hold(earlier[0]);
    EXPECT_EQ(run("Kds"), app::kExitFilesInUse);
    const std::string log = ReadWholeFile(log_file);
    EXPECT_NE(log.find("[警告] 以下 1 个文件正在被其他程序使用,无法替换: / " + earlier[0] + " / "), std::string::npos)
        << log;
    EXPECT_NE(log.find("退出代码 5"), std::string::npos);
    EXPECT_EQ(FilesBelow(folder + "\\").size(), 1u);
    EXPECT_EQ(ReadWholeFile(earlier[0]), "earlier");
    ReleaseAll();
    dz::testing::RemoveTree(folder + "\\");
  }
  {
    SCOPED_TRACE("disk full");
    platform::testing::SetFreeDiskSpace("C:\\", 64 * 1024);
    EXPECT_EQ(run("Sc,Pos"), app::kExitDiskFull);
    const std::string log = ReadWholeFile(log_file);
    EXPECT_NE(log.find("[警告] 磁盘空间不足: C:\\ 需要 "), std::string::npos) << log;
    EXPECT_NE(log.find("退出代码 6"), std::string::npos);
    EXPECT_FALSE(platform::DirectoryExists(folder));
    EXPECT_FALSE(platform::DirectoryExists(Scratch()));
  }
  EXPECT_TRUE(boxes.empty());
}
#endif

}  // namespace
