// The component's side of the data path: input blocks (message pumping, the
// abort flag, premature end, the next disk, decryption) and output blocks
// (size guard, write failure, CRC, percent events with half-to-even rounding).
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <vector>

#include "archive/decoders/inflate.h"
#include "archive/decoders/stored.h"
#include "archive/errors.h"
#include "archive/extract_data_path.h"
#include "archive/extract_paths.h"
#include "archive/tests/memory_io.h"
#include "archive/tests/test_data.h"
#include "platform/messages.h"
#include "platform/testing/message_of.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace archive {
namespace {

using dz::testing::MessageOf;

using testing::MixedData;
using testing::RecordingSink;

// A stream over memory; writes stop after `capacity` bytes (a full disk).
class BytesStream : public platform::TStream {
 public:
  explicit BytesStream(std::vector<uint8_t> bytes = {}, size_t capacity = SIZE_MAX)
      : bytes_(std::move(bytes)), capacity_(capacity) {}
  int64_t Read(void* buffer, int64_t count) override {
    size_t n = std::min(static_cast<size_t>(count), bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return static_cast<int64_t>(n);
  }
  int64_t Write(const void* buffer, int64_t count) override {
    size_t n = std::min(static_cast<size_t>(count), capacity_ - bytes_.size());
    const auto* p = static_cast<const uint8_t*>(buffer);
    bytes_.insert(bytes_.end(), p, p + n);
    return static_cast<int64_t>(n);
  }
  int64_t Seek(int64_t offset, int origin) override {
    if (origin == 0) position_ = static_cast<size_t>(offset);
    if (origin == 1) position_ += static_cast<size_t>(offset);
    if (origin == 2) position_ = bytes_.size() + static_cast<size_t>(offset);
    return static_cast<int64_t>(position_);
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
  size_t capacity_;
};

TEST(PercentDone, RoundsHalfToEven) {
  struct Row {
    int64_t part, whole;
    int percent;
  };
  const Row rows[] = {
      {1, 200, 0},          // 0.5 -> 0
      {3, 200, 2},          // 1.5 -> 2
      {5, 200, 2},          // 2.5 -> 2
      {7, 200, 4},          // 3.5 -> 4
      {2, 3, 67},           // 66.67
      {1, 3, 33},           // 33.33
      {32768, 100000, 33},  // 32.768
      {65536, 100000, 66},
      {98304, 100000, 98},
      {100000, 100000, 100},
      {250, 200, 100},                            // capped
      {5, 0, 0},                                  // no size
      {5, -4, 0},                                 // negative size
      {int64_t{4000000000} * 60000, int64_t{4000000000} * 65535, 92},  // large totals stay exact
  };
  for (const Row& row : rows) EXPECT_EQ(PercentDone(row.part, row.whole), row.percent) << row.part << "/" << row.whole;
}

struct Events {
  std::vector<int> file, total;
};

RunProgress ProgressInto(Events& events, int64_t total_bytes) {
  RunProgress progress;
  progress.total_bytes = total_bytes;
  progress.file_percent = [&events](int p) { events.file.push_back(p); };
  progress.total_percent = [&events](int p) { events.total.push_back(p); };
  return progress;
}

TEST(EntryOutput, PercentEventsPerBlockAndCrc) {
  // An entry of 100000 bytes, stored, through the full path: 33, 66, 98, 100.
  std::vector<uint8_t> data = MixedData(100000, 5);
  BytesStream archive(data);
  BytesStream file;
  Events events;
  RunProgress progress = ProgressInto(events, 400000);
  progress.bytes_done = 100000;  // a first entry of the run is done
  EntryOutput output(file, 100000, progress);
  EntryInput input(&archive, {});
  WorkBuffers buffers;
  DecoderIO io(buffers, input, output, 100000, 100000);
  ASSERT_EQ(Unstore(io), DecodeStatus::Completed);
  EXPECT_EQ(file.bytes(), data);
  EXPECT_EQ(events.file, (std::vector<int>{33, 66, 98, 100}));
  // 132768/400000 = 33.19, 165536 -> 41.38, 198304 -> 49.58, 200000 -> 50
  EXPECT_EQ(events.total, (std::vector<int>{33, 41, 50, 50}));
  EXPECT_EQ(progress.bytes_done, 200000);
  EXPECT_EQ(output.running_crc() ^ 0xFFFFFFFFu, crc32(0, data.data(), static_cast<uInt>(data.size())));
}

TEST(EntryOutput, EmptyEntryRaisesNoPercentEvent) {
  BytesStream archive;
  BytesStream file;
  Events events;
  RunProgress progress = ProgressInto(events, 0);
  EntryOutput output(file, 0, progress);
  EntryInput input(&archive, {});
  WorkBuffers buffers;
  DecoderIO io(buffers, input, output, 0, 0);
  EXPECT_EQ(Unstore(io), DecodeStatus::Completed);
  EXPECT_TRUE(events.file.empty());
  EXPECT_TRUE(events.total.empty());
  EXPECT_EQ(output.running_crc(), 0xFFFFFFFFu);  // CRC-32 of nothing is 0
}

TEST(EntryOutput, SizeGuardWritesNothingOfTheBlock) {
  // A deflate "bomb": 200000 bytes declared as 40000. The first block fits,
  // the second would pass the declared size.
  std::vector<uint8_t> data(200000, 'z');
  std::vector<uint8_t> compressed = testing::RawDeflate(data, 9);
  BytesStream archive(compressed);
  BytesStream file;
  Events events;
  RunProgress progress = ProgressInto(events, 40000);
  EntryOutput output(file, 40000, progress);
  EntryInput input(&archive, {});
  WorkBuffers buffers;
  DecoderIO io(buffers, input, output, static_cast<int64_t>(compressed.size()), 40000);
  EXPECT_EQ(MessageOf<EBiggerThanUncompressed>([&] { Inflate(io); }), "File is larger than uncompressed size!");
  EXPECT_EQ(file.bytes().size(), 32768u);
}

TEST(EntryOutput, ShortWriteRaisesCantWrite) {
  BytesStream file({}, 1000);  // takes 1000 bytes, then no more
  RunProgress progress;
  EntryOutput output(file, 5000, progress);
  std::vector<uint8_t> block(5000, 1);
  EXPECT_EQ(MessageOf<ECantWriteUCF>([&] { output.TakeBlock(block.data(), block.size()); }), "Cant write uncompressed file");
}

TEST(EntryInput, RefillsPumpMessagesAndAnswerTheAbortFlag) {
  std::vector<uint8_t> data = MixedData(100000, 9);
  BytesStream archive(data);
  bool abort_flag = false;
  int pumps = 0;
  platform::SetMessagePumpHook([&] {
    if (++pumps == 3) abort_flag = true;  // a handler calls Cancel during the third pump
  });
  int64_t working = 100000;
  EntryInput::Options options;
  options.abort_flag = &abort_flag;
  options.working_compressed_size = &working;
  EntryInput input(&archive, options);
  RecordingSink sink;
  WorkBuffers buffers;
  DecoderIO io(buffers, input, sink, 100000, 100000);
  EXPECT_EQ(MessageOf<EUserCanceled>([&] { Unstore(io); }), "User Aborted Operation");
  platform::SetMessagePumpHook(nullptr);
  EXPECT_FALSE(abort_flag);               // cleared when found
  EXPECT_EQ(sink.blocks.size(), 2u);      // two blocks went through before the third refill
  EXPECT_EQ(working, 100000 - 2 * 32768); // counted down per block

  // Without DoProcessMessages nothing runs, the flag is still answered.
  pumps = 0;
  platform::SetMessagePumpHook([&] { ++pumps; });
  abort_flag = true;
  EntryInput::Options quiet;
  quiet.process_messages = false;
  quiet.abort_flag = &abort_flag;
  BytesStream archive2(data);
  EntryInput input2(&archive2, quiet);
  uint8_t block[16];
  EXPECT_THROW(input2.ReadBlock(block, 16), EUserCanceled);
  EXPECT_EQ(pumps, 0);
  platform::SetMessagePumpHook(nullptr);
}

TEST(EntryInput, ShortArchiveAndNextDisk) {
  std::vector<uint8_t> data = MixedData(50000, 4);
  {  // single file: premature end
    BytesStream archive(std::vector<uint8_t>(data.begin(), data.begin() + 40000));
    EntryInput input(&archive, {});
    RecordingSink sink;
    WorkBuffers buffers;
    DecoderIO io(buffers, input, sink, 50000, 50000);
    EXPECT_EQ(MessageOf<EFatalUnzipError>([&] { Unstore(io); }), "Premature end of file reached");
  }
  {  // spanned: the rest comes from the start of the next disks
    BytesStream disk1(std::vector<uint8_t>(data.begin(), data.begin() + 30000));
    BytesStream disk2(std::vector<uint8_t>(data.begin() + 30000, data.begin() + 30010));
    BytesStream disk3(std::vector<uint8_t>(data.begin() + 30010, data.end()));
    std::vector<BytesStream*> disks = {&disk2, &disk3};
    size_t next = 0;
    EntryInput::Options options;
    options.next_disk = [&]() -> platform::TStream* {
      if (next == disks.size()) throw EFatalUnzipError();
      return disks[next++];
    };
    EntryInput input(&disk1, options);
    RecordingSink sink;
    WorkBuffers buffers;
    DecoderIO io(buffers, input, sink, 50000, 50000);
    EXPECT_EQ(Unstore(io), DecodeStatus::Completed);
    EXPECT_EQ(sink.bytes, data);
    EXPECT_EQ(next, 2u);
  }
}

TEST(EntryInput, DecryptsBlocksWithKeysRunningOnFromTheHeader) {
  // An encrypted deflated entry of 90000 bytes, read in three blocks.
  std::vector<uint8_t> data = MixedData(90000, 8);
  std::vector<uint8_t> compressed = testing::RawDeflate(data, 0);  // stays above 32768
  TraditionalKeys writer;
  writer.Init("pw");
  std::vector<uint8_t> cipher;
  for (uint8_t p : compressed) {
    cipher.push_back(static_cast<uint8_t>(p ^ writer.StreamByte()));
    writer.Update(p);
  }
  BytesStream archive(cipher);
  TraditionalKeys keys;
  keys.Init("pw");
  EntryInput::Options options;
  options.keys = &keys;
  EntryInput input(&archive, options);
  RecordingSink sink;
  WorkBuffers buffers;
  DecoderIO io(buffers, input, sink, static_cast<int64_t>(cipher.size()), 90000);
  EXPECT_EQ(Inflate(io), DecodeStatus::Completed);
  EXPECT_EQ(sink.bytes, data);

  // OnDecrypt stands in for the keys when set.
  BytesStream plain_archive(compressed);
  int calls = 0;
  EntryInput::Options by_handler;
  by_handler.keys = &keys;  // must not be used
  by_handler.decrypt = [&](uint8_t*, size_t) { ++calls; };
  EntryInput input2(&plain_archive, by_handler);
  RecordingSink sink2;
  DecoderIO io2(buffers, input2, sink2, static_cast<int64_t>(compressed.size()), 90000);
  EXPECT_EQ(Inflate(io2), DecodeStatus::Completed);
  EXPECT_EQ(sink2.bytes, data);
  EXPECT_EQ(calls, 3);
}

TEST(ExtractPaths, OutputFolderAndContainment) {
  // \x95\x5C is one GBK character whose second byte is a backslash.
  const std::string gbk_with_backslash = "\x95\x5C";
  struct Row {
    std::string dest, root, directory;
    bool recreate;
    std::string folder;
    bool inside;
  };
  const Row rows[] = {
      {"C:\\Out", "", "sub\\", true, "C:\\Out\\sub\\", true},
      {"C:\\Out", "", "sub\\", false, "C:\\Out\\", true},
      {"C:\\Out", "", "\\abs\\", true, "C:\\Out\\abs\\", true},
      {"C:\\Out", "", "D:\\abs\\", true, "C:\\Out\\abs\\", true},
      {"C:\\Out", "", "D:abs\\", true, "C:\\Outabs\\", false},  // drive-relative: a sibling folder
      {"C:\\Out", "", "..\\", true, "C:\\Out\\..\\", false},
      {"C:\\Out", "", "a\\ . .\\", true, "C:\\Out\\a\\ . .\\", false},
      {"C:\\Out", "", gbk_with_backslash + "..\\", true, "C:\\Out\\" + gbk_with_backslash + "..\\", true},
      {"C:\\Out", "Top\\", "TOP\\x\\", true, "C:\\Out\\x\\", true},
      // \x95\x41 and \x95\x61 are two characters whose trail bytes are "A" and "a": no case folding
      {"C:\\Out", "\x95\x41\\", "\x95\x61\\x\\", true, "C:\\Out\\\x95\x61\\x\\", true},
      {"", "", "sub\\", true, "\\sub\\", true},                   // empty DestDir: root of the drive
      {"", "", "C:\\Program\\", true, "C:\\Program\\", true},
      {"", "", "C:\\a\\..\\..\\", true, "C:\\a\\..\\..\\", false},
  };
  for (const Row& row : rows) {
    std::string folder = OutputFolder(row.dest, row.root, row.directory, row.recreate);
    EXPECT_EQ(folder, row.folder) << row.directory;
    EXPECT_EQ(StaysInside(row.dest, folder + "f.txt"), row.inside) << row.directory;
  }
  EXPECT_FALSE(StaysInside("C:\\Out", "C:\\Out\\.."));
  EXPECT_EQ(FolderOf("C:\\Out\\" + gbk_with_backslash + "f.txt"), "C:\\Out");
}

TEST(ExtractPaths, AttributesKeptFromTheExternalAttributes) {
  struct Row {
    uint32_t external, applied;
  };
  const Row rows[] = {
      {0x00000020, 0x20},  // archive
      {0x00000001, 0x01},  // read-only
      {0x00000027, 0x27},  // read-only, hidden, system, archive
      {0x81A40000, 0x80},  // UNIX rw-r--r--, no DOS bits: normal
      {0x41ED0010, 0x80},  // UNIX folder mode and the folder bit: never on a file
      {0x00004500, 0x80},  // encrypted, reparse point, temporary
      {0x81240021, 0x21},  // UNIX r--r--r-- with DOS read-only and archive
  };
  for (const Row& row : rows) EXPECT_EQ(FileAttributesOf(row.external), row.applied) << std::hex << row.external;
}

}  // namespace
}  // namespace archive
