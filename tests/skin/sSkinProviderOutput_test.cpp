// The skinned frame on the screen, under Wine with the built-in skin: WM_NCPAINT copies the cache's
// frame strips to the window, and WM_NCACTIVATE switches them between the active and inactive look.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Bitmap.h"

using namespace skintest;

namespace {

class OutputTest : public SkinFixture {
 protected:
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  void MakeForm(Integer maxWidth = 0) {
    form_ = New<TForm>(nullptr);
    form_->Constraints().SetMaxWidth(maxWidth);
    form_->SetBounds(40, 40, 300, 200);
    form_->SetCaption("Quillnote diary");
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
  }
  // The window's non-client pixel (0xRRGGBB) as its window DC shows it.
  Cardinal WindowPixel(Integer x, Integer y) const {
    const HDC dc = GetWindowDC(form_->Handle());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(form_->Handle(), dc);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  }
  static Cardinal CachePixel(TBitmap& cache, Integer x, Integer y) { return PixelOf(cache, x, y) & 0xFFFFFF; }
  // Points on each of the four strips: the title's middle, the left and right sides, the bottom.
  std::vector<TPoint> StripPoints(TBitmap& cache) const {
    const Integer w = cache.Width(), h = cache.Height();
    const Integer frame = GetSystemMetrics(SM_CXFRAME);
    return {{w / 2, 3}, {1, h / 2}, {w - 2, h / 2}, {w / 2, h - frame / 2 - 1}, {2, 2}};
  }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
};

TEST_F(OutputTest, NonClientPaintingShowsTheCachesFrameInTheWindowInBothStates) {
  MakeForm();
  ASSERT_TRUE(provider_->FormSkinned());
  for (const bool active : {true, false, true}) {
    SendMessageW(form_->Handle(), WM_NCACTIVATE, active ? TRUE : FALSE, 0);
    EXPECT_EQ(provider_->DrawnActive, active);
    ASSERT_TRUE(provider_->SkinData().CacheBitmap);
    EXPECT_FALSE(provider_->SkinData().BackgroundDirty);
    TBitmap& cache = *provider_->SkinData().CacheBitmap;
    ASSERT_EQ(cache.Width(), form_->Width());
    ASSERT_EQ(cache.Height(), form_->Height());
    for (const TPoint p : StripPoints(cache))
      EXPECT_EQ(WindowPixel(p.X, p.Y), CachePixel(cache, p.X, p.Y)) << (active ? "active " : "inactive ") << p.X << ","
                                                                     << p.Y;
  }
  // The two looks differ somewhere in the title (the built-in skin's states), so the test tells them apart.
  SendMessageW(form_->Handle(), WM_NCACTIVATE, FALSE, 0);
  const Cardinal inactive = WindowPixel(form_->Width() / 2, 3);
  SendMessageW(form_->Handle(), WM_NCACTIVATE, TRUE, 0);
  EXPECT_NE(WindowPixel(form_->Width() / 2, 3), inactive);
}

TEST_F(OutputTest, WithoutTheNonClientAreaTheSystemPaintsTheFrame) {
  MakeForm();
  provider_->SetDrawNonClientArea(false);
  provider_->SkinData().BackgroundDirty = true;
  SendMessageW(form_->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_TRUE(provider_->SkinData().BackgroundDirty);  // the frame was not painted into the cache
}

// Frame masks whose outermost corner pixels are the key colour: rounded corners of one pixel.
TSkinVariant RoundedCorners() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 2;
  shape.WL = shape.WT = shape.WR = shape.WB = 3;
  shape.DrawMode = 1;
  const auto rounded = [](int x, int y, int) {
    return (x == 0 || x == 7) && (y == 0 || y == 7) ? 0xFFFF00FFu : 0xFF405060u;
  };
  TSkinVariant variant;
  variant.AddMask("FORM", "BORDERSMASK", shape, 8, 8, rounded).AddMask("FORMTITLE", "BORDERSMASK", shape, 8, 8, rounded);
  return variant;
}

TEST_F(OutputTest, TheWindowRegionLeavesOutExactlyTheKeyColouredCornersOfTheFramesMasks) {
  LoadVariant(RoundedCorners());
  MakeForm();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(form_->Handle(), region), ERROR) << "no region after the first painting";
  // The masks' corner areas, pixel by pixel: out of the region exactly where the mask is the key colour.
  const TsSkinPixels pixels = SkinPixelsOf(*manager_);
  const TsMaskData& mask = manager_->ma[static_cast<size_t>(provider_->SkinData().BorderMaskIndex)];
  const TsPixelView image = pixels.ImageOf(mask);
  const Integer w = form_->Width(), h = form_->Height();
  const Integer stateW = MaskStateWidth(mask), stateH = MaskStateHeight(mask);
  int outside = 0;
  for (const bool right : {false, true})
    for (const bool bottom : {false, true})
      for (Integer y = 0; y < 3; ++y)
        for (Integer x = 0; x < 3; ++x) {
          const Integer mx = mask.R.Left + (right ? stateW - 3 + x : x);
          const Integer my = mask.R.Top + (bottom ? stateH - 3 + y : y);
          const Integer wx = right ? w - 3 + x : x, wy = bottom ? h - 3 + y : y;
          const bool key = (image.At(mx, my) & 0xFFFFFF) == 0xFF00FF;
          EXPECT_EQ(PtInRegion(region, wx, wy) == FALSE, key) << wx << "," << wy;
          outside += key ? 1 : 0;
        }
  EXPECT_EQ(outside, 4);
  EXPECT_TRUE(PtInRegion(region, w / 2, h / 2));
  DeleteObject(region);
}

TEST_F(OutputTest, AFormMaximizedWithoutSizeLimitsLosesTheSystemFrameAndOneWithALimitKeepsTheMasksShape) {
  LoadVariant(RoundedCorners());
  for (const Integer maxWidth : {0, 4000}) {
    SCOPED_TRACE(maxWidth);
    MakeForm(maxWidth);
    SendMessageW(form_->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);  // as the title's button does
    guitest::Pump();
    ASSERT_TRUE(IsZoomed(form_->Handle()));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(form_->Handle(), region), ERROR);
    const Integer f = GetSystemMetrics(SM_CXFRAME);
    const Integer w = form_->Width(), h = form_->Height();
    if (maxWidth == 0) {
      RECT box{};
      GetRgnBox(region, &box);
      EXPECT_EQ(box.left, f);
      EXPECT_EQ(box.top, f);
      EXPECT_EQ(box.right, w - f);
      EXPECT_EQ(box.bottom, h - f);
    } else {
      EXPECT_FALSE(PtInRegion(region, 0, 0));
      EXPECT_TRUE(PtInRegion(region, 1, 0));
      EXPECT_FALSE(PtInRegion(region, w - 1, h - 1));
    }
    DeleteObject(region);
    delete form_;
    form_ = nullptr;
  }
}

}  // namespace
