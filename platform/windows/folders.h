// Folder removal of the Windows layer, on wide paths (the uninstaller's
// temporary copy has its paths only in this form).
#pragma once

#include <string>

namespace platform::windows {

// Removes folder when it holds nothing and says whether it is gone. A folder
// that holds something is only listed, never opened for deletion: Wine
// holds such a folder for deletion until the handle closes, and meanwhile
// refuses every other program that lists it (Explorer, a backup, the shop's
// own programs looking for their kept databases).
bool RemoveFolderIfEmpty(const std::wstring& folder);

}  // namespace platform::windows
