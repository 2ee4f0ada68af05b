// Gradients painted into bitmaps: 32-bit scan lines (stored bottom-up), other pixel formats through
// GDI, and the triangle mode through msimg32's GradientFill.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "skin/manager/sGradient.h"
#include "vcl/gui/Bitmap.h"

namespace {

struct Rgb {
  int r, g, b;
};

std::unique_ptr<TBitmap> NewBitmap(TPixelFormat format, Integer width, Integer height) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  return bitmap;
}

// Channels of a pixel of a 32-bit or 24-bit bitmap, row 0 at the top.
Rgb PixelAt(TBitmap& bitmap, Integer x, Integer y) {
  const int bytes = bitmap.PixelFormat() == pf24bit ? 3 : 4;
  const auto* p = static_cast<const Byte*>(bitmap.ScanLine(y)) + x * bytes;
  return Rgb{p[2], p[1], p[0]};
}

Byte AlphaAt(TBitmap& bitmap, Integer x, Integer y) { return static_cast<const Byte*>(bitmap.ScanLine(y))[x * 4 + 3]; }

void ExpectNear(const Rgb& actual, const Rgb& expected, int tolerance) {
  EXPECT_LE(std::abs(actual.r - expected.r), tolerance) << "red " << actual.r << " vs " << expected.r;
  EXPECT_LE(std::abs(actual.g - expected.g), tolerance) << "green " << actual.g << " vs " << expected.g;
  EXPECT_LE(std::abs(actual.b - expected.b), tolerance) << "blue " << actual.b << " vs " << expected.b;
}

TsGradArray Parse(std::string_view text) {
  TsGradArray g;
  ParseGradientData(text, g);
  return g;
}

TEST(GradientBitmap, VerticalStepsRunTopDownInEveryPixelFormat) {
  for (TPixelFormat format : {pf32bit, pf24bit}) {
    SCOPED_TRACE(format);
    auto bitmap = NewBitmap(format, 6, 10);
    // Red to blue over the rows 2..9 (8 rows: channel steps of 255 / 7).
    DrawGradient(*bitmap, TRect{1, 2, 5, 12}, Parse("255;16711680;100;0;0;"));
    ExpectNear(PixelAt(*bitmap, 1, 2), Rgb{255, 0, 0}, 0);
    ExpectNear(PixelAt(*bitmap, 4, 3), Rgb{219, 0, 36}, 0);
    ExpectNear(PixelAt(*bitmap, 2, 9), Rgb{0, 0, 255}, 0);
    ExpectNear(PixelAt(*bitmap, 0, 5), Rgb{255, 255, 255}, 0);  // outside the rectangle: untouched white
    ExpectNear(PixelAt(*bitmap, 3, 1), Rgb{255, 255, 255}, 0);
    if (format == pf32bit) {
      EXPECT_EQ(AlphaAt(*bitmap, 1, 2), 255);
    }
  }
}

TEST(GradientBitmap, HorizontalRowsAreCopiesOfTheFirst) {
  auto bitmap = NewBitmap(pf32bit, 9, 3);
  DrawGradient(*bitmap, TRect{0, 0, 9, 3}, Parse("0;16777215;100;1;0;"));
  for (Integer y = 0; y < 3; ++y) {
    ExpectNear(PixelAt(*bitmap, 0, y), Rgb{0, 0, 0}, 0);
    ExpectNear(PixelAt(*bitmap, 4, y), Rgb{128, 128, 128}, 0);  // 127.5 rounds to even
    ExpectNear(PixelAt(*bitmap, 8, y), Rgb{255, 255, 255}, 0);
  }
}

TEST(GradientBitmap, TrianglesTakeTheCornerAndCentreColours) {
  ASSERT_TRUE(GradientFillAvailable());
  auto bitmap = NewBitmap(pf32bit, 41, 41);
  // Top-left red, centre green, top-right blue, bottom-right white, bottom-left black.
  DrawGradient(*bitmap, TRect{0, 0, 41, 41},
               Parse("255;0;20;2;0;65280;0;20;2;0;16711680;0;20;2;0;16777215;0;20;2;0;0;0;20;2;0;"));
  // The vertices lie on the rectangle's corners and edges: the nearest pixels differ by a step or two.
  ExpectNear(PixelAt(*bitmap, 0, 0), Rgb{255, 0, 0}, 16);
  ExpectNear(PixelAt(*bitmap, 20, 20), Rgb{0, 255, 0}, 16);
  ExpectNear(PixelAt(*bitmap, 40, 0), Rgb{0, 0, 255}, 16);
  ExpectNear(PixelAt(*bitmap, 40, 40), Rgb{255, 255, 255}, 16);
  ExpectNear(PixelAt(*bitmap, 0, 40), Rgb{0, 0, 0}, 16);

  // One step: every vertex repeats its colour, so the whole rectangle is that colour.
  auto plain = NewBitmap(pf32bit, 8, 8);
  DrawGradient(*plain, TRect{2, 2, 6, 6}, Parse("3368652;0;100;2;0;"));  // 0x3366CC: red 0xCC
  ExpectNear(PixelAt(*plain, 2, 2), Rgb{0xCC, 0x66, 0x33}, 0);
  ExpectNear(PixelAt(*plain, 5, 5), Rgb{0xCC, 0x66, 0x33}, 0);
  ExpectNear(PixelAt(*plain, 1, 1), Rgb{255, 255, 255}, 0);
  ExpectNear(PixelAt(*plain, 6, 6), Rgb{255, 255, 255}, 0);
}

}  // namespace
