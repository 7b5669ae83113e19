// Program entry of DIzavozi.exe: initialises the application (COM for the GUI
// thread, which the shell-link objects need; its title), creates the wizard
// fStep as the main window and runs the message loop until it has closed.
#include <windows.h>
#include <objbase.h>

#include "app/application.h"
#include "app/command_line.h"
#include "app/step.h"
#include "app/windows/single_instance.h"
#include "ui/step_window.h"

namespace {

// COM for this thread, released when the program ends.
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  app::windows::SingleInstance single_instance;
  if (!single_instance.IsFirst()) {
    app::windows::SingleInstance::SayAlreadyRunning();
    return app::kExitAlreadyRunning;
  }
  ComApartment com;
  app::SetApplicationTitle(app::kApplicationTitle);

  app::TfStep fStep;
  ui::StepWindow window(fStep);
  window.OnDestroyed = [] { PostQuitMessage(0); };
  if (!window.Create(instance, show_command)) return 1;

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.TranslateKey(message)) continue;  // Tab, arrows, Alt+S / Alt+C
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
