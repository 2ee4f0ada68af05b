// Small painters that skinned controls share: the skinned border of a control (the section's border mask
// and a band of the background colour up to the control's border width), the glyph of a tool button,
// the images of image lists as 32-bit pictures (a strip of state frames side by side), and the alpha
// that images without any are given. The arithmetic is portable and tested natively; the painters
// over windows, device contexts and image lists are Windows only.
#pragma once
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sConst.h"
#include "skin/manager/sPixelView.h"

// When no pixel has a non-zero alpha byte: every pixel whose colour differs from the bottom-left
// pixel's becomes opaque, those of that colour stay transparent. A bitmap with any alpha, or an empty
// one, is left as it is.
void AddMissingAlpha(const TsPixelView& bitmap);

// The border widths of a mask: its own width when above 0, else its common border width when above 0,
// else one state image's width (left, right; the left counts a mask without image count as one image)
// or height (top, bottom).
TsBorderWidths MaskBorderWidths(const TsMaskData& mask);

// The custom-draw state bits a tool bar passes for a button.
enum : Cardinal { cdsSelected = 0x01, cdsChecked = 0x08, cdsHot = 0x40 };

// What places a tool button's glyph.
struct TsToolGlyphLayout {
  Integer ButtonWidth = 0;
  Integer ButtonHeight = 0;
  Integer ImageWidth = 0;
  Integer ImageHeight = 0;
  bool ListLayout = false;    // the tool bar shows captions beside the images
  bool ShowCaptions = false;
  Integer TextHeight = 0;     // height of "A" in the tool bar's font (with captions under the image)
  bool DropDown = false;      // a drop-down button: its arrow takes 8 pixels
  bool Pressed = false;       // the glyph moves by one pixel right and down
};
// The glyph's rectangle in the button's coordinates.
TRect ToolButtonGlyphRect(const TsToolGlyphLayout& layout);

// The frame of an image that holds stateCount frames side by side: its width (the image width shared
// among the frames; a count below 1 counts as 1) and the frame shown for a state (the last one for
// states past it, the first for negative states).
struct TsGlyphFrame {
  Integer Width = 0;
  Integer Index = 0;
};
TsGlyphFrame GlyphFrame(Integer imageWidth, Integer stateCount, Integer state);

// The band of background colour between a border mask's widths and a control's border width: per side
// the border width, limited by the rectangle's size less the opposite mask width, less the mask's own
// width, never below 0.
TsBorderWidths BorderBandWidths(const TRect& rect, Integer borderWidth, const TsBorderWidths& mask);
// The rectangle less the width on every side, never inverted (widths beyond the size leave it empty).
TRect ShrinkRect(const TRect& rect, const TsBorderWidths& widths);

#if defined(_WIN32)
#include "vcl/gui/Geometry.h"

class TBitmap;
class TCustomImageList;
class TToolBar;
class TToolButton;
class TsCommonData;

void AddMissingAlpha(TBitmap& bitmap);
// The screen's bits per pixel.
Integer ScreenBitsPerPixel();

// A new 32-bit bitmap (width x height) of the image at index, taken through the list's icon of it; nil
// for a list without a handle or an index outside it.
std::unique_ptr<TBitmap> GetImageListBitmap32(TCustomImageList& list, Integer index, Integer width, Integer height);

// Draws frame `state` of the image at index (stateCount frames side by side) at (x, y) into the 32-bit
// target and returns the rectangle drawn (empty when nothing was: an empty target, a list without a
// handle, a negative index). The list draws onto a copy of the target's area, which is put back.
// The blend options are for image lists that keep alpha images; plain lists draw themselves.
TRect DrawImageListGlyph(TCustomImageList& list, TBitmap& target, Integer x, Integer y, Integer index,
                         Integer stateCount, Integer state, const TsAlphaBlendOptions& blend = {});

// Paints the button's image into the target bitmap (the button's size) for the custom-draw state (the
// tool bar's hot images while hot, when they hold the button's image): the glyph is drawn onto a
// picture filled with the key colour, which is put onto the target without it.
void DrawToolButtonGlyph(TToolBar& toolBar, TToolButton& button, Cardinal customDrawState, TBitmap& target);

// Paints a skinned control's border into the control's cache bitmap (made or grown to the rectangle
// when needed) and sets inner to what is left inside it; see the unit's source for the steps.
void PaintControlBorder(HDC target, const TRect& rect, Integer borderWidth, TRect& inner, Integer state,
                        TsCommonData& data);
#endif
