// The diary's windows read from their definitions (the program's own resources) and used in this
// process: every control, menu item and action of the main window as the diary needs it, its icons,
// the state tint while a day is edited, the new-day dialog's titles and insert-or-select, the help
// text and its shortcut lists. The table here is a small array dataset with the diary's columns; the
// program itself with its data file is driven from outside in Diary_test.cpp.
#include <gtest/gtest.h>

#include <memory>

#include "app/DiaryImages.h"
#include "app/uFind.h"
#include "app/uMain.h"
#include "app/uNew.h"
#include "app/uReadme.h"
#include "engine/foundation/SQLMemSettings.h"
#include "vcl/db/ArrayDataSet.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"

namespace {

AnsiString Hu(const char* utf8) { return Utf8ToCp1250(utf8); }

// Answers the windows' Yes/No questions with `answer` while it lives, keeping their texts.
struct Questions {
  std::vector<AnsiString> asked;
  Integer answer = mrNo;
  TMessageDlgHook previous;
  Questions() {
    previous = SetMessageDlgHook([this](const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer) {
      asked.push_back(text);
      EXPECT_EQ(type, mtConfirmation);
      EXPECT_EQ(buttons, (TMsgDlgButtons{mbYes, mbNo}));
      return answer;
    });
  }
  ~Questions() { SetMessageDlgHook(std::move(previous)); }
  Questions(const Questions&) = delete;
  Questions& operator=(const Questions&) = delete;
};

// The three windows as the program makes them, over an array table with the diary's columns.
class DiaryWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitializeEngineFoundation();
    RegisterGuiClasses();
    RegisterMainForm();
  }
  void SetUp() override {
    // Whatever the windows would show in an exception box fails the test instead.
    previousBox_ = SetExceptionBoxHook([](const AnsiString& message, const AnsiString&) {
      ADD_FAILURE() << "exception box: " << message;
    });
    // Owned by the application as the program's are, but none of them its main form: closing one
    // must not end this test program.
    frmMain = New<TfrmMain>(Application);
    frmNew = New<TfrmNew>(Application);
    frmReadme = New<TfrmReadme>(Application);
    frmFind = New<TfrmFind>(Application);
    table_ = New<dbtest::TArrayDataSet>(frmMain);
    table_->AddColumn("RecID", ftAutoInc);
    table_->AddColumn("ShortDateDay", ftString, 10);
    table_->AddColumn("Title", ftString, 25);
    table_->AddColumn("Text", ftMemo);
    table_->AfterScroll = [](TDataSet* d) { frmMain->SQLMemTable1AfterScroll(d); };
    frmMain->DS1->SetDataSet(table_);
    table_->Open();
    frmMain->Show();
    guitest::Pump();
  }
  void TearDown() override {
    SetExceptionBoxHook(std::move(previousBox_));
    delete frmFind;
    delete frmReadme;
    delete frmNew;
    delete frmMain;
    frmFind = nullptr;
    frmReadme = nullptr;
    frmNew = nullptr;
    frmMain = nullptr;
    RemoveDir(DataFolder);
  }
  void AddDay(TDateTime date) {
    table_->Insert();
    table_->FieldByName("ShortDateDay")->SetAsString(DayTitle(date).substr(0, 10));
    table_->FieldByName("Title")->SetAsString(DayTitle(date));
    table_->Post();
  }
  dbtest::TArrayDataSet* table_ = nullptr;
  TExceptionBoxHook previousBox_;
};

}  // namespace

TEST(DiaryTitles, HungarianWeekdaysWhateverTheSystemLanguage) {
  // 2024-01-07 was a Sunday; the week after it covers every name.
  const char* const expected[] = {"2024.01.07 - Vasárnap", "2024.01.08 - Hétfő",     "2024.01.09 - Kedd",
                                  "2024.01.10 - Szerda",   "2024.01.11 - Csütörtök", "2024.01.12 - Péntek",
                                  "2024.01.13 - Szombat"};
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(expected[i]);
    EXPECT_EQ(DayTitle(EncodeDate(2024, 1, static_cast<Word>(7 + i))), Hu(expected[i]));
  }
  const AnsiString sunday = DayTitle(EncodeDate(2024, 1, 7));
  EXPECT_EQ(sunday.size(), 21u) << "fits the 25 characters of Title";
  EXPECT_EQ(sunday.substr(0, 10), "2024.01.07");
  // The longest name, in a two-digit month: still within the field.
  EXPECT_LE(DayTitle(EncodeDate(2024, 12, 26)).size(), 25u);
  EXPECT_EQ(HungarianWeekdayNameOf(0), "");
  EXPECT_EQ(HungarianWeekdayNameOf(8), "");
}

