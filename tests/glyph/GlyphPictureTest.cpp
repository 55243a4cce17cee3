#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <fstream>

#include "common/TestEnv.h"
#include "glyph/GlyphPicture.h"

namespace {

bool WritePng(const std::string& path, int w, int h, uint32_t format, const std::vector<uint8_t>& pixels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = format;
  return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

}  // namespace

TEST(GlyphPicture, InkIsAnythingButWhiteOrMostlyTransparent) {
  struct Case {
    uint8_t r, g, b, a;
    bool ink;
  } cases[] = {
      {255, 255, 255, 255, false}, {0, 0, 0, 255, true},     {254, 255, 255, 255, true},
      {0, 0, 0, 127, false},       {0, 0, 0, 128, true},     {255, 255, 255, 0, false},
      {200, 30, 30, 255, true},
  };
  for (const Case& c : cases) {
    PICTUREIMAGE p;
    p.width = 1;
    p.height = 1;
    p.format = kPictureRgba8;
    p.pixels = {c.r, c.g, c.b, c.a};
    EXPECT_EQ(p.IsInk(0, 0), c.ink) << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a);
  }
  PICTUREIMAGE gray;
  gray.width = 2;
  gray.height = 1;
  gray.format = kPictureGray8;
  gray.pixels = {255, 254};
  EXPECT_FALSE(gray.IsInk(0, 0));
  EXPECT_TRUE(gray.IsInk(1, 0));
  EXPECT_FALSE(gray.IsInk(2, 0));
}

TEST(GlyphPicture, IsValidChecksThePixelBytes) {
  PICTUREIMAGE p;
  p.width = 3;
  p.height = 2;
  p.format = kPictureRgba8;
  p.pixels.resize(23);
  EXPECT_FALSE(p.IsValid());
  p.pixels.resize(24);
  EXPECT_TRUE(p.IsValid());
  p.format = 3;
  EXPECT_FALSE(p.IsValid());
}

TEST(GlyphPicture, ReadsPngOfAnyColourType) {
  CTestEnv env;
  const std::string gray = env.Path("gray.png"), rgba = env.Path("rgba.png");
  ASSERT_TRUE(WritePng(gray, 2, 2, PNG_FORMAT_GRAY, {0, 255, 255, 10}));
  ASSERT_TRUE(WritePng(rgba, 2, 1, PNG_FORMAT_RGBA, {0, 0, 0, 0, 9, 9, 9, 255}));
  PICTUREIMAGE p;
  ASSERT_EQ(LoadPngPicture(gray, p), kPictureOk);
  EXPECT_EQ(p.width, 2);
  EXPECT_EQ(p.height, 2);
  EXPECT_TRUE(p.IsInk(0, 0));
  EXPECT_FALSE(p.IsInk(1, 0));
  EXPECT_TRUE(p.IsInk(1, 1));
  ASSERT_EQ(LoadPngPicture(rgba, p), kPictureOk);
  EXPECT_FALSE(p.IsInk(0, 0));  // transparent black
  EXPECT_TRUE(p.IsInk(1, 0));
  EXPECT_TRUE(IsPngFile(rgba));
}

TEST(GlyphPicture, RefusesBrokenFiles) {
  CTestEnv env;
  const std::string good = env.Path("good.png");
  ASSERT_TRUE(WritePng(good, 4, 4, PNG_FORMAT_GRAY, std::vector<uint8_t>(16, 0)));
  std::vector<uint8_t> bytes = CTestEnv::ReadBytes(good);
  CTestEnv::WriteBytes(env.Path("cut.png"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
  CTestEnv::WriteBytes(env.Path("text.png"), {'#', '.', '\n'});
  PICTUREIMAGE p;
  EXPECT_EQ(LoadPngPicture(env.Path("missing.png"), p), kPictureNotOpened);
  EXPECT_EQ(LoadPngPicture(env.Path("cut.png"), p), kPictureBadFormat);
  EXPECT_EQ(LoadPngPicture(env.Path("text.png"), p), kPictureBadFormat);
  EXPECT_FALSE(IsPngFile(env.Path("text.png")));
}

TEST(GlyphPicture, RefusesHugePicturesBeforeReadingPixels) {
  CTestEnv env;
  // A valid header claiming 5000 x 1 is enough: the size is refused first.
  const std::string path = env.Path("wide.png");
  ASSERT_TRUE(WritePng(path, 5000, 1, PNG_FORMAT_GRAY, std::vector<uint8_t>(5000, 255)));
  PICTUREIMAGE p;
  EXPECT_EQ(LoadPngPicture(path, p), kPictureTooLarge);
}
