// The diary's main window, TfrmMain. For now the bare window of its definition (caption, client size,
// minimum size, font, centred on the screen); its controls and handlers come with the diary itself.
#pragma once
#include "vcl/gui/Form.h"

class TfrmMain : public TForm {
 public:
  using TForm::TForm;
};

// The main window, once Application->CreateForm has made it.
extern TfrmMain* frmMain;

// Registers TfrmMain with the definition reader (its definition is the resource TFRMMAIN).
void RegisterMainForm();
