// The installation run on the installer's own payloads (the demo product as
// the build packs it): which payloads each edition and choice of systems
// takes, the uninstall list and its flags, re-installing over an
// installation, failures inside and outside the extraction loop, Install.in,
// the scratch folder and the bars.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

#include "app/payload.h"
#include "app/progress_stream.h"
#include "app/step.h"
#include "app/testing/recording_controls.h"
#include "app/tests/payload_resources.h"
#include "app/tests/temporary_folder_override.h"
#include "app/tests/test_resources.h"
#include "app/toolkit.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using app::Control;
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
int CountFiles(const std::string& folder) {
  std::set<std::string> files;
  Files(folder, "", files);
  return static_cast<int>(files.size());
}

std::string Resource(const std::string& name, const std::string& type) {
  auto bytes = platform::FindModuleResource(name, type);
  return bytes ? std::string(reinterpret_cast<const char*>(bytes->data), bytes->size) : std::string();
}

class StepRun : public ::testing::Test {
 protected:
  void SetUp() override {
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

    step.ExtractPayloads();

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
  step.ExtractPayloads();
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

  step.ExtractPayloads();

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
  step.ExtractPayloads();
  ASSERT_EQ(LineOf(users).back(), 'Y');
  ASSERT_EQ(LineOf(program).back(), 'N');
  ASSERT_EQ(LineOf(pos_db).back(), 'N');
  std::string list;
  for (const std::string& line : step.UninstallList) list += line + "\r\n";
  WriteWholeFile(In("install.dl"), list);

  step.ExtractPayloads();
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
  step.ExtractPayloads();
  EXPECT_EQ(LineOf(program).back(), 'N');
  EXPECT_EQ(LineOf(users).back(), 'Y');
  WriteWholeFile(In("install.dl"), program_unnumbered);
  step.ExtractPayloads();
  EXPECT_EQ(LineOf(program).back(), 'Y');
  EXPECT_EQ(LineOf(In("LumoPos\\LumoPos.exe")).back(), 'N');

  // Without the earlier list every existing file counts as there before.
  platform::RemoveFile(In("install.dl"));
  step.ExtractPayloads();
  EXPECT_EQ(LineOf(program).back(), 'Y');
}

// Natively only: the tests replace module resources.
#ifndef _WIN32
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
    EXPECT_THROW(step.ExtractPayloads(), app::EPayloadDamaged);
    EXPECT_FALSE(platform::DirectoryExists(folder));
    EXPECT_FALSE(platform::DirectoryExists(Scratch()));
    EXPECT_TRUE(step.UninstallList.empty());
    EXPECT_TRUE(boxes.empty()) << "the caller shows the failure";
  }
  // Undamaged again: the same run installs.
  dz::testing::RegisterPayloadResources();
  step.ExtractPayloads();
  EXPECT_TRUE(platform::DirectoryExists(In("LumoSc")));
}

// A product of no payloads carries checks of none.
TEST_F(StepRun, NoPayloadsStillWritesInstallInAndItsLines) {
  WriteWholeFile(step.ManifestPath, "[InstallFiles]\r\nFileCount=0\r\nfTotalFiles=0\r\n");
  dz::testing::RegisterPayloadChecks({});
  Choose("CySaaS", {Control::CkIns_Sc});
  step.ExtractPayloads();
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
    step.ExtractPayloads();
    // The catering names are the manifest's own; fAppType stays CySaaS.
    EXPECT_EQ(ReadWholeFile(In("Install.in")), row.expected);
  }
  EXPECT_NE(commercial.find("fAppName=Orvane云专家-商业版\r\n"), std::string::npos);
  EXPECT_NE(commercial.find("fAppDirName=Orvane云专家商业版V3\r\n"), std::string::npos);
  EXPECT_NE(commercial.find("fAppType=CySaaS\r\n"), std::string::npos);
}
#endif

// Runs action once every payload has been written to the scratch folder,
// before the first is extracted.
void AfterPayloadsWritten(app::testing::RecordingControls& controls, std::function<void()> action) {
  controls.on_call = [done = false, action = std::move(action)](const std::string& call) mutable {
    if (!done && call == "SetPosition ProgressBar1 6") {
      done = true;
      action();
    }
  };
}

TEST_F(StepRun, ArchiveFailureEndsTheLoopWithTheBoxAndTheRunGoesOn) {
  Choose("CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds});
  // The LumoPos payload is cut in half on its way: no end record.
  AfterPayloadsWritten(controls, [this] {
    const std::string bytes = ReadWholeFile(Scratch() + "C1.DLL");
    WriteWholeFile(Scratch() + "C1.DLL", bytes.substr(0, bytes.size() / 2));
  });
  EXPECT_NO_THROW(step.ExtractPayloads());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], std::string("错误|") + kProgramRunning);
  // Payloads before stay, the ones after are not extracted; the run still
  // ends with its clean-up, Install.in and the two lines.
  EXPECT_EQ(CountFiles(In("LumoSc\\")), 200);
  EXPECT_FALSE(platform::DirectoryExists(In("WmSvr")));
  EXPECT_FALSE(platform::FileExists(In("UnInstall.exe")));
  EXPECT_TRUE(platform::FileExists(In("Install.in")));
  ASSERT_EQ(step.UninstallList.size(), 200u + 2);
  ExpectNumberedWithoutGaps();
  EXPECT_FALSE(platform::DirectoryExists(Scratch()));
}

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

