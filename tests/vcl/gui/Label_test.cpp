// The label's painting on its parent: a transparent label lets the parent's colour through around
// its text, and Layout tlCenter puts the text in the middle of the label's height.
#include "vcl/gui/Label.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/Panel.h"

TEST(Label, TransparentAndVerticallyCentred) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetClientSize(300, 200);
  auto* panel = New<TPanel>(form.get());
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clYellow);
  panel->SetAlign(alClient);
  panel->SetParent(form.get());
  auto* label = New<TLabel>(form.get());
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 200, 60);
  label->SetColor(clAqua);
  label->Font().SetColor(clRed);
  label->Font().SetHeight(-12);
  label->SetCaption("MMMM");
  label->SetParent(panel);
  form->Show();

  auto redRows = [&] {
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    std::vector<int> rows;
    for (int y = 10; y < 70; ++y) {
      bool red = false;
      for (int x = 10; x < 110 && !red; ++x) red = guitest::ClientPixel(panel->Handle(), x, y) == 0x0000FF;
      if (red) rows.push_back(y - 10);
    }
    return rows;
  };
  auto at = [&](int x, int y) {
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return guitest::ClientPixel(panel->Handle(), x, y);
  };

  EXPECT_EQ(at(205, 65), 0xFFFF00u);  // opaque: the label's own colour (clAqua)
  std::vector<int> rows = redRows();
  ASSERT_FALSE(rows.empty());
  EXPECT_LT(rows.front(), 10);  // tlTop

  label->SetTransparent(true);
  EXPECT_EQ(at(205, 65), 0x00FFFFu);  // the panel's yellow shows through
  label->SetLayout(tlCenter);
  rows = redRows();
  ASSERT_FALSE(rows.empty());
  const int middle = (rows.front() + rows.back()) / 2;
  EXPECT_NEAR(middle, 30, 3);
  label->SetLayout(tlBottom);
  rows = redRows();
  ASSERT_FALSE(rows.empty());
  EXPECT_GT(rows.back(), 50);
}
