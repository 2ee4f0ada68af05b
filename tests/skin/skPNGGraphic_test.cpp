#include "skin/manager/skPNGGraphic.h"

#include <gtest/gtest.h>

#include "skin/SkinTestBitmaps.h"
#include "skin/portable/SkinFixtures.h"

using namespace skintest;

namespace {

WideString DataFile(std::u16string_view name) {
  const std::string dir = TestDataRoot() + "/skin/";
  return WideString(dir.begin(), dir.end()) + WideString(name);
}

struct PNGGraphic : ::testing::Test {
  void SetUp() override { RegisterPNGGraphic(); }
  void TearDown() override { UnregisterPNGGraphic(); }
};

}  // namespace

TEST_F(PNGGraphic, PicturesLoadPngFilesAs32BitBitmapsWithAlpha) {
  const TFileFormat* format = TPicture::FindFileFormat(".PNG");
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(*format->type, typeid(TPNGGraphic));

  TPicture picture;
  picture.LoadFromFile(DataFile(u"rgba16-2x2-adam7.png"));
  auto* png = dynamic_cast<TPNGGraphic*>(picture.Graphic());
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->PixelFormat(), pf32bit);
  EXPECT_TRUE(png->ImageProperties().Interlaced);
  EXPECT_EQ(PixelOf(*png, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(*png, 1, 0), 0x7F00FF00u);
  EXPECT_EQ(PixelOf(*png, 0, 1), 0x010000FFu);
  EXPECT_EQ(PixelOf(*png, 1, 1), 0x00808080u);

  UnregisterPNGGraphic();
  EXPECT_EQ(TPicture::FindFileFormat("png"), nullptr);
  EXPECT_THROW(picture.LoadFromFile(DataFile(u"grey2-4x1.png")), EInvalidGraphic);
}

TEST_F(PNGGraphic, GreyTransparencyBecomesTheBitmapsTransparentColour) {
  const SampleFn greys = [](uint32_t x, uint32_t) { return std::vector<uint32_t>{x % 4}; };
  auto s = StreamOf(Serialize(PngChunks(4, 1, 2, 0, false, greys, {{"tRNS", Bytes("\0\2", 2)}})));
  TPNGGraphic png;
  png.LoadFromStream(*s);
  EXPECT_TRUE(png.Transparent());
  EXPECT_EQ(png.TransparentColor(), static_cast<TColor>(0xAAAAAA));
  EXPECT_EQ(PixelOf(png, 2, 0), 0x00AAAAAAu);
}

TEST_F(PNGGraphic, ADamagedFileLeavesTheImageAsItWas) {
  TPNGGraphic png;
  png.LoadFromFile(DataFile(u"palette-trns-3x2.png"));
  Bytes damaged = Serialize(PngChunks(9, 9, 8, 0, false, [](uint32_t, uint32_t) { return std::vector<uint32_t>{1}; }));
  damaged[40] = static_cast<char>(damaged[40] ^ 4);
  auto s = StreamOf(damaged);
  EXPECT_THROW(png.LoadFromStream(*s), EInvalidGraphic);
  EXPECT_EQ(png.Width(), 3);
  EXPECT_EQ(PixelOf(png, 0, 0), 0x40FF0000u);
}

TEST_F(PNGGraphic, DrawBlendsByAlphaAtItsOwnSizeAndStretched) {
  TPNGGraphic png;
  png.LoadFromFile(DataFile(u"palette-trns-3x2.png"));  // red at alpha 0x40, opaque blue
  // White under red at 0x40: 255 + floor((0 - 255) * 64 / 256) = 191 in green and blue.
  const Cardinal redOverWhite = 0xFFBFBF, blueOverWhite = 0x0000FF;
  auto target = Filled(8, 6, 0xFFFFFFFF);
  target->Canvas().Draw(1, 1, &png);
  EXPECT_EQ(PixelOf(*target, 0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(PixelOf(*target, 1, 1) & 0xFFFFFF, redOverWhite);
  EXPECT_EQ(PixelOf(*target, 2, 1) & 0xFFFFFF, blueOverWhite);
  EXPECT_EQ(PixelOf(*target, 3, 2) & 0xFFFFFF, redOverWhite);
  EXPECT_EQ(PixelOf(*target, 4, 1) & 0xFFFFFF, 0xFFFFFFu);

  auto stretched = Filled(8, 6, 0xFFFFFFFF);
  stretched->Canvas().StretchDraw(Rect(0, 0, 6, 4), &png);
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 6; ++x)
      EXPECT_EQ(PixelOf(*stretched, x, y) & 0xFFFFFF, PixelOf(*target, 1 + x / 2, 1 + y / 2) & 0xFFFFFF) << x << "," << y;
  EXPECT_EQ(PixelOf(*stretched, 6, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(PNGGraphic, AReflectionFadesBelowTheImage) {
  const SampleFn black = [](uint32_t, uint32_t) { return std::vector<uint32_t>{0, 0, 0, 255}; };
  auto s = StreamOf(Serialize(PngChunks(2, 4, 8, 6, false, black)));
  TPNGGraphic png;
  png.LoadFromStream(*s);
  png.SetReflected(true);
  auto target = Filled(2, 8, 0xFFFFFFFF);
  target->Canvas().Draw(0, 0, &png);
  // Rows 4 and 5 mirror rows 3 and 2 at weights 255 and 128: alpha 85 and 42 of black over white.
  EXPECT_EQ(PixelOf(*target, 0, 3) & 0xFF, 0u);
  EXPECT_EQ(PixelOf(*target, 0, 4) & 0xFF, 255u - 85u);
  EXPECT_EQ(PixelOf(*target, 0, 5) & 0xFF, 255u - 42u);
  EXPECT_EQ(PixelOf(*target, 0, 6) & 0xFF, 255u);
}

TEST_F(PNGGraphic, ClearWhiteAndAssign) {
  auto b = Filled(2, 1, 0x00FFFFFF);
  static_cast<Cardinal*>(b->ScanLine(0))[1] = 0xFFFFFFFF;
  ClearWhite(*b);
  EXPECT_EQ(PixelOf(*b, 0, 0), 0u);
  EXPECT_EQ(PixelOf(*b, 1, 0), 0xFFFFFFFFu);

  TPNGGraphic source, copy;
  source.LoadFromFile(DataFile(u"rgba16-2x2-adam7.png"));
  copy.Assign(&source);
  EXPECT_TRUE(copy.ImageProperties().Interlaced);
  EXPECT_EQ(copy.ImageProperties().BitsPerSample, 16);
  EXPECT_EQ(PixelOf(copy, 1, 0), 0x7F00FF00u);
}
