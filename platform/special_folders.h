// The system's special folders, as GBK text. A value that does not fit the
// given buffer size (in bytes, zero byte included), or a failing call, gives
// the empty text, as the A-functions of the platform do.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

std::string TempPath(size_t buffer_size);        // ends with a backslash
std::string WindowsDirectory(size_t buffer_size);  // no trailing backslash
std::string SystemDirectory(size_t buffer_size);   // no trailing backslash
// The system's Program Files folders (the native one and, on 64-bit
// Windows, the one for 32-bit programs), no trailing backslash; those the
// system cannot give are left out.
std::vector<std::string> ProgramFilesFolders();

// The shell's folders shared by every user of the machine, where a
// per-machine installation puts its shortcuts. Asked of the shell
// (SHGetFolderPath), not read from the "Shell Folders" key: that key is a copy
// the shell writes for old programs, filled only once a folder has been used,
// and under another account's elevation it describes that account. No
// trailing backslash; empty when the system has no such folder.
enum class CommonFolder { Desktop, StartMenu, Programs, Startup };
std::string CommonFolderPath(CommonFolder folder);

}  // namespace platform
