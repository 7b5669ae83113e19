#include "app/application.h"

#include "platform/dialogs.h"

namespace app {
namespace {

std::string& Title() {
  static std::string title;
  return title;
}

}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }
const std::string& ApplicationTitle() { return Title(); }

void ShowException(const std::string& message) {
  platform::ShowMessageBox(message, ApplicationTitle(), platform::kMbOk | platform::kMbIconError,
                           platform::MessageBoxOwner::ActiveWindow);
}

}  // namespace app
