#include "skin/adapters/sSkinMenusLayout.h"

#include <gtest/gtest.h>

#include <climits>

#include "vcl/rtl/Exceptions.h"

namespace {

TEST(SkinMenusLayout, CaptionsMakeDividersCaptionItemsAndNormalItems) {
  struct Case {
    const char* caption;
    TsMenuItemType type;
  } cases[] = {
      {"-", smDivider},   {"--", smCaption}, {"-Cím-", smCaption}, {"", smNormal},
      {"a-", smNormal},   {"-a", smNormal},  {"Kivágás", smNormal}, {"---", smCaption},
  };
  for (const Case& c : cases) EXPECT_EQ(MenuItemTypeOf(c.caption), c.type) << '"' << c.caption << '"';
}

TEST(SkinMenusLayout, ItemSizesFollowTheMarginsSpacingAndGlyph) {
  const TskMenuMetrics metrics;  // margin 2, spacing 8
  EXPECT_EQ(PopupItemHeight(smDivider, 13, 16, metrics), 2);
  EXPECT_EQ(PopupItemHeight(smNormal, 13, 16, metrics), 16 + 4 + 2);
  EXPECT_EQ(PopupItemHeight(smNormal, 30, 16, metrics), 30 + 4 + 2);  // a word-wrapped caption
  EXPECT_EQ(PopupItemHeight(smCaption, 13, 16, metrics), 13 + 4 + 2);  // caption items have no glyph
  EXPECT_EQ(PopupItemWidth(16, 50, 0, metrics), 32 + 50 + 6 + 8);
  EXPECT_EQ(PopupItemWidth(16, 50, 32, metrics), 32 + 50 + 6 + 8 + 32);
  EXPECT_EQ(PopupItemWidth(0, 0, 0, TskMenuMetrics{0, 0}), 0);
  EXPECT_THROW(PopupItemWidth(INT_MAX / 2 + 1, 0, 0, metrics), EIntOverflow);
}

TEST(SkinMenusLayout, PopupsMeasureTheirColumnsSplitAtBreaks) {
  using Items = std::vector<TskPopupItemSize>;
  struct Case {
    const char* name;
    Items items;
    Integer width;
    Integer height;
  } cases[] = {
      {"empty", {}, 12, 0},
      {"one column", {{true, false, 80, 22}, {true, false, 120, 22}, {true, false, 60, 2}}, 132, 46},
      {"hidden items count for nothing", {{true, false, 80, 22}, {false, false, 500, 300}}, 92, 22},
      {"two columns: each widest + 12, a gap of 4",
       {{true, false, 80, 22}, {true, false, 100, 22}, {true, true, 50, 22}},
       100 + 12 + 4 + 50 + 12, 44},
      {"the taller column decides",
       {{true, false, 80, 22}, {true, true, 50, 22}, {true, false, 50, 22}, {true, false, 70, 22}},
       80 + 12 + 4 + 70 + 12, 66},
      {"a hidden item's Break starts no column", {{true, false, 80, 22}, {false, true, 50, 22}, {true, false, 40, 22}},
       92, 44},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PopupWidthOf(c.items), c.width) << c.name;
    EXPECT_EQ(PopupHeightOf(c.items), c.height) << c.name;
  }
}

TEST(SkinMenusLayout, OnlyItemsBeforeTheFirstBreakAreInTheFirstColumn) {
  const std::vector<TskPopupItemSize> items = {{true, false, 1, 1}, {true, false, 1, 1}, {true, true, 1, 1},
                                               {true, false, 1, 1}};
  const bool expected[] = {true, true, false, false};
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(InFirstColumn(items, i), expected[i]) << i;
  EXPECT_TRUE(InFirstColumn({}, 0));
}

TEST(SkinMenusLayout, CaptionsSplitAtTheFirstTabOrTakeALeadingBackspaceAsRightAlignment) {
  struct Case {
    const char* caption;
    const char* text;
    const char* afterTab;
    bool hasTab;
    TskCaptionAlign align;
  } cases[] = {
      {"Az összes kijelölése\tCtrl+Alt+A", "Az összes kijelölése", "Ctrl+Alt+A", true, caLeft},
      {"a\tb\tc", "a", "b\tc", true, caLeft},
      {"\x08Súgó", "Súgó      ", "", false, caRight},
      {"Kivágás", "Kivágás", "", false, caFromAlignment},
      {"", "", "", false, caFromAlignment},
      {"\tvégén", "", "végén", true, caLeft},
  };
  for (const Case& c : cases) {
    const TskCaptionParts parts = SplitPopupCaption(c.caption);
    EXPECT_EQ(parts.Text, c.text) << c.caption;
    EXPECT_EQ(parts.AfterTab, c.afterTab) << c.caption;
    EXPECT_EQ(parts.HasTab, c.hasTab) << c.caption;
    EXPECT_EQ(parts.Align, c.align) << c.caption;
  }
}

}  // namespace
