#include "skin/forms/sPixelRoutines.h"

#include <gtest/gtest.h>

#include <cmath>
#include "skin/portable/PixelFixtures.h"
#include "vcl/rtl/Exceptions.h"

using namespace skintest;

namespace {

// A source with a distinct value in every pixel, so that a misplaced copy shows.
Pixels Numbered(Integer w, Integer h) {
  Pixels p(w, h);
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) p(x, y) = Argb(0x80, static_cast<Cardinal>(10 + 20 * x), static_cast<Cardinal>(10 + 20 * y), 200);
  return p;
}

TEST(PixelBlend, BlendBitmapRectClipsAtEveryEdgeLikeAPixelByPixelModel) {
  const Pixels source = Numbered(4, 3);
  struct Case {
    Integer dx, dy;
    TRect sourceRect;
  } cases[] = {
      {0, 0, {0, 0, 4, 3}},    {-2, 0, {0, 0, 4, 3}},  {0, -2, {0, 0, 4, 3}},  {4, 3, {0, 0, 4, 3}},
      {5, 1, {0, 0, 4, 3}},    {1, 1, {-1, -1, 3, 2}}, {0, 0, {2, 1, 9, 9}},   {-9, -9, {0, 0, 4, 3}},
      {2, 2, {1, 1, 1, 3}},  // zero width
  };
  for (const Case& c : cases) {
    for (Integer factor : {0, 128, 255}) {
      Pixels dest(6, 5, Argb(0x11, 250, 0, 40));
      BlendBitmapRect(dest.view, source.view, factor, c.dx, c.dy, c.sourceRect);
      for (Integer y = 0; y < 5; ++y)
        for (Integer x = 0; x < 6; ++x) {
          // The model: target (x, y) takes source (x - dx + left, ...) when that lies in the rect and source.
          const Integer sx = x - c.dx + c.sourceRect.Left, sy = y - c.dy + c.sourceRect.Top;
          Cardinal expected = Argb(0x11, 250, 0, 40);
          if (sx >= std::max(c.sourceRect.Left, 0) && sx < std::min(c.sourceRect.Right, 4) &&
              sy >= std::max(c.sourceRect.Top, 0) && sy < std::min(c.sourceRect.Bottom, 3)) {
            expected = 0x11000000u;
            for (int ch = 0; ch < 3; ++ch) {
              const int s = source(sx, sy) >> (8 * ch) & 0xFF, d = Argb(0, 250, 0, 40) >> (8 * ch) & 0xFF;
              expected |= static_cast<Cardinal>(s + static_cast<int>(std::floor(factor * (d - s) / 256.0))) << (8 * ch);
            }
          }
          ASSERT_EQ(dest(x, y), expected) << "case at " << c.dx << "," << c.dy << " factor " << factor << " pixel "
                                          << x << "," << y;
        }
    }
  }
}

TEST(PixelBlend, WeightsZeroAndFullShowTheSourceOrNearlyKeepTheTarget) {
  Pixels source(1, 1, Argb(0xFF, 255, 255, 255));
  Pixels dest(1, 1, Argb(0x40, 0, 0, 0));
  BlendBitmapRect(dest.view, source.view, 0, 0, 0, {0, 0, 1, 1});
  EXPECT_EQ(dest(0, 0), Argb(0x40, 255, 255, 255));
  dest(0, 0) = Argb(0x40, 0, 100, 200);
  BlendBitmapRect(dest.view, source.view, 255, 0, 0, {0, 0, 1, 1});
  EXPECT_EQ(dest(0, 0), Argb(0x40, 0, 100, 200));  // d + (s - d) / 256, truncated toward the target
}

TEST(PixelBlend, KeyedBlendSkipsKeyPixelsIncludesTheRectsEdgesAndRoundsToEven) {
  Pixels source(2, 2, Argb(0xFF, 100, 100, 100));
  source(1, 1) = kKeyPixel;
  Pixels dest(3, 3, Argb(0x20, 201, 0, 0));
  BlendBitmapRectKeyed(dest.view, 1, 1, kKeyPixel, 0.5, {0, 0, 1, 1}, source.view);
  EXPECT_EQ(dest(0, 0), Argb(0x20, 201, 0, 0));
  EXPECT_EQ(dest(1, 1), Argb(0x20, 150, 50, 50));  // 150.5 rounds to 150, 50 exact
  EXPECT_EQ(dest(2, 1), Argb(0x20, 150, 50, 50));
  EXPECT_EQ(dest(2, 2), Argb(0x20, 201, 0, 0));    // the key pixel
}

