// Where the parts of a tab control go, as plain arithmetic over its item rectangles: the tabs' side
// and look from the window style, the frame and the tab strip around the page area, how far a tab is
// drawn beyond its item rectangle, and which row of a multi-row control a tab lies in. Portable:
// nothing here asks the window; the adapter passes what TCM_ADJUSTRECT, TCM_GETITEMRECT and
// TCM_GETROWCOUNT answered.
#pragma once
#include "skin/manager/sSkinLookups.h"
#include "vcl/rtl/Types.h"

// The tab control's style bits that place and shape its tabs (the system's TCS_ values).
inline constexpr Cardinal kTabStyleBottom = 0x2;  // TCS_BOTTOM, TCS_RIGHT with kTabStyleVertical
inline constexpr Cardinal kTabStyleFlatButtons = 0x8;
inline constexpr Cardinal kTabStyleVertical = 0x80;
inline constexpr Cardinal kTabStyleButtons = 0x100;

enum TskTabLook { tlTabs = 0, tlButtons = 1, tlFlatButtons = 2 };

TsTabSide TabPositionOfStyle(Cardinal style);
TskTabLook TabLookOfStyle(Cardinal style);

// The rect painted with the control's section: the whole window W x H, its tab side moved to the page
// area d (top: d.top - 4, bottom: d.bottom + 2, left: d.left - 1, right: d.right + 1) when there are
// tabs.
TRect TabFrameRect(Integer width, Integer height, const TRect& display, Integer tabCount, TsTabSide position);
// The strip that holds the tabs: the rest of the window beyond the frame's tab side (the whole window
// without tabs).
TRect TabStripRect(Integer width, Integer height, const TRect& display, Integer tabCount, TsTabSide position);

// The rect a tab is drawn in, from its item rect: the selected tab grows over the frame, the others
// keep clear of it. Button-looking tabs and empty item rects are drawn as they are.
TRect AdjustedTabRect(TRect item, TsTabSide position, TskTabLook look, bool selected);

// The row of a tab whose item rect is given, in a control of `rows` rows whose tab strip is `strip`:
// row 1 lies at the window's edge, the highest row next to the page area, so rows painted in
// increasing order let the nearer rows cover the farther ones. 1 for fewer than two rows and for an
// item rect without width or height.
Integer TabRowOf(const TRect& item, TsTabSide position, Integer rows, const TRect& strip);
