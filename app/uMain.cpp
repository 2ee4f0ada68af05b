#include "app/uMain.h"

#include "vcl/rtl/PropertyTable.h"

TfrmMain* frmMain = nullptr;

void TfrmMain::DefineFields(TFieldTable& fields) {
  fields.Add("OneInstance1", OneInstance1);
  fields.Add("sSkinManager1", sSkinManager1);
}

void RegisterMainForm() {
  RegisterInstCtrl();
  RegisterSkinManagerClasses();
  RegisterStreamedClass<TfrmMain, TForm>("TfrmMain");
}
