#include "app/uReadme.h"

#include "vcl/rtl/PropertyTable.h"

TfrmReadme* frmReadme = nullptr;

void TfrmReadme::btnOKClick(TObject*) { Close(); }

void TfrmReadme::mnuCopyClick(TObject*) { MemoReadme->CopyToClipboard(); }

void TfrmReadme::mnuSelectAllClick(TObject*) { MemoReadme->SelectAll(); }

void TfrmReadme::PopupMenu2Popup(TObject*) {
  mnuCopy->SetEnabled(!MemoReadme->SelText().empty());
  mnuSelectAll->SetEnabled(!MemoReadme->Text().empty());
}

void TfrmReadme::DefineFields(TFieldTable& fields) {
  fields.Add("MemoReadme", MemoReadme);
  fields.Add("btnOK", btnOK);
  fields.Add("PopupMenu2", PopupMenu2);
  fields.Add("mnuCopy", mnuCopy);
  fields.Add("mnuSelectAll", mnuSelectAll);
}

void TfrmReadme::DefineMethods(TMethodTable& methods) {
  methods.Add("btnOKClick", this, &TfrmReadme::btnOKClick);
  methods.Add("mnuCopyClick", this, &TfrmReadme::mnuCopyClick);
  methods.Add("mnuSelectAllClick", this, &TfrmReadme::mnuSelectAllClick);
  methods.Add("PopupMenu2Popup", this, &TfrmReadme::PopupMenu2Popup);
}

void RegisterReadmeForm() { RegisterStreamedClass<TfrmReadme, TForm>("TfrmReadme"); }
