// Code page conversions of the program's 8-bit text.
#pragma once

#include <string>

namespace platform {

// Converts a name from the OEM code page to the program's code page (936) as
// a Chinese system does: the OEM and ANSI forms of code page 936 are the same
// bytes, so the text is returned as it is, on every machine and natively.
std::string OemToAnsi(const std::string& text);

// GBK to UTF-8 and back, for host file names and console output.
// Bytes that do not form valid GBK are kept as U+FFFD.
std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbk(const std::string& utf8);

}  // namespace platform
