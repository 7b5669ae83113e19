// Methods 0 (stored) and 8 (inflate) over the decoder data path: output in
// 32768-byte window blocks, corrupt streams ending quietly without their
// unfinished window, and errors of the source and sink passing through.
#include <gtest/gtest.h>

#include <stdexcept>

#include "archive/decoders/inflate.h"
#include "archive/decoders/stored.h"
#include "archive/tests/memory_io.h"
#include "archive/tests/test_data.h"

namespace archive {
namespace {

using testing::MemorySource;
using testing::MixedData;
using testing::RawDeflate;
using testing::RecordingSink;
using testing::WindowBlocks;

struct InflateRun {
  DecodeStatus status;
  RecordingSink sink;
  std::vector<size_t> reads;
};

InflateRun InflateBytes(const std::vector<uint8_t>& compressed, int64_t uncompressed_size = 1 << 30) {
  WorkBuffers buffers;
  MemorySource source(compressed);
  InflateRun run{DecodeStatus::Completed, {}, {}};
  DecoderIO io(buffers, source, run.sink, static_cast<int64_t>(compressed.size()), uncompressed_size);
  run.status = Inflate(io);
  run.reads = source.requests;
  return run;
}

TEST(Inflate, ZlibStreamsDecodeInWindowBlocks) {
  // Sizes around the window and output buffer boundaries, at a level that
  // makes Huffman blocks and at level 0 (stored blocks only).
  for (int level : {0, 9}) {
    for (size_t n : {size_t{0}, size_t{1}, size_t{32767}, size_t{32768}, size_t{32769}, size_t{65536},
                     size_t{100000}, size_t{300001}}) {
      std::vector<uint8_t> data = MixedData(n, static_cast<uint32_t>(n));
      std::vector<uint8_t> compressed = RawDeflate(data, level);
      InflateRun run = InflateBytes(compressed);
      EXPECT_EQ(run.status, DecodeStatus::Completed) << n;
      EXPECT_EQ(run.sink.bytes, data) << n;
      EXPECT_EQ(run.sink.blocks, WindowBlocks(n)) << "level " << level << " size " << n;
      // Input is taken in blocks of at most 32768 bytes, exactly as many as there are.
      size_t total = 0;
      for (size_t r : run.reads) {
        EXPECT_LE(r, 32768u);
        total += r;
      }
      EXPECT_EQ(total, compressed.size());
    }
  }
}

TEST(Inflate, HandMadeStreams) {
  // Each stream is one or two blocks; the header byte holds BFINAL (bit 0)
  // and BTYPE (bits 1-2), least significant bit first.
  std::vector<uint8_t> long_stored = {0x00, 0x40, 0x9C, 0xBF, 0x63};  // BFINAL 0, stored, LEN 40000, NLEN ~LEN
  long_stored.resize(5 + 40000, 'x');
  long_stored.push_back(0x07);  // BFINAL 1, BTYPE 3: invalid

  struct Row {
    const char* name;
    std::vector<uint8_t> stream;
    DecodeStatus status;
    std::string output;
    std::vector<size_t> blocks;
  };
  const Row rows[] = {
      {"stored block", {0x01, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e', 'l', 'l', 'o'}, DecodeStatus::Completed, "hello", {5}},
      {"fixed codes: 'a', end", {0x4B, 0x04, 0x00}, DecodeStatus::Completed, "a", {1}},
      {"block type 3", {0x07}, DecodeStatus::Corrupt, "", {}},
      {"stored length without its complement", {0x01, 0x05, 0x00, 0x00, 0x00, 'h', 'e', 'l', 'l', 'o'},
       DecodeStatus::Corrupt, "", {}},
      {"stream ends inside the last block", {0x01, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e'}, DecodeStatus::Corrupt, "", {}},
      {"no last block", {0x00, 0x01, 0x00, 0xFE, 0xFF, 'h'}, DecodeStatus::Corrupt, "", {}},
      {"empty input", {}, DecodeStatus::Corrupt, "", {}},
      // 40000 bytes, then a bad block: the full window was flushed when it
      // filled, the 7232 bytes after it never are.
      {"bad block after a full window", long_stored, DecodeStatus::Corrupt, std::string(32768, 'x'), {32768}},
  };
  for (const Row& row : rows) {
    InflateRun run = InflateBytes(row.stream);
    EXPECT_EQ(run.status, row.status) << row.name;
    EXPECT_EQ(std::string(run.sink.bytes.begin(), run.sink.bytes.end()), row.output) << row.name;
    EXPECT_EQ(run.sink.blocks, row.blocks) << row.name;
  }
}

TEST(Inflate, CutStreamFlushesOnlyFullWindows) {
  std::vector<uint8_t> data = MixedData(200000, 7);
  std::vector<uint8_t> compressed = RawDeflate(data, 6);
  compressed.resize(compressed.size() / 2);
  InflateRun run = InflateBytes(compressed);
  EXPECT_EQ(run.status, DecodeStatus::Corrupt);
  ASSERT_FALSE(run.sink.blocks.empty());
  for (size_t b : run.sink.blocks) EXPECT_EQ(b, 32768u);
  EXPECT_TRUE(std::equal(run.sink.bytes.begin(), run.sink.bytes.end(), data.begin()));
}

TEST(Inflate, SourceAndSinkErrorsPassThrough) {
  struct SourceFailure : std::runtime_error {
    SourceFailure() : std::runtime_error("source") {}
  };
  struct SinkFailure : std::runtime_error {
    SinkFailure() : std::runtime_error("sink") {}
  };
  std::vector<uint8_t> data = MixedData(150000, 3);
  std::vector<uint8_t> compressed = RawDeflate(data, 1);
  ASSERT_GT(compressed.size(), 32768u * 2);
  {
    WorkBuffers buffers;
    MemorySource source(compressed);
    source.fail_at_block = 1;
    source.fail = [] { throw SourceFailure(); };
    RecordingSink sink;
    DecoderIO io(buffers, source, sink, static_cast<int64_t>(compressed.size()), 1 << 30);
    EXPECT_THROW(Inflate(io), SourceFailure);
  }
  {
    WorkBuffers buffers;
    MemorySource source(compressed);
    RecordingSink sink;
    sink.fail_at_block = 2;
    sink.fail = [] { throw SinkFailure(); };
    DecoderIO io(buffers, source, sink, static_cast<int64_t>(compressed.size()), 1 << 30);
    EXPECT_THROW(Inflate(io), SinkFailure);
    EXPECT_EQ(sink.blocks.size(), 2u);
  }
}

TEST(Unstore, CopiesInBlocksOfAtMost32768) {
  for (size_t n : {size_t{0}, size_t{1}, size_t{32768}, size_t{100000}}) {
    std::vector<uint8_t> data = MixedData(n, 11);
    WorkBuffers buffers;
    MemorySource source(data);
    RecordingSink sink;
    DecoderIO io(buffers, source, sink, static_cast<int64_t>(n), static_cast<int64_t>(n));
    EXPECT_EQ(Unstore(io), DecodeStatus::Completed);
    EXPECT_EQ(sink.bytes, data);
    EXPECT_EQ(sink.blocks, WindowBlocks(n));
    EXPECT_EQ(source.requests, WindowBlocks(n));
  }
}

}  // namespace
}  // namespace archive

namespace archive {
namespace {

// The bit reader of the bit-level decoders: fields least significant bit
// first across byte boundaries, and a field the input cannot fill is
// reported, never quietly completed with zero bits.
TEST(GetBits, FieldsAcrossBytesAndTheEndOfInput) {
  struct Step {
    int width;
    uint32_t value;
    bool end_of_input;  // after this field
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> input;
    std::vector<Step> steps;
  } cases[] = {
      {"fields across bytes", {0xA5, 0x3C}, {{3, 0x5, false}, {7, 0x14, false}, {6, 0x0F, false}}},
      {"16-bit field", {0x34, 0x12}, {{16, 0x1234, false}}},
      {"input ends inside a field", {0xFF}, {{4, 0xF, false}, {9, 0x0F, true}}},
      {"one byte for a 16-bit field", {0xAB}, {{16, 0xAB, true}}},
      {"no input at all", {}, {{1, 0, true}}},
      {"flag stays set", {0x01}, {{8, 0x01, false}, {8, 0, true}, {1, 0, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WorkBuffers buffers;
    MemorySource source(c.input);
    RecordingSink sink;
    DecoderIO io(buffers, source, sink, static_cast<int64_t>(c.input.size()), 0);
    for (const auto& step : c.steps) {
      EXPECT_EQ(io.GetBits(step.width), step.value) << "width " << step.width;
      EXPECT_EQ(io.end_of_input(), step.end_of_input) << "width " << step.width;
    }
  }
}

}  // namespace
}  // namespace archive
