// The installation run driving the real wizard window (Windows): the run
// installs the carried payloads while the window's own progress bar, labels
// and message handling follow it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/step.h"
#include "app/toolkit.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/testing/temp_folder.h"
#include "ui/windows/step_window.h"

namespace {

using app::Control;
using dz::testing::TempFolder;

int CountFiles(const std::string& folder) {
  int count = 0;
  for (const auto& e : platform::ListDirectory(folder))
    count += e.attributes & platform::kAttrDirectory ? CountFiles(folder + e.name + "\\") : 1;
  return count;
}

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
  step.ExtractPayloads();
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

}  // namespace
