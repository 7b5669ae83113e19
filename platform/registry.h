// The system registry: keys under a root, string and 32-bit number values,
// and removal of a key with everything below it. Names and values are GBK
// text; on Windows they reach the wide-character registry API through code
// page 936, natively the registry is kept in memory (see test_support.h).
//
// Key paths are relative to the root, with backslashes between the levels
// and no leading backslash; key and value names are matched without regard
// to case, as Windows does. No call raises: failures are results, because
// the installer treats every registry failure as "not there".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

// An open registry key, closed with its owner. Move-only.
class RegistryKey {
 public:
  enum class Access { Read, ReadWrite };

  // Opens an existing key; nullopt when it is missing or access is refused.
  static std::optional<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                         Access access = Access::Read);
  // Opens a key for reading and writing, creating it and every missing
  // parent; nullopt when that is refused.
  static std::optional<RegistryKey> Create(RegistryRoot root, const std::string& path);

  RegistryKey(RegistryKey&&) noexcept;
  RegistryKey& operator=(RegistryKey&&) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  // A string value (REG_SZ, or REG_EXPAND_SZ unexpanded); nullopt when it is
  // missing or of another type. An empty name is the key's default value.
  std::optional<std::string> ReadString(const std::string& name) const;
  bool WriteString(const std::string& name, const std::string& value);  // as REG_SZ

  // A REG_DWORD value; nullopt when it is missing or of another type.
  std::optional<uint32_t> ReadDword(const std::string& name) const;
  bool WriteDword(const std::string& name, uint32_t value);

  bool DeleteValue(const std::string& name);
  // The names of the keys directly below this one, in the registry's order.
  std::vector<std::string> SubKeyNames() const;

 private:
  struct Handle;
  explicit RegistryKey(std::unique_ptr<Handle> handle);
  std::unique_ptr<Handle> handle_;
};

// Removes a key together with its values and every key below it. False when
// the key is missing or cannot be removed. An empty path (the root itself)
// is refused.
bool DeleteRegistryKey(RegistryRoot root, const std::string& path);

}  // namespace platform
