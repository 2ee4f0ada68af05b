// The container adapters under a skin whose panel sections have faces of their own: the section a
// panel's bevels choose, a panel painted from it, and a dialog pane inside the panel that cannot be
// told from the panel around it.
#include "skin/adapters/skSBPanelWnd.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "AdapterFixture.h"
#include "skin/forms/sBitmapRoutines.h"
#include "vcl/gui/Bitmap.h"

namespace {

using skintest::AdapterFixture;
using skintest::ClientPixel;
using skintest::Ref;
using skintest::TSkinVariant;

constexpr uint32_t kGroupEdge = 0xFF802040u;
constexpr uint32_t kGroupFace = 0xFFD0E0A0u;
constexpr uint32_t kPanelEdge = 0xFF204080u;
constexpr uint32_t kPanelFace = 0xFFA0C0E0u;

TSkinVariant PanelVariant() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.WL = shape.WT = shape.WR = shape.WB = 2;
  shape.DrawMode = 5;
  auto faces = [](uint32_t edge, uint32_t face) {
    return [edge, face](int x, int y, int) { return x < 2 || y < 2 || x > 5 || y > 5 ? edge : face; };
  };
  TSkinVariant variant;
  variant.AddMask("GROUPBOX", "BORDERSMASK", shape, 8, 8, faces(kGroupEdge, kGroupFace))
      .AddMask("PANEL", "BORDERSMASK", shape, 8, 8, faces(kPanelEdge, kPanelFace));
  return variant;
}

class PanelAdapterTest : public AdapterFixture {
 protected:
  TSkinVariant Variant() const override { return PanelVariant(); }
  void TearDown() override {
    for (TskMainWnd*& a : adapters_) FreeAdapter(a);
    adapters_.clear();
    data_.clear();
    AdapterFixture::TearDown();
  }
  TPanel* Panel(TBevelCut outer, TBevelCut inner, int x, int y) {
    auto* panel = New<TPanel>(form_);
    panel->SetBounds(x, y, 200, 120);
    panel->SetBevelOuter(outer);
    panel->SetBevelInner(inner);
    panel->SetCaption("");
    panel->SetParent(form_);
    return panel;
  }
  // The panel's adapter, with a skin state whose host is the panel (as the control adapter gives).
  TskPanelWnd* AdaptPanel(TPanel* panel) {
    data_.push_back(std::make_unique<TsCommonData>(panel));
    return Adapt<TskPanelWnd>(panel->Handle(), "", data_.back().get());
  }
  std::vector<std::unique_ptr<TsCommonData>> data_;
};

TEST(PanelSections, TheBevelsChooseTheSection) {
  const struct {
    TBevelCut outer, inner;
    bool bordered;
    const char* section;
  } cases[] = {
      {bvRaised, bvLowered, false, "GROUPBOX"}, {bvLowered, bvRaised, false, "GROUPBOX"},
      {bvRaised, bvNone, false, "PANEL"},       {bvRaised, bvRaised, false, "PANEL"},
      {bvLowered, bvNone, false, "PANEL_LOW"},  {bvLowered, bvLowered, false, "PANEL_LOW"},
      {bvNone, bvLowered, false, "CHECKBOX"},   {bvNone, bvNone, true, "PANEL_LOW"},
      {bvSpace, bvNone, false, "CHECKBOX"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PanelSectionOfBevels(c.outer, c.inner, c.bordered), c.section) << c.outer << " " << c.inner;
}

// A panel with a raised outer and a lowered inner bevel paints "GROUPBOX"; a raised one "PANEL".
TEST_F(PanelAdapterTest, APanelPaintsTheSectionItsBevelsChoose) {
  const struct {
    TBevelCut outer, inner;
    const char* section;
    uint32_t edge, face;
  } cases[] = {{bvRaised, bvLowered, "GROUPBOX", kGroupEdge, kGroupFace},
               {bvRaised, bvNone, "PANEL", kPanelEdge, kPanelFace}};
  int x = 20;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section);
    TPanel* panel = Panel(c.outer, c.inner, x, 20);
    x += 220;
    TskPanelWnd* adapter = AdaptPanel(panel);
    EXPECT_EQ(adapter->Panel(), panel);
    EXPECT_EQ(adapter->SkinData->SkinSection(), c.section);
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(ClientPixel(panel->Handle(), 0, 60), Ref(c.edge));
    EXPECT_EQ(ClientPixel(panel->Handle(), 199, 60), Ref(c.edge));
    EXPECT_EQ(ClientPixel(panel->Handle(), 30, 30), Ref(c.face));
  }
}

// A dialog pane placed inside a see-through panel (which answers with its image), over its edge, shows
// exactly the panel's pixels there.
TEST_F(PanelAdapterTest, AnInnerDialogPaneCopiesItsContainersLookPixelForPixel) {
  TPanel* panel = Panel(bvRaised, bvLowered, 20, 20);
  TskPanelWnd* adapter = AdaptPanel(panel);
  const HWND pane = CreateWindowExW(0, L"#32770", L"", WS_CHILD | WS_VISIBLE, 0, 10, 80, 40, panel->Handle(), nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(pane, nullptr);
  windows_.push_back(pane);
  Adapt<TskTransPanelWnd>(pane, "CHECKBOX");
  RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ASSERT_TRUE(adapter->SkinData->CacheBitmap);
  const HDC cache = adapter->SkinData->CacheBitmap->Canvas().Handle();
  const HDC dc = GetDC(pane);
  int differing = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 80; ++x) differing += GetPixel(dc, x, y) != GetPixel(cache, x, y + 10) ? 1 : 0;
  const COLORREF edge = GetPixel(dc, 0, 20);
  ReleaseDC(pane, dc);
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(edge, Ref(kGroupEdge)) << "the pane lies over the panel's edge";
}

}  // namespace
