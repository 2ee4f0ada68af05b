// Skin commands to many receivers: broadcasts over child controls and child windows, the end of an
// update, and the notice to a control's form.
#include <gtest/gtest.h>

#include <memory>

#include "skin/SkinTestControls.h"
#include "skin/forms/sVclUtils.h"
#include "vcl/gui/GuiTestSupport.h"

namespace {

using skintest::AddControl;
using skintest::TSkinnedForm;
using skintest::TSkinnedGraphic;
using skintest::TSkinnedPanel;

// form
//   plainBox (not skinned)      -> inner (skinned), innerGraphic (skinned, no window)
//   skinnedBox (skinned)        -> nested (skinned, no window)
//   graphic (skinned, no window)
struct BroadcastFixture : ::testing::Test {
  BroadcastFixture() {
    form->SetBounds(0, 0, 300, 200);
    plainBox = AddControl<TPanel>(form.get(), 0);
    inner = AddControl<TSkinnedPanel>(plainBox);
    innerGraphic = AddControl<TSkinnedGraphic>(plainBox);
    skinnedBox = AddControl<TSkinnedPanel>(form.get(), 50);
    nested = AddControl<TSkinnedGraphic>(skinnedBox);
    graphic = AddControl<TSkinnedGraphic>(form.get(), 100);
    form->Show();
    for (auto* c : {inner, skinnedBox}) c->commands.clear();
  }
  void TearDown() override { guitest::Pump(); }

  std::unique_ptr<TSkinnedForm> form{New<TSkinnedForm>(nullptr)};
  TPanel* plainBox;
  TSkinnedPanel* inner;
  TSkinnedGraphic* innerGraphic;
  TSkinnedPanel* skinnedBox;
  TSkinnedGraphic* nested;
  TSkinnedGraphic* graphic;
};

TMessage SkinCommand(Word command) { return TMessage{SkinCommandMessage, SkinCommandWParam(command), 0, 0}; }

TEST_F(BroadcastFixture, ChildControlsGetItDirectlyOrThroughTheirSkinnedParent) {
  BroadcastToChildControls(form.get(), SkinCommand(scBgChanged));
  EXPECT_TRUE(inner->Saw(scBgChanged));         // reached through the unskinned box
  EXPECT_TRUE(innerGraphic->Saw(scBgChanged));  // Perform
  EXPECT_TRUE(skinnedBox->Saw(scBgChanged));    // skinned: passes it on to its children itself
  EXPECT_FALSE(nested->Saw(scBgChanged));
  EXPECT_TRUE(graphic->Saw(scBgChanged));
  EXPECT_TRUE(inner->data->BackgroundDirty);
}

TEST_F(BroadcastFixture, ChildWindowsGetItOnlyOneLevelDown) {
  BroadcastToChildWindows(form->Handle(), SkinCommand(scBgChanged));
  EXPECT_TRUE(skinnedBox->Saw(scBgChanged));
  EXPECT_FALSE(inner->Saw(scBgChanged));  // a grandchild window
  EXPECT_FALSE(graphic->Saw(scBgChanged));

  EndChildWindowsUpdate(plainBox->Handle());
  EXPECT_TRUE(inner->Saw(scParentUpdated));
}

TEST_F(BroadcastFixture, EndOfUpdateReachesShowingWindowsAndWindowlessControls) {
  EndChildrenUpdate(form.get());
  EXPECT_TRUE(skinnedBox->Saw(scParentUpdated));
  EXPECT_FALSE(graphic->Saw(scParentUpdated));  // graphic controls are skipped
  EXPECT_FALSE(inner->Saw(scParentUpdated));    // children of children are their parent's business

  skinnedBox->commands.clear();
  skinnedBox->SetVisible(false);
  EndChildrenUpdate(form.get());
  EXPECT_FALSE(skinnedBox->Saw(scParentUpdated));

  skinnedBox->SetVisible(true);
  InAnimationProcess = true;
  EndChildrenUpdate(form.get());
  InAnimationProcess = false;
  EXPECT_FALSE(skinnedBox->Saw(scParentUpdated));
}

TEST_F(BroadcastFixture, ParentFormHearsOfAddedControls) {
  form->commands.clear();
  NotifyParentForm(innerGraphic);
  ASSERT_TRUE(form->Saw(scControlAdded));
  EXPECT_EQ(form->lastLParam, reinterpret_cast<LPARAM>(static_cast<TControl*>(innerGraphic)));
  form->commands.clear();
  NotifyParentForm(nullptr);
  EXPECT_TRUE(form->commands.empty());
}

}  // namespace
