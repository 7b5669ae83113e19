// Main of every test program. Natively each program gets its own sandbox for
// drive-letter paths; on Windows, crashes must not open dialogs that wait for
// a person.
#include <gtest/gtest.h>

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
