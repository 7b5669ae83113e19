// The application object of the installer: its title and its standard error
// box, which reports failures that reach the top of a window's handler.
#pragma once

#include <string>

namespace app {

inline constexpr char kApplicationTitle[] = "安装程序";

void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();  // empty until set

// The application's standard error box: the failure's text, titled with the
// application title, error icon and OK button.
void ShowException(const std::string& message);

}  // namespace app
