// The bar adapters under a skin whose tool buttons, dividers, grip and ticks have colours of their own:
// a status bar's dividers and its panel mask, a size grip's corner and hit code, a system tool bar's
// button states, its faded disabled button and its separator, a track bar's ticks at their places and
// a static's skinned edge around the static's own drawing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <vector>

#include "AdapterFixture.h"
#include "skin/adapters/skSBBarWnd.h"
#include "skin/adapters/skSBToolBarWnd.h"
#include "skin/adapters/skSBTrackGeometry.h"
#include "skin/adapters/skSBTrackWnd.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/StatusBar.h"

namespace {

using skintest::AdapterFixture;
using skintest::ClientPixel;
using skintest::Ref;
using skintest::TSkinVariant;
using skintest::WindowPixel;

constexpr uint32_t kEdge = 0xFF404040u;
constexpr uint32_t kFace[3] = {0xFFB0D0F0u, 0xFFC8E8C8u, 0xFF4060A0u};
constexpr uint32_t kDivider = 0xFF30C030u;
constexpr uint32_t kPanel = 0xFFA020A0u;
constexpr uint32_t kGrip = 0xFFE03020u;
constexpr uint32_t kTick = 0xFF2080E0u;
constexpr Integer kBarColor = 0x707070;  // TOOLBAR and STATUSBAR, grey: the same in either byte order

TskMaskValue BordersShape(int count) {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = count;
  shape.WL = shape.WT = shape.WR = shape.WB = 1;
  shape.DrawMode = 5;
  return shape;
}

TskMaskValue GlyphShape() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Glyph;
  return shape;
}

TSkinVariant BarVariant(bool panelMask) {
  TSkinVariant variant;
  variant.Set("TOOLBAR", "COLOR", kBarColor)
      .Set("STATUSBAR", "COLOR", kBarColor)
      .Set("EDIT", "COLOR", 0x40B0E0)
      .AddMask("TOOLBUTTON", "BORDERSMASK", BordersShape(3), 6, 6,
               [](int x, int y, int state) { return x == 0 || y == 0 || x == 5 || y == 5 ? kEdge : kFace[state]; })
      .AddMask("DIVIDER", "BORDERSMASK", BordersShape(1), 4, 4, [](int, int, int) { return kDivider; })
      .Set("DIVIDER", "COLOR", 0x30C030)
      .AddMask("GLOBALINFO", "GRIPIMAGE", GlyphShape(), 12, 12, [](int, int, int) { return kGrip; })
      .AddMask("TRACKBAR", "TICKHORZ", GlyphShape(), 1, 4, [](int, int, int) { return kTick; });
  if (panelMask) variant.AddMask("STATUSBAR", "STATUSPANELMASK", BordersShape(1), 4, 4, [](int, int, int) { return kPanel; });
  return variant;
}

class BarAdapterTest : public AdapterFixture {
 protected:
  TSkinVariant Variant() const override { return BarVariant(false); }

  HWND StatusBar(std::vector<int> parts) {
    const HWND bar = Child(STATUSCLASSNAMEW, L"", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 20, 340, 420, 24);
    SendMessageW(bar, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
    return bar;
  }
  static TRect PartRect(HWND bar, int part) {
    RECT r{};
    SendMessageW(bar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&r));
    return TRect{r.left, r.top, r.right, r.bottom};
  }
};

class PanelMaskTest : public BarAdapterTest {
 protected:
  TSkinVariant Variant() const override { return BarVariant(true); }
};

