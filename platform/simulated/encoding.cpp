// GBK conversions through the C library's iconv (code page 936 is "CP936").
#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace platform {
namespace {

std::string Convert(const char* from, const char* to, const std::string& text, const char* replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out;
  out.reserve(text.size() * 2);
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char buffer[256];
  while (in_left > 0) {
    char* out_at = buffer;
    size_t out_left = sizeof buffer;
    size_t converted = iconv(cd, &in, &in_left, &out_at, &out_left);
    out.append(buffer, out_at - buffer);
    if (converted == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // Invalid or incomplete sequence: keep a replacement and skip one byte.
      out += replacement;
      ++in;
      --in_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* out_at = buffer;
  size_t out_left = sizeof buffer;
  iconv(cd, nullptr, nullptr, &out_at, &out_left);
  out.append(buffer, out_at - buffer);
  iconv_close(cd);
  return out;
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string OemToAnsi(const std::string& text) { return text; }

std::string GbkToUtf8(const std::string& gbk) {
  if (IsAscii(gbk)) return gbk;
  return Convert("CP936", "UTF-8", gbk, "\xEF\xBF\xBD");
}

std::string Utf8ToGbk(const std::string& utf8) {
  if (IsAscii(utf8)) return utf8;
  return Convert("UTF-8", "CP936", utf8, "?");
}

}  // namespace platform
