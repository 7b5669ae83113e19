// The wizard's flow against recorded controls: the start state, the edition
// choice, the folder browser, validation and the two questions, the run's
// pages and install.dl, the close question, and quitting during the run.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/step.h"
#include "app/testing/recording_controls.h"
#include "app/tests/shortcut_folders_override.h"
#include "app/tests/test_resources.h"
#include "app/toolkit.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace {

using app::Control;
using dz::testing::ReadWholeFile;

constexpr unsigned kQuestionYesNo = platform::kMbYesNo | platform::kMbIconQuestion;  // 0x24
constexpr unsigned kConfirmStyle = platform::kMbOkCancel | platform::kMbIconQuestion;
constexpr unsigned kWarningStyle = platform::kMbOk | platform::kMbIconWarning;

// The recording fake, plus a hook that runs when a page is placed: page 1 is
// placed inside BtnInstallClick once the run has begun, so the hook acts as
// the user does while the run pumps messages.
class Controls : public app::testing::RecordingControls {
 public:
  Controls() {
    // The layout's captions: the confirmation and the shortcuts use them.
    State(Control::CkIns_Sc).text = "云后台管理系统";
    State(Control::CkIns_Pos).text = "云前台收银系统";
    State(Control::CkIns_WmSvr).text = "云服务管理系统";
    State(Control::CkIns_Kds).text = "云触屏划菜系统";
  }
  void ShowPage(int page) override {
    RecordingControls::ShowPage(page);
    if (on_page) on_page(page);
  }
  std::function<void(int)> on_page;
};

struct Box {
  std::string title, text;
  unsigned style;
};

class StepFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    dz::testing::RegisterTestResources();
    platform::ForceDirectories(app::ScratchParentFolder());
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned style) {
      boxes.push_back({title, text, style});
      if (on_box) on_box(boxes.back());
      if (answers.empty()) return static_cast<int>(platform::kIdCancel);
      int answer = answers.front();
      answers.pop_front();
      return answer;
    });
    step.SetControls(&controls);
    step.FormCreate();
  }
  void TearDown() override {
    platform::SetMessageBoxResponder(nullptr);
    platform::SetMessagePumpHook(nullptr);
    step.FormDestroy();
  }

  // Picks an edition in the list as the user does.
  void Pick(const std::string& key) {
    controls.SelectEditionKey(key);
    step.eInsSysTypeChange();
  }
  void Tick(const std::vector<Control>& boxes_to_tick) {
    for (Control box : boxes_to_tick) controls.SetChecked(box, true);
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const auto& box : boxes) titles.push_back(box.title);
    return titles;
  }

  Controls controls;
  app::TfStep step;
  std::vector<Box> boxes;
  std::deque<int> answers;
  std::function<void(const Box&)> on_box;
};

TEST_F(StepFlow, CreationHidesTheSelectionAndShowsTheFirstPage) {
  // The order of creation: the controls first, then the manifest, the list,
  // the page and the bars.
  const std::vector<std::string> expected = {
      "SetVisible BtnInstall 0",      "SelectEditionKey N",         "SetVisible CkIns_WmSvr 0",
      "SetVisible CkIns_Kds 0",       "SetVisible CkIns_Sc 0",      "SetVisible CkIns_Pos 0",
      "SetVisible LInstallFolder 0",  "SetVisible EInstallFolder 0", "SetText EInstallFolder ",
      "ShowPage 0",                   "SetPosition ZipBar 0",       "SetPosition ProgressBar1 0",
  };
  EXPECT_EQ(controls.log, expected);
  EXPECT_EQ(step.fAppDirName, "Orvane云专家美食版V3");  // the manifest was read in between
  EXPECT_FALSE(step.Finished);

  step.FormShow();
  EXPECT_EQ(controls.focused, Control::eInsSysType);
}

