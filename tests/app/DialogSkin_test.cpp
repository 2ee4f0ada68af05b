// The diary's dialogs wear the main window's skin inside their frames: the push buttons of the
// new-day dialog and of the help window get the skin's button adapters, and the new-day label takes
// the skin's font colour.
#include <gtest/gtest.h>

#include <memory>

#include "DiaryForms.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBButtons.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/GuiTestSupport.h"

namespace {

bool ButtonAdapted(TButton* button) {
  return button->HandleAllocated() && dynamic_cast<TskBtnWnd*>(FindAdapter(button->Handle())) != nullptr;
}

class DialogSkin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { apptest::RegisterDiaryClasses(); }
  void SetUp() override {
    RegisterSkinDialogs();
    forms_ = std::make_unique<apptest::TDiaryForms>();
    frmMain->Show();
    guitest::Pump();
  }
  void TearDown() override {
    forms_.reset();
    UnregisterSkinDialogs();
  }
  std::unique_ptr<apptest::TDiaryForms> forms_;
};

TEST_F(DialogSkin, NewDayDialogAndHelpWindowShowSkinnedButtonsAndTheLabelInTheSkinsColour) {
  const TColor skinFont = static_cast<TColor>(frmMain->sSkinManager1->GetGlobalFontColor());
  bool checked = false;
  guitest::RunLater([&] {
    checked = true;
    EXPECT_TRUE(ButtonAdapted(frmNew->btnOK));
    EXPECT_TRUE(ButtonAdapted(frmNew->btnCancel));
    EXPECT_EQ(frmNew->LabelDay->Font().Color(), skinFont);
    EXPECT_TRUE(frmNew->LabelDay->Transparent());
    frmNew->btnCancelClick(frmNew->btnCancel);
  });
  frmNew->ShowModal();
  EXPECT_TRUE(checked);

  frmReadme->Show();
  guitest::Pump();
  EXPECT_TRUE(ButtonAdapted(frmReadme->btnOK));
  frmReadme->Close();
  guitest::Pump();
}

}  // namespace
