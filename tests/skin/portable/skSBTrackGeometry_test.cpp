// Track-bar ticks and thumbs, and the parts and scroll data of scroll-bar controls.
#include "skin/adapters/skSBTrackGeometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(TrackGeometry, TicksSpreadEvenlyAndRoundHalfToEven) {
  struct Case {
    Integer start, length, thumb, count;
    std::vector<Integer> places;
  } cases[] = {
      {7, 111, 11, 3, {12, 62, 112}},     // 12.5, 62.5, 112.5: to the even neighbour, down here
      {8, 111, 11, 3, {14, 64, 114}},     // 13.5, 63.5, 113.5: up
      {8, 134, 11, 4, {14, 54, 96, 136}}, // step 41: 13.5, 54.5, 95.5, 136.5
      {0, 100, 10, 2, {5, 95}},
      {8, 134, 11, 1, {14}},              // one tick: no spacing to divide by
      {8, 134, 11, 0, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TrackTickPlaces(c.start, c.length, c.thumb, c.count), c.places) << c.start << " " << c.count;
  EXPECT_EQ(TrackTickOffset(21, 4), 10);
}

TEST(TrackGeometry, TickSidesFollowTopBothAndNoTicks) {
  struct Case {
    Cardinal style;
    TskTickSides sides;
  } cases[] = {
      {0, {false, true}},
      {kTbsTop, {true, false}},
      {kTbsBoth, {true, true}},
      {kTbsTop | kTbsBoth, {true, true}},
      {kTbsVert | kTbsTop, {true, false}},  // TBS_LEFT
      {kTbsBoth | kTbsNoTicks, {false, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(TrackTickSides(c.style), c.sides) << std::hex << c.style;
}

TEST(TrackGeometry, ChannelNarrowsToItsMaskAndThumbMaskStretchesUnlessItFits) {
  EXPECT_EQ(NarrowTrackChannel(TRect{8, 10, 142, 14}, 6, false), (TRect{8, 10, 142, 16}));
  EXPECT_EQ(NarrowTrackChannel(TRect{8, 10, 142, 20}, 4, false), (TRect{8, 13, 142, 17}));
  EXPECT_EQ(NarrowTrackChannel(TRect{10, 8, 14, 142}, 2, true), (TRect{11, 8, 13, 142}));

  struct Case {
    TRect thumb;
    Integer maskW, maskH;
    Cardinal style;
    bool unstretched;
  } cases[] = {
      {{0, 0, 11, 23}, 9, 9, 0, true},                   // the standard thickness
      {{0, 0, 11, 23}, 9, 9, kTbsBoth, true},
      {{0, 0, 11, 23}, 9, 9, kTbsTop, false},           // pointing up: mirrored through a copy
      {{0, 0, 11, 23}, 9, 9, kTbsTop | kTbsBoth, true},
      {{4, 2, 15, 23}, 11, 21, 0, true},                // the mask's own size
      {{4, 2, 15, 23}, 10, 20, 0, false},
      {{0, 0, 23, 11}, 9, 9, kTbsVert, true},           // vertical: the width is the thickness
      {{0, 0, 11, 23}, 9, 9, kTbsVert, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TrackThumbUnstretched(c.thumb, c.maskW, c.maskH, c.style), c.unstretched)
        << c.thumb.Width() << "x" << c.thumb.Height() << " style " << c.style;
}

TEST(ControlScrollGeometry, SetScrollInfoTakesTheMaskedFieldsThenClamps) {
  struct Case {
    const char* what;
    TskControlScroll before;
    TskScrollRequest request;
    bool tracking;
    TskControlScroll after;
  } cases[] = {
      {"max below min", {0, 100, 0, 40, 40}, {0x1, 10, 5, 0, 0}, false, {0, 0, 0, 0, 0}},
      {"position past the last page", {0, 100, 0, 0, 0}, {0x6, 0, 0, 20, 95}, false, {0, 100, 20, 81, 81}},
      {"page beyond the range", {0, 100, 0, 50, 50}, {0x2, 0, 0, 500, 0}, false, {0, 100, 101, 0, 0}},
      {"negative page", {0, 100, 5, 50, 50}, {0x2, 0, 0, -3, 0}, false, {0, 100, 0, 50, 50}},
      {"position below min", {10, 20, 0, 15, 15}, {0x4, 0, 0, 0, 3}, false, {10, 20, 0, 10, 10}},
      {"range without position keeps pos", {0, 100, 0, 70, 70}, {0x1, 0, 50, 0, 0}, false, {0, 50, 0, 50, 50}},
      {"tracking keeps the shown place", {0, 100, 0, 10, 33}, {0x4, 0, 0, 0, 60}, true, {0, 100, 0, 60, 33}},
      {"whole integer range", {0, 0, 0, 0, 0}, {0x7, INT_MIN, INT_MAX, 10, INT_MAX}, false,
       {INT_MIN, INT_MAX, 10, INT_MAX - 9, INT_MAX - 9}},
  };
  for (const Case& c : cases) {
    TskControlScroll s = c.before;
    ApplyScrollRequest(s, c.request, c.tracking);
    EXPECT_EQ(s, c.after) << c.what;
  }
}

TEST(ControlScrollGeometry, ButtonsSliderAndItsPlace) {
  struct Case {
    const char* what;
    Integer length;
    TskControlScroll scroll;
    bool vertical;
    TskControlParts parts;
  } cases[] = {
      {"no page: 14 long", 200, {0, 100, 0, 50, 50}, false, {17, 17, 14, 93, 100}},
      {"no page at the start", 200, {0, 100, 0, 0, 0}, false, {17, 17, 14, 17, 24}},
      {"page share", 200, {0, 100, 10, 91, 91}, false, {17, 17, 16, 167, 175}},
      {"range equal to the page: centred", 200, {0, 9, 10, 0, 0}, false, {17, 17, 166, 17, 100}},
      {"empty range: after the first button", 200, {0, 0, 0, 0, 0}, false, {17, 17, 14, 17, 100}},
      {"horizontal at max - page", 200, {0, 100, 10, 90, 90}, false, {17, 17, 16, 165, 173}},
      {"vertical at max - page ends at the button", 200, {0, 100, 10, 90, 90}, true, {17, 17, 16, 167, 173}},
      {"short bar: half buttons", 20, {0, 100, 0, 0, 0}, false, {10, 10, 14, 17, 24}},
  };
  for (const Case& c : cases) EXPECT_EQ(ControlScrollParts(c.length, 17, c.scroll, c.vertical), c.parts) << c.what;
}

TEST(ControlScrollGeometry, PositionUnderAPoint) {
  const TskControlScroll scroll{0, 100, 0, 0, 0};
  EXPECT_EQ(ControlPositionAt(100, 200, 17, 14, scroll, true), 50);
  EXPECT_EQ(ControlPositionAt(24, 200, 17, 14, scroll, true), 0);
  EXPECT_EQ(ControlPositionAt(100, 200, 17, 14, scroll, false), 0) << "disabled";
  EXPECT_EQ(ControlPositionAt(30, 48, 17, 14, scroll, true), 0) << "no room to move";
  const TskControlScroll small{0, 4, 0, 0, 0};  // (c - 24) * 4 / 8
  EXPECT_EQ(ControlPositionAt(25, 56, 17, 14, small, true), 0) << "0.5 to even";
  EXPECT_EQ(ControlPositionAt(27, 56, 17, 14, small, true), 2) << "1.5 to even";
}

}  // namespace
