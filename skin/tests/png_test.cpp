// The PNG reader: pictures from our own writer with every filter, from
// ImageMagick, the shipped caption-button pictures, and a table of damaged
// and unsupported files, each of which must be refused cleanly.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "skin/png_reader.h"
#include "tools/skin-assets/png_writer.h"

namespace skin {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A 6 x 5 picture with every channel varying, so each filter predicts
// something different from the raw bytes.
Bytes SamplePixels(int width = 6, int height = 5) {
  Bytes rgba;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      rgba.insert(rgba.end(), {uint8_t(x * 40 + y), uint8_t(255 - y * 50), uint8_t(x * y * 13), uint8_t(60 + x * 30)});
  return rgba;
}

bool Decodes(const Bytes& file, platform::RgbaImage& image) { return DecodePng(file.data(), file.size(), image); }

TEST(DecodePng, EveryFilterAndSplitData) {
  const Bytes pixels = SamplePixels();
  struct Case {
    const char* name;
    skin_assets::PngOptions options;
  } cases[] = {
      {"none", {}},
      {"sub", {.filters = {1}}},
      {"up", {.filters = {2}}},
      {"average", {.filters = {3}}},
      {"paeth", {.filters = {4}}},
      {"mixed", {.filters = {4, 3, 2, 1, 0}}},
      {"IDAT in 7-byte chunks", {.filters = {4, 1}, .idat_split = 7}},
      {"IDAT in 1-byte chunks", {.filters = {2}, .idat_split = 1}},
  };
  for (const auto& c : cases) {
    platform::RgbaImage image;
    ASSERT_TRUE(Decodes(skin_assets::WritePng(6, 5, pixels, c.options), image)) << c.name;
    EXPECT_EQ(image.width, 6) << c.name;
    EXPECT_EQ(image.height, 5) << c.name;
    EXPECT_EQ(image.pixels, pixels) << c.name;
  }
}

TEST(DecodePng, ImageMagickPicture) {
  platform::RgbaImage image;
  ASSERT_TRUE(Decodes(ReadFile(DZ_SKIN_TEST_DATA "/magick-rgba.png"), image));
  EXPECT_EQ(image.width, 13);
  EXPECT_EQ(image.height, 7);
  EXPECT_EQ(image.pixels, ReadFile(DZ_SKIN_TEST_DATA "/magick-rgba.rgba"));
}

TEST(DecodePng, RefusesOtherKindsWrittenByImageMagick) {
  for (const char* name : {"magick-palette.png", "magick-rgb.png", "magick-rgba16.png", "magick-interlaced.png"}) {
    platform::RgbaImage image;
    EXPECT_FALSE(Decodes(ReadFile(std::string(DZ_SKIN_TEST_DATA "/") + name), image)) << name;
    EXPECT_EQ(image.width, 0) << name;
    EXPECT_TRUE(image.pixels.empty()) << name;
  }
}

TEST(DecodePng, ShippedCaptionButtons) {
  struct Case {
    const char* name;
    int width, height;
  } cases[] = {{"MinDown", 30, 19},     {"MinHover", 30, 19},     {"MinNormal", 30, 19},
               {"MaxDown", 30, 22},     {"MaxHover", 30, 22},     {"MaxNormal", 30, 22},
               {"RestoreDown", 30, 19}, {"RestoreHover", 30, 19}, {"RestoreNormal", 30, 19},
               {"CloseDown", 33, 19},   {"CloseHover", 33, 19},   {"CloseNormal", 33, 19}};
  for (const auto& c : cases) {
    platform::RgbaImage image;
    ASSERT_TRUE(Decodes(ReadFile(std::string(DZ_SKIN_RESOURCES "/") + c.name + ".png"), image)) << c.name;
    EXPECT_EQ(image.width, c.width) << c.name;
    EXPECT_EQ(image.height, c.height) << c.name;
  }
}

// Offsets in a file from WritePng: signature 0-7, IHDR length 8, type 12,
// data 16-28 (width 16, height 20, depth 24, colour type 25, compression 26,
// filter method 27, interlace 28), CRC 29-32, the first IDAT at 33.
void Set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

// Rewrites the CRC of the chunk starting at `at`, so that a deliberately
// wrong field is seen by the field check, not the CRC check.
void FixCrc(Bytes& b, size_t at) {
  uint32_t length = (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
  Set32(b, at + 8 + length, uint32_t(crc32(0, &b[at + 4], uInt(4 + length))));
}

Bytes WithHeaderByte(size_t at, uint8_t value) {
  Bytes b = skin_assets::WritePng(6, 5, SamplePixels());
  b[at] = value;
  FixCrc(b, 8);
  return b;
}

Bytes WithRawData(int width, int height, const Bytes& raw) {
  // A file whose IDAT holds exactly `raw` (filter bytes included).
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header(13, 0);
  Set32(header, 0, uint32_t(width));
  Set32(header, 4, uint32_t(height));
  header[8] = 8;
  header[9] = 6;
  skin_assets::PutChunk(out, "IHDR", header);
  uLongf size = compressBound(uLong(raw.size()));
  Bytes packed(size);
  compress2(packed.data(), &size, raw.data(), uLong(raw.size()), 9);
  packed.resize(size);
  skin_assets::PutChunk(out, "IDAT", packed);
  skin_assets::PutChunk(out, "IEND", {});
  return out;
}

TEST(DecodePng, RefusesDamagedFiles) {
  const Bytes good = skin_assets::WritePng(6, 5, SamplePixels());
  const size_t row = 6 * 4 + 1;
  auto changed = [&good](const std::function<void(Bytes&)>& change) {
    Bytes b = good;
    change(b);
    return b;
  };
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"signature", changed([](Bytes& b) { b[1] = 'p'; })},
      {"header CRC", changed([](Bytes& b) { b[30] ^= 1; })},
      {"header data under its CRC", changed([](Bytes& b) { b[17] ^= 1; })},
      {"IDAT CRC", changed([](Bytes& b) { b[b.size() - 14] ^= 0x40; })},
      {"IEND CRC", changed([](Bytes& b) { b.back() ^= 1; })},
      {"chunk longer than the file", changed([](Bytes& b) { Set32(b, 33, 0x7FFFFFF0); })},
      {"chunk length with the top bit", changed([](Bytes& b) { Set32(b, 33, 0xFFFFFFF0); })},
      {"missing IEND", Bytes(good.begin(), good.end() - 12)},
      {"header length 12", changed([](Bytes& b) { Set32(b, 8, 12); })},
      {"width 0", WithHeaderByte(19, 0)},
      {"height 0", WithHeaderByte(23, 0)},
      {"width over the bound", changed([](Bytes& b) { Set32(b, 16, kMaxPngSide + 1); FixCrc(b, 8); })},
      {"height 2^31", changed([](Bytes& b) { Set32(b, 20, 0x80000000u); FixCrc(b, 8); })},
      {"16 bits", WithHeaderByte(24, 16)},
      {"colour type 2", WithHeaderByte(25, 2)},
      {"colour type 4", WithHeaderByte(25, 4)},
      {"compression method 1", WithHeaderByte(26, 1)},
      {"filter method 1", WithHeaderByte(27, 1)},
      {"interlaced", WithHeaderByte(28, 1)},
      {"no IDAT", changed([&](Bytes& b) { b.erase(b.begin() + 33, b.end() - 12); })},
      {"IDAT before IHDR", changed([](Bytes& b) { b[12] = 'X'; })},
      {"one row short", WithRawData(6, 5, Bytes(row * 4, 0))},
      {"one byte short", WithRawData(6, 5, Bytes(row * 5 - 1, 0))},
      {"one byte too many", WithRawData(6, 5, Bytes(row * 5 + 1, 0))},
      {"filter type 5", WithRawData(6, 5, [&] { Bytes r(row * 5, 0); r[row * 2] = 5; return r; }())},
      {"not deflate", changed([](Bytes& b) { b[41] ^= 0xFF; FixCrc(b, 33); })},
      {"unknown critical chunk", [&] {
         Bytes b(good.begin(), good.end() - 12);
         skin_assets::PutChunk(b, "ABCD", {1, 2, 3});
         skin_assets::PutChunk(b, "IEND", {});
         return b;
       }()},
      {"second IHDR", [&] {
         Bytes b(good.begin(), good.begin() + 33);
         b.insert(b.end(), good.begin() + 8, good.end());
         return b;
       }()},
  };
  for (const auto& c : cases) {
    platform::RgbaImage image;
    EXPECT_FALSE(Decodes(c.file, image)) << c.name;
    EXPECT_TRUE(image.pixels.empty()) << c.name;
  }
}

