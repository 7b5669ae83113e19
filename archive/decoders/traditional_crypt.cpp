#include "archive/decoders/traditional_crypt.h"

#include "archive/decoders/crc32.h"

namespace archive {

void TraditionalKeys::Init(std::string_view password) {
  key0_ = kInitialKey0;
  key1_ = kInitialKey1;
  key2_ = kInitialKey2;
  for (char c : password) Update(static_cast<uint8_t>(c));
}

void TraditionalKeys::Update(uint8_t plain) {
  key0_ = Crc32Step(key0_, plain);
  key1_ = (key1_ + (key0_ & 0xFFu)) * 134775813u + 1u;
  key2_ = Crc32Step(key2_, static_cast<uint8_t>(key1_ >> 24));
}

void TraditionalKeys::Decrypt(uint8_t* data, size_t n) {
  // The keys live in locals for the whole block: this loop is the cost of
  // decryption, one pass over every compressed byte.
  uint32_t k0 = key0_, k1 = key1_, k2 = key2_;
  const uint32_t* table = kCrc32Table.entry;
  for (size_t i = 0; i < n; ++i) {
    uint32_t t = (k2 & 0xFFFFu) | 2u;
    uint8_t plain = static_cast<uint8_t>(data[i] ^ static_cast<uint8_t>((t * (t ^ 1u)) >> 8));
    data[i] = plain;
    k0 = table[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xFFu)) * 134775813u + 1u;
    k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
  }
  key0_ = k0;
  key1_ = k1;
  key2_ = k2;
}

uint8_t ExpectedCheckByte(uint16_t flags, uint32_t date_time, uint32_t crc32) {
  if (flags & 0x0008) return static_cast<uint8_t>((date_time >> 8) & 0xFF);
  return static_cast<uint8_t>(crc32 >> 24);
}

bool CheckEncryptionHeader(TraditionalKeys& keys, std::string_view password, uint8_t* header,
                           uint8_t check_byte) {
  keys.Init(password);
  keys.Decrypt(header, kEncryptionHeaderSize);
  return header[kEncryptionHeaderSize - 1] == check_byte;
}

}  // namespace archive
