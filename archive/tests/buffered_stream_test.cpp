// Buffered streams: reads and writes across buffer boundaries, the three seek
// origins and the logical position, flushing on seek and destruction.
#include <gtest/gtest.h>

#include <string>

#include "archive/buffered_stream.h"
#include "archive/tests/memory_io.h"
#include "platform/errors.h"
#include "platform/testing/temp_folder.h"

namespace archive {
namespace {

using testing::MemoryStream;

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

TEST(BufferedStream, ReadsMatchTheSourceForEveryChunkSize) {
  const std::string data = Pattern(1000);
  for (int buffer : {1, 7, 64, 999, 1000, 1001, 8192}) {
    for (int chunk : {1, 3, 63, 64, 65, 500, 2000}) {
      MemoryStream source(data);
      TBufferedStream stream(&source, buffer);
      std::string got;
      char piece[2000];
      int64_t n;
      while ((n = stream.Read(piece, chunk)) > 0) got.append(piece, static_cast<size_t>(n));
      ASSERT_EQ(got, data) << "buffer " << buffer << " chunk " << chunk;
      EXPECT_EQ(stream.Position(), 1000);
    }
  }
}

TEST(BufferedStream, RefillsWithOneReadOfTheBufferSize) {
  MemoryStream source(Pattern(100));
  TBufferedStream stream(&source, 32);
  char b[10];
  for (int i = 0; i < 3; ++i) stream.Read(b, 10);
  EXPECT_EQ(source.reads, 1);
  EXPECT_EQ(source.Position(), 32);
  EXPECT_EQ(stream.Position(), 30) << "logical position = underlying - unread buffered";
}

TEST(BufferedStream, SeekOriginsAndLogicalPosition) {
  const std::string data = Pattern(300);
  MemoryStream source(data);
  TBufferedStream stream(&source, 64);
  char b[4];
  stream.Read(b, 4);
  int seeks_before = source.seeks;
  EXPECT_EQ(stream.Seek(4, platform::kFromBeginning), 4);
  EXPECT_EQ(source.seeks, seeks_before) << "a seek to the logical position changes nothing";
  EXPECT_EQ(stream.Seek(10, platform::kFromCurrent), 14);
  stream.Read(b, 1);
  EXPECT_EQ(b[0], data[14]);
  EXPECT_EQ(stream.Seek(-5, platform::kFromCurrent), 10);
  stream.Read(b, 1);
  EXPECT_EQ(b[0], data[10]);
  EXPECT_EQ(stream.Seek(20, platform::kFromEnd), 280);
  EXPECT_EQ(stream.Seek(-20, platform::kFromEnd), 280) << "from the end the distance is |offset|";
  stream.Read(b, 1);
  EXPECT_EQ(b[0], data[280]);
  EXPECT_EQ(stream.Size(), 300);
  EXPECT_TRUE(stream.PutBackByte());
  stream.Read(b, 1);
  EXPECT_EQ(b[0], data[280]);
}

TEST(BufferedStream, WritesAreFlushedWhenFullOnSeekAndOnDestruction) {
  MemoryStream sink;
  {
    TBufferedStream stream(&sink, 16);
    std::string a = Pattern(40);
    EXPECT_EQ(stream.Write(a.data(), 40), 40);
    EXPECT_EQ(sink.bytes().size(), 32u) << "two full buffers went out";
    EXPECT_EQ(stream.Position(), 40);
    EXPECT_EQ(stream.Size(), 40) << "end = larger of underlying size and logical position";
    EXPECT_EQ(stream.Seek(-10, platform::kFromEnd), 30);
    EXPECT_EQ(sink.bytes().size(), 40u) << "pending data written on seek";
    stream.Write("XY", 2);
    char b[3] = {};
    EXPECT_EQ(stream.Read(b, 3), 3) << "pending data is written before reading";
    EXPECT_EQ(std::string(b, 3), a.substr(32, 3));
    stream.Write("Z", 1);
  }
  std::string want = Pattern(40);
  want[30] = 'X';
  want[31] = 'Y';
  want[35] = 'Z';
  EXPECT_EQ(sink.bytes(), want);
}

TEST(BufferedStream, ShortWriteOfTheUnderlyingStreamIsReported) {
  MemoryStream sink;
  sink.write_limit = 20;
  TBufferedStream stream(&sink, 16);
  std::string a = Pattern(64);
  EXPECT_LT(stream.Write(a.data(), 64), 64);
}

TEST(BufferedFileStream, ReadsAndWritesAFile) {
  dz::testing::TempFolder tmp;
  const std::string path = tmp / "buffered.bin";
  const std::string data = Pattern(20000);
  {
    TBufferedFileStream out(path, kFileBufferSize, true, platform::File::Mode::Create);
    for (size_t at = 0; at < data.size(); at += 1000) out.Write(data.data() + at, 1000);
  }
  EXPECT_EQ(dz::testing::ReadWholeFile(path), data);
  TBufferedFileStream in(path, kFileBufferSize, false, platform::File::Mode::ReadDenyWrite);
  EXPECT_EQ(in.Size(), 20000);
  in.Seek(12345, platform::kFromBeginning);
  char b[100];
  ASSERT_EQ(in.Read(b, 100), 100);
  EXPECT_EQ(std::string(b, 100), data.substr(12345, 100));
  EXPECT_THROW(TBufferedFileStream(tmp / "missing.zip", kFileBufferSize, false, platform::File::Mode::ReadDenyWrite),
               platform::FileOpenError);
}

}  // namespace
}  // namespace archive
