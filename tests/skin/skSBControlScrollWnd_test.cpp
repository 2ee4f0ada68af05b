// The adapter of a class-library scroll bar: the slider's length and place from the bar's data, the
// scroll data SBM_SETSCROLLINFO leaves (a range whose maximum lies below its minimum becomes 0 .. 0),
// the slider painted in its section where it lies, the parts' states under the mouse, presses that the
// system bar scrolls with while the adapter shows the pressed part, the slider dragged by the hit test
// and a range given to the window going back to the control.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
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

// The system bar follows a press in a message loop of its own until the button goes up: the test's
// look at the adapter runs from a timer inside that loop, which then releases the button.
std::function<void()> gDuringPress;
HWND gPressed = nullptr;
LPARAM gReleaseAt = 0;

void CALLBACK WhilePressed(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (gDuringPress) gDuringPress();
  PostMessageW(gPressed, WM_LBUTTONUP, 0, gReleaseAt);
}

// Presses (msg) at a client point with the cursor there, runs during() while the button is held.
void PressAt(HWND bar, POINT client, UINT msg, std::function<void()> during) {
  POINT screen = client;
  ClientToScreen(bar, &screen);
  SetCursorPos(screen.x, screen.y);
  gDuringPress = std::move(during);
  gPressed = bar;
  gReleaseAt = MAKELPARAM(client.x, client.y);
  const UINT_PTR timer = SetTimer(nullptr, 0, 1, WhilePressed);
  SendMessageW(bar, msg, MK_LBUTTON, gReleaseAt);
  KillTimer(nullptr, timer);
  gDuringPress = nullptr;
}

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

