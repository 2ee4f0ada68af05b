#include "app/uMain.h"

#include "app/DiaryImages.h"
#include "app/HomePage.h"
#include "app/uFind.h"
#include "app/uNew.h"
#include "app/uReadme.h"
#include "engine/sql/SQLMemExprNodeString.h"
#include "vcl/db/Fields.h"
#include "vcl/gui/Clipbrd.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

TfrmMain* frmMain = nullptr;

AnsiString EditingWarning() {
  return Utf8ToCp1250(" (FIGYELEM! A szerkesztő módból a CTRL+ALT+P billentyűkombinációval lehet kilépni!)");
}

AnsiString TfrmMain::CurrentTitle() const {
  // Also read while the table closes (its state changes before its fields go): no field, no title.
  TDataSet* table = Table();
  if (table == nullptr || !table->Active()) return AnsiString();
  TField* title = table->FindField("Title");
  return title != nullptr ? title->AsString() : AnsiString();
}

void TfrmMain::DefinitionLoaded() {
  // The image lists are filled before OnCreate, as if the definition had held the images.
  FillDiaryImageLists(*ImageList1, *ImageList2);
  TForm::DefinitionLoaded();
}

void TfrmMain::FormResize(TObject*) {
  PanelLeft->SetWidth(PanelMain->Width() / 3);
  // The one column fills the grid, which sits inside the panel's padding, beside its vertical scroll
  // bar (there whenever the grid shows days, also when the resize comes before they are loaded) and
  // with the column's line at its right.
  if (DBG1->Columns().Count() > 0)
    DBG1->Columns()[0]->SetWidth(DBG1->Width() - GetSystemMetrics(SM_CXVSCROLL) - 1);
}

void TfrmMain::btnNewClick(TObject*) {
  TDataSet* table = Table();
  if (table != nullptr && table->State() == dsBrowse) frmNew->ShowModal();
}

void TfrmMain::btnDeleteClick(TObject*) {
  TDataSet* table = Table();
  if (table == nullptr || !table->Active() || table->RecordCount() <= 0 || DS1->State() != dsBrowse) return;
  const AnsiString title = table->FieldByName("Title")->AsString();
  if (MessageDlg(Utf8ToCp1250("Valóban törölni akarja a kijelölt [") + title + "] napot?", mtConfirmation,
                 TMsgDlgButtons{mbYes, mbNo}, 0) == mrYes) {
    table->Delete();
  }
}

AnsiString SearchStatement(const AnsiString& tableName) {
  return "select * from " + tableName + " where lower(Text) like :p" + " order by Title";
}

AnsiString SearchPattern(const AnsiString& term) {
  AnsiString lowered = term;
  LowerCaseBytes(lowered.data(), lowered.size());
  return "%" + lowered + "%";
}

namespace {

// The hourglass while it lives; the default cursor again when it goes, on every path.
class THourGlass {
 public:
  THourGlass() { Screen->SetCursor(crHourGlass); }
  ~THourGlass() { Screen->SetCursor(crDefault); }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;
};

}  // namespace

void TfrmMain::btnFindClick(TObject*) {
  AnsiString term;
  if (!InputQuery(Utf8ToCp1250("Keresés"), Utf8ToCp1250("Írja be a keresendő szöveget:"), term)) return;
  const THourGlass hourglass;
  if (term.empty()) {
    ShowMessage(Utf8ToCp1250("Nem írta be, hogy mit akar keresni."));
    return;
  }
  SQLMemQuery1->Close();
  SQLMemQuery1->SQL().Clear();
  SQLMemQuery1->SQL().Add(SearchStatement(SQLMemTable1->TableName()));
  SQLMemQuery1->Params().Items(0)->SetAsString(SearchPattern(term));
  SQLMemQuery1->Open();
  if (SQLMemQuery1->RecordCount() <= 0) {
    SQLMemQuery1->Close();
    ShowMessage(Utf8ToCp1250("Nincs találat."));
    return;
  }
  frmFind->DBGFind->Columns()[0]->SetFieldName("Title");
  frmFind->MemoFind->SetDataField("Text");
  frmFind->SetCaption(Utf8ToCp1250("Keresés eredménye a [") + term + Utf8ToCp1250("] kifejezésre"));
  frmFind->ShowModal();
}

