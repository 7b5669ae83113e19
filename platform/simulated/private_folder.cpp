// The private folder on the host: a new folder (mkdir fails when the name
// exists) that only this user may enter; links inside are removed as links.
#include "platform/private_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/simulated/host_paths.h"

namespace platform {
namespace {

constexpr int kNameTries = 64;

std::string RandomPart() {
  static std::random_device device;
  std::uniform_int_distribution<unsigned long long> bits;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", bits(device));
  return text;
}

}  // namespace

struct PrivateFolder::Hold {};

PrivateFolder::PrivateFolder(std::string path, std::unique_ptr<Hold> hold)
    : path_(std::move(path)), hold_(std::move(hold)) {}

std::unique_ptr<PrivateFolder> PrivateFolder::Create(const std::string& parent, const std::string& prefix) {
  if (parent.empty()) return nullptr;
  for (int i = 0; i < kNameTries; ++i) {
    const std::string path = parent + prefix + RandomPart();
    if (::mkdir(simulated::ToHostPath(path).c_str(), 0700) == 0)
      return std::unique_ptr<PrivateFolder>(new PrivateFolder(path + "\\", std::make_unique<Hold>()));
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

PrivateFolder::~PrivateFolder() {
  if (!kept_) RemoveFolderTree(path_);
}

std::string PrivateFolder::Keep() {
  kept_ = true;
  hold_.reset();
  return path_;
}

bool RemoveFolderTree(const std::string& folder) {
  std::string host = simulated::ToHostPath(folder);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  std::error_code error;
  // remove_all deletes a symbolic link as a link and never follows one.
  std::filesystem::remove_all(host, error);
  return !std::filesystem::exists(std::filesystem::symlink_status(host, error));
}

}  // namespace platform
