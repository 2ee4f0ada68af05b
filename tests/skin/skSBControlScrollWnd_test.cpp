// The adapter of a class-library scroll bar: the slider's length and place from the bar's data, the
// scroll data SBM_SETSCROLLINFO leaves (a range whose maximum lies below its minimum becomes 0 .. 0),
// the slider painted in its section where it lies and the parts' states under the mouse.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "AdapterFixture.h"
#include "skin/adapters/skSBControlScrollWnd.h"
#include "skin/forms/sCommonData.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/ScrollBar.h"

namespace {

using skintest::AdapterFixture;
using skintest::Ref;
using skintest::TSkinVariant;
using skintest::WindowPixel;

constexpr uint32_t kSlider = 0xFFD02080u;
constexpr Integer kTrack = 0x60A060;  // SCROLLBAR1H and 2H

TSkinVariant ScrollVariant() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 3;
  shape.WL = shape.WT = shape.WR = shape.WB = 1;
  shape.DrawMode = 5;
  TSkinVariant variant;
  variant.Set("SCROLLBAR1H", "COLOR", kTrack)
      .Set("SCROLLBAR2H", "COLOR", kTrack)
      .Set("SCROLLBAR1H", "TRANSPARENCY", 0)
      .Set("SCROLLBAR2H", "TRANSPARENCY", 0)
      .AddMask("SCROLLSLIDERH", "BORDERSMASK", shape, 6, 6, [](int, int, int) { return kSlider; });
  return variant;
}

class ControlScrollTest : public AdapterFixture {
 protected:
  TSkinVariant Variant() const override { return ScrollVariant(); }
  void SetUp() override {
    AdapterFixture::SetUp();
    if (HasFatalFailure()) return;
    bar_ = New<TScrollBar>(form_);
    bar_->SetParent(form_);
    bar_->SetBounds(20, 300, 240, 17);
    adapter_ = AdaptControl<TskSBWnd>(bar_);
  }
  void SetInfo(UINT mask, int min, int max, UINT page, int pos) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    info.nMin = min;
    info.nMax = max;
    info.nPage = page;
    info.nPos = pos;
    SendMessageW(bar_->Handle(), SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&info));
  }

  TScrollBar* bar_ = nullptr;
  TskSBWnd* adapter_ = nullptr;
};

TEST_F(ControlScrollTest, WithoutAPageTheSliderIs14LongAndPaintedWhereItLies) {
  bar_->SetParams(50, 0, 100);
  RedrawWindow(bar_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(adapter_->Scroll, (TskControlScroll{0, 100, 0, 50, 50})) << "read at creation and from the bar's updates";
  EXPECT_EQ(adapter_->SliderRect.Width(), 14);
  const TRect slider = adapter_->SliderRect;
  EXPECT_EQ(slider.Left + 7, adapter_->Bar1Rect.Right) << "the first track part ends at the slider's centre";
  EXPECT_EQ(WindowPixel(bar_->Handle(), slider.Left + 3, 8), Ref(kSlider));
  EXPECT_EQ(WindowPixel(bar_->Handle(), slider.Left - 3, 8), ColorToRGB(static_cast<TColor>(kTrack)));
  EXPECT_EQ(WindowPixel(bar_->Handle(), slider.Right + 3, 8), ColorToRGB(static_cast<TColor>(kTrack)));

  // A page takes its share of the track and centres a range no longer than the page.
  SetInfo(SIF_ALL, 0, 9, 10, 0);
  EXPECT_EQ(adapter_->SliderRect.Width(), 240 - 2 * GetSystemMetrics(SM_CXHSCROLL));
  EXPECT_EQ(adapter_->SliderRect.Left + adapter_->SliderRect.Width() / 2, 120);
}

TEST_F(ControlScrollTest, SetScrollInfoWithMaxBelowMinSetsBothToZero) {
  SetInfo(SIF_RANGE | SIF_POS, 10, 5, 0, 7);
  EXPECT_EQ(adapter_->Scroll.Min, 0);
  EXPECT_EQ(adapter_->Scroll.Max, 0);
  EXPECT_EQ(adapter_->Scroll.Pos, 0);
  EXPECT_EQ(adapter_->SliderRect.Left, GetSystemMetrics(SM_CXHSCROLL)) << "an empty range: after the first button";

  SetInfo(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 20, 95);
  EXPECT_EQ(adapter_->Scroll, (TskControlScroll{0, 100, 20, 81, 81}));
  EXPECT_EQ(adapter_->LockCount, 0) << "the adapter's own redraw switches do not count";
}

TEST_F(ControlScrollTest, MouseLeaveReturnsThePartsToNormal) {
  SendMessageW(bar_->Handle(), CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(adapter_->Bar1State, 1);
  EXPECT_EQ(adapter_->Bar2State, 1);
  SendMessageW(bar_->Handle(), CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(adapter_->Bar1State, 0);
  EXPECT_EQ(adapter_->SliderState, 0);
  // Redraw switches of the application are counted.
  SendMessageW(bar_->Handle(), WM_SETREDRAW, 0, 0);
  EXPECT_EQ(adapter_->LockCount, 1);
  SendMessageW(bar_->Handle(), WM_SETREDRAW, 1, 0);
  EXPECT_EQ(adapter_->LockCount, 0);
}

}  // namespace
