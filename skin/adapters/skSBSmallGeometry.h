// Where the parts of combo boxes, up-down buttons and link labels go, as plain arithmetic shared by
// their adapters. Portable: nothing here measures or draws. Glyph sizes come from MaskStateWidth and
// MaskStateHeight, which answer 0 for masks without images or rows, so no skin divides by zero here.
#pragma once
#include "skin/manager/sConst.h"

// The drop-down button of a combo box W x H: as wide as a vertical scroll bar (scrollWidth) when the
// combo has one (CBS_DROPDOWN or CBS_DROPDOWNLIST), else 0 wide; 2 pixels in from the top, the bottom
// and the right, or from the left for a right-to-left combo.
TRect ComboButtonRect(Integer width, Integer height, bool hasButton, bool leftSide, Integer scrollWidth);
// The height of the combo's glyph: one state of the mask, 16 without a mask.
Integer ComboGlyphHeight(const TsMaskData* mask);
// The top-left of a glyph w x h centred in the rect (division truncates towards zero).
TPoint CentredGlyphOrigin(const TRect& rect, Integer glyphWidth, Integer glyphHeight);

// The two buttons of an up-down control W x H: the first (up, or left) and the second (down, or
// right). An odd size makes them share the middle row (column).
struct TskUpDownRects {
  TRect First;
  TRect Second;
};
TskUpDownRects UpDownButtonRects(Integer width, Integer height, bool vertical);
// The state of each button for a cursor (window rect and cursor in screen coordinates): the half under
// the cursor is hot (1), pressed (2) while the mouse is down; the other half, and both while the cursor
// is outside the window, normal (0). The first half reaches down (right) to bottom - H div 2.
struct TskUpDownStates {
  Integer First = 0;
  Integer Second = 0;
};
TskUpDownStates UpDownStates(const TRect& windowRect, TPoint cursor, bool vertical, bool mouseDown);

// A link label's text as it is shown: every "<A>" and "</A>" removed, exactly as written (the tags in
// other cases stay).
AnsiString LinkDisplayText(const AnsiString& text);
