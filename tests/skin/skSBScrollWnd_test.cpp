// The scroll-bar adapter on a multi-line EDIT of 200 lines: its layout and hit codes, an arrow click
// with its repeat, a thumb drag, the bar's pixels from the skin, the mirrored layout, and detaching
// under a subclass installed above it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "SkinFixture.h"
#include "skin/adapters/skSBScrollWnd.h"
#include "skin/forms/sCommonData.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"

namespace {

using skintest::SkinFixture;

// What the window's own procedure received of the scroll protocol.
struct TSeen {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
};
std::vector<TSeen> seen;
WNDPROC editProc = nullptr;

// Installed below the adapter: it sees what the adapter sends to the window.
LRESULT CALLBACK SpyProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  const bool command = msg == SkinCommandMessage &&
                       (SkinCommandOf(wParam) == scScrollBegin || SkinCommandOf(wParam) == scScrollEnd);
  if (command || msg == WM_VSCROLL) seen.push_back({msg, wParam, lParam});
  return CallWindowProcW(editProc, window, msg, wParam, lParam);
}

WNDPROC aboveNext = nullptr;
int aboveCalls = 0;
LRESULT CALLBACK AboveProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  ++aboveCalls;
  return CallWindowProcW(aboveNext, window, msg, wParam, lParam);
}

Cardinal Blend(Cardinal background, Cardinal color, double factor) {
  Cardinal out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int b = static_cast<int>((background >> shift) & 0xFF);
    const int c = static_cast<int>((color >> shift) & 0xFF);
    out |= static_cast<Cardinal>(std::lround(b + factor * (c - b))) << shift;
  }
  return out;
}

class ScrollAdapterTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    form_.reset(New<TForm>(nullptr));
    form_->SetBounds(40, 40, 400, 420);
    form_->Show();
    seen.clear();
  }
  void TearDown() override {
    for (HWND w : windows_) DestroyWindow(w);
    for (TskMainWnd*& a : adapters_) FreeAdapter(a);
    form_.reset();
    SkinFixture::TearDown();
  }
  // A multi-line edit of `lines` lines with a vertical bar, spied on below and adapted above.
  HWND MakeEdit(int lines, DWORD exStyle = 0) {
    std::wstring text;
    for (int i = 0; i < lines; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
    const HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE | exStyle, L"EDIT", text.c_str(),
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 10, 10, 200,
                                      300, form_->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    windows_.push_back(edit);
    editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SpyProc)));
    adapter_ = New<TskScrollWnd>(edit, true, "EDIT", nullptr, nullptr);
    adapters_.push_back(adapter_);
    SetWindowPos(edit, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    UpdateWindow(edit);
    return edit;
  }
  TRect VertRect() const {
    TRect r;
    adapter_->BarRect(1, r);
    return r;
  }
  static int FirstLine(HWND edit) { return static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0)); }
  static LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
  // The pixel of the window DC at a screen point.
  static Cardinal PixelAt(HWND window, int x, int y) {
    RECT r{};
    GetWindowRect(window, &r);
    const HDC dc = GetWindowDC(window);
    const COLORREF c = GetPixel(dc, x - r.left, y - r.top);
    ReleaseDC(window, dc);
    return c;
  }
  Cardinal SectionColor(const char* name) const { return ColorToRGB(static_cast<TColor>(SectionData(name).Props[0].Color)); }

  std::unique_ptr<TForm> form_;
  std::vector<HWND> windows_;
  TskScrollWnd* adapter_ = nullptr;
  std::vector<TskMainWnd*> adapters_;  // freed after their windows
};

