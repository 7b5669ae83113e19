// Native registry: a tree of keys kept in memory for the life of the process,
// so that portable tests can seed it and look at what was written. Names are
// matched without regard to the case of single-byte letters and split on
// backslashes that are characters of their own, as on Windows.
#include "platform/registry.h"

#include <map>
#include <mutex>
#include <set>
#include <variant>

#include "platform/gbk.h"
#include "platform/test_support.h"

namespace platform {
namespace {

using Value = std::variant<std::string, uint32_t>;

struct Node {
  std::string name;  // as first created
  std::map<std::string, std::pair<std::string, Value>> values;  // by upper-case name: (name, value)
  std::map<std::string, std::unique_ptr<Node>> children;        // by upper-case name
};

struct Registry {
  std::mutex mutex;
  std::map<RegistryRoot, Node> roots;
  std::set<RegistryRoot> read_only;
};

Registry& registry() {
  static Registry r;
  return r;
}

// The levels of a key path, upper-cased; nullopt for a malformed path (a
// leading backslash or an empty level). One trailing backslash is allowed.
std::optional<std::vector<std::pair<std::string, std::string>>> SplitPath(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> levels;
  if (path.empty()) return levels;
  std::string current;
  bool malformed = false;
  gbk::ForEachChar(path, [&](size_t at, size_t length) {
    if (length == 1 && path[at] == '\\') {
      if (current.empty()) malformed = true;
      levels.emplace_back(gbk::UpperAscii(current), current);
      current.clear();
    } else {
      current.append(path, at, length);
    }
  });
  if (malformed) return std::nullopt;
  if (!current.empty()) levels.emplace_back(gbk::UpperAscii(current), current);
  return levels;
}

// The node at path under root, created when create is set; nullptr when it
// is missing. Call with the mutex held.
Node* Find(RegistryRoot root, const std::string& path, bool create) {
  auto levels = SplitPath(path);
  if (!levels) return nullptr;
  Node* node = &registry().roots[root];
  for (const auto& [upper, name] : *levels) {
    auto found = node->children.find(upper);
    if (found == node->children.end()) {
      if (!create) return nullptr;
      auto child = std::make_unique<Node>();
      child->name = name;
      found = node->children.emplace(upper, std::move(child)).first;
    }
    node = found->second.get();
  }
  return node;
}

}  // namespace

// A key is remembered by its place; every call looks it up again, so a key
// removed while open simply stops answering, as a Windows handle does.
struct RegistryKey::Handle {
  RegistryRoot root;
  std::string path;
  bool writable;
};

RegistryKey::RegistryKey(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::optional<RegistryKey> RegistryKey::Open(RegistryRoot root, const std::string& path, Access access) {
  std::lock_guard lock(registry().mutex);
  bool writable = access == Access::ReadWrite;
  if (writable && registry().read_only.count(root)) return std::nullopt;
  if (!Find(root, path, false)) return std::nullopt;
  return RegistryKey(std::make_unique<Handle>(Handle{root, path, writable}));
}

std::optional<RegistryKey> RegistryKey::Create(RegistryRoot root, const std::string& path) {
  std::lock_guard lock(registry().mutex);
  if (registry().read_only.count(root)) return std::nullopt;
  if (!Find(root, path, true)) return std::nullopt;
  return RegistryKey(std::make_unique<Handle>(Handle{root, path, true}));
}

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
  std::lock_guard lock(registry().mutex);
  Node* node = Find(handle_->root, handle_->path, false);
  if (!node) return std::nullopt;
  auto found = node->values.find(gbk::UpperAscii(name));
  if (found == node->values.end()) return std::nullopt;
  if (auto* text = std::get_if<std::string>(&found->second.second)) return *text;
  return std::nullopt;
}

std::optional<uint32_t> RegistryKey::ReadDword(const std::string& name) const {
  std::lock_guard lock(registry().mutex);
  Node* node = Find(handle_->root, handle_->path, false);
  if (!node) return std::nullopt;
  auto found = node->values.find(gbk::UpperAscii(name));
  if (found == node->values.end()) return std::nullopt;
  if (auto* number = std::get_if<uint32_t>(&found->second.second)) return *number;
  return std::nullopt;
}

namespace {

bool Write(const RegistryRoot root, const std::string& path, bool writable, const std::string& name,
           Value value) {
  std::lock_guard lock(registry().mutex);
  if (!writable || registry().read_only.count(root)) return false;
  Node* node = Find(root, path, false);
  if (!node) return false;
  auto& slot = node->values[gbk::UpperAscii(name)];
  if (slot.first.empty()) slot.first = name;
  slot.second = std::move(value);
  return true;
}

}  // namespace

bool RegistryKey::WriteString(const std::string& name, const std::string& value) {
  return Write(handle_->root, handle_->path, handle_->writable, name, value);
}

bool RegistryKey::WriteDword(const std::string& name, uint32_t value) {
  return Write(handle_->root, handle_->path, handle_->writable, name, value);
}

bool RegistryKey::DeleteValue(const std::string& name) {
  std::lock_guard lock(registry().mutex);
  if (!handle_->writable || registry().read_only.count(handle_->root)) return false;
  Node* node = Find(handle_->root, handle_->path, false);
  return node && node->values.erase(gbk::UpperAscii(name)) == 1;
}

std::vector<std::string> RegistryKey::SubKeyNames() const {
  std::lock_guard lock(registry().mutex);
  std::vector<std::string> names;
  if (Node* node = Find(handle_->root, handle_->path, false))
    for (const auto& [upper, child] : node->children) names.push_back(child->name);
  return names;
}

bool DeleteRegistryKey(RegistryRoot root, const std::string& path) {
  std::lock_guard lock(registry().mutex);
  if (registry().read_only.count(root)) return false;
  auto levels = SplitPath(path);
  if (!levels || levels->empty()) return false;
  std::string last = levels->back().first;
  levels->pop_back();
  Node* parent = &registry().roots[root];
  for (const auto& level : *levels) {
    auto found = parent->children.find(level.first);
    if (found == parent->children.end()) return false;
    parent = found->second.get();
  }
  return parent->children.erase(last) == 1;
}

namespace testing {

void ClearRegistry() {
  std::lock_guard lock(registry().mutex);
  registry().roots.clear();
  registry().read_only.clear();
}

void SetRegistryReadOnly(RegistryRoot root, bool read_only) {
  std::lock_guard lock(registry().mutex);
  if (read_only)
    registry().read_only.insert(root);
  else
    registry().read_only.erase(root);
}

}  // namespace testing
}  // namespace platform