TEST(PixelColour, MixesAndGreyLeaveTheKeyColourAlone) {
  Pixels p(2, 1, Argb(0x80, 200, 100, 0));
  p(1, 0) = kKeyPixel;
  MixBitmapWithColor(p.view, 0x0000FF /* red */, 0.5);
  EXPECT_EQ(p(0, 0), Argb(0x80, 228, 50, 0));  // 227.5 rounds to even
  EXPECT_EQ(p(1, 0), kKeyPixel);
  GrayscaleBitmap(p.view);
  EXPECT_EQ(p(0, 0), Argb(0x80, 92, 92, 92));
  EXPECT_EQ(BlendColors(0x7F000000 | 0x0000FF, 0xFF0000, 0.5), 0x7F000000 | 0x800080);
}

TEST(PixelColour, ShadowAlphaCorrectionRaisesColouredTranslucentPixelsOnly) {
  Pixels p(4, 1, Argb(0x80, 64, 32, 16));
  p(1, 0) = Argb(0x80, 90, 90, 90);   // grey: no spread, unchanged
  p(2, 0) = Argb(0xFF, 64, 32, 16);   // opaque: unchanged
  p(3, 0) = Argb(0x00, 255, 0, 0);    // d 255: alpha 0 + 510 / 1
  CorrectShadowAlpha(p.view);
  // d = 48: 128 + 254 / sqrt(255 / 48) = 238.2; each channel less a sixteenth.
  EXPECT_EQ(p(0, 0), Argb(238, 60, 30, 15));
  EXPECT_EQ(p(1, 0), Argb(0x80, 90, 90, 90));
  EXPECT_EQ(p(2, 0), Argb(0xFF, 64, 32, 16));
  EXPECT_EQ(p(3, 0), Argb(255, 240, 0, 0));
}

TEST(MaskPixels, WeightRowsChooseBetweenImageAndTargetAndKeyPixelsFollowTheBackground) {
  // Image row on top, weight row below it (alpha offset 1): weights 0, 255, 128 and a key pixel.
  Pixels mask(4, 2);
  for (Integer x = 0; x < 4; ++x) mask(x, 0) = Argb(0xFF, 0, 0, 200);
  mask(3, 0) = kKeyPixel;
  mask(0, 1) = 0;
  mask(1, 1) = Argb(0, 255, 255, 255);
  mask(2, 1) = Argb(0, 128, 128, 128);
  Pixels background(4, 1, Argb(0x10, 1, 2, 3));
  struct Case {
    bool keyFromBackground;
    bool withBitmap;
    Cardinal key;    // what the key pixel's place ends with
    Cardinal alpha;  // of the written pixels
  } cases[] = {
      {true, true, Argb(0xFF, 1, 2, 3), 0xFF},
      {true, false, Argb(0, 0, 255, 0), 0x40},  // the background colour written whole
      {false, false, Argb(0x40, 100, 100, 100), 0x40},
  };
  for (const Case& c : cases) {
    Pixels dest(4, 1, Argb(0x40, 100, 100, 100));
    TsBgPixels bg;
    if (c.withBitmap) bg.Bitmap = background.view;
    bg.Color = 0x00FF00;
    CopyMaskRectPixels(dest.view, 0, 0, {0, 0, 4, 1}, 1, c.keyFromBackground, bg, mask.view);
    EXPECT_EQ(dest(0, 0), Argb(c.alpha, 0, 0, 200));
    EXPECT_EQ(dest(1, 0), Argb(c.alpha, 99, 99, 100));  // weight 255 nearly keeps the target
    EXPECT_EQ(dest(2, 0), Argb(c.alpha, 50, 50, 150));
    EXPECT_EQ(dest(3, 0), c.key);
  }
}

TEST(Glyphs, GlyphCopyLeavesKeyPixelsAndPixelsOutsideTheTarget) {
  Pixels glyph = Numbered(3, 3);
  glyph(1, 1) = kKeyPixel;
  Pixels dest(3, 3, 7);
  BlendGlyphRect(dest.view, glyph.view, -1, 1, clKeyColor, {0, 0, 2, 2});
  EXPECT_EQ(dest(0, 0), 7u);
  EXPECT_EQ(dest(0, 1), glyph(1, 0));
  EXPECT_EQ(dest(0, 2), 7u);  // the key pixel
  EXPECT_EQ(dest(1, 2), glyph(2, 1));
  EXPECT_EQ(dest(2, 1), 7u);
}

