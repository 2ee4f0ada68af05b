#include "skin/forms/sTitleGeometry.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A 400 x 300 sizeable form with a 19-pixel caption, a 4-pixel frame and big masks of 30 (close) and
// 26 (maximize, minimize) by 20 pixels; the buttons end 2 pixels from the border and stand 1 apart.
TskTitleInput SizeableForm() {
  TskTitleInput in;
  in.FormWidth = 400;
  in.FormHeight = 300;
  in.SysCaptionHeight = 19;
  in.CaptionHeight = 19;
  in.FrameWidth = 4;
  in.SysBorderWidth = 4;
  in.SysBorderWidthNoExt = 4;
  in.IconRect = {8, 4, 24, 20};
  in.CloseMask = {30, 20};
  in.CloseAloneMask = {40, 20};
  in.MaxMask = {26, 20};
  in.MinMask = {26, 20};
  in.HelpMask = {18, 20};
  in.BIRight = 2;
  in.BISpace = 1;
  return in;
}

TEST(TitleLayout, PlacesTheSystemButtonsFromTheRight) {
  struct Case {
    const char* name;
    std::function<void(TskTitleInput&)> set;
    bool big, closeAlone;
    TskTitleRect close, max, min, help;
    int buttonsWidth;
  } cases[] = {
      // Centre 19/2 + 4/2 = 11: 20-pixel buttons at y 1; big buttons stand BISPACE apart.
      {"sizeable", [](TskTitleInput&) {}, true, false, {364, 1, 394, 21}, {337, 1, 363, 21}, {310, 1, 336, 21},
       {309, 0, 309, 0}, 86},
      // Maximized with BIVALIGN 1 the big buttons sit at y 7; the centre moves 2 down for the others.
      {"maximized, top-aligned", [](TskTitleInput& in) { in.Maximized = true; in.BIVAlign = 1; }, true, false,
       {364, 7, 394, 27}, {337, 7, 363, 27}, {310, 7, 336, 27}, {309, 0, 309, 0}, 86},
      {"maximized, centred", [](TskTitleInput& in) { in.Maximized = true; }, true, false, {364, 3, 394, 23},
       {337, 3, 363, 23}, {310, 3, 336, 23}, {309, 0, 309, 0}, 86},
      // Close alone takes the skin's lone close mask.
      {"close alone", [](TskTitleInput& in) { in.VisibleMax = false; in.VisibleMin = false; }, true, true,
       {354, 1, 394, 21}, {353, 0, 353, 0}, {353, 0, 353, 0}, {353, 0, 353, 0}, 42},
      // A tool window's small buttons stand without BISPACE.
      {"tool window", [](TskTitleInput& in) {
         in.Border = TskTitleBorder::ToolWindow;
         in.CloseMask = {16, 14};
         in.MaxMask = {16, 14};
         in.MinMask = {16, 14};
       }, false, false, {378, 4, 394, 18}, {362, 4, 378, 18}, {346, 4, 362, 18}, {346, 0, 346, 0}, 50},
      // Help stands 6 apart and is never a big button, so it stays centred under BIVALIGN 1.
      {"help", [](TskTitleInput& in) { in.Help = true; in.BIVAlign = 1; }, true, false, {364, 0, 394, 20},
       {337, 0, 363, 20}, {310, 0, 336, 20}, {285, 1, 303, 21}, 105},
      // Without a system menu there are no buttons (close would take the lone mask).
      {"no system menu", [](TskTitleInput& in) { in.SystemMenu = false; }, true, true, {394, 0, 394, 0},
       {394, 0, 394, 0}, {394, 0, 394, 0}, {394, 0, 394, 0}, 2},
      // A skin without the close mask: 21 x 21 buttons.
      {"no close mask", [](TskTitleInput& in) { in.CloseMask = {}; in.CloseAloneMask = {}; in.MaxMask = {};
         in.MinMask = {}; }, true, false, {373, 1, 394, 22}, {351, 1, 372, 22}, {329, 1, 350, 22},
       {328, 0, 328, 0}, 67},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TskTitleInput in = SizeableForm();
    c.set(in);
    const TskTitleLayout out = UpdateTitleLayout(in);
    EXPECT_EQ(out.BigButtons, c.big);
    EXPECT_EQ(out.CloseAlone, c.closeAlone);
    EXPECT_EQ(out.Buttons[sbClose], c.close);
    EXPECT_EQ(out.Buttons[sbMax], c.max);
    EXPECT_EQ(out.Buttons[sbMin], c.min);
    EXPECT_EQ(out.Buttons[sbHelp], c.help);
    EXPECT_EQ(out.ButtonsWidth, c.buttonsWidth);
  }
}

