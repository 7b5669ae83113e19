#include "platform/simulated/host_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "platform/encoding.h"
#include "platform/gbk.h"
#include "platform/test_support.h"

namespace platform {
namespace {

std::mutex sandbox_mutex;
std::string sandbox_root;

std::string DefaultSandbox() {
  if (const char* env = std::getenv("DIZAVOZI_SANDBOX"); env && *env) return env;
  return "/tmp/dizavozi-sandbox-" + std::to_string(getpid());
}

}  // namespace

namespace testing {

void SetSandboxRoot(const std::string& host_folder) {
  std::lock_guard lock(sandbox_mutex);
  sandbox_root = host_folder;
  while (sandbox_root.size() > 1 && sandbox_root.back() == '/') sandbox_root.pop_back();
}

std::string SandboxRoot() {
  std::lock_guard lock(sandbox_mutex);
  if (sandbox_root.empty()) sandbox_root = DefaultSandbox();
  return sandbox_root;
}

std::string HostPath(const std::string& path) { return simulated::ToHostPath(path); }

}  // namespace testing

namespace simulated {

std::string ToHostPath(const std::string& path) {
  std::string host;
  std::string rest;
  auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (path.size() >= 2 && is_letter(path[0]) && path[1] == ':') {
    char drive = static_cast<char>(path[0] & ~0x20);
    host = testing::SandboxRoot() + "/" + drive;
    rest = path.substr(2);
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') rest = "\\" + rest;
  } else if (!path.empty() && path[0] == '\\' && !(path.size() > 1 && path[1] == '\\')) {
    host = testing::SandboxRoot() + "/C";
    rest = path;
  } else {
    rest = path;
  }
  // Backslashes become the host separator; the second byte of a double-byte
  // character may be 0x5C and stays.
  std::string converted = rest;
  gbk::ForEachChar(rest, [&](size_t at, size_t length) {
    if (length == 1 && rest[at] == '\\') converted[at] = '/';
  });
  return host + GbkToUtf8(converted);
}

}  // namespace simulated
}  // namespace platform