TEST_F(DiaryWindows, MainWindowControlsAsDefined) {
  TfrmMain& f = *frmMain;
  EXPECT_EQ(f.Caption(), "Quillnote");
  // Tool bar: buttons left to right with their hints and images, 8-pixel separators between them.
  struct Button {
    TToolButton* button;
    const char* hint;
    int image;
  };
  const Button buttons[] = {{f.btnNew, "Új", 11},         {f.btnDelete, "Töröl", 1},
                            {f.btnSave, "Ment", 8},       {f.btnFind, "Keres", 9},
                            {f.btnHomePage, "A program honlapja", 13}, {f.btnHelp, "Olvass el", 7},
                            {f.btnExit, "Kilép", 14}};
  ASSERT_EQ(f.ToolBar1->ButtonCount(), 13);
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(buttons[i].hint);
    EXPECT_EQ(f.ToolBar1->Buttons(i * 2), buttons[i].button);
    EXPECT_EQ(buttons[i].button->Hint(), Hu(buttons[i].hint));
    EXPECT_TRUE(buttons[i].button->ShowHint());
    EXPECT_EQ(buttons[i].button->ImageIndex(), buttons[i].image);
    if (i > 0) {
      EXPECT_TRUE(f.ToolBar1->Buttons(i * 2 - 1)->IsSeparator());
    }
  }
  EXPECT_EQ(f.ToolBar1->Height(), 29);
  EXPECT_EQ(f.ToolBar1->ButtonWidth(), 28);
  EXPECT_EQ(f.ToolBar1->ButtonHeight(), 26);
  EXPECT_EQ(f.ToolBar1->Images(), f.ImageList1);
  // Grid and memo on the table's data source.
  EXPECT_EQ(f.DBG1->DataSource(), f.DS1);
  EXPECT_EQ(f.DBG1->Hint(), "Nap");
  EXPECT_EQ(f.DBG1->PopupMenu(), f.PopupMenu2);
  EXPECT_EQ(f.DBG1->Options(), (TDBGridOptions{dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
                                               dgAlwaysShowSelection, dgCancelOnExit}));
  ASSERT_EQ(f.DBG1->Columns().Count(), 1);
  EXPECT_EQ(f.DBG1->Columns()[0]->FieldName(), "Title");
  EXPECT_EQ(f.DBG1->Columns()[0]->Title().Caption(), Hu("Cím:"));
  EXPECT_EQ(f.Memo1->DataSource(), f.DS1);
  EXPECT_EQ(f.Memo1->DataField(), "Text");
  EXPECT_EQ(f.Memo1->Hint(), Hu("Szöveg"));
  EXPECT_EQ(f.Memo1->PopupMenu(), f.PopupMenu1);
  EXPECT_EQ(f.Memo1->ScrollBars(), ssVertical);
  EXPECT_EQ(f.Memo1->Parent(), f.PanelImage);
  EXPECT_EQ(f.DBG1->Parent(), f.PanelLeft);
  EXPECT_TRUE(f.StatusBar1->SimplePanel());
  EXPECT_EQ(f.StatusBar1->Height(), 19);
  EXPECT_EQ(f.Constraints().MinWidth(), 640);
  EXPECT_EQ(f.Constraints().MinHeight(), 480);
}

