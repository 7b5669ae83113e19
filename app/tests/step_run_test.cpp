// The installation run on the installer's own payloads (the demo product as
// the build packs it): which payloads each edition and choice of systems
// takes, the uninstall list and its flags, re-installing over an
// installation, failures inside and outside the extraction loop, Install.in,
// the scratch folder and the bars.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "app/payload.h"
#include "app/file_list_text.h"
#include "app/progress_stream.h"
#include "app/unfinished_run.h"
#include "app/step.h"
#include "app/testing/recording_controls.h"
#include "app/tests/payload_resources.h"
#include "app/tests/temporary_folder_override.h"
#include "app/tests/test_resources.h"
#include "app/toolkit.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/resources.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using app::Control;
using dz::testing::CountFiles;
using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;

// Entries of the demo product's payloads.
const std::map<std::string, int> kEntries = {{"LumoSc", 200}, {"LumoPos", 120}, {"WmSvr", 60},
                                             {"SaasKds", 35}, {"LumoPosSy", 67}, {"UnInstall", 1}};
constexpr int kTotalEntries = 483;
const char kProgramRunning[] = "所要安装的程序正在运行中,请退出后再安装！";

// Every file below a folder, relative names.
void Files(const std::string& folder, const std::string& prefix, std::set<std::string>& out) {
  for (const auto& e : platform::ListDirectory(folder)) {
    if (e.attributes & platform::kAttrDirectory)
      Files(folder + e.name + "\\", prefix + e.name + "\\", out);
    else
      out.insert(prefix + e.name);
  }
}

class StepRun : public ::testing::Test {
 protected:
  void SetUp() override {
    app::JournalRecord::Remove();  // none left by another test program
#ifdef _WIN32
    ASSERT_EQ(GetACP(), 936u) << "the run's texts are GBK";
#endif
    dz::testing::RegisterTestResources();
    dz::testing::RegisterPayloadResources();
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned) {
      boxes.push_back(title + "|" + text);
      return platform::kIdOk;
    });
    step.SetControls(&controls);
    step.FormCreate();
    folder = root.path() + "Orvane云专家美食版V3";
    controls.SetText(Control::EInstallFolder, folder);
  }
  void TearDown() override {
    // These tests run extractions without their commit: what such a run
    // keeps under the machine's key would be the next test's unfinished run.
    app::JournalRecord::Remove();
    platform::SetMessageBoxResponder(nullptr);
    step.FormDestroy();
  }

  void Choose(const std::string& edition, std::vector<Control> ticked) {
    step.EditionKey = edition;
    for (Control c : {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds})
      controls.SetChecked(c, false);
    for (Control c : ticked) controls.SetChecked(c, true);
  }
  std::string In(const std::string& relative) const { return folder + "\\" + relative; }
  // The payload copies' folder inside the wizard's private scratch folder.
  std::string Scratch() { return step.ScratchFolder() + "_wtsInstall\\"; }
  // The numbers of the list lines run 0, 1, 2, ... without gaps.
  void ExpectNumberedWithoutGaps() const {
    for (size_t i = 0; i < step.UninstallList.size(); ++i)
      ASSERT_EQ(step.UninstallList[i].rfind("File" + std::to_string(i) + "=", 0), 0u) << step.UninstallList[i];
    EXPECT_EQ(step.UninstallCounter, static_cast<int>(step.UninstallList.size()));
  }
  // The list line of a file, or empty.
  std::string LineOf(const std::string& path) const {
    for (const auto& line : step.UninstallList) {
      size_t at = line.find('=');
      if (line.substr(at + 1, line.size() - at - 2) == path) return line;
    }
    return "";
  }

  TempFolder temp, root;
  dz::testing::TemporaryFolderOverride temp_override{temp.path()};
  app::testing::RecordingControls controls;
  app::TfStep step;
  std::string folder;
  std::vector<std::string> boxes;
};