TEST(AlphaBlend, EachPixelByItsAlphaAndAMirrorFadingBelow) {
  Pixels source(2, 4, Argb(0x80, 255, 255, 255));
  source(0, 3) = Argb(0xFF, 0, 0, 255);
  source(1, 3) = kKeyPixel;
  Pixels dest(2, 8, Argb(0x40, 0, 0, 0));
  TsAlphaBlendOptions options;
  options.Reflection = true;
  BlendBitmapWithAlpha(dest.view, {0, 0, 2, 4}, {0, 0, 2, 4}, source.view, options);
  EXPECT_EQ(dest(0, 0), Argb(0x80, 127, 127, 127));
  EXPECT_EQ(dest(0, 3), Argb(0xFF, 0, 0, 254));
  // Two mirrored rows: the last source row first at weight 255 * 255 / 3 / 255 = 85.
  EXPECT_EQ(dest(0, 4), Argb(0x55, 0, 0, 84));
  EXPECT_EQ(dest(1, 4), Argb(0x40, 0, 0, 0));  // a key pixel is not mirrored
  EXPECT_EQ(dest(0, 5), Argb(0x40, 20, 20, 20));  // weight (255 - 127) * 128 / 3 / 255 = 21
  EXPECT_EQ(dest(0, 6), Argb(0x40, 0, 0, 0));
}

TEST(Stretch, RefusesTinySourcesCopiesEqualSizesAndInterpolates) {
  Pixels thin(1, 10);
  Pixels out(4, 4);
  try {
    StretchBitmap(thin.view, out.view, sfTriangle);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Source bitmap is too small");
  }
  const Pixels square = Numbered(3, 3);
  Pixels same(3, 3);
  StretchBitmap(square.view, same.view, sfMitchell);
  EXPECT_EQ(same.data, square.data);

  Pixels row(2, 2);
  row(0, 0) = row(0, 1) = Argb(0, 0, 0, 0);
  row(1, 0) = row(1, 1) = Argb(200, 100, 100, 100);
  Pixels wide(4, 2);
  StretchBitmap(row.view, wide.view, sfTriangle);
  const Cardinal expected[4] = {0, Argb(100, 50, 50, 50), Argb(200, 100, 100, 100), Argb(200, 100, 100, 100)};
  for (Integer x = 0; x < 4; ++x) {
    EXPECT_EQ(wide(x, 0), expected[x]) << x;
    EXPECT_EQ(wide(x, 1), expected[x]) << x;
  }
}

// Enlarging, the weights of every filter but the windowed sine add up to one. (The resampler does not
// normalise its weights, so shrinking darkens a little with some filters; the skin only enlarges
// with the filters it uses for mask parts, Mitchell and Hermite, or shrinks one direction.)
TEST(Stretch, EnlargingKeepsAFlatImageFlatWithinTwoUnits) {  // each pass truncates once
  Pixels flat(5, 4, Argb(255, 90, 90, 90));
  for (Integer filter = sfBox; filter <= sfMitchell; ++filter) {
    if (filter == sfLanczos) continue;
    for (auto [w, h] : {std::pair{9, 7}, std::pair{5, 9}, std::pair{12, 4}}) {
      Pixels out(w, h);
      StretchBitmap(flat.view, out.view, filter);
      for (Cardinal v : out.data) {
        for (int ch = 0; ch < 4; ++ch) {
          const int expected = ch == 3 ? 255 : 90;
          ASSERT_NEAR(static_cast<int>(v >> (8 * ch) & 0xFF), expected, 2) << "filter " << filter << " size " << w << "x" << h;
        }
      }
    }
  }
}

