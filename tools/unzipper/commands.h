// The commands of the unzipper tool. Each takes the arguments after its own
// name and returns the process exit code: 0 success, 1 bad usage, 2 an error
// of the archive (its message on standard error).
#pragma once

#include <string>
#include <vector>

namespace unzipper {

using Arguments = std::vector<std::string>;

int ListCommand(const Arguments& args);
int ExtractCommand(const Arguments& args);  // extract_command.cpp

}  // namespace unzipper
