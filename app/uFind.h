// The search-result window, TfrmFind: the days the main window's search found, by title on the left
// and the chosen day's text on the right, both shown through the main window's query (its data source
// DS2), with the number of hits below. The window lives from start-up to exit and is only shown and
// hidden; it closes the query when it closes, so the query is open exactly while the window is up.
#pragma once
#include "vcl/gui/Button.h"
#include "vcl/gui/DBGrid.h"
#include "vcl/gui/DBMemo.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/PopupMenu.h"

class TfrmFind : public TForm {
 public:
  using TForm::TForm;

  TDBGrid* DBGFind = nullptr;
  TDBMemo* MemoFind = nullptr;
  TLabel* Label1 = nullptr;
  TButton* btnOK = nullptr;
  TPopupMenu* PopupMenu2 = nullptr;
  TMenuItem* mnuCopy = nullptr;
  TMenuItem* mnuSelectAll = nullptr;

  // Shows the hit count ("Találat: N rekord.") and starts on the list.
  void FormShow(TObject* sender);
  // Closes the query and gives the main window's grid the focus back when it can take it (while a
  // day is edited it cannot).
  void FormClose(TObject* sender, TCloseAction& action);
  void btnOKClick(TObject* sender);
  void mnuCopyClick(TObject* sender);
  void mnuSelectAllClick(TObject* sender);
  void PopupMenu2Popup(TObject* sender);

  void DefineFields(TFieldTable& fields) override;
  void DefineMethods(TMethodTable& methods) override;
};

extern TfrmFind* frmFind;

// The hit label's text for a count of hits.
AnsiString HitCountText(Integer count);

// Registers TfrmFind with the definition reader (its definition is the resource TFRMFIND). Its grid
// and memo show the main window's DS2, so the main window is read first.
void RegisterFindForm();