TEST_F(DiaryWindows, ShortcutsCaptionsAndImagesOfMenusAndActions) {
  TfrmMain& f = *frmMain;
  struct Item {
    TMenuItem* item;
    const char* caption;
    TShortCut shortCut;
    int image;
  };
  const Item items[] = {
      {f.mnuCut, "Kivágás", 16472, 0},       {f.mnuCopy, "Másolás", 16451, 1},
      {f.mnuPaste, "Beillesztés", 16470, 2}, {f.mnuSelectAll, "Az összes kijelölése", 49217, 3},
      {f.mnuPost, "Szerkesztés befejezése", 49232, 4}, {f.mnuNewDay, "Új nap...", 49230, 0},
      {f.mnuDeleteDay, "Nap törlése", 49220, 1},
  };
  for (const Item& i : items) {
    SCOPED_TRACE(i.caption);
    EXPECT_EQ(i.item->Caption(), Hu(i.caption));
    EXPECT_EQ(i.item->ShortCut(), i.shortCut);
    EXPECT_EQ(i.item->ImageIndex(), i.image);
    EXPECT_TRUE(static_cast<bool>(i.item->OnClick));
  }
  EXPECT_EQ(f.PopupMenu1->Images(), f.ImageList2);
  EXPECT_EQ(f.PopupMenu2->Images(), f.ImageList1);
  EXPECT_TRUE(static_cast<bool>(f.PopupMenu1->OnPopup));
  struct Action {
    TAction* action;
    const char* caption;
    TShortCut shortCut;
  };
  const Action actions[] = {
      {f.acNewDay, "Új nap...", 49230},  {f.acDeleteDay, "Nap törlése", 49220},
      {f.acSave, "Mentés", 49235},       {f.acFind, "Keresés...", 49222},
      {f.acHomePage, "A program honlapja", 49224}, {f.acReadme, "acReadme", 49234},
      {f.acExit, "Kilépés", 49221},
  };
  ASSERT_EQ(f.ActionList1->ActionCount(), 7);
  for (const Action& a : actions) {
    SCOPED_TRACE(a.caption);
    EXPECT_EQ(a.action->Caption(), Hu(a.caption));
    EXPECT_EQ(a.action->ShortCut(), a.shortCut);
    EXPECT_TRUE(static_cast<bool>(a.action->OnExecute));
  }
  EXPECT_EQ(f.ActionList1->Images(), f.ImageList1);
}

TEST_F(DiaryWindows, ImageListsHoldTheDrawnIconsWhereTheControlsLook) {
  ASSERT_EQ(frmMain->ImageList1->Count(), 15);
  ASSERT_EQ(frmMain->ImageList2->Count(), 5);
  // An image shows something when some pixel is not the white it is drawn on.
  auto drawn = [](TImageList* list, int index) {
    TBitmap bitmap;
    list->GetBitmap(index, &bitmap);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if ((bitmap.Canvas().Pixels(x, y) & 0xFFFFFF) != 0xFFFFFF) return true;
    return false;
  };
  for (int i : {0, 1, 7, 8, 9, 11, 13, 14}) EXPECT_TRUE(drawn(frmMain->ImageList1, i)) << "ImageList1 " << i;
  for (int i : {2, 3, 4, 5, 6, 10, 12}) EXPECT_FALSE(drawn(frmMain->ImageList1, i)) << "ImageList1 " << i;
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(drawn(frmMain->ImageList2, i)) << "ImageList2 " << i;
}

TEST_F(DiaryWindows, EditingTintsAndLocksTheGridAndTellsHowToFinish) {
  TfrmMain& f = *frmMain;
  AddDay(EncodeDate(2024, 1, 7));
  const AnsiString title = Hu("2024.01.07 - Vasárnap");
  EXPECT_EQ(f.StatusBar1->SimpleText(), title);
  EXPECT_TRUE(f.ToolBar1->Enabled());
  EXPECT_FALSE(f.mnuPost->Enabled());

  table_->Edit();
  EXPECT_FALSE(f.ToolBar1->Enabled());
  EXPECT_FALSE(f.DBG1->Enabled());
  EXPECT_EQ(f.DBG1->Color(), 0xF0CAA6);
  EXPECT_TRUE(f.mnuPost->Enabled());
  EXPECT_EQ(f.StatusBar1->SimpleText(),
            title + Hu(" (FIGYELEM! A szerkesztő módból a CTRL+ALT+P billentyűkombinációval lehet kilépni!)"));

  // Ctrl+Alt+P from the memo posts and gives the grid the focus.
  f.Memo1->SetFocus();
  table_->FieldByName("Text")->SetAsString(Hu("árvíztűrő tükörfúrógép"));
  f.mnuPostClick(f.mnuPost);
  EXPECT_EQ(table_->State(), dsBrowse);
  EXPECT_TRUE(f.ToolBar1->Enabled());
  EXPECT_TRUE(f.DBG1->Enabled());
  EXPECT_EQ(f.DBG1->Color(), clWhite);
  EXPECT_FALSE(f.mnuPost->Enabled());
  EXPECT_EQ(f.StatusBar1->SimpleText(), title);
  EXPECT_EQ(f.ActiveControl(), f.DBG1);
  // Outside edit state the post item does nothing.
  f.mnuPostClick(f.mnuPost);
  EXPECT_EQ(table_->State(), dsBrowse);
}

