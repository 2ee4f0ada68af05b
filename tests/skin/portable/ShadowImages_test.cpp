// The built-in shadow images under resources/: they decode with the skin's own PNG reader, match the
// generator's drawing (so that a changed drawing cannot ship with stale files) and have the shape the
// frame painter relies on.
#include "tools/shadow-images/ShadowImages.h"

#include <gtest/gtest.h>

#include "skin/manager/skPNG.h"
#include "tests/skin/portable/SkinFixtures.h"

namespace {

using namespace shadow_images;

struct ShadowFile {
  const char* file;
  int darkest;
};

class ShadowImages : public testing::TestWithParam<ShadowFile> {
 protected:
  TPNGPixels Decode() const {
    auto stream = skintest::StreamOf(skintest::ReadDataFile(std::string("../../resources/") + GetParam().file));
    return ReadPNG(*stream);
  }
};

TEST_P(ShadowImages, StoredFileMatchesTheDrawing) {
  const TPNGPixels image = Decode();
  ASSERT_EQ(image.Width, kSize);
  ASSERT_EQ(image.Height, kSize);
  EXPECT_TRUE(image.Properties.HasAlpha);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const Cardinal expected = static_cast<Cardinal>(ShadowAlpha(x, y, GetParam().darkest)) << 24;  // black
      ASSERT_EQ(image.Pixel(x, y), expected) << "at " << x << "," << y;
    }
  }
}

TEST_P(ShadowImages, DarkestNextToTheWindowClearUnderItAndFadingOutwards) {
  const TPNGPixels image = Decode();
  ASSERT_EQ(image.Width, kSize);
  auto alpha = [&](int x, int y) { return static_cast<int>(image.Pixel(x, y) >> 24); };
  EXPECT_EQ(alpha(kCentre, kCentre), 0);
  EXPECT_EQ(alpha(kCentre - 1, kCentre), GetParam().darkest);
  EXPECT_LE(alpha(0, 0), 1);
  EXPECT_LE(alpha(kCentre, 0), 2);
  // Along each axis and the diagonal the alpha never rises going outwards; the image is symmetric.
  for (int d = 1; d < kCentre; ++d) {
    EXPECT_LE(alpha(kCentre - d - 1, kCentre), alpha(kCentre - d, kCentre));
    EXPECT_LE(alpha(kCentre - d - 1, kCentre - d - 1), alpha(kCentre - d, kCentre - d));
  }
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      EXPECT_EQ(alpha(x, y), alpha(kSize - 1 - x, y));
      EXPECT_EQ(alpha(x, y), alpha(y, x));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, ShadowImages,
                         testing::Values(ShadowFile{"skSHDA.png", kActiveAlpha}, ShadowFile{"skSHDI.png", kInactiveAlpha}),
                         [](const testing::TestParamInfo<ShadowFile>& info) {
                           return std::string(info.param.darkest == kActiveAlpha ? "Active" : "Inactive");
                         });

TEST(ShadowPNGWriter, RefusesAPixelCountThatDoesNotMatch) {
  EXPECT_THROW(EncodePNG(2, 2, std::vector<std::uint8_t>(15)), std::invalid_argument);
  EXPECT_THROW(EncodePNG(0, 2, {}), std::invalid_argument);
}

}  // namespace
