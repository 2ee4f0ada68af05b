#include "skin/manager/sAlphaPaint.h"

#include <gtest/gtest.h>

#include "skin/portable/PixelFixtures.h"
#include "vcl/rtl/Exceptions.h"

using namespace skintest;

namespace {

constexpr Integer kWhite = 0xFFFFFF;
constexpr Integer kBlack = 0;

TEST(PixelOrder, SwapsAndPixelAccess) {
  EXPECT_EQ(ByteSwap32(0x11223344u), 0x44332211u);
  for (Cardinal c : {0x00123456u, 0xFF0000FFu, 0x80FF00FFu}) EXPECT_EQ(SwapRedBlue(c), SwapRedBlueBytes(c));
  EXPECT_EQ(SwapRedBlue(0xAA112233u), 0xAA332211u);
  Pixels p(2, 2);
  SetBitmapPixel32(p.view, 1, 1, 0xDEADBEEFu);
  EXPECT_EQ(GetBitmapPixel32(p.view, 1, 1), 0xDEADBEEFu);
  EXPECT_THROW(GetBitmapPixel32(p.view, 2, 0), ERangeError);
  EXPECT_THROW(SetBitmapPixel32(p.view, 0, -1, 0), ERangeError);
}

TEST(KeyColour, MagentaOfAnyAlphaBecomesTheKeyPixelAndNothingElseChanges) {
  Pixels p(4, 1);
  p(0, 0) = 0xFFFF00FFu;
  p(1, 0) = 0x80FF00FFu;
  p(2, 0) = 0xFFFF01FFu;
  p(3, 0) = 0x00FF00FEu;
  NormalizeKeyPixels(p.view);
  EXPECT_EQ(p(0, 0), kKeyPixel);
  EXPECT_EQ(p(1, 0), kKeyPixel);
  EXPECT_EQ(p(2, 0), 0xFFFF01FFu);
  EXPECT_EQ(p(3, 0), 0x00FF00FEu);
}

TEST(Premultiply, ChannelsTimesAlphaOverTwoFiftySix) {
  const struct {
    Cardinal in, out;
  } cases[] = {
      {0x00FFFFFFu, 0},                 // white with alpha 0
      {0xFFFFFFFFu, 0xFFFEFEFEu},       // 255 becomes 254
      {0x80FF8040u, 0x807F4020u},
      {0x00FF00FFu, 0x00000000u},       // the key colour too
  };
  Pixels p(4, 1);
  for (int i = 0; i < 4; ++i) p(i, 0) = cases[i].in;
  PremultiplyBitmap(p.view);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(p(i, 0), cases[i].out) << i;
}

TEST(RectFills, ClippedAtEveryEdgeAndEmptyRectsPaintNothing) {
  const struct {
    TsRect rect;
    Integer painted;
  } cases[] = {
      {{-3, -3, 2, 2}, 4}, {{2, 2, 9, 9}, 4}, {{1, -1, 3, 9}, 8}, {{-9, 1, 9, 2}, 4},
      {{1, 1, 1, 3}, 0},   {{3, 3, 1, 1}, 0}, {{4, 0, 8, 4}, 0},
  };
  for (const auto& c : cases) {
    Pixels p(4, 4, 7);
    FillBitmapRectArgb(p.view, c.rect, 0x0000FF, 0x80);
    Integer count = 0;
    for (Cardinal v : p.data) {
      if (v == Argb(0x80, 255, 0, 0)) ++count;
      else ASSERT_EQ(v, 7u);
    }
    EXPECT_EQ(count, c.painted) << c.rect.Left << "," << c.rect.Top << "," << c.rect.Right << "," << c.rect.Bottom;
  }
}

TEST(RectFills, FrameStripsAndAlphaWithTheKeyKept) {
  Pixels p(5, 4, 0);
  FillRectFrame(p.view, {0, 0, 5, 4}, 1, kWhite, 1, 2, 1);
  const char* expected[] = {"#####", "#..##", "#..##", "#####"};
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 5; ++x) EXPECT_EQ(p(x, y) == 0xFFFFFFFFu, expected[y][x] == '#') << x << "," << y;

