// The adapter of a class-library tool bar: it paints through the bar's custom-draw events (and lets go
// of them), the button under the mouse turns hot on a mouse move, and a drop-down button shows its
// arrow strip a scroll bar's width less 2 wide; marked and indeterminate buttons look pressed (the
// indeterminate one faded), the bar's edges and its printed picture come from its section, and a
// child's background request is answered in the bar's client coordinates.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "AdapterFixture.h"
#include "skin/adapters/skSBToolBarVCLWnd.h"
#include "skin/forms/sCommonData.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/Menus.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/gui/UtilWindow.h"
#include "vcl/gui/ToolBar.h"

namespace {

using skintest::AdapterFixture;
using skintest::ClientPixel;
using skintest::Ref;
using skintest::TSkinVariant;
using skintest::WindowPixel;

constexpr uint32_t kEdge = 0xFF404040u;
constexpr uint32_t kFace[3] = {0xFFB0D0F0u, 0xFFC8E8C8u, 0xFF4060A0u};
constexpr Integer kBarColor = 0x707070;  // TOOLBAR, grey: the same in either byte order
constexpr TColor kText = static_cast<TColor>(0x10F020);     // TOOLBUTTON's font
constexpr TColor kImage = static_cast<TColor>(0xE0A020);    // the buttons' image

TSkinVariant ToolVariant(int barTransparency = 0) {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 3;
  shape.WL = shape.WT = shape.WR = shape.WB = 1;
  shape.DrawMode = 5;
  TSkinVariant variant;
  variant.Set("TOOLBAR", "COLOR", kBarColor).Set("TOOLBAR", "TRANSPARENCY", barTransparency);
  variant.Set("TOOLBUTTON", "FONTCOLOR", static_cast<int>(kText));
  variant.AddMask("TOOLBUTTON", "BORDERSMASK", shape, 6, 6,
                  [](int x, int y, int state) { return x == 0 || y == 0 || x == 5 || y == 5 ? kEdge : kFace[state]; });
  return variant;
}

class ToolBarVCLTest : public AdapterFixture {
 protected:
  TSkinVariant Variant() const override { return ToolVariant(); }
  void SetUp() override {
    AdapterFixture::SetUp();
    if (HasFatalFailure()) return;
    bar_ = New<TToolBar>(form_);
    bar_->SetParent(form_);
    bar_->SetEdgeBorders(TEdgeBorders{});
    for (TToolButtonStyle style : {tbsButton, tbsDropDown, tbsButton}) {
      auto* button = New<TToolButton>(form_);
      button->SetStyle(style);
      button->SetParent(bar_);
    }
    bar_->SetButtonWidth(40);
    bar_->Buttons(2)->SetEnabled(false);
    adapter_ = AdaptControl<TskToolBarVCLWnd>(bar_);
    RedrawWindow(bar_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  RECT ItemRect(int i) const {
    RECT r{};
    SendMessageW(bar_->Handle(), TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return r;
  }

  TToolBar* bar_ = nullptr;
  TskToolBarVCLWnd* adapter_ = nullptr;
};

TEST_F(ToolBarVCLTest, ButtonsPaintedThroughTheCustomDrawEventsWhichGoWithTheAdapter) {
  EXPECT_EQ(adapter_->SkinData->SkinSection(), "TOOLBAR");
  ASSERT_TRUE(static_cast<bool>(bar_->OnAdvancedCustomDraw));
  ASSERT_TRUE(static_cast<bool>(bar_->OnAdvancedCustomDrawButton));
  const RECT r = ItemRect(0);
  EXPECT_EQ(ClientPixel(bar_->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2), Ref(kFace[0]));
  const RECT d = ItemRect(2);
  EXPECT_NE(ClientPixel(bar_->Handle(), (d.left + d.right) / 2, (d.top + d.bottom) / 2), Ref(kFace[0]))
      << "the disabled button is faded";
  FreeAdapter(adapters_.back());
  adapters_.pop_back();
  EXPECT_FALSE(static_cast<bool>(bar_->OnAdvancedCustomDraw));
  EXPECT_FALSE(static_cast<bool>(bar_->OnAdvancedCustomDrawButton));
}

TEST_F(ToolBarVCLTest, MouseMoveMakesTheButtonUnderItHotAndLeavingMakesItNormal) {
  const RECT r = ItemRect(0);
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  SendMessageW(bar_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
  EXPECT_EQ(adapter_->HotIndex(), 0);
  EXPECT_EQ(ClientPixel(bar_->Handle(), centre.x, centre.y), Ref(kFace[1]));
  const RECT disabled = ItemRect(2);
  SendMessageW(bar_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(disabled.left + 3, disabled.top + 3));
  EXPECT_EQ(adapter_->HotIndex(), 0) << "a disabled button does not take the hot place";
  SendMessageW(bar_->Handle(), CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(adapter_->HotIndex(), -1);
  EXPECT_EQ(ClientPixel(bar_->Handle(), centre.x, centre.y), Ref(kFace[0]));
}

TEST_F(ToolBarVCLTest, DropDownButtonHasAnArrowStripAScrollBarWideLessTwo) {
  const RECT r = ItemRect(1);
  const int a = GetSystemMetrics(SM_CXVSCROLL) - 2;
  const int y = r.top + 2;
  EXPECT_EQ(ClientPixel(bar_->Handle(), r.right - a, y), Ref(kEdge)) << "the strip's left edge";
  EXPECT_EQ(ClientPixel(bar_->Handle(), r.right - a - 1, y), Ref(kFace[0])) << "the button's face left of it";
  EXPECT_EQ(ClientPixel(bar_->Handle(), r.right - a + 1, y), Ref(kFace[0])) << "the strip's face";
  EXPECT_EQ(ClientPixel(bar_->Handle(), r.right - 1, y), Ref(kEdge));
}

TEST_F(ToolBarVCLTest, MarkedAndIndeterminateButtonsLookPressedTheIndeterminateOneFaded) {
  bar_->Buttons(0)->SetMarked(true);
  bar_->Buttons(2)->SetEnabled(true);
  bar_->Buttons(2)->SetIndeterminate(true);
  RedrawWindow(bar_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const RECT marked = ItemRect(0);
  EXPECT_EQ(ClientPixel(bar_->Handle(), (marked.left + marked.right) / 2, (marked.top + marked.bottom) / 2), Ref(kFace[2]));
  const RECT indeterminate = ItemRect(2);
  const COLORREF shown =
      ClientPixel(bar_->Handle(), (indeterminate.left + indeterminate.right) / 2, (indeterminate.top + indeterminate.bottom) / 2);
  EXPECT_NE(shown, Ref(kFace[2])) << "faded towards the bar";
  EXPECT_NE(shown, Ref(kFace[0]));
  EXPECT_NE(shown, static_cast<COLORREF>(kBarColor));
}

TEST_F(ToolBarVCLTest, EdgesAndThePrintedPictureComeFromTheBarsSection) {
  bar_->SetEdgeBorders(TEdgeBorders{ebLeft, ebTop});
  RedrawWindow(bar_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  RECT window{}, client{};
  GetWindowRect(bar_->Handle(), &window);
  GetClientRect(bar_->Handle(), &client);
  ASSERT_EQ(window.right - window.left - client.right, 2) << "two edge pixels at the left";
  EXPECT_EQ(WindowPixel(bar_->Handle(), 0, 0), static_cast<COLORREF>(kBarColor)) << "the section, not a 3-D edge";
  EXPECT_EQ(WindowPixel(bar_->Handle(), 1, 10), static_cast<COLORREF>(kBarColor));

  const int w = window.right - window.left, h = window.bottom - window.top;
  TBitmap picture;
  picture.SetPixelFormat(pf32bit);
  picture.SetSize(w, h);
  const HDC dc = picture.Canvas().Handle();
  SendMessageW(bar_->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT);
  EXPECT_EQ(GetPixel(dc, 0, 0), static_cast<COLORREF>(kBarColor));
  const RECT r = ItemRect(0);
  EXPECT_EQ(GetPixel(dc, 2 + (r.left + r.right) / 2, 2 + (r.top + r.bottom) / 2), Ref(kFace[0]))
      << "the button at its place in the window";
  EXPECT_EQ(GetPixel(dc, 2 + r.left, 2 + r.top), Ref(kEdge));
}

TEST_F(ToolBarVCLTest, ADropDownButtonsStripIsPressedWhileItsMenuIsOpen) {
  auto* menu = New<TPopupMenu>(form_);
  auto* item = New<TMenuItem>(form_);
  item->SetCaption("One");
  menu->Items()->Add(item);
  bar_->Buttons(1)->SetDropdownMenu(menu);
  const RECT r = ItemRect(1);
  const int a = GetSystemMetrics(SM_CXVSCROLL) - 2;
  static COLORREF stripSeen;
  static TToolButton* droppedSeen;
  static HWND watched;
  static POINT stripAt;
  watched = bar_->Handle();
  stripAt = POINT{r.right - a + 2, r.top + 2};
  droppedSeen = nullptr;
  stripSeen = 0;
  static TskToolBarVCLWnd* watchedAdapter;
  watchedAdapter = adapter_;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    stripSeen = ClientPixel(watched, stripAt.x, stripAt.y);
    droppedSeen = watchedAdapter->DroppedButton();
    EndMenu();
  });
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(bar_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(bar_->Handle(), WM_LBUTTONUP, 0, at);
  KillTimer(nullptr, timer);
  EXPECT_EQ(droppedSeen, bar_->Buttons(1));
  EXPECT_EQ(stripSeen, Ref(kFace[2])) << "the arrow strip pressed while the menu is open";
  guitest::Pump();
  EXPECT_EQ(adapter_->DroppedButton(), nullptr) << "the bar said the menu closed";
  EXPECT_NE(ClientPixel(bar_->Handle(), stripAt.x, stripAt.y), Ref(kFace[2])) << "as the bar's own state has it";
  // The menus' hidden window goes with the test, and its class with it: later tests find the utility
  // windows' class free, as in a program that never showed a menu.
  DeallocateHWnd(PopupListWindow());
  UnregisterClassW(L"TPUtilWindow", GetModuleHandleW(nullptr));
}

TEST_F(ToolBarVCLTest, TheHotPlaceOfAButtonThatGoesIsLeft) {
  bar_->Buttons(2)->SetEnabled(true);
  const RECT r = ItemRect(2);
  SendMessageW(bar_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 3, r.top + 3));
  ASSERT_EQ(adapter_->HotIndex(), 2);
  delete bar_->Buttons(2);
  EXPECT_EQ(bar_->ButtonCount(), 2);
  EXPECT_EQ(adapter_->HotIndex(), -1) << "no button there any more";
}

// A graphic control that paints itself in one colour.
class TSolidGraphic : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override {
    Canvas().Brush().SetColor(kImage);
    Canvas().FillRect(TRect{0, 0, Width(), Height()});
  }
};

TEST_F(ToolBarVCLTest, AGraphicChildIsPaintedOverTheBarsBackground) {
  auto* child = New<TSolidGraphic>(form_);
  child->SetBounds(150, 3, 20, 16);
  child->SetParent(bar_);
  RedrawWindow(bar_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(ClientPixel(bar_->Handle(), 160, 10), static_cast<COLORREF>(kImage));
  EXPECT_EQ(ClientPixel(bar_->Handle(), 180, 10), static_cast<COLORREF>(kBarColor)) << "the bar beside it";
  const RECT separatorFree = ItemRect(0);
  EXPECT_EQ(ClientPixel(bar_->Handle(), (separatorFree.left + separatorFree.right) / 2, separatorFree.top + 3),
            Ref(kFace[0]))
      << "the buttons still drawn";
}

// A bar that half shows its parent answers its children with its cache.
class SeeThroughToolBarTest : public ToolBarVCLTest {
 protected:
  TSkinVariant Variant() const override { return ToolVariant(50); }
};

TEST_F(SeeThroughToolBarTest, AChildsBackgroundRequestIsAnsweredInClientCoordinates) {
  bar_->SetEdgeBorders(TEdgeBorders{ebLeft, ebTop});
  RedrawWindow(bar_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  TskBgRequest request;
  EXPECT_EQ(SendSkinCommand(bar_->Handle(), scFillBgRequest, reinterpret_cast<LPARAM>(&request)), 1);
  ASSERT_EQ(request.AnswerKind, bgBitmap);
  EXPECT_EQ(request.Bitmap, adapter_->SkinData->CacheBitmap.get());
  EXPECT_EQ(request.OffsetX, 2) << "the client area's place in the window's cache";
  EXPECT_EQ(request.OffsetY, 2);
}

// Where pixels of a colour lie in a client rect of a window: their bounds (empty when there are none).
TRect ColourBounds(HWND window, const RECT& r, COLORREF colour) {
  TRect found{r.right, r.bottom, r.left, r.top};
  const HDC dc = GetDC(window);
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (GetPixel(dc, x, y) == colour) {
        found.Left = std::min<Integer>(found.Left, x);
        found.Top = std::min<Integer>(found.Top, y);
        found.Right = std::max<Integer>(found.Right, x + 1);
        found.Bottom = std::max<Integer>(found.Bottom, y + 1);
      }
  ReleaseDC(window, dc);
  return found;
}

TEST_F(ToolBarVCLTest, CaptionsGoBelowTheImageOrBesideItInAList) {
  TImageList images(nullptr);
  images.SetWidth(16);
  images.SetHeight(16);
  TBitmap image;
  image.SetPixelFormat(pf32bit);
  image.SetSize(16, 16);
  image.Canvas().Brush().SetColor(kImage);
  image.Canvas().FillRect(TRect{0, 0, 16, 16});
  images.AddMasked(&image, clFuchsia);

  for (const bool list : {false, true}) {
    SCOPED_TRACE(list ? "list" : "below");
    auto* bar = New<TToolBar>(form_);
    bar->SetParent(form_);
    bar->SetTop(200);
    bar->SetEdgeBorders(TEdgeBorders{});
    bar->SetList(list);
    bar->SetImages(&images);
    bar->SetButtonWidth(70);
    bar->SetButtonHeight(44);
    bar->SetHeight(52);
    auto* button = New<TToolButton>(form_);
    button->SetParent(bar);
    button->SetImageIndex(0);
    button->SetCaption("Save");
    AdaptControl<TskToolBarVCLWnd>(bar);
    RECT r{};
    SendMessageW(bar->Handle(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_TRUE(ColourBounds(bar->Handle(), r, static_cast<COLORREF>(kText)).IsEmpty()) << "captions not shown";

    bar->SetShowCaptions(true);
    SendMessageW(bar->Handle(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const TRect text = ColourBounds(bar->Handle(), r, static_cast<COLORREF>(kText));
    const TRect glyph = ColourBounds(bar->Handle(), r, static_cast<COLORREF>(kImage));
    ASSERT_FALSE(text.IsEmpty());
    ASSERT_FALSE(glyph.IsEmpty());
    if (list) {
      EXPECT_GE(text.Left, glyph.Right) << "right of the image";
      EXPECT_GE(text.Left, r.left + 16 + 6);
    } else {
      EXPECT_GE(text.Top, glyph.Bottom) << "below the image";
      EXPECT_LE(std::abs((text.Left + text.Right) / 2 - (r.left + r.right) / 2), 2) << "centred";
    }
  }
}

}  // namespace
