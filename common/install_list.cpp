#include "common/install_list.h"

#include "platform/files.h"
#include "platform/gbk.h"

namespace install_list {

std::string FormatLine(int number, const std::string& path, char flag) {
  return "File" + std::to_string(number) + "=" + path + flag;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.emplace_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

std::optional<Entry> ParseLine(std::string_view line) {
  constexpr std::string_view kPrefix = "File";
  if (line.size() < kPrefix.size() || !gbk::SameText(line.substr(0, kPrefix.size()), kPrefix)) return std::nullopt;
  size_t at = kPrefix.size();
  while (at < line.size() && line[at] >= '0' && line[at] <= '9') ++at;
  if (at == kPrefix.size() || at >= line.size() || line[at] != '=') return std::nullopt;
  const std::string_view rest = line.substr(at + 1);
  const size_t last = gbk::LastCharStart(rest);
  if (last == gbk::npos || last + 1 != rest.size() || (rest[last] != kWasThereBefore && rest[last] != kMadeByInstallation))
    return std::nullopt;
  return Entry{std::string(rest.substr(0, last)), rest[last]};
}

std::vector<Entry> ReadEntries(const std::string& path) {
  std::vector<Entry> entries;
  const std::optional<std::string> bytes = platform::ReadSmallFile(path, kMaxListSize);
  if (!bytes) return entries;
  for (const std::string& line : SplitLines(*bytes))
    if (auto entry = ParseLine(line)) entries.push_back(std::move(*entry));
  return entries;
}

}  // namespace install_list
