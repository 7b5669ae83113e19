// Extraction with worker threads against extraction on the calling thread
// alone: for good and damaged archives alike, the same events with the same
// arguments in the same order, the same result or error, and the same files.
// Also the workers' budget (entries larger than it, entries the run passes
// by), and the user's abort while workers run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <zlib.h>

#include "archive/entry_workers.h"
#include "archive/errors.h"
#include "archive/tests/zip_builder.h"
#include "archive/unzipper.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/testing/temp_folder.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace archive {
namespace {

using testing::BuildZip;
using testing::ZipEntryPlan;
using testing::ZipPlan;
using Lines = std::vector<std::string>;

// A component whose workers decode nothing whole: every entry they take is
// streamed, as entries above the cap are.
class StreamingUnZipper : public TUnZipper {
 public:
  StreamingUnZipper() { worker_limits_ = {20u << 20, 0, 1u << 20}; }
};

// How a run decodes: on the calling thread alone, with workers, with
// workers that stream every entry.
enum class Mode { Alone, Workers, Streaming };

std::string Text(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    // Compressible, but not trivially: words from a small alphabet.
    s[i] = static_cast<char>((seed >> 16) % 7 == 0 ? ' ' : 'a' + (seed >> 20) % 6);
  }
  return s;
}

class UnZipThreadsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::SetMessagePumpHook(nullptr);
    platform::SetMessageBoxResponder(nullptr);
  }

  // Extracts archive bytes with thread_count threads into a fresh folder;
  // returns what the run showed: every event, then the outcome, then each
  // named file's size and CRC.
  Lines Run(const std::string& bytes, const Lines& names, Mode mode, int skip_index = -1, int rename_index = -1) {
    const std::string tag = std::to_string(runs_++);
    const std::string zip = temp / ("a" + tag + ".zip");
    const std::string dest = temp / ("out" + tag);
    dz::testing::WriteWholeFile(zip, bytes);
    Lines lines;
    platform::SetMessageBoxResponder([&](const std::string& text, const std::string& title, unsigned) {
      lines.push_back("box " + title + ": " + text);
      return platform::kIdOk;
    });
    auto rel = [&](const std::string& path) {
      return path.compare(0, dest.size(), dest) == 0 ? "D" + path.substr(dest.size()) : path;
    };
    std::unique_ptr<TUnZipper> owned =
        mode == Mode::Streaming ? std::make_unique<StreamingUnZipper>() : std::make_unique<TUnZipper>();
    TUnZipper& z = *owned;
    z.ThreadCount = mode == Mode::Alone ? 1 : 3;
    z.SetZipName(zip);
    z.SetDestDir(dest);
    z.DoAll = true;
    z.RecreateDirs = true;
    z.OverwriteMode = Always;
    z.Password = "pw";
    z.OnStartUnZipInfo = [&](TUnZipper*, int n, int64_t total, bool&) {
      lines.push_back("OnStartUnZipInfo " + std::to_string(n) + " " + std::to_string(total));
    };
    z.OnStartUnZip = [&](TUnZipper*, int i, std::string& fname, bool& skip) {
      lines.push_back("OnStartUnZip " + std::to_string(i) + " " + rel(fname));
      if (i == skip_index) skip = true;
      if (i == rename_index) fname = dest + "\\renamed\\r.bin";
    };
    z.OnFilePercentDone = [&](TUnZipper*, int p) { lines.push_back("file% " + std::to_string(p)); };
    z.OnTotalPercentDone = [&](TUnZipper*, int p) { lines.push_back("total% " + std::to_string(p)); };
    z.OnEndUnZip = [&](TUnZipper*, int i, const std::string& fname) {
      lines.push_back("OnEndUnZip " + std::to_string(i) + " " + rel(fname));
    };
    z.OnSkippingFile = [&](TUnZipper*, TSkipReason reason, const std::string& fname, int i, bool&) {
      lines.push_back("OnSkippingFile " + std::to_string(reason) + " " + rel(fname) + " " + std::to_string(i));
    };
    z.OnBadCRC = [&](TUnZipper*, uint32_t calc, uint32_t stored, int i) {
      char text[64];
      std::snprintf(text, sizeof text, "OnBadCRC %08X %08X %d", calc, stored, i);
      lines.push_back(text);
    };
    z.OnUnZipComplete = [&](TUnZipper*, int n) { lines.push_back("OnUnZipComplete " + std::to_string(n)); };
    try {
      lines.push_back("returned " + std::to_string(z.UnZip()));
    } catch (const std::exception& e) {
      lines.push_back(std::string("raised ") + e.what());
    }
    for (const std::string& name : names) {
      std::string contents;
      if (!dz::testing::ReadWholeFile(dest + "\\" + name, contents)) {
        lines.push_back(name + ": none");
      } else {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08X", testing::Crc32Of(contents));
        lines.push_back(name + ": " + std::to_string(contents.size()) + " bytes, CRC " + crc);
      }
    }
    return lines;
  }

  dz::testing::TempFolder temp;
  int runs_ = 0;
};

