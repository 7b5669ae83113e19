// Program entry of DIzavozi.exe: initialises the application (COM for the GUI
// thread, which the shell-link objects need; its title), creates the wizard
// fStep as the main window and runs the message loop until it has closed.
// With /S it installs unattended instead, with no window; /? shows the usage.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/step.h"
#include "app/toolkit.h"
#include "app/unattended.h"
#include "app/windows/single_instance.h"
#include "platform/dialogs.h"
#include "platform/windows/system_dlls.h"
#include "platform/windows/wide.h"
#include "ui/windows/step_window.h"

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

// The arguments after the program name, as GBK text.
std::vector<std::string> Arguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide && i < count; ++i) arguments.push_back(platform::windows::Narrow(wide[i]));
  if (wide) LocalFree(wide);
  return arguments;
}

// A silent run was meant when /S is among the arguments, even when the rest
// of the command line is wrong: nothing may then wait for a person.
bool MeantSilent(const std::vector<std::string>& arguments) {
  for (const auto& argument : arguments)
    if (app::SameText(argument, "/S") || app::SameText(argument, "-S")) return true;
  return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  // Before anything can load a DLL: none from the folder the installer was
  // started from.
  platform::windows::UseSystemFolderForDlls();
  app::SetApplicationTitle(app::kApplicationTitle);
  const std::vector<std::string> arguments = Arguments();
  const app::CommandLine command_line = app::ParseCommandLine(arguments);
  switch (command_line.mode) {
    case app::CommandLine::Mode::Usage:
      app::ShowMessageBox(app::UsageText(), app::kApplicationTitle, platform::kMbOk | platform::kMbIconInformation);
      return app::kExitSuccess;
    case app::CommandLine::Mode::Invalid:
      if (!MeantSilent(arguments)) app::ShowWarning("命令行有误: " + command_line.error + "\r\n\r\n" + app::UsageText());
      return app::kExitBadArguments;
    default:
      break;
  }
  const bool unattended = command_line.mode == app::CommandLine::Mode::Unattended;

  app::windows::SingleInstance single_instance;
  if (!single_instance.IsFirst()) {
    if (unattended) {
      app::InstallLog log(command_line.log_file);
      log.Line("安装程序已在运行中");
    } else {
      app::windows::SingleInstance::SayAlreadyRunning();
    }
    return app::kExitAlreadyRunning;
  }
  ComApartment com;
  if (unattended) {
    app::InstallLog log(command_line.log_file);
    return app::RunUnattended(command_line, log);
  }

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
