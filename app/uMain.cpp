#include "app/uMain.h"

#include "vcl/rtl/PropertyTable.h"

TfrmMain* frmMain = nullptr;

void RegisterMainForm() { RegisterStreamedClass<TfrmMain, TForm>("TfrmMain"); }
