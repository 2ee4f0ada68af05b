// Routines the window adapters share: a window's geometry, the system's fonts, published properties of
// a control by name, whether a section has more than one look, and the notice to a top-level window.
#pragma once
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Geometry.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/SysTypes.h"

class TControl;
class TsCommonData;

// The window's rect (screen), its parent, the parent's rect (screen), the window's size and its
// top-left in the parent's client coordinates.
void GetWindowGeometry(HWND window, HWND& parent, TRect& rect, TPoint& position, TPoint& size, TRect& parentRect);

// The system fonts by kind: 1 caption, 2 small caption, 3 menu, 4 status, 5 message. A new font the
// caller deletes, or nil for another kind or when the system cannot tell.
HFONT CreateSystemFont(int kind);
// The canvas's font takes the system font of the kind (nothing when there is none).
void AssignSystemFont(TCanvas& canvas, int kind);

// The canvas's font takes the window's font (WM_GETFONT; nothing when the window has none).
void AssignWindowFont(TCanvas& canvas, HWND window);

// The section an adapter's constructor was given, or its own default when it was given none.
inline AnsiString SectionOrDefault(const AnsiString& section, const char* fallback) {
  return section.empty() ? AnsiString(fallback) : section;
}

// Published properties by name: a missing control or property does nothing, or reads 0. Colours come
// back as RGB (system colours resolved).
void SetIntPropIfPresent(TControl* control, const char* name, Integer value);
Integer GetColorPropRGB(TControl* control, const char* name);

// The section has more than one look (its border mask more than one image, or itself more than one
// state); false without a manager, a section or a border mask.
bool IsMultiStateSection(const TsCommonData* data);

// A section painted in a state over the background: the fill knows a normal and a hot look, the border
// mask (and the corner images) an image for the pressed state (2) too. Nothing for an invalid section.
struct TsBgPixels;
struct TsPixelView;
class TsSkinManager;
void PaintSectionInState(const TsSkinManager& manager, Integer section, const AnsiString& name, const TsPixelView& view,
                         const TRect& rect, const TsBgPixels& background, TPoint offset, Integer state);

// The cache bitmap of the skin state, 32 bits, of the size.
class TBitmap;
TBitmap& CacheOfSize(TsCommonData& data, Integer width, Integer height);

// The answer to WM_PAINT of an adapter that paints on erase: the whole window is marked for erasing
// and validated, so the erase paints it.
void PaintOnErase(HWND window);
// The background behind a window into the whole view: the background bitmap's pixels from its offsets
// (its colour where the bitmap ends), or the colour, opaque.
void FillWithBackground(const TsPixelView& view, const TsBgPixels& background);
// What lies behind the window (at `position` in its parent) into the whole view; gives the parent's
// background as its answer described it.
struct TskBgInfo;
TskBgInfo FillWithParentBg(const TsPixelView& view, HWND window, TPoint position);
// One state image of a skin mask (the state clamped to its images) at a point of the view, over what
// the view holds. False, painting nothing, for an invalid mask or one whose image is empty.
bool PaintSkinGlyph(const TsSkinManager& manager, Integer mask, const TsPixelView& view, TPoint at, Integer state);
// The size of one state image of a valid mask, else 0 x 0.
TPoint SkinGlyphSize(const TsSkinManager& manager, Integer mask);

// Skin command 25 (a control was added) to the top-most ancestor of the window.
void SendToTopLevel(HWND window);

