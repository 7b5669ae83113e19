#include "archive/decoders/traditional_crypt.h"

#include <algorithm>

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

namespace {

// The cost of decryption, one pass over every compressed byte: the keys live
// in locals for the whole block. Each chain's step depends on the one
// before; kCount independent chains in one loop keep the processor busy.
template <size_t kCount>
void DecryptInterleaved(TraditionalKeys* const* keys, uint8_t* const* data, size_t n) {
  const uint32_t* table = kCrc32Table.entry;
  uint32_t k0[kCount], k1[kCount], k2[kCount];
  uint8_t* bytes[kCount];
  for (size_t j = 0; j < kCount; ++j) {
    k0[j] = keys[j]->key0();
    k1[j] = keys[j]->key1();
    k2[j] = keys[j]->key2();
    bytes[j] = data[j];
  }
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < kCount; ++j) {
      const uint32_t t = (k2[j] & 0xFFFFu) | 2u;
      const uint8_t plain = static_cast<uint8_t>(bytes[j][i] ^ static_cast<uint8_t>((t * (t ^ 1u)) >> 8));
      bytes[j][i] = plain;
      k0[j] = table[(k0[j] ^ plain) & 0xFF] ^ (k0[j] >> 8);
      k1[j] = (k1[j] + (k0[j] & 0xFFu)) * 134775813u + 1u;
      k2[j] = table[(k2[j] ^ (k1[j] >> 24)) & 0xFF] ^ (k2[j] >> 8);
    }
  }
  for (size_t j = 0; j < kCount; ++j) keys[j]->SetKeys(k0[j], k1[j], k2[j]);
}

}  // namespace

void TraditionalKeys::Decrypt(uint8_t* data, size_t n) {
  TraditionalKeys* keys = this;
  DecryptInterleaved<1>(&keys, &data, n);
}

void DecryptTogether(TraditionalKeys* const* keys, uint8_t* const* data, size_t count, size_t n) {
  switch (count) {
    case 0: return;
    case 1: return keys[0]->Decrypt(data[0], n);
    case 2: return DecryptInterleaved<2>(keys, data, n);
    case 3: return DecryptInterleaved<3>(keys, data, n);
    case 4: return DecryptInterleaved<4>(keys, data, n);
    default:
      // More than the interleaved loops take: in groups of four.
      for (size_t at = 0; at < count; at += kMaxDecryptedTogether)
        DecryptTogether(keys + at, data + at, std::min(kMaxDecryptedTogether, count - at), n);
  }
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
