#include "app/install_request.h"

#include "app/toolkit.h"

namespace app {

std::string InstallRequest::InstallFolder() const { return WithBackslash(folder); }

InstallRequest MakeInstallRequest(const std::string& folder_as_typed, const ChosenSystems& systems) {
  return InstallRequest{folder_as_typed, Trim(folder_as_typed), systems};
}

}  // namespace app
