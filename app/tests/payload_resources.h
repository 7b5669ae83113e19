// The installer's payloads C0 ... C5, their checks CCRC and its manifest
// CEND as the build packs them (DZ_PAYLOAD_DIR): on Windows the test program
// carries them as resources (the installer's own resource script); natively
// the tests register the same files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"

namespace dz::testing {

inline std::string PackedFile(const std::string& name) {
  return ReadWholeFile(std::string(DZ_PAYLOAD_DIR) + "/" + name);
}

inline void RegisterPayloadResources() {
#ifndef _WIN32
  for (int n = 0; n < 6; ++n) {
    const std::string name = "C" + std::to_string(n);
    const std::string bytes = PackedFile(name);
    platform::testing::AddModuleResource(name, name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }
  const std::string manifest = PackedFile("CEND");
  platform::testing::AddModuleResource("CEND", "INI", std::vector<uint8_t>(manifest.begin(), manifest.end()));
  const std::string checks = PackedFile("CCRC");
  platform::testing::AddModuleResource("CCRC", "CRC", std::vector<uint8_t>(checks.begin(), checks.end()));
#endif
}

}  // namespace dz::testing
