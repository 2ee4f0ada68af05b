#include "skin/adapters/skSBTabGeometry.h"

TsTabSide TabPositionOfStyle(Cardinal style) {
  const bool second = (style & kTabStyleBottom) != 0;
  if ((style & kTabStyleVertical) == 0) return second ? tsBottom : tsTop;
  return second ? tsRight : tsLeft;
}

TskTabLook TabLookOfStyle(Cardinal style) {
  if ((style & kTabStyleFlatButtons) != 0) return tlFlatButtons;
  return (style & kTabStyleButtons) != 0 ? tlButtons : tlTabs;
}

TRect TabFrameRect(Integer width, Integer height, const TRect& display, Integer tabCount, TsTabSide position) {
  TRect r{0, 0, width, height};
  if (tabCount <= 0) return r;
  switch (position) {
    case tsTop: r.Top = display.Top - 4; break;
    case tsBottom: r.Bottom = display.Bottom + 2; break;
    case tsLeft: r.Left = display.Left - 1; break;
    case tsRight: r.Right = display.Right + 1; break;
    default: break;
  }
  return r;
}

TRect TabStripRect(Integer width, Integer height, const TRect& display, Integer tabCount, TsTabSide position) {
  TRect r{0, 0, width, height};
  if (tabCount <= 0) return r;
  switch (position) {
    case tsTop: r.Bottom = display.Top - 4; break;
    case tsBottom: r.Top = display.Bottom + 2; break;
    case tsLeft: r.Right = display.Left - 1; break;
    case tsRight: r.Left = display.Right + 1; break;
    default: break;
  }
  return r;
}

namespace {

void Inflate(TRect& r, Integer dx, Integer dy) {
  r.Left -= dx;
  r.Right += dx;
  r.Top -= dy;
  r.Bottom += dy;
}

}  // namespace

TRect AdjustedTabRect(TRect r, TsTabSide position, TskTabLook look, bool selected) {
  if (look != tlTabs || r.Left == r.Right) return r;
  if (selected) {
    r.Bottom -= 1;
  } else {
    r.Bottom += 3;
    r.Right -= 1;
  }
  const Integer s = selected ? 1 : 0;
  switch (position) {
    case tsTop:
      Inflate(r, 2 * s, 2 * s);
      r.Bottom += 1;
      break;
    case tsBottom:
      Inflate(r, 2 * s, s);
      r.Top -= 2;
      r.Bottom += selected ? 1 : -3;
      break;
    case tsLeft:
      Inflate(r, 0, 1);
      r.Right += 2;
      if (selected) {
        Inflate(r, 1, 1);
      } else {
        r.Bottom -= 4;
        r.Right += 2;
      }
      break;
    case tsRight:
      Inflate(r, 1, 0);
      r.Left -= 1;
      r.Right -= 1;
      r.Top -= 1;
      r.Bottom -= 1;
      if (selected) {
        Inflate(r, 1, 1);
        r.Bottom += 3;
      } else {
        r.Bottom -= 2;
      }
      break;
    default:
      break;
  }
  return r;
}

Integer TabRowOf(const TRect& item, TsTabSide position, Integer rows, const TRect& strip) {
  const Integer w = item.Width(), h = item.Height();
  // A skin or a control can give an item rect without size: there is no row to divide it into.
  if (rows < 2 || w <= 0 || h <= 0) return 1;
  switch (position) {
    case tsTop: return (h / 2 + item.Bottom) / h;
    case tsLeft: return (w / 2 + item.Right) / w;
    case tsRight: return rows - (item.Right + w / 2 - strip.Left) / w + 1;
    case tsBottom: return rows - (item.Bottom + h / 2 - strip.Top) / h + 1;
    default: return 1;
  }
  return 1;
}
