// Legacy entries behind the traditional encryption: the decoders take their
// bytes through NextInputByte, so the blocks are decrypted as they are read,
// in order, across 32768-byte refills. Each stream is encrypted here with the
// cipher (header plus data, as a writer does) and read back through a source
// that decrypts every block with the keys that checked the header.
#include <gtest/gtest.h>

#include <string>

#include "archive/decoders/explode.h"
#include "archive/decoders/traditional_crypt.h"
#include "archive/decoders/unreduce.h"
#include "archive/decoders/unshrink.h"
#include "archive/tests/legacy_test_encoder.h"
#include "archive/tests/legacy_test_support.h"
#include "archive/tests/test_data.h"
#include "archive/tests/zip_builder.h"

namespace archive::legacy_test {
namespace {

// The stream behind an encryption header checked by the CRC, encrypted as
// a writer does.
Bytes Encrypt(const Bytes& stream, const std::string& password, uint32_t crc) {
  std::string plain(10, 'Z');
  testing::AppendU16(plain, static_cast<uint16_t>(crc >> 16));
  plain.append(stream.begin(), stream.end());
  std::string cipher = testing::EncryptWith(password, plain);
  return Bytes(cipher.begin(), cipher.end());
}

class DecryptingSource : public InputSource {
 public:
  DecryptingSource(const Bytes& data, TraditionalKeys& keys) : inner_(data), keys_(keys) {}
  size_t ReadBlock(uint8_t* buffer, size_t max) override {
    size_t n = inner_.ReadBlock(buffer, max);
    keys_.Decrypt(buffer, n);
    ++blocks;
    return n;
  }
  int blocks = 0;

 private:
  MemorySource inner_;
  TraditionalKeys& keys_;
};

TEST(LegacyEncrypted, DecodesThroughBlockDecryption) {
  const Bytes data = testing::WordText(400000, {"secret ", "legacy ", "entry ", "\x90", "block ", "\r\n"}, 17, 50);
  const uint32_t crc = Crc32(data);
  struct Row {
    const char* name;
    int method;
    uint16_t flags;
    Bytes stream;
  };
  const Row rows[] = {
      {"shrunk", 1, 1, Shrink(data)},
      {"reduced_factor_3", 4, 1, Reduce(data, 3)},
      {"imploded_8k_3_trees", 6, 1 | 6, Implode(data, 6, 5)},
  };
  WorkBuffers buffers;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes cipher = Encrypt(row.stream, "secret", crc);
    ASSERT_GT(cipher.size() - kEncryptionHeaderSize, kInputBufferSize) << "the stream should need several refills";
    Bytes header(cipher.begin(), cipher.begin() + kEncryptionHeaderSize);
    Bytes body(cipher.begin() + kEncryptionHeaderSize, cipher.end());
    TraditionalKeys keys;
    ASSERT_TRUE(CheckEncryptionHeader(keys, "secret", header.data(), static_cast<uint8_t>(crc >> 24)));
    DecryptingSource source(body, keys);
    MemorySink sink;
    DecoderIO io(buffers, source, sink, static_cast<int64_t>(body.size()), static_cast<int64_t>(data.size()));
    DecodeStatus status = row.method == 1   ? Unshrink(io)
                          : row.method == 6 ? Explode(io, row.flags)
                                            : Unreduce(io, row.method - 1);
    EXPECT_EQ(status, DecodeStatus::Completed);
    EXPECT_GT(source.blocks, 1);
    EXPECT_EQ(sink.bytes.size(), data.size());
    EXPECT_EQ(Crc32(sink.bytes), crc);
  }
}

}  // namespace
}  // namespace archive::legacy_test
