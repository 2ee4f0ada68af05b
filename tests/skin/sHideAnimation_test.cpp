// The hide animations under Wine with the built-in skin: the hide timer's frames (recorded, since a
// headless system cannot read a layered window back), the animation window freed after the last tick,
// the run at once while the application terminates, and the unskinned form's hide in its window
// procedure, which never waits for another animation.
#include "skin/forms/sHideAnimation.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sSkinLibrary.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"

using namespace skintest;
using guitest::PumpUntil;

namespace {

class HideAnimationTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinLibraryStartup();
    SkinFixture::SetUp();
    recorder_ = std::make_unique<TLayeredRecorder>();
    if (TskHideTimer* timer = HideTimer()) timer->Stop();
    recorder_->OnCall = [this](const TLayeredCall& call) {
      if (call.Update && call.Window != Window()) {
        alphas_.push_back(call.Alpha);
        windows_.push_back(call.Window);
        inAnimation_.push_back(InAnimationProcess);
      }
    };
    manager_->AnimEffects().FormHide->Time = 48;
    manager_->AnimEffects().FormHide->Mode = atFading;
  }
  void TearDown() override {
    if (TskHideTimer* timer = HideTimer()) timer->Stop();
    delete form_;
    form_ = nullptr;
    recorder_.reset();
    SkinFixture::TearDown();
    SkinLibraryShutdown();
  }
  void MakeForm(bool extendedBorders = false) {
    manager_->SetExtendedBorders(extendedBorders);
    form_ = New<TForm>(nullptr);
    form_->SetBounds(200, 150, 240, 160);
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
    ASSERT_TRUE(provider_->SkinData().CacheBitmap);
    alphas_.clear();
    windows_.clear();
  }
  HWND Window() const { return form_ != nullptr && form_->HandleAllocated() ? form_->Handle() : nullptr; }
  bool Animating() const { return HideTimer() != nullptr && HideTimer()->AnimForm() != nullptr; }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TLayeredRecorder> recorder_;
  std::vector<int> alphas_;
  std::vector<HWND> windows_;
  std::vector<bool> inAnimation_;
};

TEST_F(HideAnimationTest, TicksFadeToZeroAndTheWindowGoesAfterTheLast) {
  MakeForm();
  ShowWindow(Window(), SW_HIDE);
  alphas_.clear();
  windows_.clear();
  StartFormHideAnimation(*provider_);
  EXPECT_FALSE(InAnimationProcess) << "cleared once the timer runs";
  ASSERT_TRUE(Animating());
  const HWND anim = HideTimer()->AnimForm()->Handle();
  EXPECT_TRUE(IsWindowVisible(anim));
  EXPECT_NE(GetWindowLongPtrW(anim, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(anim); }));
  // The cover made from the window shows it at once; the timer shows the picture at 255, then 4 steps
  // fall by 255/4 and a last round is at 0.
  EXPECT_EQ(alphas_, (std::vector<int>{255, 255, 191, 128, 64, 0, 0}));
  for (HWND w : windows_) EXPECT_EQ(w, anim);
  EXPECT_FALSE(Animating());
}

TEST_F(HideAnimationTest, ABorderWindowIsHandedOverAndOutlivesTheForm) {
  MakeForm(true);
  ASSERT_TRUE(provider_->BorderForm);
  const HWND border = provider_->BorderForm->BorderHandle();
  ASSERT_NE(border, nullptr);
  manager_->AnimEffects().FormHide->Mode = atAero;
  StartFormHideAnimation(*provider_);
  ASSERT_TRUE(Animating());
  EXPECT_EQ(HideTimer()->AnimForm()->Handle(), border);
  EXPECT_EQ(provider_->BorderForm->BorderHandle(), nullptr) << "the border form forgot it";
  EXPECT_NE(GetWindow(border, GW_OWNER), Window()) << "no longer owned by the form";
  delete form_;
  form_ = nullptr;
  EXPECT_TRUE(IsWindow(border));
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(border); }));
  EXPECT_EQ(alphas_.back(), 0);
}

TEST_F(HideAnimationTest, AFormFreedWhileShownFadesOutFromItsPicture) {
  MakeForm();
  delete form_;
  form_ = nullptr;
  ASSERT_TRUE(Animating()) << "the hide of a form being destroyed is animated";
  const HWND anim = HideTimer()->AnimForm()->Handle();
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(anim); }));
  EXPECT_EQ(alphas_.back(), 0);
}

TEST_F(HideAnimationTest, NoStepsShowNothing) {
  MakeForm();
  manager_->AnimEffects().FormHide->Time = 11;
  StartFormHideAnimation(*provider_);
  EXPECT_FALSE(Animating());
  EXPECT_TRUE(alphas_.empty());
  EXPECT_FALSE(InAnimationProcess);
}

TEST_F(HideAnimationTest, WhileTheApplicationTerminatesTheTicksRunAtOnce) {
  MakeForm();
  guitest::FreshApplication app;
  app->Terminate();
  app->ProcessMessages();
  ASSERT_TRUE(app->Terminated());
  ForgetHideTimer();  // a timer made now has no message timer behind it
  StartFormHideAnimation(*provider_);
  EXPECT_FALSE(Animating()) << "finished before returning";
  EXPECT_EQ(alphas_, (std::vector<int>{255, 255, 191, 128, 64, 0, 0}));
  EXPECT_FALSE(provider_->BorderForm);
}

