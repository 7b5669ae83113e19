// Whole-character work on GBK text (code page 936): the one place that knows
// how the program's 8-bit text splits into characters.
//
// A lead byte 0x81-0xFE starts a two-byte character; its second byte may be
// 0x40-0xFE, which includes 0x5C (the backslash) and the ASCII letters. So a
// byte is a backslash, an ampersand or a letter only when it does not complete
// a double-byte character, and case folding touches single-byte letters only.
// 0x80 and 0xFF are characters of one byte. A lead byte at the very end of a
// text (cut text) counts as a character of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gbk {

inline constexpr size_t npos = std::string_view::npos;

inline bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// Byte length (1 or 2) of the character that starts at text[at]; at < size.
inline size_t CharLength(std::string_view text, size_t at) {
  return IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// Calls visit(offset, length) for every character of text, in order.
template <typename Visit>
void ForEachChar(std::string_view text, Visit&& visit) {
  for (size_t at = 0; at < text.size();) {
    size_t length = CharLength(text, at);
    visit(at, length);
    at += length;
  }
}

// Start offset of the last whole character, or npos for an empty text.
size_t LastCharStart(std::string_view text);

// True when the last whole character is a backslash.
bool EndsWithBackslash(std::string_view text);

// Offset of the last backslash that is a character of its own, or npos.
size_t LastBackslash(std::string_view text);

// The part of a path after its last backslash (the whole path without one),
// and the part up to and including it (empty without one).
std::string FileNamePart(std::string_view path);
std::string FolderPart(std::string_view path);

// The parts of a path between its backslashes (characters of their own);
// one empty part for an empty text, empty parts where backslashes meet.
std::vector<std::string> SplitAtBackslashes(std::string_view path);

// The single-byte letters upper-cased; double-byte characters kept.
char UpperAscii(char byte);
std::string UpperAscii(std::string_view text);

// Length of the match of pattern at text[at] (a character boundary), or 0
// when there is none or the pattern is empty. Characters are paired in
// order: single-byte letters match without regard to case, every other
// character must be the same bytes, and the match ends on a character
// boundary of text.
size_t MatchAt(std::string_view text, size_t at, std::string_view pattern);

// Equal texts without regard to the case of single-byte letters.
bool SameText(std::string_view a, std::string_view b);

// True when text begins with prefix without regard to case (an empty prefix
// always does).
bool StartsWithText(std::string_view text, std::string_view prefix);

// Offset of the first match of pattern at a character boundary at or after
// from (itself a boundary), or npos. An empty pattern is never found.
size_t FindText(std::string_view text, std::string_view pattern, size_t from = 0);

}  // namespace gbk