struct ThreadCase {
  const char* name;
  std::vector<ZipEntryPlan> entries;
  int skip_index = -1;
  int rename_index = -1;
};

std::vector<ThreadCase> Cases() {
  const std::string small = Text(5000, 1), mid = Text(100000, 2), big = Text(300000, 3);
  const std::string deflated_mid = testing::DeflateRaw(mid);
  std::string broken_stream = deflated_mid;
  broken_stream[broken_stream.size() / 2] ^= 0x55;
  std::vector<ThreadCase> cases;
  cases.push_back({"good entries of every kind",
                   {{"a.txt", small, 0},
                    {"sub/b.txt", mid, 8},
                    {"sub/empty.txt", "", 8},
                    {"folder/", "", 0},
                    ZipEntryPlan{.name = "c.bin", .data = big, .method = 8, .password = "pw"},
                    ZipEntryPlan{.name = "d.bin", .data = small, .method = 0, .password = "pw"},
                    ZipEntryPlan{.name = "e.bin", .data = mid, .method = 8, .password = "pw", .data_descriptor = true}}});
  cases.push_back({"damaged deflate data, stored CRC of the true data",
                   {{"a.txt", small, 8},
                    ZipEntryPlan{.name = "b.bin", .data = mid, .method = 8, .raw = broken_stream},
                    ZipEntryPlan{.name = "c.bin", .data = mid, .method = 8, .password = "pw", .raw = broken_stream},
                    {"d.txt", small, 0}}});
  cases.push_back({"wrong CRCs, plain and encrypted",
                   {ZipEntryPlan{.name = "a.bin", .data = mid, .method = 8, .declared_crc = 0x12345678},
                    ZipEntryPlan{.name = "b.bin", .data = small, .method = 0, .declared_crc = 0},
                    ZipEntryPlan{.name = "c.bin", .data = mid, .method = 8, .password = "pw", .declared_crc = 0x0BADF00D},
                    {"d.txt", small, 8}}});
  cases.push_back({"another password",
                   {ZipEntryPlan{.name = "a.bin", .data = mid, .method = 8, .password = "other"},
                    ZipEntryPlan{.name = "b.bin", .data = small, .method = 8, .password = "pw"},
                    ZipEntryPlan{.name = "c.bin", .data = small, .method = 0, .password = "zzz"}}});
  cases.push_back({"sizes that lie",
                   {ZipEntryPlan{.name = "short.bin", .data = mid, .method = 8, .declared_size = 70000},
                    ZipEntryPlan{.name = "long.bin", .data = mid, .method = 8, .declared_size = 100001},
                    ZipEntryPlan{.name = "stored-long.bin", .data = small, .method = 0, .declared_size = 6000},
                    {"ok.txt", small, 8}}});
  cases.push_back({"trailing bytes after the deflate stream",
                   {ZipEntryPlan{.name = "a.bin", .data = mid, .method = 8, .raw = deflated_mid + "trailing junk"},
                    {"b.txt", small, 8}}});
  cases.push_back({"two records share one entry's data",
                   {{"a.bin", mid, 8},
                    ZipEntryPlan{.name = "twin.bin", .data = mid, .method = 8, .central_offset_override = 0,
                                 .central_only = true},
                    {"c.txt", small, 0}}});
  cases.push_back({"a skipped and a renamed entry", {{"a.txt", small, 8}, {"b.txt", mid, 8}, {"c.txt", big, 8}}, 0, 1});
  cases.push_back({"legacy and unknown methods stay on the calling thread",
                   {ZipEntryPlan{.name = "m.bin", .data = small, .method = 9, .raw = "abc"},
                    {"b.txt", mid, 8}}});
  cases.push_back({"data running past the end of the archive",
                   {{"a.txt", small, 8},
                    ZipEntryPlan{.name = "b.bin", .data = mid, .method = 8, .declared_compressed_size = 0x00FFFFFF},
                    {"c.txt", small, 8}}});
  return cases;
}

