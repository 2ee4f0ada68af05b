// The arithmetic of the control painters: the alpha given to images without any, mask border widths,
// where a tool button's glyph goes, which frame of a state strip shows, and the background band of a
// skinned border.
#include "skin/manager/sControlPaint.h"

#include <gtest/gtest.h>

#include "skin/portable/PixelFixtures.h"

using namespace skintest;

namespace {

TEST(MissingAlpha, PixelsOtherThanTheBottomLeftColourBecomeOpaque) {
  Pixels p(3, 2, 0x00102030u);
  p(0, 1) = 0x00FF00FFu;  // bottom-left: the transparent colour
  p(2, 0) = 0x00FF00FFu;
  p(1, 1) = 0x00000000u;
  AddMissingAlpha(p.view);
  EXPECT_EQ(p(0, 0), 0xFF102030u);
  EXPECT_EQ(p(1, 0), 0xFF102030u);
  EXPECT_EQ(p(2, 0), 0x00FF00FFu) << "the bottom-left colour stays transparent anywhere";
  EXPECT_EQ(p(0, 1), 0x00FF00FFu);
  EXPECT_EQ(p(1, 1), 0xFF000000u);
  EXPECT_EQ(p(2, 1), 0xFF102030u);
}

TEST(MissingAlpha, ImagesWithAnyAlphaAndEmptyImagesStayAsTheyAre) {
  Pixels p(2, 2, 0x00102030u);
  p(1, 0) = 0x01FFFFFFu;  // a single pixel with alpha
  const Pixels before = p;
  AddMissingAlpha(p.view);
  EXPECT_EQ(p.data, before.data);
  AddMissingAlpha(TsPixelView{});  // no pixels to read the transparent colour from
  Pixels empty(0, 0);
  AddMissingAlpha(empty.view);
}

TEST(MaskBorders, OwnWidthThenCommonWidthThenTheStateImage) {
  TsMaskData m;
  m.R = TRect{0, 0, 60, 20};
  m.ImageCount = 3;
  m.MaskType = 1;  // images over their weight rows: state images 20 x 10
  struct Case {
    const char* what;
    SmallInt common, wl, wt, wr, wb;
    TsBorderWidths expected;
  } cases[] = {
      {"state image", 0, 0, 0, 0, 0, {20, 10, 20, 10}},
      {"common width", 4, 0, 0, 0, 0, {4, 4, 4, 4}},
      {"own widths win", 4, 1, 0, 3, 2, {1, 4, 3, 2}},
      {"negative counts as none", -1, -2, 0, 0, 0, {20, 10, 20, 10}},
  };
  for (const Case& c : cases) {
    m.BorderWidth = c.common;
    m.WL = c.wl;
    m.WT = c.wt;
    m.WR = c.wr;
    m.WB = c.wb;
    const TsBorderWidths w = MaskBorderWidths(m);
    EXPECT_EQ((std::array{w.Left, w.Top, w.Right, w.Bottom}),
              (std::array{c.expected.Left, c.expected.Top, c.expected.Right, c.expected.Bottom}))
        << c.what;
  }
  TsMaskData uncounted;
  uncounted.R = TRect{0, 0, 8, 6};
  EXPECT_EQ(MaskBorderWidths(uncounted).Left, 8) << "the left width counts no image count as one image";
  EXPECT_EQ(MaskBorderWidths(uncounted).Right, 0);
  EXPECT_EQ(MaskBorderWidths(uncounted).Top, 6);
}

TEST(ToolButtonGlyph, PlacedByLayoutCaptionsDropDownAndPress) {
  struct Case {
    const char* what;
    TsToolGlyphLayout layout;
    TRect expected;
  } cases[] = {
      {"centred, plus one", {23, 22, 16, 16}, {4, 3, 20, 19}},
      {"pressed", {23, 22, 16, 16, false, false, 0, false, true}, {5, 4, 21, 20}},
      {"drop-down arrow", {36, 22, 16, 16, false, false, 0, true}, {3, 3, 19, 19}},
      {"captions under the image", {40, 40, 16, 16, false, true, 13}, {13, 4, 29, 20}},
      {"captions off ignore the text", {40, 40, 16, 16, false, false, 13}, {13, 12, 29, 28}},
      {"list layout", {80, 22, 16, 16, true, true, 13, true}, {5, 3, 21, 19}},
      {"list layout, pressed", {80, 22, 16, 16, true, false, 0, false, true}, {6, 4, 22, 20}},
  };
  for (const Case& c : cases) EXPECT_EQ(ToolButtonGlyphRect(c.layout), c.expected) << c.what;
}

TEST(GlyphFrames, StatesPickAFrameOfTheStrip) {
  struct Case {
    Integer width, count, state;
    Integer frameWidth, index;
  } cases[] = {
      {48, 3, 0, 16, 0}, {48, 3, 2, 16, 2}, {48, 3, 5, 16, 2},  // past the strip: the last frame
      {48, 1, 2, 48, 0}, {48, 0, 1, 48, 0},                      // a count of 0 counts as one frame
      {48, 3, -1, 16, 0},
  };
  for (const Case& c : cases) {
    const TsGlyphFrame f = GlyphFrame(c.width, c.count, c.state);
    EXPECT_EQ(f.Width, c.frameWidth) << c.width << "/" << c.count << " state " << c.state;
    EXPECT_EQ(f.Index, c.index) << c.width << "/" << c.count << " state " << c.state;
  }
}

TEST(BorderBand, FillsBetweenTheMaskAndTheBorderWidthAndTheInsideNeverInverts) {
  struct Case {
    const char* what;
    TRect rect;
    Integer borderWidth;
    TsBorderWidths mask;
    TsBorderWidths band;
  } cases[] = {
      {"wider than the mask", {0, 0, 40, 30}, 5, {2, 2, 3, 1}, {3, 3, 2, 4}},
      {"narrower than the mask", {0, 0, 40, 30}, 2, {3, 3, 3, 3}, {0, 0, 0, 0}},
      {"limited by the size less the opposite mask", {0, 0, 6, 30}, 5, {1, 0, 2, 0}, {3, 5, 3, 5}},
      {"no mask", {10, 10, 20, 20}, 2, {0, 0, 0, 0}, {2, 2, 2, 2}},
  };
  for (const Case& c : cases) {
    const TsBorderWidths b = BorderBandWidths(c.rect, c.borderWidth, c.mask);
    EXPECT_EQ((std::array{b.Left, b.Top, b.Right, b.Bottom}),
              (std::array{c.band.Left, c.band.Top, c.band.Right, c.band.Bottom}))
        << c.what;
  }
  EXPECT_EQ(ShrinkRect({10, 10, 40, 30}, {2, 3, 4, 5}), (TRect{12, 13, 36, 25}));
  const TRect squeezed = ShrinkRect({10, 10, 16, 16}, {5, 5, 5, 5});
  EXPECT_TRUE(squeezed.IsEmpty());
  EXPECT_GE(squeezed.Right, squeezed.Left);
  EXPECT_GE(squeezed.Bottom, squeezed.Top);
  EXPECT_GE(squeezed.Left, 10);
  EXPECT_LE(squeezed.Right, 16);
}

}  // namespace
