// The wizard's handlers and pages: the edition choice, the folder field,
// validation and confirmation, the run with registration and the uninstall
// list, the finish button, the close question and the window drag.
#include <exception>

#include "app/step.h"
#include "app/toolkit.h"
#include "common/install_list.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace app {
namespace {

constexpr int kShortenedLabelLength = 70;

// The texts of the flow. The empty-folder warning and the folder-exists
// question break their lines with LF CR, the confirmation with CR LF.
constexpr char kEmptyFolderText[] = "您必须输入完整的路径名称及驱动器;\n\r\n\r例如: C:\\APP";
constexpr char kNothingTickedText[] = "尚未选择任何需安装的系统！";
constexpr char kFolderExistsHead[] = "文件夹：\n\r\n\r";
constexpr char kFolderExistsTail[] = "\n\r\n\r已经存在，您希望安装到此文件夹中吗？";
constexpr char kBrowsePrompt[] = "选择要安装的文件夹后按 \"确定\"";
constexpr char kCloseQuestion[] = "确定要退出安装程序吗？";
constexpr char kCloseTitle[] = "提示 ";

constexpr Control kSystemBoxes[] = {Control::CkIns_Sc, Control::CkIns_Pos, Control::CkIns_WmSvr,
                                    Control::CkIns_Kds};
// What the progress page covers; disabled for the run so that no key press
// (Alt+S, Space, Enter) reaches a covered control and re-enters a handler.
constexpr Control kSelectionControls[] = {Control::eInsSysType, Control::EInstallFolder, Control::CkIns_Sc,
                                          Control::CkIns_Pos,   Control::CkIns_WmSvr,    Control::CkIns_Kds,
                                          Control::BtnInstall};

// Writes the uninstall list, replacing an existing file.
void SaveLines(const std::vector<std::string>& lines, const std::string& path) {
  const std::string bytes = install_list::JoinLines(lines);
  platform::File file(path, platform::File::Mode::Create);
  if (file.Write(bytes.data(), bytes.size()) != bytes.size()) throw platform::StreamWriteError();
}

}  // namespace

void TfStep::ShowPage(int page) { Controls->ShowPage(page); }

void TfStep::FormShow() { Controls->SetFocus(Control::eInsSysType); }

void TfStep::eInsSysTypeChange() {
  EditionKey = Trim(Controls->SelectedEditionKey());
  const bool chosen = EditionKey != kEditionNone;
  for (Control control : {Control::LInstallFolder, Control::EInstallFolder, Control::CkIns_Sc, Control::CkIns_Pos,
                          Control::BtnInstall})
    Controls->SetVisible(control, chosen);
  const bool catering = EditionKey == kEditionCatering;
  Controls->SetVisible(Control::CkIns_WmSvr, catering);
  Controls->SetVisible(Control::CkIns_Kds, catering);
  for (Control box : kSystemBoxes) Controls->SetChecked(box, false);
  ApplyEdition(EditionKey);
}

void TfStep::ApplyEdition(const std::string& key) {
  const std::string name = EditionText(key, fAppDirName);
  const std::string drive = platform::DirectoryExists("D:\\") ? "D:\\" : "C:\\";
  Controls->SetText(Control::EInstallFolder, drive + "Program Files\\" + name);
  Controls->SetText(Control::LExtractFilesInfo,
                    ShortenPathText(Controls->Text(Control::EInstallFolder), kShortenedLabelLength));
}

void TfStep::EInstallFolderEditButtons0Click() {
  const std::string current = Controls->Text(Control::EInstallFolder);
  const std::string initial = !current.empty() && platform::DirectoryExists(current) ? current : std::string();
  if (auto chosen = Controls->BrowseForFolder(kBrowsePrompt, initial)) Controls->SetText(Control::EInstallFolder, *chosen);
}

void TfStep::Panel2MouseDown() { Controls->BeginWindowDrag(); }