TEST_F(BarAdapterTest, StatusPartsButTheLastEndWithTheDivider) {
  const HWND bar = StatusBar({120, 260, -1});
  ASSERT_NE(bar, nullptr);
  auto* adapter = Adapt<TskStatusBarWnd>(bar);
  EXPECT_EQ(adapter->SkinData->SkinSection(), "STATUSBAR");
  EXPECT_EQ(adapter->StatusBar(), nullptr) << "a foreign status bar";
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  for (int part = 0; part < 3; ++part) {
    const TRect r = PartRect(bar, part);
    const int y = (r.Top + r.Bottom) / 2;
    // The part's rect less one pixel; the divider is its last two columns.
    const Cardinal end = ClientPixel(bar, r.Right - 2, y);
    if (part < 2) {
      EXPECT_EQ(end, Ref(kDivider)) << "part " << part;
      EXPECT_EQ(ClientPixel(bar, r.Right - 3, y), Ref(kDivider)) << "two wide, part " << part;
      EXPECT_EQ(ClientPixel(bar, r.Right - 4, y), ColorToRGB(static_cast<TColor>(kBarColor))) << "part " << part;
    } else {
      EXPECT_NE(end, Ref(kDivider)) << "the last part has no divider";
    }
    EXPECT_EQ(ClientPixel(bar, (r.Left + r.Right) / 2, y), ColorToRGB(static_cast<TColor>(kBarColor))) << "part " << part;
  }

  // In simple mode the simple part's text is written over the section, in the section's font colour.
  SendMessageW(bar, SB_SIMPLE, TRUE, 0);
  SendMessageW(bar, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(L"Egyszer\u0171 m\u00f3d"));
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const Cardinal font = ColorToRGB(static_cast<TColor>(SectionData("STATUSBAR").Props[0].TextColor));
  int text = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 200; ++x) text += ClientPixel(bar, x, y) == font ? 1 : 0;
  EXPECT_GT(text, 20);
  EXPECT_EQ(ClientPixel(bar, 300, 12), ColorToRGB(static_cast<TColor>(kBarColor))) << "no divider in simple mode";
}

TEST_F(PanelMaskTest, SimpleModeCoversTheWholeBarWithThePanelMask) {
  const HWND bar = StatusBar({120, 260, -1});
  Adapt<TskStatusBarWnd>(bar);
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  // With the mask, parts show it and no divider.
  const TRect first = PartRect(bar, 0);
  EXPECT_EQ(ClientPixel(bar, first.Right - 2, 12), Ref(kPanel));
  EXPECT_EQ(ClientPixel(bar, first.Right, 12), ColorToRGB(static_cast<TColor>(kBarColor))) << "between the parts";

  SendMessageW(bar, SB_SIMPLE, TRUE, 0);
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT client{};
  GetClientRect(bar, &client);
  for (const POINT p : {POINT{0, 0}, POINT{first.Right, 12}, POINT{client.right - 1, client.bottom - 1},
                        POINT{client.right / 2, client.bottom / 2}})
    EXPECT_EQ(ClientPixel(bar, p.x, p.y), Ref(kPanel)) << p.x << "," << p.y;
}

TEST_F(BarAdapterTest, SizeGripShowsTheGripImageAndHitsTheBottomRightCorner) {
  const HWND grip = Child(L"SCROLLBAR", L"", SBS_SIZEGRIP, 500, 360, 17, 17);
  ASSERT_NE(grip, nullptr);
  Adapt<TskSizerWnd>(grip);
  RECT r{};
  GetWindowRect(grip, &r);
  EXPECT_EQ(SendMessageW(grip, WM_NCHITTEST, 0, MAKELPARAM(r.left + 3, r.top + 3)), HTBOTTOMRIGHT);
  RedrawWindow(grip, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(ClientPixel(grip, 16, 16), Ref(kGrip));
  EXPECT_EQ(ClientPixel(grip, 5, 5), Ref(kGrip)) << "12 x 12 in the corner";
  EXPECT_NE(ClientPixel(grip, 4, 4), Ref(kGrip)) << "the parent's background above and left of it";
}

TEST_F(BarAdapterTest, SystemToolBarButtonsShowTheirStatesFadedAndDivided) {
  const HWND bar = Child(TOOLBARCLASSNAMEW, L"", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 20, 20, 400, 30);
  ASSERT_NE(bar, nullptr);
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON buttons[4]{};
  const BYTE states[4] = {TBSTATE_ENABLED, TBSTATE_ENABLED | TBSTATE_PRESSED, 0, TBSTATE_ENABLED};
  for (int i = 0; i < 4; ++i) {
    buttons[i].iBitmap = I_IMAGENONE;
    buttons[i].idCommand = 100 + i;
    buttons[i].fsState = states[i];
    buttons[i].fsStyle = i == 3 ? BTNS_SEP : BTNS_BUTTON;
    buttons[i].iString = -1;
  }
  buttons[3].iBitmap = 8;  // a separator's width
  ASSERT_TRUE(SendMessageW(bar, TB_ADDBUTTONSW, 4, reinterpret_cast<LPARAM>(buttons)));
  SetCursorPos(1000, 760);  // over none of the buttons
  Adapt<TskToolBarWnd>(bar, "TOOLBAR");
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);

  auto centre = [&](int i) {
    RECT r{};
    SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    EXPECT_GT(r.right - r.left, 4) << "button " << i;
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };
  const POINT normal = centre(0), pressed = centre(1), disabled = centre(2), separator = centre(3);
  EXPECT_EQ(ClientPixel(bar, normal.x, normal.y), Ref(kFace[0]));
  EXPECT_EQ(ClientPixel(bar, pressed.x, pressed.y), Ref(kFace[2]));
  // Faded: 40 percent of the normal face over the bar's grey.
  const Cardinal faded = ClientPixel(bar, disabled.x, disabled.y);
  const Cardinal face = Ref(kFace[0]);
  for (int shift : {0, 8, 16}) {
    const double expected = 0x70 + 0.4 * (static_cast<int>((face >> shift) & 0xFF) - 0x70);
    EXPECT_NEAR(static_cast<int>((faded >> shift) & 0xFF), expected, 1.0) << "channel at bit " << shift;
  }
  EXPECT_EQ(ClientPixel(bar, separator.x, separator.y), Ref(kDivider));

  // Under the cursor the normal button turns hot.
  POINT screen = normal;
  ClientToScreen(bar, &screen);
  SetCursorPos(screen.x, screen.y);
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(ClientPixel(bar, normal.x, normal.y), Ref(kFace[1]));
  SetCursorPos(1000, 760);
}

