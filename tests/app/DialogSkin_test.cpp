// The diary's dialogs wear the main window's skin inside their frames: the push buttons of the
// new-day dialog and of the help window get the skin's button adapters, and the new-day label takes
// the skin's font colour.
#include <gtest/gtest.h>

#include <memory>

#include "DiaryForms.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBButtons.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
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

// The new-day label is transparent under the skin: the window shows it on the dialog's background,
// with its text, both on the screen and in a print of the dialog. Its place was once left out of the
// plain background and never painted (a black bar).
TEST_F(DialogSkin, TheNewDayLabelShowsItsTextOnTheDialogsBackground) {
  bool checked = false;
  guitest::RunLater([&] {
    checked = true;
    TLabel* label = frmNew->LabelDay;
    ASSERT_FALSE(label->Caption().empty());
    RedrawWindow(frmNew->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Reads the label's area from a DC at the client's origin there: its corner (no text there) against
    // the dialog's background beside it, and how many of its pixels differ from that background.
    const auto check = [&](const char* where, HDC dc, Integer ox, Integer oy) {
      SCOPED_TRACE(where);
      const COLORREF background = GetPixel(dc, ox + label->Left() - 4, oy + label->Top() + 2);
      EXPECT_NE(background, RGB(0, 0, 0));
      EXPECT_EQ(GetPixel(dc, ox + label->Left() + 1, oy + label->Top() + 1), background);
      int text = 0;
      for (Integer y = 0; y < label->Height(); ++y)
        for (Integer x = 0; x < label->Width(); ++x)
          text += GetPixel(dc, ox + label->Left() + x, oy + label->Top() + y) != background ? 1 : 0;
      EXPECT_GT(text, 20) << "the label's text";
      EXPECT_LT(text, label->Width() * label->Height() / 3) << "the label's background";
    };
    const HDC window = GetDC(frmNew->Handle());
    check("window", window, 0, 0);
    ReleaseDC(frmNew->Handle(), window);

    TsSkinProvider* skin = nullptr;
    for (int i = 0; i < frmNew->ComponentCount() && skin == nullptr; ++i)
      skin = dynamic_cast<TsSkinProvider*>(frmNew->Components(i));
    ASSERT_NE(skin, nullptr) << "the dialog's run-time provider";
    TBitmap print;
    print.SetPixelFormat(pf32bit);
    print.SetSize(skin->SkinData().CacheBitmap->Width(), skin->SkinData().CacheBitmap->Height());
    SendMessageW(frmNew->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(print.Canvas().Handle()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN);
    GdiFlush();
    check("print", print.Canvas().Handle(), skin->ClientOffsetX(), skin->ClientOffsetY());
    frmNew->btnCancelClick(frmNew->btnCancel);
  });
  frmNew->ShowModal();
  EXPECT_TRUE(checked);
}

}  // namespace
