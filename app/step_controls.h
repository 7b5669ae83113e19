// What the wizard's logic reads and writes of its windows. TfStep (app/) is
// written against this interface only: the Win32 window in ui/ implements it
// on the real controls, a recording fake (app/testing/) lets the flow, the run
// and the registration be tested natively, and the unattended installation
// runs them with no window at all.
//
// Controls are addressed by the layout's names. Texts are GBK.
#pragma once

#include <optional>
#include <string>

namespace app {

enum class Control {
  // selection page (Panel2)
  Label1,
  eInsSysType,
  LInstallFolder,
  EInstallFolder,
  CkIns_Sc,
  CkIns_Pos,
  CkIns_WmSvr,
  CkIns_Kds,
  BtnInstall,
  // progress page (Panel9 on Panel5)
  EInstallProcess,
  LExtractFilesInfo,
  ProgressBar1,
  ZipBar,
  // finish page (Panel6)
  BtnFinish,
};

class StepControls {
 public:
  virtual ~StepControls() = default;

  virtual void SetVisible(Control control, bool visible) = 0;
  virtual bool IsVisible(Control control) const = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;

  // Caption of a label, check box or button; text of the folder field.
  virtual void SetText(Control control, const std::string& text) = 0;
  virtual std::string Text(Control control) const = 0;

  // Check boxes.
  virtual void SetChecked(Control control, bool checked) = 0;
  virtual bool IsChecked(Control control) const = 0;

  // The keyed drop-down list eInsSysType: the key of the entry shown ("N",
  // "CySaaS", "SySaaS"); selecting by key does not raise the change event.
  virtual std::string SelectedEditionKey() const = 0;
  virtual void SelectEditionKey(const std::string& key) = 0;

  // Progress bars (ProgressBar1, ZipBar).
  virtual void SetRange(Control bar, int minimum, int maximum) = 0;
  virtual void SetPosition(Control bar, int position) = 0;
  virtual int Position(Control bar) const = 0;
  virtual int Maximum(Control bar) const = 0;

  virtual void SetFocus(Control control) = 0;
  // Repaints the control at once (labels during the run).
  virtual void Repaint(Control control) = 0;

  // Places page n's panel (0 selection, 1 progress, 2 finish) on the window
  // below the title bar, over any panel placed before.
  virtual void ShowPage(int page) = 0;

  // The shell's folder browser, owned by the wizard window, the program's
  // other windows disabled while it is open; the chosen folder, or nullopt
  // when the user cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& prompt,
                                                     const std::string& initial_folder) = 0;

  // The window follows the mouse until the button is released (the page
  // background dragged like the title bar).
  virtual void BeginWindowDrag() = 0;

  // Asks the window to close (the close question of FormCloseQuery applies).
  virtual void Close() = 0;

  // The progress window fProcess: created owned by the wizard, shown and
  // repainted; ShowProgressInfo sets its text, lets pending messages run and
  // repaints it before returning; CloseProgressWindow hides, repaints and
  // releases it (harmless when none is open).
  virtual void OpenProgressWindow() = 0;
  virtual void ShowProgressInfo(const std::string& text) = 0;
  virtual void CloseProgressWindow() = 0;
};

}  // namespace app