  Pixels q(3, 1);
  q(0, 0) = kKeyPixel;
  q(1, 0) = 0xFFFF00FFu;
  q(2, 0) = 0x00123456u;
  SetBitmapRectAlpha(q.view, {-1, 0, 9, 1}, 0x40, true);
  EXPECT_EQ(q(0, 0), kKeyPixel);
  EXPECT_EQ(q(1, 0), 0x40FF00FFu);
  EXPECT_EQ(q(2, 0), 0x40123456u);
}

TEST(ColourBlends, PercentMixesRoundToEvenAndKeepOrReplace) {
  Pixels p(3, 1, Argb(0x33, 0, 0, 0));
  BlendRectWithColor(p.view, {0, 0, 0, 0}, 50, kWhite);  // inclusive: one pixel
  EXPECT_EQ(p(0, 0), Argb(0x33, 128, 128, 128));          // 127.5 rounds to even
  EXPECT_EQ(p(1, 0), Argb(0x33, 0, 0, 0));
  BlendRectWithColor(p.view, {-5, -5, 99, 99}, 100, kWhite);
  EXPECT_EQ(p(1, 0), Argb(0x33, 0, 0, 0));
  BlendRectWithColor(p.view, {1, 0, 1, 0}, 0, 0x0000FF);
  EXPECT_EQ(p(1, 0), Argb(0x33, 255, 0, 0));

  Pixels q(2, 1, Argb(0x10, 100, 100, 100));
  BlendRectTowardColor(q.view, {0, 0, 1, 1}, kBlack, 0xC0, 0);
  EXPECT_EQ(q(0, 0), Argb(0xC0, 100, 100, 100));
  BlendRectTowardColor(q.view, {0, 0, 1, 1}, kBlack, 0xC0, 100);
  EXPECT_EQ(q(0, 0), Argb(0xC0, 0, 0, 0));
  BlendRectTowardColor(q.view, {1, 0, 2, 1}, kWhite, 0xFF, 25);
  EXPECT_EQ(q(1, 0), Argb(0xFF, 139, 139, 139));  // 100 + 38.75
}

TEST(BackgroundBlend, GreyFirstThenTheBackgroundBitmapOrColour) {
  Pixels bg(4, 4, Argb(0xFF, 200, 200, 200));
  Pixels p(2, 2, Argb(0xFF, 30, 60, 90));
  p(1, 1) = Argb(0xFF, 0, 0, 0);
  BlendWithBackground(p.view, bwGrayscale | bwBlend, 1, 1, TsBgPixels{bg.view, 1, 0, clKeyColor}, 0);
  EXPECT_EQ(p(0, 0), Argb(0xFF, 144, 144, 144));  // grey 60, then 200 + 0.4 * (60 - 200)
  Pixels q(1, 1, Argb(0x20, 0, 0, 0));
  BlendWithBackground(q.view, bwBlend, 0, 0, TsBgPixels{{}, 0, 0, clKeyColor}, 0x0000FF);
  EXPECT_EQ(q(0, 0), Argb(0x20, 128, 0, 0));  // the control's colour at 50 percent
}

// A mask of three 6 x 6 state images side by side with a weight row block below (mask type 1):
// borders of 2, a key-colour pixel in every outer corner, centre weights 128, border weights 0.
struct TestMask {
  TestMask() : image(18, 12) {
    const Cardinal colours[3] = {Argb(0xFF, 200, 0, 0), Argb(0xFF, 0, 200, 0), Argb(0xFF, 0, 0, 200)};
    for (Integer s = 0; s < 3; ++s)
      for (Integer y = 0; y < 6; ++y)
        for (Integer x = 0; x < 6; ++x) {
          const bool border = x < 2 || y < 2 || x >= 4 || y >= 6 - 2;
          const bool corner = (x == 0 || x == 5) && (y == 0 || y == 5);
          image(6 * s + x, y) = corner ? kKeyPixel : border ? colours[s] : Argb(0xFF, 255, 255, 255);
          image(6 * s + x, 6 + y) = border ? 0 : Argb(0, 128, 128, 128);
        }
    data.R = {0, 0, 18, 12};
    data.ImageCount = 3;
    data.MaskType = 1;
    data.WL = data.WT = data.WR = data.WB = 2;
  }
  Pixels image;
  TsMaskData data;
};

