// The skinned frame on the screen, under Wine with the built-in skin: WM_NCPAINT copies the cache's
// frame strips to the window, and WM_NCACTIVATE switches them between the active and inactive look.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
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
  void MakeForm() {
    form_ = New<TForm>(nullptr);
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

}  // namespace
