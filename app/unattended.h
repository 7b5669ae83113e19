// The unattended installation (DIzavozi.exe /S ...): the wizard's logic on
// controls with no window. The same run, registration and install.dl as the
// wizard (without the progress window and its pauses); every message box
// the run would show is written to the log instead, and the outcome is an
// exit code (app/command_line.h).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/command_line.h"

namespace app {

// Lines of the installation's log, each with the seconds since the start:
//   "[   0.125] 正在抽取安装文件..."
// Written to the file named by /LOG (GBK, CR LF; its folder is created when
// missing), each line as it comes, so that a log read after a failure is
// complete; without a file nothing is kept. A log that cannot be created is
// done without: the installation does not depend on it.
class InstallLog {
 public:
  explicit InstallLog(const std::string& file_name);
  ~InstallLog();
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;

  void Line(const std::string& text);
  bool Opened() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Runs the installation the command line describes (mode Unattended) and
// returns its exit code. Nothing is shown: message boxes go to the log.
int RunUnattended(const CommandLine& line, InstallLog& log);

}  // namespace app
