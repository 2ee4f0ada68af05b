// The diary program itself, driven from outside as a user drives it: keystrokes through the system's
// input queue, clicks and window messages; what it shows is read from its windows (status bar, memo,
// the grid's scroll bar, its dialogs) and what it keeps from its Data folder. Each test runs its own
// copy of the program in a folder of its own.
#include <gtest/gtest.h>

#include "DiaryDriver.h"

using namespace diarytest;

TEST(Diary, HelpWindowOpensWithItsShortcutButNotWithAltGr) {
  DiaryFolder folder;
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  ASSERT_TRUE(diary.Activate());
  // AltGr+R (left Ctrl with right Alt, as European layouts send it) is a character, not Ctrl+Alt+R.
  PressKey('R', {VK_LCONTROL, VK_RMENU});
  EXPECT_EQ(diary.WaitForWindow(L"TfrmReadme", 1000), nullptr);
  PressKey('R', {VK_CONTROL, VK_MENU});
  HWND help = diary.WaitForWindow(L"TfrmReadme");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(WindowText(help), W("Segítség a program használatához"));
  HWND text = ChildOfClass(help, L"TMemo");
  ASSERT_NE(text, nullptr);
  const std::wstring guide = WindowText(text);
  EXPECT_NE(guide.find(W("Szerkesztés befejezése = CTRL+ALT+P")), std::wstring::npos);
  // Esc is the "Bezár" button.
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(diary.WaitFor([&] { return !IsWindowVisible(help); }));
  DWORD code = 99;
  ASSERT_TRUE(diary.Close(code));
  EXPECT_EQ(code, 0u);
}