void TfrmMain::btnHomePageClick(TObject*) { OpenHomePage(); }

void TfrmMain::btnHelpClick(TObject*) { frmReadme->ShowModal(); }

void TfrmMain::btnExitClick(TObject*) { Close(); }

void TfrmMain::DS1StateChange(TObject*) {
  const TDataSetState state = DS1->State();
  ToolBar1->SetEnabled(state == dsBrowse);
  if (state != dsEdit && state != dsInsert) {
    DBG1->SetColor(clWhite);
    DBG1->SetEnabled(true);
    mnuPost->SetEnabled(false);
    StatusBar1->SetSimpleText(CurrentTitle());
  } else {
    DBG1->SetColor(kEditingGridColor);
    DBG1->SetEnabled(false);
    mnuPost->SetEnabled(true);
    StatusBar1->SetSimpleText(StatusBar1->SimpleText() + EditingWarning());
  }
  UpdateMemoAccess();
}

void TfrmMain::DS1DataChange(TObject*, TField* field) {
  // Days come and go (insert, delete, load) without a change of state.
  if (field == nullptr) UpdateMemoAccess();
}

void TfrmMain::UpdateMemoAccess() {
  // Typing into the memo of an empty diary would start a record with no day, whose post can only
  // fail on the date index: there the memo takes nothing.
  const TDataSet* table = Table();
  bool day = false;
  if (table != nullptr && table->Active()) {
    const TDataSetState state = table->State();
    day = state == dsEdit || state == dsInsert || !table->IsEmpty();
  }
  if (Memo1->ReadOnly() == !day) return;
  Memo1->SetReadOnly(!day);
}

void TfrmMain::WndProc(TMessage& m) {
  if (m.Msg == WM_ENDSESSION) {
    if (m.WParam != 0) SaveAtSessionEnd();
    m.Result = 0;
    return;
  }
  TForm::WndProc(m);
}

void TfrmMain::mnuPostClick(TObject*) {
  const TDataSetState state = DS1->State();
  if (state != dsEdit && state != dsInsert) return;
  Table()->Post();
  SetActiveControl(DBG1);
}

void TfrmMain::SQLMemTable1AfterScroll(TDataSet*) { StatusBar1->SetSimpleText(CurrentTitle()); }

void TfrmMain::mnuCutClick(TObject*) { Memo1->CutToClipboard(); }
void TfrmMain::mnuCopyClick(TObject*) { Memo1->CopyToClipboard(); }
void TfrmMain::mnuPasteClick(TObject*) { Memo1->PasteFromClipboard(); }
void TfrmMain::mnuSelectAllClick(TObject*) { Memo1->SelectAll(); }

void TfrmMain::PopupMenu1Popup(TObject*) {
  const bool selected = !Memo1->SelText().empty();
  mnuCut->SetEnabled(selected);
  mnuCopy->SetEnabled(selected);
  mnuPaste->SetEnabled(Clipboard().HasFormat(CF_TEXT));
  mnuSelectAll->SetEnabled(!Memo1->Text().empty());
}

