#include "app/uMain.h"

#include "vcl/rtl/PropertyTable.h"

TfrmMain* frmMain = nullptr;

void TfrmMain::DefineFields(TFieldTable& fields) { fields.Add("OneInstance1", OneInstance1); }

void RegisterMainForm() {
  RegisterInstCtrl();
  RegisterStreamedClass<TfrmMain, TForm>("TfrmMain");
}