TEST_F(ScrollAdapterTest, LayoutLeavesTheBarOutOfTheClientAndHitTestsItUnlessDisabled) {
  const HWND edit = MakeEdit(200);
  RECT window{}, client{};
  GetWindowRect(edit, &window);
  GetClientRect(edit, &client);
  EXPECT_EQ(adapter_->Edges, (TskNCEdges{2, 2, 2, 2}));
  EXPECT_TRUE(adapter_->VertBar()->State.Shown);
  EXPECT_FALSE(adapter_->HorzBar()->State.Shown);
  EXPECT_EQ(client.right, (window.right - window.left) - 4 - GetSystemMetrics(SM_CXVSCROLL));
  const TRect bar = VertRect();
  EXPECT_EQ(bar, (TRect{window.right - 2 - 17, window.top + 2, window.right - 2, window.bottom - 2}));
  EXPECT_EQ(SendMessageW(edit, WM_NCHITTEST, 0, At(bar.Left + 8, bar.Top + 40)), HTVSCROLL);
  EXPECT_EQ(SendMessageW(edit, WM_NCHITTEST, 0, At(bar.Left - 8, bar.Top + 40)), HTCLIENT);

  // An empty edit's bar is disabled: the system would still answer HTVSCROLL there.
  TskScrollWnd* full = adapter_;
  const HWND empty = MakeEdit(0);
  const TRect emptyBar = VertRect();
  EXPECT_EQ(SendMessageW(empty, WM_NCHITTEST, 0, At(emptyBar.Left + 8, emptyBar.Top + 40)), HTNOWHERE);
  EXPECT_NE(full, adapter_);
}

TEST_F(ScrollAdapterTest, ArrowClickScrollsInsideCommandsAndRepeatsOnTimers) {
  const HWND edit = MakeEdit(200);
  const TRect bar = VertRect();
  const int x = bar.Left + 8, y = bar.Bottom - 5;  // the second arrow
  ASSERT_EQ(FirstLine(edit), 0);
  SetCursorPos(x, y);
  SendMessageW(edit, WM_NCLBUTTONDOWN, HTVSCROLL, At(x, y));
  EXPECT_EQ(FirstLine(edit), 1);
  ASSERT_EQ(seen.size(), 3u);
  const LPARAM command = MAKELPARAM(SB_LINEDOWN, WM_VSCROLL);
  EXPECT_EQ(seen[0].Msg, SkinCommandMessage);
  EXPECT_EQ(SkinCommandOf(seen[0].WParam), scScrollBegin);
  EXPECT_EQ(seen[0].LParam, command);
  EXPECT_EQ(seen[1].Msg, static_cast<UINT>(WM_VSCROLL));
  EXPECT_EQ(LOWORD(seen[1].WParam), SB_LINEDOWN);
  EXPECT_EQ(SkinCommandOf(seen[2].WParam), scScrollEnd);
  EXPECT_EQ(seen[2].LParam, command);
  EXPECT_EQ(ScrollTrackingWindow(), edit);

  // The delay timer starts the repeat, each repeat scrolls while the cursor stays on the arrow.
  SendMessageW(edit, WM_TIMER, kScrollRepeatDelayTimer, 0);
  EXPECT_EQ(FirstLine(edit), 2);
  SendMessageW(edit, WM_TIMER, kScrollRepeatTimer, 0);
  EXPECT_EQ(FirstLine(edit), 3);
  SetCursorPos(bar.Left - 50, y);  // off the arrow: the repeat waits
  SendMessageW(edit, WM_TIMER, kScrollRepeatTimer, 0);
  EXPECT_EQ(FirstLine(edit), 3);

  seen.clear();
  SendMessageW(edit, WM_LBUTTONUP, 0, 0);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(LOWORD(seen[1].WParam), SB_ENDSCROLL);
  EXPECT_EQ(ScrollTrackingWindow(), nullptr);

  // A window that goes away while it is tracked leaves no tracking state behind.
  SendMessageW(edit, WM_NCLBUTTONDOWN, HTVSCROLL, At(x, y));
  EXPECT_EQ(ScrollTrackingWindow(), edit);
  DestroyWindow(edit);
  windows_.clear();
  EXPECT_EQ(ScrollTrackingWindow(), nullptr);
}

