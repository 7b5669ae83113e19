// Native shell links: a link file in the sandbox holding the target, the
// working folder and the description, each as its length in decimal, a
// colon, its bytes and a line feed, after the line "DZLINK". Enough for
// portable tests to read back what the installer saved.
#include "platform/shell_links.h"

#include <atomic>
#include <charconv>
#include <mutex>
#include <string>

#include "platform/files.h"
#include "platform/test_support.h"

namespace platform {
namespace {

constexpr char kMagic[] = "DZLINK\n";
constexpr size_t kLargestLinkFile = 64 * 1024;

std::atomic<bool> link_object_available{true};
std::mutex refused_target_mutex;
std::string refused_target;  // empty: none

// Reads "<length>:<bytes>\n" at text[at]; false when the text does not hold one.
bool ReadField(const std::string& text, size_t& at, std::string& field) {
  size_t colon = text.find(':', at);
  if (colon == std::string::npos || colon == at) return false;
  size_t length = 0;
  auto [end, error] = std::from_chars(text.data() + at, text.data() + colon, length);
  if (error != std::errc() || end != text.data() + colon) return false;
  size_t begin = colon + 1;
  if (length > text.size() - begin || begin + length >= text.size() || text[begin + length] != '\n') return false;
  field = text.substr(begin, length);
  at = begin + length + 1;
  return true;
}

}  // namespace

struct ShellLink::Object {
  ShellLinkInfo info;
};

ShellLink::ShellLink() {
  if (!link_object_available) throw ShellLinkError();
  object_ = std::make_unique<Object>();
}

ShellLink::~ShellLink() = default;

bool ShellLink::SetPath(const std::string& target) {
  {
    std::lock_guard<std::mutex> lock(refused_target_mutex);
    if (!refused_target.empty() && target == refused_target) return false;
  }
  object_->info.target = target;
  return true;
}

bool ShellLink::SetWorkingDirectory(const std::string& folder) {
  object_->info.working_directory = folder;
  return true;
}

bool ShellLink::SetDescription(const std::string& description) {
  object_->info.description = description;
  return true;
}

bool ShellLink::Save(const std::string& link_file) {
  std::string text = kMagic;
  for (const std::string* field :
       {&object_->info.target, &object_->info.working_directory, &object_->info.description}) {
    text += std::to_string(field->size()) + ":" + *field + "\n";
  }
  try {
    File file(link_file, File::Mode::Create);
    return file.Write(text.data(), text.size()) == text.size();
  } catch (const Error&) {
    return false;
  }
}

std::optional<ShellLinkInfo> ReadShellLink(const std::string& link_file) {
  std::string text;
  try {
    File file(link_file, File::Mode::ReadShared);
    if (file.Size() > static_cast<int64_t>(kLargestLinkFile)) return std::nullopt;
    text.resize(static_cast<size_t>(file.Size()));
    if (file.Read(text.data(), text.size()) != text.size()) return std::nullopt;
  } catch (const Error&) {
    return std::nullopt;
  }
  if (text.compare(0, sizeof kMagic - 1, kMagic) != 0) return std::nullopt;
  size_t at = sizeof kMagic - 1;
  ShellLinkInfo info;
  if (!ReadField(text, at, info.target) || !ReadField(text, at, info.working_directory) ||
      !ReadField(text, at, info.description) || at != text.size())
    return std::nullopt;
  return info;
}

namespace testing {

void SetShellLinkAvailable(bool available) { link_object_available = available; }

void SetShellLinkRefusedTarget(const std::string& target) {
  std::lock_guard<std::mutex> lock(refused_target_mutex);
  refused_target = target;
}

}  // namespace testing
}  // namespace platform
