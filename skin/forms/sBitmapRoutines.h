// Bitmaps and device contexts for skinned painting on Windows: 32-bit bitmap factories, fills and
// frames drawn into DCs, the frame strips copied between DCs, graphic children cut out of a clip
// region, text extents, and the bitmap-level painters over the pixel loops (sPixelRoutines.h): keyed
// copies of any pixel format, button glyphs with their disabled effects, images stretched keeping their
// borders, and scroll-bar arrows.
#pragma once
#include <memory>
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Geometry.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/SysTypes.h"

class TBitmap;
class TCanvas;
class TFont;
class TWinControl;

// A device-independent bitmap of 32 bits per pixel.
std::unique_ptr<TBitmap> CreateBmp32(Integer width, Integer height);
// A bitmap of another's size and pixel format.
std::unique_ptr<TBitmap> CreateBmpLike(const TBitmap& bitmap);

// The rect in a solid colour (system colours resolved); the DC's objects and state come back.
void FillDCColor(HDC dc, const TRect& rect, Integer color);
// Four strips of the rect in one colour: the top one (full width, `top` high), the left one below it
// (`left` wide, down to the bottom), the bottom one (from left + `left` to the right edge, `bottom`
// high) and the right one (`right` wide, between the top and bottom strips).
void FillDCBorders(HDC dc, const TRect& rect, Integer left, Integer color, Integer bottom, Integer right, Integer top);
// The frame `border` pixels wide around a width x height area, from the source DC (area at sx, sy) to
// the destination DC (area at x, y), in four copies; the inside is not touched.
void CopyFrameStrips(HDC dest, Integer x, Integer y, Integer width, Integer height, HDC source, Integer sx, Integer sy,
                     Integer border);
// Cuts the places of the parent's visible graphic child controls, moved by (dx, dy), out of the DC's
// clip region.
void ExcludeGraphicChildren(HDC dc, TWinControl* parent, Integer dy, Integer dx);
// `count` nested one-pixel frames, each shrinking the rect by one: the top and left sides in the first
// colour, the bottom and right sides in the second. count is 0 on return.
void DrawTwoColorFrame(HDC dc, const TRect& rect, Integer topLeftColor, Integer& count, Integer bottomRightColor);
// A dotted rect: every third pixel of each side in colour1, the pixel after it in colour2.
void DrawDottedFrame(TCanvas& canvas, const TRect& rect, Integer color1, Integer color2);
// The extent of the text in the font on the screen (X the width, Y the height); 0 x 0 when it cannot be
// measured.
TPoint FontTextExtent(TFont& font, const AnsiString& text);

// The whole source into the 32-bit destination at (x, y) (PutBitmapAt of the pixel loops); a source
// of another pixel format is read through a 32-bit copy, the source itself stays as it is.
void PutBitmapAt(TBitmap& dest, TBitmap& source, Integer x, Integer keyColor, Integer y);

// Which image of a glyph strip a button shows, and how.
enum TsGlyphKind : Integer { gkPlain = 0, gkSecond = 1, gkByState = 2 };
// Disabled-glyph effects.
enum : Integer { geBlend = 1, geGray = 2 };
// A button glyph into the 32-bit dest at the rect's top-left; blend is a percentage. A glyph of one
// image (its key colour: its bottom-left pixel): enabled, kind 0 with a blend mixes it in, otherwise it
// is copied with the key colour left out; disabled, geGray turns it grey and geBlend mixes it in at
// half, otherwise it is copied. A strip of `count` images side by side: image 0 for kind 0 or disabled,
// 1 for kind 1 (0 for a 4-bit glyph), state + 2 for kind 2 (1, or 0 for state 0, when the strip is
// shorter), copied with the key colour left out, or mixed in when disabled with kind 0 and a blend.
void DrawGlyphWithEffects(TBitmap& glyph, TBitmap& dest, const TRect& rect, Integer state, Integer blend, Integer kind,
                          Integer effects, bool enabled, Integer count);
// The source rect onto the dest rect (32-bit bitmaps) keeping its corners (the border widths) as they
// are, stretching its sides along one direction and its centre in both, to the nearest pixel.
void PaintBorderedStretch(TBitmap& dest, const TRect& destRect, TBitmap& source, const TRect& sourceRect,
                          const TsBorderWidths& borders);

// The direction a scroll arrow points.
enum TsArrowDirection : Integer { adUp = 0, adDown = 1, adLeft = 2, adRight = 3 };
// A filled triangle pointing in the direction, centred in the rect of the 32-bit bitmap, in the colour
// (mixed in through its shape as a mask, so that the smoothed edges blend with what lies below).
void DrawScrollArrow(TBitmap& bitmap, const TRect& rect, TsArrowDirection direction, Integer color);
