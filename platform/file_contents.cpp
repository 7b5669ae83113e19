// Whole-file reads built on platform::File, the same on every system.
#include "platform/errors.h"
#include "platform/files.h"

namespace platform {

std::optional<uint64_t> FileSize(const std::string& path) {
  if (!FileExists(path)) return std::nullopt;
  try {
    File file(path, File::Mode::ReadShared);
    const int64_t size = file.Size();
    if (size < 0) return std::nullopt;
    return static_cast<uint64_t>(size);
  } catch (const Error&) {
    return std::nullopt;
  }
}

std::optional<std::string> ReadSmallFile(const std::string& path, uint64_t max_size) {
  if (!FileExists(path)) return std::nullopt;
  try {
    File file(path, File::Mode::ReadShared);
    const int64_t size = file.Size();
    if (size < 0 || static_cast<uint64_t>(size) > max_size) return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
    return bytes;
  } catch (const Error&) {
    return std::nullopt;
  }
}

}  // namespace platform
