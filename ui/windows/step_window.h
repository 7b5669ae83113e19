// The window of the wizard fStep (TfStep), Windows only. It holds no logic:
// it lays out the title bar, the hidden page container with its three pages
// and every control as the wizard's layout gives them, carries out what
// app::TfStep asks through app::StepControls, and forwards the window's
// events to TfStep's handlers:
//   creation      -> CreateForm            show     -> FormShow
//   close request -> FormCloseQuery        destroy  -> FormDestroy
//   Panel2 / page picture pressed          -> Panel2MouseDown (window drag)
//   eInsSysType picked                     -> eInsSysTypeChange
//   EInstallFolder's ellipsis button       -> EInstallFolderEditButtons0Click
//   BtnInstall, BtnFinish                  -> BtnInstallClick, BtnFinishClick
//
// While TfStep's run runs, the window refuses a logoff or shutdown
// (WM_QUERYENDSESSION) and gives the system its reason; at any other time a
// logoff closes it without the close question.
//
// A handler may let window messages run (the installation does). Meanwhile
// no control event starts a second handler, a control on a covered page
// starts none at all, and a close that FormCloseQuery allows waits until the
// running handler has returned, so the window never goes from under it.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/step.h"
#include "app/step_controls.h"
#include "platform/windows/gdi_handles.h"
#include "ui/windows/controls.h"
#include "ui/windows/process_window.h"

namespace skin::win32 {
class SkinButtonWindow;
class TitleBarWindow;
}  // namespace skin::win32

namespace ui {

class ShutdownBlockReason;

class StepWindow final : public app::StepControls {
 public:
  static constexpr wchar_t kClassName[] = L"TfStep";
  static constexpr int kClientWidth = 742;
  static constexpr int kClientHeight = 473;
  static constexpr int kTitleHeight = 25;
  static constexpr int kPageCount = 3;

  // The wizard's logic; it is given this window as its controls.
  explicit StepWindow(app::TfStep& step);
  StepWindow(const StepWindow&) = delete;
  StepWindow& operator=(const StepWindow&) = delete;
  ~StepWindow() override;

  // Creates the window centred on the screen and shows it. False when the
  // window system refuses.
  bool Create(HINSTANCE instance, int show_command);
  HWND handle() const { return window_; }

  // Runs after the window is gone (the program's loop ends here).
  std::function<void()> OnDestroyed;

  // For the message loop: the keyboard interface of the layout (Tab, arrows,
  // Alt+letter on the skinned buttons). True when the message was used.
  bool TranslateKey(MSG& message);

  // The windows of the layout, for reading the control tree back.
  HWND ControlWindow(app::Control control) const;
  HWND TitleBar() const;
  HWND PageContainer() const { return page_control_.hwnd(); }
  HWND Sheet(int page) const { return sheets_[page].hwnd(); }
  HWND PagePanel(int page) const { return pages_[page].hwnd(); }
  HWND Panel9() const { return panel9_.hwnd(); }
  HWND ProgressWindow() const { return process_ ? process_->hwnd() : nullptr; }
  HWND ProgressInfo() const { return process_ ? process_->info() : nullptr; }
  // The last page placed on top (-1 before the first).
  int TopPage() const { return top_page_; }

  // app::StepControls
  void SetVisible(app::Control control, bool visible) override;
  bool IsVisible(app::Control control) const override;
  void SetEnabled(app::Control control, bool enabled) override;
  void SetText(app::Control control, const std::string& text) override;
  std::string Text(app::Control control) const override;
  void SetChecked(app::Control control, bool checked) override;
  bool IsChecked(app::Control control) const override;
  std::string SelectedEditionKey() const override;
  void SelectEditionKey(const std::string& key) override;
  void SetRange(app::Control bar, int minimum, int maximum) override;
  void SetPosition(app::Control bar, int position) override;
  int Position(app::Control bar) const override;
  int Maximum(app::Control bar) const override;
  void SetFocus(app::Control control) override;
  void Repaint(app::Control control) override;
  void ShowPage(int page) override;
  std::optional<std::string> BrowseForFolder(const std::string& prompt, const std::string& initial_folder) override;
  void BeginWindowDrag() override;
  void Close() override;
  void OpenProgressWindow() override;
  void ShowProgressInfo(const std::string& text) override;
  void CloseProgressWindow() override;

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  // The controls of the layout, page by page, with their events wired.
  void CreateLayout();
  void CreateTitleBar();
  void CreateSelectionPage();
  void FitEditionFieldHeight();
  void CreateProgressPage();
  void LoadPictures();
  void StyleProgressBar();
  void DrawEditionItem(const DRAWITEMSTRUCT& item);
  // Runs a handler of TfStep: its failure is shown in the application's
  // error box, and a close allowed meanwhile is carried out once the
  // outermost handler has returned.
  void RunHandler(const std::function<void()>& handler);
  // A control's event: dropped while another handler runs, when the control
  // is disabled or hidden, or when its page is covered.
  void ControlEvent(app::Control source, void (app::TfStep::*handler)());
  void CloseRequested();
  int PageOf(app::Control control) const;
  // The shutdown reason registered while step_.Running, and gone otherwise;
  // brought up to date where the run starts and ends and when asked.
  void HoldShutdownWhileRunning();
  LRESULT QueryEndSession();
  void EndSession(bool ending);

  app::TfStep& step_;
  HWND window_ = nullptr;
  platform::windows::OwnedFont font12_, font14_, font19_;
  skin::win32::TitleBarWindow* title_bar_ = nullptr;  // owned by its window
  Container page_control_;  // PageControl1
  std::array<Container, kPageCount> sheets_;  // TabSheet1, TabSheet3, TabSheet4
  std::array<Panel, kPageCount> pages_;  // Panel2, Panel5, Panel6
  Panel panel9_;
  Label label1_, install_folder_label_, install_process_, extract_files_info_;
  ButtonEdit install_folder_;
  skin::win32::SkinButtonWindow* install_button_ = nullptr;  // owned by their windows
  skin::win32::SkinButtonWindow* finish_button_ = nullptr;
  HWND edition_list_ = nullptr;
  std::array<HWND, 4> system_boxes_{};  // CkIns_Sc, CkIns_Pos, CkIns_WmSvr, CkIns_Kds
  HWND progress_bar_ = nullptr, zip_bar_ = nullptr;
  std::unique_ptr<ProcessWindow> process_;
  std::unique_ptr<ShutdownBlockReason> shutdown_block_;
  int top_page_ = -1;
  int handler_depth_ = 0;
  bool close_pending_ = false;
  HWND saved_focus_ = nullptr;
};

}  // namespace ui
