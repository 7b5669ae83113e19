// Native only: where program paths (GBK, Windows form) live on the host.
#pragma once

#include <string>

namespace platform::simulated {

// C:\x\y -> SANDBOX/C/x/y; \x -> SANDBOX/C/x (root of the current drive);
// /x stays a host path; relative paths stay relative. Backslashes become "/",
// GBK becomes UTF-8.
std::string ToHostPath(const std::string& path);

}  // namespace platform::simulated
