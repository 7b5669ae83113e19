// Writing resources to files: in one piece, and block by block with progress.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "app/progress_stream.h"
#include "app/tests/test_resources.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/testing/temp_folder.h"

namespace {

using app::TProgressResourceStream;
using dz::testing::PatternBytes;
using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;

class ProgressStream : public ::testing::Test {
 protected:
  void SetUp() override { dz::testing::RegisterTestResources(); }

  // Saves R<size> block-wise and returns the fractions the handler saw.
  std::vector<float> SaveWithProgress(size_t size, const std::string& path) {
    std::string name = "R" + std::to_string(size);
    TProgressResourceStream stream(name, name);
    std::vector<float> fractions;
    stream.OnProgress = [&](TProgressResourceStream& sender, float fraction) {
      EXPECT_EQ(&sender, &stream);
      fractions.push_back(fraction);
    };
    stream.SaveToFile(path);
    return fractions;
  }
};

TEST_F(ProgressStream, BlocksAndHandlerCalls) {
  // Block size: size div 100 from 5000 bytes on, else 50; the last block takes
  // what is left.
  struct Case {
    size_t size;
    size_t full_blocks;
    size_t block;
    size_t last;  // size of a final shorter block, 0 when none
  } cases[] = {
      {1, 0, 50, 1},         {49, 0, 50, 49},     {50, 1, 50, 0},          {51, 1, 50, 1},
      {4999, 99, 50, 49},    {5000, 100, 50, 0},  {5099, 101, 50, 49},     {1000000, 100, 10000, 0},
  };
  for (const auto& c : cases) {
    TempFolder tmp;
    std::vector<float> fractions = SaveWithProgress(c.size, tmp / "C0.DLL");
    EXPECT_EQ(ReadWholeFile(tmp / "C0.DLL"), PatternBytes(c.size)) << c.size;

    std::vector<size_t> expected_blocks(c.full_blocks, c.block);
    if (c.last) expected_blocks.push_back(c.last);
    // The written count after each call, recovered from the fraction (exact
    // to far better than a byte at these sizes).
    std::vector<size_t> blocks;
    size_t previous = 0;
    for (float f : fractions) {
      size_t written = static_cast<size_t>(std::llround(static_cast<double>(f) * static_cast<double>(c.size)));
      blocks.push_back(written - previous);
      previous = written;
    }
    EXPECT_EQ(blocks, expected_blocks) << c.size;
    ASSERT_FALSE(fractions.empty());
    EXPECT_EQ(fractions.back(), 1.0f) << c.size;
  }
}

TEST_F(ProgressStream, HundredthsOfAMillionBytes) {
  TempFolder tmp;
  std::vector<float> fractions = SaveWithProgress(1000000, tmp / "C0.DLL");
  ASSERT_EQ(fractions.size(), 100u);
  for (int k = 1; k <= 100; ++k) EXPECT_EQ(fractions[k - 1], static_cast<float>(k) / 100.0f) << k;
}

TEST_F(ProgressStream, EmptyResource) {
  TempFolder tmp;
  // With a handler: no file, no call.
  EXPECT_TRUE(SaveWithProgress(0, tmp / "with.DLL").empty());
  EXPECT_FALSE(platform::FileExists(tmp / "with.DLL"));
  // Without one, and through SaveResourceToFile: an empty file.
  TProgressResourceStream("R0", "R0").SaveToFile(tmp / "without.DLL");
  EXPECT_EQ(ReadWholeFile(tmp / "without.DLL"), "");
  app::SaveResourceToFile("R0", "R0", tmp / "plain.in");
  EXPECT_EQ(ReadWholeFile(tmp / "plain.in"), "");
}

TEST_F(ProgressStream, ExistingFileIsReplacedEntirely) {
  TempFolder tmp;
  const std::string longer(6000, '#');
  dz::testing::WriteWholeFile(tmp / "C0.DLL", longer);
  SaveWithProgress(5000, tmp / "C0.DLL");
  EXPECT_EQ(ReadWholeFile(tmp / "C0.DLL"), PatternBytes(5000));
  dz::testing::WriteWholeFile(tmp / "C1.DLL", longer);
  TProgressResourceStream("R51", "R51").SaveToFile(tmp / "C1.DLL");
  EXPECT_EQ(ReadWholeFile(tmp / "C1.DLL"), PatternBytes(51));
  dz::testing::WriteWholeFile(tmp / "cRc.in", longer);
  app::SaveResourceToFile("R49", "R49", tmp / "cRc.in");
  EXPECT_EQ(ReadWholeFile(tmp / "cRc.in"), PatternBytes(49));
}

TEST_F(ProgressStream, WritesStraightFromTheModuleBytes) {
  TProgressResourceStream stream("R5000", "R5000");
  auto resource = platform::FindModuleResource("R5000", "R5000");
  ASSERT_TRUE(resource);
  EXPECT_EQ(stream.Memory(), resource->data);
  EXPECT_EQ(stream.Size(), 5000);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(resource->data), resource->size), PatternBytes(5000));
}