// The resampler as the filters are defined: weights rounded to 16.16 per input pixel, sums in 64 bits,
// a horizontal pass then a vertical one.
namespace reference {

double Weight(Integer filter, double x, double signedX) {
  const double pi = 3.14159265358979323846;
  switch (filter) {
    case sfBox: return x <= 0.5 && signedX != -0.5 ? 1 : 0;
    case sfTriangle: return x < 1 ? 1 - x : 0;
    case sfHermite: return x < 1 ? x * x * (2 * x - 3) + 1 : 0;
    case sfBell: return x < 0.5 ? 0.75 - x * x : x < 1.5 ? (x - 1.5) * (x - 1.5) / 2 : 0;
    case sfSpline: return x < 1 ? x * x * (x / 2 - 1) + 2.0 / 3 : x < 2 ? (2 - x) * (2 - x) * (2 - x) / 6 : 0;
    case sfLanczos: return x == 0 ? 1 : x < 3 ? std::sin(pi * x) * std::sin(x) / (pi * x * x) : 0;
    default:
      return x < 1 ? 7.0 / 6 * x * x * x - 2 * x * x + 8.0 / 9
                   : x < 2 ? -7.0 / 18 * x * x * x + 2 * x * x - 10.0 / 3 * x + 16.0 / 9 : 0;
  }
}

// One line of n input values (stride apart) resampled to m outputs, per channel.
std::vector<Cardinal> Line(const std::vector<Cardinal>& in, Integer m, Integer filter) {
  const Integer n = static_cast<Integer>(in.size());
  const double radii[] = {0.51, 1, 1, 1.5, 2, 3, 2};
  const double radius = radii[filter];
  const double scale = m < n ? static_cast<double>(m) / n : 1.0;
  std::vector<Cardinal> out(static_cast<size_t>(m));
  for (Integer i = 0; i < m; ++i) {
    const double centre = static_cast<double>(i) * n / m;
    Int64 sum[4] = {};
    for (Int64 j = static_cast<Int64>(std::floor(centre - radius / scale)); j <= static_cast<Int64>(std::ceil(centre + radius / scale)); ++j) {
      const double signedX = (centre - static_cast<double>(j)) * scale;
      if (std::fabs(signedX) >= radius) continue;
      const Int64 w = std::lrint(Weight(filter, std::fabs(signedX), signedX) * scale * 65536);
      const Int64 k = std::clamp<Int64>(j < 0 ? -j : j >= n ? 2 * Int64{n} - 1 - j : j, 0, n - 1);
      for (int c = 0; c < 4; ++c) sum[c] += w * ((in[static_cast<size_t>(k)] >> (8 * c)) & 0xFF);
    }
    Cardinal v = 0;
    for (int c = 0; c < 4; ++c) v |= static_cast<Cardinal>(std::clamp<Int64>(sum[c] >> 16, 0, 255)) << (8 * c);
    out[static_cast<size_t>(i)] = v;
  }
  return out;
}

Pixels Stretch(const Pixels& source, Integer w, Integer h, Integer filter) {
  Pixels across(w, source.view.Height);
  for (Integer y = 0; y < source.view.Height; ++y) {
    std::vector<Cardinal> in(source.data.begin() + y * source.view.Width, source.data.begin() + (y + 1) * source.view.Width);
    const auto out = Line(in, w, filter);
    for (Integer x = 0; x < w; ++x) across(x, y) = out[static_cast<size_t>(x)];
  }
  Pixels result(w, h);
  for (Integer x = 0; x < w; ++x) {
    std::vector<Cardinal> in;
    for (Integer y = 0; y < source.view.Height; ++y) in.push_back(across(x, y));
    const auto out = Line(in, h, filter);
    for (Integer y = 0; y < h; ++y) result(x, y) = out[static_cast<size_t>(y)];
  }
  return result;
}

}  // namespace reference

TEST(Stretch, EveryFilterMatchesTheDefinitionForNoiseAndForImagesOfEqualRows) {
  // Noise exercises the general sums (a tall one, reduced, the many-tap path); equal rows (and equal
  // row runs) take the resampler's shortcuts.
  Pixels noise(7, 5), banded(6, 9), tall(3, 150);
  unsigned seed = 12345;
  for (Cardinal& v : noise.data) v = seed = seed * 1103515245u + 12345u;
  for (Cardinal& v : tall.data) v = seed = seed * 1103515245u + 12345u;
  for (Integer y = 0; y < 9; ++y)
    for (Integer x = 0; x < 6; ++x) banded(x, y) = Argb(y < 4 ? 255u : 90u, 17u * static_cast<Cardinal>(x), y < 4 ? 250u : 3u, 128);
  const struct {
    Integer w, h;
  } sizes[] = {{15, 23}, {3, 2}, {7, 40}, {2, 9}, {40, 3}};
  for (const Pixels* source : {&noise, &banded, &tall})
    for (Integer filter = sfBox; filter <= sfMitchell; ++filter)
      for (const auto& size : sizes) {
        Pixels out(size.w, size.h);
        StretchBitmap(source->view, out.view, filter);
        EXPECT_EQ(out.data, reference::Stretch(*source, size.w, size.h, filter).data)
            << "filter " << filter << ", " << size.w << " x " << size.h << ", source " << source->view.Width << " x " << source->view.Height;
      }
}

