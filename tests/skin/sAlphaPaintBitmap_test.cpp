#include <gtest/gtest.h>

#include <map>
#include <memory>
#include "skin/forms/sCommonData.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/SkinTestBitmaps.h"
#include "vcl/gui/Bitmap.h"

using namespace skintest;

namespace {

constexpr Cardinal kFill = 0x00112233u;

TEST(BitmapPixels, ViewsFollowTheScanLinesOfBottomUpBitmaps) {
  auto b = Filled(3, 4, 0);
  const TsPixelView v = PixelViewOf(*b);
  ASSERT_EQ(v.Width, 3);
  ASSERT_EQ(v.Height, 4);
  v.At(2, 3) = 0xAABBCCDDu;
  EXPECT_EQ(PixelOf(*b, 2, 3), 0xAABBCCDDu);
  FillBitmapRectArgb(v, {0, 0, 1, 1}, 0x0000FF, 0x80);
  EXPECT_EQ(PixelOf(*b, 0, 0), 0x80FF0000u);

  TBitmap grey;
  grey.SetPixelFormat(pf24bit);
  grey.SetSize(2, 2);
  EXPECT_TRUE(PixelViewOf(grey).IsEmpty());

  TskBgInfo info;
  info.Bitmap = b.get();
  info.IsBitmap = true;
  info.OffsetX = 5;
  EXPECT_EQ(BgPixelsOf(info).Bitmap.Bits, v.Bits);
  EXPECT_EQ(BgPixelsOf(info).OffsetX, 5);
  EXPECT_FALSE(BgPixelsOf(DefaultBgInfo).HasBitmap());
}

TEST(BitmapText, TextPixelsTakeTheColourOpaqueAndNothingOutsideTheRectChanges) {
  auto b = Filled(60, 30, kFill);
  const TRect rect{10, 5, 50, 25};
  DrawTextToBitmap(*b, u"HgW", 0x0000FF, DT_LEFT | DT_TOP | DT_SINGLELINE, rect);
  int changed = 0, pure = 0;
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 60; ++x) {
      const Cardinal p = PixelOf(*b, x, y);
      if (p == kFill) continue;
      ++changed;
      EXPECT_TRUE(rect.Contains(TPoint{x, y})) << x << "," << y;
      EXPECT_EQ(p >> 24, 0xFFu) << x << "," << y;
      if (p == 0xFFFF0000u) ++pure;
    }
  EXPECT_GT(changed, 10);
  EXPECT_GT(pure, 0);  // fully inked pixels are the text colour exactly
}

TEST(BitmapText, ContoursAreDrawnOnlyInTheColoursGiven) {
  const Integer white = 0xFFFFFF;
  auto count = [&](const TsTextColors& colors) {
    auto b = Filled(60, 30, 0xFF000000u);
    DrawContouredText(*b, u"HH", colors, DT_LEFT | DT_TOP | DT_SINGLELINE, TRect{10, 5, 50, 25});
    std::map<Cardinal, int> seen;
    for (Integer y = 0; y < 30; ++y)
      for (Integer x = 0; x < 60; ++x) ++seen[PixelOf(*b, x, y)];
    return seen;
  };
  auto plain = count(TsTextColors{white});
  EXPECT_GT(plain[0xFFFFFFFFu], 0);
  for (const auto& [pixel, n] : plain) {
    // Only black, white and the greys of anti-aliased edges.
    const Cardinal r = pixel >> 16 & 0xFF, g = pixel >> 8 & 0xFF, bl = pixel & 0xFF;
    EXPECT_TRUE(r == g && g == bl) << std::hex << pixel;
  }
  auto contoured = count(TsTextColors{white, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF});
  // The left contour (red) shows left of the H's stems, the bottom one (yellow) below them.
  EXPECT_GT(contoured[0xFFFF0000u], 0);
  EXPECT_GT(contoured[0xFFFFFF00u], 0);
  EXPECT_GT(contoured[0xFFFFFFFFu], 0);

  const TsGeneralData section = [] {
    TsGeneralData s;
    s.States = 1;
    s.Props[0].TextColor = 0x123456;
    s.Props[1].TextColor = 0x654321;
    s.Props[0].ContourTop = 7;
    return s;
  }();
  EXPECT_EQ(SectionTextColors(section, true).Text, 0x123456);  // one state: no hot colours
  EXPECT_EQ(SectionTextColors(section, true).ContourTop, 7);
  EXPECT_EQ(SectionTextColors(section, false).ContourLeft, -1);
}

}  // namespace