TEST(TitleLayout, ButtonsTopAndCounts) {
  TskTitleInput in = SizeableForm();
  EXPECT_EQ(TitleButtonsTop(in), 0);
  EXPECT_EQ(VisibleSysButtonCount(in), 3);
  in.Maximized = true;
  // The title's top answers 6 while the buttons themselves are placed at 7.
  EXPECT_EQ(TitleButtonsTop(in), 6);
  in.Help = true;
  in.VisibleMin = false;
  EXPECT_EQ(VisibleSysButtonCount(in), 3);
  in.SystemMenu = false;
  EXPECT_EQ(VisibleSysButtonCount(in), 0);
  // Small masks missing: every frame falls back to big buttons.
  in.Border = TskTitleBorder::Dialog;
  EXPECT_FALSE(UsesBigButtons(in));
  in.SmallMasksExist = false;
  EXPECT_TRUE(UsesBigButtons(in));
}

// A border window's title is the skin's: 26 high below a 9-pixel top shadow, centred on its middle
// (moved by CENTEROFFSET), the big buttons' top under BIVALIGN 1 at BITOP below the shadow.
TEST(TitleLayout, ABorderWindowsTitleLiesBelowTheShadow) {
  struct Case {
    const char* name;
    std::function<void(TskTitleInput&)> set;
    int top, centre, closeTop;
  } cases[] = {
      {"restored", [](TskTitleInput&) {}, 9 + 4, 9 + 13, 9 + 13 - 10},
      {"centre offset", [](TskTitleInput& in) { in.CenterOffset = 3; }, 9 + 4, 9 + 16, 9 + 16 - 10},
      {"top-aligned", [](TskTitleInput& in) { in.BIVAlign = 1; }, 9 + 4, 9 + 13, 9 + 4},
      // Maximized: 4 below the shadow and 2 lower centred; a shorter maximized title (MAXHEIGHT 20)
      // lowers the top by what it lacks, centres on its own middle and ignores CENTEROFFSET.
      {"maximized", [](TskTitleInput& in) { in.Maximized = true; }, 9 + 4, 9 + 13 + 2, 9 + 15 - 10},
      {"maximized, shorter title", [](TskTitleInput& in) { in.Maximized = true; in.MaxHeight = 20; in.CenterOffset = 3; },
       9 + 4 + 6, 9 + 26 - 20 + 10 + 2, 9 + 18 - 10},
      {"maximized, top-aligned", [](TskTitleInput& in) { in.Maximized = true; in.BIVAlign = 1; }, 9 + 4, 9 + 15, 9 + 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TskTitleInput in = SizeableForm();
    in.BorderWindow = true;
    in.CaptionHeight = in.TitleHeight = 26;
    in.ShadowTop = 9;
    in.ShadowLeft = in.ShadowRight = 7;
    in.BITop = 4;
    c.set(in);
    EXPECT_EQ(TitleButtonsTop(in), c.top);
    EXPECT_EQ(TitleCentre(in), c.centre);
    const TskTitleLayout out = UpdateTitleLayout(in);
    EXPECT_EQ(out.Buttons[sbClose].Top, c.closeTop);
    EXPECT_EQ(out.Buttons[sbClose].Right, 400 - 2 - 7 - 4) << "inside the right shadow";
  }
  // Without a border window nothing of it counts.
  TskTitleInput plain = SizeableForm();
  plain.ShadowTop = 9;
  plain.BITop = 4;
  EXPECT_EQ(TitleButtonsTop(plain), 0);
  EXPECT_EQ(TitleCentre(plain), 19 / 2 + 4 / 2);
}

// The user's buttons stand 6 left of the system buttons, BISPACE apart, centred like them; a hidden one
// takes no room; each answers 1000 + its index, a disabled one -1.
TEST(TitleLayout, UserButtonsStandLeftOfTheSystemButtons) {
  TskTitleInput in = SizeableForm();
  in.UserButtons = {{21, true, true}, {30, false, true}, {24, true, false}};
  const TskTitleLayout out = UpdateTitleLayout(in);
  ASSERT_EQ(out.UserButtons.size(), 3u);
  // The minimize button's left is 310; the next button would end at 309, the user's 6 further left.
  EXPECT_EQ(out.UserButtons[0], (TskTitleRect{303 - 21, 1, 303, 21}));
  EXPECT_EQ(out.UserButtons[1].Width(), 0) << "hidden";
  EXPECT_EQ(out.UserButtons[2], (TskTitleRect{303 - 21 - 1 - 24, 1, 303 - 21 - 1, 21}));
  EXPECT_EQ(out.ButtonsWidth, 86 + 6 + 21 + 1 + 24 + 1);
  struct Case {
    int x, y, code;
  } cases[] = {{292, 10, 1000}, {270, 10, -1}, {300, 25, 0}, {306, 10, 0}, {380, 10, 0}};
  for (const Case& c : cases) EXPECT_EQ(UserButtonHitCode(in, out, c.x, c.y), c.code) << c.x << "," << c.y;
  // Without system menu they still stand at the right, after the 6-pixel gap.
  in.SystemMenu = false;
  EXPECT_EQ(UpdateTitleLayout(in).UserButtons[0].Right, 394 - 6);
}

TEST(TitleHitTest, AnswersTheCodeOfEachPoint) {
  struct Case {
    const char* name;
    std::function<void(TskTitleInput&)> set;
    int x, y, code;
  } cases[] = {
      {"close", [](TskTitleInput&) {}, 380, 10, 20},
      {"maximize", [](TskTitleInput&) {}, 350, 10, 9},
      {"minimize", [](TskTitleInput&) {}, 320, 10, 8},
      {"disabled maximize is caption", [](TskTitleInput& in) { in.EnabledMax = false; }, 350, 10, 2},
      {"disabled maximize, restore enabled",
       [](TskTitleInput& in) { in.EnabledMax = false; in.EnabledRestore = true; }, 350, 10, 9},
      {"disabled maximize, restore enabled, iconic",
       [](TskTitleInput& in) { in.EnabledMax = false; in.EnabledRestore = true; in.Iconic = true; }, 350, 10, 2},
      {"disabled minimize is caption", [](TskTitleInput& in) { in.EnabledMin = false; }, 320, 10, 2},
      {"minimize alone is second", [](TskTitleInput& in) { in.VisibleMax = false; }, 350, 10, 8},
      {"help", [](TskTitleInput& in) { in.Help = true; }, 290, 10, 21},
      // Without biSystemMenu there is no close button: its place is caption, never 20.
      {"no system menu", [](TskTitleInput& in) { in.SystemMenu = false; }, 380, 10, 2},
      {"icon", [](TskTitleInput&) {}, 10, 10, 3},
      {"caption", [](TskTitleInput&) {}, 200, 10, 2},
      {"client", [](TskTitleInput&) {}, 200, 150, 1},
      {"top left", [](TskTitleInput&) {}, 1, 1, 13},
      {"top", [](TskTitleInput&) {}, 200, 1, 12},
      {"top right", [](TskTitleInput&) {}, 399, 1, 14},
      {"left", [](TskTitleInput&) {}, 1, 150, 10},
      {"right", [](TskTitleInput&) {}, 399, 150, 11},
      {"bottom left", [](TskTitleInput&) {}, 1, 299, 16},
      {"bottom", [](TskTitleInput&) {}, 200, 299, 15},
      {"bottom right", [](TskTitleInput&) {}, 399, 299, 17},
      // A button on the top edge wins over the sizing border.
      {"close on the top edge", [](TskTitleInput&) {}, 380, 2, 20},
      // Maximized, a border window, or no thick frame: no sizing codes.
      {"maximized top left", [](TskTitleInput& in) { in.Maximized = true; }, 1, 1, 2},
      {"maximized bottom", [](TskTitleInput& in) { in.Maximized = true; }, 200, 299, 1},
      {"border window top left", [](TskTitleInput& in) { in.BorderWindow = true; }, 1, 1, 2},
      {"border window close", [](TskTitleInput& in) { in.BorderWindow = true; }, 380, 10, 2},
      {"single frame top left", [](TskTitleInput& in) { in.ThickFrame = false; }, 1, 1, 2},
      // A menu line under the caption (caption ends at 23, one 20-pixel menu row).
      {"menu at caption end", [](TskTitleInput& in) { in.MenuLines = 1; in.MenuLineHeight = 20; }, 200, 23, 5},
      {"menu row", [](TskTitleInput& in) { in.MenuLines = 1; in.MenuLineHeight = 20; }, 200, 40, 5},
      {"below menu", [](TskTitleInput& in) { in.MenuLines = 1; in.MenuLineHeight = 20; }, 200, 50, 1},
      {"no menu at caption end", [](TskTitleInput&) {}, 200, 23, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TskTitleInput in = SizeableForm();
    c.set(in);
    EXPECT_EQ(TitleHitTest(in, UpdateTitleLayout(in), c.x, c.y), c.code);
  }
}

// The form's own hit test: user buttons answer 1000 + their index (a hidden one keeps its index), title-bar
// items 2000 + theirs; a disabled button or item, a tab already down, a spacing or an info item leave
// the point to the caption.
TEST(TitleHitTest, UserButtonsAndTitleBarItemsAnswerTheirOwnCodes) {
  TskTitleInput in = SizeableForm();
  in.UserButtons = {{21, true, true}, {30, false, true}, {24, true, true}};
  in.TitleItems = {{{100, 4, 130, 20}, true, true, true},  {{130, 4, 160, 20}, false, true, true},
                   {{160, 4, 170, 20}, true, false, true}, {{170, 4, 190, 20}, true, true, false},
                   {{190, 4, 210, 20}, true, false, true}};
  struct Case {
    const char* name;
    int x, y, code;
  } cases[] = {
      {"first user button", 292, 10, 1000},  {"third user button", 270, 10, 1002},
      {"item", 110, 10, 2000},               {"hidden item's place", 140, 10, 2},
      {"spacing", 165, 10, 2},               {"not answering", 180, 10, 2},
      {"info", 200, 10, 2},                  {"below the items", 110, 30, 1},
      {"close still", 380, 10, 20},
  };
  for (const Case& c : cases) EXPECT_EQ(TitleHitTest(in, UpdateTitleLayout(in), c.x, c.y), c.code) << c.name;
  in.UserButtons[2].Enabled = false;
  EXPECT_EQ(TitleHitTest(in, UpdateTitleLayout(in), 270, 10), 2) << "disabled user button";
  // The border window's own test: a title-bar item that does not answer is -1 there.
  EXPECT_EQ(TitleItemHitCode(in, 180, 10), -1);
  EXPECT_EQ(TitleItemHitCode(in, 165, 10), 0);
  EXPECT_EQ(TitleItemHitCode(in, 110, 10), 2000);
}

}  // namespace
