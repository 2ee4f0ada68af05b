// Where the parts of a skinned button go, as plain arithmetic over measured sizes (the caption's and
// the glyph's), shared by the button adapters. Portable: nothing here measures or draws.
#pragma once
#include <string_view>
#include "skin/manager/sConst.h"

// The caption rect of a push button W x H whose caption measures w x h: centred, one pixel wider on
// the left and two on the right (DrawText's own margins), moved by (1, 1) while pressed. Division
// truncates towards zero, so a caption wider than the button is still centred.
TRect ButtonCaptionRect(Integer width, Integer height, Integer textWidth, Integer textHeight, bool pressed);
// The width a push button's caption may take: 0 without a caption, W + 1 without a glyph, else what
// the glyph leaves (never below 0).
Integer ButtonMaxCaptionWidth(bool hasCaption, Integer width, Integer glyphWidth);

// The glyph of a class-library glyph button, by its layout (0 left, 1 right, 2 top, 3 bottom of the
// caption), the caption's measured size and the spacing (used only with a glyph and a caption).
struct TsBitBtnLayout {
  Integer Width = 0, Height = 0;            // the button
  Integer GlyphWidth = 0, GlyphHeight = 0;  // one image of the glyph
  Integer TextWidth = 0, TextHeight = 0;    // the measured caption
  Integer Layout = 0;
  Integer Spacing = 0;
  Integer Margin = 0;
  bool HasCaption = false;
  bool Pressed = false;
};
TRect BitBtnGlyphRect(const TsBitBtnLayout& button);
// The caption of such a button: laid out with the glyph in the button's rect by the layout (the
// glyph on its side, the caption on the other), moved by (1, 1) while pressed.
TRect BitBtnCaptionRect(const TsBitBtnLayout& button);
// Its caption's width limit: 0 without a caption; the width less both margins, less the glyph and the
// spacing when the glyph sits beside the caption (never below 0).
Integer BitBtnMaxCaptionWidth(const TsBitBtnLayout& button);

// A foreign button holding a bitmap: the caption moves right by half the glyph and one pixel, the
// glyph sits two pixels left of the caption, centred vertically (one lower while pressed). An empty
// rect without a glyph.
TRect ForeignGlyphCaptionRect(const TRect& captionRect, Integer glyphWidth);
TRect ForeignGlyphRect(const TRect& captionRect, Integer height, Integer glyphWidth, Integer glyphHeight,
                        bool pressed);

// A group box's caption strip for a caption measuring w x h: 6 pixels in from the left (from the right
// for right-to-left reading), 4 wider than the text on each side, at least 6 high, never past W - 1.
TRect GroupBoxCaptionRect(Integer width, Integer textWidth, Integer textHeight, bool rightToLeft);

// The check state of a button as BM_GETSTATE tells it: 2 indeterminate, 1 checked, 0 unchecked.
Integer CheckStateOf(Integer buttonState);
// Whether the button type (the style's low four bits) shows a radio glyph: types 4, 9 and 12.
bool IsRadioType(Integer buttonType);
// The GLOBALINFO mask a check box or radio button shows for a check state (an indeterminate radio
// button takes the box's grey mask).
std::string_view CheckMaskName(bool radio, Integer checkState);
// One state image of a check glyph mask: the width of one of its images (a mask with its own bitmap
// holds three side by side) and the height of one of its rows (its own bitmap: two); 0 x 0 where the
// mask has no images or rows (then nothing is drawn).
struct TsGlyphSize {
  Integer Width = 0, Height = 0;
};
TsGlyphSize CheckGlyphSize(const TsMaskData& mask, Integer ownBitmapWidth, Integer ownBitmapHeight);
