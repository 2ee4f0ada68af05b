// A live resize of the diary's main window, skinned and shown with its border window: each step puts
// one picture of the frame on the screen and erases no whole client area, and the provider erases the
// client itself (no WM_ERASEBKGND reaches the form's own procedure).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include "app/uMain.h"
#include "engine/foundation/SQLMemSettings.h"
#include "skin/ResizeCounting.h"
#include "skin/SkinFixture.h"
#include "skin/forms/sBorderForm.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyTable.h"

namespace {

// The main window read from the main window's definition, counting the erases that reach its own
// procedure: the provider's saved procedure is the form's WndProc, which lands here.
class TCountedMain : public TfrmMain {
 public:
  using TfrmMain::TfrmMain;
  void WndProc(TMessage& message) override {
    ++messagesAtOwnProc;
    if (message.Msg == WM_ERASEBKGND) ++erasesAtOwnProc;
    TfrmMain::WndProc(message);
  }
  int messagesAtOwnProc = 0;
  int erasesAtOwnProc = 0;
};

std::unique_ptr<TCountedMain> MakeCountedMainForm() {
  InitializeEngineFoundation();
  RegisterGuiClasses();
  RegisterMainForm();
  static const bool registered = [] {
    RegisterStreamedClass<TCountedMain, TfrmMain>("TfrmMainCounted");
    std::string text = LoadDefinitionText("TfrmMain");
    const std::string header = "object frmMain: TfrmMain";
    const size_t at = text.find(header);
    if (at != std::string::npos) text.replace(at, header.size(), "object frmMain: TfrmMainCounted");
    RegisterDefinitionText("TfrmMainCounted", std::move(text));
    return true;
  }();
  (void)registered;
  TskSkinMessageHook previous = SetSkinMessageHook([](const AnsiString&, TMsgDlgType) {});
  std::unique_ptr<TCountedMain> form(New<TCountedMain>(nullptr));
  SetSkinMessageHook(std::move(previous));
  RemoveDir(DataFolder);  // made beside this program by the window's creation (empty: nothing saved)
  return form;
}

}  // namespace

// 30 steps growing and shrinking at both edges, counted per step (the counts go into the test's
// properties): frame pictures put on the border window, WM_NCPAINT, erases, erases of the whole client,
// erases that reach the form's own procedure.
TEST(MainWindowResize, EachStepPaintsOneFramePictureAndErasesNoWholeClient) {
  std::unique_ptr<TCountedMain> form = MakeCountedMainForm();
  TsSkinProvider* provider = form->sSkinProvider1;
  ASSERT_NE(provider, nullptr);
  form->HandleNeeded();
  const HWND window = form->Handle();
  SetWindowPos(window, nullptr, 100, 80, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  guitest::Pump();
  ASSERT_TRUE(provider->BorderForm) << "the diary's manager gives the shown window its border window";
  const HWND border = provider->BorderForm->BorderHandle();

  skintest::TLayeredRecorder layered;
  int pictures = 0;
  layered.OnCall = [&](const skintest::TLayeredCall& call) { pictures += call.Update && call.Window == border ? 1 : 0; };
  skintest::TResizeCountHook hook(window);
  ASSERT_TRUE(hook.Hooked());
  form->messagesAtOwnProc = 0;
  skintest::TResizeCounts worst;
  for (int step = 0; step < 30; ++step) {
    RECT r{};
    GetWindowRect(window, &r);
    const RECT next = skintest::ResizeStepBounds(r, step);
    hook.counts = skintest::TResizeCounts{};
    pictures = 0;
    form->erasesAtOwnProc = 0;
    SetWindowPos(window, nullptr, next.left, next.top, next.right - next.left, next.bottom - next.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(window);
    guitest::Pump();
    RECT now{};
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&now, &next)) << "step " << step;
    hook.counts.pictures = pictures;
    hook.counts.savedErases = form->erasesAtOwnProc;
    worst.TakeWorst(hook.counts);
    RecordProperty("step" + std::to_string(step), hook.counts.Text());
  }
  EXPECT_GT(form->messagesAtOwnProc, 30) << "the sizing messages reach the form's own procedure, where erases are counted";
  skintest::ExpectResizeTargets(worst);
  ShowWindow(window, SW_HIDE);
}
