// Actions: OnUpdate brings an action up to date before it runs (through Execute or its shortcut), a
// disabled action neither runs nor takes its key, and freed actions leave their list.
#include "vcl/gui/ActionList.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"

TEST(ActionList, UpdateDecidesBeforeTheShortcutRuns) {
  std::unique_ptr<TComponent> owner(new TComponent(nullptr));
  auto* list = New<TActionList>(owner.get());
  auto* save = New<TAction>(owner.get());
  save->SetActionList(list);
  save->SetShortCut(ShortCut('S', {ssCtrl, ssAlt}));
  bool browsing = true;
  int updates = 0, runs = 0;
  save->OnUpdate = [&](TObject* sender) {
    ++updates;
    static_cast<TAction*>(sender)->SetEnabled(browsing);
  };
  save->OnExecute = [&](TObject*) { ++runs; };

  guitest::KeysDown keys({VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU});
  EXPECT_TRUE(list->IsShortCut(TWMKey{'S', 0}));
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(runs, 1);
  browsing = false;
  EXPECT_FALSE(list->IsShortCut(TWMKey{'S', 0}));  // disabled by its update: the key goes on
  EXPECT_FALSE(save->Execute());
  EXPECT_EQ(updates, 3);
  EXPECT_EQ(runs, 1);
  browsing = true;
  EXPECT_TRUE(save->Execute());
  EXPECT_EQ(runs, 2);

  delete save;
  EXPECT_EQ(list->ActionCount(), 0);
  EXPECT_FALSE(list->IsShortCut(TWMKey{'S', 0}));
}
