#include "app/toolkit.h"

#include <vector>

#include "platform/dialogs.h"
#include "platform/gbk.h"
#include "platform/special_folders.h"

namespace app {
namespace {

// Buffer sizes of the platform calls, zero byte included. A value that does
// not fit gives the empty text.
constexpr size_t kFolderBuffer = 260;
constexpr char kScratchFolderPrefix[] = "DzInstall-";

// For each byte: true when it is a backslash character of its own, not the
// second byte of a double-byte character.
std::vector<bool> BackslashCharacters(const std::string& text) {
  std::vector<bool> result(text.size(), false);
  gbk::ForEachChar(text, [&](size_t at, size_t length) { result[at] = length == 1 && text[at] == '\\'; });
  return result;
}

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& title, unsigned style,
                   const platform::MessageBoxResponder& answerer) {
  if (answerer) return answerer(text, title, style & 0xFFFFu);
  return platform::ShowMessageBox(text, title, style & 0xFFFFu, platform::MessageBoxOwner::ActiveWindow);
}

void ShowError(const std::string& text, const platform::MessageBoxResponder& answerer) {
  ShowMessageBox(text, "错误", platform::kMbOk | platform::kMbIconError, answerer);
}

void ShowWarning(const std::string& text, const platform::MessageBoxResponder& answerer) {
  ShowMessageBox(text, "警告", platform::kMbOk | platform::kMbIconWarning, answerer);
}

bool AskConfirm(const std::string& text, const platform::MessageBoxResponder& answerer) {
  return ShowMessageBox(text, "确认", platform::kMbOkCancel | platform::kMbIconQuestion, answerer) !=
         platform::kIdCancel;
}

std::string ScratchParentFolder() { return TrimWithBackslash(platform::TempPath(kFolderBuffer)); }

std::unique_ptr<platform::PrivateFolder> CreateScratchFolder() {
  return platform::PrivateFolder::Create(ScratchParentFolder(), kScratchFolderPrefix);
}
std::string GetWindowsDir() { return platform::WindowsDirectory(kFolderBuffer); }
std::string GetSystemDir() { return platform::SystemDirectory(kFolderBuffer); }

std::string Trim(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
  return text.substr(first, last - first);
}

std::string TrimWithBackslash(const std::string& text) { return WithBackslash(Trim(text)); }

std::string WithBackslash(const std::string& text) {
  if (text.empty() || gbk::EndsWithBackslash(text)) return text;
  return text + "\\";
}

bool SameText(const std::string& a, const std::string& b) { return gbk::SameText(a, b); }

std::string ReplaceAllText(const std::string& text, const std::string& old_pattern,
                           const std::string& new_pattern) {
  if (old_pattern.empty()) return text;
  std::string result;
  size_t copied = 0;
  for (size_t found; (found = gbk::FindText(text, old_pattern, copied)) != gbk::npos;) {
    result.append(text, copied, found - copied);
    result += new_pattern;
    copied = found + gbk::MatchAt(text, found, old_pattern);
  }
  return result.append(text, copied);
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
  const long length = static_cast<long>(text.size());
  const long max = max_length;
  if (length <= max || max <= 6) return text;
  // Positions count bytes from 1 (position p is text[p - 1]). Each scan walks
  // back from a position and stops on a backslash or once the tail would be
  // reach bytes long (plus the byte at the stop); length > max keeps every
  // position >= 1.
  const long reach = max - 8;
  const std::vector<bool> backslash = BackslashCharacters(text);
  auto scan = [&](long position) {
    while (!backslash[static_cast<size_t>(position - 1)] && length - position < reach) --position;
    return position;
  };
  const long tail_start = scan(scan(length) - 1);
  const long head = max - (length - tail_start) - 4;
  return text.substr(0, static_cast<size_t>(head)) + "..." + text.substr(static_cast<size_t>(tail_start - 1));
}

}  // namespace app