// A part of a bordered stretch (a band of a large picture, a corner of it shifted into a small view) is
// pixel for pixel the whole stretch's, and nothing outside the part is written.
TEST(Stretch, ABorderedStretchWithinAPartEqualsTheWholeStretchThere) {
  Pixels source(7, 5);
  for (Integer y = 0; y < 5; ++y)
    for (Integer x = 0; x < 7; ++x) source(x, y) = Argb(static_cast<Cardinal>(x * 30), static_cast<Cardinal>(y * 40), 9, 1);
  const TRect sourceRect{0, 0, 7, 5}, borders{2, 1, 3, 2}, whole{0, 0, 23, 17};
  Pixels full(23, 17);
  StretchBordered(full.view, whole, source.view, sourceRect, borders, whole);
  const Cardinal untouched = 0x12345678u;
  for (const TRect part : {TRect{0, 0, 23, 3}, TRect{0, 3, 4, 14}, TRect{19, 3, 23, 14}, TRect{5, 6, 9, 8}}) {
    Pixels band(23, 17, untouched);
    StretchBordered(band.view, whole, source.view, sourceRect, borders, part);
    for (Integer y = 0; y < 17; ++y)
      for (Integer x = 0; x < 23; ++x) {
        const bool inside = x >= part.Left && x < part.Right && y >= part.Top && y < part.Bottom;
        ASSERT_EQ(band(x, y), inside ? full(x, y) : untouched) << x << "," << y;
      }
  }
  // The picture's pixels from (18, 12) on, in a 5 x 5 view of their own.
  Pixels corner(5, 5, untouched);
  StretchBordered(corner.view, TRect{-18, -12, 23 - 18, 17 - 12}, source.view, sourceRect, borders, TRect{0, 0, 5, 5});
  for (Integer y = 0; y < 5; ++y)
    for (Integer x = 0; x < 5; ++x) ASSERT_EQ(corner(x, y), full(18 + x, 12 + y)) << x << "," << y;
}

TEST(TextureModes, EachModeCoversItsBandAndReturnsWhatIsLeft) {
  // A 2 x 2 image: tiles are easy to see; 0x11 marks the untouched target.
  Pixels image(2, 2);
  image(0, 0) = 1, image(1, 0) = 2, image(0, 1) = 3, image(1, 1) = 4;
  const struct {
    Integer mode;
    TRect left;             // what the mode leaves uncovered (empty: nothing)
    const char* rows[4];     // the target afterwards, digits = image pixels, '.' untouched
  } cases[] = {
      {tmTile, {0, 0, -1, 0}, {"12121", "34343", "12121", "34343"}},
      {tmTileWhole, {0, 0, -1, 0}, {"12121", "34343", "12121", "34343"}},
      {tmStretch, {0, 0, -1, 0}, {"11122", "11122", "33344", "33344"}},
      {tmTileTop, {0, 2, 5, 4}, {"12121", "34343", ".....", "....."}},
      {tmTileLeft, {2, 0, 5, 4}, {"12...", "34...", "12...", "34..."}},
      {tmStretchTop, {0, 2, 5, 4}, {"11122", "33344", ".....", "....."}},
      {tmStretchLeft, {2, 0, 5, 4}, {"12...", "12...", "34...", "34..."}},
      {tmTileBottom, {0, 0, 5, 2}, {".....", ".....", "12121", "34343"}},
      {tmTileRight, {0, 0, 3, 4}, {"...12", "...34", "...12", "...34"}},
      {9, {0, 0, 5, 4}, {".....", ".....", ".....", "....."}},
  };
  for (const auto& c : cases) {
    Pixels target(7, 6, 0x11);
    const TRect left = DrawMaskOnCanvas(target.view, {1, 1, 6, 5}, image.view, {0, 0, 2, 2}, c.mode);
    const TRect expectedLeft = c.left.IsEmpty() ? c.left
                                                 : TRect{c.left.Left + 1, c.left.Top + 1, c.left.Right + 1, c.left.Bottom + 1};
    EXPECT_EQ(left, expectedLeft) << "mode " << c.mode;
    for (Integer y = 0; y < 6; ++y)
      for (Integer x = 0; x < 7; ++x) {
        const bool inside = x >= 1 && x < 6 && y >= 1 && y < 5;
        const char want = inside ? c.rows[y - 1][x - 1] : '.';
        EXPECT_EQ(target(x, y), want == '.' ? 0x11u : static_cast<Cardinal>(want - '0')) << "mode " << c.mode << " at " << x << "," << y;
      }
  }
  // Stretching reaches the bitmap's edges without passing them; an empty image leaves the whole rect.
  Pixels small(3, 3, 0x11);
  EXPECT_TRUE(DrawMaskOnCanvas(small.view, {-2, -2, 5, 5}, image.view, {0, 0, 2, 2}, tmStretch).IsEmpty());
  EXPECT_EQ(small(2, 2), 4u);
  EXPECT_EQ(DrawMaskOnCanvas(small.view, {0, 0, 3, 3}, {}, {0, 0, 2, 2}, tmTile), (TRect{0, 0, 3, 3}));
}