TEST_F(StepRun, EntriesNotWrittenAreNamedAfterTheLoop) {
  Choose("SySaaS", {Control::CkIns_Sc, Control::CkIns_Pos});
  // Seven files of the back office are held by a running program (their
  // targets cannot be created), and the commercial cashier's first entry is
  // damaged.
  std::vector<std::string> held;
  std::set<std::string> back_office;
  // The first install puts the files there.
  step.ExtractPayloads();
  ASSERT_TRUE(boxes.empty());
  Files(In("LumoSc\\"), In("LumoSc\\"), back_office);
  for (const std::string& path : back_office) {
    if (held.size() == 7) break;
    if (path.find("License") != std::string::npos) continue;
    held.push_back(path);
  }
  std::vector<std::unique_ptr<platform::File>> open_files;
  for (const std::string& path : held) {
#ifdef _WIN32
    // Opened by "the program" with writers excluded.
    open_files.push_back(std::make_unique<platform::File>(path, platform::File::Mode::ReadDenyWrite));
#else
    // Natively nothing locks a file: a folder in its place cannot be
    // created as a file either.
    platform::RemoveFile(path);
    platform::MakeDirectory(path);
#endif
  }
  AfterPayloadsWritten(controls, [&] { DamageFirstEntry(Scratch() + "C4.DLL"); });

  EXPECT_NO_THROW(step.ExtractPayloads());

  ASSERT_EQ(boxes.size(), 1u);
  std::string in_use = std::string("错误|") + kProgramRunning + "\n以下 7 个文件未能安装:";
  for (size_t i = 0; i < 5; ++i) in_use += "\n" + held[i];
  in_use += "\n……(另有 2 个文件)";
  const std::string& box = boxes[0];
  ASSERT_EQ(box.rfind(in_use + "\n\n", 0), 0u) << box;
  const std::string damaged = box.substr(in_use.size() + 2);
  const std::string damaged_heading = "安装文件已损坏,无法解压。\n以下 1 个文件未能安装:\n" + In("LumoPosSy\\");
  EXPECT_EQ(damaged.rfind(damaged_heading, 0), 0u) << damaged;
  EXPECT_EQ(damaged.find('\n', damaged_heading.size()), std::string::npos) << damaged;
  // The damaged file does not stay; everything else of the run is there.
  EXPECT_FALSE(platform::FileExists(damaged.substr(damaged.rfind('\n') + 1)));
  EXPECT_EQ(CountFiles(In("LumoPosSy\\")), 66);
  EXPECT_EQ(step.UninstallList.size(), 268u + 2);
  ExpectNumberedWithoutGaps();
  EXPECT_TRUE(platform::FileExists(In("Install.in")));
  open_files.clear();
#ifndef _WIN32
  for (const std::string& path : held) platform::RemoveEmptyDirectory(path);
#endif
}

TEST_F(StepRun, QuittingDuringTheExtractionStopsTheRunAndLeavesNoScratchFolder) {
  Choose("CySaaS", {Control::CkIns_Sc, Control::CkIns_Pos});
  // The user confirms quitting while the tenth entry starts: the flow asks
  // the run to stop, as its close handler does.
  int entries = 0;
  controls.on_call = [&](const std::string& call) {
    if (call.rfind("Repaint LExtractFilesInfo", 0) == 0 && ++entries == 10) {
      step.CancelRequested = true;
      step.UnZipIt.Cancel();
    }
  };
  EXPECT_THROW(step.ExtractPayloads(), app::ERunCanceled);
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_EQ(entries, 10);
  EXPECT_FALSE(platform::DirectoryExists(Scratch()));
  EXPECT_FALSE(platform::FileExists(In("Install.in")));
  EXPECT_FALSE(platform::DirectoryExists(In("LumoPos")));
  step.CancelRequested = false;
}

TEST_F(StepRun, ScratchFolderNotWritableEndsTheRun) {
  // A file stands where the payload copies' folder would be.
  const std::string blocker = step.ScratchFolder() + "_wtsInstall";
  WriteWholeFile(blocker, "not a folder");
  Choose("CySaaS", {Control::CkIns_Sc});
  try {
    step.ExtractPayloads();
    FAIL() << "no failure";
  } catch (const platform::FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + blocker + "\\C0.DLL");
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
  wizard.ExtractPayloads();
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