void TfrmMain::DefineFields(TFieldTable& fields) {
  fields.Add("ToolBar1", ToolBar1);
  fields.Add("btnNew", btnNew);
  fields.Add("btnDelete", btnDelete);
  fields.Add("btnSave", btnSave);
  fields.Add("btnFind", btnFind);
  fields.Add("btnHomePage", btnHomePage);
  fields.Add("btnHelp", btnHelp);
  fields.Add("btnExit", btnExit);
  fields.Add("StatusBar1", StatusBar1);
  fields.Add("PanelMain", PanelMain);
  fields.Add("PanelLeft", PanelLeft);
  fields.Add("Splitter1", Splitter1);
  fields.Add("PanelRight", PanelRight);
  fields.Add("PanelImage", PanelImage);
  fields.Add("DBG1", DBG1);
  fields.Add("Memo1", Memo1);
  fields.Add("SQLMemTable1", SQLMemTable1);
  fields.Add("DS1", DS1);
  fields.Add("SQLMemQuery1", SQLMemQuery1);
  fields.Add("DS2", DS2);
  fields.Add("PopupMenu1", PopupMenu1);
  fields.Add("mnuCut", mnuCut);
  fields.Add("mnuCopy", mnuCopy);
  fields.Add("mnuPaste", mnuPaste);
  fields.Add("mnuSelectAll", mnuSelectAll);
  fields.Add("mnuPost", mnuPost);
  fields.Add("PopupMenu2", PopupMenu2);
  fields.Add("mnuNewDay", mnuNewDay);
  fields.Add("mnuDeleteDay", mnuDeleteDay);
  fields.Add("ActionList1", ActionList1);
  fields.Add("acNewDay", acNewDay);
  fields.Add("acDeleteDay", acDeleteDay);
  fields.Add("acSave", acSave);
  fields.Add("acFind", acFind);
  fields.Add("acHomePage", acHomePage);
  fields.Add("acReadme", acReadme);
  fields.Add("acExit", acExit);
  fields.Add("ImageList1", ImageList1);
  fields.Add("ImageList2", ImageList2);
  fields.Add("OneInstance1", OneInstance1);
  fields.Add("sSkinManager1", sSkinManager1);
  fields.Add("sSkinProvider1", sSkinProvider1);
}

void TfrmMain::DefineMethods(TMethodTable& methods) {
  methods.Add("FormCreate", this, &TfrmMain::FormCreate);
  methods.Add("FormClose", this, &TfrmMain::FormClose);
  methods.Add("FormResize", this, &TfrmMain::FormResize);
  methods.Add("btnNewClick", this, &TfrmMain::btnNewClick);
  methods.Add("btnDeleteClick", this, &TfrmMain::btnDeleteClick);
  methods.Add("btnSaveClick", this, &TfrmMain::btnSaveClick);
  methods.Add("btnFindClick", this, &TfrmMain::btnFindClick);
  methods.Add("btnHomePageClick", this, &TfrmMain::btnHomePageClick);
  methods.Add("btnHelpClick", this, &TfrmMain::btnHelpClick);
  methods.Add("btnExitClick", this, &TfrmMain::btnExitClick);
  methods.Add("DS1StateChange", this, &TfrmMain::DS1StateChange);
  methods.Add("DS1DataChange", this, &TfrmMain::DS1DataChange);
  methods.Add("mnuPostClick", this, &TfrmMain::mnuPostClick);
  methods.Add("SQLMemTable1AfterScroll", this, &TfrmMain::SQLMemTable1AfterScroll);
  methods.Add("mnuCutClick", this, &TfrmMain::mnuCutClick);
  methods.Add("mnuCopyClick", this, &TfrmMain::mnuCopyClick);
  methods.Add("mnuPasteClick", this, &TfrmMain::mnuPasteClick);
  methods.Add("mnuSelectAllClick", this, &TfrmMain::mnuSelectAllClick);
  methods.Add("PopupMenu1Popup", this, &TfrmMain::PopupMenu1Popup);
}

void RegisterMainForm() {
  RegisterInstCtrl();
  RegisterSkinManagerClasses();
  RegisterSkinProviderClasses();
  RegisterSQLMemTable();
  RegisterSQLMemQuery();
  RegisterStreamedClass<TDataSource, TComponent>("TDataSource", [](TPropertyTableOf<TDataSource>& p) {
    p.ComponentProp<TDataSet>("DataSet", &TDataSource::SetDataSet);
    p.BoolProp("AutoEdit", &TDataSource::SetAutoEdit);
    p.BoolProp("Enabled", &TDataSource::SetEnabled);
    p.EventProp("OnStateChange", &TDataSource::OnStateChange);
    p.EventProp("OnDataChange", &TDataSource::OnDataChange);
  });
  RegisterStreamedClass<TfrmMain, TForm>("TfrmMain");
  RegisterNewForm();
  RegisterReadmeForm();
  RegisterFindForm();
}
