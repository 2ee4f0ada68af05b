#include "app/uFind.h"

#include "app/uMain.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

TfrmFind* frmFind = nullptr;

AnsiString HitCountText(Integer count) {
  return Utf8ToCp1250("Találat: ") + IntToStr(count) + " rekord.";
}

void TfrmFind::FormShow(TObject*) {
  Label1->SetCaption(HitCountText(frmMain->SQLMemQuery1->RecordCount()));
  SetActiveControl(DBGFind);
}

void TfrmFind::FormClose(TObject*, TCloseAction&) {
  frmMain->SQLMemQuery1->Close();
  if (frmMain->DBG1->CanFocus()) frmMain->SetActiveControl(frmMain->DBG1);
}

void TfrmFind::btnOKClick(TObject*) { Close(); }

void TfrmFind::mnuCopyClick(TObject*) { MemoFind->CopyToClipboard(); }

void TfrmFind::mnuSelectAllClick(TObject*) { MemoFind->SelectAll(); }

void TfrmFind::PopupMenu2Popup(TObject*) {
  mnuCopy->SetEnabled(!MemoFind->SelText().empty());
  mnuSelectAll->SetEnabled(!MemoFind->Text().empty());
}

void TfrmFind::DefineFields(TFieldTable& fields) {
  fields.Add("DBGFind", DBGFind);
  fields.Add("MemoFind", MemoFind);
  fields.Add("Label1", Label1);
  fields.Add("btnOK", btnOK);
  fields.Add("PopupMenu2", PopupMenu2);
  fields.Add("mnuCopy", mnuCopy);
  fields.Add("mnuSelectAll", mnuSelectAll);
}

void TfrmFind::DefineMethods(TMethodTable& methods) {
  methods.Add("FormShow", this, &TfrmFind::FormShow);
  methods.Add("FormClose", this, &TfrmFind::FormClose);
  methods.Add("btnOKClick", this, &TfrmFind::btnOKClick);
  methods.Add("mnuCopyClick", this, &TfrmFind::mnuCopyClick);
  methods.Add("mnuSelectAllClick", this, &TfrmFind::mnuSelectAllClick);
  methods.Add("PopupMenu2Popup", this, &TfrmFind::PopupMenu2Popup);
}

void RegisterFindForm() { RegisterStreamedClass<TfrmFind, TForm>("TfrmFind"); }
