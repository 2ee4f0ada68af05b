// The adapter of a class-library tool bar: it paints through the bar's custom-draw events (and lets go
// of them), the button under the mouse turns hot on a mouse move, and a drop-down button shows its
// arrow strip a scroll bar's width less 2 wide.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "AdapterFixture.h"
#include "skin/adapters/skSBToolBarVCLWnd.h"
#include "skin/forms/sCommonData.h"
#include "vcl/gui/ToolBar.h"

namespace {

using skintest::AdapterFixture;
using skintest::ClientPixel;
using skintest::Ref;
using skintest::TSkinVariant;

constexpr uint32_t kEdge = 0xFF404040u;
constexpr uint32_t kFace[3] = {0xFFB0D0F0u, 0xFFC8E8C8u, 0xFF4060A0u};

TSkinVariant ToolVariant() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 3;
  shape.WL = shape.WT = shape.WR = shape.WB = 1;
  shape.DrawMode = 5;
  TSkinVariant variant;
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

}  // namespace