TEST_F(HideAnimationTest, AnUnskinnedFormHidesThroughTheAnimationButNeverWaitsForAnother) {
  MakeForm();
  // The form is not skinned any more (its section is gone); its cache picture stays.
  provider_->SkinData().SectionIndex = -1;
  ASSERT_FALSE(provider_->FormSkinned());

  InAnimationProcess = true;  // an outer animation runs
  ShowWindow(Window(), SW_HIDE);
  InAnimationProcess = false;
  EXPECT_FALSE(IsWindowVisible(Window()));
  EXPECT_FALSE(Animating()) << "hidden at once";
  EXPECT_TRUE(alphas_.empty());

  ShowWindow(Window(), SW_SHOWNOACTIVATE);
  alphas_.clear();
  ShowWindow(Window(), SW_HIDE);
  ASSERT_TRUE(Animating());
  EXPECT_FALSE(provider_->HideAnimGuard);
  EXPECT_EQ(GetWindowLongPtrW(Window(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  EXPECT_EQ(alphas_.front(), 255);
  ASSERT_TRUE(PumpUntil([&] { return !Animating(); }));
}

}  // namespace

namespace {

// The manager watches the window of an application of the test's own, which can end.
class MainFormAtExitTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinLibraryStartup();
    SkinFixture::SetUp();
    recorder_ = std::make_unique<TLayeredRecorder>();
    recorder_->OnCall = [this](const TLayeredCall& call) {
      if (call.Update && call.Window != form_->Handle()) alphas_.push_back(call.Alpha);
    };
    app_->CreateForm(form_);  // the main form
    ASSERT_EQ(app_->MainForm(), form_);
    form_->SetBounds(200, 150, 240, 160);
    form_->HandleNeeded();
    New<TsSkinProvider>(form_);
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
    app_->Terminate();
    app_->ProcessMessages();
    alphas_.clear();
  }
  void TearDown() override {
    delete form_;
    recorder_.reset();
    SkinFixture::TearDown();
    SkinLibraryShutdown();
  }
  void HideApplicationWindow() {
    WINDOWPOS pos{};
    pos.hwnd = app_->Handle();
    pos.flags = SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE;
    SendMessageW(app_->Handle(), WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  }

  guitest::FreshApplication app_;  // made before the manager, which hooks it
  TForm* form_ = nullptr;
  std::unique_ptr<TLayeredRecorder> recorder_;
  std::vector<int> alphas_;
};

TEST_F(MainFormAtExitTest, TheMainFormFadesOutOnceWhenTheHideEffectHasATime) {
  ASSERT_TRUE(app_->Terminated());
  TskFormHide& hide = *manager_->AnimEffects().FormHide;
  hide.Mode = atFading;
  hide.Time = 0;  // the diary's setting: nothing to show
  HideApplicationWindow();
  EXPECT_TRUE(alphas_.empty());

  hide.Time = 48;
  HideApplicationWindow();
  // Run here at once (no message loop any more): the cover's picture, the timer's, four falling steps
  // and the last round.
  EXPECT_EQ(alphas_, (std::vector<int>{255, 255, 191, 128, 64, 0, 0}));
  EXPECT_TRUE(HideTimer() == nullptr || HideTimer()->AnimForm() == nullptr);
  alphas_.clear();
  HideApplicationWindow();
  EXPECT_TRUE(alphas_.empty()) << "once";
}

}  // namespace

namespace {

// The main form's border window when the form hides with its hide animation.
class MainFormBorderHideTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinLibraryStartup();
    SkinFixture::SetUp();
    manager_->SetExtendedBorders(true);
    app_->CreateForm(form_);  // the main form
    form_->SetBounds(200, 150, 300, 200);
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
  }
  void TearDown() override {
    if (TskHideTimer* timer = HideTimer()) timer->Stop();
    delete form_;
    SkinFixture::TearDown();
    SkinLibraryShutdown();
  }

  guitest::FreshApplication app_;
  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
};

// Hidden with a hide time: the border window shows the full picture once (the shadow as it is, the form
// opaque, no client hole) and stays up for the animation; once hiding, a second notice does nothing.
// Without a hide time nothing is shown.
TEST_F(MainFormBorderHideTest, TheBorderWindowShowsTheFullPictureOnceAsTheFormHides) {
  ASSERT_NE(provider_->BorderForm, nullptr);
  const HWND border = provider_->BorderForm->BorderHandle();
  TLayeredRecorder recorder;
  manager_->AnimEffects().FormHide->Time = 0;
  SendMessageW(border, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
  EXPECT_EQ(recorder.CountFor(border), 0u);
  EXPECT_EQ(provider_->AnimState & 0x200, 0u);

  ShowWindow(border, SW_SHOWNOACTIVATE);
  manager_->AnimEffects().FormHide->Time = 120;
  SendMessageW(border, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
  ASSERT_EQ(recorder.CountFor(border), 1u);
  const TLayeredCall& shown = recorder.calls.back();
  EXPECT_EQ(shown.Alpha, 255);
  EXPECT_LT(shown.PixelAt(0, 0) >> 24, 0xFFu) << "the shadow keeps its alpha";
  const Integer cx = provider_->ClientOffsetX() + form_->ClientWidth() / 2;
  const Integer cy = provider_->ClientOffsetY() + form_->ClientHeight() / 2;
  EXPECT_EQ(shown.PixelAt(cx, cy) >> 24, 0xFFu) << "the form is opaque";
  EXPECT_NE(provider_->AnimState & 0x200, 0u);
  EXPECT_TRUE(provider_->BorderForm->Busy);
  EXPECT_TRUE(IsWindowVisible(border));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(border, region), ERROR);
  EXPECT_TRUE(PtInRegion(region, cx, cy)) << "no client hole while hiding";
  DeleteObject(region);

  SendMessageW(border, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
  EXPECT_EQ(recorder.CountFor(border), 1u);
  provider_->AnimState &= ~Cardinal{0x200};
  provider_->BorderForm->Busy = false;
}

}  // namespace
