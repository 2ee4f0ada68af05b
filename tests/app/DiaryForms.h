// The diary's windows made inside a test program as the program makes them: owned by the
// application, but none of them its main form, so that closing one does not end the test program.
// While they live, an exception box fails the test instead of showing.
#pragma once
#include <gtest/gtest.h>

#include <utility>

#include "app/uFind.h"
#include "app/uMain.h"
#include "app/uNew.h"
#include "app/uReadme.h"
#include "engine/foundation/SQLMemSettings.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/FileUtils.h"

namespace apptest {

// What the windows' definitions need; once per test program is enough, more does no harm.
inline void RegisterDiaryClasses() {
  InitializeEngineFoundation();
  RegisterGuiClasses();
  RegisterMainForm();
}

class TDiaryForms {
 public:
  TDiaryForms() {
    previousBox_ = SetExceptionBoxHook([](const AnsiString& message, const AnsiString&) {
      ADD_FAILURE() << "exception box: " << message;
    });
    frmMain = New<TfrmMain>(Application);
    frmNew = New<TfrmNew>(Application);
    frmReadme = New<TfrmReadme>(Application);
    frmFind = New<TfrmFind>(Application);
  }
  ~TDiaryForms() {
    SetExceptionBoxHook(std::move(previousBox_));
    delete frmFind;
    delete frmReadme;
    delete frmNew;
    delete frmMain;
    frmFind = nullptr;
    frmReadme = nullptr;
    frmNew = nullptr;
    frmMain = nullptr;
    RemoveDir(DataFolder);  // made beside the test program by the main window's creation
  }
  TDiaryForms(const TDiaryForms&) = delete;
  TDiaryForms& operator=(const TDiaryForms&) = delete;

 private:
  TExceptionBoxHook previousBox_;
};

}  // namespace apptest