TEST_F(DiaryWindows, DeleteAsksFirstAndOnlyWhenThereIsADayToDelete) {
  Questions questions;
  std::vector<AnsiString>& asked = questions.asked;
  frmMain->btnDeleteClick(nullptr);  // empty diary: nothing to ask
  EXPECT_TRUE(asked.empty());
  AddDay(EncodeDate(2024, 1, 7));
  AddDay(EncodeDate(2024, 1, 8));
  table_->Edit();
  frmMain->btnDeleteClick(nullptr);  // not while editing
  EXPECT_TRUE(asked.empty());
  table_->Post();
  frmMain->btnDeleteClick(nullptr);  // No keeps the day
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], Hu("Valóban törölni akarja a kijelölt [2024.01.08 - Hétfő] napot?"));
  EXPECT_EQ(table_->RecordCount(), 2);
  questions.answer = mrYes;
  frmMain->btnDeleteClick(nullptr);
  EXPECT_EQ(table_->RecordCount(), 1);
}

TEST_F(DiaryWindows, NewDayDialogInsertsOnceThenSelects) {
  frmNew->CalNew->SetDate(EncodeDate(2024, 1, 7));
  frmNew->CalNewClick(frmNew->CalNew);
  EXPECT_EQ(frmNew->LabelDay->Caption(), Hu("2024.01.07 - Vasárnap"));
  AddDay(EncodeDate(2024, 1, 9));
  // OK inserts the day with its key and title, an empty text, and shows its title.
  guitest::RunLater([] { frmNew->btnOKClick(frmNew->btnOK); });
  frmMain->btnNewClick(nullptr);
  EXPECT_FALSE(frmNew->Visible());
  ASSERT_EQ(table_->RecordCount(), 2);
  EXPECT_EQ(table_->FieldByName("ShortDateDay")->AsString(), "2024.01.07");
  EXPECT_EQ(table_->FieldByName("Title")->AsString(), Hu("2024.01.07 - Vasárnap"));
  EXPECT_EQ(table_->FieldByName("Text")->AsString(), "");
  EXPECT_EQ(frmMain->StatusBar1->SimpleText(), Hu("2024.01.07 - Vasárnap"));
  EXPECT_EQ(frmMain->ActiveControl(), frmMain->Memo1);
  // The same day again only selects it; the label follows the calendar each time the dialog shows.
  table_->Last();
  guitest::RunLater([] {
    EXPECT_EQ(frmNew->LabelDay->Caption(), Hu("2024.01.07 - Vasárnap"));
    frmNew->btnOKClick(frmNew->btnOK);
  });
  frmMain->btnNewClick(nullptr);
  EXPECT_EQ(table_->RecordCount(), 2);
  EXPECT_EQ(table_->FieldByName("ShortDateDay")->AsString(), "2024.01.07");
  // Cancel adds nothing; outside browse state the dialog does not open.
  frmNew->CalNew->SetDate(EncodeDate(2024, 2, 29));
  guitest::RunLater([] { frmNew->btnCancelClick(frmNew->btnCancel); });
  frmMain->btnNewClick(nullptr);
  EXPECT_EQ(table_->RecordCount(), 2);
  table_->Edit();
  frmMain->btnNewClick(nullptr);  // returns at once: no modal loop to end
  EXPECT_FALSE(frmNew->Visible());
  table_->Cancel();
}

