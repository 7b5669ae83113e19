// The window of the wizard fStep (Windows only). It owns no logic: it creates
// the window and forwards each message to a handler of app::TfStep.
//   creation -> TfStep::CreateForm (FormCreate inside the application's guard)
//   destroy  -> TfStep::FormDestroy, then the message loop ends
#pragma once

#include <windows.h>

#include "app/step.h"

namespace ui {

class StepWindow {
 public:
  static constexpr wchar_t kClassName[] = L"TfStep";
  static constexpr int kClientWidth = 742;
  static constexpr int kClientHeight = 473;

  explicit StepWindow(app::TfStep& step) : step_(step) {}
  StepWindow(const StepWindow&) = delete;
  StepWindow& operator=(const StepWindow&) = delete;

  // Creates the window centred on the work area and shows it. False when the
  // window system refuses.
  bool Create(HINSTANCE instance, int show_command);
  HWND handle() const { return handle_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  app::TfStep& step_;
  HWND handle_ = nullptr;
};

}  // namespace ui
