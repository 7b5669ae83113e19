#include "tools/unzipper/console.h"

#include <cstdio>
#include <cwchar>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/windows/wide.h"
#endif

#include "platform/dialogs.h"

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
  // The argument array is one LocalAlloc block, freed on every path.
  std::unique_ptr<wchar_t*, decltype(&LocalFree)> wide(CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
  for (int index = 0; wide && index < count; ++index) {
    const wchar_t* argument = wide.get()[index];
    args.push_back(platform::windows::Narrow(argument, std::wcslen(argument)));
  }
  return args;
}

void WriteOut(const std::string& gbk) { Write(STD_OUTPUT_HANDLE, stdout, gbk); }
void WriteError(const std::string& gbk) { Write(STD_ERROR_HANDLE, stderr, gbk); }

#else

std::vector<std::string> CommandLine(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }
void WriteOut(const std::string& gbk) { std::fwrite(gbk.data(), 1, gbk.size(), stdout); }
void WriteError(const std::string& gbk) { std::fwrite(gbk.data(), 1, gbk.size(), stderr); }

#endif

int AnswerWithoutWindow(const std::string& text, const std::string& title, unsigned style) {
  WriteError((title.empty() ? std::string() : title + ": ") + text + "\n");
  return platform::SafeButton(style);
}

}  // namespace unzipper
