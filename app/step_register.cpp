// Registration and shortcuts. (Being written.)
#include "app/step.h"

namespace app {

void TfStep::RegisterSystem() {}
void TfStep::RegisterUninstall() {}
bool TfStep::CreateShortcut(const std::string&, const std::string&, const std::string&, int) { return false; }

}  // namespace app
