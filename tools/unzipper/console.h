// The tool's boundary with the console. Texts are GBK, as the archive holds
// them; on Windows they reach a console window through WriteConsoleW, and
// redirected output gets the bytes as they are.
#pragma once

#include <string>
#include <vector>

namespace unzipper {

// The command-line arguments as GBK text (on Windows from the wide command line).
std::vector<std::string> CommandLine(int argc, char** argv);
void WriteOut(const std::string& gbk);
void WriteError(const std::string& gbk);

// The tool never waits for a person: a message box the component would show
// is written to standard error and answered with its safe button. Given to
// every TUnZipper the tool makes (its MessageBoxes).
int AnswerWithoutWindow(const std::string& text, const std::string& title, unsigned style);

}  // namespace unzipper
