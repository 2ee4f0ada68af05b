#include "skin/forms/sSectionPaint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>
#include "skin/portable/SkinSections.h"

namespace {

using skintest::SectionsOf;

// Colours as 0x00BBGGRR.
const char* const kSkin =
    "[GLOBALINFO]\nVERSION=8.00\n"
    "[SOLID]\nSTATES=2\nCOLOR=255\nHOTCOLOR=65280\n"
    "[GLASS]\nSTATES=2\nCOLOR=255\nTRANSPARENCY=100\n"
    "[TINT]\nSTATES=2\nCOLOR=3289650\nTRANSPARENCY=40\nHOTCOLOR=3289650\nHOTTRANSPARENCY=40\n"
    "[ONE]\nSTATES=1\nCOLOR=16711680\n"
    "[LAYERED]\nSTATES=1\nCOLOR=0\nIMAGEPERCENT=40\nGRADIENTPERCENT=60\nGRADIENTDATA=8421504;8421504;100;0;0;\n"
    "[HALF]\nSTATES=1\nCOLOR=16777215\nGRADIENTPERCENT=50\nGRADIENTDATA=0;0;100;0;0;\n"
    "[HALFGLASS]\nSTATES=1\nCOLOR=0\nTRANSPARENCY=50\n";

constexpr Cardinal kUntouched = 0x11223344u;
constexpr Cardinal kTexturePixel = 0xFF204060u;  // R 0x20, G 0x40, B 0x60

Cardinal Px(Integer color) { return ColorToPixel(color); }

// Per channel d := s + floor(f * (d - s) / 256), the alpha of d kept: the blend of the section layer s
// over the background d.
Cardinal Blend(Cardinal d, Cardinal s, Integer f) {
  Cardinal out = d & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int dc = static_cast<int>(d >> shift & 0xFF), sc = static_cast<int>(s >> shift & 0xFF);
    const int v = sc + static_cast<int>(std::floor(f * (dc - sc) / 256.0));
    out |= static_cast<Cardinal>(v) << shift;
  }
  return out;
}

class SectionPaint : public ::testing::Test {
 protected:
  SectionPaint() {
    TsMaskData texture;  // a 2 x 2 texture of one pixel in the master, mask type 0, tiled
    texture.ClassName = "LAYERED";
    texture.PropertyName = "PATTERN";
    texture.R = TRect{0, 0, 2, 2};
    texture.ImageCount = 1;
    texture.ImgType = itTexture;
    masks_.push_back(texture);
    for (Integer y = 0; y < 2; ++y)
      for (Integer x = 0; x < 2; ++x) master_[static_cast<size_t>(y * 8 + x)] = kTexturePixel;
    skin_.Pixels.Sections = &sections_;
    skin_.Pixels.Masks = &masks_;
    skin_.Pixels.Master = TsPixelView{master_.data(), 8, 8, 8};
    for (Integer y = 0; y < 4; ++y)
      for (Integer x = 0; x < 8; ++x) background_[static_cast<size_t>(y * 8 + x)] = 0xFF000000u | static_cast<Cardinal>(y * 16 + x) * 0x030507u;
  }
  Integer Index(const char* name) const { return FindSkinIndex(sections_, name); }
  TsBgPixels BitmapBg() { return TsBgPixels{TsPixelView{background_.data(), 8, 4, 8}, 1, 0, clKeyColor}; }
  Cardinal BgAt(Integer x, Integer y) const { return background_[static_cast<size_t>(y * 8 + x)]; }

  TsGeneralDataArray sections_ = SectionsOf(kSkin);
  TsMaskArray masks_;
  std::vector<Cardinal> master_ = std::vector<Cardinal>(64, kKeyPixel);
  std::vector<Cardinal> background_ = std::vector<Cardinal>(32);
  TsSectionSkin skin_;
};

