#include "archive/extract_paths.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/files.h"
#include "platform/gbk.h"

namespace archive {
namespace {

// "..", and the forms Windows trims to it (trailing dots and spaces: "...",
// ".. ").
bool ClimbsOut(const std::string& part) {
  int dots = 0;
  for (char c : part) {
    if (c == '.') {
      ++dots;
    } else if (c != ' ') {
      return false;
    }
  }
  return dots >= 2;
}

// A device name Windows opens whatever the folder: the part before its first
// dot (or colon), without trailing blanks and dots, compared without case.
bool NamesDevice(const std::string& part) {
  std::string base = part.substr(0, part.find_first_of(".:"));
  while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
  base = gbk::UpperAscii(base);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (base == device) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

// A part that would not be the ordinary file or folder its bytes name.
bool RefusedPart(const std::string& part) {
  if (part.empty() || part == ".") return false;
  if (ClimbsOut(part) || NamesDevice(part)) return true;
  // A colon (an alternate stream) or another character Windows refuses in a
  // name, so that such an entry fails the same way everywhere. The bytes
  // below 0x40 are never the second byte of a double-byte character, so they
  // are found byte by byte (a NUL, which would end the name early, among
  // them); "|" (0x7C) may be one, so it counts only as a character of its own.
  const auto refused_byte = [](char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x20 || c == ':' || c == '<' || c == '>' || c == '"' || c == '?' || c == '*';
  };
  if (std::any_of(part.begin(), part.end(), refused_byte)) return true;
  bool bar = false;
  gbk::ForEachChar(part, [&](size_t at, size_t length) { bar = bar || (length == 1 && part[at] == '|'); });
  if (bar) return true;
  // Windows drops a trailing dot or blank. Neither is ever the second byte of
  // a double-byte character, so a part whose last byte is one of them ends in
  // it (after a lead byte without a valid second byte too).
  return part.back() == '.' || part.back() == ' ';
}

// The parts of path below dest_dir, or nullopt when path does not begin with
// dest_dir + "\" (an empty dest_dir: the whole path).
std::optional<std::vector<std::string>> PartsBelow(const std::string& dest_dir, const std::string& path) {
  if (dest_dir.empty()) return gbk::SplitAtBackslashes(path);
  const std::string base = dest_dir + "\\";
  if (path.compare(0, base.size(), base) != 0) return std::nullopt;
  return gbk::SplitAtBackslashes(path.substr(base.size()));
}

}  // namespace

std::string OutputFolder(const std::string& dest_dir, const std::string& root_dir, const std::string& directory,
                         bool recreate_dirs) {
  if (!recreate_dirs || directory.empty()) return dest_dir + "\\";
  std::string d = directory;
  if (!root_dir.empty() && gbk::StartsWithText(d, root_dir)) d.erase(0, root_dir.size());
  bool relative = d.empty() || (d[0] != '\\' && !(d.size() >= 2 && d[1] == ':'));
  if (relative) return dest_dir + "\\" + d;
  if (dest_dir.empty()) return d;
  if (d[0] == '\\') return dest_dir + d;
  return dest_dir + d.substr(2);
}

bool StaysInside(const std::string& dest_dir, const std::string& path) {
  std::optional<std::vector<std::string>> parts = PartsBelow(dest_dir, path);
  return parts && std::none_of(parts->begin(), parts->end(), ClimbsOut);
}

bool IsSafeOutputPath(const std::string& dest_dir, const std::string& path) {
  std::optional<std::vector<std::string>> parts = PartsBelow(dest_dir, path);
  return parts && std::none_of(parts->begin(), parts->end(), RefusedPart);
}

bool FitsPathLimit(const std::string& path) {
  if (path.size() <= kMaxOutputPathLength) return true;  // every character takes a byte at least
  size_t characters = 0;
  gbk::ForEachChar(path, [&](size_t, size_t) { ++characters; });
  return characters <= kMaxOutputPathLength;
}

std::string FolderOf(const std::string& path) {
  size_t last = gbk::LastBackslash(path);
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

uint32_t FileAttributesOf(uint32_t external_attributes) {
  uint32_t kept = external_attributes & (platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem |
                                         platform::kAttrArchive);
  return kept != 0 ? kept : platform::kAttrNormal;
}

}  // namespace archive
