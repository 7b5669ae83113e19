// Where UnZip writes an entry: the output folder rules of RecreateDirs,
// RootDir and DestDir, the guard that keeps every entry inside the
// destination, and the file attributes an extracted file may take.
//
// Paths are GBK text with backslashes; every walk over them goes by whole
// characters, since the second byte of a GBK character may be 0x5C.
#pragma once

#include <cstdint>
#include <string>

namespace archive {

// The output folder D of an entry, always ending in a backslash:
// - RecreateDirs and a Directory: d = directory without a leading root_dir
//   (case-insensitive); relative d gives dest\d, a d beginning with "\"
//   gives dest + d, a d beginning with a drive ("X:") gives dest + d without
//   the drive; with an empty dest an absolute d is taken as it is;
// - otherwise dest\.
std::string OutputFolder(const std::string& dest_dir, const std::string& root_dir, const std::string& directory,
                         bool recreate_dirs);

// True when path (an output folder or file built by OutputFolder from an
// entry's names) stays inside dest_dir: it begins with dest_dir + "\" and no
// folder part after that climbs out ("..", or dots and spaces that Windows
// reads as such). With an empty dest_dir the whole path is checked for such
// parts, the place itself being what the entry names.
bool StaysInside(const std::string& dest_dir, const std::string& path);

// True when every part of path below dest_dir names an ordinary file or
// folder the same way on every system: the path stays inside (StaysInside),
// and no part names a device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9,
// CONIN$, CONOUT$ in any case, with any extension, trailing dots or blanks),
// holds a ":" (an alternate data stream on NTFS) or another character
// Windows refuses in names (control characters and NUL, <>"|?*), or ends in a dot or
// a blank (Windows drops them, so two names would meet in one file). A part
// "." is harmless and passes.
bool IsSafeOutputPath(const std::string& dest_dir, const std::string& path);

// The longest output path extraction creates: 259 characters, the Windows
// limit of MAX_PATH (260) less the terminating null, for paths without the
// long-path prefix. Counted in characters (a double-byte GBK character is one
// UTF-16 character), so the limit is the same on every system.
inline constexpr size_t kMaxOutputPathLength = 259;
bool FitsPathLimit(const std::string& path);

// The part of path before its last backslash ("" when there is none).
std::string FolderOf(const std::string& path);

// The attributes an extracted file is given from the entry's external
// attributes. Only the bits a plain file may carry are kept: read-only,
// hidden, system and archive. The high word (the mode of a UNIX-made entry)
// and the low-byte bits for folders, devices, reparse points, compression,
// encryption or temporary files describe things an extracted file is not, or
// that SetFileAttributes refuses; with none of the four bits the file is
// "normal".
uint32_t FileAttributesOf(uint32_t external_attributes);

}  // namespace archive