TEST_F(ProgressStream, MissingResourceIsReportedBeforeAnyFile) {
  TempFolder tmp;
  try {
    TProgressResourceStream stream("C9", "C9");
    FAIL() << "opened a resource the program does not hold";
  } catch (const platform::ResourceNotFound& e) {
    EXPECT_EQ(std::string(e.what()), "Resource C9 not found");
  }
  try {
    app::SaveResourceToFile("C9", "C9", tmp / "C9.DLL");
    FAIL() << "saved a resource the program does not hold";
  } catch (const platform::ResourceNotFound& e) {
    EXPECT_EQ(std::string(e.what()), "Resource C9 not found");
  }
  EXPECT_FALSE(platform::FileExists(tmp / "C9.DLL"));
  // The type is part of the look-up.
  EXPECT_THROW(TProgressResourceStream("R50", "C0"), platform::ResourceNotFound);
}

TEST_F(ProgressStream, FileThatCannotBeCreated) {
  TempFolder tmp;
  const std::string path = tmp / "missing folder\\C0.DLL";
  const std::string expected = "Cannot create file " + path;
  int calls = 0;
  TProgressResourceStream stream("R5000", "R5000");
  stream.OnProgress = [&](TProgressResourceStream&, float) { ++calls; };
  try {
    stream.SaveToFile(path);
    FAIL();
  } catch (const platform::FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()), expected);
  }
  EXPECT_EQ(calls, 0);
  try {
    app::SaveResourceToFile("R50", "R50", path);
    FAIL();
  } catch (const platform::FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()), expected);
  }
}

TEST_F(ProgressStream, HandlerFailureEndsTheSaveWithTheFileClosed) {
  TempFolder tmp;
  TProgressResourceStream stream("R5000", "R5000");
  int calls = 0;
  stream.OnProgress = [&](TProgressResourceStream&, float) {
    if (++calls == 3) throw std::runtime_error("stop");
  };
  EXPECT_THROW(stream.SaveToFile(tmp / "C0.DLL"), std::runtime_error);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(ReadWholeFile(tmp / "C0.DLL"), PatternBytes(150));
  // Closed: Windows refuses to delete a file that is still open.
  EXPECT_TRUE(platform::RemoveFile(tmp / "C0.DLL"));
}

// A device that takes no bytes: "/dev/full" natively, the same device through
// Wine's drive Z: under Wine.
std::string FullDevice() {
#ifdef _WIN32
  return "Z:\\dev\\full";
#else
  return "/dev/full";
#endif
}

TEST_F(ProgressStream, ShortWriteIsAStreamWriteError) {
  try {
    platform::File probe(FullDevice(), platform::File::Mode::Create);
  } catch (const platform::FileCreateError&) {
    GTEST_SKIP() << "no full device visible as " << FullDevice();  // Windows without Wine's drive Z:
  }
  int calls = 0;
  TProgressResourceStream stream("R5000", "R5000");
  stream.OnProgress = [&](TProgressResourceStream&, float) { ++calls; };
  auto expect_write_error = [](auto&& save, const char* what) {
    try {
      save();
      ADD_FAILURE() << what << ": no error";
    } catch (const platform::StreamWriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Stream write error") << what;
    } catch (const std::exception& e) {
      ADD_FAILURE() << what << ": " << e.what();
    }
  };
  expect_write_error([&] { stream.SaveToFile(FullDevice()); }, "block-wise");
  EXPECT_EQ(calls, 0);  // the first block already fails
  expect_write_error([&] { TProgressResourceStream("R50", "R50").SaveToFile(FullDevice()); }, "one write");
  expect_write_error([&] { app::SaveResourceToFile("R1", "R1", FullDevice()); }, "SaveResourceToFile");
}

}  // namespace
