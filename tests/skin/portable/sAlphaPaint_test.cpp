#include "skin/manager/sAlphaPaint.h"

#include <gtest/gtest.h>

#include "skin/manager/sGradient.h"
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
    TRect rect;
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

TEST(NinePart, UnevenBordersNeverFitWiderThanTheRect) {
  // A side too narrow to give up its half of the excess leaves the rest to the other side.
  const struct {
    SmallInt first, second;
    Integer size;
    Integer fitFirst, fitSecond;
  } cases[] = {
      {15, 1, 8, 8, 0},  // excess 8: 4 from each would leave 11 + 0
      {1, 15, 8, 0, 8},
      {15, 1, 0, 0, 0},
      {9, 2, 10, 9, 1},  // excess 1: the odd pixel from the second side
      {2, 9, 3, 0, 3},
  };
  for (const auto& c : cases) {
    TsMaskData m;
    m.WL = m.WT = c.first;
    m.WR = m.WB = c.second;
    const TsBorderWidths b = FitBorders(m, c.size, c.size);
    EXPECT_EQ(b.Left, c.fitFirst) << c.first << "/" << c.second << " in " << c.size;
    EXPECT_EQ(b.Right, c.fitSecond) << c.first << "/" << c.second << " in " << c.size;
    EXPECT_EQ(b.Top, c.fitFirst);
    EXPECT_EQ(b.Bottom, c.fitSecond);
    EXPECT_LE(b.Left + b.Right, c.size);
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

TEST(NinePart, TiledPartsMatchCopiesLaidTileByTileWhereverTheRectSits) {
  // The model: the border's parts copied one tile at a time, whole tiles while one ends before the
  // area's end, then the part's top-left corner cut to the rest.
  TestMask mask;
  mask.data.DrawFlags = mdPaintCentre;
  mask.image(6 + 3, 3) = kKeyPixel;  // a key pixel inside the centre of state 1
  for (const TRect& rect : {TRect{0, 0, 11, 9}, TRect{-3, -4, 9, 7}, TRect{2, 1, 17, 14}, TRect{1, 1, 5, 5}}) {
    Pixels painted(14, 12, Argb(0x80, 9, 9, 9));
    painted(3, 3) = 0;
    painted(5, 4) = Argb(0xFF, 200, 100, 50);
    Pixels model = painted;
    PaintSectionBorderMask(painted.view, rect, {}, mask.data, mask.image.view, 1);
    const TsBorderWidths b = FitBorders(mask.data, rect.Width(), rect.Height());
    const Integer sx = 6, innerW = rect.Width() - b.Left - b.Right, innerH = rect.Height() - b.Top - b.Bottom;
    auto lay = [&](const TRect& part, const TRect& area) {
      for (Integer y = area.Top; y < area.Bottom; y += part.Height())
        for (Integer x = area.Left; x < area.Right; x += part.Width()) {
          const Integer w = std::min(part.Width(), area.Right - x), h = std::min(part.Height(), area.Bottom - y);
          CopyMaskPartOverBackground(model.view, {x, y, x + w, y + h}, {part.Left, part.Top, part.Left + w, part.Top + h},
                                     6, {}, mask.image.view);
        }
    };
    auto corner = [&](const TRect& part, Integer x, Integer y) {
      CopyMaskPartOverBackground(model.view, {x, y, x + part.Width(), y + part.Height()}, part, 6, {}, mask.image.view);
    };
    const Integer right = rect.Right - b.Right, bottom = rect.Bottom - b.Bottom;
    corner({sx, 0, sx + b.Left, b.Top}, rect.Left, rect.Top);
    lay({sx, 2, sx + b.Left, 4}, {rect.Left, rect.Top + b.Top, rect.Left + b.Left, bottom});
    lay({sx + 2, 0, sx + 4, b.Top}, {rect.Left + b.Left, rect.Top, right, rect.Top + b.Top});
    corner({sx, 6 - b.Bottom, sx + b.Left, 6}, rect.Left, bottom);
    lay({sx + 2, 6 - b.Bottom, sx + 4, 6}, {rect.Left + b.Left, bottom, right, rect.Bottom});
    corner({sx + 6 - b.Right, 6 - b.Bottom, sx + 6, 6}, right, bottom);
    corner({sx + 6 - b.Right, 0, sx + 6, b.Top}, right, rect.Top);
    lay({sx + 6 - b.Right, 2, sx + 6, 4}, {right, rect.Top + b.Top, rect.Right, bottom});
    lay({sx + 2, 2, sx + 4, 4}, {rect.Left + b.Left, rect.Top + b.Top, rect.Left + b.Left + innerW, rect.Top + b.Top + innerH});
    EXPECT_EQ(painted.data, model.data) << rect.Left << "," << rect.Top << "," << rect.Right << "," << rect.Bottom;
  }
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
    TRect rect;
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

// ---- section backgrounds, textures and the parent's background in corners ----

// A skin of one master bitmap: the three-state border mask of TestMask at (0, 0), a 2 x 2 plain
// texture at (18, 0) and a one-state 3 x 3 texture with weight rows at (20, 0); one section, "PANEL".
struct TestSkin {
  TestSkin() : master(24, 12) {
    const TestMask border;
    for (Integer y = 0; y < 12; ++y)
      for (Integer x = 0; x < 18; ++x) master(x, y) = border.image(x, y);
    master(18, 0) = Argb(0xFF, 0, 0, 0), master(19, 0) = Argb(0xFF, 255, 255, 255);
    master(18, 1) = Argb(0xFF, 255, 255, 255), master(19, 1) = Argb(0xFF, 0, 0, 0);
    for (Integer y = 0; y < 3; ++y)
      for (Integer x = 0; x < 3; ++x) {
        master(20 + x, y) = x == 1 && y == 1 ? kKeyPixel : Argb(0xFF, 40, 80, 120);
        master(20 + x, 3 + y) = Argb(0, 64, 64, 64);
      }
    TsMaskData plain;
    plain.R = {18, 0, 20, 2};
    plain.ImageCount = 1;
    TsMaskData weighted;
    weighted.R = {20, 0, 23, 6};
    weighted.ImageCount = 1;
    weighted.MaskType = 1;
    masks = {border.data, plain, weighted};
    TsGeneralData panel;
    panel.ClassName = "PANEL";
    panel.Props[0].Color = 0x102030;  // pixel 0x302010
    panel.Props[1].Color = 0x0000FF;
    sections = {panel};
    skin.Sections = &sections;
    skin.Masks = &masks;
    skin.Master = master.view;
  }
  TsGenState& Normal() { return sections[0].Props[0]; }
  Pixels master;
  TsMaskArray masks;
  TsGeneralDataArray sections;
  TsSkinPixels skin;
};
enum { kBorderMask = 0, kPlainTexture = 1, kWeightedTexture = 2 };

TEST(SectionFill, PlainColourByTransparencyAndTheRectsFirstPixel) {
  const Cardinal kSection = Argb(0xFF, 0x30, 0x20, 0x10);
  const struct {
    const char* name;
    Integer transparency;
    Cardinal before;
    TRect rect;
    Integer color;
    Cardinal inside, outside;  // the pixel at (1, 1) and at (3, 2) afterwards
  } cases[] = {
      {"opaque", 0, Argb(0x40, 9, 9, 9), {0, 0, 3, 2}, clKeyColor, kSection, Argb(0x40, 9, 9, 9)},
      {"over nothing", 40, 0, {0, 0, 3, 2}, clKeyColor, Argb(153, 0x30, 0x20, 0x10), 0},
      // 60 percent of the way to the colour, alpha max(255, 153)
      {"toward the colour", 40, Argb(0xFF, 0, 0, 0), {0, 0, 3, 2}, clKeyColor, Argb(0xFF, 29, 19, 10), Argb(0xFF, 0, 0, 0)},
      {"alpha kept above", 40, Argb(0x20, 0, 0, 0), {0, 0, 3, 2}, clKeyColor, Argb(153, 29, 19, 10), Argb(0x20, 0, 0, 0)},
      {"invisible, part", 100, Argb(0x40, 9, 9, 9), {0, 0, 3, 2}, clKeyColor, Argb(0x40, 9, 9, 9), Argb(0x40, 9, 9, 9)},
      {"invisible, whole", 100, Argb(0x40, 9, 9, 9), {-1, -1, 9, 9}, clKeyColor, 0, 0},
      {"colour given", 100, Argb(0x40, 9, 9, 9), {0, 0, 3, 2}, 0x00FF00, Argb(0xFF, 0, 255, 0), Argb(0x40, 9, 9, 9)},
      {"empty rect", 0, 7, {2, 2, 2, 5}, clKeyColor, 7, 7},
  };
  for (const auto& c : cases) {
    TestSkin skin;
    skin.Normal().Transparency = c.transparency;
    // A gradient share is switched off by a given colour and ignored when invisible.
    skin.Normal().GradientPercent = c.transparency == 100 || c.color != clKeyColor ? 50 : 0;
    Pixels p(4, 3, c.before);
    FillSectionState(p.view, c.rect, skin.skin, 0, 0, c.color);
    EXPECT_EQ(p(1, 1), c.inside) << c.name;
    EXPECT_EQ(p(3, 2), c.outside) << c.name;
  }
  TestSkin skin;
  Pixels p(2, 2, 5);
  FillSectionState(p.view, {0, 0, 2, 2}, skin.skin, 1, 0, clKeyColor);  // no such section
  FillSectionState(p.view, {0, 0, 2, 2}, skin.skin, -1, 0, clKeyColor);
  EXPECT_EQ(p.data, Pixels(2, 2, 5).data);
  FillSectionState(p.view, {0, 0, 2, 2}, skin.skin, 0, 7, clKeyColor);  // states past hot are hot
  EXPECT_EQ(p(0, 0), Argb(0xFF, 255, 0, 0));
}

TEST(SectionFill, GradientAndTextureLayersByTheirPercentages) {
  TestSkin skin;
  TsGenState& s = skin.Normal();
  ParseGradientData("16777215;16777215;100;0;0;", s.GradientArray);  // white rows
  s.Color = 0;                                                        // mixed in: black

  // The gradient's 60 percent stays, black the rest: 0.6 * 255 = 153.
  s.GradientPercent = 60;
  Pixels a(3, 3, 7);
  FillSectionState(a.view, {0, 0, 3, 3}, skin.skin, 0, 0, clKeyColor);
  EXPECT_EQ(a(2, 2), Argb(0xFF, 153, 153, 153));

  // Texture 40 and gradient 60 in one pass: white + 102 * (texel - white) / 256, opaque; a
  // transparency of 50 gives alpha 128 (the rounded 255 * 0.5), not all or nothing.
  s.Texture = kPlainTexture;
  s.ImagePercent = 40;
  for (const auto& [transparency, alpha] : {std::pair{0, 255u}, std::pair{50, 128u}, std::pair{60, 102u}}) {
    s.Transparency = transparency;
    Pixels b(3, 3, 7);
    FillSectionState(b.view, {0, 0, 3, 3}, skin.skin, 0, 0, clKeyColor);
    EXPECT_EQ(b(0, 0), Argb(alpha, 153, 153, 153)) << transparency;  // black texel
    EXPECT_EQ(b(1, 0), Argb(alpha, 255, 255, 255)) << transparency;  // white texel
    EXPECT_EQ(b(2, 0), b(0, 0)) << transparency;                     // tiled from the rect's corner
  }
  s.Transparency = 0;

  // Texture alone at 50 percent: tiled, then half black.
  s.GradientPercent = 0;
  s.ImagePercent = 50;
  Pixels c(3, 3, 7);
  FillSectionState(c.view, {0, 0, 3, 3}, skin.skin, 0, 0, clKeyColor);
  EXPECT_EQ(c(1, 0), Argb(0xFF, 128, 128, 128));  // 127.5 to even
  EXPECT_EQ(c(0, 0), Argb(0xFF, 0, 0, 0));

  // An image share without a valid texture paints the plain colour instead of mixing old pixels.
  s.Texture = 99;
  Pixels d(3, 3, Argb(0xFF, 200, 200, 200));
  FillSectionState(d.view, {0, 0, 3, 3}, skin.skin, 0, 0, clKeyColor);
  EXPECT_EQ(d(1, 1), Argb(0xFF, 0, 0, 0));
}

TEST(SectionFill, PatternTexturesTileOverTheBackgroundOrLayWholeTilesOnly) {
  TestSkin skin;
  const TsMaskData& pattern = skin.masks[kWeightedTexture];
  // Mode 0: tiles over the whole rect, cut; the key-colour centre keeps what was there.
  Pixels a(5, 4, Argb(0xFF, 0, 0, 0));
  PaintPatternTexture(a.view, {0, 0, 5, 4}, {}, tmTile, pattern, skin.master.view);
  const Cardinal mixed = Argb(0xFF, 30, 60, 90);  // ((0 - 40) * 64 + 40 * 256) >> 8 = 30, ...
  EXPECT_EQ(a(0, 0), mixed);
  EXPECT_EQ(a(1, 1), Argb(0xFF, 0, 0, 0));  // the key colour
  EXPECT_EQ(a(4, 1), Argb(0xFF, 0, 0, 0));  // the key colour of the cut tile
  EXPECT_EQ(a(4, 3), mixed);
  // Mode 10: whole tiles only; the right column and bottom row come from the background bitmap.
  Pixels bg(10, 10);
  for (Integer y = 0; y < 10; ++y)
    for (Integer x = 0; x < 10; ++x) bg(x, y) = Argb(0xFF, static_cast<Cardinal>(x), static_cast<Cardinal>(y), 1);
  Pixels b(5, 4, 7);
  PaintPatternTexture(b.view, {0, 0, 5, 4}, TsBgPixels{bg.view, 2, 3, clKeyColor}, tmTileWhole, pattern, skin.master.view);
  EXPECT_EQ(b(2, 2), Argb(0xFF, 30, 60, 91));  // over 0x00000007: ((7 - 120) * 64 + 120 * 256) >> 8 = 91
  EXPECT_EQ(b(3, 0), Argb(0xFF, 5, 3, 1));  // right strip from the background at (3 + 2, 0 + 3)
  EXPECT_EQ(b(0, 3), Argb(0xFF, 2, 6, 1));  // bottom strip
  Pixels c(5, 4, 7);
  PaintPatternTexture(c.view, {0, 0, 5, 4}, TsBgPixels{{}, 0, 0, 0x0000FF}, tmTileWhole, pattern, skin.master.view);
  EXPECT_EQ(c(4, 1), Argb(0xFF, 255, 0, 0));
  // Other modes, and a texture without images, paint nothing.
  TsMaskData none = pattern;
  none.ImageCount = 0;
  Pixels d(5, 4, 7);
  PaintPatternTexture(d.view, {0, 0, 5, 4}, {}, tmTileTop, pattern, skin.master.view);
  PaintPatternTexture(d.view, {0, 0, 5, 4}, {}, tmTile, none, skin.master.view);
  EXPECT_EQ(d.data, Pixels(5, 4, 7).data);
}

TEST(SectionBackground, BorderCornersShowWhatTheRectHeldBeforeTheFill) {
  TestSkin skin;
  skin.sections[0].BorderMask = kBorderMask;
  Pixels p(10, 10, Argb(0xFF, 1, 2, 3));
  PaintSectionBackground(p.view, {1, 1, 9, 9}, skin.skin, 0, 1);
  EXPECT_EQ(p(1, 1), Argb(0xFF, 1, 2, 3));      // key corner pixel: the saved pixel
  EXPECT_EQ(p(2, 1), Argb(0xFF, 0, 200, 0));    // border of state 1
  EXPECT_EQ(p(4, 4), Argb(0xFF, 255, 0, 0));    // no centre flag: the hot fill
  EXPECT_EQ(p(0, 0), Argb(0xFF, 1, 2, 3));      // outside the rect
  EXPECT_EQ(p(8, 8), Argb(0xFF, 1, 2, 3));      // the bottom-right key corner
  // States past the section's count are its last; rects leaving the bitmap paint nothing.
  skin.sections[0].States = 1;
  Pixels q(8, 8, Argb(0xFF, 1, 2, 3));
  PaintSectionBackground(q.view, {0, 0, 8, 8}, skin.skin, 0, 2);
  EXPECT_EQ(q(1, 0), Argb(0xFF, 199, 0, 0));  // state 0's border, premultiplied: the rect is the bitmap
  EXPECT_EQ(q(3, 3), Argb(0xFF, 0x2F, 0x1F, 0x0F));
  for (const TRect& outside : {TRect{-1, 0, 8, 8}, TRect{0, 0, 9, 8}, TRect{2, 2, 2, 8}}) {
    Pixels r(8, 8, 5);
    PaintSectionBackground(r.view, outside, skin.skin, 0, 0);
    EXPECT_EQ(r.data, Pixels(8, 8, 5).data);
  }
}

TEST(SectionBackground, UnevenBordersStayInsideTheRectTheBitmapAndTheSavedCorners) {
  // A 20-pixel mask with borders 15 and 1 painted 8 pixels wide: every block is clipped to the rect, so
  // the bitmap (exactly the rect, or the rect at an offset) is neither read nor written past its end.
  // The sanitizers catch any overrun; the pixels show the top-left corner block filling the rect.
  Pixels image(20, 20);
  for (Integer y = 0; y < 20; ++y)
    for (Integer x = 0; x < 20; ++x) image(x, y) = Argb(0xFF, static_cast<Cardinal>(x), static_cast<Cardinal>(y), 9);
  image(0, 0) = kKeyPixel;
  TsMaskData border;
  border.R = {0, 0, 20, 20};
  border.ImageCount = 1;
  border.WL = border.WT = 15;
  border.WR = border.WB = 1;
  for (const SmallInt flags : {SmallInt{0}, SmallInt{mdStretch | mdPaintCentre}}) {
    border.DrawFlags = flags;
    TsMaskArray masks{border};
    TsGeneralData panel;
    panel.Props[0].Color = 0x102030;
    panel.BorderMask = 0;
    TsGeneralDataArray sections{panel};
    TsSkinPixels skin;
    skin.Sections = &sections;
    skin.Masks = &masks;
    skin.Master = image.view;
    for (const TRect& rect : {TRect{0, 0, 8, 8}, TRect{3, 2, 11, 10}, TRect{0, 0, 8, 3}}) {
      const Cardinal kBefore = Argb(0x80, 1, 2, 3);
      Pixels bitmap(rect.Right, rect.Bottom, kBefore);
      PaintSectionBackground(bitmap.view, rect, skin, 0, 0);
      // A rect that is the whole bitmap is premultiplied at the end (channel * alpha >> 8).
      const bool whole = rect.Left == 0 && rect.Top == 0;
      const auto expected = [whole](Cardinal a, Cardinal r, Cardinal g, Cardinal b) {
        return whole ? Argb(a, r * a >> 8, g * a >> 8, b * a >> 8) : Argb(a, r, g, b);
      };
      EXPECT_EQ(bitmap(rect.Left, rect.Top), expected(0x80, 1, 2, 3)) << flags << " " << rect.Right;  // the key pixel
      for (Integer y = rect.Top; y < rect.Bottom; ++y)
        for (Integer x = rect.Left; x < rect.Right; ++x) {
          if (x == rect.Left && y == rect.Top) continue;
          ASSERT_EQ(bitmap(x, y), expected(0xFF, static_cast<Cardinal>(x - rect.Left), static_cast<Cardinal>(y - rect.Top), 9))
                << flags << " " << rect.Right << " at " << x << "," << y;
        }
    }
  }
}

TEST(ParentBackground, KeyCornersOfTheCacheTakeTheParentsPixelsOrColour) {
  TestMask mask;
  mask.data.Flags = 1;
  Pixels parent(20, 20);
  for (Integer y = 0; y < 20; ++y)
    for (Integer x = 0; x < 20; ++x) parent(x, y) = Argb(0xFF, static_cast<Cardinal>(x), static_cast<Cardinal>(y), 7);
  const Cardinal kCache = Argb(0x80, 0x11, 0x22, 0x33);
  const struct {
    const char* name;
    Integer corners;
    std::vector<std::pair<Integer, Integer>> changed;  // cache places that take the background
  } cases[] = {
      {"all", pcTopLeft | pcBottomLeft | pcTopRight | pcBottomRight, {{0, 0}, {0, 5}, {7, 0}, {7, 5}}},
      {"top-left", pcTopLeft, {{0, 0}}},
      {"bottom-right", pcBottomRight, {{7, 5}}},
      {"none", 0, {}},
  };
  for (const auto& c : cases) {
    Pixels cache(8, 6, kCache);
    PaintParentBgCorners(cache.view, 8, 6, mask.data, mask.image.view, 1, c.corners, TsParentBg{parent.view, 3, 4, 0});
    Pixels expected(8, 6, kCache);
    for (const auto& [x, y] : c.changed) expected(x, y) = Argb(0x80, static_cast<Cardinal>(x + 3), static_cast<Cardinal>(y + 4), 7);
    EXPECT_EQ(cache.data, expected.data) << c.name;
  }
  // A mask whose corners hold no key colour (corner flag 0) changes nothing; neither do places
  // outside the parent's bitmap.
  Pixels cache(8, 6, kCache);
  TsMaskData flat = mask.data;
  flat.Flags = 0;
  PaintParentBgCorners(cache.view, 8, 6, flat, mask.image.view, 0, 15, TsParentBg{parent.view, 0, 0, 0});
  PaintParentBgCorners(cache.view, 8, 6, mask.data, mask.image.view, 0, pcTopLeft, TsParentBg{parent.view, -1, 0, 0});
  EXPECT_EQ(cache.data, Pixels(8, 6, kCache).data);
  // A colour answer: the alpha-half mask keeps the cache's alpha, the plain mask writes the colour whole
  // (alpha 0 for a colour value) and the key colour paints nothing.
  PaintParentBgCorners(cache.view, 8, 6, mask.data, mask.image.view, 0, pcTopLeft, TsParentBg{{}, 0, 0, 0x0000FF});
  EXPECT_EQ(cache(0, 0), Argb(0x80, 255, 0, 0));
  TsMaskData plain = mask.data;
  plain.MaskType = 0;
  plain.R = {0, 0, 18, 6};
  PaintParentBgCorners(cache.view, 8, 6, plain, mask.image.view, 0, pcTopRight, TsParentBg{{}, 0, 0, 0x0000FF});
  EXPECT_EQ(cache(7, 0), Argb(0, 255, 0, 0));
  PaintParentBgCorners(cache.view, 8, 6, plain, mask.image.view, 0, pcBottomLeft, TsParentBg{{}, 0, 0, clKeyColor});
  EXPECT_EQ(cache(0, 5), kCache);
  // The control smaller than the cache: the bottom and right corners sit at its size.
  Pixels wide(12, 9, kCache);
  PaintParentBgCorners(wide.view, 8, 6, mask.data, mask.image.view, 0, pcBottomRight, TsParentBg{parent.view, 0, 0, 0});
  EXPECT_EQ(wide(7, 5), Argb(0x80, 7, 5, 7));
  EXPECT_EQ(wide(11, 8), kCache);
}

TEST(Golden, SectionBackgroundsAndTextures) {
  TestSkin skin;
  skin.sections[0].BorderMask = kBorderMask;
  skin.masks[kBorderMask].DrawFlags = mdPaintCentre | mdStretch;
  TsGenState& s = skin.Normal();
  ParseGradientData("16777215;8421504;50;0;0;8421504;4227327;50;0;0;", s.GradientArray);
  Pixels p(48, 20, Argb(0xFF, 60, 90, 60));
  // Gradient 70 percent over a plain texture 30 (layered), with a border mask in state 0.
  s.Texture = kPlainTexture;
  s.ImagePercent = 30;
  s.GradientPercent = 50;
  PaintSectionBackground(p.view, {0, 0, 12, 12}, skin.skin, 0, 0);
  // Texture and gradient in one pass at transparency 30; then a pattern texture.
  s.GradientPercent = 70;
  s.Transparency = 30;
  FillSectionState(p.view, {12, 0, 20, 12}, skin.skin, 0, 0, clKeyColor);
  s.Transparency = 0;
  s.Texture = kWeightedTexture;
  s.ImagePercent = 100;
  s.GradientPercent = 0;
  FillSectionState(p.view, {20, 0, 28, 12}, skin.skin, 0, 0, clKeyColor);
  // The hot state's plain colour with the tiled border mask, state 2.
  skin.masks[kBorderMask].DrawFlags = mdPaintCentre;
  PaintSectionBackground(p.view, {28, 0, 38, 9}, skin.skin, 0, 2);
  // The texture modes that leave a part uncovered, filled with the colour.
  s.Texture = kPlainTexture;
  s.ImagePercent = 100;
  for (Integer mode = tmTileTop; mode <= tmTileRight; ++mode) {
    skin.masks[kPlainTexture].DrawFlags = static_cast<SmallInt>(mode);
    const Integer left = 38 + (mode - tmTileTop) % 3 * 3, top = (mode - tmTileTop) / 3 * 4 + 9;
    FillSectionState(p.view, {left, top, left + 3, top + 4}, skin.skin, 0, 0, clKeyColor);
  }
  // Transparency over what was there.
  s.Texture = -1;
  s.Transparency = 45;
  FillSectionState(p.view, {0, 12, 24, 20}, skin.skin, 0, 0, clKeyColor);
  ExpectMatchesGolden(p, "golden-sections.png");
}

TEST(Golden, ParentBackgroundInKeyCorners) {
  TestMask mask;
  mask.data.Flags = 1;
  Pixels parent(40, 20);
  for (Integer y = 0; y < 20; ++y)
    for (Integer x = 0; x < 40; ++x) parent(x, y) = Argb(0xFF, static_cast<Cardinal>(6 * x), static_cast<Cardinal>(12 * y), 160);
  Pixels p(30, 8, Argb(0xFF, 250, 250, 250));
  // The painted look of two controls, then their key corners from the parent.
  PaintMaskImage(p.view, {0, 0, 14, 8}, 1, mask.data, mask.image.view, {});
  PaintMaskImage(p.view, {15, 0, 30, 8}, 2, mask.data, mask.image.view, {});
  const TsPixelView left{p.view.Bits, 14, 8, p.view.Stride}, right{p.view.Bits + 15, 15, 8, p.view.Stride};
  PaintParentBgCorners(left, 14, 8, mask.data, mask.image.view, 1, 15, TsParentBg{parent.view, 2, 3, 0});
  TsMaskData plain = mask.data;
  plain.MaskType = 0;
  plain.R = {0, 0, 18, 6};
  PaintParentBgCorners(right, 15, 8, plain, mask.image.view, 2, 15, TsParentBg{{}, 0, 0, 0x00C0FF});
  ExpectMatchesGolden(p, "golden-parentbg.png");
}

}  // namespace
