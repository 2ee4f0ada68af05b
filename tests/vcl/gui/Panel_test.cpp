// The panel's painting: its colour without a bevel (the diary's white picture panel), raised bevels,
// and a caption that ShowCaption can hide.
#include "vcl/gui/Panel.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"

namespace {

struct PanelFixture : ::testing::Test {
  std::unique_ptr<TForm> form{New<TForm>(nullptr)};
  TPanel* panel = New<TPanel>(form.get());
  void SetUp() override {
    form->SetClientSize(300, 200);
    panel->SetBounds(10, 10, 200, 100);
    panel->SetParent(form.get());
    panel->Font().SetColor(clRed);
    panel->Font().SetHeight(-16);
    form->Show();
  }
  void TearDown() override { guitest::Pump(); }
  COLORREF At(int x, int y) {
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return guitest::ClientPixel(panel->Handle(), x, y);
  }
  int RedPixels() {
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    int red = 0;
    for (int y = 30; y < 70; ++y)
      for (int x = 50; x < 150; ++x) red += guitest::ClientPixel(panel->Handle(), x, y) == 0x0000FF;
    return red;
  }
};

}  // namespace

TEST_F(PanelFixture, ColourBevelAndCaption) {
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clWhite);
  EXPECT_EQ(At(0, 0), 0xFFFFFFu);  // no bevel: the colour to the edge
  EXPECT_EQ(At(100, 50), 0xFFFFFFu);

  panel->SetBevelOuter(bvRaised);
  EXPECT_EQ(At(0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(199, 99), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(At(1, 1), 0xFFFFFFu);

  panel->SetCaption("MMM");
  EXPECT_GT(RedPixels(), 10);  // centred
  panel->SetShowCaption(false);
  EXPECT_EQ(RedPixels(), 0);
  EXPECT_EQ(panel->Caption(), "MMM");
}
