// Points and rectangles of the GUI in the component library's shape (Left/Top/Right/Bottom, the right
// and bottom edges excluded), with the conversions to and from the Win32 structures.
#pragma once
#include "vcl/gui/Win.h"
#include "vcl/rtl/SysTypes.h"

struct TPoint {
  Integer X = 0;
  Integer Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  Integer Left = 0;
  Integer Top = 0;
  Integer Right = 0;
  Integer Bottom = 0;

  Integer Width() const { return Right - Left; }
  Integer Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(Integer x, Integer y) { return TPoint{x, y}; }
inline TRect Rect(Integer left, Integer top, Integer right, Integer bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(Integer left, Integer top, Integer width, Integer height) {
  return TRect{left, top, left + width, top + height};
}

inline RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
inline TRect FromRECT(const RECT& r) {
  return TRect{static_cast<Integer>(r.left), static_cast<Integer>(r.top), static_cast<Integer>(r.right),
               static_cast<Integer>(r.bottom)};
}
inline POINT ToPOINT(TPoint p) { return POINT{p.X, p.Y}; }
inline TPoint FromPOINT(POINT p) { return TPoint{static_cast<Integer>(p.x), static_cast<Integer>(p.y)}; }