TEST_F(StepFlow, EditionDecidesWhatIsOfferedAndTheProposedFolder) {
  struct Row {
    std::string key;  // as the list gives it
    std::string edition;
    bool folder_row, second_row;
    std::string folder_name;
  };
  const Row rows[] = {
      {"CySaaS", "CySaaS", true, true, "Orvane云专家美食版V3"},
      {"SySaaS", "SySaaS", true, false, "Orvane云专家商业版V3"},
      {" CySaaS\t", "CySaaS", true, true, "Orvane云专家美食版V3"},  // blanks removed
      {"cysaas", "cysaas", true, false, "Orvane云专家美食版V3"},    // exact comparison: no second row
      {"N", "N", false, false, "Orvane云专家美食版V3"},
  };
  const std::string drive = platform::DirectoryExists("D:\\") ? "D:\\" : "C:\\";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    Pick("CySaaS");
    Tick({Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds});
    Pick(row.key);
    EXPECT_EQ(step.EditionKey, row.edition);
    for (Control c : {Control::LInstallFolder, Control::EInstallFolder, Control::CkIns_Sc, Control::CkIns_Pos,
                      Control::BtnInstall})
      EXPECT_EQ(controls.IsVisible(c), row.folder_row) << app::testing::ControlName(c);
    EXPECT_EQ(controls.IsVisible(Control::CkIns_WmSvr), row.second_row);
    EXPECT_EQ(controls.IsVisible(Control::CkIns_Kds), row.second_row);
    for (Control box : {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds})
      EXPECT_FALSE(controls.IsChecked(box)) << app::testing::ControlName(box);
    EXPECT_EQ(controls.Text(Control::EInstallFolder), drive + "Program Files\\" + row.folder_name);
    EXPECT_EQ(controls.Text(Control::LExtractFilesInfo), drive + "Program Files\\" + row.folder_name);
  }
  EXPECT_TRUE(boxes.empty());
}

#ifndef _WIN32
// Natively the drive D: exists exactly when the sandbox has a folder for it.
TEST_F(StepFlow, ProposedFolderIsOnDriveDWhenItExists) {
  ASSERT_TRUE(platform::ForceDirectories("D:\\"));
  Pick("SySaaS");
  EXPECT_EQ(controls.Text(Control::EInstallFolder), "D:\\Program Files\\Orvane云专家商业版V3");
  ASSERT_TRUE(platform::RemoveEmptyDirectory("D:\\"));
  Pick("SySaaS");
  EXPECT_EQ(controls.Text(Control::EInstallFolder), "C:\\Program Files\\Orvane云专家商业版V3");
}

TEST_F(StepFlow, LongFolderIsShortenedOnTheProgressPage) {
  step.fAppDirName = std::string(80, 'x');
  Pick("CySaaS");
  const std::string label = controls.Text(Control::LExtractFilesInfo);
  EXPECT_EQ(label.size(), 70u);
  EXPECT_EQ(label, app::ShortenPathText(controls.Text(Control::EInstallFolder), 70));
}
#endif

TEST_F(StepFlow, FolderBrowserPreselectsAnExistingFolderAndKeepsTheFieldOnCancel) {
  dz::testing::TempFolder tmp;
  Pick("CySaaS");
  const std::string proposed = controls.Text(Control::EInstallFolder);

  controls.browse_answer = std::nullopt;  // the user cancels
  step.EInstallFolderEditButtons0Click();
  EXPECT_EQ(controls.browse_prompt, "选择要安装的文件夹后按 \"确定\"");
  EXPECT_EQ(controls.browse_initial, platform::DirectoryExists(proposed) ? proposed : "");
  EXPECT_EQ(controls.Text(Control::EInstallFolder), proposed);

  controls.SetText(Control::EInstallFolder, tmp.path());
  controls.browse_answer = "E:\\选定的文件夹";
  step.EInstallFolderEditButtons0Click();
  EXPECT_EQ(controls.browse_initial, tmp.path());
  EXPECT_EQ(controls.Text(Control::EInstallFolder), "E:\\选定的文件夹");
}

TEST_F(StepFlow, RejectedInputIsWarnedAndTheSelectionStays) {
  struct Row {
    const char* name;
    std::string folder;
    std::vector<Control> ticked;
    std::string warning;
    bool focus_on_first_box;
  };
  const Row rows[] = {
      {"empty folder", "", {Control::CkIns_Sc}, "您必须输入完整的路径名称及驱动器;\n\r\n\r例如: C:\\APP", false},
      // Blanks only: the empty-folder warning, not the folder-exists question.
      {"blank folder", " \t  ", {}, "您必须输入完整的路径名称及驱动器;\n\r\n\r例如: C:\\APP", false},
      {"nothing ticked", "C:\\新文件夹", {}, "尚未选择任何需安装的系统！", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Pick("CySaaS");
    Tick(row.ticked);
    controls.SetText(Control::EInstallFolder, row.folder);
    controls.focused.reset();
    boxes.clear();
    step.BtnInstallClick();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "警告");
    EXPECT_EQ(boxes[0].text, row.warning);
    EXPECT_EQ(boxes[0].style, kWarningStyle);
    EXPECT_EQ(controls.focused == Control::CkIns_Sc, row.focus_on_first_box);
    for (Control box : row.ticked) EXPECT_TRUE(controls.IsChecked(box));
    EXPECT_EQ(controls.Text(Control::EInstallFolder), row.folder);
    EXPECT_EQ(controls.pages_shown, std::vector<int>{0});
    EXPECT_FALSE(step.Running);
  }
}