TEST(DecodePng, AcceptsAncillaryChunksAndIgnoresTrailingBytes) {
  Bytes good = skin_assets::WritePng(6, 5, SamplePixels());
  Bytes b(good.begin(), good.begin() + 33);
  skin_assets::PutChunk(b, "tEXt", {'a', 0, 'b'});
  b.insert(b.end(), good.begin() + 33, good.end());
  b.insert(b.end(), {1, 2, 3});
  platform::RgbaImage image;
  ASSERT_TRUE(Decodes(b, image));
  EXPECT_EQ(image.pixels, SamplePixels());
}

TEST(DecodePng, EveryTruncationIsRefused) {
  const Bytes good = skin_assets::WritePng(6, 5, SamplePixels(), {.filters = {4}, .idat_split = 9});
  for (size_t length = 0; length < good.size(); ++length) {
    platform::RgbaImage image;
    EXPECT_FALSE(DecodePng(good.data(), length, image)) << length;
  }
}

TEST(DecodePng, LargeHeaderWithLittleDataAllocatesLittle) {
  // 4096 x 4096 promised, 10 rows delivered: refused without building the
  // 64 MB picture first (the output grows with the data).
  Bytes raw(10 * (4096 * 4 + 1), 0);
  platform::RgbaImage image;
  EXPECT_FALSE(Decodes(WithRawData(4096, 4096, raw), image));
}

TEST(LoadPngResource, MissingResourceGivesTheFixedMessage) {
  try {
    LoadPngResource("NoSuchPicture");
    FAIL() << "no error";
  } catch (const EPngError& e) {
    EXPECT_STREQ(e.what(), "The png image could not be loaded from the resource ID.");
  }
}

}  // namespace
}  // namespace skin
