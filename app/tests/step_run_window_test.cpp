// The installation run driving the real wizard window (Windows): the run
// installs the carried payloads while the window's own progress bar, labels
// and message handling follow it, and the window holds off a logoff or a
// shutdown while the run runs.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/step.h"
#include "app/toolkit.h"
#include "app/unfinished_run.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/testing/temp_folder.h"
#include "ui/windows/step_window.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace {

using app::Control;
using dz::testing::CountFiles;
using dz::testing::TempFolder;

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

int probe_messages = 0;
LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_USER + 1) ++probe_messages;
  return DefWindowProcW(window, message, wparam, lparam);
}

class RunInWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    app::JournalRecord::Remove();  // none left by another test program
    ASSERT_EQ(GetACP(), 936u);
    // The scratch folder with "cRc.in" in a folder of this test (GetTempPath
    // reads TMP, then TEMP).
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t buffer[1024];
      DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
      saved_.push_back(n && n < 1024 ? std::wstring(buffer, n) : std::wstring());
      std::wstring wide(temp.path().begin(), temp.path().end());  // an ASCII folder
      SetEnvironmentVariableW(name, wide.c_str());
    }
    platform::SetMessageBoxResponder([this](const std::string& text, const std::string& title, unsigned) {
      boxes.push_back(title + "|" + text);
      return platform::kIdOk;
    });
    window = std::make_unique<ui::StepWindow>(step);
    ASSERT_TRUE(window->Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    Pump();
  }
  void TearDown() override {
    // These tests run extractions without their commit: what such a run
    // keeps under the machine's key would be the next test's unfinished run.
    app::JournalRecord::Remove();
    window.reset();
    Pump();
    platform::SetMessageBoxResponder(nullptr);
    platform::SetMessagePumpHook(nullptr);
    SetEnvironmentVariableW(L"TMP", saved_[0].empty() ? nullptr : saved_[0].c_str());
    SetEnvironmentVariableW(L"TEMP", saved_[1].empty() ? nullptr : saved_[1].c_str());
  }

  TempFolder temp, root;
  app::TfStep step;
  std::unique_ptr<ui::StepWindow> window;
  std::vector<std::string> boxes;
  std::vector<std::wstring> saved_;
};

TEST_F(RunInWindow, CateringRunFillsTheWindowsBarAndLabels) {
  const std::string folder = root.path() + "Orvane云专家美食版V3";
  window->SetText(Control::EInstallFolder, folder);
  step.EditionKey = "CySaaS";
  for (Control c : {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr, Control::CkIns_Kds})
    window->SetChecked(c, true);
  step.ShowPage(1);

  // The run lets the thread's window messages run: a message posted at its
  // first pump point reaches its window before the run ends.
  probe_messages = 0;
  WNDCLASSW probe_class{};
  probe_class.lpfnWndProc = ProbeProc;
  probe_class.hInstance = GetModuleHandleW(nullptr);
  probe_class.lpszClassName = L"DzRunProbe";
  RegisterClassW(&probe_class);
  HWND probe = CreateWindowExW(0, L"DzRunProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(probe);
  int pumps = 0;
  platform::SetMessagePumpHook([&] {
    if (pumps++ == 0) PostMessageW(probe, WM_USER + 1, 0, 0);
  });
  step.ExtractPayloads(step.CaptureRequest());
  platform::SetMessagePumpHook(nullptr);

  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_EQ(probe_messages, 1);
  EXPECT_GE(pumps, 6 + 416);  // before each payload is written, at each entry's start
  DestroyWindow(probe);
  HWND bar = window->ControlWindow(Control::ProgressBar1);
  PBRANGE range{};
  SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 483);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 416);
  EXPECT_EQ(WindowText(window->ControlWindow(Control::EInstallProcess)), L"正在复制安装文件...");
  // The last entry started: the uninstaller, in the folder itself.
  EXPECT_EQ(window->Text(Control::LExtractFilesInfo), app::ShortenPathText(folder + "\\UnInstall.exe", 70));

  EXPECT_EQ(CountFiles(folder + "\\"), 416 + 1);  // and Install.in
  EXPECT_EQ(step.UninstallList.size(), 416u + 2);
  EXPECT_FALSE(platform::DirectoryExists(step.ScratchFolder() + "_wtsInstall")) << "the payload copies are gone";
}

// The system asks the window before a logoff or a shutdown: it agrees before
// the run, refuses while the run runs (asked from the run's pump point),
// agrees again once the run is over, and then the end of the session closes
// the window without the close question.
TEST_F(RunInWindow, LogoffAndShutdownAreRefusedOnlyWhileTheRunRuns) {
  HWND main = window->handle();
  window->SelectEditionKey("CySaaS");
  step.eInsSysTypeChange();
  window->SetText(Control::EInstallFolder, root.path() + "Orvane");
  window->SetChecked(Control::CkIns_Sc, true);
  EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);

  std::vector<LRESULT> during;
  bool running_when_asked = false;
  platform::SetMessagePumpHook([&] {
    if (!during.empty()) return;
    running_when_asked = step.Running;
    during.push_back(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    during.push_back(SendMessageW(main, WM_QUERYENDSESSION, 0, 0));  // a shutdown
    // The run stops at its next pump point, as after Yes to the close
    // question, but the window stays.
    step.CancelRequested = true;
  });
  HWND install = window->ControlWindow(Control::BtnInstall);
  SendMessageW(install, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(install, WM_KEYUP, VK_SPACE, 0);
  platform::SetMessagePumpHook(nullptr);

  ASSERT_EQ(boxes.size(), 1u) << boxes.back();
  EXPECT_EQ(boxes[0].rfind("确认|安装目标位置:", 0), 0u) << boxes[0];
  EXPECT_TRUE(running_when_asked);
  EXPECT_EQ(during, (std::vector<LRESULT>{FALSE, FALSE}));
  EXPECT_FALSE(step.Running);
  EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(boxes.size(), 1u) << "no close question: " << boxes.back();
}

}  // namespace
