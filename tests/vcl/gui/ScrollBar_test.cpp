// The scroll bar over the system scroll bar: its data kept in the window and clamped, a range it cannot
// show refused, and its own scrolling moving the position and reporting the change.
#include "vcl/gui/ScrollBar.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/Form.h"
#include "vcl/rtl/Exceptions.h"

namespace {

SCROLLINFO WindowInfo(HWND bar) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(bar, SB_CTL, &info);
  return info;
}

TEST(ScrollBar, DataIsClampedAndKeptInTheWindow) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  auto* bar = New<TScrollBar>(form.get());
  bar->SetParent(form.get());
  bar->SetKind(sbVertical);
  EXPECT_EQ(guitest::WindowClassOf(bar->Handle()), L"TScrollBar");
  EXPECT_NE(GetWindowLongPtrW(bar->Handle(), GWL_STYLE) & SBS_VERT, 0);
  bar->SetParams(150, 10, 120);
  EXPECT_EQ(bar->Position(), 120);
  bar->SetPageSize(20);
  EXPECT_EQ(bar->Position(), 101) << "the last place a page can start";
  const SCROLLINFO info = WindowInfo(bar->Handle());
  EXPECT_EQ(info.nMin, 10);
  EXPECT_EQ(info.nMax, 120);
  EXPECT_EQ(info.nPage, 20u);
  EXPECT_EQ(info.nPos, 101);
  EXPECT_THROW(bar->SetParams(0, 50, 40), EInvalidOperation);
  EXPECT_THROW(bar->SetPageSize(112), EInvalidOperation);
  EXPECT_EQ(bar->Max(), 120) << "a refused change leaves the data";
}

TEST(ScrollBar, ItsOwnScrollingMovesThePositionAndReportsIt) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  auto* bar = New<TScrollBar>(form.get());
  bar->SetParent(form.get());
  bar->SetParams(5, 0, 50);
  bar->SetPageSize(10);
  int changes = 0;
  bar->OnChange = [&](TObject*) { ++changes; };
  struct Case {
    Word code;
    Integer position;
  } cases[] = {{SB_LINEDOWN, 6}, {SB_PAGEDOWN, 16}, {SB_LINEUP, 15}, {SB_PAGEUP, 5}, {SB_PAGEUP, 0}, {SB_BOTTOM, 41}};
  for (const Case& c : cases) {
    SendMessageW(form->Handle(), WM_HSCROLL, c.code, reinterpret_cast<LPARAM>(bar->Handle()));
    EXPECT_EQ(bar->Position(), c.position) << "code " << c.code;
  }
  EXPECT_EQ(changes, 6);
  SendMessageW(form->Handle(), WM_HSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(bar->Handle()));
  EXPECT_EQ(changes, 6);
}

}  // namespace
