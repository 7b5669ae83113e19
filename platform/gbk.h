// Whole-character walks over GBK text (code page 936). A lead byte 0x81-0xFE
// starts a two-byte character whose second byte may be 0x40-0xFE, which
// includes 0x5C, the backslash; so a byte equal to '\\' is a backslash only
// when it does not complete a double-byte character.
#pragma once

#include <cstddef>
#include <string>

namespace gbk {

inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Start offset of the last whole character, or npos for an empty text.
// A lead byte at the very end (cut text) counts as a character of its own.
inline size_t LastCharStart(const std::string& text) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < text.size();) {
    last = i;
    i += (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return last;
}

// True when the last whole character is a backslash.
inline bool EndsWithBackslash(const std::string& text) {
  size_t last = LastCharStart(text);
  return last != std::string::npos && last == text.size() - 1 && text[last] == '\\';
}

// Offset of the last backslash that is a character of its own, or npos.
inline size_t LastBackslash(const std::string& text) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < text.size();) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      i += 2;
    } else {
      if (text[i] == '\\') found = i;
      ++i;
    }
  }
  return found;
}

}  // namespace gbk