TEST_F(DiaryWindows, ResizeGivesTheGridAThirdAndItsColumnTheGridsWidth) {
  frmMain->SetClientSize(900, 500);
  guitest::Pump();
  EXPECT_EQ(frmMain->PanelMain->Width(), 900);
  EXPECT_EQ(frmMain->PanelLeft->Width(), 300);
  // The grid is the panel less its padding; the column is the grid less its vertical scroll bar and
  // the column's line.
  EXPECT_EQ(frmMain->DBG1->Width(), 300 - 10 - 5);
  EXPECT_EQ(frmMain->DBG1->Columns()[0]->Width(), 285 - GetSystemMetrics(SM_CXVSCROLL) - 1);
  frmMain->SetClientSize(700, 500);
  guitest::Pump();
  EXPECT_EQ(frmMain->PanelLeft->Width(), 233);
  EXPECT_EQ(frmMain->DBG1->Columns()[0]->Width(), 233 - 15 - GetSystemMetrics(SM_CXVSCROLL) - 1);
  // With days in the grid its scroll bar is there: the column fits without a horizontal one.
  AddDay(EncodeDate(2024, 1, 7));
  guitest::Pump();
  EXPECT_EQ(frmMain->DBG1->Columns()[0]->Width() + 1, frmMain->DBG1->ClientWidth());
  EXPECT_EQ(GetWindowLongW(frmMain->DBG1->Handle(), GWL_STYLE) & WS_HSCROLL, 0) << "a horizontal scroll bar";
}

TEST_F(DiaryWindows, HelpWindowTextAndMenu) {
  TfrmReadme& r = *frmReadme;
  EXPECT_EQ(r.Caption(), Hu("Segítség a program használatához"));
  EXPECT_TRUE(r.MemoReadme->ReadOnly());
  EXPECT_EQ(r.btnOK->Caption(), Hu("Bezár"));
  EXPECT_TRUE(r.btnOK->Cancel());
  EXPECT_EQ(r.PopupMenu2->Images(), frmMain->ImageList2);
  const AnsiString text = r.MemoReadme->Text();
  // Both shortcut lists, as the help text gives them.
  for (const char* line : {"Új = CTRL+ALT+N", "Törlés = CTRL+ALT+D", "Mentés = CTRL+ALT+S", "Keresés = CTRL+ALT+F",
                           "A program honlapja = CTRL+ALT+H", "Olvass el = CTRL+ALT+R", "Kilépés = CTRL+ALT+E",
                           "Új nap... = CTRL+ALT+N", "Nap törlése = CTRL+ALT+D", "Kivág = CTRL+X", "Másol = CTRL+C",
                           "Beilleszt = CTRL+V", "Az összes kijelölése = CTRL+ALT+A",
                           "Szerkesztés befejezése = CTRL+ALT+P"}) {
    EXPECT_NE(text.find(Hu(line)), AnsiString::npos) << line;
  }
  // The menu: copy only with a selection.
  r.MemoReadme->SetSelLength(0);
  r.PopupMenu2Popup(r.PopupMenu2);
  EXPECT_FALSE(r.mnuCopy->Enabled());
  EXPECT_TRUE(r.mnuSelectAll->Enabled());
  r.mnuSelectAllClick(r.mnuSelectAll);
  r.PopupMenu2Popup(r.PopupMenu2);
  EXPECT_TRUE(r.mnuCopy->Enabled());
  EXPECT_EQ(r.MemoReadme->SelText(), text);
}

TEST_F(DiaryWindows, DaysGoIntoTheEngineTableInDateOrder) {
  // The window's own table, as FormCreate made it (an empty diary: no data file beside this program).
  TSQLMemTable* table = frmMain->SQLMemTable1;
  frmMain->DS1->SetDataSet(table);
  ASSERT_TRUE(table->Active());
  try {
    for (TDateTime day : {EncodeDate(2024, 1, 9), EncodeDate(2024, 1, 7), EncodeDate(2023, 12, 31)})
      EXPECT_TRUE(SelectOrInsertDay(*table, DayTitle(day)));
    EXPECT_FALSE(SelectOrInsertDay(*table, DayTitle(EncodeDate(2024, 1, 7))));
  } catch (const Exception& e) {
    FAIL() << e.Message();
  }
  EXPECT_EQ(table->RecordCount(), 3);
  EXPECT_EQ(table->FieldByName("ShortDateDay")->AsString(), "2024.01.07");
  std::vector<AnsiString> keys;
  for (table->First(); !table->Eof(); table->Next()) keys.push_back(table->FieldByName("ShortDateDay")->AsString());
  EXPECT_EQ(keys, (std::vector<AnsiString>{"2023.12.31", "2024.01.07", "2024.01.09"}));
  table->Close();
  table->DeleteTable();
}

