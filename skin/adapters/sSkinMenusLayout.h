// The skinned popup menus' layout rules, over plain item values so that they hold without windows:
// what kind of item a caption makes (divider, caption item, normal item), how high and wide an item
// and its popup are (columns start at items with Break), which items get the extra line's width, and
// how a caption splits at a Tab or a leading character 8.
#pragma once
#include <vector>
#include "vcl/rtl/SysTypes.h"

enum TsMenuItemType { smCaption = 0, smDivider = 1, smNormal = 2, smTopLine = 3 };

// "-" is a divider; a caption whose first and last characters are both "-" ("--", "-Cím-") is a
// caption item; anything else, the empty caption included, a normal item.
TsMenuItemType MenuItemTypeOf(const AnsiString& caption);

// One item of a popup as the layout sees it: visible, starting a new column (Break), and its measured
// size (the owner-draw answer).
struct TskPopupItemSize {
  bool Visible = true;
  bool Break = false;
  Integer Width = 0;
  Integer Height = 0;
};

// The popup's height: its tallest column, a column being the sum of its visible items' heights.
Integer PopupHeightOf(const std::vector<TskPopupItemSize>& items);
// The popup's width: each finished column adds its width + 4, a column's width being its widest
// visible item + 12; the last column's width is added at the end.
Integer PopupWidthOf(const std::vector<TskPopupItemSize>& items);
// Whether the item at the index is in the first column (neither it nor an item before it has Break).
bool InFirstColumn(const std::vector<TskPopupItemSize>& items, size_t index);

// The popup metrics the skinned menus measure with.
struct TskMenuMetrics {
  Integer Margin = 2;
  Integer Spacing = 8;
};

// An item's height: 2 for a divider; else the text height (a caption item) or the larger of the text
// and glyph heights, plus two margins and 2.
Integer PopupItemHeight(TsMenuItemType type, Integer textHeight, Integer glyphHeight, const TskMenuMetrics& metrics);
// An item's width: two glyph widths, the text, three margins and the spacing, and the extra line's
// width for an item of the first column (0 when the popup shows no extra line).
Integer PopupItemWidth(Integer glyphWidth, Integer textWidth, Integer extraWidthOfColumn, const TskMenuMetrics& metrics);

enum TskCaptionAlign { caFromAlignment = 0, caLeft = 1, caRight = 2 };
// A popup item's caption as it is drawn: with a Tab, the text before the first Tab (left-aligned) and
// the text after it (drawn right-aligned by itself); with a leading character 8, the rest followed by
// six spaces, right-aligned; else the caption in the menus' own alignment.
struct TskCaptionParts {
  AnsiString Text;
  AnsiString AfterTab;
  bool HasTab = false;
  TskCaptionAlign Align = caFromAlignment;
};
TskCaptionParts SplitPopupCaption(const AnsiString& caption);
