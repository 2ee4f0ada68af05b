// Shortcut codes and the shortcut a key message stands for, with the AltGr rule.
#include "vcl/gui/ShortCuts.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"

TEST(ShortCuts, CodesOfTheDiarysShortcuts) {
  struct Case {
    Word key;
    TShiftState shift;
    TShortCut code;
  };
  const Case cases[] = {
      {'X', {ssCtrl}, 16472},        {'C', {ssCtrl}, 16451},        {'V', {ssCtrl}, 16470},
      {'A', {ssCtrl, ssAlt}, 49217}, {'P', {ssCtrl, ssAlt}, 49232}, {'N', {ssCtrl, ssAlt}, 49230},
      {'D', {ssCtrl, ssAlt}, 49220}, {'S', {ssCtrl, ssAlt}, 49235}, {'F', {ssCtrl, ssAlt}, 49222},
      {'H', {ssCtrl, ssAlt}, 49224}, {'R', {ssCtrl, ssAlt}, 49234}, {'E', {ssCtrl, ssAlt}, 49221},
      {VK_F5, {ssShift}, 0x2074},    {VK_DELETE, {ssLeft}, VK_DELETE},  // mouse buttons do not count
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortCut(c.key, c.shift), c.code) << c.key;
    Word key = 0;
    TShiftState shift;
    ShortCutToKey(c.code, key, shift);
    EXPECT_EQ(key, c.key);
  }
  EXPECT_EQ(ShortCut(0x1234, {}), scNone);  // not a virtual key
}

TEST(ShortCuts, FromKeyMessagesWithTheKeyboardState) {
  struct Case {
    const char* what;
    std::initializer_list<int> down;
    Word key;
    TShortCut expected;
  };
  const Case cases[] = {
      {"Ctrl+Alt with the left Alt", {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU}, 'N', 49230},
      {"AltGr (left Ctrl + right Alt) is a character", {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_RMENU}, 'N', scNone},
      {"Ctrl alone", {VK_CONTROL, VK_LCONTROL}, 'C', 16451},
      {"right Alt alone is still Alt", {VK_MENU, VK_RMENU}, 'F', scAlt | 'F'},
      {"Shift+F5", {VK_SHIFT}, VK_F5, scShift | VK_F5},
      {"a bare modifier key", {VK_CONTROL, VK_LCONTROL}, VK_CONTROL, scNone},
      {"no modifier", {}, 'Q', 'Q'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    guitest::KeysDown keys(c.down);
    EXPECT_EQ(ShortCutFromMessage(TWMKey{c.key, 0}), c.expected);
  }
  // The context bit of a WM_SYSKEYDOWN says Alt even without the keyboard state.
  guitest::KeysDown none({});
  EXPECT_EQ(ShortCutFromMessage(TWMKey{'F', 0x20000000}), scAlt | 'F');
}

TEST(ShortCuts, TextAsMenusShowItAndBack) {
  struct Case {
    TShortCut code;
    const char* text;
  };
  const Case cases[] = {
      {16472, "Ctrl+X"},          {49217, "Ctrl+Alt+A"},     {49232, "Ctrl+Alt+P"},
      {scShift | VK_F5, "Shift+F5"}, {VK_DELETE, "Del"},     {scAlt | VK_F4, "Alt+F4"},
      {scShift | scCtrl | scAlt | '7', "Shift+Ctrl+Alt+7"}, {scCtrl | VK_INSERT, "Ctrl+Ins"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortCutToText(c.code), c.text);
    EXPECT_EQ(TextToShortCut(c.text), c.code) << c.text;
  }
  EXPECT_EQ(TextToShortCut("ctrl+alt+n"), 49230);  // any case
  EXPECT_EQ(ShortCutToText(scNone), "");
  EXPECT_EQ(ShortCutToText(scCtrl | 0xBA), "");  // a key without a name
  EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
  EXPECT_EQ(TextToShortCut("Hyper+X"), scNone);
}
