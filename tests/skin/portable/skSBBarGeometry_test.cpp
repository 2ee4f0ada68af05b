// Tool-button looks, caption rects, arrows and glyphs, two-line captions, dividers and the grip corner.
#include "skin/adapters/skSBBarGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(BarGeometry, ToolButtonStateIndexFromCustomDrawState) {
  struct Case {
    Cardinal state;
    bool marked, indeterminate;
    Integer index;
  } cases[] = {
      {0, false, false, 0},
      {kCdsDisabled, false, false, 0},
      {kCdsHot, false, false, 1},
      {kCdsDisabled | kCdsHot, false, false, 1},
      {kCdsSelected, false, false, 2},
      {kCdsChecked | kCdsHot, false, false, 2},
      {kCdsDisabled | kCdsSelected, false, false, 2},
      {0, true, false, 2},
      {kCdsDisabled, false, true, 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ToolButtonStateIndex(c.state, c.marked, c.indeterminate), c.index) << std::hex << c.state;
  EXPECT_EQ(DropDownStateIndex(kCdsHot, false, false), 1);
  EXPECT_EQ(DropDownStateIndex(kCdsHot, true, false), 2);
  EXPECT_EQ(DropDownStateIndex(0, false, true), 2);
  EXPECT_EQ(DropDownStateIndex(kCdsSelected, false, false), 0);
}

TEST(BarGeometry, DropDownStripAndArrow) {
  EXPECT_EQ(DropDownArrowWidth(2, 17), 15);
  EXPECT_EQ(DropDownArrowWidth(0, 17), 0);
  EXPECT_EQ(DropDownArrowWidth(1, 17), 0);
  EXPECT_EQ(DropDownArrowOrigin(15, 38, 22, 7, 4), (TPoint{27, 9}));
  EXPECT_EQ(DropDownArrowOrigin(15, 38, 22, 0, 0), (TPoint{31, 11})) << "an empty glyph mask";
}

TEST(BarGeometry, ToolButtonCaptionRects) {
  struct Case {
    const char* what;
    TskToolCaptionInput in;
    TRect rect;
  } cases[] = {
      {"list with image", {60, 22, true, true, 16, 16, 30, 13, 0}, {22, 2, 58, 20}},
      {"list without image", {60, 22, true, false, 16, 16, 30, 13, 0}, {1, 2, 58, 20}},
      {"below the image", {60, 40, false, true, 16, 16, 30, 13, 0}, {14, 23, 47, 36}},
      {"centred without image", {60, 22, false, false, 0, 0, 30, 13, 1}, {14, 4, 47, 18}},
      {"pressed moves by one", {60, 22, false, false, 0, 0, 30, 13, 2}, {15, 5, 48, 19}},
  };
  for (const Case& c : cases) EXPECT_EQ(ToolButtonCaptionRect(c.in), c.rect) << c.what;
}

TEST(BarGeometry, SystemToolButtonStateAndGlyphPlaces) {
  EXPECT_EQ(SystemToolButtonState(false, true, true), 0);
  EXPECT_EQ(SystemToolButtonState(true, true, false), 2);
  EXPECT_EQ(SystemToolButtonState(true, false, true), 1);
  EXPECT_EQ(SystemToolButtonState(true, false, false), 0);
  EXPECT_EQ(SystemToolGlyphPlaces(24, 22, 16, false, false, 0, 0), (TskToolGlyphPlaces{{4, 4}, {0, 0}}));
  EXPECT_EQ(SystemToolGlyphPlaces(24, 22, 16, true, false, 0, 0), (TskToolGlyphPlaces{{5, 5}, {0, 0}}));
  EXPECT_EQ(SystemToolGlyphPlaces(36, 22, 16, false, true, 7, 4), (TskToolGlyphPlaces{{6, 4}, {27, 9}}));
}

TEST(BarGeometry, CaptionBreaksAfterTheLastWordThatFits) {
  const auto width = [](const std::string& s) { return static_cast<Integer>(s.size()) * 6; };
  struct Case {
    std::string text;
    Integer width;
    TskCaptionLines lines;
  } cases[] = {
      {"Save", 10, {"Save", ""}},                          // one word never breaks
      {"Save all", 100, {"Save all", ""}},                 // fits whole
      {"Save all files", 50, {"Save all", "files"}},
      {"Print the whole page", 60, {"Print the", "whole page"}},
      {"Open  new file", 20, {"Open", "new file"}},         // not even one word fits: one word
      {"a b", 6, {"a", "b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitToolCaption(c.text, c.width, width), c.lines) << c.text;
}

TEST(BarGeometry, DividersAndGripCorner) {
  EXPECT_EQ(StatusDividerWidth(0, 0), 2);
  EXPECT_EQ(StatusDividerWidth(2, 3), 5);
  EXPECT_EQ(SeparatorDividerRect(8, 22), (TRect{3, 2, 7, 20}));
  EXPECT_EQ(GripOrigin(17, 17, 12, 12), (TPoint{5, 5}));
  EXPECT_EQ(GripOrigin(10, 10, 12, 12), (TPoint{0, 0}));
}

}  // namespace