namespace {

// Answers the search's input box with the terms given, in order (none left: Cancel), and keeps the
// messages shown, while it lives.
struct SearchDialogs {
  std::vector<AnsiString> terms;
  std::vector<AnsiString> messages;
  std::vector<TCursor> cursors;  // the screen's cursor at each message
  TInputQueryHook previousQuery;
  TShowMessageHook previousMessage;
  SearchDialogs() {
    previousQuery = SetInputQueryHook([this](const AnsiString& caption, const AnsiString& prompt, AnsiString& value) {
      EXPECT_EQ(caption, Hu("Keresés"));
      EXPECT_EQ(prompt, Hu("Írja be a keresendő szöveget:"));
      EXPECT_EQ(value, "") << "the term starts empty";
      if (terms.empty()) return false;
      value = terms.front();
      terms.erase(terms.begin());
      return true;
    });
    previousMessage = SetShowMessageHook([this](const AnsiString& text) {
      messages.push_back(text);
      cursors.push_back(Screen->Cursor());
    });
  }
  ~SearchDialogs() {
    SetInputQueryHook(std::move(previousQuery));
    SetShowMessageHook(std::move(previousMessage));
  }
  SearchDialogs(const SearchDialogs&) = delete;
  SearchDialogs& operator=(const SearchDialogs&) = delete;
};

}  // namespace

TEST_F(DiaryWindows, SearchListsTheDaysWhoseTextHoldsTheTermInAnyCase) {
  TfrmFind& f = *frmFind;
  EXPECT_EQ(f.Caption(), Hu("Keresés eredménye"));
  EXPECT_EQ(f.ClientWidth(), 554);
  EXPECT_EQ(f.DBGFind->DataSource(), frmMain->DS2);
  EXPECT_EQ(f.MemoFind->DataSource(), frmMain->DS2);
  EXPECT_TRUE(f.MemoFind->ReadOnly());
  EXPECT_TRUE(f.btnOK->Cancel());
  EXPECT_EQ(f.PopupMenu2->Images(), frmMain->ImageList2);
  EXPECT_EQ(frmMain->DS2->DataSet(), frmMain->SQLMemQuery1);
  EXPECT_EQ(frmMain->SQLMemQuery1->Params().Items(0)->Name(), "p");

  TSQLMemTable* table = frmMain->SQLMemTable1;
  frmMain->DS1->SetDataSet(table);
  ASSERT_TRUE(table->Active());
  const struct {
    int day;
    const char* text;
  } days[] = {{9, "Árvíztűrő tükörfúrógép."}, {7, "Semmi különös."}, {8, "Ma: TŰRŐ és ÁRVÍZ, 50% esély."}};
  for (const auto& d : days) {
    SelectOrInsertDay(*table, DayTitle(EncodeDate(2024, 1, d.day)));
    table->Edit();
    table->FieldByName("Text")->SetAsString(Hu(d.text));
    table->Post();
  }
  SearchDialogs dialogs;
  // A term in capitals finds both spellings, in date order; the caption shows the term as typed.
  dialogs.terms = {Hu("ÁRVÍZ")};
  guitest::RunLater([&] {
    EXPECT_TRUE(f.Visible());
    EXPECT_EQ(f.Caption(), Hu("Keresés eredménye a [ÁRVÍZ] kifejezésre"));
    EXPECT_EQ(f.Label1->Caption(), Hu("Találat: 2 rekord."));
    EXPECT_EQ(f.ActiveControl(), f.DBGFind);
    EXPECT_EQ(f.DBGFind->Columns()[0]->FieldName(), "Title");
    EXPECT_EQ(f.MemoFind->DataField(), "Text");
    TSQLMemQuery& q = *frmMain->SQLMemQuery1;
    EXPECT_EQ(q.Params().Items(0)->AsString(), Hu("%árvíz%"));
    EXPECT_EQ(q.FieldByName("Title")->AsString(), DayTitle(EncodeDate(2024, 1, 8)));
    EXPECT_EQ(f.MemoFind->Text(), Hu("Ma: TŰRŐ és ÁRVÍZ, 50% esély."));
    q.Next();
    EXPECT_EQ(q.FieldByName("Title")->AsString(), DayTitle(EncodeDate(2024, 1, 9)));
    f.btnOKClick(f.btnOK);
  });
  frmMain->btnFindClick(nullptr);
  EXPECT_FALSE(f.Visible());
  EXPECT_FALSE(frmMain->SQLMemQuery1->Active()) << "closing the window closes the query";
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_TRUE(dialogs.messages.empty());

  // Small letters find capitals; "%" typed by the user is a wildcard.
  dialogs.terms = {Hu("tűrő"), "50%e"};
  for (const char* count : {"Találat: 2 rekord.", "Találat: 1 rekord."}) {
    guitest::RunLater([&] {
      EXPECT_EQ(f.Label1->Caption(), Hu(count));
      f.Close();
    });
    frmMain->btnFindClick(nullptr);
  }

  // An empty term, a term without hits and a cancelled box: messages, no query left open.
  dialogs.terms = {"", "xyz"};
  frmMain->btnFindClick(nullptr);
  frmMain->btnFindClick(nullptr);
  frmMain->btnFindClick(nullptr);
  EXPECT_EQ(dialogs.messages, (std::vector<AnsiString>{Hu("Nem írta be, hogy mit akar keresni."), Hu("Nincs találat.")}));
  EXPECT_EQ(dialogs.cursors, (std::vector<TCursor>{crHourGlass, crHourGlass})) << "the hourglass until the handler ends";
  EXPECT_FALSE(frmMain->SQLMemQuery1->Active());
  EXPECT_EQ(Screen->Cursor(), crDefault);

  // A search while a day is edited: the grid is locked then, and closing does not try to focus it.
  table->Edit();
  dialogs.terms = {"semmi"};
  guitest::RunLater([&] { f.Close(); });
  frmMain->btnFindClick(nullptr);
  EXPECT_FALSE(f.Visible());
  EXPECT_FALSE(frmMain->SQLMemQuery1->Active());
  table->Cancel();
  table->Close();
  table->DeleteTable();
}

