#include "platform/gbk.h"

namespace gbk {

size_t LastCharStart(std::string_view text) {
  size_t last = npos;
  ForEachChar(text, [&](size_t at, size_t) { last = at; });
  return last;
}

bool EndsWithBackslash(std::string_view text) {
  size_t last = LastCharStart(text);
  return last != npos && last == text.size() - 1 && text[last] == '\\';
}

size_t LastBackslash(std::string_view text) {
  size_t found = npos;
  ForEachChar(text, [&](size_t at, size_t length) {
    if (length == 1 && text[at] == '\\') found = at;
  });
  return found;
}

std::string FileNamePart(std::string_view path) {
  const size_t slash = LastBackslash(path);
  return std::string(slash == npos ? path : path.substr(slash + 1));
}

std::string FolderPart(std::string_view path) {
  const size_t slash = LastBackslash(path);
  return slash == npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::vector<std::string> SplitAtBackslashes(std::string_view path) {
  std::vector<std::string> parts(1);
  ForEachChar(path, [&](size_t at, size_t length) {
    if (length == 1 && path[at] == '\\')
      parts.emplace_back();
    else
      parts.back().append(path, at, length);
  });
  return parts;
}

char UpperAscii(char byte) { return byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte; }

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  ForEachChar(text, [&](size_t at, size_t length) {
    if (length == 1) upper[at] = UpperAscii(upper[at]);
  });
  return upper;
}

size_t MatchAt(std::string_view text, size_t at, std::string_view pattern) {
  if (pattern.empty()) return 0;
  size_t i = at;
  size_t j = 0;
  while (j < pattern.size()) {
    if (i >= text.size()) return 0;
    size_t length = CharLength(text, i);
    if (CharLength(pattern, j) != length) return 0;
    if (length == 1) {
      if (UpperAscii(text[i]) != UpperAscii(pattern[j])) return 0;
    } else if (text.substr(i, 2) != pattern.substr(j, 2)) {
      return 0;
    }
    i += length;
    j += length;
  }
  return i - at;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a.empty() || MatchAt(a, 0, b) == a.size());
}

bool StartsWithText(std::string_view text, std::string_view prefix) {
  return prefix.empty() || MatchAt(text, 0, prefix) != 0;
}

size_t FindText(std::string_view text, std::string_view pattern, size_t from) {
  if (pattern.empty()) return npos;
  for (size_t at = from; at < text.size(); at += CharLength(text, at))
    if (MatchAt(text, at, pattern) != 0) return at;
  return npos;
}

}  // namespace gbk
