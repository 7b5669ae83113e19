// A person at the keyboard and mouse of a running DIzavozi.exe: starts the
// program, finds its windows and controls from outside (by enumerating the
// windows, never by asking the program), and acts only through input events
// (SendInput: pointer moves, button presses, key strokes), the way a user
// does. It never sends a control a message that acts on it; it reads texts
// of windows to find them and to see what the user would see.
//
// Input is never followed by a pause of a guessed length: each step waits
// for what the user would see happen (a box that opens, a field that shows
// the text typed, a box that is ticked, a window that moves). Every wait has
// a time limit; a wait that runs out fails the scenario with what was
// expected.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing/windows_programs.h"

namespace install_test {

// A scenario step that did not go as a user expects.
class ScenarioFailure : public std::runtime_error {
 public:
  explicit ScenarioFailure(const std::string& what) : std::runtime_error(what) {}
};

std::string Utf8(const std::wstring& text);
// Fails the scenario (ScenarioFailure) unless ok; prints the step either way.
void Expect(bool ok, const std::string& what);
// The same for the many small preconditions of a step: printed only when
// they fail.
void Require(bool ok, const std::string& what);

// Polls condition every 10 ms until it holds or milliseconds pass.
bool WaitFor(const std::function<bool()>& condition, int milliseconds);
// Expect(WaitFor(condition, milliseconds), what).
void ExpectSoon(const std::function<bool()>& condition, const std::string& what, int milliseconds = 10000);

// A message box of the program as the user sees it.
struct Box {
  HWND window = nullptr;
  std::wstring title, text;
  std::vector<std::wstring> buttons;  // captions, access-key marks removed
  std::vector<std::wstring> labels;   // every visible static text of the dialog
};

class User {
 public:
  User() = default;
  ~User();  // ends the program if it is still running
  User(const User&) = delete;
  User& operator=(const User&) = delete;

  // Starts the program and waits until its main window (the visible
  // top-level window titled title) is up with the keyboard focus inside.
  void Start(const std::wstring& exe, const std::wstring& title);
  // The same in two steps, for a program that asks something before its
  // window opens.
  void Launch(const std::wstring& exe);
  void WaitForWindow(const std::wstring& title);
  HWND Window() const { return window_; }
  DWORD ProcessId() const { return program_ ? program_->Id() : 0; }
  HANDLE Process() const { return program_ ? program_->Handle() : nullptr; }
  bool Running() const;
  // Waits for the program to end; its exit code, or -1 when it did not end.
  int WaitForExit(int milliseconds);

  // Controls of the main window by caption (access-key "&" included), or by
  // window class; only visible ones, nullptr when there is none.
  HWND FindByText(const std::wstring& text) const;
  HWND FindByClass(const std::wstring& class_name) const;
  std::wstring ControlText(HWND control) const;  // what the control shows
  bool IsTicked(HWND check_box) const;            // the check mark a box shows
  std::vector<HWND> Controls() const;            // every child window of the main window
  // The window of the program that has the keyboard focus, or nullptr.
  HWND Focus() const;

  // True when a person can reach the control's centre: visible, enabled,
  // and the window under that point is the control (or inside it).
  bool Reachable(HWND control) const;

  // Input. Click and ClickAt fail the scenario when the point is covered by
  // another window than the one meant.
  void Click(HWND control);
  void ClickAt(POINT screen_point, HWND expected_under_point);
  // The same while the program is held still (dz::testing::ProcessHold): the
  // press and the release wait in its queue.
  void ClickAt(POINT screen_point, HWND expected_under_point, bool program_held);
  // Presses the left button at from, moves the pointer to to in steps,
  // releases it there; window must end moved by to - from.
  void Drag(POINT from, POINT to, HWND expected_under_point, HWND window);
  void Key(WORD virtual_key, bool alt = false, bool shift = false, bool control = false);
  // The same key strokes one right after the other, with no pause between.
  void QuickKeys(const std::vector<std::pair<WORD, bool>>& keys_with_alt);
  void Type(const std::wstring& text);
  // Empties a one-line field that has the focus (Home, Shift+End, Delete).
  void ClearField();
  // Presses the close button of the skinned title bar (program_held: see
  // ClickAt).
  void ClickTitleBarClose(bool program_held = false);

  // Message boxes: waits for one to appear and take the keyboard focus,
  // reads it; answers it by clicking the button whose caption is one of the
  // given texts, and waits for it to close.
  Box WaitForBox(int milliseconds);
  bool BoxOpen() const;
  void Answer(const Box& box, const std::vector<std::wstring>& captions);

  // Every visible top-level window of the program (the progress window among
  // them), with its title.
  std::vector<HWND> TopLevelWindows() const;
  HWND FindTopLevel(const std::wstring& title) const;

  // Saves what is on screen inside window as a 24-bit BMP file.
  void Screenshot(HWND window, const std::wstring& bmp_path) const;

  // What a failure report needs of the program's state: its main window,
  // which windows hold the mouse, the activation and the focus, and how many
  // threads it runs.
  std::string DescribeState() const;

 private:
  // One press, move and release; whether the window ended where the pointer
  // took it.
  bool DragOnce(POINT from, POINT to, HWND expected_under_point, HWND window);

  std::unique_ptr<dz::testing::StartedProgram> program_;
  HWND window_ = nullptr;
  std::string last_press_;  // what took the last press of ClickAt
};

}  // namespace install_test