// Per colour channel: s + floor(m * (d - s) / 256), the weighing of the mix loops.
Cardinal MixModel(Cardinal d, Cardinal s, Cardinal m) {
  Cardinal out = 0;
  for (int c = 0; c < 24; c += 8) {
    const int dc = d >> c & 0xFF, sc = s >> c & 0xFF, mc = m >> c & 0xFF;
    out |= static_cast<Cardinal>(sc + static_cast<int>(std::floor(mc * (dc - sc) / 256.0))) << c;
  }
  return out;
}

TEST(PixelMix, MaskedColourMixWeighsEachChannelByItsMaskByteAndLeavesKeyAndAlpha) {
  Pixels bitmap(4, 1);
  bitmap(0, 0) = Argb(0x40, 200, 100, 0);
  bitmap(1, 0) = kKeyPixel;
  bitmap(2, 0) = Argb(0x00, 10, 20, 250);
  bitmap(3, 0) = Argb(0xFF, 255, 255, 255);
  Pixels mask(4, 1);
  mask(0, 0) = Argb(0, 0, 128, 255);  // red weight 0 (the colour), green half, blue nearly the pixel
  mask(1, 0) = Argb(0, 0, 0, 0);
  mask(2, 0) = Argb(0x99, 64, 192, 1);
  mask(3, 0) = Argb(0, 255, 255, 255);
  const Pixels before = bitmap;
  const Integer color = 0x204080;  // red 0x80, green 0x40, blue 0x20
  const Cardinal c = Argb(0, 0x80, 0x40, 0x20);
  MixBitmapWithColorByMask(bitmap.view, mask.view, color);
  for (Integer x : {0, 2, 3})
    EXPECT_EQ(bitmap(x, 0), (before(x, 0) & 0xFF000000u) | MixModel(before(x, 0), c, mask(x, 0))) << x;
  EXPECT_EQ(bitmap(0, 0), Argb(0x40, 0x80, 82, 0));  // 64 + floor(128 * 36 / 256); 32 + floor(255 * -32 / 256)
  EXPECT_EQ(bitmap(1, 0), kKeyPixel) << "the key colour stays";

  Pixels other(3, 1);
  Pixels unchanged = bitmap;
  MixBitmapWithColorByMask(bitmap.view, other.view, color);
  EXPECT_EQ(bitmap.data, unchanged.data) << "a mask of another size does nothing";
}

TEST(PixelMix, TwoBitmapsMixByFactorOrMaskIntoTheDestinationsPlace) {
  Pixels a(3, 2), b(3, 2);
  for (Integer y = 0; y < 2; ++y)
    for (Integer x = 0; x < 3; ++x) {
      a(x, y) = Argb(0x11, static_cast<Cardinal>(250 - 40 * x), static_cast<Cardinal>(30 * y), 7);
      b(x, y) = Argb(0x22, static_cast<Cardinal>(10 + 50 * x), 200, static_cast<Cardinal>(90 * y));
    }
  struct Case {
    Integer factor;
    bool withMask;
  } cases[] = {{0, false}, {128, false}, {255, false}, {0, true}};
  Pixels mask(3, 2);
  for (size_t i = 0; i < mask.data.size(); ++i) mask.data[i] = Argb(0, static_cast<Cardinal>(40 * i), 255, 0);
  for (const Case& c : cases) {
    Pixels dest(2, 3, Argb(0x77, 1, 2, 3));  // narrower and taller than a and b
    MixTwoBitmaps(dest.view, a.view, b.view, c.factor, c.withMask ? &mask.view : nullptr);
    for (Integer y = 0; y < 3; ++y)
      for (Integer x = 0; x < 2; ++x) {
        Cardinal expected = Argb(0x77, 1, 2, 3);
        if (y < 2) {
          const Cardinal m = c.withMask ? mask(x, y) : static_cast<Cardinal>(c.factor) * 0x010101u;
          expected = 0x77000000u | MixModel(a(x, y), b(x, y), m);
        }
        ASSERT_EQ(dest(x, y), expected) << "factor " << c.factor << " mask " << c.withMask << " at " << x << "," << y;
      }
  }
  Pixels dest(3, 2, 5), small(2, 2);
  MixTwoBitmaps(dest.view, a.view, small.view, 100);
  MixTwoBitmaps(dest.view, a.view, b.view, 100, &small.view);
  EXPECT_EQ(dest.data, std::vector<Cardinal>(6, 5u)) << "sizes that differ mix nothing";
}

