// Where the parts of tool bars, status bars and size grips go, as plain arithmetic shared by their
// adapters and the tests: the look (state index) of a tool button, its caption rect and drop-down arrow,
// a system tool button's state, image and arrow places and its two-line caption, the divider of a
// status part and of a separator, and the grip's corner. Portable: text widths come from a callback.
#pragma once
#include <algorithm>
#include <functional>
#include <string>
#include "skin/manager/sConst.h"

// Custom-draw item states (CDIS_*) that the tool-button look reads.
inline constexpr Cardinal kCdsSelected = 0x1;
inline constexpr Cardinal kCdsDisabled = 0x4;
inline constexpr Cardinal kCdsChecked = 0x8;
inline constexpr Cardinal kCdsHot = 0x40;

// The image of "TOOLBUTTON" a class-library tool button shows: 2 (pressed) when marked, indeterminate,
// selected or checked; 1 (hot) for any other state than none or disabled alone; else 0. A state of
// disabled alone is 0 whatever else the bits hold.
Integer ToolButtonStateIndex(Cardinal state, bool marked, bool indeterminate);
// The image of the drop-down part: 2 while its menu is open (the dropped button with a menu) or the
// button is down, 1 when hot, else 0.
Integer DropDownStateIndex(Cardinal state, bool droppedWithMenu, bool down);
// The width of the drop-down arrow strip at a button's right: a scroll bar's width less 2 for a
// drop-down button (style 2), else 0.
inline Integer DropDownArrowWidth(Integer style, Integer scrollWidth) { return style == 2 ? scrollWidth - 2 : 0; }
// The arrow glyph's top-left in a button buttonWidth wide on a bar of buttonHeight.
TPoint DropDownArrowOrigin(Integer arrowWidth, Integer buttonWidth, Integer buttonHeight, Integer glyphWidth,
                           Integer glyphHeight);

// What the caption rect of a class-library tool button is made of.
struct TskToolCaptionInput {
  Integer ButtonWidth = 0;   // less the arrow strip
  Integer ButtonHeight = 0;
  bool List = false;         // the caption right of the image
  bool HasImage = false;     // the bar has images and the button an image index
  Integer ImageWidth = 0;
  Integer ImageHeight = 0;
  Integer TextWidth = 0;     // of the caption
  Integer LineHeight = 0;    // of "A"
  Integer StateIndex = 0;
};
// The caption's rect: right of the image in a list bar, else centred below the image (or in the middle
// without one); moved by 1, 1 while pressed (state index 2).
TRect ToolButtonCaptionRect(const TskToolCaptionInput& in);

// The state of a system tool button: 0 when disabled, 2 when pressed, 1 under the cursor, else 0.
Integer SystemToolButtonState(bool enabled, bool pressed, bool hot);
// The places of a system tool button's image and, for a whole drop-down button with an arrow glyph,
// of the arrow, in a button w x h; contents move by 1, 1 while pressed.
struct TskToolGlyphPlaces {
  TPoint Image;
  TPoint Arrow;
  friend bool operator==(const TskToolGlyphPlaces&, const TskToolGlyphPlaces&) = default;
};
TskToolGlyphPlaces SystemToolGlyphPlaces(Integer width, Integer height, Integer iconWidth, bool pressed,
                                         bool withArrow, Integer arrowWidth, Integer arrowHeight);
// A caption of two or more words split over two lines: the first line takes the most words that fit the
// width (at least one), the second the rest. One word, or words that all fit, stay on the first line.
struct TskCaptionLines {
  std::string First;
  std::string Second;
  friend bool operator==(const TskCaptionLines&, const TskCaptionLines&) = default;
};
TskCaptionLines SplitToolCaption(const std::string& text, Integer width,
                                 const std::function<Integer(const std::string&)>& textWidth);

// The divider at the right end of a status part: as wide as the divider mask's side borders together,
// at least 2.
inline Integer StatusDividerWidth(Integer leftBorder, Integer rightBorder) {
  return std::max<Integer>(2, leftBorder + rightBorder);
}
// The divider of a separator w x h, in the separator's coordinates.
inline TRect SeparatorDividerRect(Integer width, Integer height) {
  return TRect{width / 2 - 1, 2, width / 2 + 3, height - 2};
}
// The top-left of a glyph in the bottom-right corner of a window w x h (never left of or above it).
inline TPoint GripOrigin(Integer width, Integer height, Integer glyphWidth, Integer glyphHeight) {
  return TPoint{std::max<Integer>(width - glyphWidth, 0), std::max<Integer>(height - glyphHeight, 0)};
}