TEST(NinePart, BordersWiderThanTheRectLoseHalfTheExcessEachTheOddPixelOnTheRight) {
  TsMaskData m;
  m.WL = m.WR = 5;
  m.WT = 2;
  m.WB = 3;
  const struct {
    Integer width, height;
    TsBorderWidths expected;
  } cases[] = {
      {7, 5, {4, 2, 3, 3}},   // excess 3: 1 from the left, 2 from the right
      {10, 4, {5, 2, 5, 2}},  // excess 1 in height: from the bottom
      {1, 0, {1, 0, 0, 0}},   // excess 9 and 5
      {20, 9, {5, 2, 5, 3}},
  };
  for (const auto& c : cases) {
    const TsBorderWidths b = FitBorders(m, c.width, c.height);
    EXPECT_EQ(b.Left, c.expected.Left) << c.width;
    EXPECT_EQ(b.Top, c.expected.Top) << c.height;
    EXPECT_EQ(b.Right, c.expected.Right) << c.width;
    EXPECT_EQ(b.Bottom, c.expected.Bottom) << c.height;
  }
}

TEST(NinePart, TiledKeyPixelsGetAlphaZeroWhileCornersShowTheSavedBackground) {
  TestMask mask;
  mask.image(6 + 2, 0) = kKeyPixel;  // a key pixel in the top side of state 1
  Pixels saved(8, 8, Argb(0xFF, 1, 2, 3));
  Pixels target(8, 8, Argb(0xFF, 9, 9, 9));
  PaintSectionBorderMask(target.view, {0, 0, 8, 8}, TsBgPixels{saved.view, 0, 0, clKeyColor}, mask.data, mask.image.view, 1);
  EXPECT_EQ(target(0, 0), Argb(0xFF, 1, 2, 3));       // corner key pixel: the background
  EXPECT_EQ(target(1, 0), Argb(0xFF, 0, 200, 0));     // corner border pixel, weight 0
  EXPECT_EQ(target(2, 0) >> 24, 0u);                  // tiled side key pixel: alpha 0
  EXPECT_EQ(target(4, 0) >> 24, 0u);                  // the next tile starts over
  EXPECT_EQ(target(3, 0), Argb(0xFF, 0, 200, 0));
  EXPECT_EQ(target(3, 3), Argb(0xFF, 9, 9, 9));       // no centre without the flag
  mask.data.DrawFlags = mdPaintCentre;
  PaintSectionBorderMask(target.view, {0, 0, 8, 8}, {}, mask.data, mask.image.view, 1);
  EXPECT_EQ(target(3, 3), Argb(0xFF, 132, 132, 132));  // ((9 - 255) * 128 + 255 * 256) >> 8
}

TEST(NinePart, AMiddleHeightOfZeroLaysNoSideTilesButPaintsCornersAndTopAndBottom) {
  TestMask mask;
  mask.data.WT = mask.data.WB = 3;  // 3 + 3 = the state height
  Pixels target(8, 10, 7);
  PaintSectionBorderMask(target.view, {0, 0, 8, 10}, {}, mask.data, mask.image.view, 0);
  EXPECT_EQ(target(1, 1), Argb(0xFF, 200, 0, 0));  // corner
  EXPECT_EQ(target(3, 0), Argb(0xFF, 200, 0, 0));  // top side
  EXPECT_EQ(target(3, 9), Argb(0xFF, 200, 0, 0));  // bottom side
  EXPECT_EQ(target(0, 5), 7u);                     // left side: no tiles
  EXPECT_EQ(target(7, 5), 7u);
}

TEST(NinePart, GuardsPaintNothing) {
  TestMask mask;
  const struct {
    TsRect rect;
    SmallInt flags;
    Integer state;
  } cases[] = {{{0, 0, 1, 8}, 0, 0}, {{0, 0, 8, 1}, 0, 1}, {{0, 0, 8, 8}, mdSkipNormalState, 0}};
  for (const auto& c : cases) {
    mask.data.DrawFlags = c.flags;
    Pixels a(8, 8, 7), b(8, 8, 7);
    PaintSectionBorderMask(a.view, c.rect, {}, mask.data, mask.image.view, c.state);
    PaintMaskImage(b.view, c.rect, c.state, mask.data, mask.image.view, {});
    EXPECT_EQ(a.data, Pixels(8, 8, 7).data);
    EXPECT_EQ(b.data, Pixels(8, 8, 7).data);
  }
}

