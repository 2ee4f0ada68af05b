// TCanvas over a bitmap's DC: the drawing operations put the brush, pen and font where they belong,
// and a tool changed while selected takes effect at the next operation.
#include "vcl/gui/Canvas.h"

#include <gtest/gtest.h>

#include "vcl/gui/Bitmap.h"
#include "vcl/rtl/TextConv.h"

namespace {

struct CanvasFixture : ::testing::Test {
  TBitmap bitmap;
  TCanvas& canvas = bitmap.Canvas();
  void SetUp() override {
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(40, 30);
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(Rect(0, 0, 40, 30));
  }
  int CountColour(const TRect& r, TColor c) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += canvas.Pixels(x, y) == c ? 1 : 0;
    return n;
  }
};

}  // namespace

TEST_F(CanvasFixture, RectangleHasPenOutlineAndBrushInside) {
  canvas.Pen().SetColor(clRed);
  canvas.Brush().SetColor(clBlue);
  canvas.Rectangle(2, 2, 10, 8);
  EXPECT_EQ(canvas.Pixels(2, 2), clRed);
  EXPECT_EQ(canvas.Pixels(9, 7), clRed);
  EXPECT_EQ(canvas.Pixels(5, 5), clBlue);
  EXPECT_EQ(canvas.Pixels(10, 8), clWhite);
}

TEST_F(CanvasFixture, LinesFollowThePenPosition) {
  canvas.Pen().SetColor(clGreen);
  canvas.MoveTo(0, 20);
  canvas.LineTo(30, 20);
  EXPECT_EQ(canvas.PenPos(), Point(30, 20));
  EXPECT_EQ(canvas.Pixels(0, 20), clGreen);
  EXPECT_EQ(canvas.Pixels(29, 20), clGreen);
  EXPECT_EQ(canvas.Pixels(30, 20), clWhite);  // the end point is not drawn
  canvas.Pen().SetColor(clBlue);               // changed while selected
  canvas.LineTo(30, 25);
  EXPECT_EQ(canvas.Pixels(30, 22), clBlue);
}

TEST_F(CanvasFixture, ClearBrushLeavesTheBackground) {
  canvas.Brush().SetStyle(bsClear);
  canvas.Pen().SetColor(clBlack);
  canvas.Rectangle(0, 0, 20, 20);
  EXPECT_EQ(canvas.Pixels(10, 10), clWhite);
  EXPECT_EQ(canvas.Pixels(0, 10), clBlack);
  canvas.Brush().SetColor(clRed);  // a colour makes it solid again
  EXPECT_EQ(canvas.Brush().Style(), bsSolid);
}

TEST_F(CanvasFixture, TextIsDrawnInTheFontColourAndClippedByTextRect) {
  canvas.Font().SetColor(clRed);
  canvas.Font().SetHeight(-14);
  const AnsiString text = Utf8ToCp1250("Ő");
  canvas.Brush().SetStyle(bsClear);
  canvas.TextOut(2, 2, text);
  const TPoint extent = canvas.TextExtent(text);
  EXPECT_GT(extent.X, 0);
  EXPECT_GT(extent.Y, 10);
  EXPECT_GT(CountColour(Rect(2, 2, 2 + extent.X, 2 + extent.Y), clRed), 3);

  canvas.Font().SetColor(clBlue);
  canvas.Brush().SetColor(clYellow);
  canvas.TextRect(Rect(20, 0, 24, 30), 20, 2, "WWWW");
  EXPECT_EQ(canvas.Pixels(24, 10), clWhite);               // outside the clip rectangle
  EXPECT_GT(CountColour(Rect(20, 0, 24, 30), clYellow), 0);  // the opaque background
}

TEST(Canvas, WithoutDeviceContextRaises) {
  TCanvas canvas;
  EXPECT_THROW(canvas.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}

TEST(Canvas, CopyRectStretchesFromAnotherCanvas) {
  TBitmap a, b;
  a.SetPixelFormat(pf32bit);
  a.SetSize(2, 1);
  a.Canvas().SetPixels(0, 0, clRed);
  a.Canvas().SetPixels(1, 0, clBlue);
  b.SetPixelFormat(pf32bit);
  b.SetSize(4, 2);
  b.Canvas().CopyRect(Rect(0, 0, 4, 2), a.Canvas(), Rect(0, 0, 2, 1));
  EXPECT_EQ(b.Canvas().Pixels(1, 1), clRed);
  EXPECT_EQ(b.Canvas().Pixels(2, 0), clBlue);
}

TEST(Colors, SystemColoursResolveThroughTheSystemAndNamesRoundTrip) {
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<Cardinal>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(ColorToRGB(clWindowText), static_cast<Cardinal>(GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_EQ(ColorToRGB(clWhite), 0xFFFFFFu);
  EXPECT_EQ(static_cast<Cardinal>(clBtnFace), 0xFF00000Fu);
  TColor c = 0;
  EXPECT_TRUE(IdentToColor("CLBTNFACE", c));
  EXPECT_EQ(c, clBtnFace);
  EXPECT_TRUE(IdentToColor("clWhite", c));
  EXPECT_EQ(c, clWhite);
  EXPECT_FALSE(IdentToColor("clNoSuchColour", c));
}

TEST(Font, HandleFollowsPropertiesAndTakesAnExistingFont) {
  TFont font;
  int changes = 0;
  font.OnChange = [&](TObject*) { ++changes; };
  font.SetName("Tahoma");
  font.SetHeight(-20);
  font.SetStyle(TFontStyles{fsBold, fsItalic});
  EXPECT_EQ(changes, 2);  // the name was already Tahoma: height and style changed
  LOGFONTW lf{};
  ASSERT_NE(GetObjectW(font.Handle(), sizeof(lf), &lf), 0);
  EXPECT_EQ(lf.lfHeight, -20);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic);
  EXPECT_EQ(font.Size(), 20 * 72 / TFont::PixelsPerInch());

  TFont copy;
  copy.SetHandle(font.Handle());
  EXPECT_EQ(copy.Height(), -20);
  EXPECT_EQ(copy.Name(), "Tahoma");
  EXPECT_TRUE(copy.Style().Contains(fsBold));
}
