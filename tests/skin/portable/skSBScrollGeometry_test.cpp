#include "skin/adapters/skSBScrollGeometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// A shown bar of the kind with the scroll state (default arrow length and thickness).
TskBarState Bar(Word kind, const TskScrollInfo& info) { return {kind, 0, true, info, -1, -1, 10}; }

TEST(ScrollGeometry, MulDivRoundsHalfAwayFromZeroAndAnswersMinusOneOnZeroDivisorOrOverflow) {
  struct Case {
    Integer a, b, c, expected;
  } cases[] = {
      {10, 3, 4, 8},   {-10, 3, 4, -8},  {10, 3, -4, -8}, {-10, -3, -4, -8}, {7, 1, 2, 4},
      {5, 5, 10, 3},   {-5, 5, 10, -3},  {9, 1, 4, 2},    {5, 1, 0, -1},     {0, 0, 0, -1},
      {0x7FFFFFFF, 2, 1, -1},            {0x40000000, 4, 2, -1},              {-0x7FFFFFFF, 1, 1, -0x7FFFFFFF},
      {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},                       {INT32_MIN, 1, 1, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(skMulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
#ifdef _WIN32
    EXPECT_EQ(skMulDiv(c.a, c.b, c.c), MulDiv(c.a, c.b, c.c)) << "system MulDiv: " << c.a << " * " << c.b << " / " << c.c;
#endif
  }
}

TEST(ScrollGeometry, PartSizesComeFromTheBarTheMetricsOrTheSkinsArrows) {
  const TskScrollMetrics system{17, 20, 17, -1, -1};
  const TskScrollMetrics skinned{17, 17, 20, 15, 13};
  struct Case {
    Word kind;
    Integer buttonLength, thickness;
    bool across, useSkin;
    const TskScrollMetrics* metrics;
    Integer expected;
  } cases[] = {
      {0, -1, -1, true, false, &system, 17},   // horizontal: SM_CYHSCROLL
      {1, -1, -2, true, false, &system, 40},   // vertical: n x SM_CXVSCROLL
      {1, -1, 5, true, false, &system, 5},     // a set thickness
      {0, -1, -1, false, false, &system, 17},  // the default arrow length
      {0, -2, -1, false, true, &system, 34},   // a skin without its own arrows: n x A
      {1, 7, -1, false, true, &skinned, 7},    // a set length
      {0, -1, -1, false, true, &skinned, 18},  // S + A - 17, the left arrow's width
      {1, -2, -1, false, true, &skinned, 32},  // n x (S + A - 17), the top arrow's height
      {0, -1, -1, false, false, &skinned, 20}, // without the skin: A
      {2, -1, -1, true, false, &system, 0},    // no such kind
  };
  for (const Case& c : cases) {
    TskBarState bar{c.kind, 0, false, {}, c.buttonLength, c.thickness, 10};
    EXPECT_EQ(ScrollBarPartSize(&bar, c.across, c.useSkin, *c.metrics), c.expected)
        << "kind " << c.kind << " length " << c.buttonLength << " thickness " << c.thickness << " across " << c.across;
  }
  EXPECT_EQ(ScrollBarPartSize(nullptr, true, false, system), 0);
}

TEST(ScrollGeometry, BarRectsAndCornerFollowShownBarsEdgesAndTheLeftScrollBar) {
  const TRect window{100, 200, 300, 400};
  TskBarLayout layout;
  layout.Edges = {2, 2, 2, 2};
  layout.Horz.Shown = layout.Vert.Shown = true;
  EXPECT_EQ(HorzBarRect(layout, window), (TRect{102, 381, 281, 398}));
  EXPECT_EQ(VertBarRect(layout, window), (TRect{281, 202, 298, 381}));
  EXPECT_EQ(CornerRect(layout, window), (TRect{281, 381, 298, 398}));

  layout.LeftScrollBar = true;  // mirrored: the vertical bar and the corner on the left
  EXPECT_EQ(HorzBarRect(layout, window), (TRect{119, 381, 298, 398}));
  EXPECT_EQ(VertBarRect(layout, window), (TRect{102, 202, 119, 381}));
  EXPECT_EQ(CornerRect(layout, window), (TRect{102, 381, 119, 398}));

  layout.LeftScrollBar = false;  // without the horizontal bar the vertical one runs to the bottom edge
  layout.Horz.Shown = false;
  EXPECT_TRUE(HorzBarRect(layout, window).IsEmpty());
  EXPECT_EQ(VertBarRect(layout, window), (TRect{281, 202, 298, 398}));
  EXPECT_TRUE(CornerRect(layout, window).IsEmpty());
}

TEST(ScrollGeometry, NonClientCalculationTakesShownBarsOutOfTheClientAndSkipsBarsWithoutRoom) {
  struct Case {
    TRect window, client;
    bool hasHorz, hasVert, left;
    TRect expectedClient;
    bool horzShown, vertShown;
  } cases[] = {
      {{0, 0, 100, 80}, {2, 2, 98, 78}, true, true, false, {2, 2, 81, 61}, true, true},
      {{0, 0, 100, 80}, {2, 2, 98, 78}, true, true, true, {19, 2, 98, 61}, true, true},
      {{0, 0, 100, 80}, {2, 2, 98, 78}, false, true, false, {2, 2, 81, 78}, false, true},
      {{0, 0, 30, 12}, {2, 2, 28, 10}, true, true, false, {2, 2, 11, 10}, false, true},  // 8 high: no room
      {{0, 0, 100, 80}, {2, 2, 98, 78}, false, false, false, {2, 2, 98, 78}, false, false},
  };
  for (const Case& c : cases) {
    TskBarLayout layout;
    layout.LeftScrollBar = c.left;
    TRect client = c.client;
    ScrollNCCalcSize(layout, c.window, client, c.hasHorz, c.hasVert);
    EXPECT_EQ(client, c.expectedClient);
    EXPECT_EQ(layout.Edges, (TskNCEdges{2, 2, 2, 2}));
    EXPECT_EQ(layout.Horz.Shown, c.horzShown);
    EXPECT_EQ(layout.Vert.Shown, c.vertShown);
    EXPECT_EQ(layout.Horz.StyleFlags, c.hasHorz ? sbfHasStyle : 0);
    EXPECT_EQ(layout.Vert.StyleFlags, c.hasVert ? sbfHasStyle : 0);
  }
}

TEST(ScrollGeometry, ThumbLengthAndStartFollowPageAndPositionWithTheMinimumAndRangeGuards) {
  const TskScrollMetrics metrics;
  const TRect vertical{0, 0, 17, 217};      // track 183 between two 17-pixel arrows
  const TRect horizontal{50, 0, 250, 17};   // track 166
  struct Case {
    Word kind;
    TRect rect;
    TskScrollInfo info;
    TskThumb expected;
  } cases[] = {
      {1, vertical, {0, 199, 50, 0, 0}, {46, 17}},
      {1, vertical, {0, 199, 50, 75, 0}, {46, 86}},     // 75 x 137 / 150 = 68.5 rounds up
      {1, vertical, {0, 199, 50, 150, 0}, {46, 154}},   // the last page
      {1, vertical, {0, 199, 50, 300, 0}, {46, 154}},   // beyond the range: clamped
      {1, vertical, {0, 199, 50, -5, 0}, {46, 17}},
      {1, vertical, {0, 199, 0, 100, 0}, {17, 100}},    // no page: an arrow-long thumb
      {1, vertical, {0, 199, 1, 0, 0}, {10, 17}},       // one pixel computed: the minimum thumb
      {1, vertical, {INT32_MIN, INT32_MAX, 10, 0, 0}, {0, 17}},  // range too wide: no thumb
      {1, vertical, {0, 199, 200, 0, 0}, {183, 17}},    // a page as wide as the range
      {0, horizontal, {10, 109, 20, 10, 0}, {33, 67}},
      {0, horizontal, {10, 109, 20, 90, 0}, {33, 200}},
  };
  for (const Case& c : cases) {
    TskBarState bar = Bar(c.kind, c.info);
    EXPECT_EQ(ThumbGeometry(bar, c.rect, metrics), c.expected)
        << "min " << c.info.Min << " max " << c.info.Max << " page " << c.info.Page << " pos " << c.info.Pos;
  }
}

TEST(ScrollGeometry, HitTestFindsArrowsTrackAndThumbAndHalvesArrowsOfAShortBar) {
  const TskScrollMetrics metrics;
  struct Case {
    TRect rect;
    TskScrollInfo info;
    Integer x, y;
    TskScrollPart expected;
  } cases[] = {
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 8, 0, spFirstArrow},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 8, 16, spFirstArrow},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 8, 17, spThumb},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 8, 62, spThumb},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 8, 63, spTrackAfter},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 8, 199, spTrackAfter},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 8, 200, spSecondArrow},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 16, 216, spSecondArrow},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 8, 217, spNone},
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, 17, 100, spNone},  // beside the bar
      {{0, 0, 17, 217}, {0, 199, 50, 0, 0}, -1, 100, spNone},
      {{0, 0, 17, 217}, {0, 199, 50, 150, 0}, 8, 17, spTrackBefore},
      {{0, 0, 17, 217}, {0, 199, 50, 150, 0}, 8, 153, spTrackBefore},
      {{0, 0, 17, 217}, {0, 199, 50, 150, 0}, 8, 154, spThumb},
      {{0, 0, 17, 30}, {0, 199, 50, 0, 0}, 8, 14, spFirstArrow},  // shorter than two arrows: halves
      {{0, 0, 17, 30}, {0, 199, 50, 0, 0}, 8, 15, spSecondArrow},
      {{0, 0, 17, 60}, {0, 199, 200, 0, 0}, 8, 30, spNone},       // the thumb fills the track: no thumb
      {{0, 0, 17, 60}, {0, 199, 200, 0, 0}, 8, 50, spSecondArrow},
  };
  for (const Case& c : cases) {
    TskBarState bar = Bar(1, c.info);
    EXPECT_EQ(HitTestBar(bar, c.rect, c.x, c.y, metrics), c.expected)
        << "rect height " << c.rect.Height() << " pos " << c.info.Pos << " at " << c.x << "," << c.y;
  }
  // A horizontal bar reads x along it.
  TskBarState horz = Bar(0, {0, 199, 50, 0, 0});
  EXPECT_EQ(HitTestBar(horz, {0, 0, 217, 17}, 210, 8, metrics), spSecondArrow);
  EXPECT_EQ(HitTestBar(horz, {0, 0, 217, 17}, 8, 210, metrics), spNone);
}

