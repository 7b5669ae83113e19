#include "tools/unzipper/console.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace unzipper {

#ifdef _WIN32
namespace {

std::wstring GbkToWide(const std::string& gbk) {
  if (gbk.empty()) return std::wstring();
  int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), n);
  return wide;
}

std::string WideToGbk(const wchar_t* wide) {
  int n = WideCharToMultiByte(936, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string gbk(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(936, 0, wide, -1, gbk.data(), n, nullptr, nullptr);
  return gbk;
}

void Write(DWORD which, FILE* stream, const std::string& gbk) {
  HANDLE handle = GetStdHandle(which);
  DWORD mode;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    std::fflush(stream);
    std::wstring wide = GbkToWide(gbk);
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
  for (int i = 0; wide && i < count; ++i) args.push_back(WideToGbk(wide[i]));
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
