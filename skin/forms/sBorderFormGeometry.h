// The geometry of the extended border window that lies around a skinned form: where it stands, which
// of its points the shadow lets through, its hit-test codes, the region with the form's client as a
// hole, the edge double-click's stretch and the snapping to the work area. Pure functions over one
// record of numbers in the border window's coordinates (the provider's cache picture), so the tables
// run natively.
#pragma once
#include "skin/forms/sFrameGeometry.h"
#include "vcl/rtl/Types.h"

struct TskBorderGeometry {
  Integer Width = 0, Height = 0;  // the border window, the size of the owner's cache
  TRect Shadow;                   // shadow margins left, top, right, bottom
  Integer ExtShadowOffset = 0;    // the skin's: the visible frame begins this far inside the margins
  Integer Frame = 0;              // the frame above the title in the picture
  Integer PlainFrame = 0;         // the form's own system frame (a zoomed form's lies off the screen)
  Integer CaptionHeight = 0;      // the title's height with the extended part
  Integer MenuHeight = 0;         // the menu line(s), 0 without
  bool Zoomed = false;
  bool Sizeable = false;          // WS_THICKFRAME
  TRect IconRect;                 // the caption icon (empty: none)
  TRect FormRect;                 // the form's own window
  TRect Client;                   // the form's client area with its visible skinned scroll bars
  TRect GripRect;                 // the size grip (empty: none)
};

// What the frame alone decides of the border window: its size, shadow, frame, caption height, zoom and
// the form's own rectangle. The owner adds the menu line, sizing, icon, client and grip.
TskBorderGeometry BorderGeometryOfFrame(const TskFrameInput& frame, Integer extShadowOffset, Integer captionHeight);

// Hit-test codes the border window answers beside the system ones.
enum : Integer { bhNone = -1 };

// The visible part of the picture: the window less the shadow margins, each shrunk by the offset.
TRect BorderVisibleRect(const TskBorderGeometry& g);
// The point lies on the shadow, outside the visible frame: mouse messages there pass to the window below.
bool InShadowBand(const TskBorderGeometry& g, TPoint p);
// The code of a point that no title button takes: sizing bands (not zoomed, sizeable: from the visible
// edge to 4 pixels into the frame), the caption (3 on the icon, else 2), the menu line (5), the size
// grip (17); -1 elsewhere (the form's own window or the wide border beside it).
Integer BorderFrameHitTest(const TskBorderGeometry& g, TPoint p);

// The border window's region as two rectangles: Outer (the whole window when Whole) less Hole.
struct TskBorderRegionShape {
  bool Whole = true;  // no outer rectangle: the whole window
  TRect Outer;
  TRect Hole;         // empty: none
};
// A zoomed form: a rectangle inside the plain frame, the side offset and the shadow (4 below the top shadow).
// While animating or moving (noHole) no hole; else the form's client is cut out.
TskBorderRegionShape BorderRegionShape(const TskBorderGeometry& g, Integer sideOffset, bool noHole);

// The edge double-click's stretch along one axis: the new start and size for the work area's span, the
// offset before the start and the one after the end.
struct TskSpan {
  Integer Start = 0, Size = 0;
  friend bool operator==(const TskSpan&, const TskSpan&) = default;
};
TskSpan StretchSpan(Integer workStart, Integer workSize, Integer before, Integer after);

// value moved onto edge when it lies closer than buffer.
Integer SnapCoord(Integer value, Integer edge, Integer buffer);
// The border window's new top-left snapped so that the visible frame (margins shrunk by the offset)
// meets the work area's edges within buffer.
TPoint SnapBorderPosition(TPoint position, Integer width, Integer height, const TRect& visibleMargins,
                          const TRect& workArea, Integer buffer);
