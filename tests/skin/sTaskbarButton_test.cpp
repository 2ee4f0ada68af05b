// The application's taskbar button read from a fake taskbar of the test's own process (a real task
// toolbar whose buttons' data hold windows): the button of the window asked for, with separators and
// hidden buttons skipped, and the target a minimising form flies to with and without composition.
#include "skin/forms/sTaskbarButton.h"

#include <gtest/gtest.h>

#include "skin/MinimizeFixture.h"

using namespace skintest;

namespace {

class TaskbarButtonTest : public MinimizeFixture {};

}  // namespace

TEST_F(TaskbarButtonTest, TheButtonWhoseDataNamesTheWindow) {
  MakeForm();
  const HWND owner = ApplicationButtonWindow();
  ASSERT_NE(owner, nullptr);
  EXPECT_TRUE(TaskbarButtonRect(owner).IsEmpty()) << "no taskbar yet";
  // A separator, a button of another window, a hidden one of the application, and its own.
  TFakeTaskbar taskbar(TRect{0, 728, 1024, 768}, {nullptr, Window(), owner, owner}, true);
  taskbar.Hide(2);
  ASSERT_FALSE(taskbar.ButtonRect(3).IsEmpty());
  EXPECT_EQ(TaskbarButtonRect(owner), taskbar.ButtonRect(3));
  EXPECT_EQ(TaskbarButtonRect(Window()), taskbar.ButtonRect(1));
  EXPECT_TRUE(TaskbarButtonRect(GetDesktopWindow()).IsEmpty()) << "no button of its own";
  EXPECT_TRUE(TaskbarButtonRect(nullptr).IsEmpty());
}

TEST_F(TaskbarButtonTest, TheTargetIsTheButtonElseTheEdgeElseTheCorner) {
  const TRect formRect{300, 200, 500, 300};
  EXPECT_EQ(MinimizeTargetRect(formRect), (TRect{0, 0, 0, 0})) << "no taskbar";
  {
    TFakeTaskbar bare(TRect{0, 728, 1024, 768});
    EXPECT_EQ(MinimizeTargetRect(formRect), (TRect{400, 728, 400, 728})) << "no button: the taskbar's edge facing the screen";
  }
  TFakeTaskbar taskbar(TRect{0, 728, 1024, 768}, {ApplicationButtonWindow()}, true);
  EXPECT_EQ(MinimizeTargetRect(formRect), taskbar.ButtonRect(0));
  // While the desktop composes the button is not looked up.
  composing = TRUE;
  EXPECT_EQ(MinimizeTargetRect(formRect), (TRect{400, 728, 400, 728}));
}
