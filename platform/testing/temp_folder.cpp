#include "platform/testing/temp_folder.h"

#include <atomic>
#include <stdexcept>

#include "platform/files.h"
#include "platform/special_folders.h"
#include "platform/streams.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace dz::testing {
namespace {

std::atomic<int> counter{0};

int ProcessId() {
#ifdef _WIN32
  return static_cast<int>(GetCurrentProcessId());
#else
  return static_cast<int>(getpid());
#endif
}

}  // namespace

TempFolder::TempFolder() {
  std::string temp = platform::TempPath(261);
  if (temp.empty()) temp = "C:\\TEMP\\";
  platform::ForceDirectories(temp);
  path_ = temp + "dz-test-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++) + "\\";
  RemoveTree(path_);
  if (!platform::ForceDirectories(path_)) throw std::runtime_error("cannot create test folder " + path_);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::string& path) {
  std::string folder = path;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  for (const auto& entry : platform::ListDirectory(folder)) {
    std::string child = folder + "\\" + entry.name;
    if (entry.attributes & platform::kAttrDirectory) {
      RemoveTree(child);
    } else {
      platform::WriteAttributes(child, platform::kAttrNormal);
      platform::RemoveFile(child);
    }
  }
  platform::RemoveEmptyDirectory(folder);
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  platform::TFileStream out(path, platform::File::Mode::Create);
  out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  try {
    platform::TFileStream in(path, platform::File::Mode::ReadShared);
    bytes.resize(static_cast<size_t>(in.Size()));
    in.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) throw std::runtime_error("cannot read " + path);
  return bytes;
}

int CountFiles(const std::string& folder) {
  int count = 0;
  for (const auto& entry : platform::ListDirectory(folder))
    count += (entry.attributes & platform::kAttrDirectory) ? CountFiles(folder + entry.name + "\\") : 1;
  return count;
}

}  // namespace dz::testing