TEST_F(StepFlow, CancelOnEitherQuestionWritesNothing) {
  dz::testing::TempFolder tmp;
  const std::string folder = tmp.path() + "已有的文件夹";
  ASSERT_TRUE(platform::MakeDirectory(folder));
  Pick("CySaaS");
  Tick({Control::CkIns_Sc, Control::CkIns_Kds});
  controls.SetText(Control::EInstallFolder, "  " + folder + " ");

  const std::string exists_text = "文件夹：\n\r\n\r" + folder + "\n\r\n\r已经存在，您希望安装到此文件夹中吗？";
  const std::string confirmation = "安装目标位置:" + folder +
                                   "   \r\n\r\n安装系统:\r\n云后台管理系统\r\n云触屏划菜系统\r\n"
                                   "\r\n\r\n确定要开始安装以上系统吗？";

  // Cancel on the folder-exists question: no confirmation follows.
  answers = {platform::kIdCancel};
  step.BtnInstallClick();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "确认");
  EXPECT_EQ(boxes[0].text, exists_text);
  EXPECT_EQ(boxes[0].style, kConfirmStyle);

  // OK there, Cancel on the confirmation.
  boxes.clear();
  answers = {platform::kIdOk, platform::kIdCancel};
  step.BtnInstallClick();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, exists_text);
  EXPECT_EQ(boxes[1].title, "确认");
  EXPECT_EQ(boxes[1].text, confirmation);

  EXPECT_EQ(controls.pages_shown, std::vector<int>{0});
  EXPECT_TRUE(controls.Calls("SetEnabled").empty());
  EXPECT_TRUE(platform::ListDirectory(folder).empty());
  EXPECT_TRUE(step.UninstallList.empty());
  EXPECT_TRUE(controls.IsChecked(Control::CkIns_Sc));
}

TEST_F(StepFlow, NewFolderIsConfirmedWithoutTheFolderQuestion) {
  dz::testing::TempFolder tmp;
  Pick("SySaaS");
  Tick({Control::CkIns_Pos});
  controls.SetText(Control::EInstallFolder, tmp.path() + "新的");
  answers = {platform::kIdCancel};
  step.BtnInstallClick();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "安装目标位置:" + tmp.path() +
                               "新的   \r\n\r\n安装系统:\r\n云前台收银系统\r\n\r\n\r\n确定要开始安装以上系统吗？");
  EXPECT_FALSE(platform::DirectoryExists(tmp.path() + "新的"));
}

#ifndef _WIN32
// A product without payloads: the run writes Install.in and its list lines,
// registration adds its own, and the flow saves the list and finishes.
class StepFlowRun : public StepFlow {
 protected:
  void SetUp() override {
    const std::string manifest =
        "[InstallFiles]\r\nFileCount=0\r\nfTotalFiles=0\r\n[BaseInfo]\r\nfAppName=Orvane云专家-美食版\r\n"
        "fAppType=CySaaS\r\nfAppDirName=Orvane云专家美食版V3\r\n";
    StepFlow::SetUp();
    // StepFlow's set-up registers the carried manifest, which names six
    // payloads: this product's manifest replaces it, and the wizard reads it.
    platform::testing::AddModuleResource("CEND", "INI", std::vector<uint8_t>(manifest.begin(), manifest.end()));
    dz::testing::RegisterPayloadChecks({});
    step.ReadManifest();
    Pick("CySaaS");
    Tick({Control::CkIns_Sc});
    // The folder exists (so both questions are asked): the run may or may not
    // create it, the flow saves the list into it.
    folder = tmp.path() + "安装";
    ASSERT_TRUE(platform::MakeDirectory(folder));
    controls.SetText(Control::EInstallFolder, folder);
  }
  void TearDown() override {
    StepFlow::TearDown();
    dz::testing::RegisterTestResources();
  }
  std::string ExpectedListFile() const {
    std::string bytes;
    for (const auto& line : step.UninstallList) bytes += line + "\r\n";
    return bytes;
  }
  dz::testing::TempFolder tmp;
  dz::testing::ShortcutFoldersOverride all_users{tmp.path()};
  std::string folder;
};