// The bar on the left: the layout mirrors, and the drag's mouse moves arrive at negative client x.
TEST_F(ScrollAdapterTest, ThumbDragOnAMirroredBarSendsTrackPositionsThenPositionAndEnd) {
  const HWND edit = MakeEdit(200, WS_EX_LEFTSCROLLBAR);
  RECT window{};
  GetWindowRect(edit, &window);
  const TRect bar = VertRect();
  EXPECT_EQ(bar, (TRect{window.left + 2, window.top + 2, window.left + 19, window.bottom - 2}));
  POINT origin{0, 0};
  ClientToScreen(edit, &origin);
  EXPECT_EQ(origin.x, window.left + 19) << "the client starts right of the bar";

  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(edit, SB_VERT, &si));
  ASSERT_GT(si.nMax, 100);
  const Integer track = bar.Height() - 2 * 17;
  const Integer thumbLength = std::max(MulDiv(static_cast<int>(si.nPage), track, si.nMax - si.nMin + 1), 10);
  const int x = bar.Left + 8, grabY = bar.Top + 17 + 4;
  SendMessageW(edit, WM_NCHITTEST, 0, At(x, grabY));
  SendMessageW(edit, WM_NCLBUTTONDOWN, HTVSCROLL, At(x, grabY));
  EXPECT_TRUE(adapter_->ThumbTracking);

  std::vector<int> expected;
  for (int dy : {30, 75}) {
    POINT p{x, grabY + dy};
    ScreenToClient(edit, &p);
    ASSERT_LT(p.x, 0);
    SendMessageW(edit, WM_MOUSEMOVE, MK_LBUTTON, At(p.x, p.y));
    expected.push_back(MulDiv(dy, si.nMax - si.nMin - static_cast<int>(si.nPage) + 1, track - thumbLength));
  }
  SendMessageW(edit, WM_LBUTTONUP, 0, 0);
  std::vector<std::pair<int, int>> scrolls;  // code, position
  for (const TSeen& s : seen)
    if (s.Msg == WM_VSCROLL) scrolls.push_back({LOWORD(s.WParam), HIWORD(s.WParam)});
  const std::vector<std::pair<int, int>> want{{SB_THUMBTRACK, expected[0]}, {SB_THUMBTRACK, expected[1]},
                                              {SB_THUMBPOSITION, expected[1]}, {SB_ENDSCROLL, 0}};
  EXPECT_EQ(scrolls, want);
  EXPECT_FALSE(adapter_->ThumbTracking);
  EXPECT_EQ(FirstLine(edit), expected[1]);
}

TEST_F(ScrollAdapterTest, BarPixelsComeFromTheSkinAndADisabledBarFades) {
  const HWND edit = MakeEdit(200);
  // The edit scrolls itself (and the system paints its own bar meanwhile): the skinned bar follows.
  SendMessageW(edit, EM_LINESCROLL, 0, 80);
  const TRect bar = VertRect();
  const TskThumb thumb = ThumbGeometry(adapter_->VertBar()->State, bar, CurrentScrollMetrics(manager_));
  ASSERT_GE(thumb.Length, 20);
  const int x = bar.Left + 8;
  EXPECT_EQ(PixelAt(edit, x, bar.Top + 17 + 3), SectionColor("SCROLLBAR1V"));
  EXPECT_EQ(PixelAt(edit, x, thumb.Start - 3), SectionColor("SCROLLBAR1V"));
  EXPECT_EQ(PixelAt(edit, x, thumb.Start + 4), SectionColor("SCROLLSLIDERV"));
  EXPECT_EQ(PixelAt(edit, x, thumb.Start + thumb.Length + 3), SectionColor("SCROLLBAR2V"));
  EXPECT_EQ(PixelAt(edit, x, bar.Bottom - 17 - 3), SectionColor("SCROLLBAR2V"));
  ASSERT_NE(SectionColor("SCROLLBAR1V"), SectionColor("SCROLLBAR2V"));

  // An empty edit's bar: no thumb, each half faded to 40 percent over the window's background.
  const HWND empty = MakeEdit(0);
  SendMessageW(empty, WM_NCPAINT, 1, 0);
  const TRect emptyBar = VertRect();
  TskBgRequest request;
  GetParentBgFromWindow(request, empty, false);
  const Cardinal background = ColorToRGB(static_cast<TColor>(request.Color));
  EXPECT_EQ(PixelAt(empty, x, emptyBar.Top + 17 + 3), Blend(background, SectionColor("SCROLLBAR1V"), 0.4));
  EXPECT_EQ(PixelAt(empty, x, emptyBar.Bottom - 17 - 3), Blend(background, SectionColor("SCROLLBAR2V"), 0.4));
}

