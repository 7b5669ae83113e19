// The wizard's handlers and pages. (Being written: the flow's handlers.)
#include "app/step.h"

namespace app {

void TfStep::FormShow() {}
bool TfStep::FormCloseQuery() { return true; }
void TfStep::eInsSysTypeChange() {}
void TfStep::EInstallFolderEditButtons0Click() {}
void TfStep::BtnInstallClick() {}
void TfStep::BtnFinishClick() {}
void TfStep::Panel2MouseDown() {}
void TfStep::ShowPage(int) {}
void TfStep::ApplyEdition(const std::string&) {}

}  // namespace app