TEST_F(StepRun, EditionAndSystemsChooseThePayloads) {
  struct Row {
    const char* name;
    const char* edition;
    std::vector<Control> ticked;
    std::vector<std::string> taken;  // payload folders (UnInstall: the folder itself)
  };
  const Row rows[] = {
      {"catering, all four", "CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds},
       {"LumoSc", "LumoPos", "WmSvr", "SaasKds", "UnInstall"}},
      {"commercial, back office and cashier", "SySaaS",
       {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds},
       {"LumoSc", "LumoPosSy", "UnInstall"}},
      {"catering, kitchen display only", "cysaas", {Control::CkIns_Kds}, {"SaasKds", "UnInstall"}},
      {"commercial, cashier only", "SySaaS", {Control::CkIns_Pos}, {"LumoPosSy", "UnInstall"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder install_root;
    folder = install_root.path() + "安装";
    controls.SetText(Control::EInstallFolder, folder);
    controls.log.clear();
    step.Programs = {};
    Choose(row.edition, row.ticked);

    step.ExtractPayloads(step.CaptureRequest());

    EXPECT_TRUE(boxes.empty()) << boxes.front();
    int expected_entries = 0;
    for (const auto& [type, entries] : kEntries) {
      const bool taken = std::find(row.taken.begin(), row.taken.end(), type) != row.taken.end();
      if (type == "UnInstall") {
        EXPECT_TRUE(platform::FileExists(In("UnInstall.exe")));
      } else {
        EXPECT_EQ(platform::DirectoryExists(In(type)), taken) << type;
        if (taken) {
          EXPECT_EQ(CountFiles(In(type) + "\\"), entries) << type;
        }
      }
      if (taken) expected_entries += entries;
    }
    // Entry lines, then install.in and install.dl.
    ASSERT_EQ(step.UninstallList.size(), static_cast<size_t>(expected_entries + 2));
    ExpectNumberedWithoutGaps();
    EXPECT_EQ(step.UninstallList[expected_entries], "File" + std::to_string(expected_entries) + "=" + folder +
                                                        "\\install.inN");
    EXPECT_EQ(step.UninstallList.back(), "File" + std::to_string(expected_entries + 1) + "=" + folder +
                                             "\\install.dlN");
    for (int i = 0; i < expected_entries; ++i) EXPECT_EQ(step.UninstallList[i].back(), 'N');  // all new

    // Program paths only for payloads taken.
    auto program = [&](const char* type, const char* exe) {
      return std::find(row.taken.begin(), row.taken.end(), type) != row.taken.end()
                 ? folder + "\\" + type + "\\" + exe
                 : std::string();
    };
    EXPECT_EQ(step.Programs.LumoSc, program("LumoSc", "OvErp.exe"));
    EXPECT_EQ(step.Programs.LumoPos, program("LumoPos", "LumoPos.exe"));
    EXPECT_EQ(step.Programs.WmSvr, program("WmSvr", "PWMSvr.exe"));
    EXPECT_EQ(step.Programs.SaasKds, program("SaasKds", "PSaasKds.exe"));
    EXPECT_EQ(step.Programs.LumoPosSy, program("LumoPosSy", "LumoPos_Sy.exe"));
    for (const std::string* path : {&step.Programs.LumoSc, &step.Programs.LumoPosSy, &step.Programs.SaasKds})
      if (!path->empty()) {
        EXPECT_TRUE(platform::FileExists(*path)) << *path;
      }

    // ProgressBar1 counts the payloads written, then the entries started;
    // it ends short of full when payloads are passed over.
    std::vector<std::string> bar = controls.Calls("SetRange ProgressBar1");
    EXPECT_EQ(bar, (std::vector<std::string>{"SetRange ProgressBar1 0 6",
                                             "SetRange ProgressBar1 0 " + std::to_string(kTotalEntries)}));
    std::vector<std::string> positions = controls.Calls("SetPosition ProgressBar1");
    ASSERT_EQ(positions.size(), static_cast<size_t>(6 + expected_entries));
    EXPECT_EQ(positions[5], "SetPosition ProgressBar1 6");
    EXPECT_EQ(positions.back(), "SetPosition ProgressBar1 " + std::to_string(expected_entries));
    EXPECT_EQ(controls.Position(Control::ProgressBar1), expected_entries);
    EXPECT_EQ(controls.Maximum(Control::ProgressBar1), kTotalEntries);
    // The payloads are copied out and checked before the folder, which had
    // to be created, is made; the status follows the run.
    const std::vector<std::string> statuses = controls.Calls("SetText EInstallProcess");
    ASSERT_GT(statuses.size(), 6u);
    EXPECT_EQ(statuses.front(), "SetText EInstallProcess 正在抽取安装文件...");
    EXPECT_EQ(statuses[6], "SetText EInstallProcess 创建文件夹");
    EXPECT_EQ(controls.Text(Control::EInstallProcess), "正在复制安装文件...");
    EXPECT_FALSE(platform::DirectoryExists(Scratch()));
  }
}

TEST_F(StepRun, ReinstallKeepsTheDatabasesAndReplacesEverythingElse) {
  Choose("CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds});
  step.ExtractPayloads(step.CaptureRequest());
  ASSERT_TRUE(boxes.empty());
  const std::string pos_db = In("LumoPos\\LumoPosBaseData.db"), cache_db = In("WmSvr\\WmCacheData.db");
  const std::string license = In("LumoSc\\Config\\License.dat"), program = In("LumoSc\\OvErp.exe");
  const std::string license_bytes = ReadWholeFile(license), program_bytes = ReadWholeFile(program);
  ASSERT_NE(platform::ReadAttributes(license) & platform::kAttrReadOnly, 0u);

  // The shop has worked with the program: its databases changed, and files
  // of the installation were changed too, one of them read-only.
  WriteWholeFile(pos_db, "the shop's own data");
  WriteWholeFile(cache_db, std::string(40000, 'c'));
  WriteWholeFile(program, "patched");
  platform::WriteAttributes(license, 0);
  WriteWholeFile(license, "tampered");
  platform::WriteAttributes(license, platform::kAttrReadOnly);

  step.ExtractPayloads(step.CaptureRequest());

  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_EQ(ReadWholeFile(pos_db), "the shop's own data");
  EXPECT_EQ(ReadWholeFile(cache_db), std::string(40000, 'c'));
  EXPECT_EQ(ReadWholeFile(program), program_bytes);
  EXPECT_EQ(ReadWholeFile(license), license_bytes);
  EXPECT_NE(platform::ReadAttributes(license) & platform::kAttrReadOnly, 0u);

  // Existing files in a payload's sub-folder are flagged Y, kept ones
  // included; the uninstaller in the folder itself is flagged N.
  ASSERT_EQ(step.UninstallList.size(), 416u + 2);
  ExpectNumberedWithoutGaps();
  EXPECT_EQ(LineOf(pos_db).back(), 'Y');
  EXPECT_EQ(LineOf(cache_db).back(), 'Y');
  EXPECT_EQ(LineOf(program).back(), 'Y');
  EXPECT_EQ(LineOf(In("UnInstall.exe")).back(), 'N');
  EXPECT_EQ(controls.Position(Control::ProgressBar1), 416);
}

// A re-installation over an installation whose install.dl is there: the
// files that installation put there are the product's own (flag N, so an
// uninstaller removes them); a file that was there before the first
// installation stays Y, and so do the kept databases.
TEST_F(StepRun, ReinstallTellsTheProductsOwnFilesFromTheUsers) {
  Choose("CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos});
  const std::string users = In("LumoSc\\Config\\License.dat"), program = In("LumoSc\\OvErp.exe");
  const std::string pos_db = In("LumoPos\\LumoPosBaseData.db");
  ASSERT_TRUE(platform::ForceDirectories(In("LumoSc\\Config")));
  WriteWholeFile(users, "there before the first installation");
  step.ExtractPayloads(step.CaptureRequest());
  ASSERT_EQ(LineOf(users).back(), 'Y');
  ASSERT_EQ(LineOf(program).back(), 'N');
  ASSERT_EQ(LineOf(pos_db).back(), 'N');
  std::string list;
  for (const std::string& line : step.UninstallList) list += line + "\r\n";
  WriteWholeFile(In("install.dl"), list);

  step.ExtractPayloads(step.CaptureRequest());
  EXPECT_EQ(LineOf(users).back(), 'Y');
  EXPECT_EQ(LineOf(program).back(), 'N');
  EXPECT_EQ(LineOf(In("LumoPos\\LumoPos.exe")).back(), 'N');
  EXPECT_EQ(LineOf(pos_db).back(), 'Y') << "the shop's data stays the shop's";
  ExpectNumberedWithoutGaps();

  // The earlier list is read by the uninstaller's rules: any line end, "File"
  // in any case; a line without its number is not one of the product's.
  std::string relaxed, program_unnumbered;
  for (const std::string& line : step.UninstallList) {
    relaxed += "file" + line.substr(4) + "\n";
    program_unnumbered += (line == LineOf(program) ? "File=" + line.substr(line.find('=') + 1) : line) + "\r";
  }
  WriteWholeFile(In("install.dl"), relaxed);
  step.ExtractPayloads(step.CaptureRequest());
  EXPECT_EQ(LineOf(program).back(), 'N');
  EXPECT_EQ(LineOf(users).back(), 'Y');
  WriteWholeFile(In("install.dl"), program_unnumbered);
  step.ExtractPayloads(step.CaptureRequest());
  EXPECT_EQ(LineOf(program).back(), 'Y');
  EXPECT_EQ(LineOf(In("LumoPos\\LumoPos.exe")).back(), 'N');

  // Without the earlier list every existing file counts as there before.
  platform::RemoveFile(In("install.dl"));
  step.ExtractPayloads(step.CaptureRequest());
  EXPECT_EQ(LineOf(program).back(), 'Y');
}

// Natively only: the tests replace module resources.
#ifndef _WIN32
std::string Resource(const std::string& name, const std::string& type) {
  auto bytes = platform::FindModuleResource(name, type);
  return bytes ? std::string(reinterpret_cast<const char*>(bytes->data), bytes->size) : std::string();
}

// A payload that is not the one packed, or checks that are missing or do not
// fit: the run stops before the installation folder is made, and the
// scratch folder goes.
TEST_F(StepRun, ADamagedPayloadIsFoundBeforeAnythingIsWritten) {
  auto replace = [](const std::string& name, const std::string& type, const std::string& bytes) {
    platform::testing::AddModuleResource(name, type, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  };
  const std::string c3 = dz::testing::PackedFile("C3"), c5 = dz::testing::PackedFile("C5");
  const auto checks = payload_checks::Parse(dz::testing::PackedFile("CCRC"));
  ASSERT_TRUE(checks && checks->size() == 6);
  const struct {
    const char* name;
    std::function<void()> damage;
  } rows[] = {
      {"one bit of a payload not taken", [&] { std::string b = c3; b[b.size() / 2] ^= 0x10; replace("C3", "C3", b); }},
      {"the last payload a byte short", [&] { replace("C5", "C5", c5.substr(0, c5.size() - 1)); }},
      {"the checks unreadable", [&] { replace("CCRC", "CRC", "DZPC"); }},
      {"a check too few", [&] { dz::testing::RegisterPayloadChecks({checks->begin(), checks->end() - 1}); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    dz::testing::RegisterPayloadResources();
    row.damage();
    Choose("CySaaS", {Control::CkIns_Sc});
    EXPECT_THROW(step.ExtractPayloads(step.CaptureRequest()), app::EPayloadDamaged);
    EXPECT_FALSE(platform::DirectoryExists(folder));
    EXPECT_FALSE(platform::DirectoryExists(Scratch()));
    EXPECT_TRUE(step.UninstallList.empty());
    EXPECT_TRUE(boxes.empty()) << "the caller shows the failure";
  }
  // Undamaged again: the same run installs.
  dz::testing::RegisterPayloadResources();
  step.ExtractPayloads(step.CaptureRequest());
  EXPECT_TRUE(platform::DirectoryExists(In("LumoSc")));
}

// A product of no payloads carries checks of none.
TEST_F(StepRun, NoPayloadsStillWritesInstallInAndItsLines) {
  WriteWholeFile(step.ManifestPath, "[InstallFiles]\r\nFileCount=0\r\nfTotalFiles=0\r\n");
  dz::testing::RegisterPayloadChecks({});
  Choose("CySaaS", {Control::CkIns_Sc});
  step.ExtractPayloads(step.CaptureRequest());
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(step.UninstallList,
            (std::vector<std::string>{"File0=" + folder + "\\install.inN", "File1=" + folder + "\\install.dlN"}));
  EXPECT_TRUE(platform::FileExists(In("Install.in")));
  EXPECT_EQ(CountFiles(folder + "\\"), 1);
  EXPECT_EQ(controls.Maximum(Control::ProgressBar1), 0);
  EXPECT_FALSE(platform::DirectoryExists(Scratch()));
}

TEST_F(StepRun, InstallInCarriesTheEditionsNames) {
  WriteWholeFile(step.ManifestPath, "[InstallFiles]\r\nFileCount=0\r\n");
  dz::testing::RegisterPayloadChecks({});
  const std::string carried = Resource("CEND", "INI");
  ASSERT_FALSE(carried.empty());
  struct Row {
    const char* edition;
    std::string expected;
  };
  std::string commercial = carried;
  for (const char* line : {"fAppName=Orvane云专家-", "fAppSimpleName=Orvane云专家-", "fAppDirName=Orvane云专家"}) {
    size_t at = commercial.find(std::string(line) + "美食");
    ASSERT_NE(at, std::string::npos) << line;
    commercial.replace(at + std::string(line).size(), std::string("美食").size(), "商业");
  }
  const Row rows[] = {{"CySaaS", carried}, {"SySaaS", commercial}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.edition);
    step.EditionKey = row.edition;
    step.ExtractPayloads(step.CaptureRequest());
    // The catering names are the manifest's own; fAppType stays CySaaS.
    EXPECT_EQ(ReadWholeFile(In("Install.in")), row.expected);
  }
  EXPECT_NE(commercial.find("fAppName=Orvane云专家-商业版\r\n"), std::string::npos);
  EXPECT_NE(commercial.find("fAppDirName=Orvane云专家商业版V3\r\n"), std::string::npos);
  EXPECT_NE(commercial.find("fAppType=CySaaS\r\n"), std::string::npos);
}
#endif

// Damages the first entry's data in a scratch payload file: its bytes in the
// middle of the compressed data are flipped.
void DamageFirstEntry(const std::string& path) {
  std::string bytes = ReadWholeFile(path);
  const size_t name_length = static_cast<uint8_t>(bytes[26]) | static_cast<uint8_t>(bytes[27]) << 8;
  const size_t compressed = static_cast<uint8_t>(bytes[18]) | static_cast<uint8_t>(bytes[19]) << 8 |
                            static_cast<uint8_t>(bytes[20]) << 16;
  const size_t data = 30 + name_length + 12;
  for (size_t i = data + compressed / 3; i < data + compressed / 3 + 16; ++i) bytes[i] = static_cast<char>(~bytes[i]);
  WriteWholeFile(path, bytes);
}

// Everything below a folder as the undo must leave it: each file's bytes,
// time and attributes, each folder.
std::map<std::string, std::string> Snapshot(const std::string& folder, const std::string& prefix = "") {
  std::map<std::string, std::string> tree;
  for (const auto& e : platform::ListDirectory(folder)) {
    const std::string path = folder + e.name;
    if (e.attributes & platform::kAttrDirectory) {
      tree[prefix + e.name + "\\"] = "folder";
      for (auto& [name, state] : Snapshot(path + "\\", prefix + e.name + "\\")) tree[name] = state;
      continue;
    }
    const auto time = platform::ModifiedTime(path);
    char stamp[64] = "?";
    if (time)
      std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", time->year, time->month, time->day,
                    time->hour, time->minute, time->second);
    tree[prefix + e.name] = std::string(stamp) + " attr " + std::to_string(platform::ReadAttributes(path)) + " " +
                            std::to_string(ReadWholeFile(path).size()) + ":" + ReadWholeFile(path);
  }
  return tree;
}

// Names of the first difference between two snapshots, for the message.
std::string FirstDifference(const std::map<std::string, std::string>& before,
                            const std::map<std::string, std::string>& after) {
  for (const auto& [name, state] : before) {
    auto found = after.find(name);
    if (found == after.end()) return "missing: " + name;
    if (found->second != state) return "changed: " + name;
  }
  for (const auto& [name, state] : after)
    if (!before.count(name)) return "added: " + name;
  return "";
}

// A run that cannot finish is undone: the installation's folder (and its
// parent) as before the run, bytes, times and attributes; one box at most,
// with the true cause; no scratch or aside folder left; and the next run
// completes. Into a new folder, and over an earlier installation whose
// databases the shop changed.
TEST_F(StepRun, ARunThatCannotFinishIsUndone) {
  enum class Stop { Cancel, FolderWhereAFileGoes, DiskFull, DamagedEntry, PayloadCut };
  struct Row {
    const char* name;
    bool over_earlier;
    Stop stop;
    int at_entry;  // Cancel: the entry the user quits at
  };
  const Row rows[] = {
      {"cancel early, new folder", false, Stop::Cancel, 1},
      {"cancel in the middle, new folder", false, Stop::Cancel, 200},
      {"cancel late, new folder", false, Stop::Cancel, 410},
      {"cancel in the middle, over an earlier installation", true, Stop::Cancel, 250},
      {"a folder where a file goes, new folder", false, Stop::FolderWhereAFileGoes, 0},
      {"a folder where a file goes, over an earlier installation", true, Stop::FolderWhereAFileGoes, 0},
#ifndef _WIN32
      {"the disk full in the middle of an entry", true, Stop::DiskFull, 0},
#endif
      {"a damaged entry, over an earlier installation", true, Stop::DamagedEntry, 0},
      {"a payload cut in half", false, Stop::PayloadCut, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder install_root;
    folder = install_root.path() + "安装";
    controls.SetText(Control::EInstallFolder, folder);
    Choose("CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds});
    const std::string pos_db = In("LumoPos\\LumoPosBaseData.db");
    if (row.over_earlier) {
      step.ExtractPayloads(step.CaptureRequest());
      step.CommitRun();
      WriteWholeFile(pos_db, "the shop's own data");
      WriteWholeFile(In("LumoSc\\OvErp.exe"), "patched by the shop");
    }
    boxes.clear();
    const auto before = Snapshot(install_root.path());

    // The cause, set up as the run goes.
    const std::string blocked = In("WmSvr\\PWMSvr.exe");  // written by the third payload
    int entries = 0;
    controls.on_call = [&, done = false](const std::string& call) mutable {
      if (row.stop == Stop::Cancel && call.rfind("Repaint LExtractFilesInfo", 0) == 0 && ++entries == row.at_entry) {
        step.CancelRequested = true;
        step.UnZipIt.Cancel();
      }
      if (done || call != "SetPosition ProgressBar1 6") return;  // the payloads are copied
      done = true;
      switch (row.stop) {
        case Stop::FolderWhereAFileGoes:
          if (row.over_earlier) platform::RemoveFile(blocked);
          platform::ForceDirectories(blocked);
          break;
        case Stop::DiskFull: platform::testing::SetFileWriteLimit(In("LumoPos\\LumoPos.exe"), 1000); break;
        case Stop::DamagedEntry: DamageFirstEntry(Scratch() + "C2.DLL"); break;
        case Stop::PayloadCut: {
          const std::string bytes = ReadWholeFile(Scratch() + "C1.DLL");
          WriteWholeFile(Scratch() + "C1.DLL", bytes.substr(0, bytes.size() / 2));
          break;
        }
        case Stop::Cancel: break;
      }
    };
    // What the folder must be after the undo: as before, with the blocking
    // folder the test put there.
    auto expected = before;
    std::string expected_text;
    switch (row.stop) {
      case Stop::Cancel: EXPECT_THROW(step.ExtractPayloads(step.CaptureRequest()), app::ERunCanceled); break;
      default:
        try {
          step.ExtractPayloads(step.CaptureRequest());
          ADD_FAILURE() << "the run did not stop";
        } catch (const app::ERunFailed& e) {
          expected_text = e.what();
          switch (row.stop) {
            case Stop::FolderWhereAFileGoes:
              EXPECT_EQ(e.Cause(), app::RunFailure::Write);
              EXPECT_EQ(expected_text.rfind("无法写入: " + blocked + "\n", 0), 0u) << expected_text;
              EXPECT_EQ(expected_text.find(platform::LastFailureText()), expected_text.find('\n') + 1) << expected_text;
              expected.erase("安装\\WmSvr\\PWMSvr.exe");
              expected["安装\\WmSvr\\PWMSvr.exe\\"] = "folder";
              if (!row.over_earlier) expected["安装\\WmSvr\\"] = expected["安装\\"] = "folder";
              break;
            case Stop::DiskFull:
              EXPECT_EQ(e.Cause(), app::RunFailure::Write);
              EXPECT_EQ(expected_text.rfind("无法写入: " + In("LumoPos\\LumoPos.exe") + "\n" + std::strerror(ENOSPC), 0), 0u)
                  << expected_text;
              break;
            case Stop::DamagedEntry:
              EXPECT_EQ(e.Cause(), app::RunFailure::Damaged);
              EXPECT_EQ(expected_text, "安装文件已损坏,无法解压。");
              break;
            default: EXPECT_EQ(e.Cause(), app::RunFailure::Other) << expected_text; break;
          }
        }
    }
    platform::testing::SetFileWriteLimit(In("LumoPos\\LumoPos.exe"), std::nullopt);
    controls.on_call = nullptr;
    step.CancelRequested = false;

    EXPECT_TRUE(boxes.empty()) << boxes.front();  // the flow shows the one box
    EXPECT_EQ(FirstDifference(expected, Snapshot(install_root.path())), "");
    EXPECT_FALSE(platform::DirectoryExists(Scratch()));
    if (row.over_earlier) {
      EXPECT_EQ(ReadWholeFile(pos_db), "the shop's own data");
    }

    // The next run completes, the blocking folder gone.
    if (row.stop == Stop::FolderWhereAFileGoes) platform::RemoveEmptyDirectory(blocked);
    dz::testing::RegisterPayloadResources();
    step.ExtractPayloads(step.CaptureRequest());
    step.CommitRun();
    EXPECT_TRUE(platform::FileExists(In("WmSvr\\PWMSvr.exe")));
    EXPECT_TRUE(platform::FileExists(In("install.dl")));
    for (const auto& [name, state] : Snapshot(install_root.path()))
      EXPECT_EQ(name.find("~DzAside."), std::string::npos) << name;
  }
}

// A run killed on the way leaves its journal under the machine's key; the
// next start asks, then finishes the undo. A file the killed run wrote whole
// and the shop changed since (a new database it started to use) is kept.
TEST_F(StepRun, AKilledRunIsUndoneByTheNextStart) {
  Choose("CySaaS", {Control::CkIns_Sc});
  step.ExtractPayloads(step.CaptureRequest());
  step.CommitRun();
  const std::string program = In("LumoSc\\OvErp.exe");
  const auto before = Snapshot(root.path());

  // What a killed run leaves: it wrote through its journal (kept line by
  // line under the machine's key) and never came to its end.
  {
    app::JournalRecord record;
    app::InstallJournal killed("killed-run");
    killed.OnLine = [&record](const std::string& line) { record.Append(line); };
    ASSERT_TRUE(killed.MakeFolders(In("新\\子")));
    ASSERT_TRUE(killed.BeforeWriting(In("新\\子\\a.dll")));
    WriteWholeFile(In("新\\子\\a.dll"), "written whole");
    killed.Written(In("新\\子\\a.dll"));
    ASSERT_TRUE(killed.BeforeWriting(In("新\\子\\LumoPosBaseData.db")));
    WriteWholeFile(In("新\\子\\LumoPosBaseData.db"), "empty database");
    platform::SetModifiedTime(In("新\\子\\LumoPosBaseData.db"), {2020, 5, 6, 7, 8, 10});
    killed.Written(In("新\\子\\LumoPosBaseData.db"));
    ASSERT_TRUE(killed.BeforeWriting(program));
    WriteWholeFile(program, "half of the new");
  }
  // The shop starts the new cashier after the kill and makes a sale.
  WriteWholeFile(In("新\\子\\LumoPosBaseData.db"), "the first sale");

  struct Row {
    const char* name;
    int answer;
    bool undone;
  };
  for (const Row& row : {Row{"No leaves it for later", platform::kIdNo, false},
                         Row{"Yes finishes the undo", platform::kIdYes, true}}) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> shown;
    platform::SetMessageBoxResponder([&](const std::string& text, const std::string& title, unsigned) {
      shown.push_back(title + "|" + text);
      return row.answer;
    });
    app::testing::RecordingControls next_controls;
    app::TfStep next;
    next.SetControls(&next_controls);
    next.FormCreate();
    ASSERT_GE(shown.size(), 1u);
    EXPECT_EQ(shown[0], "提示 |上次安装未能完成。\n\n是否现在撤销它对计算机所做的更改？");
    if (!row.undone) {
      EXPECT_EQ(shown.size(), 1u);
      EXPECT_EQ(ReadWholeFile(program), "half of the new");
      EXPECT_EQ(app::FindUnfinishedRun().found, app::UnfinishedRun::Found::Journal);
      continue;
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "提示 |已撤销上次未完成的安装所做的更改。\n\n" +
                            app::FileListText("此后已被修改，予以保留", {In("新\\子\\LumoPosBaseData.db")}));
    // As before, with the kept database and the folders it is in.
    const std::string top = gbk::FileNamePart(folder) + "\\", database = top + "新\\子\\LumoPosBaseData.db";
    auto expected = before;
    expected[top + "新\\"] = expected[top + "新\\子\\"] = "folder";
    const auto after = Snapshot(root.path());
    expected[database] = after.count(database) ? after.at(database) : "missing";
    EXPECT_EQ(FirstDifference(expected, after), "");
    EXPECT_EQ(ReadWholeFile(In("新\\子\\LumoPosBaseData.db")), "the first sale");
    EXPECT_EQ(app::FindUnfinishedRun().found, app::UnfinishedRun::Found::None);
    next.FormDestroy();
  }
  platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned) {
    boxes.push_back(title + "|" + text);
    return platform::kIdOk;
  });
}

TEST_F(StepRun, AJournalThisInstallerCannotReadIsReportedAndLeftAlone) {
  for (const char* head : {"DZJOURNAL\t9\tnewer", "not a journal"}) {
    SCOPED_TRACE(head);
    app::JournalRecord record;
    record.Append(head);
    record.Append("erase\tC:\\anything");
    boxes.clear();
    app::testing::RecordingControls next_controls;
    app::TfStep next;
    next.SetControls(&next_controls);
    next.FormCreate();
    EXPECT_EQ(boxes, std::vector<std::string>{"警告|发现上次未完成安装的记录，但无法识别，未予处理。"});
    EXPECT_NE(app::FindUnfinishedRun().found, app::UnfinishedRun::Found::None);  // left alone
    next.FormDestroy();
  }
  app::JournalRecord::Remove();
}

TEST_F(StepRun, ScratchFolderNotWritableEndsTheRun) {
  // A file stands where the payload copies' folder would be.
  const std::string blocker = step.ScratchFolder() + "_wtsInstall";
  WriteWholeFile(blocker, "not a folder");
  Choose("CySaaS", {Control::CkIns_Sc});
  try {
    step.ExtractPayloads(step.CaptureRequest());
    FAIL() << "no failure";
  } catch (const app::ERunFailed& e) {
    // The path and the system's reason.
    EXPECT_EQ(e.Cause(), app::RunFailure::Write);
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + blocker + "\\C0.DLL\n" + platform::LastFailureText());
  }
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(controls.Maximum(Control::ProgressBar1), kTotalEntries);  // set on the way out too
  EXPECT_FALSE(platform::FileExists(In("Install.in")));
  EXPECT_TRUE(step.UninstallList.empty());
  EXPECT_EQ(ReadWholeFile(blocker), "not a folder");
}

#ifndef _WIN32
// What a user-level program can put in the user's temporary folder before
// the installer starts: links at the names the installer once used there.
// The installer keeps its files in a folder it has just made, so their
// targets stay untouched, and it leaves the temporary folder as it found it.
// (Under Wine: app/tests/temporary_links_windows.sh.)
TEST_F(StepRun, LinksAtTheFormerTemporaryNamesLeadNowhere) {
  // Elsewhere than the temporary folder, which this test points at temp.
  const std::string victim = root.path() + "victim\\";
  platform::ForceDirectories(victim + "folder\\");
  WriteWholeFile(victim + "cRc.in", "a file of someone else's");
  WriteWholeFile(victim + "folder\\C0.DLL", "not a payload");
  WriteWholeFile(victim + "folder\\other.txt", "kept");
  step.FormDestroy();  // the fixture's wizard started before the links were there
  const std::string links = temp.path();
  for (const auto& [link, target] : {std::pair{"cRc.in", "cRc.in"}, std::pair{"_wtsInstall", "folder"}})
    ASSERT_EQ(::symlink(platform::testing::HostPath(victim + target).c_str(),
                        platform::testing::HostPath(links + link).c_str()),
              0);

  app::TfStep wizard;
  wizard.SetControls(&controls);
  wizard.FormCreate();
  controls.SetText(Control::EInstallFolder, folder);
  EXPECT_EQ(wizard.ManifestPath.rfind(links + "DzInstall-", 0), 0u) << wizard.ManifestPath;
  wizard.EditionKey = "CySaaS";
  controls.SetChecked(Control::CkIns_Sc, true);
  wizard.ExtractPayloads(wizard.CaptureRequest());
  wizard.CommitRun();
  EXPECT_TRUE(platform::FileExists(In("Install.in")));
  wizard.FormDestroy();

  EXPECT_EQ(ReadWholeFile(victim + "cRc.in"), "a file of someone else's");
  EXPECT_EQ(ReadWholeFile(victim + "folder\\C0.DLL"), "not a payload");
  EXPECT_EQ(ReadWholeFile(victim + "folder\\other.txt"), "kept");
  std::set<std::string> left;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(links)) left.insert(entry.name);
  EXPECT_EQ(left, (std::set<std::string>{"_wtsInstall", "cRc.in"})) << "only the links stay";
  step.FormCreate();  // for the fixture's TearDown
}
#endif

TEST_F(StepRun, PayloadProgressRoundsHalvesToEven) {
  struct Row {
    int maximum;
    float fraction;
    int position;
  } rows[] = {{100, 0.125f, 12}, {100, 0.375f, 38}, {100, 1.0f, 100}, {2, 0.25f, 0}, {2, 0.75f, 2}, {7, 0.5f, 4}};
  const std::string name = "C0";
  app::TProgressResourceStream stream(name, name);
  for (const Row& row : rows) {
    controls.SetRange(Control::ZipBar, 0, row.maximum);
    step.PayloadProgress(stream, row.fraction);
    EXPECT_EQ(controls.Position(Control::ZipBar), row.position) << row.maximum << " x " << row.fraction;
  }
}

TEST_F(StepRun, ClearTempFolderDeletesFilesOnly) {
  TempFolder scratch;
  WriteWholeFile(scratch / "C0.DLL", "a");
  WriteWholeFile(scratch / ".hidden", "b");
  platform::WriteAttributes(scratch / ".hidden", platform::kAttrHidden | platform::kAttrSystem);
  platform::ForceDirectories(scratch / "sub");
  WriteWholeFile(scratch / "sub\\keep.txt", "c");
  step.ClearTempFolder(scratch.path());
  std::set<std::string> left;
  Files(scratch.path(), "", left);
  EXPECT_EQ(left, std::set<std::string>{"sub\\keep.txt"});
}

}  // namespace
