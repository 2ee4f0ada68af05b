#include "skin/forms/sFrameGeometry.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A 400 x 300 sizeable form (frame 4, caption 19) whose client area is 392 x 273.
TskFrameInput Bordered() {
  TskFrameInput in;
  in.PlainFrame = 4;
  in.CaptionHeight = in.CaptionHeightExt = 19;
  in.FormWidth = in.WindowWidth = 400;
  in.FormHeight = in.WindowHeight = 300;
  in.ClientWidth = 392;
  in.ClientHeight = 273;
  return in;
}

TEST(FrameGeometry, CacheAndClientPlacesFollowTheFrame) {
  struct Case {
    const char* name;
    std::function<void(TskFrameInput&)> set;
    Integer cacheWidth, cacheHeight, clientX, clientY, titleArea, titleBottom;
    TRect frame;
  } cases[] = {
      {"bordered", [](TskFrameInput&) {}, 400, 300, 4, 23, 23, 23, {0, 0, 400, 300}},
      // A dialog frame of 3 around a 394 x 275 client area.
      {"dialog", [](TskFrameInput& in) { in.PlainFrame = 3; in.ClientWidth = 394; in.ClientHeight = 275; },
       400, 300, 3, 22, 22, 22, {0, 0, 400, 300}},
      // A tool window's small caption.
      {"tool window", [](TskFrameInput& in) {
         in.CaptionHeight = in.CaptionHeightExt = 15; in.ClientHeight = 277; }, 400, 300, 4, 19, 19, 19,
       {0, 0, 400, 300}},
      // An iconic secondary form: its window's width, caption + frame + 2 high.
      {"iconic", [](TskFrameInput& in) {
         in.Iconic = true; in.MainForm = false; in.WindowWidth = 160; in.WindowHeight = 27; in.ClientWidth = 0;
         in.ClientHeight = 0; }, 160, 25, 80, 23, 27, 23, {0, 0, 160, 25}},
      // The form's own border width moves the client's top but not its centred left.
      {"inner border", [](TskFrameInput& in) { in.BorderWidth = 2; in.ClientWidth = 388; in.ClientHeight = 269; },
       400, 300, 6, 25, 25, 23, {0, 0, 400, 300}},
      // A border window of skin width 8 with a 30-pixel title and shadow margins 5, 6, 7, 8.
      {"border window", [](TskFrameInput& in) {
         in.BorderWindow = true; in.ExtBorderWidth = 8; in.CaptionHeightExt = 30; in.Shadow = {5, 6, 7, 8}; },
       400 + 2 * 4 + 12, 300 + 4 + 7 + 14, 13, 36, 30, 36, {5, 6, 420 - 7, 325 - 8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TskFrameInput in = Bordered();
    c.set(in);
    EXPECT_EQ(FrameCacheWidth(in), c.cacheWidth);
    EXPECT_EQ(FrameCacheHeight(in), c.cacheHeight);
    EXPECT_EQ(FrameClientOffsetX(in), c.clientX);
    EXPECT_EQ(FrameClientOffsetY(in), c.clientY);
    EXPECT_EQ(FrameTitleAreaHeight(in), c.titleArea);
    EXPECT_EQ(FrameTitleBottom(in), c.titleBottom);
    EXPECT_EQ(FrameRect(in), c.frame);
  }
}

TEST(FrameGeometry, BorderWindowOffsets) {
  TskFrameInput in = Bordered();
  EXPECT_EQ(BorderFormSideOffset(in), 0);
  EXPECT_EQ(BorderFormTopOffset(in), 0);
  in.BorderWindow = true;
  in.ExtBorderWidth = 8;
  in.CaptionHeightExt = 30;
  EXPECT_EQ(FrameSysBorderWidth(in, true), 8);
  EXPECT_EQ(FrameSysBorderWidth(in, false), 4);
  EXPECT_EQ(FrameSysBorderWidthNoExt(in), 0);
  EXPECT_EQ(BorderFormSideOffset(in), 4);
  EXPECT_EQ(BorderFormTopOffset(in), 30 - 19 - 4);
  in.ExtBorderWidth = 0;  // a skin without BORDERWIDTH keeps the system frame
  EXPECT_EQ(FrameSysBorderWidth(in, true), 4);
}

TEST(FrameGeometry, AddedTitleColour) {
  struct Case {
    const char* name;
    bool own;
    Integer font;
    bool active;
    Integer normal, activeTitle, expected;
  } cases[] = {
      {"own colour, active", true, 0x0000FF, true, 0x404040, 0x000000, 0x0000FF},
      // Inactive: half way to the title's normal font colour, per channel.
      {"own colour, inactive", true, 0x0000FF, false, 0x404040, 0x000000, 0x2020A0},
      {"title's, active", false, 0, true, 0x404040, 0x102030, 0x102030},
      {"title's, inactive", false, 0, false, 0x404040, 0x102030, 0x404040},
      {"no title section", false, 0x123456, false, -1, -1, 0x123456},
      {"own colour, no title section", true, 0x0000FF, false, -1, -1, 0x0000FF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AddedTitleColor(c.own, c.font, c.active, c.normal, c.activeTitle), c.expected);
  }
}

TEST(FrameGeometry, CaptionTextFollowsAlignmentReadingOrderAndTheCaptionSection) {
  // The caption is 100 wide; the rectangle runs from 4 + 16 + 4 + 4 = 28 to 400 - 80 - 12 = 308.
  struct Case {
    const char* name;
    std::function<void(TskCaptionInput&)> set;
    Integer left, right;
  } cases[] = {
      {"left", [](TskCaptionInput&) {}, 28, 308},
      {"right", [](TskCaptionInput& in) { in.Alignment = taRightJustify; }, 308 - 104, 308},
      {"centre", [](TskCaptionInput& in) { in.Alignment = taCenter; }, 28 + (280 - 104) / 2, 28 + 88 + 100},
      // Right to left swaps left and right, never the centre.
      {"left, right to left", [](TskCaptionInput& in) { in.RightToLeft = true; }, 308 - 104, 308},
      {"right, right to left", [](TskCaptionInput& in) { in.Alignment = taRightJustify; in.RightToLeft = true; },
       28, 308},
      {"centre, right to left", [](TskCaptionInput& in) { in.Alignment = taCenter; in.RightToLeft = true; },
       28 + 88, 28 + 88 + 100},
      // With a "CAPTION" section the caption starts 2 pixels further right.
      {"caption section", [](TskCaptionInput& in) { in.CaptionSection = true; }, 30, 308},
      {"no icon", [](TskCaptionInput& in) { in.IconWidth = 0; }, 12, 308},
      // An added title takes its room too: right alignment starts earlier.
      {"right with added title", [](TskCaptionInput& in) { in.Alignment = taRightJustify; in.AddedWidth = 40; },
       308 - 144, 308},
      // Too long to align right: it stays at the left.
      {"right, too long", [](TskCaptionInput& in) { in.Alignment = taRightJustify; in.CaptionWidth = 300; }, 28, 308},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TskCaptionInput in;
    in.IconWidth = 16;
    in.BILeft = 4;
    in.ButtonsWidth = 80;
    in.Centre = 11;
    in.TextHeight = 14;
    in.CaptionWidth = 100;
    c.set(in);
    const TRect r = CaptionTextRect(Bordered(), in);
    EXPECT_EQ(r.Left, c.left);
    EXPECT_EQ(r.Right, c.right);
    EXPECT_EQ(r.Top, 11 - 7);
    EXPECT_EQ(r.Bottom, 23);
  }
}

}  // namespace