void TfStep::BtnInstallClick() {
  // A second click cannot come from the covered page, but nothing may start
  // the run again while it runs, whatever the window lets through.
  if (Running) return;
  // What is confirmed below is what is checked, installed and registered.
  const InstallRequest request = CaptureRequest();
  try {
    const std::string& folder = request.folder;
    if (folder.empty()) throw platform::Error(kEmptyFolderText);
    bool any_ticked = false;
    for (Control box : kSystemBoxes) any_ticked = any_ticked || Controls->IsChecked(box);
    if (!any_ticked) {
      Controls->SetFocus(Control::CkIns_Sc);
      throw platform::Error(kNothingTickedText);
    }
    if (platform::DirectoryExists(folder) && !AskConfirm(kFolderExistsHead + folder + kFolderExistsTail, MessageBoxes)) return;

    std::string confirmation = "安装目标位置:" + folder + "   \r\n\r\n安装系统:\r\n";
    for (Control box : kSystemBoxes)
      if (Controls->IsChecked(box)) confirmation += Controls->Text(box) + "\r\n";
    confirmation += "\r\n\r\n确定要开始安装以上系统吗？";
    if (!AskConfirm(confirmation, MessageBoxes)) return;
    // Files held open and a drive without room are found before anything is
    // written; the selection then stays as it is.
    if (!CheckBeforeWriting(request)) return;

    Running = true;
    CancelRequested = false;
    for (Control control : kSelectionControls) Controls->SetEnabled(control, false);
  } catch (const std::exception& e) {
    ShowWarning(e.what(), MessageBoxes);
    return;
  }

  try {
    // Until the first file starts the progress page names the folder being
    // installed to, which is not the proposed one when the user changed it.
    Controls->SetText(Control::LExtractFilesInfo, ShortenPathText(request.folder, kShortenedLabelLength));
    ShowPage(1);
    Controls->SetFocus(Control::ProgressBar1);
    InstallChosenSystems(request);
    CheckRunCanceled();
    ShowPage(2);
    Controls->SetFocus(Control::BtnFinish);
  } catch (const ERunCanceled&) {
  } catch (const ERunFailed& e) {
    // Undone: the selection page again, as the user left it.
    ShowError(e.what(), MessageBoxes);
    ReturnToSelection();
  } catch (const EPayloadDamaged& e) {
    ShowError(e.what(), MessageBoxes);
    ReturnToSelection();
  } catch (const std::exception& e) {
    // The component's own cancel (EUserCanceled) is no failure when the
    // user chose to quit.
    if (!CancelRequested) ShowWarning(e.what(), MessageBoxes);
  }
  Running = false;
  // The user chose to quit during the run: the window closes now that
  // nothing of the run is left on the stack.
  if (close_confirmed_) Controls->Close();
}

void TfStep::InstallChosenSystems(const InstallRequest& request) {
  ExtractPayloads(request);
  CommitRun();
  RegisterSystem(request);
  // The registration is complete once begun: its entry and shortcuts are
  // recorded in the list even when the user chose to quit meanwhile.
  SaveLines(UninstallList, request.InstallFolder() + install_list::kListName);
  ReportRegistrationFailures();
}

void TfStep::ReturnToSelection() {
  for (Control control : kSelectionControls) Controls->SetEnabled(control, true);
  ShowPage(0);
  Controls->SetFocus(Control::BtnInstall);
}

void TfStep::BtnFinishClick() {
  Finished = true;
  Controls->Close();
}

bool TfStep::FormCloseQuery() {
  if (Finished || close_confirmed_) return true;
  // A second close request while the question is on screen adds no second box.
  if (asking_close_) return false;
  asking_close_ = true;
  const bool yes = ShowMessageBox(kCloseQuestion, kCloseTitle, platform::kMbYesNo | platform::kMbIconQuestion,
                                  MessageBoxes) == platform::kIdYes;
  asking_close_ = false;
  if (!yes) return false;
  if (!Running) return true;
  // The window must outlive the run: stop the run at its next pump point and
  // close when BtnInstallClick returns.
  close_confirmed_ = true;
  CancelRequested = true;
  UnZipIt.Cancel();
  return false;
}

void TfStep::PumpMessages() {
  platform::ProcessMessages();
  CheckRunCanceled();
}

void TfStep::CheckRunCanceled() const {
  if (CancelRequested) throw ERunCanceled();
}

}  // namespace app
