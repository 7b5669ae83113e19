// Native stand-ins for the system services that have no host equivalent:
// module resources (registered by tests), message boxes (answered by the
// responder or by their safe button), the message pump (only its hook),
// the cursor, and the special folders (inside the sandbox; the all-users
// folders at the places of a current Windows unless a test moves them).
#include <unistd.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "platform/special_folders.h"
#include "platform/test_support.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace platform {
namespace {

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

struct State {
  std::mutex mutex;
  std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> resources;
  std::function<void(unsigned)> sleep_hook;
  CursorShape cursor = CursorShape::Default;
  std::string temp = "C:\\TEMP\\";
  std::string windows = "C:\\WINDOWS";
  std::string system = "C:\\WINDOWS\\system32";
  std::map<CommonFolder, std::string> common = {
      {CommonFolder::Desktop, "C:\\Users\\Public\\Desktop"},
      {CommonFolder::StartMenu, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
      {CommonFolder::Programs, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
      {CommonFolder::Startup, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
  };
};

State& state() {
  static State s;
  return s;
}

std::string Fit(const std::string& value, size_t buffer_size) {
  return value.size() < buffer_size ? value : std::string();
}

}  // namespace

std::optional<ResourceBytes> FindModuleResource(const std::string& name, const std::string& type) {
  std::lock_guard lock(state().mutex);
  auto it = state().resources.find({Upper(name), Upper(type)});
  if (it == state().resources.end()) return std::nullopt;
  return ResourceBytes{it->second.data(), it->second.size()};
}

int ShowMessageBox(const std::string& text, const std::string& title, unsigned style, MessageBoxOwner) {
  if (const MessageBoxResponder responder = testing::CurrentMessageBoxResponder())
    return responder(text, title, style);
  std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
  return SafeButton(style);
}

std::string BrowseForFolder(const std::string&, const std::string&, bool) { return ""; }
std::string BrowseForOpenFile(const std::string&, const std::string&, const std::string&) { return ""; }

void ProcessMessages() { testing::RunMessagePumpHook(); }

uint64_t MonotonicMicroseconds() {
  const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since_start).count());
}

void SleepMilliseconds(unsigned milliseconds) {
  std::function<void(unsigned)> hook;
  {
    std::lock_guard lock(state().mutex);
    hook = state().sleep_hook;
  }
  if (hook)
    hook(milliseconds);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

CursorShape CurrentCursor() { return state().cursor; }
void SetCursorShape(CursorShape shape) { state().cursor = shape; }

std::string TempPath(size_t buffer_size) {
  std::lock_guard lock(state().mutex);
  return Fit(state().temp, buffer_size);
}

std::string WindowsDirectory(size_t buffer_size) {
  std::lock_guard lock(state().mutex);
  return Fit(state().windows, buffer_size);
}

std::vector<std::string> ProgramFilesFolders() { return {"C:\\Program Files", "C:\\Program Files (x86)"}; }

std::string SystemDirectory(size_t buffer_size) {
  std::lock_guard lock(state().mutex);
  return Fit(state().system, buffer_size);
}

std::string CommonFolderPath(CommonFolder folder) {
  std::lock_guard lock(state().mutex);
  return state().common[folder];
}

namespace testing {

bool AddModuleResource(const std::string& name, const std::string& type, std::vector<uint8_t> bytes) {
  std::lock_guard lock(state().mutex);
  state().resources[{Upper(name), Upper(type)}] = std::move(bytes);
  return true;
}

void ClearModuleResources() {
  std::lock_guard lock(state().mutex);
  state().resources.clear();
}

void SetSpecialFolders(const std::string& temp, const std::string& windows, const std::string& system) {
  std::lock_guard lock(state().mutex);
  state().temp = temp;
  state().windows = windows;
  state().system = system;
}

void SetCommonFolder(CommonFolder folder, const std::string& path) {
  std::lock_guard lock(state().mutex);
  state().common[folder] = path;
}

void SetSleepHook(std::function<void(unsigned milliseconds)> hook) {
  std::lock_guard lock(state().mutex);
  state().sleep_hook = std::move(hook);
}

}  // namespace testing
}  // namespace platform
