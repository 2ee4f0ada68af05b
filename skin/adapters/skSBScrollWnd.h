// TskScrollWnd: the adapter of windows whose standard scroll bars (WS_HSCROLL, WS_VSCROLL) are drawn
// from the skin. The bars are taken out of the system's non-client handling: the adapter lays them out,
// paints, hit-tests and tracks them itself, while the window keeps its own SCROLLINFO and receives the
// ordinary WM_HSCROLL/WM_VSCROLL messages, each bracketed by skin commands 51 and 52.
// Tracking (a pressed part, a thumb drag) is process-wide, one mouse: it belongs to one window at a
// time and is cleared when that window goes away.
#pragma once
#include <memory>

#include "skin/adapters/skSBMainWnd.h"
#include "skin/adapters/skSBScrollGeometry.h"

class TskScrollWnd;

// One bar of a scroll-window adapter.
class TskScrollBar : public TObject {
 public:
  TskScrollBar(TskScrollWnd* owner, Word kind);
  TskBarState State;
  TskScrollWnd* Owner = nullptr;  // not owned
};

// The timers on the adapted window.
inline constexpr UINT_PTR kScrollHoverTimer = 0xFFF2;
inline constexpr UINT_PTR kScrollRepeatDelayTimer = 0xFFFD;  // after 300 ms
inline constexpr UINT_PTR kScrollRepeatTimer = 0xFFFE;       // every 55 ms

class TskScrollWnd : public TskMainWnd {
 public:
  using TskMainWnd::TskMainWnd;
  ~TskScrollWnd() override;
  // Makes the bars and reads the window's scroll state (runs before the window is hooked).
  void SaveStdLook() override;
  void WndProc(TMessage& message) override;

  TskScrollBar* HorzBar() const { return horz_.get(); }
  TskScrollBar* VertBar() const { return vert_.get(); }
  // The bar rects (window rect coordinates, screen based); false for a kind other than 0 and 1.
  bool BarRect(Integer kind, TRect& rect) const;
  // Re-reads both bars' scroll state; with repaint, paints the bars again.
  void UpdateScrollInfo(bool repaint);
  // Paints the bars (and the corner between them) into dc, or into the window's DC for 0. thumbPos:
  // where the tracked bar's thumb is drawn during a drag, -1 for its place.
  void PaintScrollBars(HDC dc, Integer thumbPos = -1);
  bool IsScrollBarEnabled(const TskScrollBar& bar) const;
  // The layout the geometry works on (edges, shown bars, left scroll bar, metrics).
  TskBarLayout Layout() const;
  bool LeftScrollBar = false;
  TskNCEdges Edges;
  bool ThumbTracking = false;
  bool PreventStyleChange = false;

 private:
  void NCCalcSize(TMessage& message);
  void NCHitTest(TMessage& message);
  void NCButtonDown(TMessage& message);
  void NCMouseMove(TMessage& message);
  void HoverTimer();
  void RepeatTimer(UINT_PTR id);
  void TrackThumb(TMessage& message);
  void ButtonUp(TMessage& message);
  void PaintBar(HDC dc, const TskScrollBar& bar, const TRect& windowRect, Integer thumbPos);
  void ReadScrollInfo(TskScrollBar& bar) const;
  std::unique_ptr<TskScrollBar> horz_;
  std::unique_ptr<TskScrollBar> vert_;
};

// The scroll metrics of the system and the current skin's arrows.
TskScrollMetrics CurrentScrollMetrics(TsSkinManager* manager);

// Asks the window with skin command 51, sends msg (WM_HSCROLL or WM_VSCROLL) with the code and pos
// (capped at 0xFFFF in wParam), then skin command 52. A window that answers 51 with 1 gets pos in
// lParam and keeps its scroll state; any other gets lParam 0 and, for SB_THUMBTRACK, its nPos set.
void SendScrollMsg(HWND window, UINT msg, Integer code, Integer pos);

// The scroll-window form of DetachAdapter: detaches the adapter where it is not detached yet (its hooks
// given back only while still on top), and frees it with free.
bool DetachScrollWnd(HWND window, bool free, bool frameChanged, TskMainWnd*& adapter);

// The bar of the window's adapter, nil without a scroll-window adapter or for another kind.
TskScrollBar* GetScrollBarOf(HWND window, Integer kind);
// Sets the minimum thumb of the horizontal bar (which 0), the vertical (1) or both (3); false when the
// window has no scroll-window adapter.
bool SetMinThumbSize(HWND window, Integer which, Word size);

// The window the process-wide tracking state belongs to (nil when idle).
HWND ScrollTrackingWindow();

// Run-time bindings: nil when the system lacks them.
using TGetScrollBarInfo = BOOL(WINAPI*)(HWND, LONG, PSCROLLBARINFO);
using TFlatSB = BOOL(WINAPI*)(HWND);
extern TGetScrollBarInfo GetScrollBarInfoProc;
extern TFlatSB InitializeFlatSBProc;
extern TFlatSB UninitializeFlatSBProc;
