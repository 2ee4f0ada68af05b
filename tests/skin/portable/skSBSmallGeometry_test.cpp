// Where combo-box buttons and glyphs, up-down buttons and their states go, and what a link label shows.
#include "skin/adapters/skSBSmallGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(SmallGeometry, ComboButtonIsAScrollBarWideTwoPixelsInOnItsSide) {
  struct Case {
    Integer w, h;
    bool button, left;
    TRect expected;
  } cases[] = {
      {120, 24, true, false, {101, 2, 118, 22}},
      {120, 24, true, true, {2, 2, 19, 22}},     // right-to-left: on the left
      {120, 24, false, false, {118, 2, 118, 22}},  // a simple combo: no button
      {10, 24, true, false, {-9, 2, 8, 22}},     // narrower than the button
  };
  for (const Case& c : cases)
    EXPECT_EQ(ComboButtonRect(c.w, c.h, c.button, c.left, 17), c.expected) << c.w << " " << c.button << c.left;
}

TEST(SmallGeometry, GlyphSizesNeverDivideByZeroAndCentreTruncating) {
  TsMaskData mask;
  mask.R = TRect{0, 0, 27, 18};
  mask.ImageCount = 3;
  struct Case {
    SmallInt type;
    Integer height;
  } cases[] = {{0, 18}, {1, 9}, {-1, 0}, {5, 3}};
  for (const Case& c : cases) {
    mask.MaskType = c.type;
    EXPECT_EQ(ComboGlyphHeight(&mask), c.height) << "type " << c.type;
  }
  EXPECT_EQ(ComboGlyphHeight(nullptr), 16);
  EXPECT_EQ(CentredGlyphOrigin(TRect{10, 2, 27, 22}, 9, 9), (TPoint{14, 7}));
  EXPECT_EQ(CentredGlyphOrigin(TRect{0, 0, 8, 8}, 9, 11), (TPoint{0, -1})) << "-1 / 2 and -3 / 2 truncate";
}

TEST(SmallGeometry, UpDownButtonsShareTheMiddleRowOfAnOddSize) {
  struct Case {
    Integer w, h;
    bool vertical;
    TRect first, second;
  } cases[] = {
      {17, 40, true, {0, 0, 17, 20}, {0, 20, 17, 40}},
      {17, 41, true, {0, 0, 17, 21}, {0, 20, 17, 41}},  // row 20 in both
      {40, 17, false, {0, 0, 20, 17}, {20, 0, 40, 17}},
      {41, 17, false, {0, 0, 21, 17}, {20, 0, 41, 17}},
  };
  for (const Case& c : cases) {
    const TskUpDownRects r = UpDownButtonRects(c.w, c.h, c.vertical);
    EXPECT_EQ(r.First, c.first) << c.w << "x" << c.h;
    EXPECT_EQ(r.Second, c.second) << c.w << "x" << c.h;
  }
}

TEST(SmallGeometry, UpDownStatesFollowTheCursorAndTheMouseButton) {
  const TRect window{100, 200, 117, 240};  // 17 x 40: the first half ends at y 220
  struct Case {
    TPoint cursor;
    bool vertical, down;
    Integer first, second;
  } cases[] = {
      {{108, 205}, true, false, 1, 0}, {{108, 205}, true, true, 2, 0}, {{108, 219}, true, true, 2, 0},
      {{108, 220}, true, true, 0, 2},  {{108, 239}, true, false, 0, 1}, {{108, 240}, true, true, 0, 0},
      {{99, 205}, true, true, 0, 0},   {{105, 230}, false, true, 2, 0}, {{109, 230}, false, true, 0, 2},
  };
  for (const Case& c : cases) {
    const TskUpDownStates s = UpDownStates(window, c.cursor, c.vertical, c.down);
    EXPECT_EQ(s.First, c.first) << c.cursor.X << "," << c.cursor.Y << " vertical " << c.vertical;
    EXPECT_EQ(s.Second, c.second) << c.cursor.X << "," << c.cursor.Y << " vertical " << c.vertical;
  }
}

TEST(SmallGeometry, LinkTextLosesExactlyTheUpperCaseTags) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {
      {"n\xE9zd <A>itt</A>", "n\xE9zd itt"},
      {"<a>kis</a> bet\xFB", "<a>kis</a> bet\xFB"},
      {"<A></A><A>", ""},
      {"<A <A>x</A", "<A x</A"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LinkDisplayText(c.text), c.shown) << c.text;
}

}  // namespace
