// The program qnt: the diary's start-up. The units start in the order they build on each other (the
// engine, then the component layer's classes, then the diary's own), the application object comes
// up with its title, the windows are made (the first one, the main window, is the main form), and the
// message loop runs until the main window closes (which writes the diary's data file). The units stop in the reverse order.
#include "app/uMain.h"
#include "app/uNew.h"
#include "app/uReadme.h"
#include "engine/foundation/SQLMemSettings.h"
#include "skin/manager/sSkinLibrary.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/GuiClasses.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int exitCode = 0;
  try {
    InitializeEngineFoundation();
    RegisterGuiClasses();
    RegisterMainForm();

    Application->Initialize();
    Application->SetTitle("Quillnote");
    SkinLibraryStartup();
    Application->CreateForm(frmMain);
    Application->CreateForm(frmNew);
    Application->CreateForm(frmReadme);
    Application->Run();
  } catch (...) {
    Application->HandleException(Application);
    exitCode = 1;
  }
  DoneApplication();
  SkinLibraryShutdown();
  FinalizeEngineFoundation();
  return exitCode;
}
