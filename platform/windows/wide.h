// Windows only: the boundary between the program's GBK text and the
// wide-character API. Code page 936 is named explicitly, so conversions are
// right whatever the machine's ANSI code page is.
#pragma once

#include <string>

namespace platform::windows {

inline constexpr unsigned kCodePageGbk = 936;

std::wstring Wide(const std::string& gbk);
std::string Narrow(const std::wstring& wide);
std::string Narrow(const wchar_t* wide, size_t length);

}  // namespace platform::windows
