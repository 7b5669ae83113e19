#include "app/profile_file.h"

#include <climits>
#include <stdexcept>
#include <vector>

#include "app/toolkit.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/streams.h"

namespace app {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One line of a profile file; offsets into the file's bytes.
struct Line {
  enum Kind { Other, Section, Key } kind = Other;
  size_t begin = 0, end = 0;  // the line without its line break
  size_t next = 0;            // start of the next line
  bool blank = true;          // nothing but blanks
  std::string name;           // section or key name, blanks removed
  bool has_equals = false;    // Key: a key without "=" has no value
  size_t value_begin = 0, value_end = 0;  // Key: the text after "=", blanks removed
};

void TrimRange(const std::string& bytes, size_t& begin, size_t& end) {
  while (begin < end && IsBlank(bytes[begin])) ++begin;
  while (end > begin && IsBlank(bytes[end - 1])) --end;
}

std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  size_t at = 0;
  while (at < bytes.size()) {
    Line line;
    line.begin = at;
    size_t end = bytes.find_first_of("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    line.end = end;
    line.next = end;
    if (line.next < bytes.size() && bytes[line.next] == '\r') ++line.next;
    if (line.next < bytes.size() && bytes[line.next] == '\n') ++line.next;
    at = line.next;

    size_t b = line.begin, e = line.end;
    TrimRange(bytes, b, e);
    line.blank = b == e;
    // A section header is "[" up to the line's last "]"; a line that opens
    // with "[" but never closes it is an ordinary line of the section above.
    const size_t close = b < e && bytes[b] == '[' ? bytes.rfind(']', e - 1) : std::string::npos;
    if (close != std::string::npos && close > b) {
      size_t name_begin = b + 1, name_end = close;
      TrimRange(bytes, name_begin, name_end);
      line.kind = Line::Section;
      line.name = bytes.substr(name_begin, name_end - name_begin);
    } else if (b < e && bytes[b] != ';') {
      size_t equals = bytes.find('=', b);
      line.has_equals = equals != std::string::npos && equals < e;
      size_t key_begin = b, key_end = line.has_equals ? equals : e;
      TrimRange(bytes, key_begin, key_end);
      line.kind = Line::Key;
      line.name = bytes.substr(key_begin, key_end - key_begin);
      line.value_begin = line.value_end = e;
      if (line.has_equals) {
        line.value_begin = equals + 1;
        TrimRange(bytes, line.value_begin, line.value_end);
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// The file's bytes; nullopt-like false when it is missing, unreadable or too
// big to be a profile.
bool LoadFile(const std::string& path, std::string& bytes) {
  if (!platform::FileExists(path)) return false;
  try {
    platform::TFileStream in(path, platform::File::Mode::ReadShared);
    int64_t size = in.Size();
    if (size < 0 || size > ProfileFile::kMaxFileSize) return false;
    bytes.resize(static_cast<size_t>(size));
    in.ReadBuffer(bytes.data(), size);
    return true;
  } catch (const platform::Error&) {
    return false;
  }
}

// Index of the line holding key in the first section of that name, or npos.
// A later section of the same name is never looked at.
size_t FindKey(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == Line::Section) {
      if (inside) break;
      inside = SameText(lines[i].name, section);
    } else if (inside && lines[i].kind == Line::Key && SameText(lines[i].name, key)) {
      return i;
    }
  }
  return std::string::npos;
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

std::optional<std::string> FindProfileValue(const std::string& bytes, const std::string& section,
                                            const std::string& key) {
  std::vector<Line> lines = SplitLines(bytes);
  size_t found = FindKey(lines, section, key);
  if (found == std::string::npos || !lines[found].has_equals) return std::nullopt;
  std::string value = bytes.substr(lines[found].value_begin, lines[found].value_end - lines[found].value_begin);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  if (value.size() > ProfileFile::kMaxValueLength) value.resize(ProfileFile::kMaxValueLength);
  return value;
}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& default_value) const {
  std::string bytes;
  if (!LoadFile(path_, bytes)) return default_value;
  return FindProfileValue(bytes, section, key).value_or(default_value);
}

int32_t ProfileFile::ReadInteger(const std::string& section, const std::string& key, int32_t default_value) const {
  return ParseProfileInteger(ReadString(section, key, ""), default_value);
}

int32_t ParseProfileInteger(const std::string& value, int32_t default_value) {
  size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
  bool hex = false;
  if (i < value.size() && value[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < value.size() && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= value.size()) return default_value;
  uint64_t magnitude = 0;
  for (; i < value.size(); ++i) {
    char c = value[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return default_value;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return default_value;
  }
  if (hex) {
    // Hexadecimal covers all 32 bits: $FFFFFFFF is -1.
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
  }
  if (negative) {
    if (magnitude > 0x80000000ull) return default_value;
    return static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  }
  if (magnitude > static_cast<uint64_t>(INT32_MAX)) return default_value;
  return static_cast<int32_t>(magnitude);
}

void SetProfileValue(std::string& bytes, const std::string& section, const std::string& key,
                     const std::string& value) {
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      section.find(']') != std::string::npos || key.find('=') != std::string::npos)
    throw std::invalid_argument("profile entry would change the file's structure: [" + section + "] " + key);

  std::vector<Line> lines = SplitLines(bytes);
  const std::string entry = key + "=" + value;

  size_t found = FindKey(lines, section, key);
  if (found != std::string::npos) {
    const Line& line = lines[found];
    if (line.has_equals) {
      size_t equals = bytes.find('=', line.begin);
      bytes.replace(equals + 1, line.end - equals - 1, value);
    } else {
      bytes.replace(line.begin, line.end - line.begin, entry);
    }
  } else {
    // The first section of that name: after its last line of content.
    size_t header = std::string::npos, last = std::string::npos;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].kind == Line::Section) {
        if (header != std::string::npos) break;
        if (SameText(lines[i].name, section)) header = last = i;
      } else if (header != std::string::npos && !lines[i].blank) {
        last = i;  // keys, and comments too, belong to the section
      }
    }
    if (header != std::string::npos) {
      const Line& line = lines[last];
      if (line.next == line.end) {
        bytes.insert(line.end, "\r\n" + entry + "\r\n");
      } else {
        bytes.insert(line.next, entry + "\r\n");
      }
    } else {
      if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') bytes += "\r\n";
      bytes += "[" + section + "]\r\n" + entry + "\r\n";
    }
  }
}

void ProfileFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::string bytes;
  if (platform::FileExists(path_)) {
    if (!LoadFile(path_, bytes)) throw platform::FileCreateError(path_);
  }
  SetProfileValue(bytes, section, key, value);
  platform::TFileStream out(path_, platform::File::Mode::Create);
  out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace app
