// The fixed message boxes as Windows shows them (MessageBoxW), answered by a
// script: a thread finds the box of this process, reads its title, text and
// buttons, and answers it the way a user would (Esc, the close box, a button).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/toolkit.h"
#include "platform/testing/windows_programs.h"
#include "platform/windows/wide.h"

namespace {

enum class Answer { Escape, Close, ClickOk, ClickCancel };

struct SeenBox {
  std::string title, text;
  bool ok_visible = false, cancel_visible = false;
  bool found = false;
};

BOOL CALLBACK FindBoxOfThisProcess(HWND window, LPARAM data) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(class_name) == L"#32770") {
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindOwnMessageBox() {
  HWND found = nullptr;
  EnumWindows(FindBoxOfThisProcess, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool ButtonVisible(HWND box, int id) {
  HWND button = GetDlgItem(box, id);
  return button && IsWindowVisible(button);
}

// Runs show() on this thread while a helper thread answers the box it opens.
SeenBox ShowAndAnswer(const std::function<void()>& show, Answer answer) {
  SeenBox seen;
  std::thread responder([&] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !box; ++i) {
      Sleep(20);
      box = FindOwnMessageBox();
    }
    if (!box) return;
    if (!dz::testing::WaitUntil([&] { return dz::testing::DialogReady(box); }, 10000)) return;
    wchar_t buffer[1024] = {};
    GetWindowTextW(box, buffer, 1024);
    seen.title = platform::windows::Narrow(buffer, wcslen(buffer));
    GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
    seen.text = platform::windows::Narrow(buffer, wcslen(buffer));
    seen.ok_visible = ButtonVisible(box, IDOK);
    seen.cancel_visible = ButtonVisible(box, IDCANCEL);
    seen.found = true;
    switch (answer) {
      case Answer::Escape:
      {
        // What the keyboard delivers: the key goes to the box's focused
        // control, and the box's dialog manager turns it into Cancel.
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info);
        HWND target = info.hwndFocus ? info.hwndFocus : box;
        PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        break;
      }
      case Answer::Close:
        PostMessageW(box, WM_CLOSE, 0, 0);
        break;
      case Answer::ClickOk:
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        break;
      case Answer::ClickCancel:
        PostMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
        break;
    }
  });
  show();
  responder.join();
  return seen;
}

TEST(MessageBoxesUnderWindows, AskConfirmAnswers) {
  struct Case {
    Answer answer;
    bool expected;
    const char* what;
  } cases[] = {
      {Answer::Escape, false, "Esc"},
      {Answer::Close, false, "close box"},
      {Answer::ClickCancel, false, "Cancel"},
      {Answer::ClickOk, true, "OK"},
  };
  for (const auto& c : cases) {
    bool result = !c.expected;
    SeenBox seen = ShowAndAnswer([&] { result = app::AskConfirm("确定要开始安装以上系统吗？"); }, c.answer);
    ASSERT_TRUE(seen.found) << c.what;
    EXPECT_EQ(result, c.expected) << c.what;
    EXPECT_EQ(seen.title, "确认") << c.what;
    EXPECT_EQ(seen.text, "确定要开始安装以上系统吗？") << c.what;
    EXPECT_TRUE(seen.ok_visible && seen.cancel_visible) << c.what;
  }
}

TEST(MessageBoxesUnderWindows, ErrorAndWarningHaveOnlyOk) {
  SeenBox error = ShowAndAnswer([] { app::ShowError("所要安装的程序正在运行中,请退出后再安装！"); }, Answer::ClickOk);
  ASSERT_TRUE(error.found);
  EXPECT_EQ(error.title, "错误");
  EXPECT_EQ(error.text, "所要安装的程序正在运行中,请退出后再安装！");
  EXPECT_TRUE(error.ok_visible);
  EXPECT_FALSE(error.cancel_visible);

  SeenBox warning = ShowAndAnswer([] { app::ShowWarning("尚未选择任何需安装的系统！"); }, Answer::Escape);
  ASSERT_TRUE(warning.found);
  EXPECT_EQ(warning.title, "警告");
  EXPECT_EQ(warning.text, "尚未选择任何需安装的系统！");
  EXPECT_FALSE(warning.cancel_visible);
}

}  // namespace
