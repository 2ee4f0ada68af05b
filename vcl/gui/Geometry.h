// The conversions between the component library's points and rectangles (vcl/rtl/Types.h) and the
// Win32 structures.
#pragma once
#include "vcl/gui/Win.h"
#include "vcl/rtl/Types.h"

inline RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
inline TRect FromRECT(const RECT& r) {
  return TRect{static_cast<Integer>(r.left), static_cast<Integer>(r.top), static_cast<Integer>(r.right),
               static_cast<Integer>(r.bottom)};
}
inline POINT ToPOINT(TPoint p) { return POINT{p.X, p.Y}; }
inline TPoint FromPOINT(POINT p) { return TPoint{static_cast<Integer>(p.x), static_cast<Integer>(p.y)}; }
