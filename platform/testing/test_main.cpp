// Main of every test program. Natively each program gets its own sandbox for
// drive-letter paths; on Windows, crashes must not open dialogs that wait for
// a person, and the program runs only at the code page of the product's home
// (936, a Chinese Windows) unless DIZAVOZI_EXPECT_ACP names the one a run
// chose on purpose.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  const char* expected_text = std::getenv("DIZAVOZI_EXPECT_ACP");
  const unsigned expected = expected_text ? static_cast<unsigned>(std::strtoul(expected_text, nullptr, 10)) : 936u;
  if (GetACP() != expected) {
    std::fprintf(stderr, "the ANSI code page is %u, not %u: run the tests in a zh_CN.UTF-8 locale (tools/wine-env.sh)\n",
                 GetACP(), expected);
    return 1;
  }
#else
  std::string root = (std::filesystem::temp_directory_path() / ("dizavozi-test-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(root);
  platform::testing::SetSandboxRoot(root);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  int status = RUN_ALL_TESTS();
#ifndef _WIN32
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
#endif
  return status;
}
