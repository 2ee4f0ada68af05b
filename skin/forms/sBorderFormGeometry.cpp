#include "skin/forms/sBorderFormGeometry.h"

#include <cstdlib>

namespace {
constexpr Integer kSizingDepth = 4;  // how far the sizing bands reach into the frame

// HTLEFT .. HTBOTTOMRIGHT
constexpr Integer kTop = 12, kBottom = 15, kLeft = 10, kRight = 11;
constexpr Integer kTopLeft = 13, kTopRight = 14, kBottomLeft = 16, kBottomRight = 17;
}  // namespace

TRect BorderVisibleRect(const TskBorderGeometry& g) {
  const Integer o = g.ExtShadowOffset;
  return TRect{g.Shadow.Left - o, g.Shadow.Top - o, g.Width - g.Shadow.Right + o, g.Height - g.Shadow.Bottom + o};
}

bool InShadowBand(const TskBorderGeometry& g, TPoint p) { return !BorderVisibleRect(g).Contains(p); }

Integer BorderFrameHitTest(const TskBorderGeometry& g, TPoint p) {
  if (!g.Zoomed && g.Sizeable) {
    const bool top = p.Y < g.Shadow.Top + kSizingDepth;
    const bool bottom = p.Y >= g.Height - g.Shadow.Bottom - kSizingDepth;
    const bool left = p.X < g.Shadow.Left + kSizingDepth;
    const bool right = p.X >= g.Width - g.Shadow.Right - kSizingDepth;
    if (left) return top ? kTopLeft : bottom ? kBottomLeft : kLeft;
    if (right) return top ? kTopRight : bottom ? kBottomRight : kRight;
    if (top) return kTop;
    if (bottom) return kBottom;
  }
  const Integer captionEnd = g.Shadow.Top + g.Frame + g.CaptionHeight;
  if (p.Y < captionEnd) return g.IconRect.Contains(p) ? 3 : 2;
  if (p.Y < captionEnd + g.MenuHeight) return 5;
  if (!g.FormRect.Contains(p)) return bhNone;
  return g.GripRect.Contains(p) ? kBottomRight : bhNone;
}

TskBorderRegionShape BorderRegionShape(const TskBorderGeometry& g, Integer sideOffset, bool noHole) {
  TskBorderRegionShape shape;
  if (g.Zoomed) {
    const Integer side = g.PlainFrame + sideOffset;
    shape.Whole = false;
    shape.Outer = TRect{side + g.Shadow.Left, g.Shadow.Top + 4, g.Width - side - g.Shadow.Right,
                        g.Height - side - g.Shadow.Bottom};
  }
  if (!noHole) shape.Hole = g.Client;
  return shape;
}

TskSpan StretchSpan(Integer workStart, Integer workSize, Integer before, Integer after) {
  return TskSpan{workStart + before, workSize - before - after};
}

Integer SnapCoord(Integer value, Integer edge, Integer buffer) {
  return std::abs(value - edge) < buffer ? edge : value;
}

TPoint SnapBorderPosition(TPoint position, Integer width, Integer height, const TRect& visibleMargins,
                          const TRect& workArea, Integer buffer) {
  TPoint p = position;
  const Integer left = position.X + visibleMargins.Left;
  const Integer right = position.X + width - visibleMargins.Right;
  if (Integer s = SnapCoord(left, workArea.Left, buffer); s != left) p.X += s - left;
  else if (Integer s2 = SnapCoord(right, workArea.Right, buffer); s2 != right) p.X += s2 - right;
  const Integer top = position.Y + visibleMargins.Top;
  const Integer bottom = position.Y + height - visibleMargins.Bottom;
  if (Integer s = SnapCoord(top, workArea.Top, buffer); s != top) p.Y += s - top;
  else if (Integer s2 = SnapCoord(bottom, workArea.Bottom, buffer); s2 != bottom) p.Y += s2 - bottom;
  return p;
}

TskBorderGeometry BorderGeometryOfFrame(const TskFrameInput& frame, Integer extShadowOffset, Integer captionHeight) {
  TskBorderGeometry g;
  g.Width = FrameCacheWidth(frame);
  g.Height = FrameCacheHeight(frame);
  g.Shadow = frame.Shadow;
  g.ExtShadowOffset = extShadowOffset;
  g.Frame = FrameSysBorderWidthNoExt(frame);
  g.PlainFrame = frame.PlainFrame;
  g.CaptionHeight = captionHeight;
  g.Zoomed = frame.Maximized;
  const Integer side = BorderFormSideOffset(frame);
  g.FormRect = TRect{frame.Shadow.Left + side, frame.Shadow.Top + BorderFormTopOffset(frame),
                     g.Width - frame.Shadow.Right - side, g.Height - frame.Shadow.Bottom - side};
  return g;
}
