// A StepControls with no window: the controls' state (visibility, texts,
// check marks, the edition key, the bars) is kept in memory and nothing is
// shown. The unattended installation runs the wizard's logic on it; the
// tests' recording fake builds on it.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "app/step_controls.h"

namespace app {

class MemoryControls : public StepControls {
 public:
  struct ControlState {
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::string text;
    int minimum = 0, maximum = 100, position = 0;
  };

  void SetVisible(Control control, bool visible) override { controls[control].visible = visible; }
  bool IsVisible(Control control) const override { return Get(control).visible; }
  void SetEnabled(Control control, bool enabled) override { controls[control].enabled = enabled; }
  void SetText(Control control, const std::string& text) override { controls[control].text = text; }
  std::string Text(Control control) const override { return Get(control).text; }
  void SetChecked(Control control, bool checked) override { controls[control].checked = checked; }
  bool IsChecked(Control control) const override { return Get(control).checked; }
  std::string SelectedEditionKey() const override { return edition_key; }
  void SelectEditionKey(const std::string& key) override { edition_key = key; }
  void SetRange(Control bar, int minimum, int maximum) override;
  void SetPosition(Control bar, int position) override { controls[bar].position = position; }
  int Position(Control bar) const override { return Get(bar).position; }
  int Maximum(Control bar) const override { return Get(bar).maximum; }
  void SetFocus(Control control) override { focused = control; }
  void Repaint(Control) override {}
  void ShowPage(int page) override { page_shown = page; }
  // Nobody to ask: the folder stays as it is.
  std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void BeginWindowDrag() override {}
  void Close() override { ++close_requests; }
  void OpenProgressWindow() override {}
  void ShowProgressInfo(const std::string&) override {}
  void CloseProgressWindow() override {}

  ControlState& State(Control control) { return controls[control]; }
  const ControlState& Get(Control control) const;

  std::map<Control, ControlState> controls;
  std::string edition_key = "N";
  std::optional<Control> focused;
  std::optional<int> page_shown;
  int close_requests = 0;
};

}  // namespace app
