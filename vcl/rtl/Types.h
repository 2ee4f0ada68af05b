// Points and rectangles in the component library's shape (Left/Top/Right/Bottom, the right and bottom
// edges excluded). Portable: the GUI, the skin's pixel code and its option records share them; the
// conversions to and from the Win32 structures live in vcl/gui/Geometry.h.
#pragma once
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