TEST_F(BarAdapterTest, TrackBarTicksStandAtTheirPlacesOnBothSidesAndNoneWithoutTicks) {
  const HWND track = Child(TRACKBAR_CLASSW, L"", TBS_BOTH | TBS_AUTOTICKS, 20, 100, 240, 60);
  ASSERT_NE(track, nullptr);
  SendMessageW(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  SendMessageW(track, TBM_SETTICFREQ, 2, 0);
  auto* adapter = Adapt<TskTrackWnd>(track);
  RedrawWindow(track, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_TRUE(manager_->IsValidSkinIndex(adapter->TrackBarIndex));

  RECT c{}, t{};
  SendMessageW(track, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&c));
  SendMessageW(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&t));
  const auto count = static_cast<Integer>(SendMessageW(track, TBM_GETNUMTICS, 0, 0));
  ASSERT_GE(count, 2);
  // The channel as the skin narrows it (its mask is 4 high in the built-in skin).
  const Integer channelMask = manager_->GetMaskIndex(adapter->TrackBarIndex, "TRACKBAR", "SLIDERCHANNEL");
  ASSERT_TRUE(manager_->IsValidMaskIndex(channelMask));
  const TRect channel = NarrowTrackChannel(TRect{c.left, c.top, c.right, c.bottom},
                                           MaskStateHeight(manager_->ma[static_cast<size_t>(channelMask)]), false);
  const std::vector<Integer> places = TrackTickPlaces(channel.Left, channel.Width(), t.right - t.left, count);
  const Integer offset = TrackTickOffset(t.bottom - t.top, channel.Height());
  const Integer above = channel.Top - offset - 4, below = channel.Bottom + offset;
  ASSERT_GE(above, 0);
  ASSERT_LE(below + 4, 60);
  int seen = 0;
  for (const Integer x : places) {
    for (const Integer y : {above, above + 3, below, below + 3}) {
      EXPECT_EQ(ClientPixel(track, x, y), Ref(kTick)) << "tick at " << x << "," << y;
      ++seen;
    }
    EXPECT_NE(ClientPixel(track, x + 1, above), Ref(kTick)) << "one pixel wide";
  }
  EXPECT_EQ(seen, count * 4);

  SetWindowLongPtrW(track, GWL_STYLE, GetWindowLongPtrW(track, GWL_STYLE) | TBS_NOTICKS);
  RedrawWindow(track, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  int ticks = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 240; ++x) ticks += ClientPixel(track, x, y) == Ref(kTick) ? 1 : 0;
  EXPECT_EQ(ticks, 0);
}

