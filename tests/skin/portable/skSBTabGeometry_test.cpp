// Where a tab control's frame, tab strip and tabs go, and which row a tab lies in.
#include "skin/adapters/skSBTabGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(TabGeometry, StyleBitsGiveTheSideAndTheLook) {
  struct Case {
    Cardinal style;
    TsTabSide position;
    TskTabLook look;
  } cases[] = {
      {0x0, tsTop, tlTabs},          {0x2, tsBottom, tlTabs},         {0x80, tsLeft, tlTabs},
      {0x82, tsRight, tlTabs},       {0x100, tsTop, tlButtons},       {0x108, tsTop, tlFlatButtons},
      {0x8, tsTop, tlFlatButtons},   {0x182, tsRight, tlButtons},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TabPositionOfStyle(c.style), c.position) << std::hex << c.style;
    EXPECT_EQ(TabLookOfStyle(c.style), c.look) << std::hex << c.style;
  }
}

TEST(TabGeometry, FrameAndStripShareTheTabSideOfThePageArea) {
  struct Case {
    TsTabSide position;
    TRect display, frame, strip;
  } cases[] = {
      {tsTop, {4, 26, 196, 146}, {0, 22, 200, 150}, {0, 0, 200, 22}},
      {tsBottom, {4, 4, 196, 124}, {0, 0, 200, 126}, {0, 126, 200, 150}},
      {tsLeft, {40, 4, 196, 146}, {39, 0, 200, 150}, {0, 0, 39, 150}},
      {tsRight, {4, 4, 160, 146}, {0, 0, 161, 150}, {161, 0, 200, 150}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TabFrameRect(200, 150, c.display, 3, c.position), c.frame) << "position " << c.position;
    EXPECT_EQ(TabStripRect(200, 150, c.display, 3, c.position), c.strip) << "position " << c.position;
    // Without tabs the section covers the whole window.
    EXPECT_EQ(TabFrameRect(200, 150, c.display, 0, c.position), (TRect{0, 0, 200, 150}));
    EXPECT_EQ(TabStripRect(200, 150, c.display, 0, c.position), (TRect{0, 0, 200, 150}));
  }
}

TEST(TabGeometry, TheSelectedTabGrowsOverTheFrameAndTheOthersKeepClear) {
  struct Case {
    TsTabSide position;
    TRect item;
    TRect selected, unselected;
  } cases[] = {
      // Top: the selected tab two pixels larger on every side, the others four below, one less right.
      {tsTop, {10, 2, 60, 22}, {8, 0, 62, 24}, {10, 2, 59, 26}},
      {tsBottom, {10, 100, 60, 120}, {8, 97, 62, 121}, {10, 98, 59, 120}},
      {tsLeft, {2, 10, 22, 60}, {1, 8, 25, 61}, {2, 9, 25, 60}},
      {tsRight, {100, 10, 120, 60}, {97, 8, 121, 62}, {98, 9, 119, 60}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AdjustedTabRect(c.item, c.position, tlTabs, true), c.selected) << "position " << c.position;
    EXPECT_EQ(AdjustedTabRect(c.item, c.position, tlTabs, false), c.unselected) << "position " << c.position;
    // Buttons, and item rects without width, are drawn where they are.
    for (const TskTabLook look : {tlButtons, tlFlatButtons})
      for (const bool selected : {true, false})
        EXPECT_EQ(AdjustedTabRect(c.item, c.position, look, selected), c.item) << "look " << look;
    const TRect empty{c.item.Left, c.item.Top, c.item.Left, c.item.Bottom};
    EXPECT_EQ(AdjustedTabRect(empty, c.position, tlTabs, true), empty);
  }
}

TEST(TabGeometry, RowsCountFromTheWindowEdgeTowardsThePageArea) {
  struct Case {
    TsTabSide position;
    TRect strip;
    TRect item;
    Integer rows;
    Integer row;
  } cases[] = {
      {tsTop, {0, 0, 200, 44}, {2, 2, 60, 22}, 2, 1},
      {tsTop, {0, 0, 200, 44}, {60, 22, 120, 42}, 2, 2},
      {tsLeft, {0, 0, 44, 150}, {2, 2, 22, 60}, 2, 1},
      {tsLeft, {0, 0, 44, 150}, {22, 2, 42, 60}, 2, 2},
      {tsRight, {256, 0, 300, 150}, {258, 2, 278, 60}, 2, 2},
      {tsRight, {256, 0, 300, 150}, {278, 2, 298, 60}, 2, 1},
      {tsBottom, {0, 200, 200, 244}, {2, 202, 60, 222}, 2, 2},
      {tsBottom, {0, 200, 200, 244}, {2, 222, 60, 242}, 2, 1},
      {tsTop, {0, 0, 200, 66}, {2, 44, 60, 64}, 3, 3},
      // One row; and an item rect without height or width: no division, row 1.
      {tsTop, {0, 0, 200, 22}, {60, 22, 120, 42}, 1, 1},
      {tsTop, {0, 0, 200, 44}, {60, 22, 120, 22}, 2, 1},
      {tsRight, {256, 0, 300, 150}, {278, 2, 278, 60}, 2, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TabRowOf(c.item, c.position, c.rows, c.strip), c.row)
        << "position " << c.position << " item " << c.item.Left << "," << c.item.Top;
}

}  // namespace
