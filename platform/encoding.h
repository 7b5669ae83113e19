// Code page conversions of the program's 8-bit text.
#pragma once

#include <string>

namespace platform {

// Converts a name from the OEM code page to the program's code page (936).
// Where both are 936, as on the installer's target systems, the bytes stay as
// they are; natively there is no OEM code page and the text is returned as is.
std::string OemToAnsi(const std::string& text);

// GBK to UTF-8 and back, for host file names and console output.
// Bytes that do not form valid GBK are kept as U+FFFD.
std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbk(const std::string& utf8);

}  // namespace platform
