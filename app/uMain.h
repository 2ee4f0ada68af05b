// The diary's main window, TfrmMain. For now the window of its definition (caption, client size,
// minimum size, font, centred on the screen) with the single-instance component, which ends a second
// start of the program while this window is being read, and the skin manager, which loads the diary's
// skin from the data stored in the definition; its controls and handlers come with the diary itself.
#pragma once
#include "app/InstCtrl.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Form.h"

class TfrmMain : public TForm {
 public:
  using TForm::TForm;

  TOneInstance* OneInstance1 = nullptr;
  TsSkinManager* sSkinManager1 = nullptr;

  void DefineFields(TFieldTable& fields) override;
};

// The main window, once Application->CreateForm has made it.
extern TfrmMain* frmMain;

// Registers TfrmMain, the skin manager and the diary's own components with the definition reader (the window's
// definition is the resource TFRMMAIN).
void RegisterMainForm();