TEST(StretchOverBackground, TheTargetsAlphaBoundsHowMuchOfItSurvives) {
  // A 1 x 1 part with weight red 128 over the whole target.
  Pixels image(1, 2);
  Pixels target(2, 2);
  target(0, 0) = Argb(0, 0, 0, 0);
  target(1, 0) = Argb(0xFF, 255, 255, 255);
  for (Cardinal source : {Argb(0xFF, 255, 255, 255), Argb(0xFF, 0, 0, 0)}) {
    image(0, 0) = source;
    image(0, 1) = Argb(0, 128, 128, 128);
    Pixels t = target;
    StretchMaskPartOverBackground(t.view, {0, 0, 2, 2}, {0, 0, 1, 1}, image.view, 1, true);
    if (source == Argb(0xFF, 255, 255, 255)) {
      EXPECT_EQ(t(0, 0), Argb(127, 254, 254, 254));
    } else {
      EXPECT_EQ(t(1, 0), Argb(0xFF, 127, 127, 127));
    }
  }
  // Weight 0 fills with the image, 255 leaves the target; the same through a stretched 2 x 2 part.
  Pixels part(2, 4, Argb(0xFF, 10, 20, 30));
  for (Integer x = 0; x < 2; ++x) part(x, 2) = 0, part(x, 3) = Argb(0, 255, 255, 255);
  Pixels t(2, 8, Argb(0x80, 1, 1, 1));
  StretchMaskPartOverBackground(t.view, {0, 0, 2, 8}, {0, 0, 2, 2}, part.view, 2, false);
  EXPECT_EQ(t(0, 0), Argb(0xFF, 10, 20, 30));
  EXPECT_EQ(t(1, 7), Argb(0x80, 1, 1, 1));
}

TEST(Glyphs, AlphaHalfGlyphsBlendAndGrowTheTargetsAlpha) {
  TestMask mask;
  for (Integer mode : {1, 0}) {
    Pixels target(6, 6, Argb(0x40, 0, 0, 0));
    PaintMaskGlyph(target.view, 0, 0, 2, {}, mask.data, mask.image.view, mode);
    EXPECT_EQ(target(0, 0), Argb(0x40, 0, 0, 0));  // key pixel
    if (mode == 1) {
      EXPECT_EQ(target(1, 0), Argb(0xFE, 0, 0, 200));         // weight 0, alpha 64 + (255 - 64) * 255 >> 8
      EXPECT_EQ(target(2, 2), Argb(0x9E, 127, 127, 127));    // weight 128
    } else {
      EXPECT_EQ(target(1, 0), Argb(0xFE, 0, 0, 121));        // paler: weight 100
      EXPECT_EQ(target(2, 2), Argb(0x9E, 27, 27, 27));       // weight 228
    }
  }
}

TEST(MaskCopies, ThroughTheKeyColourOfTheTargetOrOfTheMask) {
  Pixels source(3, 1, Argb(0xFF, 5, 5, 5));
  Pixels target(3, 1, kKeyPixel);
  target(1, 0) = 0;
  CopyThroughMask(target.view, source.view, {0, 0, 3, 1}, 0, nullptr, {}, 0, 0);
  EXPECT_EQ(target(0, 0), Argb(0xFF, 5, 5, 5));
  EXPECT_EQ(target(1, 0), 0u);

  TestMask mask;
  Pixels tall(3, 2, Argb(0xFF, 5, 5, 5));
  Pixels t(2, 2, 0);
  CopyThroughMask(t.view, tall.view, {0, 0, 2, 2}, 17, &mask.data, mask.image.view, 0, 0);
  EXPECT_EQ(t(1, 1), Argb(0xFF, 5, 5, 5));  // the mask's bottom-right corner pixel is the key
  EXPECT_EQ(t(1, 0), 0u);
  EXPECT_EQ(t(0, 0), 0u);

  Pixels bg(4, 4, Argb(0xFF, 1, 2, 3));
  Pixels m(4, 4, 0);
  CopyMaskFromMaster(m.view, {0, 0, 4, 4}, {0, 0, 6, 6}, mask.data, mask.image.view, TsBgPixels{bg.view, 0, 0, 0});
  EXPECT_EQ(m(0, 0), Argb(0xFF, 1, 2, 3));
  EXPECT_EQ(m(1, 1), Argb(0xFF, 200, 0, 0));
  EXPECT_EQ(m(2, 2), Argb(0xFF, 127, 127, 127));  // ((0 - 255) * 128 + 255 * 256) >> 8
}

