// The tab-control adapters under a skin whose tab sections have a face per state and whose page
// sections (one per tab side) and "CHECKBOX" have faces of their own: the frame's section by side, the
// selected tab in state 2 drawn over its item rect and the others in state 0, turned text on left
// tabs, the up-down adapter made anew on a size change, a print into a caller's DC that leaves the
// caller's state alone, and pages that show the control's page area and leave the page list when their
// window goes.
#include "skin/adapters/skSBTabWnd.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "AdapterFixture.h"
#include "skin/adapters/skSBSpinWnd.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/PageControl.h"

namespace {

using skintest::AdapterFixture;
using skintest::ClientPixel;
using skintest::Ref;
using skintest::TSkinVariant;

constexpr uint32_t kEdge = 0xFF404040u;
constexpr uint32_t kTabFace[3] = {0xFFE8D0B0u, 0xFFB0E0D0u, 0xFF3070C0u};
constexpr uint32_t kPageFace[4] = {0xFF90A0B0u, 0xFFA09060u, 0xFF60B090u, 0xFFB06090u};
constexpr uint32_t kEmptyFace = 0xFF708050u;
constexpr const char* kPageSections[4] = {"PAGECONTROL", "PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT"};
constexpr const char* kTabSections[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};

TSkinVariant TabVariant() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.WL = shape.WT = shape.WR = shape.WB = 1;
  shape.DrawMode = 5;
  auto faces = [](const uint32_t* face) {
    return [face](int x, int y, int state) { return x == 0 || y == 0 || x == 5 || y == 5 ? kEdge : face[state]; };
  };
  TSkinVariant variant;
  shape.Count = 3;
  for (const char* tab : kTabSections) variant.AddMask(tab, "BORDERSMASK", shape, 6, 6, faces(kTabFace));
  shape.Count = 1;
  // A page takes the control's colour: the fill is the face too.
  for (int side = 0; side < 4; ++side)
    variant.Set(kPageSections[side], "COLOR", static_cast<int>(Ref(kPageFace[side])))
        .AddMask(kPageSections[side], "BORDERSMASK", shape, 6, 6, faces(&kPageFace[side]));
  variant.AddMask("CHECKBOX", "BORDERSMASK", shape, 6, 6, faces(&kEmptyFace));
  return variant;
}

