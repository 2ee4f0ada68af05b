#include "skin/forms/sSystemMenuRules.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(SystemMenuRules, ItemsFollowTheFormsStyleAndState) {
  using S = TskSysMenuState;
  struct Case {
    const char* name;
    std::function<void(TskSysMenuForm&)> set;
    S expected;  // restore, move, size, minimise, maximise, close as {visible, enabled}
  } cases[] = {
      {"sizeable, normal", [](TskSysMenuForm&) {},
       S{{true, false}, {true, true}, {true, true}, {true, true}, {true, true}, {true, true}}},
      // A dialog: restore, size, minimise and maximise hidden; close visible.
      {"dialog", [](TskSysMenuForm& f) { f.Border = TskTitleBorder::Dialog; },
       S{{false, false}, {true, true}, {false, true}, {false, true}, {false, false}, {true, true}}},
      // Maximised sizeable: restore enabled, move disabled.
      {"maximised sizeable", [](TskSysMenuForm& f) { f.State = TskWindowState::Maximized; },
       S{{true, true}, {true, false}, {true, true}, {true, true}, {true, true}, {true, true}}},
      // Iconic: a secondary form cannot minimise again, the main form can.
      {"iconic secondary", [](TskSysMenuForm& f) {
         f.State = TskWindowState::Minimized; f.Iconic = true; f.MainForm = false; },
       S{{true, true}, {true, true}, {true, false}, {true, false}, {true, true}, {true, true}}},
      {"iconic main", [](TskSysMenuForm& f) { f.State = TskWindowState::Minimized; f.Iconic = true; },
       S{{true, true}, {true, true}, {true, false}, {true, true}, {true, true}, {true, true}}},
      {"single without maximise", [](TskSysMenuForm& f) { f.Border = TskTitleBorder::Single; f.Maximize = false; },
       S{{true, false}, {true, true}, {true, false}, {true, true}, {false, false}, {true, true}}},
      {"no system menu", [](TskSysMenuForm& f) { f.SystemMenu = false; },
       S{{false, false}, {true, true}, {true, true}, {false, true}, {false, true}, {false, true}}},
      {"no close command", [](TskSysMenuForm& f) { f.HasCloseCommand = false; },
       S{{true, false}, {true, true}, {true, true}, {true, true}, {true, true}, {false, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TskSysMenuForm f;
    c.set(f);
    EXPECT_EQ(SysMenuItemStates(f), c.expected);
  }
}

TEST(SystemMenuRules, TwentyFiveSkinsMakeTwoColumnsTheTwentyFirstStartingTheSecond) {
  int columns = 1, secondStart = -1;
  for (int i = 0; i < 25; ++i)
    if (SkinItemStartsColumn(i)) {
      ++columns;
      if (secondStart < 0) secondStart = i;
    }
  EXPECT_EQ(columns, 2);
  EXPECT_EQ(secondStart, 20);
}

}  // namespace