TEST(DiaryDataFile, AnUnreadableFileIsKeptAsideAndTheUserToldWhereItIs) {
  InitializeEngineFoundation();
  RegisterGuiClasses();
  RegisterMainForm();
  // The data folder of this program, as the main window makes it.
  const AnsiString folder = ExtractFileDir(Application->ExeName()) + "\\Data";
  ForceDirectories(folder);
  const AnsiString dataFile = folder + "\\qnt.dat";
  const std::string garbage = "ACS1 but nothing after it";
  {
    TFileStream out(dataFile, fmCreate);
    out.WriteBuffer(garbage.data(), static_cast<Integer>(garbage.size()));
  }
  std::vector<AnsiString> messages;
  TMessageDlgHook previous = SetMessageDlgHook([&](const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer) {
    messages.push_back(text);
    EXPECT_EQ(type, mtError);
    EXPECT_EQ(buttons, TMsgDlgButtons{mbOK});
    return static_cast<Integer>(mrOk);
  });
  frmMain = New<TfrmMain>(Application);
  SetMessageDlgHook(std::move(previous));
  // The diary is open and empty; the file is under a new name beside it, as it was.
  EXPECT_TRUE(frmMain->SQLMemTable1->Active());
  EXPECT_EQ(frmMain->SQLMemTable1->RecordCount(), 0);
  EXPECT_FALSE(FileExists(dataFile));
  AnsiString kept;
  WIN32_FIND_DATAW found{};
  const WideString pattern = Cp1250ToUtf16(folder + "\\qnt-hibas-*.dat");
  HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  kept = folder + "\\" + Utf16ToCp1250(reinterpret_cast<const char16_t*>(found.cFileName));
  EXPECT_FALSE(FindNextFileW(search, &found)) << "one kept file";
  FindClose(search);
  {
    TFileStream in(kept, fmOpenRead);
    std::string bytes(static_cast<size_t>(in.Size()), '\0');
    in.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    EXPECT_EQ(bytes, garbage);
  }
  // One message, in Hungarian, naming both files and saying that the diary starts empty.
  ASSERT_EQ(messages.size(), 1u);
  const AnsiString& m = messages[0];
  EXPECT_EQ(m.rfind(Hu("A napló adatfájlja nem olvasható be:"), 0), 0u) << Cp1250ToUtf8(m);
  EXPECT_NE(m.find(dataFile), AnsiString::npos);
  EXPECT_NE(m.find(kept), AnsiString::npos);
  EXPECT_NE(m.find(Hu("A program üres naplóval indul.")), AnsiString::npos);
  frmMain->SQLMemTable1->Close();
  frmMain->SQLMemTable1->DeleteTable();
  delete frmMain;
  frmMain = nullptr;
  DeleteFile(kept);
  RemoveDir(folder);
}