TEST_F(StepFlowRun, RunShowsTheProgressPageSavesTheListAndFinishes) {
  std::vector<std::string> disabled_before_run;
  std::string label_on_progress_page;
  controls.on_page = [&](int page) {
    if (page != 1) return;
    disabled_before_run = controls.Calls("SetEnabled");
    label_on_progress_page = controls.Text(Control::LExtractFilesInfo);
  };
  answers = {platform::kIdOk, platform::kIdOk};
  step.BtnInstallClick();
  ASSERT_EQ(Titles(), (std::vector<std::string>{"确认", "确认"}));
  EXPECT_EQ(controls.pages_shown, (std::vector<int>{0, 1, 2}));
  // Every covered selection control is disabled before the page covers it.
  EXPECT_EQ(disabled_before_run,
            (std::vector<std::string>{"SetEnabled eInsSysType 0", "SetEnabled EInstallFolder 0",
                                      "SetEnabled CkIns_Sc 0", "SetEnabled CkIns_Pos 0", "SetEnabled CkIns_WmSvr 0",
                                      "SetEnabled CkIns_Kds 0", "SetEnabled BtnInstall 0"}));
  // The folder being installed to, which the user changed from the proposal.
  EXPECT_EQ(label_on_progress_page, app::ShortenPathText(folder, 70));
  EXPECT_EQ(controls.focused, Control::BtnFinish);
  EXPECT_FALSE(step.Running);
  std::string saved;
  ASSERT_TRUE(ReadWholeFile(folder + "\\install.dl", saved));
  EXPECT_EQ(saved, ExpectedListFile());

  // The finish button closes without a question.
  step.BtnFinishClick();
  EXPECT_EQ(controls.close_requests, 1);
  EXPECT_TRUE(step.FormCloseQuery());
  EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(StepFlowRun, WhatWasConfirmedIsWhatIsInstalled) {
  // The folder typed with blanks around it, and the fields changed while the
  // run pumps (the page covers them, but nothing may depend on that): the
  // run, the list and the entry keep to the trimmed folder and the ticks of
  // the confirmation.
  controls.SetText(Control::EInstallFolder, "  " + folder + " \t");
  const std::string programs = all_users.programs;
  const std::string elsewhere = tmp.path() + "别处";
  controls.on_page = [&](int page) {
    if (page != 1) return;
    controls.SetText(Control::EInstallFolder, elsewhere);
    controls.SetChecked(Control::CkIns_Sc, false);
    step.EditionKey = "SySaaS";
  };
  answers = {platform::kIdOk, platform::kIdOk};
  step.BtnInstallClick();
  ASSERT_EQ(Titles(), (std::vector<std::string>{"确认", "确认"}));
  EXPECT_NE(boxes[0].text.find("\n\r\n\r" + folder + "\n\r"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(boxes[1].text.rfind("安装目标位置:" + folder + "   \r\n", 0), 0u) << boxes[1].text;
  EXPECT_EQ(controls.pages_shown, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ReadWholeFile(folder + "\\install.dl"), ExpectedListFile());
  EXPECT_TRUE(platform::FileExists(folder + "\\Install.in"));
  EXPECT_FALSE(platform::DirectoryExists(elsewhere));
  // The shortcuts of the edition and the system confirmed: the catering
  // group, and the back office's shortcut (its program not in this product,
  // so it is named for an empty target).
  const std::string list = ExpectedListFile();
  const std::string group = programs + "\\Orvane云专家-美食版\\";
  EXPECT_NE(list.find("=" + group + "我的电脑.lnkN"), std::string::npos) << list;
  EXPECT_NE(list.find("=" + group + "N"), std::string::npos) << list;
  EXPECT_EQ(list.find("商业"), std::string::npos) << list;
  EXPECT_EQ(list.find(elsewhere), std::string::npos) << list;
}

TEST_F(StepFlowRun, ExistingListIsReplaced) {
  dz::testing::WriteWholeFile(folder + "\\install.dl", std::string(5000, 'x'));
  answers = {platform::kIdOk, platform::kIdOk};
  step.BtnInstallClick();
  EXPECT_EQ(ReadWholeFile(folder + "\\install.dl"), ExpectedListFile());
}

TEST_F(StepFlowRun, AListThatCannotBeSavedUndoesTheRunAndReturnsToTheSelection) {
  ASSERT_TRUE(platform::ForceDirectories(folder + "\\install.dl"));  // a folder where the file goes
  answers = {platform::kIdOk, platform::kIdOk};
  step.BtnInstallClick();
  ASSERT_EQ(Titles(), (std::vector<std::string>{"确认", "确认", "错误"}));
  EXPECT_EQ(boxes[2].text.rfind("Cannot create file " + folder + "\\install.dl\n", 0), 0u) << boxes[2].text;
  // Install.in, written before the list, is undone; the selection page is
  // back, its controls enabled and as they were.
  EXPECT_FALSE(platform::FileExists(folder + "\\Install.in"));
  EXPECT_EQ(controls.pages_shown, (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(controls.Calls("SetEnabled").size(), 14u);
  EXPECT_EQ(controls.Calls("SetEnabled").back(), "SetEnabled BtnInstall 1");
  EXPECT_TRUE(controls.IsChecked(Control::CkIns_Sc));
  EXPECT_EQ(controls.Text(Control::EInstallFolder), folder);
  EXPECT_FALSE(step.Running);
  // Closing from the selection page still asks.
  answers = {platform::kIdNo};
  EXPECT_FALSE(step.FormCloseQuery());
}

TEST_F(StepFlowRun, NothingReentersTheRun) {
  int inner_clicks = 0;
  controls.on_page = [&](int page) {
    if (page != 1) return;
    ++inner_clicks;
    step.BtnInstallClick();  // Alt+S or Enter reaching the handler while the run pumps
  };
  answers = {platform::kIdOk, platform::kIdOk};
  step.BtnInstallClick();
  EXPECT_EQ(inner_clicks, 1);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"确认", "确认"}));
  EXPECT_EQ(controls.pages_shown, (std::vector<int>{0, 1, 2}));
}

TEST_F(StepFlowRun, QuittingDuringTheRunStopsItAndClosesAfterward) {
  bool canceled_at_pump = false;
  controls.on_page = [&](int page) {
    if (page != 1) return;
    // The title bar's close button while the run pumps: the window asks.
    answers = {platform::kIdYes};
    EXPECT_FALSE(step.FormCloseQuery());  // not now: the run is still on the stack
    EXPECT_TRUE(step.CancelRequested);
    EXPECT_EQ(controls.close_requests, 0);
    try {
      step.PumpMessages();
    } catch (const app::ERunCanceled&) {
      canceled_at_pump = true;
    }
  };
  answers = {platform::kIdOk, platform::kIdOk};
  step.BtnInstallClick();
  EXPECT_TRUE(canceled_at_pump);
  ASSERT_EQ(Titles(), (std::vector<std::string>{"确认", "确认", "提示 "}));
  EXPECT_EQ(boxes[2].text, "确定要退出安装程序吗？");
  EXPECT_EQ(boxes[2].style, kQuestionYesNo);
  // Stopped: no finish page, no list saved, and the close requested once the
  // handler had returned; that close asks nothing more.
  EXPECT_EQ(controls.pages_shown, (std::vector<int>{0, 1}));
  EXPECT_FALSE(platform::FileExists(folder + "\\install.dl"));
  EXPECT_FALSE(step.Running);
  EXPECT_EQ(controls.close_requests, 1);
  EXPECT_EQ(controls.log.back(), "Close");
  EXPECT_TRUE(step.FormCloseQuery());
  EXPECT_EQ(boxes.size(), 3u);
}

TEST_F(StepFlowRun, NoToTheCloseQuestionLetsTheRunFinish) {
  controls.on_page = [&](int page) {
    if (page != 1) return;
    answers = {platform::kIdNo};
    EXPECT_FALSE(step.FormCloseQuery());
    step.PumpMessages();  // nothing to stop
  };
  answers = {platform::kIdOk, platform::kIdOk};
  step.BtnInstallClick();
  EXPECT_EQ(controls.pages_shown, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(controls.close_requests, 0);
  EXPECT_FALSE(step.CancelRequested);
  EXPECT_TRUE(platform::FileExists(folder + "\\install.dl"));
}
#endif

TEST_F(StepFlow, CloseQuestionBeforeTheFinish) {
  answers = {platform::kIdNo, platform::kIdYes};
  EXPECT_FALSE(step.FormCloseQuery());
  EXPECT_TRUE(step.FormCloseQuery());
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].title, "提示 ");
  EXPECT_EQ(boxes[0].text, "确定要退出安装程序吗？");
  EXPECT_EQ(boxes[0].style, kQuestionYesNo);
  EXPECT_EQ(controls.close_requests, 0);  // closing is the window's, on true
}

TEST_F(StepFlow, SecondCloseWhileTheQuestionIsOpenAsksNothing) {
  bool inner = true;
  on_box = [&](const Box&) {
    on_box = nullptr;
    inner = step.FormCloseQuery();  // the close button pressed again behind the box
  };
  answers = {platform::kIdYes};
  EXPECT_TRUE(step.FormCloseQuery());
  EXPECT_FALSE(inner);
  EXPECT_EQ(boxes.size(), 1u);
}

}  // namespace
