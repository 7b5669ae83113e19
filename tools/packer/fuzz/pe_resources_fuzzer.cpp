// Any bytes as a stub: the reader refuses or parses without reading outside
// the input, and a parsed image takes one more resource and reads back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/packer/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const pe::Image image(std::vector<uint8_t>(data, data + size));
    for (const pe::Resource& resource : image.Resources()) (void)image.Bytes(resource);
    const uint8_t payload[3] = {1, 2, 3};
    const auto name = pe::ResourceId::Name("C0");
    const pe::Image packed(image.WithResources({{name, name, 2052, payload}}));
    const pe::Resource* found = packed.Find(name, name, 2052);
    if (!found || packed.Bytes(*found).size() != 3) __builtin_trap();
  } catch (const pe::PeError&) {
  }
  return 0;
}