Lines NamesOf(const ThreadCase& c) {
  Lines names;
  for (const ZipEntryPlan& e : c.entries)
    if (!e.central_only && !e.name.empty() && e.name.back() != '/') names.push_back(e.name);
  names.push_back("renamed\\r.bin");
  for (std::string& n : names)
    for (char& ch : n)
      if (ch == '/') ch = '\\';
  return names;
}

TEST_F(UnZipThreadsTest, WorkersShowWhatTheCallingThreadAloneShows) {
  for (const ThreadCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    ZipPlan plan;
    plan.entries = c.entries;
    const std::string bytes = BuildZip(plan).bytes;
    const Lines names = NamesOf(c);
    const Lines alone = Run(bytes, names, Mode::Alone, c.skip_index, c.rename_index);
    EXPECT_EQ(Run(bytes, names, Mode::Workers, c.skip_index, c.rename_index), alone);
    EXPECT_EQ(Run(bytes, names, Mode::Streaming, c.skip_index, c.rename_index), alone);
    // Guard against two runs that both did nothing.
    EXPECT_NE(alone.size(), names.size() + 1);
  }
}

// Damaged copies of a good archive, one byte changed in each, at 64 places
// spread over headers, data and directory: whatever each copy does, the
// workers must show the same.
TEST_F(UnZipThreadsTest, DamagedCopiesShowTheSame) {
  ZipPlan plan;
  plan.entries = {{"a.txt", Text(3000, 7), 8},
                  ZipEntryPlan{.name = "b.bin", .data = Text(20000, 8), .method = 8, .password = "pw"},
                  ZipEntryPlan{.name = "c.bin", .data = Text(2000, 9), .method = 0, .password = "pw"},
                  {"d.txt", Text(5000, 10), 8}};
  const std::string good = BuildZip(plan).bytes;
  const Lines names = {"a.txt", "b.bin", "c.bin", "d.txt"};
  const size_t stride = good.size() / 64 + 1;
  for (size_t at = 3; at < good.size(); at += stride) {
    SCOPED_TRACE(at);
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0xA5);
    const Lines alone = Run(bad, names, Mode::Alone);
    ASSERT_EQ(Run(bad, names, Mode::Workers), alone);
    ASSERT_EQ(Run(bad, names, Mode::Streaming), alone);
  }
}

// A raw deflate stream inflated whole.
std::string RawInflate(const std::string& compressed) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return {};
  std::string out;
  char buffer[4096];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = static_cast<uInt>(compressed.size());
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END ? out : "(damaged: " + std::to_string(status) + ")";
}