TEST_F(DiaryWindows, AFailedSaveKeepsTheDiaryOpenOnTheSameDay) {
  TSQLMemTable* table = frmMain->SQLMemTable1;
  frmMain->DS1->SetDataSet(table);
  SelectOrInsertDay(*table, DayTitle(EncodeDate(2024, 1, 7)));
  SelectOrInsertDay(*table, DayTitle(EncodeDate(2024, 1, 9)));
  table->Last();
  // A folder where the data file should be: the file cannot be written.
  ASSERT_TRUE(ForceDirectories(DataFileName()));
  bool raised = false;
  try {
    frmMain->btnSaveClick(frmMain->btnSave);
  } catch (const Exception&) {
    raised = true;
  }
  EXPECT_TRUE(raised) << "the failure is reported";
  EXPECT_TRUE(table->Active()) << "the diary stays usable";
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(table->FieldByName("ShortDateDay")->AsString(), "2024.01.09");
  EXPECT_TRUE(DirectoryExists(DataFileName()));
  RemoveDir(DataFileName());
  // Saved once the way is free, on the same day as before.
  frmMain->btnSaveClick(frmMain->btnSave);
  EXPECT_TRUE(FileExists(DataFileName()));
  EXPECT_EQ(table->FieldByName("ShortDateDay")->AsString(), "2024.01.09");
  EXPECT_EQ(frmMain->StatusBar1->SimpleText(), Hu("2024.01.09 - Kedd"));
  DeleteFile(DataFileName());
  table->Close();
  table->DeleteTable();
}

TEST_F(DiaryWindows, ClosingWithAnEditThatCannotBePostedAsksWhetherToDropIt) {
  TSQLMemTable* table = frmMain->SQLMemTable1;
  frmMain->DS1->SetDataSet(table);
  SelectOrInsertDay(*table, DayTitle(EncodeDate(2024, 1, 7)));
  // A second record with the same day: its post fails on the date index.
  table->Insert();
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.07");
  table->FieldByName("Title")->SetAsString(DayTitle(EncodeDate(2024, 1, 7)));
  Questions questions;
  std::vector<AnsiString>& asked = questions.asked;
  // "No": the window stays and so does the edit, to be mended.
  TCloseAction action = caHide;
  frmMain->FormClose(frmMain, action);
  EXPECT_EQ(action, caNone);
  EXPECT_EQ(table->State(), dsInsert);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].rfind(Hu("A szerkesztett napot nem sikerült rögzíteni:\r\n"), 0), 0u) << Cp1250ToUtf8(asked[0]);
  EXPECT_NE(asked[0].find(Hu("Elveti a módosítást, és kilép?")), AnsiString::npos);
  EXPECT_FALSE(FileExists(DataFileName()));
  // Asked again, "Yes": the edit goes, the rest is saved and the window may close.
  questions.answer = mrYes;
  action = caHide;
  frmMain->FormClose(frmMain, action);
  EXPECT_EQ(action, caHide);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_TRUE(FileExists(DataFileName()));
  DeleteFile(DataFileName());
  table->Close();
  table->DeleteTable();
}

TEST_F(DiaryWindows, TheToolBarsBottomEdgeFollowsAWiderWindow) {
  TToolBar* bar = frmMain->ToolBar1;
  // Within the screen (what lies past its edge is not drawn).
  frmMain->SetBounds(0, 0, frmMain->Width(), frmMain->Height());
  frmMain->SetClientSize(640, 480);
  guitest::Pump();
  // The edge's two bottom lines as drawn at the narrower width, then where the window grew.
  auto edgeAt = [&](int x) {
    HDC dc = GetWindowDC(bar->Handle());
    const COLORREF lines[2] = {GetPixel(dc, x, bar->Height() - 1), GetPixel(dc, x, bar->Height() - 2)};
    ReleaseDC(bar->Handle(), dc);
    return std::make_pair(lines[0], lines[1]);
  };
  const auto before = edgeAt(600);
  ASSERT_NE(before.first, before.second) << "no edge drawn";
  frmMain->SetClientSize(780, 480);
  guitest::Pump();
  ASSERT_GE(bar->Width(), 775);
  for (int x : {600, 660, 720, 775}) EXPECT_EQ(edgeAt(x), before) << "at x " << x;
}
