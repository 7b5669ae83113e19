#include "tools/unzipper/console.h"

#include <cstdio>
#include <cwchar>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/windows/wide.h"
#endif

namespace unzipper {

#ifdef _WIN32
namespace {

void Write(DWORD which, FILE* stream, const std::string& gbk) {
  HANDLE handle = GetStdHandle(which);
  DWORD mode;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    std::fflush(stream);
    std::wstring wide = platform::windows::Wide(gbk);
    DWORD written;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    std::fwrite(gbk.data(), 1, gbk.size(), stream);
  }
}

}  // namespace

std::vector<std::string> CommandLine(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; wide && i < count; ++i) args.push_back(platform::windows::Narrow(wide[i], std::wcslen(wide[i])));
  if (wide) LocalFree(wide);
  return args;
}

void WriteOut(const std::string& gbk) { Write(STD_OUTPUT_HANDLE, stdout, gbk); }
void WriteError(const std::string& gbk) { Write(STD_ERROR_HANDLE, stderr, gbk); }

#else

std::vector<std::string> CommandLine(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }
void WriteOut(const std::string& gbk) { std::fwrite(gbk.data(), 1, gbk.size(), stdout); }
void WriteError(const std::string& gbk) { std::fwrite(gbk.data(), 1, gbk.size(), stderr); }

#endif

}  // namespace unzipper
