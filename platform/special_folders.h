// The system's special folders, as GBK text. A value that does not fit the
// given buffer size (in bytes, zero byte included), or a failing call, gives
// the empty text, as the A-functions of the platform do.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

std::string TempPath(size_t buffer_size);        // ends with a backslash
std::string WindowsDirectory(size_t buffer_size);  // no trailing backslash
std::string SystemDirectory(size_t buffer_size);   // no trailing backslash

}  // namespace platform
