// Traditional PKWARE encryption (the ZIP "password" scheme of the APPNOTE):
// the three 32-bit keys, the 12-byte encryption header check, and in-place
// decryption of data blocks.
//
// The key state of an entry runs on unbroken from the header through every
// data byte, so an entry's blocks must be decrypted once each, in order, with
// the same TraditionalKeys that checked its header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace archive {

inline constexpr size_t kEncryptionHeaderSize = 12;

class TraditionalKeys {
 public:
  static constexpr uint32_t kInitialKey0 = 0x12345678u;
  static constexpr uint32_t kInitialKey1 = 0x23456789u;
  static constexpr uint32_t kInitialKey2 = 0x34567890u;

  TraditionalKeys() = default;

  // Initial values, then one update per password byte (8-bit GBK bytes, no
  // terminator). An empty password leaves the initial values.
  void Init(std::string_view password);

  // Mixes one plain byte into the keys.
  void Update(uint8_t plain);

  // The next key-stream byte (depends on key2 only).
  uint8_t StreamByte() const {
    uint32_t t = (key2_ & 0xFFFFu) | 2u;
    return static_cast<uint8_t>((t * (t ^ 1u)) >> 8);
  }

  // Decrypts n bytes in place: plain = cipher XOR stream byte, then the keys
  // take the plain byte.
  void Decrypt(uint8_t* data, size_t n);

  void SetKeys(uint32_t key0, uint32_t key1, uint32_t key2) {
    key0_ = key0;
    key1_ = key1;
    key2_ = key2;
  }

  uint32_t key0() const { return key0_; }
  uint32_t key1() const { return key1_; }
  uint32_t key2() const { return key2_; }

 private:
  uint32_t key0_ = kInitialKey0;
  uint32_t key1_ = kInitialKey1;
  uint32_t key2_ = kInitialKey2;
};

// Decrypts n bytes of each of count independent streams (count at most
// kMaxDecryptedTogether), each with its own keys: the same bytes and key
// states as keys[i]->Decrypt(data[i], n) for every i. One stream's key update
// is a chain of dependent steps that leaves most of the processor waiting;
// interleaved, several chains run in the same time as about one and a half.
inline constexpr size_t kMaxDecryptedTogether = 4;
void DecryptTogether(TraditionalKeys* const* keys, uint8_t* const* data, size_t count, size_t n);

// The byte the 12th plain header byte must equal: with a data descriptor
// (flag bit 3) the high byte of the DOS time (low word of date_time), else the
// high byte of the stored CRC-32.
uint8_t ExpectedCheckByte(uint16_t flags, uint32_t date_time, uint32_t crc32);

// Sets the keys up from password, decrypts the 12 header bytes in place and
// says whether the last one equals check_byte. On return the keys are ready
// for the entry's first data byte (also after a failed check).
bool CheckEncryptionHeader(TraditionalKeys& keys, std::string_view password, uint8_t* header,
                           uint8_t check_byte);

}  // namespace archive
