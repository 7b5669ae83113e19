#include "archive/extract_paths.h"

#include <vector>

#include "platform/files.h"
#include "platform/gbk.h"

namespace archive {
namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Case-insensitive prefix test by whole GBK characters: single-byte letters
// compare without case, double-byte characters exactly.
bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  size_t i = 0;
  while (i < prefix.size()) {
    bool lead = gbk::IsLeadByte(static_cast<unsigned char>(prefix[i])) && i + 1 < prefix.size();
    if (lead) {
      if (text[i] != prefix[i] || text[i + 1] != prefix[i + 1]) return false;
      i += 2;
    } else {
      if (UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
      ++i;
    }
  }
  // The prefix must end on a character boundary of text as well.
  size_t j = 0;
  while (j < prefix.size())
    j += (gbk::IsLeadByte(static_cast<unsigned char>(text[j])) && j + 1 < text.size()) ? 2 : 1;
  return j == prefix.size();
}

// Splits at backslashes that are characters of their own.
std::vector<std::string> SplitParts(const std::string& path) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < path.size();) {
    if (gbk::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      parts.back().append(path, i, 2);
      i += 2;
    } else if (path[i] == '\\') {
      parts.emplace_back();
      ++i;
    } else {
      parts.back().push_back(path[i++]);
    }
  }
  return parts;
}

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

}  // namespace

std::string OutputFolder(const std::string& dest_dir, const std::string& root_dir, const std::string& directory,
                         bool recreate_dirs) {
  if (!recreate_dirs || directory.empty()) return dest_dir + "\\";
  std::string d = directory;
  if (!root_dir.empty() && StartsWithNoCase(d, root_dir)) d.erase(0, root_dir.size());
  bool relative = d.empty() || (d[0] != '\\' && !(d.size() >= 2 && d[1] == ':'));
  if (relative) return dest_dir + "\\" + d;
  if (dest_dir.empty()) return d;
  if (d[0] == '\\') return dest_dir + d;
  return dest_dir + d.substr(2);
}

bool StaysInside(const std::string& dest_dir, const std::string& path) {
  std::string below = path;
  if (!dest_dir.empty()) {
    std::string base = dest_dir + "\\";
    if (path.compare(0, base.size(), base) != 0) return false;
    below = path.substr(base.size());
  }
  for (const std::string& part : SplitParts(below))
    if (ClimbsOut(part)) return false;
  return true;
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