TEST(PixelMix, AByteChannelGoesOutAndComesBackAlone) {
  Pixels bitmap(3, 2);
  for (size_t i = 0; i < bitmap.data.size(); ++i)
    bitmap.data[i] = Argb(static_cast<Cardinal>(i), static_cast<Cardinal>(10 + i), static_cast<Cardinal>(20 + i),
                          static_cast<Cardinal>(30 + i));
  std::vector<Byte> store(2 * 4, 0xEE);  // 2 x 4: wider and lower than the bitmap
  const TsByteView bytes{store.data(), 4, 2, 4};
  CopyByteChannel(bitmap.view, bytes, 2, true);
  for (Integer y = 0; y < 2; ++y) {
    for (Integer x = 0; x < 3; ++x) EXPECT_EQ(bytes.At(x, y), (bitmap(x, y) >> 16) & 0xFF) << "red of " << x;
    EXPECT_EQ(bytes.At(3, y), 0xEE) << "outside the bitmap nothing is written";
  }
  const Pixels before = bitmap;
  CopyByteChannel(bitmap.view, bytes, 3, false);  // red into alpha
  for (Integer y = 0; y < 2; ++y)
    for (Integer x = 0; x < 3; ++x) EXPECT_EQ(bitmap(x, y), (before(x, y) & 0x00FFFFFFu) | (before(x, y) & 0xFF0000u) << 8);
  CopyByteChannel(bitmap.view, bytes, 4, false);
  CopyByteChannel(bitmap.view, bytes, -1, true);
  EXPECT_EQ(store[3], 0xEE) << "channels outside 0..3 copy nothing";
}

TEST(PixelMix, PutBitmapAtClipsSkipsTheKeyAndWritesOpaque) {
  Pixels source(3, 2);
  for (size_t i = 0; i < source.data.size(); ++i) source.data[i] = Argb(0x10, 0, static_cast<Cardinal>(40 * i), 9);
  source(1, 0) = Argb(0x00, 255, 0, 0);  // pure red as a pixel: the colour value 0x0000FF
  source(2, 1) = Argb(0x80, 0, 0, 255);  // pure blue: not the key, although 0xFF0000 as a pixel
  const Integer red = 0x0000FF;
  struct Case {
    Integer x, y;
  } cases[] = {{0, 0}, {-1, 0}, {0, -1}, {2, 1}, {3, 2}, {-5, 0}, {4, 4}};
  for (const Case& c : cases) {
    Pixels dest(4, 3, Argb(0x33, 1, 1, 1));
    PutBitmapAt(dest.view, source.view, c.x, red, c.y);
    for (Integer y = 0; y < 3; ++y)
      for (Integer x = 0; x < 4; ++x) {
        const Integer sx = x - c.x, sy = y - c.y;
        Cardinal expected = Argb(0x33, 1, 1, 1);
        if (sx >= 0 && sy >= 0 && sx < 3 && sy < 2 && !(sx == 1 && sy == 0)) expected = source(sx, sy) | 0xFF000000u;
        ASSERT_EQ(dest(x, y), expected) << "at " << c.x << "," << c.y << " pixel " << x << "," << y;
      }
  }
}

TEST(PixelMix, TransparentCopyBlendsByAlphaAndTakesTheBackgroundForKeyPixels) {
  Pixels source(3, 1);
  source(0, 0) = Argb(0x80, 200, 0, 100);
  source(1, 0) = kKeyPixel;
  source(2, 0) = Argb(0xFF, 10, 20, 30);
  Pixels back(6, 2);
  for (size_t i = 0; i < back.data.size(); ++i) back.data[i] = Argb(0x05, static_cast<Cardinal>(i), 50, 60);
  const Cardinal d0 = Argb(0x44, 100, 100, 100);
  struct Case {
    bool withBackground, keyFromBackground;
    Cardinal keyResult;
  } cases[] = {
      {false, false, d0},  // no background: the key pixel is blended by its alpha 0
      {true, false, d0},
      {true, true, back(1 + 1 + 2, 1) | 0xFF000000u},  // dest x 1 + 1 (rect) + offset 2, y 0 + 1
  };
  for (const Case& c : cases) {
    Pixels dest(4, 1, d0);
    TsBgPixels background;
    if (c.withBackground) background = TsBgPixels{back.view, 2, 1, 0};
    CopyBitmapRectTrans(dest.view, {1, 0, 9, 1}, {0, 0, 3, 1}, source.view, c.keyFromBackground, background);
    EXPECT_EQ(dest(0, 0), d0);
    EXPECT_EQ(dest(1, 0), Argb(0x44, 150, 50, 100)) << "d + floor((s - d) * 128 / 256), dest alpha kept";
    EXPECT_EQ(dest(2, 0), c.keyResult) << c.withBackground << c.keyFromBackground;
    EXPECT_EQ(dest(3, 0), Argb(0x44, 10, 20, 30)) << "alpha 255: 100 + floor(-90 * 255 / 256) is 10";
  }
  Pixels dest(2, 1, d0);
  CopyBitmapRectTrans(dest.view, {-1, 0, 1, 1}, {0, 0, 3, 1}, source.view, false, {});
  EXPECT_EQ(dest(0, 0), d0) << "a negative dest origin shifts the source: its key pixel (alpha 0) lands at 0";
  EXPECT_EQ(dest(1, 0), d0) << "the dest rect is one pixel wide after the shift";
}

