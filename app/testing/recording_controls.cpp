#include "app/testing/recording_controls.h"

namespace app::testing {

const char* ControlName(Control control) {
  switch (control) {
    case Control::Label1: return "Label1";
    case Control::eInsSysType: return "eInsSysType";
    case Control::LInstallFolder: return "LInstallFolder";
    case Control::EInstallFolder: return "EInstallFolder";
    case Control::CkIns_Sc: return "CkIns_Sc";
    case Control::CkIns_Pos: return "CkIns_Pos";
    case Control::CkIns_WmSvr: return "CkIns_WmSvr";
    case Control::CkIns_Kds: return "CkIns_Kds";
    case Control::BtnInstall: return "BtnInstall";
    case Control::EInstallProcess: return "EInstallProcess";
    case Control::LExtractFilesInfo: return "LExtractFilesInfo";
    case Control::ProgressBar1: return "ProgressBar1";
    case Control::ZipBar: return "ZipBar";
    case Control::BtnFinish: return "BtnFinish";
  }
  return "?";
}

std::vector<std::string> RecordingControls::Calls(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const auto& line : log)
    if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
  return found;
}

namespace {
std::string Named(const char* call, Control control) { return std::string(call) + " " + ControlName(control); }
}  // namespace

void RecordingControls::SetVisible(Control control, bool visible) {
  MemoryControls::SetVisible(control, visible);
  log.push_back(Named("SetVisible", control) + (visible ? " 1" : " 0"));
}

void RecordingControls::SetEnabled(Control control, bool enabled) {
  MemoryControls::SetEnabled(control, enabled);
  log.push_back(Named("SetEnabled", control) + (enabled ? " 1" : " 0"));
}

void RecordingControls::SetText(Control control, const std::string& text) {
  MemoryControls::SetText(control, text);
  log.push_back(Named("SetText", control) + " " + text);
}

void RecordingControls::SetChecked(Control control, bool checked) {
  MemoryControls::SetChecked(control, checked);
  log.push_back(Named("SetChecked", control) + (checked ? " 1" : " 0"));
}

void RecordingControls::SelectEditionKey(const std::string& key) {
  MemoryControls::SelectEditionKey(key);
  log.push_back("SelectEditionKey " + key);
}

void RecordingControls::SetRange(Control bar, int minimum, int maximum) {
  MemoryControls::SetRange(bar, minimum, maximum);
  std::string line = Named("SetRange", bar) + " " + std::to_string(minimum) + " " + std::to_string(maximum);
  log.push_back(line);
}

void RecordingControls::SetPosition(Control bar, int position) {
  MemoryControls::SetPosition(bar, position);
  std::string line = Named("SetPosition", bar) + " " + std::to_string(position);
  log.push_back(line);
  if (on_call) on_call(line);
}

void RecordingControls::SetFocus(Control control) {
  MemoryControls::SetFocus(control);
  log.push_back(Named("SetFocus", control));
}

void RecordingControls::Repaint(Control control) {
  std::string line = Named("Repaint", control);
  log.push_back(line);
  if (on_call) on_call(line);
}

void RecordingControls::ShowPage(int page) {
  MemoryControls::ShowPage(page);
  pages_shown.push_back(page);
  log.push_back("ShowPage " + std::to_string(page));
}

std::optional<std::string> RecordingControls::BrowseForFolder(const std::string& prompt,
                                                              const std::string& initial_folder) {
  browse_prompt = prompt;
  browse_initial = initial_folder;
  log.push_back("BrowseForFolder " + initial_folder);
  return browse_answer;
}

void RecordingControls::BeginWindowDrag() {
  ++drags;
  log.push_back("BeginWindowDrag");
}

void RecordingControls::Close() {
  MemoryControls::Close();
  log.push_back("Close");
}

void RecordingControls::OpenProgressWindow() {
  progress_window_open = true;
  log.push_back("OpenProgressWindow");
}

void RecordingControls::ShowProgressInfo(const std::string& text) {
  progress_texts.push_back(text);
  log.push_back("ShowProgressInfo " + text);
  if (on_call) on_call("ShowProgressInfo " + text);
}

void RecordingControls::CloseProgressWindow() {
  progress_window_open = false;
  log.push_back("CloseProgressWindow");
}

}  // namespace app::testing
