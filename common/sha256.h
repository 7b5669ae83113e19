// SHA-256 (FIPS 180-4): the digest that ties the journal of an unfinished
// installation to its record under the machine's registry key, so that a
// journal someone altered is found and never replayed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sha256 {

class Running {
 public:
  Running();
  void Update(const void* data, size_t size);
  void Update(std::string_view text) { Update(text.data(), text.size()); }
  // The digest of everything given so far; the running state is left as it
  // was, so more may follow.
  std::array<uint8_t, 32> Digest() const;
  // The digest as 64 lower-case hexadecimal digits.
  std::string HexDigest() const;

 private:
  void Block(const uint8_t* block);
  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> pending_{};
  size_t pending_size_ = 0;
  uint64_t total_ = 0;
};

std::string HexDigest(std::string_view text);

}  // namespace sha256
