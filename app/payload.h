// What the installer and the vendor's packer agree on about the payload
// archives: the password every entry is encrypted with, and the payload
// resources' names.
#pragma once

#include <string>

namespace app {

// The archive password of every payload, 8 bytes of GBK.
inline constexpr char kArchivePassword[] = "青松白云";

// Payload n is the resource "C<n>" of type "C<n>" (decimal, no leading zeros).
inline std::string PayloadName(int n) { return "C" + std::to_string(n); }

// The folder of the payload copies inside the installer's private scratch
// folder, and the file a payload is written to there ("C<n>.DLL").
inline constexpr char kScratchFolderName[] = "_wtsInstall\\";
inline constexpr char kPayloadFileExtension[] = ".DLL";

// The payload type extracted into the installation folder itself.
inline constexpr char kPayloadTypeUnInstall[] = "UnInstall";

// The two files a re-installation keeps as they are: the local databases.
inline constexpr const char* kKeptDatabaseNames[] = {"LumoPosBaseData.db", "WmCacheData.db"};

}  // namespace app
