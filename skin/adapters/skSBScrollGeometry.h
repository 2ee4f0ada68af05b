// The geometry of skinned scroll bars: part sizes, where the bars lie in a window, the thumb's length
// and place, which part a point hits and the position a thumb drag sends. Plain functions over plain
// records (no Win32 here), so the scroll-bar adapter and the tests share one source of the arithmetic.
// Rectangles are window rects in screen coordinates unless a caller says otherwise.
#pragma once
#include "skin/manager/sConst.h"
#include "vcl/rtl/SysTypes.h"

// The system's MulDiv: a * b / c through a 64-bit product, rounded half away from zero; -1 for a zero
// divisor or a quotient beyond +-0x7FFFFFFF. The bar arithmetic relies on both -1 answers.
Integer skMulDiv(Integer a, Integer b, Integer c);

// The parts of a bar; each equals the scroll code sent for it.
enum TskScrollPart : Integer {
  spNone = -1,
  spFirstArrow = 0,   // SB_LINELEFT / SB_LINEUP
  spSecondArrow = 1,  // SB_LINERIGHT / SB_LINEDOWN
  spTrackBefore = 2,  // SB_PAGELEFT / SB_PAGEUP
  spTrackAfter = 3,   // SB_PAGERIGHT / SB_PAGEDOWN
  spThumb = 5,        // SB_THUMBTRACK
};

// The bar's style flags.
inline constexpr Word sbfFirstArrowDisabled = 0x02;
inline constexpr Word sbfSecondArrowDisabled = 0x04;
inline constexpr Word sbfNeedsUsableRange = 0x10;  // enabled only while the range is usable
inline constexpr Word sbfHasStyle = 0x100;         // the window has this bar's scroll style

// A window's scroll state as SCROLLINFO carries it.
struct TskScrollInfo {
  Integer Min = 0;
  Integer Max = 0;
  Cardinal Page = 0;
  Integer Pos = 0;
  Integer TrackPos = 0;
};

// What the geometry reads of one bar.
struct TskBarState {
  Word Kind = 0;        // 0 horizontal, 1 vertical
  Word StyleFlags = 0;  // sbf* above
  bool Shown = false;   // has room and is laid out; every length is multiplied by it
  TskScrollInfo Info;
  Integer ButtonLength = -1;  // arrow length along the bar; -n: n times the default
  Integer Thickness = -1;     // across the bar; -n: n times the system metric
  Word MinThumb = 10;         // smallest thumb length in pixels
};

// The system metrics and the skin's arrow size that part sizes are made of.
struct TskScrollMetrics {
  Integer HorzBarHeight = 17;  // SM_CYHSCROLL
  Integer VertBarWidth = 17;   // SM_CXVSCROLL
  Integer ArrowLength = 17;    // SM_CXHSCROLL, the default arrow length
  // The skin's arrow size (state width of the left arrow's border mask for a horizontal bar, state
  // height of the top arrow's for a vertical one) when the skin sizes arrows itself; -1 when it does not.
  Integer SkinArrowHorz = -1;
  Integer SkinArrowVert = -1;
};

// The width across (across) or the arrow length along a bar; useSkin lets the skin's arrow size count.
// 0 without a bar or for a kind other than 0 and 1.
Integer ScrollBarPartSize(const TskBarState* bar, bool across, bool useSkin, const TskScrollMetrics& metrics);

// The widths the window's own non-client calculation leaves around the client area.
struct TskNCEdges {
  Integer Left = 0;
  Integer Top = 0;
  Integer Right = 0;
  Integer Bottom = 0;
  friend bool operator==(const TskNCEdges&, const TskNCEdges&) = default;
};

// The two bars and how they are placed, as the bar rectangles need them.
struct TskBarLayout {
  TskBarState Horz;
  TskBarState Vert{1, 0, false, {}, -1, -1, 10};
  TskNCEdges Edges;
  bool LeftScrollBar = false;  // WS_EX_LEFTSCROLLBAR: the vertical bar is on the left
  TskScrollMetrics Metrics;
};

TRect HorzBarRect(const TskBarLayout& layout, const TRect& window);
TRect VertBarRect(const TskBarLayout& layout, const TRect& window);
// The square between two shown bars (bottom right, bottom left with the left scroll bar); empty when
// a bar is not shown.
TRect CornerRect(const TskBarLayout& layout, const TRect& window);

// The non-client calculation around the window's own: window is the proposed window rect, client the
// client rect the window's procedure computed with both scroll styles removed. Sets the edges, each
// bar's style flag and Shown, and takes the shown bars out of the client rect.
void ScrollNCCalcSize(TskBarLayout& layout, const TRect& window, TRect& client, bool hasHorz, bool hasVert);

// A thumb's length and its start along the bar (absolute, in the rect's coordinates).
struct TskThumb {
  Integer Length = 0;
  Integer Start = 0;
  friend bool operator==(const TskThumb&, const TskThumb&) = default;
};
// The thumb of a bar in the bar's rect. Ranges wider than 0x7FFFFFFE have no thumb (length 0).
TskThumb ThumbGeometry(const TskBarState& bar, const TRect& rect, const TskScrollMetrics& metrics);
// The thumb is drawn: it has a positive length that fits the track.
bool ThumbFits(const TskBarState& bar, const TRect& rect, const TskScrollMetrics& metrics);

// The part of the bar at (x, y), coordinates as the rect's; spNone outside it.
TskScrollPart HitTestBar(const TskBarState& bar, const TRect& rect, Integer x, Integer y,
                         const TskScrollMetrics& metrics);

// A thumb drag: where the thumb starts when the mouse is at `mouse` (along the bar) having grabbed the
// thumb `grab` pixels from its start, clamped to the track, and the scroll position that place means.
struct TskThumbDrag {
  Integer Start = 0;
  Integer Position = 0;
  friend bool operator==(const TskThumbDrag&, const TskThumbDrag&) = default;
};
TskThumbDrag ThumbDragPosition(const TskBarState& bar, const TRect& rect, Integer thumbLength, Integer mouse,
                               Integer grab, const TskScrollMetrics& metrics);
