// A StepControls that keeps the controls' state in memory and records every
// call, so that the wizard's flow, run and registration are tested natively.
// Tests read the state (texts, visibility, bars) and the call log, and may
// script the folder browser's answer.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/step_controls.h"

namespace app::testing {

const char* ControlName(Control control);

class RecordingControls : public StepControls {
 public:
  struct ControlState {
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::string text;
    int minimum = 0, maximum = 100, position = 0;
  };

  void SetVisible(Control control, bool visible) override;
  bool IsVisible(Control control) const override { return Get(control).visible; }
  void SetEnabled(Control control, bool enabled) override;
  void SetText(Control control, const std::string& text) override;
  std::string Text(Control control) const override { return Get(control).text; }
  void SetChecked(Control control, bool checked) override;
  bool IsChecked(Control control) const override { return Get(control).checked; }
  std::string SelectedEditionKey() const override { return edition_key; }
  void SelectEditionKey(const std::string& key) override;
  void SetRange(Control bar, int minimum, int maximum) override;
  void SetPosition(Control bar, int position) override;
  int Position(Control bar) const override { return Get(bar).position; }
  int Maximum(Control bar) const override { return Get(bar).maximum; }
  void SetFocus(Control control) override;
  void Repaint(Control control) override;
  void ShowPage(int page) override;
  std::optional<std::string> BrowseForFolder(const std::string& prompt, const std::string& initial_folder) override;
  void BeginWindowDrag() override;
  void Close() override;
  void OpenProgressWindow() override;
  void ShowProgressInfo(const std::string& text) override;
  void CloseProgressWindow() override;

  ControlState& State(Control control) { return controls[control]; }
  const ControlState& Get(Control control) const;

  // Every call, one line each, e.g. "SetText EInstallProcess 正在复制安装文件...".
  std::vector<std::string> log;
  // Lines of the log that start with prefix, in order.
  std::vector<std::string> Calls(const std::string& prefix) const;

  std::map<Control, ControlState> controls;
  std::string edition_key = "N";
  std::vector<int> pages_shown;
  std::optional<Control> focused;
  bool progress_window_open = false;
  std::vector<std::string> progress_texts;
  int close_requests = 0;
  int drags = 0;
  // The folder browser's answer (nullopt: the user cancels), and what it was
  // asked with.
  std::optional<std::string> browse_answer;
  std::string browse_prompt, browse_initial;
  // Called on every SetPosition/Repaint, e.g. to act "while the run pumps".
  std::function<void(const std::string& call)> on_call;
};

}  // namespace app::testing
