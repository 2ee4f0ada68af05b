#include "skin/forms/skTitleBarLayout.h"

#include <gtest/gtest.h>

namespace {

// Every character is 7 x 13 pixels.
TskItemSize FixedWidthText(const std::string& text) { return {7 * static_cast<int>(text.size()), 13}; }

TEST(TitleBarAutoSize, TakesTheContentAndTheMarginsButNeverLessThan16) {
  struct Case {
    const char* name;
    TskItemContentInput in;
    TskItemSize content, item;
  } cases[] = {
      {"empty at the default margin", {}, {0, 0}, {16, 16}},
      {"empty at margin 10", {.ItemsMargin = 10}, {0, 0}, {20, 20}},
      {"image only", {.ImageWidth = 24, .ImageHeight = 20}, {24, 20}, {30, 26}},
      // image 16 + spacing 4 + 3 x 7
      {"image and caption", {.ImageWidth = 16, .ImageHeight = 16, .Caption = "abc"}, {41, 16}, {47, 22}},
      {"caption only: no spacing", {.Caption = "abcd", .Spacing = 9}, {28, 13}, {34, 19}},
      // a tab's caption is 4 wider, and a tab one taller
      {"tab", {.Style = bsTab, .Caption = "ab"}, {18, 14}, {24, 20}},
      // a menu button: arrow after 4, one taller, margins 4 wider on each side (but not in height)
      {"menu with a drop-down", {.Style = bsMenu, .Caption = "ab", .Dropdown = true, .ArrowWidth = 10},
       {28, 14}, {42, 20}},
      {"button with a drop-down", {.Caption = "ab", .Dropdown = true, .ArrowWidth = 10}, {25, 13}, {31, 19}},
      {"info ignores a drop-down", {.Style = bsInfo, .Caption = "ab", .Dropdown = true, .ArrowWidth = 10},
       {14, 13}, {20, 19}},
  };
  for (const Case& c : cases) {
    const TskItemAutoSize size = AutoSizeItem(c.in, FixedWidthText, {22, 18});
    EXPECT_EQ(size.Content, c.content) << c.name;
    EXPECT_EQ(size.Item, c.item) << c.name;
  }
}

TEST(TitleBarAutoSize, ASpacingItemKeepsItsOwnSize) {
  const TskItemAutoSize size = AutoSizeItem({.Style = bsSpacing, .Caption = "wide caption"}, FixedWidthText, {5, 40});
  EXPECT_EQ(size.Item, (TskItemSize{5, 40}));
}

// The title area from x 30 to 330 (full right edge 400), centre line 12, from y 2 to 24.
constexpr TskTitleBarArea kArea{12, 30, 2, 330, 24, 400};

TEST(TitleBarLayout, EachAlignmentStartsWhereItsSumPutsIt) {
  const std::vector<TskLayoutItem> items = {
      {true, tbaLeft, bsButton, 20, 16},   {true, tbaRight, bsButton, 30, 16},
      {true, tbaCenter, bsButton, 40, 16}, {true, tbaCenterInSpace, bsButton, 50, 16},
      {true, tbaLeft, bsButton, 10, 16},   {false, tbaRight, bsButton, 99, 16},
      {true, tbaRight, bsButton, 12, 16},
  };
  const TskTitleBarLayout layout = LayoutTitleBar(items, kArea);
  EXPECT_EQ(layout.Widths[tbaLeft], 30);
  EXPECT_EQ(layout.Widths[tbaRight], 42);  // the hidden item counts nothing
  EXPECT_EQ(layout.Widths[tbaCenter], 40);
  EXPECT_EQ(layout.Widths[tbaCenterInSpace], 50);
  // Left from 30, in collection order.
  EXPECT_EQ(layout.Rects[0], (TskItemRect{30, 4, 50, 20}));
  EXPECT_EQ(layout.Rects[4], (TskItemRect{50, 4, 60, 20}));
  // Right items end at the right bound: start at 330 - 42.
  EXPECT_EQ(layout.Rects[1].Left, 288);
  EXPECT_EQ(layout.Rects[6], (TskItemRect{318, 4, 330, 20}));
  // Centre: 30 + (400 - 30 - 40) / 2.
  EXPECT_EQ(layout.Rects[2].Left, 195);
  // Centre in space: 30 + 30 + (330 - 30 - 42 - 30 - 50) / 2.
  EXPECT_EQ(layout.Rects[3].Left, 149);
  EXPECT_EQ(layout.Rects[5], TskItemRect{});
}

TEST(TitleBarLayout, MenusHangFromTheTopTabsStandOnTheBottomOthersCentre) {
  const std::vector<TskLayoutItem> items = {
      {true, tbaLeft, bsButton, 20, 15}, {true, tbaLeft, bsMenu, 20, 15}, {true, tbaLeft, bsTab, 20, 15},
      {true, tbaLeft, bsSpacing, 20, 15}, {true, tbaLeft, bsInfo, 20, 10},
  };
  const TskTitleBarLayout layout = LayoutTitleBar(items, kArea);
  EXPECT_EQ(layout.Rects[0].Top, 12 - 7);
  EXPECT_EQ(layout.Rects[1].Top, 2);
  EXPECT_EQ(layout.Rects[2].Bottom, 24);
  EXPECT_EQ(layout.Rects[3].Top, 5);
  EXPECT_EQ(layout.Rects[4], (TskItemRect{110, 7, 130, 17}));
}

}  // namespace
