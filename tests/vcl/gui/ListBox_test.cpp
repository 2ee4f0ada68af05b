// The list box over the system LISTBOX class: Items and ItemIndex before, with and after the window
// (a new window keeps both), Hungarian items in the window, index errors, and reading it from a
// definition.
#include "vcl/gui/ListBox.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "GuiTestSupport.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyAccess.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

namespace {

AnsiString Hu(const char* utf8) { return Utf8ToCp1250(utf8); }

std::u16string ItemText(HWND window, int index) {
  std::u16string text(static_cast<size_t>(SendMessageW(window, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0)) + 1, u'\0');
  text.resize(static_cast<size_t>(
      SendMessageW(window, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

struct ListBoxFixture : ::testing::Test {
  std::unique_ptr<TForm> form{New<TForm>(nullptr)};
  TListBox* box = nullptr;
  void SetUp() override {
    form->SetBounds(50, 50, 300, 240);
    box = New<TListBox>(form.get());
    box->SetBounds(10, 10, 200, 150);
    box->SetParent(form.get());
  }
  void TearDown() override { guitest::Pump(); }
};

}  // namespace

TEST_F(ListBoxFixture, ItemsAndSelectionLiveInTheWindowAndSurviveANewOne) {
  ASSERT_FALSE(box->HandleAllocated());
  box->Items().Add(Hu("első"));
  box->Items().Add(Hu("második"));
  box->Items().Insert(0, Hu("nulladik"));
  box->SetItemIndex(2);
  box->Items().Delete(0);  // the selection follows its item
  EXPECT_EQ(box->ItemIndex(), 1);
  form->Show();
  const HWND window = box->Handle();
  ASSERT_EQ(SendMessageW(window, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(Utf16ToUtf8(ItemText(window, 0)), "első");
  EXPECT_EQ(SendMessageW(window, LB_GETCURSEL, 0, 0), 1);

  // Changes made to the window are what Items reads; changes to Items reach the window.
  SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"őszi"));
  ASSERT_EQ(box->Items().Count(), 3);
  EXPECT_EQ(box->Items().Strings(2), Hu("őszi"));
  box->Items().SetStrings(0, Hu("új első"));
  EXPECT_EQ(Utf16ToUtf8(ItemText(window, 0)), "új első");
  EXPECT_EQ(box->ItemIndex(), 1);

  box->SetBorderStyle(bsNone);  // a new window
  EXPECT_NE(box->Handle(), window);
  EXPECT_EQ(box->Items().Count(), 3);
  EXPECT_EQ(box->Items().Strings(2), Hu("őszi"));
  EXPECT_EQ(box->ItemIndex(), 1);
  EXPECT_EQ(GetWindowLongPtrW(box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);

  box->SetItemIndex(7);  // past the end: nothing selected
  EXPECT_EQ(box->ItemIndex(), -1);
  box->Clear();
  EXPECT_EQ(box->Items().Count(), 0);
  EXPECT_EQ(SendMessageW(box->Handle(), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(ListBoxFixture, IndexesOutsideTheItemsRaise) {
  box->Items().Add("a");
  for (const bool withWindow : {false, true}) {
    if (withWindow) form->Show();
    EXPECT_THROW(box->Items().Strings(1), EStringListError) << withWindow;
    EXPECT_THROW(box->Items().Delete(-1), EStringListError) << withWindow;
    EXPECT_THROW(box->Items().Insert(3, "x"), EStringListError) << withWindow;
  }
}

TEST(ListBoxDefinition, ItemsAndIndexComeFromTheText) {
  class TListForm : public TForm {
   public:
    using TForm::TForm;
    TListBox* Days = nullptr;
    void DefineFields(TFieldTable& fields) override { fields.Add("Days", Days); }
  };
  RegisterGuiClasses();
  RegisterStreamedClass<TListForm, TForm>("TListForm");
  RegisterDefinitionText("TListForm", R"(
    object ListForm: TListForm
      object Days: TListBox
        Left = 8
        Top = 8
        Items = (
          'hétfő'
          'kedd')
        ItemIndex = 1
      end
    end)");
  std::unique_ptr<TListForm> f(New<TListForm>(nullptr));
  UnregisterDefinitionText("TListForm");
  ASSERT_NE(f->Days, nullptr);
  ASSERT_EQ(f->Days->Items().Count(), 2);
  EXPECT_EQ(f->Days->Items().Strings(0), Hu("hétfő"));
  EXPECT_EQ(GetOrdPropByName(f->Days, "ItemIndex"), 1);
  f->Show();
  EXPECT_EQ(SendMessageW(f->Days->Handle(), LB_GETCURSEL, 0, 0), 1);
}