TEST_F(BarAdapterTest, StaticEdgeIsTheSectionsTwoPixelFrameAroundTheStaticsOwnDrawing) {
  const HWND stat = Child(L"STATIC", L"", SS_LEFT, 20, 200, 120, 30, WS_EX_STATICEDGE);
  ASSERT_NE(stat, nullptr);
  auto* adapter = Adapt<TskEdgeWnd>(stat);
  EXPECT_EQ(adapter->SkinData->SkinSection(), "EDIT");
  RedrawWindow(stat, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  TBitmap* cache = adapter->SkinData->CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  ASSERT_EQ(cache->Width(), 120);
  auto cachePixel = [&](int x, int y) { return Ref(static_cast<Cardinal*>(cache->ScanLine(y))[x] & 0xFFFFFF); };
  for (const POINT p : {POINT{60, 0}, POINT{60, 1}, POINT{0, 15}, POINT{1, 15}, POINT{118, 15}, POINT{60, 29}})
    EXPECT_EQ(WindowPixel(stat, p.x, p.y), cachePixel(p.x, p.y)) << p.x << "," << p.y;
  const Cardinal inside = WindowPixel(stat, 60, 15);
  EXPECT_NE(inside, cachePixel(60, 15)) << "the static draws its own inside";
  EXPECT_EQ(WindowPixel(stat, 60, 2), inside);
}

}  // namespace

namespace {

// The layer's status bar: its panels' texts in the section's font colour, and an owner-drawn panel
// drawn by the application's OnDrawPanel into the adapter's cache, nothing else there.
TEST_F(BarAdapterTest, OwnerDrawnPanelIsDrawnByTheApplicationIntoTheCache) {
  auto* bar = New<TStatusBar>(form_);
  bar->SetAlign(alNone);
  bar->SetParent(form_);
  bar->SetBounds(20, 340, 420, 24);
  bar->AddPanel().Text = "Napló";
  bar->AddPanel().Width = 120;
  bar->Panels(1).Style = psOwnerDraw;
  bar->AddPanel().Text = "Kész";
  TRect drawnAt;
  bar->OnDrawPanel = [&](TStatusBar* sender, TStatusPanel* panel, const TRect& rect) {
    EXPECT_EQ(panel, &sender->Panels(1));
    drawnAt = rect;
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    FillRect(sender->Canvas().Handle(), &r, red);
    DeleteObject(red);
  };
  bar->PanelsChanged();
  auto* adapter = AdaptControl<TskStatusBarWnd>(bar);
  EXPECT_EQ(adapter->StatusBar(), bar);
  RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const TRect second = PartRect(bar->Handle(), 1);
  ASSERT_FALSE(drawnAt.IsEmpty());
  EXPECT_EQ(drawnAt, (TRect{second.Left + 1, second.Top + 1, second.Right - 1, second.Bottom - 1}));
  EXPECT_EQ(ClientPixel(bar->Handle(), (second.Left + second.Right) / 2, 12), RGB(255, 0, 0));
  EXPECT_FALSE(bar->Canvas().HandleAllocated()) << "the canvas is given back";
  const Cardinal font = ColorToRGB(static_cast<TColor>(SectionData("STATUSBAR").Props[0].TextColor));
  int text = 0;
  const TRect first = PartRect(bar->Handle(), 0);
  for (int y = first.Top; y < first.Bottom; ++y)
    for (int x = first.Left; x < first.Right; ++x) text += ClientPixel(bar->Handle(), x, y) == font ? 1 : 0;
  EXPECT_GT(text, 10) << "the first panel's text";
}

TEST_F(BarAdapterTest, AStatusBarsBorderIsTheSectionAndItsPartsStayInPlace) {
  auto* bar = New<TStatusBar>(form_);
  bar->SetAlign(alNone);
  bar->SetParent(form_);
  bar->SetBounds(20, 340, 420, 30);
  bar->SetSizeGrip(false);
  bar->AddPanel().Width = 150;
  bar->AddPanel();
  bar->PanelsChanged();
  bar->SetBorderWidth(3);
  RECT client{};
  GetClientRect(bar->Handle(), &client);
  ASSERT_EQ(client.right, 420 - 6) << "the border lies outside the client area";
  AdaptControl<TskStatusBarWnd>(bar);
  RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  const Cardinal section = ColorToRGB(static_cast<TColor>(kBarColor));
  for (const POINT p : {POINT{1, 1}, POINT{1, 15}, POINT{418, 28}, POINT{200, 1}})
    EXPECT_EQ(WindowPixel(bar->Handle(), p.x, p.y), section) << p.x << "," << p.y;
  const TRect first = PartRect(bar->Handle(), 0);
  const int y = (first.Top + first.Bottom) / 2;
  EXPECT_EQ(ClientPixel(bar->Handle(), first.Right - 2, y), Ref(kDivider)) << "the divider at the part's end";
  EXPECT_EQ(ClientPixel(bar->Handle(), first.Right - 4, y), section);
}

}  // namespace
