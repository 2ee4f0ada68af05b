// The help window, TfrmReadme: a read-only memo with the diary's user guide (stored in the window's
// definition) and a "Bezár" button; the memo's menu copies the selection or selects the whole text.
#pragma once
#include "vcl/gui/Button.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Memo.h"
#include "vcl/gui/PopupMenu.h"

class TfrmReadme : public TForm {
 public:
  using TForm::TForm;

  TMemo* MemoReadme = nullptr;
  TButton* btnOK = nullptr;
  TPopupMenu* PopupMenu2 = nullptr;
  TMenuItem* mnuCopy = nullptr;
  TMenuItem* mnuSelectAll = nullptr;

  void btnOKClick(TObject* sender);
  void mnuCopyClick(TObject* sender);
  void mnuSelectAllClick(TObject* sender);
  void PopupMenu2Popup(TObject* sender);

  void DefineFields(TFieldTable& fields) override;
  void DefineMethods(TMethodTable& methods) override;
};

extern TfrmReadme* frmReadme;

// Registers TfrmReadme with the definition reader (its definition is the resource TFRMREADME). Its
// menu takes its images from the main window's ImageList2, so the main window is read first.
void RegisterReadmeForm();
