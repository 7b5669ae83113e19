// Resources of the app tests. In the Windows tree they are compiled into the
// test program (app_tests.rc, made by app/CMakeLists.txt); natively the tests
// register the same bytes. "R<size>" of type "R<size>" holds size bytes whose
// byte i is DZ_TEST_PATTERN[i mod 61]; CEND of type INI is the manifest as
// the installer carries it (DZ_CEND_FILE).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/payload_checks.h"
#include "platform/streams.h"
#include "platform/test_support.h"

namespace dz::testing {

inline std::string PatternBytes(size_t size) {
  const std::string pattern = DZ_TEST_PATTERN;
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = pattern[i % pattern.size()];
  return bytes;
}

inline std::string CarriedManifest() {
  platform::TFileStream in(DZ_CEND_FILE, platform::File::Mode::ReadShared);
  std::string bytes(static_cast<size_t>(in.Size()), '\0');
  in.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

// Registers the resources natively; on Windows they are already there.
inline void RegisterTestResources() {
  for (size_t size : {0, 1, 49, 50, 51, 4999, 5000, 5099, 1000000}) {
    std::string bytes = PatternBytes(size);
    std::string name = "R" + std::to_string(size);
    platform::testing::AddModuleResource(name, name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }
  std::string manifest = CarriedManifest();
  platform::testing::AddModuleResource("CEND", "INI", std::vector<uint8_t>(manifest.begin(), manifest.end()));
}

// Registers the payloads' checks natively (for a product whose manifest
// replaces the carried one); on Windows the test program carries its own.
inline void RegisterPayloadChecks(const std::vector<payload_checks::Check>& checks) {
  const std::string bytes = payload_checks::Write(checks);
  platform::testing::AddModuleResource(payload_checks::kResourceName, payload_checks::kResourceType,
                                       std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace dz::testing