TEST_F(ScrollAdapterTest, HoverShowsThePartUnderTheMouseHotUntilTheMouseLeaves) {
  const HWND edit = MakeEdit(200);
  SendMessageW(edit, EM_LINESCROLL, 0, 80);
  const TRect bar = VertRect();
  const TskThumb thumb = ThumbGeometry(adapter_->VertBar()->State, bar, CurrentScrollMetrics(manager_));
  const int x = bar.Left + 8, y = thumb.Start + 4;
  const Cardinal normal = SectionColor("SCROLLSLIDERV");
  const Cardinal hot = ColorToRGB(static_cast<TColor>(SectionData("SCROLLSLIDERV").Props[1].Color));
  ASSERT_NE(normal, hot);
  ASSERT_EQ(PixelAt(edit, x, y), normal);
  // The system's own hover painting of its bar must not show through.
  SetCursorPos(x, y);
  SendMessageW(edit, WM_NCMOUSEMOVE, HTVSCROLL, At(x, y));
  EXPECT_EQ(PixelAt(edit, x, y), hot);
  SendMessageW(edit, WM_NCMOUSELEAVE, 0, 0);
  EXPECT_EQ(PixelAt(edit, x, y), hot);
  EXPECT_EQ(ScrollTrackingWindow(), edit);
  // Moved to the track: the thumb is normal again; moved off the bar: the hover ends.
  SetCursorPos(x, thumb.Start + thumb.Length + 20);
  SendMessageW(edit, WM_TIMER, kScrollHoverTimer, 0);
  EXPECT_EQ(PixelAt(edit, x, y), normal);
  SetCursorPos(x, y);
  SendMessageW(edit, WM_TIMER, kScrollHoverTimer, 0);
  EXPECT_EQ(PixelAt(edit, x, y), hot);
  SetCursorPos(bar.Left - 60, y);
  SendMessageW(edit, WM_TIMER, kScrollHoverTimer, 0);
  EXPECT_EQ(PixelAt(edit, x, y), normal);
  EXPECT_EQ(ScrollTrackingWindow(), nullptr);
}

TEST_F(ScrollAdapterTest, DetachUnderASubclassAboveLeavesItWorking) {
  const HWND edit = MakeEdit(200);
  aboveNext = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AboveProc)));
  TskMainWnd* adapter = adapter_;
  adapters_.clear();
  DetachScrollWnd(edit, true, false, adapter);
  EXPECT_EQ(adapter, nullptr);
  EXPECT_EQ(FindAdapter(edit), nullptr);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_WNDPROC)), &AboveProc);
  aboveCalls = 0;
  EXPECT_GT(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 1000);
  SendMessageW(edit, EM_LINESCROLL, 0, 5);
  EXPECT_EQ(FirstLine(edit), 5);
  EXPECT_GE(aboveCalls, 3);
  // The system's own bar answers again: no skinned layout is left.
  SetWindowPos(edit, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
  RECT window{};
  GetWindowRect(edit, &window);
  EXPECT_EQ(SendMessageW(edit, WM_NCHITTEST, 0, At(window.right - 10, window.top + 60)), HTVSCROLL);
}

}  // namespace
