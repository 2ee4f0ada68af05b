// Bitmap factories, DC fills and frames, and the bitmap-level painters, read back from 32-bit DIBs.
#include "skin/forms/sBitmapRoutines.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "skin/SkinTestBitmaps.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GraphicsObjects.h"

using namespace skintest;

namespace {

constexpr Cardinal kBack = 0x00101010u;
constexpr Integer kRedColor = 0x0000FF;
constexpr Cardinal kRedRgb = 0x00FF0000u;

Cardinal Rgb(TBitmap& b, Integer x, Integer y) { return PixelOf(b, x, y) & 0x00FFFFFFu; }

// Every pixel of the bitmap against a model of its place.
void ExpectPixels(TBitmap& bitmap, const std::function<Cardinal(Integer x, Integer y)>& model, const char* what) {
  GdiFlush();
  for (Integer y = 0; y < bitmap.Height(); ++y)
    for (Integer x = 0; x < bitmap.Width(); ++x)
      ASSERT_EQ(Rgb(bitmap, x, y), model(x, y)) << what << " at " << x << "," << y;
}

TEST(BitmapRoutines, FactoriesMakeThirtyTwoBitsOrTheSameFormat) {
  auto bmp = CreateBmp32(7, 5);
  EXPECT_EQ(bmp->PixelFormat(), pf32bit);
  EXPECT_EQ(bmp->Width(), 7);
  EXPECT_EQ(bmp->Height(), 5);
  TBitmap eight;
  eight.SetPixelFormat(pf8bit);
  eight.SetSize(3, 4);
  auto like = CreateBmpLike(eight);
  EXPECT_EQ(like->PixelFormat(), pf8bit);
  EXPECT_EQ(like->Width(), 3);
  EXPECT_EQ(like->Height(), 4);
}

TEST(BitmapRoutines, FillsAndFourBorderStripsCoverExactlyTheirPixels) {
  auto bmp = Filled(12, 10, kBack);
  HDC dc = bmp->Canvas().Handle();
  FillDCColor(dc, TRect{1, 1, 3, 4}, kRedColor);
  ExpectPixels(*bmp, [](Integer x, Integer y) { return x >= 1 && x < 3 && y >= 1 && y < 4 ? kRedRgb : kBack; }, "fill");
  // left 1, bottom 2, right 3, top 4 inside (2, 1)-(11, 9).
  auto frame = Filled(12, 10, kBack);
  FillDCBorders(frame->Canvas().Handle(), TRect{2, 1, 11, 9}, 1, kRedColor, 2, 3, 4);
  ExpectPixels(*frame, [](Integer x, Integer y) {
    const bool inside = x >= 2 && x < 11 && y >= 1 && y < 9;
    const bool centre = x >= 3 && x < 8 && y >= 5 && y < 7;
    return inside && !centre ? kRedRgb : kBack;
  }, "borders");
  // The DC's brush is its own again: a canvas fill after them paints in the canvas's colour.
  bmp->Canvas().Brush().SetColor(clLime);
  bmp->Canvas().FillRect(TRect{10, 8, 12, 10});
  EXPECT_EQ(Rgb(*bmp, 11, 9), 0x0000FF00u);
}

TEST(BitmapRoutines, FrameStripsCopyTheFrameAndLeaveTheInside) {
  auto source = Filled(10, 10, 0);
  for (Integer y = 0; y < 10; ++y)
    for (Integer x = 0; x < 10; ++x) static_cast<Cardinal*>(source->ScanLine(y))[x] = static_cast<Cardinal>(y * 16 + x + 1);
  auto dest = Filled(12, 12, kBack);
  CopyFrameStrips(dest->Canvas().Handle(), 3, 2, 6, 7, source->Canvas().Handle(), 1, 2, 2);
  ExpectPixels(*dest, [](Integer x, Integer y) -> Cardinal {
    const bool area = x >= 3 && x < 9 && y >= 2 && y < 9;
    const bool inside = x >= 5 && x < 7 && y >= 4 && y < 7;
    if (!area || inside) return kBack;
    return static_cast<Cardinal>((y - 2 + 2) * 16 + (x - 3 + 1) + 1);
  }, "frame");
}

TEST(BitmapRoutines, TwoColourFramesNestAndTheCountEndsAtZero) {
  auto bmp = Filled(8, 8, kBack);
  Integer count = 2;
  DrawTwoColorFrame(bmp->Canvas().Handle(), TRect{0, 0, 8, 8}, kRedColor, count, 0xFF0000);
  EXPECT_EQ(count, 0);
  GdiFlush();
  for (Integer i : {0, 1}) {
    EXPECT_EQ(Rgb(*bmp, 3, i), kRedRgb) << "top " << i;
    EXPECT_EQ(Rgb(*bmp, i, 3), kRedRgb) << "left " << i;
    EXPECT_EQ(Rgb(*bmp, 4, 7 - i), 0x000000FFu) << "bottom " << i;
    EXPECT_EQ(Rgb(*bmp, 7 - i, 4), 0x000000FFu) << "right " << i;
  }
  EXPECT_EQ(Rgb(*bmp, 2, 2), kBack);
  EXPECT_EQ(Rgb(*bmp, 5, 5), kBack);
}

TEST(BitmapRoutines, DottedFrameEveryThirdPixelWithItsNeighbour) {
  auto bmp = Filled(10, 7, kBack);
  DrawDottedFrame(bmp->Canvas(), TRect{0, 0, 10, 7}, kRedColor, 0xFF0000);
  GdiFlush();
  for (Integer x = 0; x < 10; ++x) {
    const Cardinal expected = x % 3 == 0 ? kRedRgb : x % 3 == 1 ? 0x000000FFu : kBack;
    EXPECT_EQ(Rgb(*bmp, x, 0), expected) << x;
    EXPECT_EQ(Rgb(*bmp, x, 6), expected) << x;
  }
  EXPECT_EQ(Rgb(*bmp, 0, 3), kRedRgb);
  EXPECT_EQ(Rgb(*bmp, 9, 4), 0x000000FFu);
  EXPECT_EQ(Rgb(*bmp, 5, 3), kBack);
}

TEST(BitmapRoutines, FontExtentOnTheScreen) {
  TFont font;
  font.SetName("Arial");
  font.SetHeight(-20);
  const TPoint one = FontTextExtent(font, "W");
  const TPoint two = FontTextExtent(font, "WW");
  EXPECT_GT(one.X, 0);
  EXPECT_GT(one.Y, 10);
  EXPECT_EQ(two.X, 2 * one.X);
  EXPECT_EQ(FontTextExtent(font, "").X, 0);
}

TEST(BitmapRoutines, PutBitmapAtReadsTwentyFourBitSourcesWithoutChangingThem) {
  TBitmap source;
  source.SetPixelFormat(pf24bit);
  source.SetSize(3, 2);
  source.Canvas().Brush().SetColor(static_cast<TColor>(0x00FF00));
  source.Canvas().FillRect(TRect{0, 0, 3, 2});
  source.Canvas().SetPixels(1, 1, static_cast<TColor>(kRedColor));  // the key
  auto dest = Filled(5, 4, kBack);
  PutBitmapAt(*dest, source, 1, kRedColor, 2);
  EXPECT_EQ(source.PixelFormat(), pf24bit);
  ExpectPixels(*dest, [](Integer x, Integer y) {
    const bool put = x >= 1 && x < 4 && y >= 2 && !(x == 2 && y == 3);
    return put ? 0x0000FF00u : kBack;
  }, "put");
  EXPECT_EQ(PixelOf(*dest, 1, 2) >> 24, 0xFFu) << "written opaque";
}

TEST(BitmapRoutines, GlyphsCopyTheirImageWithoutTheKeyAndGreyWhenDisabled) {
  // Two images of 2 x 2: green and blue; the bottom-left pixel of each is magenta (the key).
  auto glyph = Filled(4, 2, 0x0000FF00u);
  for (Integer x : {2, 3})
    for (Integer y : {0, 1}) static_cast<Cardinal*>(glyph->ScanLine(y))[x] = 0x000000FFu;
  static_cast<Cardinal*>(glyph->ScanLine(1))[0] = 0x00FF00FFu;
  static_cast<Cardinal*>(glyph->ScanLine(1))[2] = 0x00FF00FFu;
  struct Case {
    Integer kind, state;
    bool enabled;
    Cardinal colour;
  } cases[] = {{gkPlain, 0, true, 0x0000FF00u}, {gkSecond, 0, true, 0x000000FFu}, {gkByState, 0, true, 0x0000FF00u},
               {gkByState, 1, true, 0x000000FFu}, {gkSecond, 0, false, 0x0000FF00u}};
  for (const Case& c : cases) {
    auto dest = Filled(4, 4, kBack);
    DrawGlyphWithEffects(*glyph, *dest, TRect{1, 1, 3, 3}, c.state, 0, c.kind, 0, c.enabled, 2);
    ExpectPixels(*dest, [&](Integer x, Integer y) {
      if (x == 1 && y == 2) return kBack;  // the key pixel
      return x >= 1 && x < 3 && y >= 1 && y < 3 ? c.colour : kBack;
    }, "strip");
  }
  // One image, disabled with the grey effect: (0 + 255 + 0) / 3 = 85 in every channel.
  auto single = Filled(2, 2, 0x0000FF00u);
  static_cast<Cardinal*>(single->ScanLine(1))[0] = 0x00FF00FFu;
  auto dest = Filled(3, 3, kBack);
  DrawGlyphWithEffects(*single, *dest, TRect{0, 0, 2, 2}, 0, 0, gkPlain, geGray, false, 1);
  ExpectPixels(*dest, [](Integer x, Integer y) {
    if (x == 0 && y == 1) return kBack;
    return x < 2 && y < 2 ? 0x00555555u : kBack;
  }, "grey");
}

TEST(BitmapRoutines, BorderedStretchKeepsTheCornersAndStretchesTheMiddle) {
  // A 3 x 3 source with borders 1: each of its nine pixels a colour of its own.
  auto source = Filled(3, 3, 0);
  for (Integer y = 0; y < 3; ++y)
    for (Integer x = 0; x < 3; ++x) static_cast<Cardinal*>(source->ScanLine(y))[x] = static_cast<Cardinal>(10 * y + x + 1);
  auto dest = Filled(7, 5, kBack);
  PaintBorderedStretch(*dest, TRect{0, 0, 7, 5}, *source, TRect{0, 0, 3, 3}, TsBorderWidths{1, 1, 1, 1});
  ExpectPixels(*dest, [](Integer x, Integer y) {
    const Integer sx = x == 0 ? 0 : x == 6 ? 2 : 1, sy = y == 0 ? 0 : y == 4 ? 2 : 1;
    return static_cast<Cardinal>(10 * sy + sx + 1);
  }, "stretch");
}

TEST(BitmapRoutines, ScrollArrowsPointTheirWayAndLeaveTheRestExactly) {
  for (TsArrowDirection direction : {adUp, adDown, adLeft, adRight}) {
    auto bmp = Filled(20, 20, 0x00808080u);
    DrawScrollArrow(*bmp, TRect{2, 2, 18, 18}, direction, kRedColor);
    GdiFlush();
    int red = 0, other = 0;
    int rows[20] = {}, columns[20] = {};
    for (Integer y = 0; y < 20; ++y)
      for (Integer x = 0; x < 20; ++x) {
        const Cardinal p = Rgb(*bmp, x, y);
        if (p == kRedRgb) {
          ++red;
          ++rows[y];
          ++columns[x];
        } else if (p != 0x00808080u) {
          ++other;
        }
      }
    ASSERT_GT(red, 5) << direction;
    EXPECT_EQ(other, 0) << "pixels outside the arrow stay as they were";
    // The tip is the narrow end: the first and last non-empty rows (columns) compared.
    const bool vertical = direction == adUp || direction == adDown;
    const int* line = vertical ? rows : columns;
    int first = 0, last = 19;
    while (line[first] == 0) ++first;
    while (line[last] == 0) --last;
    const bool tipFirst = direction == adUp || direction == adLeft;
    EXPECT_LT(tipFirst ? line[first] : line[last], tipFirst ? line[last] : line[first]) << direction;
  }
}

}  // namespace