TEST_F(SectionPaint, FillsByTransparencyOverABitmapOrAColour) {
  // The rect (2, 1)-(6, 3) of an 8 x 4 bitmap, at (2, 1) of the area the background describes, whose
  // bitmap starts at (1, 0): the rect's pixel (x, y) lies over background pixel (x + 3, y + 1).
  const TRect rect{2, 1, 6, 3};
  const Integer grey = 0x808080;
  const Integer tint = 3289650;  // 0x323232
  struct Case {
    const char* what;
    const char* section;
    Integer state;
    bool bitmapBackground;
    Integer bgColor;
    Integer color;
    std::function<Cardinal(Integer x, Integer y)> expected;
  } cases[] = {
      {"opaque, over a bitmap", "SOLID", 0, true, 0, clKeyColor, [](Integer, Integer) { return Px(255); }},
      {"opaque hot", "SOLID", 1, false, grey, clKeyColor, [](Integer, Integer) { return Px(65280); }},
      {"see-through copies the parent's pixels", "GLASS", 0, true, 0, clKeyColor,
       [this](Integer x, Integer y) { return BgAt(x + 3, y + 1); }},
      {"see-through over a colour", "GLASS", 0, false, grey, clKeyColor, [](Integer, Integer) { return Px(0x808080); }},
      {"40 over a colour mixes the colours", "TINT", 0, false, grey, clKeyColor,
       [](Integer, Integer) { return Px(0x515151); }},  // round(0.4 x 128 + 0.6 x 50) = 81
      {"40 over a bitmap blends once", "TINT", 0, true, 0, clKeyColor,
       [this](Integer x, Integer y) { return Blend(BgAt(x + 3, y + 1), Px(tint), 102); }},
      {"a colour of its own is plain and opaque", "LAYERED", 0, true, 0, 0x00FF00,
       [](Integer, Integer) { return Px(0x00FF00); }},
      {"hot on a one-state section is normal", "ONE", 1, false, grey, clKeyColor,
       [](Integer, Integer) { return Px(16711680); }},
      // No background at all (the key colour): the section's own colour, not a pink mix.
      {"40 over no background", "TINT", 0, false, clKeyColor, clKeyColor, [](Integer, Integer) { return Px(tint); }},
      // Image 40 and gradient 60 with a plain texture and a vertical step: one pass, each channel
      // g + (102 * (t - g) >> 8) with g 0x80.
      {"image 40 and gradient 60 in one pass", "LAYERED", 0, false, grey, clKeyColor,
       [](Integer, Integer) {
         const auto mix = [](int t) { return 0x80 + ((102 * (t - 0x80)) >> 8); };
         return 0xFF000000u | static_cast<Cardinal>(mix(0x20)) << 16 | static_cast<Cardinal>(mix(0x40)) << 8 |
                static_cast<Cardinal>(mix(0x60));
       }},
      // A gradient share of 50 alone: the gradient (black) kept at 50 percent, white mixed in.
      {"a layer sum below 100 mixes in the colour", "HALF", 0, false, clKeyColor, clKeyColor,
       [](Integer, Integer) { return Px(0x808080); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Cardinal> pixels(32, kUntouched);
    const TsPixelView bitmap{pixels.data(), 8, 4, 8};
    const TsBgPixels bg = c.bitmapBackground ? BitmapBg() : TsBgPixels{{}, 0, 0, c.bgColor};
    PaintSectionFill(skin_, Index(c.section), c.section, bg, c.color, -1, -1, bitmap, 2, 1, rect, c.state);
    for (Integer y = 0; y < 4; ++y)
      for (Integer x = 0; x < 8; ++x) {
        const bool inside = x >= rect.Left && x < rect.Right && y >= rect.Top && y < rect.Bottom;
        const Cardinal want = inside ? c.expected(x - rect.Left, y - rect.Top) : kUntouched;
        EXPECT_EQ(pixels[static_cast<size_t>(y * 8 + x)], want) << std::hex << "at " << x << "," << y;
      }
  }
}

TEST_F(SectionPaint, ItemsPaintNothingPastTheBitmapOrForAMissingSection) {
  for (const TRect& rect : {TRect{4, 0, 9, 2}, TRect{-1, 0, 3, 2}, TRect{0, 2, 4, 5}, TRect{2, 2, 2, 3}}) {
    std::vector<Cardinal> pixels(32, kUntouched);
    PaintSectionItem(skin_, Index("SOLID"), "SOLID", {}, -1, -1, TsPixelView{pixels.data(), 8, 4, 8}, 0, 0, rect, 0,
                     true);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kUntouched), 32) << rect.Left << "," << rect.Right;
  }
  std::vector<Cardinal> pixels(32, kUntouched);
  PaintSectionItem(skin_, 99, "NONE", {}, -1, -1, TsPixelView{pixels.data(), 8, 4, 8}, 0, 0, TRect{0, 0, 8, 4}, 0, true);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kUntouched), 32);
  PaintSectionItem(skin_, Index("SOLID"), "SOLID", {}, -1, -1, TsPixelView{pixels.data(), 8, 4, 8}, 0, 0,
                   TRect{0, 0, 8, 4}, 0, true);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), Px(255)), 32);
}

