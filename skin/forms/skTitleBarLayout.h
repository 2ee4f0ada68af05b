// The arithmetic of a title bar's items as pure functions: the size an item takes for its content
// (auto-size, with the text measured by the caller's measurer) and the places of the visible items in
// the title area the painter gives the bar. No window is touched, so the tables run natively.
#pragma once
#include <functional>
#include <string>
#include <vector>

enum TskItemAlign { tbaLeft = 0, tbaRight = 1, tbaCenter = 2, tbaCenterInSpace = 3 };
enum TskBtnStyle { bsButton = 0, bsMenu = 1, bsTab = 2, bsSpacing = 3, bsInfo = 4 };

struct TskItemSize {
  int Width = 0, Height = 0;
  bool operator==(const TskItemSize&) const = default;
};

// What an item shows, as its auto-size takes it.
struct TskItemContentInput {
  TskBtnStyle Style = bsButton;
  int ImageWidth = 0, ImageHeight = 0;  // the image list's size, or one glyph's; 0 x 0 without either
  std::string Caption = {};
  int Spacing = 4;          // between the image and the caption
  bool Dropdown = false;    // a drop-down menu is assigned
  int ArrowWidth = 0;       // the drop-down arrow's width (the letter "u" in "Marlett")
  int ItemsMargin = 3;
};

// The size of the caption in the item's font (0 x 0 when it cannot be measured).
using TskTextMeasurer = std::function<TskItemSize(const std::string& text)>;

struct TskItemAutoSize {
  TskItemSize Content;  // image or glyph, spacing, caption and arrow
  TskItemSize Item;     // the item's Width and Height
};

// The content size, and the item's size: at least 16 x 16, the margin on both sides (4 more each side
// for a menu button). A spacing item keeps the size it has (pass it as `current`).
TskItemAutoSize AutoSizeItem(const TskItemContentInput& in, const TskTextMeasurer& measure, TskItemSize current);

// One item as the layout takes it.
struct TskLayoutItem {
  bool Visible = true;
  TskItemAlign Align = tbaLeft;
  TskBtnStyle Style = bsButton;
  int Width = 22, Height = 18;
};

// The title area the painter gives the bar: its vertical centre, bounds, and the right end of the
// title's button area (the centre alignment centres between Left and FullRight).
struct TskTitleBarArea {
  int Centre = 0, Left = 0, Top = 0, Right = 0, Bottom = 0, FullRight = 0;
};

struct TskItemRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TskItemRect&) const = default;
};

struct TskTitleBarLayout {
  // The summed widths of the visible items per alignment (index: TskItemAlign).
  int Widths[4] = {0, 0, 0, 0};
  // One rectangle per item (hidden items: empty at 0, 0).
  std::vector<TskItemRect> Rects;
};

// Left items from the area's left, right items ending at its right, centre items centred between left
// and the full right edge, centre-in-space items centred in the room the left and right items leave;
// vertically menu buttons from the top, tabs down to the bottom, the others centred.
TskTitleBarLayout LayoutTitleBar(const std::vector<TskLayoutItem>& items, const TskTitleBarArea& area);