TEST(Helpers, Int32FillAndFolderTest) {
  Integer values[4] = {1, 2, 3, 4};
  FillInt32Array(values, 3, -7);
  FillInt32Array(values, -1, 9);
  EXPECT_EQ(values[2], -7);
  EXPECT_EQ(values[3], 4);
  EXPECT_TRUE(SkinFolderExists("."));
  EXPECT_FALSE(SkinFolderExists(""));
  EXPECT_FALSE(SkinFolderExists("no such folder here"));
}

// ---- golden images: one per routine family ----

TEST(Golden, FillsAndColourBlends) {
  Pixels p(24, 12, Argb(0xFF, 40, 80, 160));
  FillRectFrame(p.view, {1, 1, 23, 11}, 2, 0x00FFFF, 1, 3, 2);
  FillBitmapRectArgb(p.view, {4, 3, 12, 9}, 0x2080F0, 0x90);
  BlendRectWithColor(p.view, {10, 2, 16, 8}, 35, 0x00FF00);
  BlendRectTowardColor(p.view, {14, 5, 21, 10}, 0xFF00FF, 0xA0, 60);
  SetBitmapRectAlpha(p.view, {18, 0, 24, 4}, 0x30, false);
  PremultiplyRect(p.view, {0, 6, 24, 12});
  ExpectMatchesGolden(p, "golden-fills.png");
}

TEST(Golden, NinePartMasksTiledStretchedAndPlain) {
  TestMask mask;
  Pixels p(40, 16, Argb(0xFF, 60, 60, 60));
  const Pixels saved = p;
  const TsBgPixels bg{saved.view, 0, 0, clKeyColor};
  mask.data.DrawFlags = mdPaintCentre;
  PaintSectionBorderMask(p.view, {0, 0, 13, 16}, bg, mask.data, mask.image.view, 0);
  mask.data.DrawFlags = mdPaintCentre | mdStretch;
  PaintSectionBorderMask(p.view, {13, 0, 26, 9}, bg, mask.data, mask.image.view, 1);
  PaintMaskImage(p.view, {13, 9, 26, 16}, 2, mask.data, mask.image.view, bg);
  TsMaskData plain = mask.data;
  plain.MaskType = 0;
  plain.R = {0, 0, 18, 6};
  plain.DrawFlags = mdPaintCentre;
  PaintMaskImage(p.view, {26, 0, 40, 7}, 1, plain, mask.image.view, TsBgPixels{{}, 0, 0, 0x00FFFF});
  PaintSectionBorderMask(p.view, {27, 8, 33, 11}, bg, plain, mask.image.view, 2);  // borders wider than the rect
  ExpectMatchesGolden(p, "golden-ninepart.png");
}

TEST(Golden, GlyphsAndAlphaBlends) {
  TestMask mask;
  Pixels p(30, 10, Argb(0x80, 20, 40, 60));
  PaintMaskGlyph(p.view, -2, -1, 0, {}, mask.data, mask.image.view, 1);
  PaintMaskGlyph(p.view, 6, 2, 1, {}, mask.data, mask.image.view, 0);
  Pixels source(6, 4);
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 6; ++x) source(x, y) = Argb(static_cast<Cardinal>(40 * x + 30), 250, static_cast<Cardinal>(60 * y), 90);
  TsAlphaBlendOptions options;
  options.Reflection = true;
  BlendBitmapWithAlpha(p.view, {14, 1, 20, 5}, {0, 0, 6, 4}, source.view, options);
  BlendBitmapRect(p.view, source.view, 100, 22, 6, {0, 0, 6, 4});
  Pixels wide(8, 4);
  StretchBitmap(source.view, wide.view, sfMitchell);
  BlendBitmapRectKeyed(p.view, 21, 0, kKeyPixel, 0.25, {0, 0, 7, 3}, wide.view);
  ExpectMatchesGolden(p, "golden-glyphs.png");
}

}  // namespace
