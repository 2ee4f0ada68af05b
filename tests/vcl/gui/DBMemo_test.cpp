// The data-aware memo: it shows the current record's field (reloaded on every record change), a change
// the user starts puts the dataset into edit state (or is refused when it cannot edit), the text
// reaches the field on post and when the focus leaves, Esc and Cancel bring the field's text back,
// and Hungarian text goes both ways unchanged.
#include "vcl/gui/DBMemo.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "GuiTestSupport.h"
#include "vcl/db/ArrayDataSet.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Clipbrd.h"
#include "vcl/rtl/TextConv.h"

using dbtest::Column;
using dbtest::TArrayDataSet;

namespace {

AnsiString Hu(const char* utf8) { return Utf8ToCp1250(utf8); }

std::u16string WindowText(HWND window) {
  std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

class TfrmDBMemo : public TForm {
 public:
  explicit TfrmDBMemo(TComponent* owner) : TForm(owner) {
    SetClientSize(420, 300);
    dataSet = New<TArrayDataSet>(this, std::vector<Column>{{"ID", ftInteger}, {"Title", ftString, 25}, {"Text", ftMemo}});
    source = New<TDataSource>(this);
    source->SetDataSet(dataSet);
    memo = New<TDBMemo>(this);
    memo->SetName("Memo1");
    memo->SetBounds(10, 10, 300, 150);
    memo->SetScrollBars(ssVertical);
    memo->SetParent(this);
    ok = New<TButton>(this);
    ok->SetBounds(10, 250, 75, 25);
    ok->SetDefault(true);
    ok->SetParent(this);
    ok->OnClick = [this](TObject*) { ++oks; };
  }
  TArrayDataSet* dataSet;
  TDataSource* source;
  TDBMemo* memo;
  TButton* ok;
  int oks = 0;
};

struct DBMemoFixture : ::testing::Test {
  std::unique_ptr<TfrmDBMemo> form{New<TfrmDBMemo>(nullptr)};
  TDBMemo& memo = *form->memo;
  TArrayDataSet& ds = *form->dataSet;
  const AnsiString first = Hu("Első nap\r\nárvíztűrő tükörfúrógép");

  void SetUp() override {
    ds.Open();
    ds.AppendRecord({1, Hu("2024.01.07 - Vasárnap"), first});
    ds.AppendRecord({2, Hu("2024.01.08 - Hétfő"), "second\nline"});  // a lone LF, as other programs write
    ds.AppendRecord({3, Hu("2024.01.09 - Kedd")});                    // no text at all
    ds.First();
    memo.SetDataSource(form->source);
    memo.SetDataField("Text");
    form->Show();
    memo.SetFocus();
    guitest::Pump();
  }
  void TearDown() override { guitest::Pump(); }

  void Type(char16_t c) {
    PostMessageW(memo.Handle(), WM_CHAR, c, 1);
    guitest::Pump();
  }
  void Key(WORD key, std::initializer_list<int> down = {}) {
    guitest::KeysDown keys(down);
    guitest::PostKey(memo.Handle(), key);
    guitest::Pump();
  }
  AnsiString FieldText() { return ds.FieldByName("Text")->AsString(); }
  bool WindowReadOnly() { return (GetWindowLongPtrW(memo.Handle(), GWL_STYLE) & ES_READONLY) != 0; }
};

}  // namespace

TEST_F(DBMemoFixture, RecordChangesReloadTheText) {
  EXPECT_EQ(memo.Text(), first);
  EXPECT_EQ(WindowText(memo.Handle()), u"Első nap\r\nárvíztűrő tükörfúrógép");
  EXPECT_TRUE(WindowReadOnly());  // browsing: nothing is edited yet
  ds.Next();
  EXPECT_EQ(memo.Text(), "second\r\nline");  // shown with the window's line breaks
  ds.Next();
  EXPECT_EQ(memo.Text(), "");
  ds.First();
  EXPECT_EQ(memo.Text(), first);
  EXPECT_EQ(memo.Field(), ds.FieldByName("Text"));
  EXPECT_EQ(SendMessageW(memo.Handle(), CM_GETDATALINK, 0, 0), reinterpret_cast<LRESULT>(&memo.DataLink()));
}

TEST_F(DBMemoFixture, TypingEntersEditStateAndPostWritesTheText) {
  memo.SetSelStart(5);  // after "Első "
  Type(u'ő');
  EXPECT_EQ(ds.State(), dsEdit);
  EXPECT_FALSE(WindowReadOnly());
  // Entering edit state reloaded the record: the caret stayed where the user types.
  Type(u'r');
  Type(u' ');
  EXPECT_EQ(memo.Text(), Hu("Első őr nap\r\nárvíztűrő tükörfúrógép"));
  EXPECT_EQ(FieldText(), first);  // the field gets the text when the record is posted
  ds.Post();
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(FieldText(), Hu("Első őr nap\r\nárvíztűrő tükörfúrógép"));
  EXPECT_TRUE(WindowReadOnly());
  ds.Next();
  ds.Prior();
  EXPECT_EQ(WindowText(memo.Handle()), u"Első őr nap\r\nárvíztűrő tükörfúrógép");
}

TEST_F(DBMemoFixture, EveryKindOfChangeStartsTheEdit) {
  struct Case {
    const char* what;
    std::function<void(DBMemoFixture&)> act;
    const char* after;  // from "second|\r\nline", the caret after "second"
  };
  const Case cases[] = {
      {"typed letter", [](DBMemoFixture& f) { f.Type(u'ű'); }, "secondű\r\nline"},
      {"Backspace", [](DBMemoFixture& f) { f.Type(u'\b'); }, "secon\r\nline"},
      {"Delete", [](DBMemoFixture& f) { f.Key(VK_DELETE); }, "secondline"},
      {"Return", [](DBMemoFixture& f) { f.Key(VK_RETURN); }, "second\r\n\r\nline"},
      {"Ctrl+V", [](DBMemoFixture& f) { f.Type(0x16); }, "secondő\r\nline"},
      {"paste from a menu", [](DBMemoFixture& f) { f.memo.PasteFromClipboard(); }, "secondő\r\nline"},
      {"cut from a menu",
       [](DBMemoFixture& f) {
         f.memo.SetSelStart(0);
         f.memo.SetSelLength(3);
         f.memo.CutToClipboard();
       },
       "ond\r\nline"},
  };
  ds.Next();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Clipboard().SetAsText(Hu("ő"));
    memo.SetSelStart(6);
    ASSERT_EQ(ds.State(), dsBrowse);
    c.act(*this);
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(memo.Text(), Hu(c.after));
    EXPECT_EQ(form->oks, 0);  // Return made a line, it did not press the default button
    // Cancel brings the field's text back.
    ds.Cancel();
    EXPECT_EQ(memo.Text(), "second\r\nline");
  }
  // Copying changes nothing.
  memo.SelectAll();
  memo.CopyToClipboard();
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(Clipboard().AsText(), "second\r\nline");
}