// Entries the run passes by give their share of the budget back, an entry
// larger than the whole budget is still taken (alone), and one above the cap
// is streamed: no wait ends in a deadlock, and every result taken is the
// entry's data.
TEST_F(UnZipThreadsTest, BudgetHoldsAndEntriesPassedByAreDropped) {
  ZipPlan plan;
  std::vector<std::string> data;
  for (int i = 0; i < 24; ++i) {
    data.push_back(Text(i == 5 ? 9000 : 3000, 100 + i));
    ZipEntryPlan e{.name = "f" + std::to_string(i), .data = data.back(), .method = static_cast<uint16_t>(i % 3 ? 8 : 0)};
    if (i % 4 == 1) e.password = "pw";
    plan.entries.push_back(e);
  }
  const testing::BuiltZip built = BuildZip(plan);
  const std::string zip = temp / "budget.zip";
  dz::testing::WriteWholeFile(zip, built.bytes);

  TUnZipper z;
  z.SetZipName(zip);
  z.ReadZipDirectory();
  ASSERT_EQ(z.Count(), 24);
  const EntryWorkers::Limits limits{8000, 7000, 16000};
  std::vector<WorkerEntry> entries;
  for (int i = 0; i < z.Count(); ++i) {
    const TZipEntryInfo& e = z.EntryAt(i);
    WorkerEntry w{i, e.LocalHeaderOffset, e.CompressedSize, e.UncompressedSize, e.CRC32, e.DateTime, e.Method, e.Flags};
    ASSERT_TRUE(EntryWorkers::Suits(w));
    EXPECT_EQ(EntryWorkers::Whole(w, limits), i != 5) << i;
    entries.push_back(w);
  }
  z.ReleaseArchive();

  EntryWorkers workers(zip, entries, "pw", 3, limits);
  for (int i = 0; i < 24; ++i) {
    workers.DropBefore(i);
    if (i % 3 == 2) continue;  // passed by: never taken
    std::unique_ptr<DecodedEntry> got = workers.Take(i, nullptr);
    ASSERT_TRUE(got) << i;
    std::string decoded;
    if (got->stream) {
      // The stream hands over the compressed data, decrypted.
      std::string compressed;
      const uint8_t* chunk;
      size_t size;
      while (got->stream->Next(&chunk, &size, nullptr)) compressed.append(reinterpret_cast<const char*>(chunk), size);
      EXPECT_EQ(got->stream->end(), EntryStream::End::Completed) << i;
      decoded = RawInflate(compressed);
    } else {
      ASSERT_TRUE(got->whole) << i;
      decoded.assign(reinterpret_cast<const char*>(got->data), got->size);
    }
    EXPECT_EQ(decoded, data[static_cast<size_t>(i)]) << i;
    EXPECT_FALSE(workers.Take(i, nullptr)) << "a result is taken once";
  }
  EXPECT_FALSE(workers.Take(99, nullptr));
}

// Sets z to extract, with two threads, an archive of count deflated text
// entries of size bytes named prefix0, prefix1, ... into folder\out.
void AimAtTextEntries(TUnZipper& z, const std::string& folder, const std::string& prefix, int count, size_t size,
                      unsigned seed) {
  ZipPlan plan;
  for (int i = 0; i < count; ++i)
    plan.entries.push_back({prefix + std::to_string(i), Text(size, seed + static_cast<unsigned>(i)), 8});
  const std::string zip = folder + prefix + ".zip";
  dz::testing::WriteWholeFile(zip, BuildZip(plan).bytes);
  z.ThreadCount = 2;
  z.SetZipName(zip);
  z.SetDestDir(folder + "out");
  z.DoAll = true;
}

TEST_F(UnZipThreadsTest, CancelStopsTheWorkersAndLeavesNoPartialFile) {
  TUnZipper z;
  AimAtTextEntries(z, temp.path(), "f", 6, 400000, 50);
  int ended = 0;
  z.OnEndUnZip = [&](TUnZipper*, int, const std::string&) { ++ended; };
  // Cancelled from the first message pump, which comes before the first
  // entry's first block is written.
  platform::SetMessagePumpHook([&] { z.Cancel(); });
  try {
    z.UnZip();
    FAIL() << "no error";
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User Aborted Operation");
  }
  EXPECT_EQ(ended, 0);
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(platform::FileExists(temp / ("out\\f" + std::to_string(i))));

  // The flag is cleared: the next run completes.
  platform::SetMessagePumpHook(nullptr);
  EXPECT_EQ(z.UnZip(), 6);
}

// Stopped while a worker streams an entry ahead of the one being written,
// larger than a stream holds: that worker waits for a reader that never
// comes, and the run must still end.
TEST_F(UnZipThreadsTest, CancelEndsWhileAnEntryAheadIsStreamed) {
  StreamingUnZipper z;
  AimAtTextEntries(z, temp.path(), "big", 3, 6u << 20, 70);
  // As the second entry starts: the first one's worker has gone on to the
  // third, which nobody will read once the run stops.
  z.OnStartUnZip = [&](TUnZipper*, int index, std::string&, bool&) {
    if (index == 1) z.Cancel();
  };
  EXPECT_THROW(z.UnZip(), EUserCanceled);
  EXPECT_TRUE(platform::FileExists(temp / "out\\big0"));
  for (int i = 1; i < 3; ++i) EXPECT_FALSE(platform::FileExists(temp / ("out\\big" + std::to_string(i))));
}

}  // namespace
}  // namespace archive