TEST_F(SectionPaint, PartsWithAMaskBlendByAnIntegerFactorAndStayOpaqueWithoutABitmap) {
  const TRect rect{2, 1, 6, 3};
  struct Case {
    const char* what;
    const char* section;
    bool bitmapBackground;
    std::function<Cardinal(Integer x, Integer y)> expected;
  } cases[] = {
      // 50 x 255 / 100 = 127 (not the 128 a rounded factor gives).
      {"half over a bitmap", "HALFGLASS", true, [this](Integer x, Integer y) { return Blend(BgAt(x + 3, y + 1), Px(0), 127); }},
      {"half over a colour stays opaque", "HALFGLASS", false, [](Integer, Integer) { return Px(0); }},
      {"see-through over a colour takes it", "GLASS", false, [](Integer, Integer) { return Px(0x808080); }},
      {"see-through over a bitmap copies it", "GLASS", true, [this](Integer x, Integer y) { return BgAt(x + 3, y + 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Cardinal> pixels(32, kUntouched);
    const TsBgPixels bg = c.bitmapBackground ? BitmapBg() : TsBgPixels{{}, 0, 0, 0x808080};
    PaintSectionWithMask(skin_, Index(c.section), -1, -1, -1, TsPixelView{pixels.data(), 8, 4, 8}, 2, 1, rect, 0, true, bg);
    for (Integer y = rect.Top; y < rect.Bottom; ++y)
      for (Integer x = rect.Left; x < rect.Right; ++x)
        EXPECT_EQ(pixels[static_cast<size_t>(y * 8 + x)], c.expected(x - rect.Left, y - rect.Top)) << std::hex << x << "," << y;
    EXPECT_EQ(pixels[0], kUntouched);
  }
}

// A 6 x 6 border mask with borders of 3 whose corners hold key-colour staircases:
//   row 0: K K K . K K     (left corner: columns 0-2; right corner: columns 3-5)
//   row 1: K K . . . K
//   row 2: K . . . . .
TEST(MaskRegion, KeyColourCornersBecomeOnePixelRows) {
  std::vector<Cardinal> image(6 * 8, 0xFF808080u);
  const char* rows[] = {"KKK.KK", "KK...K", "K.....", "......", ".....K", "K...KK"};
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      if (rows[y][x] == 'K') image[static_cast<size_t>((y + 2) * 6 + x)] = kKeyPixel;
  TsMaskData mask;
  mask.R = TRect{0, 2, 6, 8};  // the image starts two rows down
  mask.ImageCount = 1;
  mask.WL = mask.WT = mask.WR = mask.WB = 3;
  const TsPixelView view{image.data(), 6, 8, 6};

  std::vector<TRect> rects;
  AddMaskRegionRects(rects, 40, mask, view, false, 10);
  const std::vector<TRect> top = {
      {0, 10, 3, 11}, {38, 10, 40, 11},  // row 0: left run 0-2, right run at columns 4-5 -> 38-39
      {0, 11, 2, 12}, {39, 11, 40, 12},  // row 1
      {0, 12, 1, 13},                    // row 2: nothing on the right
  };
  EXPECT_EQ(rects, top);

  rects.clear();
  AddMaskRegionRects(rects, 40, mask, view, true, 0);
  const std::vector<TRect> bottom = {{39, 1, 40, 2}, {0, 2, 1, 3}, {38, 2, 40, 3}};
  EXPECT_EQ(rects, bottom);

  rects.clear();
  AddMaskRegionRects(rects, 40, mask, TsPixelView{image.data(), 6, 4, 6}, false, 0);
  EXPECT_TRUE(rects.empty()) << "an image without the rows";
  AddMaskRegionRects(rects, 40, mask, TsPixelView{}, false, 0);
  EXPECT_TRUE(rects.empty());
}

}  // namespace
