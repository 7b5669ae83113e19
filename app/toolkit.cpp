#include "app/toolkit.h"

#include <vector>

#include "platform/dialogs.h"
#include "platform/gbk.h"
#include "platform/special_folders.h"

namespace app {
namespace {

// Buffer sizes of the platform calls, zero byte included. A value that does
// not fit gives the empty text.
constexpr size_t kTempDirBuffer = 255;
constexpr size_t kFolderBuffer = 260;

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Length of the match of pattern at text[at], which is a character boundary,
// or 0 when there is none.
size_t MatchAt(const std::string& text, size_t at, const std::string& pattern) {
  size_t i = at, j = 0;
  while (j < pattern.size()) {
    if (i >= text.size()) return 0;
    if (gbk::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      if (j + 1 >= pattern.size() || text[i] != pattern[j] || text[i + 1] != pattern[j + 1]) return 0;
      i += 2;
      j += 2;
    } else {
      if (FoldAscii(text[i]) != FoldAscii(pattern[j])) return 0;
      ++i;
      ++j;
    }
  }
  return i - at;
}

// For each byte: true when it is a backslash character of its own, not the
// second byte of a double-byte character.
std::vector<bool> BackslashCharacters(const std::string& text) {
  std::vector<bool> result(text.size(), false);
  for (size_t i = 0; i < text.size();) {
    if (gbk::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      i += 2;
    } else {
      result[i] = text[i] == '\\';
      ++i;
    }
  }
  return result;
}

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& title, unsigned style) {
  return platform::ShowMessageBox(text, title, style & 0xFFFFu, platform::MessageBoxOwner::ActiveWindow);
}

void ShowError(const std::string& text) { ShowMessageBox(text, "错误", platform::kMbOk | platform::kMbIconError); }

void ShowWarning(const std::string& text) {
  ShowMessageBox(text, "警告", platform::kMbOk | platform::kMbIconWarning);
}

bool AskConfirm(const std::string& text) {
  return ShowMessageBox(text, "确认", platform::kMbOkCancel | platform::kMbIconQuestion) != platform::kIdCancel;
}

std::string GetTempDir() { return platform::TempPath(kTempDirBuffer); }
std::string GetTempFolder() { return TrimWithBackslash(platform::TempPath(kFolderBuffer)); }
std::string GetWindowsDir() { return platform::WindowsDirectory(kFolderBuffer); }
std::string GetSystemDir() { return platform::SystemDirectory(kFolderBuffer); }

std::string TrimWithBackslash(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
  return WithBackslash(text.substr(first, last - first));
}

std::string WithBackslash(const std::string& text) {
  if (text.empty() || gbk::EndsWithBackslash(text)) return text;
  return text + "\\";
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && (a.empty() || MatchAt(a, 0, b) == a.size());
}

std::string ReplaceAllText(const std::string& text, const std::string& old_pattern,
                           const std::string& new_pattern) {
  if (old_pattern.empty()) return text;
  std::string result;
  result.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (size_t matched = MatchAt(text, i, old_pattern)) {
      result += new_pattern;
      i += matched;
      continue;
    }
    size_t width = (gbk::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    result.append(text, i, width);
    i += width;
  }
  return result;
}

std::string FieldAt(const std::string& text, char delimiter, int index) {
  std::string line = text;
  if (!line.empty() && line.front() == delimiter) line.erase(0, 1);
  if (!line.empty() && line.back() != delimiter) line += delimiter;
  if (index < 0) return "";
  size_t start = 0;
  for (int field = 0; start < line.size(); ++field) {
    size_t end = line.find(delimiter, start);  // always found: the line ends with one
    if (field == index) return line.substr(start, end - start);
    start = end + 1;
  }
  return "";
}

std::string ShortenPathText(const std::string& text, int max_length) {
  const long n = static_cast<long>(text.size());
  const long m = max_length;
  if (n <= m || m <= 6) return text;
  // Positions count bytes from 1, as the tail scans are stated that way. Each
  // scan stops on a backslash or once the tail would be reach bytes long
  // (plus the byte at the stop); n > m keeps every position >= 1.
  const long reach = m - 8;
  const std::vector<bool> backslash = BackslashCharacters(text);
  auto scan = [&](long position) {
    while (!backslash[static_cast<size_t>(position - 1)] && n - position < reach) --position;
    return position;
  };
  long p = scan(scan(n) - 1);
  long head = m - (n - p) - 4;
  return text.substr(0, static_cast<size_t>(head)) + "..." + text.substr(static_cast<size_t>(p - 1));
}

}  // namespace app
