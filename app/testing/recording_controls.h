// A StepControls that keeps the controls' state in memory (MemoryControls)
// and records every call, so that the wizard's flow, run and registration are
// tested natively. Tests read the state (texts, visibility, bars) and the
// call log, and may script the folder browser's answer.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/memory_controls.h"

namespace app::testing {

const char* ControlName(Control control);

class RecordingControls : public MemoryControls {
 public:
  void SetVisible(Control control, bool visible) override;
  void SetEnabled(Control control, bool enabled) override;
  void SetText(Control control, const std::string& text) override;
  void SetChecked(Control control, bool checked) override;
  void SelectEditionKey(const std::string& key) override;
  void SetRange(Control bar, int minimum, int maximum) override;
  void SetPosition(Control bar, int position) override;
  void SetFocus(Control control) override;
  void Repaint(Control control) override;
  void ShowPage(int page) override;
  std::optional<std::string> BrowseForFolder(const std::string& prompt, const std::string& initial_folder) override;
  void BeginWindowDrag() override;
  void Close() override;
  void OpenProgressWindow() override;
  void ShowProgressInfo(const std::string& text) override;
  void CloseProgressWindow() override;

  // Every call, one line each, e.g. "SetText EInstallProcess 正在复制安装文件...".
  std::vector<std::string> log;
  // Lines of the log that start with prefix, in order.
  std::vector<std::string> Calls(const std::string& prefix) const;

  std::vector<int> pages_shown;
  bool progress_window_open = false;
  std::vector<std::string> progress_texts;
  int drags = 0;
  // The folder browser's answer (nullopt: the user cancels), and what it was
  // asked with.
  std::optional<std::string> browse_answer;
  std::string browse_prompt, browse_initial;
  // Called on every SetPosition/Repaint/ShowProgressInfo, e.g. to act "while
  // the run pumps".
  std::function<void(const std::string& call)> on_call;
};

}  // namespace app::testing
