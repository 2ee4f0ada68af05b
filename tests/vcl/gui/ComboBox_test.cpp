// The combo box over the system COMBOBOX class: its Style as the window's kind, and its Items in step
// with the window through a change of Style (a new window).
#include "vcl/gui/ComboBox.h"

#include <gtest/gtest.h>

#include <memory>

#include "GuiTestSupport.h"
#include "vcl/rtl/TextConv.h"

TEST(ComboBox, StyleMakesTheWindowsKindAndItemsSurviveANewWindow) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetBounds(50, 50, 300, 240);
  auto* combo = New<TComboBox>(form.get());
  combo->SetBounds(10, 10, 200, 24);
  combo->SetParent(form.get());
  combo->Items().Add(Utf8ToCp1250("hétfő"));
  combo->Items().Add("kedd");
  combo->SetItemIndex(1);
  form->Show();
  const struct {
    TComboBoxStyle style;
    LONG_PTR kind;
  } cases[] = {{csDropDown, CBS_DROPDOWN}, {csDropDownList, CBS_DROPDOWNLIST}, {csSimple, CBS_SIMPLE}};
  for (const auto& c : cases) {
    combo->SetStyle(c.style);
    const HWND window = combo->Handle();
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & 3, c.kind) << c.style;
    ASSERT_EQ(SendMessageW(window, CB_GETCOUNT, 0, 0), 2) << c.style;
    EXPECT_EQ(combo->Items().Strings(0), Utf8ToCp1250("hétfő"));
    EXPECT_EQ(SendMessageW(window, CB_GETCURSEL, 0, 0), 1) << c.style;
  }
  combo->Items().Delete(0);
  EXPECT_EQ(combo->ItemIndex(), 0) << "the selection follows its item";
  guitest::Pump();
}