TEST_F(ControlScrollTest, APressShowsThePressedPartWhileTheSystemBarScrolls) {
  // A page of 10 over 0 .. 100 at 50: the slider is 20 long at 119 .. 139, where the system bar has its
  // thumb too.
  bar_->SetPageSize(10);
  bar_->SetPosition(50);
  ASSERT_EQ(adapter_->SliderRect.Left, 119);
  struct Case {
    int x;
    Integer code;
    Integer TskSBWnd::*pressed;
    Integer position;
  } cases[] = {
      {5, 0, &TskSBWnd::Btn1State, 49},
      {234, 1, &TskSBWnd::Btn2State, 51},
      {40, 2, &TskSBWnd::Bar1State, 40},
      {200, 3, &TskSBWnd::Bar2State, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    bar_->SetPosition(50);
    Integer codeSeen = -1, stateSeen = -1;
    bar_->OnChange = [&](TObject*) {
      if (codeSeen >= 0) return;
      codeSeen = adapter_->ScrollCode;
      stateSeen = adapter_->*c.pressed;
    };
    PressAt(bar_->Handle(), POINT{c.x, 8}, WM_LBUTTONDOWN, [] {});
    bar_->OnChange = nullptr;
    EXPECT_EQ(codeSeen, c.code);
    EXPECT_EQ(stateSeen, 2) << "pressed while held";
    EXPECT_EQ(bar_->Position(), c.position) << "the system bar's own scrolling";
    EXPECT_EQ(adapter_->ScrollCode, 8) << "released";
    EXPECT_NE(adapter_->*c.pressed, 2);
  }
  EXPECT_EQ(adapter_->Btn2State, 0);
  EXPECT_EQ(adapter_->LockCount, 0);
  EXPECT_TRUE(IsWindowVisible(bar_->Handle())) << "redraw is on again";
}

TEST_F(ControlScrollTest, TheHitTestMakesThePartUnderTheCursorHotAndDragsAPressedSlider) {
  bar_->SetPageSize(10);
  bar_->SetPosition(50);
  const HWND window = bar_->Handle();
  auto hitTest = [window](int x) {
    POINT p{x, 8};
    ClientToScreen(window, &p);
    SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
  };
  hitTest(234);
  EXPECT_EQ(adapter_->Btn2State, 1);
  EXPECT_EQ(adapter_->Btn1State, 0);
  EXPECT_EQ(adapter_->SliderState, 0);
  EXPECT_EQ(adapter_->Bar1State, 1) << "the bars stay hot under the mouse";
  hitTest(129);
  EXPECT_EQ(adapter_->SliderState, 1);
  EXPECT_EQ(adapter_->Btn2State, 0);

  // Pressed at its centre and moved 62 pixels right: 62 of the 186 free pixels are 30 of 91 places.
  Integer tracked = -1, position = -1, pressed = -1, sliderLeft = -1;
  PressAt(window, POINT{129, 8}, WM_LBUTTONDOWN, [&] {
    hitTest(129 + 62);
    tracked = adapter_->Scroll.TrackPos;
    position = bar_->Position();
    pressed = adapter_->SliderState;
    sliderLeft = adapter_->SliderRect.Left;
  });
  EXPECT_EQ(pressed, 2) << "the slider stays pressed as it moves";
  EXPECT_EQ(tracked, 80);
  EXPECT_EQ(position, 80) << "the control follows";
  EXPECT_EQ(sliderLeft, 119 + 62);
  EXPECT_FALSE(adapter_->BeginTrack);
  EXPECT_NE(adapter_->SliderState, 2);

  // Dragged past the end: the last place a page can start.
  PressAt(window, POINT{adapter_->SliderRect.Left + 10, 8}, WM_LBUTTONDOWN, [&] {
    hitTest(400);
    tracked = adapter_->Scroll.TrackPos;
  });
  EXPECT_EQ(tracked, 91);
}

TEST_F(ControlScrollTest, ADoubleClickIsPassedOnThenPressedAndReleasedAtTheCursor) {
  bar_->SetPosition(50);
  PressAt(bar_->Handle(), POINT{234, 8}, WM_LBUTTONDBLCLK, [] {});
  EXPECT_EQ(bar_->Position(), 51) << "the system bar's own handling";
  EXPECT_EQ(adapter_->Btn2State, 1) << "released over the button: hot";
  EXPECT_EQ(adapter_->ScrollCode, 8);
  EXPECT_EQ(adapter_->LockCount, 0);
}

TEST_F(ControlScrollTest, ARangeWithAPositionGivenToTheWindowGoesBackToTheControl) {
  int changes = 0;
  bar_->OnChange = [&](TObject*) { ++changes; };
  SetInfo(SIF_RANGE, 10, 20, 0, 0);
  EXPECT_EQ(bar_->Max(), 100) << "a range alone stays the window's";
  EXPECT_EQ(adapter_->Scroll.Max, 20);

  struct Case {
    UINT mask;
    int min, max;
    UINT page;
    int pos;
    TskControlScroll control;  // Min, Max, Page, Pos as the control has them after
  } cases[] = {
      {SIF_RANGE | SIF_POS, 10, 200, 0, 150, {10, 200, 0, 150, 150}},
      {SIF_ALL, 0, 40, 30, 35, {0, 40, 30, 11, 11}},
      {SIF_RANGE | SIF_PAGE | SIF_POS, 0, 10, 30, 5, {0, 10, 11, 0, 0}},
      {SIF_RANGE | SIF_POS, 9, 3, 0, 2, {0, 0, 1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.max);
    SetInfo(c.mask, c.min, c.max, c.page, c.pos);
    const TskControlScroll control{bar_->Min(), bar_->Max(), bar_->PageSize(), bar_->Position(), bar_->Position()};
    EXPECT_EQ(control, c.control);
    EXPECT_EQ(adapter_->Scroll, c.control) << "the adapter's copy agrees";
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(bar_->Handle(), SB_CTL, &info);
    EXPECT_EQ(info.nPos, c.control.Pos) << "the window shows the same";
  }
  EXPECT_EQ(changes, 3) << "each new position told once (the last range keeps 0)";
  bar_->OnChange = nullptr;
}

}  // namespace
