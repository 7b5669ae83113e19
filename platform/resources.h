// Resources of the running program's own module, found by name and type given
// as text (GBK). A type of the form "#n" names a numeric type, so "#10" is
// RCDATA. The bytes belong to the module and stay valid for its lifetime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

inline constexpr const char* kResourceTypeRcData = "#10";

struct ResourceBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// Finds, loads and locks a resource; nullopt when the module has none of that
// name and type. Resources carry language 2052 (Chinese, PRC); any language is
// accepted when that one is missing.
std::optional<ResourceBytes> FindModuleResource(const std::string& name, const std::string& type);

}  // namespace platform