// The client area of a window as the screen shows it, read from a copy.
class TCapture {
 public:
  explicit TCapture(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    bitmap_ = CreateBmp32(r.right, r.bottom);
    const HDC dc = GetDC(window);
    BitBlt(bitmap_->Canvas().Handle(), 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
  }
  Cardinal At(int x, int y) const { return GetPixel(bitmap_->Canvas().Handle(), x, y); }
  // How many pixels of the rect have the colour.
  int Count(const TRect& r, Cardinal color) const {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += At(x, y) == color ? 1 : 0;
    return n;
  }

 private:
  std::unique_ptr<TBitmap> bitmap_;
};

TRect Inner(const TRect& r, int by) { return TRect{r.Left + by, r.Top + by, r.Right - by, r.Bottom - by}; }
int Area(const TRect& r) { return std::max(r.Width(), 0) * std::max(r.Height(), 0); }

class TabAdapterTest : public AdapterFixture {
 protected:
  TSkinVariant Variant() const override { return TabVariant(); }
  void TearDown() override {
    FreePageAdapters();
    AdapterFixture::TearDown();
  }
  HWND Tabs(DWORD style, int count, int x = 20, int y = 20, int w = 260, int h = 180) {
    const HWND tabs = Child(WC_TABCONTROLW, L"", style | WS_CLIPSIBLINGS, x, y, w, h);
    const wchar_t* names[] = {L"Első", L"Második lap", L"Harmadik"};
    for (int i = 0; i < count; ++i) {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(names[i % 3]);
      SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    if (count > 1) SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
    return tabs;
  }
  static void Repaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
};

// Each side: the frame in the side's page section, the selected tab in state 2 and larger than its item
// rect, the others in state 0; without tabs the whole control in "CHECKBOX".
TEST_F(TabAdapterTest, TheFrameTakesTheSidesSectionAndTheSelectedTabState2) {
  const struct {
    DWORD style;
    int side;
    int x, y;
  } cases[] = {{0, 0, 20, 10}, {TCS_BOTTOM, 1, 290, 10}, {TCS_VERTICAL | TCS_MULTILINE, 2, 20, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(kPageSections[c.side]);
    const HWND tabs = Tabs(c.style, 3, c.x, c.y);
    auto* adapter = Adapt<TskTabControlWnd>(tabs);
    Repaint(tabs);
    EXPECT_EQ(adapter->Position(), c.side);
    EXPECT_EQ(adapter->PaintSectionName(), kPageSections[c.side]);
    const TCapture shot(tabs);
    const TRect page = Inner(adapter->DisplayRect(), 4);
    EXPECT_GT(shot.Count(page, Ref(kPageFace[c.side])), Area(page) * 9 / 10);

    RECT item{};
    SendMessageW(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    const TRect selected = adapter->TabRect(1, true);
    EXPECT_EQ(selected, AdjustedTabRect(FromRECT(item), static_cast<TsTabSide>(c.side), tlTabs, true));
    EXPECT_GT(Area(selected), Area(FromRECT(item)));
    const TRect selectedInside = Inner(selected, 2);
    EXPECT_GT(shot.Count(selectedInside, Ref(kTabFace[2])), Area(selectedInside) / 2);
    EXPECT_EQ(shot.Count(selectedInside, Ref(kTabFace[0])), 0);
    for (const int other : {0, 2}) {
      // The part of an unselected tab that its neighbours and the frame leave visible.
      RECT r{};
      SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(other), reinterpret_cast<LPARAM>(&r));
      const TRect visible = Inner(FromRECT(r), 3);
      EXPECT_GT(shot.Count(visible, Ref(kTabFace[0])), Area(visible) / 3) << "tab " << other;
      EXPECT_EQ(shot.Count(visible, Ref(kTabFace[2])), 0) << "tab " << other;
    }
  }
  const HWND empty = Tabs(0, 0, 300, 220, 200, 120);
  auto* adapter = Adapt<TskTabControlWnd>(empty);
  Repaint(empty);
  EXPECT_EQ(adapter->PaintSectionName(), "CHECKBOX");
  const TCapture shot(empty);
  EXPECT_EQ(shot.At(100, 60), Ref(kEmptyFace));
  EXPECT_EQ(shot.At(100, 5), Ref(kEmptyFace)) << "no tab strip";
}

// A selection set by a message shows at once, its tab in state 2 and the one selected before back in
// state 0, with the control's redrawing on again.
TEST_F(TabAdapterTest, ANewSelectionShowsItsTabInState2) {
  const HWND tabs = Tabs(0, 3);
  auto* adapter = Adapt<TskTabControlWnd>(tabs);
  Repaint(tabs);
  SendMessageW(tabs, TCM_SETCURSEL, 2, 0);
  UpdateWindow(tabs);
  const TCapture shot(tabs);
  const TRect now = Inner(adapter->TabRect(2, true), 2);
  EXPECT_GT(shot.Count(now, Ref(kTabFace[2])), Area(now) / 2);
  RECT r{};
  SendMessageW(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  const TRect before = Inner(FromRECT(r), 3);
  EXPECT_EQ(shot.Count(before, Ref(kTabFace[2])), 0) << "the tab selected before is back in state 0";
  EXPECT_TRUE(IsWindowVisible(tabs)) << "redrawing is on again";
}

// Left tabs turn their text: its pixels on the selected tab reach further down than across. A tab
// font named "MS Sans Serif" is turned as "Arial".
TEST_F(TabAdapterTest, LeftTabsDrawTheirTextTurned) {
  const HWND tabs = Tabs(TCS_VERTICAL | TCS_MULTILINE, 3);
  LOGFONTW face{};
  face.lfHeight = -13;
  std::wcscpy(face.lfFaceName, L"MS Sans Serif");
  const HFONT font = CreateFontIndirectW(&face);
  SendMessageW(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  auto* adapter = Adapt<TskTabControlWnd>(tabs);
  Repaint(tabs);
  const TRect tab = Inner(adapter->TabRect(1, true), 2);
  const TCapture shot(tabs);
  TRect ink{tab.Right, tab.Bottom, tab.Left, tab.Top};
  for (int y = tab.Top; y < tab.Bottom; ++y)
    for (int x = tab.Left; x < tab.Right; ++x) {
      const Cardinal c = shot.At(x, y);
      if (c == Ref(kTabFace[2]) || c == Ref(kEdge)) continue;
      ink = TRect{std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1), std::max(ink.Bottom, y + 1)};
    }
  ASSERT_FALSE(ink.IsEmpty()) << "the text is drawn";
  EXPECT_GT(ink.Height(), ink.Width() * 2) << "turned: taller than wide";
  DestroyWindow(tabs);
  DeleteObject(font);
}

// The control's scroll arrows (an up-down child of a single-row control too narrow for its tabs) get an
// adapter, made anew on every size change.
TEST_F(TabAdapterTest, AnUpDownChildGetsAFreshSpinAdapterAfterASizeChange) {
  const HWND tabs = Tabs(0, 3, 20, 20, 90, 80);
  const HWND upDown = FindWindowExW(tabs, nullptr, UPDOWN_CLASSW, nullptr);
  ASSERT_NE(upDown, nullptr) << "the control scrolls its tabs";
  auto* adapter = Adapt<TskTabControlWnd>(tabs);
  ASSERT_NE(adapter->SpinAdapter(), nullptr);
  EXPECT_EQ(FindAdapter(upDown), adapter->SpinAdapter());
  EXPECT_NE(dynamic_cast<TskSpinWnd*>(adapter->SpinAdapter()), nullptr);
  EXPECT_EQ(adapter->SpinAdapter()->SkinData->SkinSection(), "UPDOWNBTN");
  // A mark on the present adapter: a new one starts without it.
  adapter->SpinAdapter()->SkinData->HueShift = 77;
  SetWindowPos(tabs, nullptr, 0, 0, 100, 84, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_NE(adapter->SpinAdapter(), nullptr);
  EXPECT_EQ(adapter->SpinAdapter()->SkinData->HueShift, 0) << "a new adapter";
  EXPECT_EQ(FindAdapter(upDown), adapter->SpinAdapter());
}

// A caller prints the control into its own DC after saving its state and moving the origin to the
// control's place (as a dialog's print does): the selected tab lands at that origin and the caller
// finds its saved states and its origin as it left them.
TEST_F(TabAdapterTest, PrintingIntoACallersDcLeavesTheCallersStateAsItWas) {
  const HWND tabs = Tabs(0, 3, 20, 20, 260, 180);
  auto* adapter = Adapt<TskTabControlWnd>(tabs);
  const std::unique_ptr<TBitmap> target = CreateBmp32(400, 300);
  const HDC dc = target->Canvas().Handle();
  const int callerLevel = SaveDC(dc);
  SetViewportOrgEx(dc, 40, 30, nullptr);
  const int printLevel = SaveDC(dc);
  for (const bool animation : {false, true}) {
    SCOPED_TRACE(animation ? "animation" : "print mode");
    FillDCColor(dc, TRect{-40, -30, 360, 270}, 0xFFFFFF);
    InAnimationProcess = animation;
    if (!animation) SendSkinCommand(tabs, scPrintMode, reinterpret_cast<LPARAM>(dc));
    SendMessageW(tabs, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    if (!animation) SendSkinCommand(tabs, scPrintMode, 0);
    InAnimationProcess = false;
    POINT origin{};
    GetViewportOrgEx(dc, &origin);
    EXPECT_EQ(origin.x, 40);
    EXPECT_EQ(origin.y, 30);
    EXPECT_EQ(SaveDC(dc), printLevel + 1) << "no saved state of the caller popped or left behind";
    RestoreDC(dc, -1);
    const TRect selected = Inner(adapter->TabRect(1, true), 2);
    int face = 0;
    for (int y = selected.Top; y < selected.Bottom; ++y)
      for (int x = selected.Left; x < selected.Right; ++x) face += GetPixel(dc, x, y) == Ref(kTabFace[2]) ? 1 : 0;
    EXPECT_GT(face, Area(selected) / 2) << "the selected tab at the caller's origin";
  }
  RestoreDC(dc, callerLevel);
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  EXPECT_EQ(origin.x, 0);
}

// A foreign tab control with page windows: each page shows the control's page area, and pages made
// and destroyed a thousand times leave only the live ones in the page list.
TEST_F(TabAdapterTest, PagesShowThePageAreaAndTheListKeepsOnlyLivePages) {
  const HWND tabs = Tabs(0, 3, 20, 20, 260, 180);
  RECT area{0, 0, 260, 180};
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  auto newPage = [&] {
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, area.left, area.top, area.right - area.left,
                           area.bottom - area.top, tabs, nullptr, GetModuleHandleW(nullptr), nullptr);
  };
  HWND pages[2] = {newPage(), newPage()};
  ShowWindow(pages[1], SW_HIDE);
  auto* adapter = Adapt<TskPageControlWnd>(tabs);
  ASSERT_EQ(PageAdapters().size(), 2u);
  for (const HWND page : pages) EXPECT_NE(dynamic_cast<TskPageWnd*>(FindAdapter(page)), nullptr);
  EXPECT_EQ(FindAdapter(adapter->Window), adapter);
  Repaint(tabs);
  EXPECT_EQ(ClientPixel(pages[0], 20, 20), Ref(kPageFace[0])) << "the page area shows through the page";

  for (int i = 0; i < 1000; ++i) {
    const int k = i % 2;
    DestroyWindow(pages[k]);
    pages[k] = newPage();  // the control hears of it and makes its pages
    SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(k), 0);
    if (PageAdapters().size() != 2u) break;
  }
  ASSERT_EQ(PageAdapters().size(), 2u);
  for (const TskPageWnd* page : PageAdapters()) {
    EXPECT_TRUE(IsWindow(page->Window));
    EXPECT_TRUE(page->Window == pages[0] || page->Window == pages[1]);
  }
  DestroyWindow(pages[0]);
  DestroyWindow(pages[1]);
}

// The layer's page control: its sheets become pages that show the control's page area, and its tabs
// are painted as a foreign control's are.
TEST_F(TabAdapterTest, AClassLibraryPageControlsSheetsShowItsPageArea) {
  auto* pages = New<TPageControl>(form_);
  pages->SetBounds(20, 20, 260, 180);
  pages->SetParent(form_);
  TTabSheet* sheets[2] = {New<TTabSheet>(form_), New<TTabSheet>(form_)};
  for (TTabSheet* sheet : sheets) {
    sheet->SetCaption("Lap");
    sheet->SetPageControl(pages);
  }
  pages->SetActivePage(sheets[1]);
  guitest::Pump();
  TsCommonData data(pages);
  auto* adapter = Adapt<TskPageControlWnd>(pages->Handle(), "", &data);
  const auto* page = dynamic_cast<TskPageWnd*>(FindAdapter(sheets[1]->Handle()));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Page, sheets[1]);
  Repaint(pages->Handle());
  EXPECT_EQ(ClientPixel(sheets[1]->Handle(), 30, 30), Ref(kPageFace[0]));
  const TCapture shot(pages->Handle());
  const TRect selected = Inner(adapter->TabRect(1, true), 2);
  EXPECT_GT(shot.Count(selected, Ref(kTabFace[2])), Area(selected) / 2);
  FreePageAdapters();
  for (TskMainWnd*& a : adapters_) FreeAdapter(a);
  adapters_.clear();
  delete pages;
}

}  // namespace
