#include <windows.h>
// winuser.h maps OemToAnsi to OemToCharA, which would rename the platform
// function defined below and leave callers with an undefined reference.
#undef OemToAnsi

#include "platform/encoding.h"
#include "platform/windows/wide.h"

namespace platform {
namespace windows {

std::wstring Wide(const std::string& gbk) {
  if (gbk.empty()) return {};
  int units = MultiByteToWideChar(kCodePageGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(kCodePageGbk, 0, gbk.data(), static_cast<int>(gbk.size()), out.data(), units);
  return out;
}

std::string Narrow(const wchar_t* wide, size_t length) {
  if (length == 0) return {};
  int units = WideCharToMultiByte(kCodePageGbk, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(units), '\0');
  WideCharToMultiByte(kCodePageGbk, 0, wide, static_cast<int>(length), out.data(), units, nullptr, nullptr);
  return out;
}

std::string Narrow(const std::wstring& wide) { return Narrow(wide.data(), wide.size()); }

}  // namespace windows

// The program's text is GBK whatever the machine: names are converted as a
// Chinese system converts them, where the OEM and the ANSI code page are both
// 936 and the bytes stay as they are. Converting from the machine's own OEM
// code page would garble GBK names on a Western system.
std::string OemToAnsi(const std::string& text) { return text; }

std::string GbkToUtf8(const std::string& gbk) {
  std::wstring wide = windows::Wide(gbk);
  if (wide.empty()) return {};
  int units = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(units), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), units, nullptr, nullptr);
  return out;
}

std::string Utf8ToGbk(const std::string& utf8) {
  if (utf8.empty()) return {};
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
  return windows::Narrow(wide);
}

}  // namespace platform
