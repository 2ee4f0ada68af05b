#include "skin/adapters/skDialogGeometry.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(DialogGeometry, BorderKindFollowsTheStyle) {
  const struct {
    unsigned style;
    TskDialogBorder expected;
  } cases[] = {
      {kDlgStylePopup | kDlgStyleCaption | kDlgStyleModalFrame, dbModal},           // a message box
      {kDlgStylePopup | 0x00800000u | kDlgStyleModalFrame, dbNone},                 // border without the dialog frame
      {kDlgStylePopup, dbNone},
      {kDlgStylePopup | kDlgStyleCaption | kDlgStyleThickFrame | kDlgStyleModalFrame, dbSizeable},
      {kDlgStyleCaption | kDlgStyleModalFrame, dbModal},                            // an overlapped dialog
      {kDlgStyleCaption, dbSizeable},                                               // neither frame bit
      {0u, dbSizeable},                                                             // not a popup
  };
  for (const auto& c : cases) EXPECT_EQ(DialogBorderKind(c.style), c.expected) << std::hex << c.style;
}

TEST(DialogGeometry, ButtonRulesAndSystemMenuItems) {
  using S = TskSysMenuState;
  using R = TskDialogButtonRules;
  struct Case {
    const char* name;
    std::function<void(TskDialogState&)> set;
    R rules;     // close, maximize, minimize, restore
    S items;     // restore, move, size, minimize, maximize, close as {visible, enabled}
  } cases[] = {
      {"message box (modal, system menu only)", [](TskDialogState& s) { s.Border = dbModal; },
       R{true, false, false, false},
       S{{false, false}, {true, true}, {false, true}, {false, false}, {false, false}, {true, true}}},
      {"no close class", [](TskDialogState& s) { s.Border = dbModal; s.NoCloseClass = true; },
       R{false, false, false, false},
       S{{false, false}, {true, true}, {false, true}, {false, false}, {false, false}, {true, true}}},
      {"single with both boxes", [](TskDialogState& s) { s.MaxBox = s.MinBox = true; },
       R{true, true, true, false},
       S{{true, false}, {true, true}, {true, false}, {true, true}, {true, true}, {true, true}}},
      {"modal frame cannot maximize", [](TskDialogState& s) { s.Border = dbModal; s.MaxBox = true; },
       R{true, false, false, false},
       S{{false, false}, {true, true}, {false, true}, {false, false}, {true, false}, {true, true}}},
      {"zoomed sizeable", [](TskDialogState& s) { s.Border = dbSizeable; s.MaxBox = s.MinBox = true; s.Zoomed = true; },
       R{true, false, true, true},
       S{{true, true}, {true, false}, {true, true}, {true, true}, {true, false}, {true, true}}},
      {"iconic sizeable", [](TskDialogState& s) { s.Border = dbSizeable; s.MaxBox = s.MinBox = true; s.Iconic = true; },
       R{true, true, false, true},
       S{{true, true}, {true, true}, {true, false}, {true, false}, {true, true}, {true, true}}},
      {"no system menu", [](TskDialogState& s) { s.SysMenu = false; },
       R{false, false, false, false},
       S{{false, false}, {true, true}, {true, false}, {false, false}, {false, false}, {false, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TskDialogState s;
    c.set(s);
    EXPECT_EQ(DialogButtonRules(s), c.rules);
    EXPECT_EQ(DialogSysMenuItems(s), c.items);
  }
}

// A message box's title: 300 wide, frame 3, caption 18, a 17 x 15 close glyph, BIRIGHT 4.
TskDialogTitleInput MessageBoxTitle() {
  TskDialogTitleInput in;
  in.State.Border = dbModal;
  in.CacheWidth = 300;
  in.SysBorderWidth = in.SysBorderWidthNoExt = in.PlainFrame = 3;
  in.CaptionHeight = 18;
  in.BIRight = 4;
  in.BISpace = 1;
  in.Masks = {TskTitleMask{17, 15}, TskTitleMask{17, 15}, TskTitleMask{17, 15}, TskTitleMask{17, 15}};
  return in;
}

TEST(DialogGeometry, ButtonsLaidOutFromTheRight) {
  TskDialogTitleInput in = MessageBoxTitle();
  TskDialogTitleLayout l = LayoutDialogButtons(in);
  // Right edge 300 - 4 - 0 - 3; centred in frame + caption: (21 - 15) / 2 = 3.
  EXPECT_EQ(l.Buttons[dbClose], (TskTitleRect{276, 3, 293, 18}));
  EXPECT_FALSE(l.Shown[dbMax]);
  EXPECT_EQ(l.ButtonsWidth, 17);

  // All four on a modal frame with the small close glyph: no spacing between them.
  in.State.MaxBox = in.State.MinBox = in.State.Help = true;
  l = LayoutDialogButtons(in);
  EXPECT_EQ(l.Buttons[dbMax].Right, 276);
  EXPECT_EQ(l.Buttons[dbMin].Right, 259);
  EXPECT_EQ(l.Buttons[dbHelp].Right, 242);
  EXPECT_EQ(l.ButtonsWidth, 68);
  // The big close glyph brings the spacing, and so does a single frame.
  in.CloseIsBigClose = true;
  EXPECT_EQ(LayoutDialogButtons(in).Buttons[dbMax].Right, 275);
  in.CloseIsBigClose = false;
  in.State.Border = dbSingle;
  EXPECT_EQ(LayoutDialogButtons(in).Buttons[dbMin].Right, 257);

  // A missing glyph gives 21 x 21; large glyphs align to the top with BIVALIGN 1 (help never does).
  in.Masks[dbClose] = TskTitleMask{};
  in.BIVAlign = 1;
  in.Large = {true, true, true, true};
  l = LayoutDialogButtons(in);
  EXPECT_EQ(l.Buttons[dbClose], (TskTitleRect{272, 0, 293, 21}));
  EXPECT_EQ(l.Buttons[dbHelp].Top, 3);

  // No system menu: no buttons at all.
  in.State.SysMenu = false;
  l = LayoutDialogButtons(in);
  EXPECT_FALSE(l.Shown[dbClose]);
  EXPECT_EQ(l.ButtonsWidth, 0);
}

TEST(DialogGeometry, HitTestOfTheTitleRow) {
  TskDialogTitleInput in = MessageBoxTitle();
  in.State.MaxBox = in.State.MinBox = true;
  in.State.Border = dbSingle;
  const TskDialogTitleLayout l = LayoutDialogButtons(in);
  const int w = 300, h = 200;
  const struct {
    const char* name;
    int x, y, expected;
  } cases[] = {
      {"close centre", 284, 10, 20},
      {"maximize", l.Buttons[dbMax].Left + 2, 10, 9},
      {"minimize", l.Buttons[dbMin].Left + 2, 10, 8},
      {"gap between buttons", l.Buttons[dbMax].Right, 10, 2},
      {"icon", 5, 10, 3},
      {"caption", 100, 10, 2},
      {"row bottom edge", 100, 18, 2},
      {"below the row", 100, 19, 0},
      {"client", 100, 100, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(DialogHitTest(in, l, c.x, c.y, w, h), c.expected) << c.name;

  // Disabled maximize and minimize answer the caption; a zoomed dialog's outer edge answers -1.
  TskDialogTitleInput zoomed = in;
  zoomed.State.Zoomed = true;
  zoomed.State.MinBox = false;
  const TskDialogTitleLayout lz = LayoutDialogButtons(zoomed);
  EXPECT_EQ(DialogHitTest(zoomed, lz, lz.Buttons[dbMax].Left + 2, 10, w, h), 9) << "restore enabled";
  TskDialogTitleInput modal = in;
  modal.State.Border = dbModal;
  modal.State.Iconic = false;
  const TskDialogTitleLayout lm = LayoutDialogButtons(modal);
  EXPECT_EQ(DialogHitTest(modal, lm, lm.Buttons[dbMax].Left + 2, 10, w, h), 2);
  const struct {
    int x, y, expected;
  } edges[] = {{1, 100, -1}, {2, 100, 0}, {100, 1, -1}, {w - 5, 100, 0}, {w - 4, 100, -1}, {100, h - 4, -1}};
  for (const auto& e : edges) EXPECT_EQ(DialogHitTest(zoomed, lz, e.x, e.y, w, h), e.expected) << e.x << "," << e.y;
  EXPECT_EQ(DialogHitTest(in, l, 1, 100, w, h), 0) << "not zoomed: the window's own answer";
}

}  // namespace