TEST(GlowMask, BlurKeepsAConstantImageAndSpreadsAnImpulseSymmetrically) {
  for (Integer radius : {1, 3, 8}) {
    std::vector<Byte> flat(9 * 7, 137);
    BlurGray8(TsByteView{flat.data(), 9, 7, 9}, radius);
    EXPECT_EQ(flat, std::vector<Byte>(9 * 7, 137)) << "radius " << radius;

    const Integer n = 21, mid = 10;
    std::vector<Byte> image(static_cast<size_t>(n * n), 0);
    const TsByteView v{image.data(), n, n, n};
    v.At(mid, mid) = 255;
    BlurGray8(v, radius);
    EXPECT_LT(v.At(mid, mid), 255) << radius;
    EXPECT_GT(v.At(mid + 1, mid), 0) << "spreads, radius " << radius;
    for (Integer y = 0; y < n; ++y)
      for (Integer x = 0; x < n; ++x) {
        ASSERT_EQ(v.At(x, y), v.At(2 * mid - x, y)) << radius << " at " << x << "," << y;
        ASSERT_EQ(v.At(x, y), v.At(x, 2 * mid - y)) << radius << " at " << x << "," << y;
        if (x > mid) {
          ASSERT_LE(v.At(x, y), v.At(x - 1, y)) << "falls away from the centre";
        }
      }
  }
  std::vector<Byte> image{0, 255, 0};
  BlurGray8(TsByteView{image.data(), 3, 1, 3}, 0);
  EXPECT_EQ(image, (std::vector<Byte>{0, 255, 0})) << "radius 0 leaves the image";
  // Bottom-up storage (a negative stride) blurs the same columns.
  std::vector<Byte> up(5 * 5, 0), down(5 * 5, 0);
  up[2 * 5 + 2] = down[2 * 5 + 2] = 255;
  up[0 * 5 + 1] = down[4 * 5 + 1] = 200;
  BlurGray8(TsByteView{up.data(), 5, 5, 5}, 2);
  BlurGray8(TsByteView{down.data() + 4 * 5, 5, 5, -5}, 2);
  for (Integer y = 0; y < 5; ++y)
    for (Integer x = 0; x < 5; ++x) EXPECT_EQ(up[static_cast<size_t>(y * 5 + x)], down[static_cast<size_t>((4 - y) * 5 + x)]);
}

TEST(GlowMask, DarkMaskPixelsTakeTheGlowColourAndBecomeOpaque) {
  Pixels dest(3, 2, Argb(0x00, 0, 100, 255));
  std::vector<Byte> maskBytes{0, 128, 255, 255, 10, 0};
  const TsByteView mask{maskBytes.data(), 3, 2, 3};
  const Integer glow = 0x0000C8;  // red 200
  ApplyGlowMask(dest.view, mask, 1, 1, glow);  // the mask's right column and bottom row fall outside
  EXPECT_EQ(dest(0, 0), Argb(0x00, 0, 100, 255));
  EXPECT_EQ(dest(1, 1), Argb(0xFF, 200, 0, 0)) << "v 0: the glow colour, opaque";
  // v 128: 200 + 128 * (0 - 200) / 255 truncates toward zero to 100; 0 + 128 * 100 / 255 = 50;
  // 0 + 128 * 255 / 255 = 128; alpha 0 + 127 * 255 / 255 = 127.
  EXPECT_EQ(dest(2, 1), Argb(127, 100, 50, 128));
  EXPECT_EQ(dest(1, 0), Argb(0x00, 0, 100, 255));
}

}  // namespace
