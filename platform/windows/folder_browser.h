// The system's folder browser, the one way both the wizard and the archive
// component ask for a folder.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace platform::windows {

// Shows the browser owned by owner with the prompt; start_folder, when it is
// an existing folder, is selected at first. flags are added to
// BIF_RETURNONLYFSDIRS. The chosen folder, or nothing when the user cancels
// or chooses something that is no file-system folder.
std::optional<std::string> BrowseForFolder(HWND owner, const std::string& prompt, const std::string& start_folder,
                                           UINT flags);

}  // namespace platform::windows