TEST(ScrollGeometry, ThumbDragClampsToTheTrackAndScalesTheOffsetToPositions) {
  const TskScrollMetrics metrics;
  const TRect rect{0, 0, 17, 217};  // thumb 46 long in a 183 track: 137 pixels of room
  TskBarState bar = Bar(1, {0, 199, 50, 0, 0});
  struct Case {
    Integer mouse, grab;
    TskThumbDrag expected;
  } cases[] = {
      {100, 10, {90, 80}},    // 73 x 150 / 137 = 79.9
      {0, 10, {17, 0}},       // above the track
      {500, 10, {154, 150}},  // below it: the last position
      {27, 10, {17, 0}},
      {28, 10, {18, 1}},      // 150 / 137 rounds to 1
  };
  for (const Case& c : cases)
    EXPECT_EQ(ThumbDragPosition(bar, rect, 46, c.mouse, c.grab, metrics), c.expected) << "mouse " << c.mouse;
  // Without a range the pixel offset is the position; a thumb that fills the track stays at 0.
  bar.Info = {0, 0, 0, 0, 0};
  EXPECT_EQ(ThumbDragPosition(bar, rect, 46, 100, 10, metrics), (TskThumbDrag{90, 73}));
  bar.Info = {0, 199, 50, 0, 0};
  EXPECT_EQ(ThumbDragPosition(bar, rect, 183, 100, 10, metrics), (TskThumbDrag{17, 0}));
}

TEST(ScrollGeometry, ThumbIsDrawnOnlyWhenItFitsTheTrack) {
  const TskScrollMetrics metrics;
  TskBarState bar = Bar(1, {0, 199, 50, 0, 0});
  EXPECT_TRUE(ThumbFits(bar, {0, 0, 17, 217}, metrics));
  EXPECT_FALSE(ThumbFits(bar, {0, 0, 17, 40}, metrics));  // 6 pixels of track < the minimum thumb
  bar.Info = {INT32_MIN, INT32_MAX, 10, 0, 0};
  EXPECT_FALSE(ThumbFits(bar, {0, 0, 17, 217}, metrics));
}

}  // namespace
