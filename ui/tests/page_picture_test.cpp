// The page pictures: the shipped JPEG files decode to their planned sizes and
// are what the layout asks for (baseline JFIF, near the planned file sizes);
// damaged, truncated and foreign data is refused with a message; the scaling
// filter keeps the picture's colours and weighs partly covered pixels.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/page_picture.h"

namespace ui {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes Shipped(const std::string& name) { return ReadFile(std::string(DZ_PICTURES) + "/" + name); }

std::string DecodeError(const Bytes& file) {
  try {
    DecodeJpeg(file.data(), file.size());
  } catch (const EPictureError& error) {
    return error.what();
  }
  return "(decoded)";
}

struct Pixel {
  int r, g, b;
};
Pixel At(const platform::RgbaImage& p, int x, int y) {
  const uint8_t* q = &p.pixels[(size_t(y) * p.width + x) * 4];
  return {q[0], q[1], q[2]};
}

TEST(PagePictures, ShippedFilesAreBaselineJfifOfThePlannedSizes) {
  struct Case {
    const char* name;
    int width, height;
    long planned_bytes;
    Pixel top_left;  // the generator's gradient starts here
  } cases[] = {
      {"Image1.jpg", 750, 450, 21533, {38, 96, 178}},
      {"Image3.jpg", 750, 350, 42993, {120, 180, 240}},
      {"Image4.jpg", 750, 450, 30804, {34, 100, 186}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = Shipped(c.name);
    ASSERT_GT(file.size(), 20u);
    EXPECT_EQ(std::string(file.begin() + 6, file.begin() + 11), std::string("JFIF\0", 5));
    bool baseline = false, progressive = false;
    for (size_t i = 0; i + 1 < file.size(); ++i) {
      baseline |= file[i] == 0xFF && file[i + 1] == 0xC0;
      progressive |= file[i] == 0xFF && file[i + 1] == 0xC2;
    }
    EXPECT_TRUE(baseline);
    EXPECT_FALSE(progressive);
    EXPECT_NEAR(double(file.size()), double(c.planned_bytes), c.planned_bytes * 0.05);

    platform::RgbaImage picture = DecodeJpeg(file.data(), file.size());
    EXPECT_EQ(picture.width, c.width);
    EXPECT_EQ(picture.height, c.height);
    ASSERT_EQ(picture.pixels.size(), size_t(c.width) * c.height * 4);
    Pixel p = At(picture, 1, 1);
    EXPECT_NEAR(p.r, c.top_left.r, 12);
    EXPECT_NEAR(p.g, c.top_left.g, 12);
    EXPECT_NEAR(p.b, c.top_left.b, 12);
    EXPECT_EQ(picture.pixels[3], 255);  // opaque
  }
}

TEST(PagePictures, DamagedOrForeignDataIsRefusedWithAMessage) {
  const Bytes good = Shipped("Image1.jpg");
  ASSERT_GT(good.size(), 1000u);
  auto cut = [&](size_t size) { return Bytes(good.begin(), good.begin() + size); };
  Bytes zeroed_scan = good;  // the second half of the entropy-coded data wiped
  std::fill(zeroed_scan.begin() + good.size() / 2, zeroed_scan.end() - 2, 0);
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"start marker only", {0xFF, 0xD8}},
      {"cut inside the header", cut(100)},
      {"cut in the middle of the scan", cut(good.size() / 2)},
      {"end marker missing", cut(good.size() - 2)},
      {"scan data wiped", zeroed_scan},
      {"PNG bytes", Bytes(png.begin(), png.end())},
      {"text", Bytes{'J', 'F', 'I', 'F', ' ', 'n', 'o', 't'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeError(c.file).rfind("The picture could not be decoded: ", 0), 0u) << DecodeError(c.file);
  }
}

TEST(PagePictures, OversizedPictureIsRefusedBeforeAllocating) {
  Bytes file = Shipped("Image1.jpg");
  // SOF0: FF C0, length (2), precision (1), height (2), width (2).
  size_t sof = 0;
  for (size_t i = 2; i + 8 < file.size() && !sof; ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xC0) sof = i;
  ASSERT_NE(sof, 0u);
  for (int side : {5, 7}) {  // height, then width
    Bytes big = file;
    big[sof + side] = 0x20;  // 8192 + the low byte
    EXPECT_EQ(DecodeError(big), "The picture could not be decoded: picture larger than 4096 pixels a side");
  }
}

platform::RgbaImage Grey(int width, int height, std::vector<int> values) {
  platform::RgbaImage p{width, height, {}};
  for (int v : values) p.pixels.insert(p.pixels.end(), {uint8_t(v), uint8_t(v), uint8_t(v), 255});
  return p;
}

std::vector<int> Reds(const platform::RgbaImage& p) {
  std::vector<int> reds;
  for (size_t i = 0; i < p.pixels.size(); i += 4) reds.push_back(p.pixels[i]);
  return reds;
}

TEST(ScalePicture, AreaAverages) {
  struct Case {
    const char* what;
    platform::RgbaImage from;
    int width, height;
    std::vector<int> expected;
  } cases[] = {
      {"same size", Grey(3, 1, {7, 200, 33}), 3, 1, {7, 200, 33}},
      {"two to one", Grey(2, 1, {100, 201}), 1, 1, {151}},
      {"three to two: thirds", Grey(3, 1, {0, 90, 180}), 2, 1, {30, 150}},
      {"vertical three to two", Grey(1, 3, {0, 90, 180}), 1, 2, {30, 150}},
      {"one to three repeats", Grey(1, 1, {77}), 3, 1, {77, 77, 77}},
      {"2 x 2 to 1 x 1", Grey(2, 2, {0, 100, 200, 100}), 1, 1, {100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::RgbaImage scaled = ScalePicture(c.from, c.width, c.height);
    EXPECT_EQ(scaled.width, c.width);
    EXPECT_EQ(scaled.height, c.height);
    EXPECT_EQ(Reds(scaled), c.expected);
  }
}

TEST(ScalePicture, PageSizesKeepAFlatColourExactAndRefuseEmptySizes) {
  // 750 x 450 onto the 742 x 448 page: weights that do not sum to one would
  // shift every pixel.
  platform::RgbaImage flat{750, 450, {}};
  for (int i = 0; i < 750 * 450; ++i) flat.pixels.insert(flat.pixels.end(), {255, 0, 128, 255});
  platform::RgbaImage scaled = ScalePicture(flat, 742, 448);
  for (size_t i = 0; i < scaled.pixels.size(); i += 4) {
    ASSERT_EQ(scaled.pixels[i], 255) << i;
    ASSERT_EQ(scaled.pixels[i + 1], 0) << i;
    ASSERT_EQ(scaled.pixels[i + 2], 128) << i;
    ASSERT_EQ(scaled.pixels[i + 3], 255) << i;
  }
  EXPECT_THROW(ScalePicture(flat, 0, 10), EPictureError);
  EXPECT_THROW(ScalePicture(platform::RgbaImage{}, 10, 10), EPictureError);
}

}  // namespace
}  // namespace ui
