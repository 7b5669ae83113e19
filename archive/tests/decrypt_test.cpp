// Traditional PKWARE decryption: key schedule, header check, and the key
// state running on from the header through data decrypted in blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/decoders/traditional_crypt.h"

namespace archive {
namespace {

// The writer's side of the cipher, for building encrypted data in tests.
std::vector<uint8_t> Encrypt(const std::string& password, const std::vector<uint8_t>& plain) {
  TraditionalKeys keys;
  keys.Init(password);
  std::vector<uint8_t> out;
  for (uint8_t p : plain) {
    out.push_back(static_cast<uint8_t>(p ^ keys.StreamByte()));
    keys.Update(p);
  }
  return out;
}

TEST(TraditionalKeys, KeySetUpFromPassword) {
  struct Row {
    std::string password;
    uint32_t k0, k1, k2;
    uint8_t stream_byte;
  };
  const Row rows[] = {
      {"", 0x12345678, 0x23456789, 0x34567890, 0xAB},  // empty password keeps the initial keys
      {"a", 0x64799C96, 0xB303049C, 0xA253270A, 0x33},
      {"abc", 0x5DD2AF4D, 0x589D03B4, 0x3CF5FFA4, 0x1F},
      {"secret", 0xDDA9E469, 0x96212999, 0xF9FC9651, 0xC8},
  };
  for (const Row& row : rows) {
    TraditionalKeys keys;
    keys.Init("stale state");
    keys.Init(row.password);
    EXPECT_EQ(keys.key0(), row.k0) << row.password;
    EXPECT_EQ(keys.key1(), row.k1) << row.password;
    EXPECT_EQ(keys.key2(), row.k2) << row.password;
    EXPECT_EQ(keys.StreamByte(), row.stream_byte) << row.password;
  }
}

TEST(TraditionalKeys, HighPasswordBytesAreUnsigned) {
  // "青松白云" as GBK bytes: all above 0x7F. A signed char used as a table
  // index would give different keys than the byte values do.
  const std::string gbk = "\xC7\xE0\xCB\xC9\xB0\xD7\xD4\xC6";
  TraditionalKeys by_text;
  by_text.Init(gbk);
  TraditionalKeys by_bytes;
  by_bytes.Init("");
  for (unsigned char c : gbk) by_bytes.Update(c);
  EXPECT_EQ(by_text.key0(), by_bytes.key0());
  EXPECT_EQ(by_text.key1(), by_bytes.key1());
  EXPECT_EQ(by_text.key2(), by_bytes.key2());
  // And the cipher round-trips with it.
  std::vector<uint8_t> plain = {1, 2, 3, 0xFF, 0x80};
  std::vector<uint8_t> data = Encrypt(gbk, plain);
  TraditionalKeys keys;
  keys.Init(gbk);
  keys.Decrypt(data.data(), data.size());
  EXPECT_EQ(data, plain);
}

TEST(TraditionalKeys, HeaderCheckByCrcOrByTime) {
  // Password "pw", stored entry "Hello" (CRC-32 F7D18982): header plaintext
  // 00 x10 D1 F7, then the data.
  const std::vector<uint8_t> crc_rule = {0xE3, 0xC1, 0xAD, 0xD0, 0x90, 0xC1, 0xC8, 0x17, 0xC2,
                                         0x8C, 0x22, 0x4A, 0x44, 0xEB, 0x15, 0xCD, 0x20};
  // Flag bit 3, DOS time 0x6B2A: header plaintext 00 x10 2A 6B, then "Hello".
  const std::vector<uint8_t> time_rule = {0xE3, 0xC1, 0xAD, 0xD0, 0x90, 0xC1, 0xC8, 0x17, 0xC2,
                                          0x8C, 0xD9, 0x01, 0x52, 0x4E, 0x95, 0x53, 0xD1};
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string password;
    uint16_t flags;
    uint32_t date_time;
    uint32_t crc;
    bool accepted;
    uint8_t last_plain;
  };
  const Row rows[] = {
      {"crc rule", crc_rule, "pw", 0x0001, 0x58216B2A, 0xF7D18982, true, 0xF7},
      {"crc rule, wrong password", crc_rule, "pX", 0x0001, 0x58216B2A, 0xF7D18982, false, 0x37},
      {"time rule", time_rule, "pw", 0x0009, 0x58216B2A, 0xF7D18982, true, 0x6B},
      {"time rule ignores the crc", time_rule, "pw", 0x0009, 0x58216B2A, 0x12345678, true, 0x6B},
      {"crc rule ignores the time", time_rule, "pw", 0x0001, 0x58216B2A, 0xF7D18982, false, 0x6B},
  };
  for (const Row& row : rows) {
    std::vector<uint8_t> data = row.bytes;
    TraditionalKeys keys;
    uint8_t check = ExpectedCheckByte(row.flags, row.date_time, row.crc);
    EXPECT_EQ(CheckEncryptionHeader(keys, row.password, data.data(), check), row.accepted) << row.name;
    EXPECT_EQ(data[11], row.last_plain) << row.name;
    if (row.accepted) {
      // The keys run on from the header into the data.
      keys.Decrypt(data.data() + 12, 5);
      EXPECT_EQ(std::string(data.begin() + 12, data.end()), "Hello") << row.name;
    }
  }
}

TEST(TraditionalKeys, BlockwiseDecryptionEqualsOnePass) {
  std::vector<uint8_t> plain(70000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>((i * 7919) >> 3);
  const std::vector<uint8_t> cipher = Encrypt("secret", plain);
  // Blocks of every awkward size, keys carried from block to block.
  for (size_t block : {size_t{1}, size_t{12}, size_t{4095}, size_t{32768}, plain.size()}) {
    std::vector<uint8_t> data = cipher;
    TraditionalKeys keys;
    keys.Init("secret");
    for (size_t at = 0; at < data.size(); at += block) keys.Decrypt(data.data() + at, std::min(block, data.size() - at));
    EXPECT_EQ(data, plain) << "block " << block;
  }
}

// Streams decrypted side by side give each stream's own bytes and keys, for
// every count the interleaved loops take and beyond, and the streams may
// go on alone afterwards from where the shared steps left their keys.
TEST(TraditionalKeys, StreamsDecryptedTogetherEqualEachAlone) {
  const std::vector<std::string> passwords = {"secret", "", "\xC7\xE0\xCB\xC9", "a", "longer password", "x"};
  std::vector<std::vector<uint8_t>> plains, ciphers;
  for (size_t s = 0; s < passwords.size(); ++s) {
    std::vector<uint8_t> plain(5000 + 977 * s);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>((i * (31 + s)) ^ (i >> 5));
    plains.push_back(plain);
    ciphers.push_back(Encrypt(passwords[s], plain));
  }
  for (size_t count = 1; count <= passwords.size(); ++count) {
    for (size_t step : {size_t{1}, size_t{333}, size_t{5000}}) {
      std::vector<std::vector<uint8_t>> data(ciphers.begin(), ciphers.begin() + count);
      std::vector<TraditionalKeys> keys(count);
      std::vector<TraditionalKeys*> key_pointers;
      for (size_t s = 0; s < count; ++s) {
        keys[s].Init(passwords[s]);
        key_pointers.push_back(&keys[s]);
      }
      // Shared steps as long as every stream has bytes left, then each
      // stream's rest alone.
      size_t done = 0;
      for (; done + step <= 5000; done += step) {
        std::vector<uint8_t*> at;
        for (auto& d : data) at.push_back(d.data() + done);
        DecryptTogether(key_pointers.data(), at.data(), count, step);
      }
      for (size_t s = 0; s < count; ++s) {
        keys[s].Decrypt(data[s].data() + done, data[s].size() - done);
        EXPECT_EQ(data[s], plains[s]) << "stream " << s << " of " << count << ", steps of " << step;
      }
    }
  }
}

}  // namespace
}  // namespace archive