TEST_F(DBMemoFixture, ChangesAreRefusedWhenNothingCanBeEdited) {
  struct Case {
    const char* what;
    std::function<void(DBMemoFixture&)> refuse;
    std::function<void(DBMemoFixture&)> allow;
  };
  const Case cases[] = {
      {"read-only memo", [](DBMemoFixture& f) { f.memo.SetReadOnly(true); }, [](DBMemoFixture& f) { f.memo.SetReadOnly(false); }},
      {"read-only dataset", [](DBMemoFixture& f) { f.ds.readOnly = true; }, [](DBMemoFixture& f) { f.ds.readOnly = false; }},
      {"read-only field", [](DBMemoFixture& f) { f.ds.FieldByName("Text")->SetReadOnly(true); },
       [](DBMemoFixture& f) { f.ds.FieldByName("Text")->SetReadOnly(false); }},
      {"AutoEdit off", [](DBMemoFixture& f) { f.form->source->SetAutoEdit(false); },
       [](DBMemoFixture& f) { f.form->source->SetAutoEdit(true); }},
      {"no field", [](DBMemoFixture& f) { f.memo.SetDataField(""); }, [](DBMemoFixture& f) { f.memo.SetDataField("Text"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.refuse(*this);
    const AnsiString before = memo.Text();
    memo.SetSelStart(3);
    Type(u'x');
    Key(VK_DELETE);
    Clipboard().SetAsText("pasted");
    memo.PasteFromClipboard();
    memo.SetSelLength(2);
    Clipboard().Clear();
    memo.CutToClipboard();
    EXPECT_EQ(memo.Text(), before);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Clipboard().AsText(), before.substr(std::min<std::size_t>(3, before.size()), 2));  // a refused cut still copies
    c.allow(*this);
    EXPECT_EQ(memo.Text(), first);
    Type(u'x');
    EXPECT_EQ(ds.State(), dsEdit);
    ds.Cancel();
  }
  // A read-only memo leaves Return to the form's default button.
  memo.SetReadOnly(true);
  Key(VK_RETURN);
  EXPECT_EQ(form->oks, 1);
  EXPECT_EQ(memo.Text(), first);
}

TEST_F(DBMemoFixture, EscAndCancelBringTheFieldsTextBack) {
  memo.SetSelStart(0);
  Type(u'a');
  Key(VK_ESCAPE);  // the form has no Cancel button: the memo takes it
  EXPECT_EQ(memo.Text(), first);
  EXPECT_EQ(ds.State(), dsEdit);  // the record stays in edit state
  ds.Post();
  EXPECT_EQ(FieldText(), first);  // nothing of the dropped change was written

  memo.SetSelStart(0);
  Type(u'b');
  ds.Cancel();
  EXPECT_EQ(memo.Text(), first);
  EXPECT_EQ(FieldText(), first);
}

TEST_F(DBMemoFixture, LeavingTheMemoHandsTheTextToTheField) {
  memo.SetSelStart(0);
  Type(u'Ő');
  form->ok->SetFocus();
  guitest::Pump();
  EXPECT_EQ(ds.State(), dsEdit);
  EXPECT_EQ(FieldText(), Hu("Ő") + first);
  ds.Post();
  EXPECT_EQ(FieldText(), Hu("Ő") + first);
}

TEST_F(DBMemoFixture, DataFieldChangesAtRunTime) {
  memo.SetDataField("Title");
  EXPECT_EQ(WindowText(memo.Handle()), u"2024.01.07 - Vasárnap");
  memo.SetSelStart(0);
  memo.SetSelLength(21);
  Type(u'é');
  ds.Post();
  EXPECT_EQ(ds.FieldByName("Title")->AsString(), Hu("é"));
  EXPECT_EQ(FieldText(), first);  // the memo field was not touched
  try {
    memo.SetDataField("Nincs");
    ADD_FAILURE() << "no exception";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Memo1: Field 'Nincs' not found");
  }
}

TEST_F(DBMemoFixture, AnAppendedRecordTakesTheTypedText) {
  ds.Append();
  EXPECT_EQ(memo.Text(), "");
  EXPECT_FALSE(WindowReadOnly());
  Type(u'ú');
  Type(u'j');
  ds.Post();
  ds.Last();
  EXPECT_EQ(FieldText(), Hu("új"));
  EXPECT_EQ(ds.RecordCount(), 4);
}

TEST_F(DBMemoFixture, AClosedDataSetLeavesAnEmptyReadOnlyMemo) {
  ds.Close();
  EXPECT_EQ(memo.Text(), "");
  EXPECT_TRUE(WindowReadOnly());
  Type(u'x');
  EXPECT_EQ(memo.Text(), "");
  ds.Open();
  EXPECT_EQ(memo.Text(), first);
  // Without its data source the memo is empty and refuses changes.
  delete form->source;
  EXPECT_EQ(memo.DataSource(), nullptr);
  EXPECT_EQ(memo.Text(), "");
  Type(u'x');
  EXPECT_EQ(memo.Text(), "");
}
