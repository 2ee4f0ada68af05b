#include "app/DiaryProgram.h"

#include "app/uFind.h"
#include "app/uMain.h"
#include "app/uNew.h"
#include "app/uReadme.h"
#include "engine/foundation/SQLMemSettings.h"
#include "skin/manager/sSkinLibrary.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/GuiClasses.h"

void StartDiary() {
  InitializeEngineFoundation();
  RegisterGuiClasses();
  RegisterMainForm();
  Application->Initialize();
  Application->SetTitle("Quillnote");
  SkinLibraryStartup();
  Application->CreateForm(frmMain);
  Application->CreateForm(frmNew);
  Application->CreateForm(frmReadme);
  Application->CreateForm(frmFind);
}

void StopDiary() {
  DoneApplication();
  SkinLibraryShutdown();
  FinalizeEngineFoundation();
}
