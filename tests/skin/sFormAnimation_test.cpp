// The show animations and the re-skin cross-fade of skinned forms and dialogs under Wine with the
// built-in skin. A headless system cannot read layered windows back, so the layered-window recorder is
// the oracle: the frames each animation window was given, their constant alpha and their pixels.
#include "skin/forms/sFormAnimation.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sHideAnimation.h"
#include "skin/forms/sOutputWindow.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sStyleSimply.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Panel.h"

using namespace skintest;

namespace {

// What one recorded frame of an animation window looked like.
struct TFrame {
  HWND Window;
  Byte Alpha;
  bool InAnimation;
  bool Topmost;
  TPoint Position;
  TPoint Size;
  TRect Opaque;  // the bounding box of the pixels with alpha
};

TRect OpaqueBox(const TLayeredCall& call) {
  TRect box{call.Size.X, call.Size.Y, -1, -1};
  for (int y = 0; y < call.Size.Y; ++y)
    for (int x = 0; x < call.Size.X; ++x)
      if ((call.PixelAt(x, y) >> 24) != 0) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box;
}

class FormAnimationTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinLibraryStartup();
    SkinFixture::SetUp();
    recorder_ = std::make_unique<TLayeredRecorder>();
    recorder_->OnCall = [this](const TLayeredCall& call) {
      if (!call.Update || call.Window == Window()) return;
      const bool topmost = (GetWindowLongPtrW(call.Window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
      frames_.push_back(TFrame{call.Window, call.Alpha, InAnimationProcess, topmost, call.Position, call.Size, OpaqueBox(call)});
    };
  }
  void TearDown() override {
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
    form_->SetCaption("Napló");
    auto* panel = New<TPanel>(form_);
    panel->SetParent(form_);
    panel->SetBounds(10, 10, 60, 40);
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
    frames_.clear();
  }
  HWND Window() const { return form_ != nullptr && form_->HandleAllocated() ? form_->Handle() : nullptr; }
  std::vector<int> Alphas() const {
    std::vector<int> alphas;
    for (const TFrame& f : frames_) alphas.push_back(f.Alpha);
    return alphas;
  }
  // The alphas a show of the steps gives round by round, as the step arithmetic computes them.
  static std::vector<int> RoundAlphas(Integer steps, Byte finalAlpha, bool dialog = false) {
    TskAnimSteps s = TskAnimSteps::Showing(steps, finalAlpha, false, 10, 10, dialog);
    std::vector<int> alphas;
    for (Integer i = 0; i <= steps; ++i) alphas.push_back(s.Next().Alpha);
    return alphas;
  }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TLayeredRecorder> recorder_;
  std::vector<TFrame> frames_;
};

TEST_F(FormAnimationTest, ShowRisesInElevenRoundsToTheFinalAlphaOnAWindowThatThenGoes) {
  MakeForm();
  std::vector<TskAnimEvent> events;
  provider_->OnAfterAnimation = [&](TskAnimEvent e) { events.push_back(e); };
  StartFormShowAnimation(*provider_, 120, 255, atFading);

  ASSERT_EQ(frames_.size(), 13u) << "placed at 0, 11 rounds, the final picture";
  std::vector<int> expected{0};
  for (int a : RoundAlphas(10, 255)) expected.push_back(a);
  expected.push_back(255);
  EXPECT_EQ(Alphas(), expected);
  RECT r{};
  GetWindowRect(Window(), &r);
  for (const TFrame& f : frames_) {
    EXPECT_EQ(f.Window, frames_[0].Window);
    EXPECT_TRUE(f.InAnimation);
    EXPECT_EQ(f.Position.X, r.left);
    EXPECT_EQ(f.Position.Y, r.top);
    EXPECT_EQ(f.Size.X, r.right - r.left);
    EXPECT_EQ(f.Size.Y, r.bottom - r.top);
  }
  // Fading shows the whole opaque picture in every round.
  EXPECT_EQ(frames_[1].Opaque, (TRect{0, 0, r.right - r.left, r.bottom - r.top}));
  EXPECT_FALSE(IsWindow(frames_[0].Window)) << "the animation form is freed";
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_FALSE(provider_->InAnimation);
  EXPECT_EQ(events, std::vector<TskAnimEvent>{aeShowing});
}

TEST_F(FormAnimationTest, AeroFramesGrowFromThreeQuartersOfTheSize) {
  MakeForm();
  StartFormShowAnimation(*provider_, 48, 255, atAero);
  ASSERT_EQ(frames_.size(), 7u);
  const TPoint size = frames_[1].Size;
  // The first round is the picture at 3/4 of its size, centred; each round is larger; the last whole.
  EXPECT_NEAR(frames_[1].Opaque.Left, size.X / 8, 1);
  EXPECT_NEAR(frames_[1].Opaque.Top, size.Y / 8, 1);
  EXPECT_NEAR(frames_[1].Opaque.Right, size.X - size.X / 8, 1);
  for (size_t i = 2; i <= 5; ++i) EXPECT_LT(frames_[i].Opaque.Left, frames_[i - 1].Opaque.Left) << i;
  EXPECT_EQ(frames_[5].Opaque, (TRect{0, 0, size.X, size.Y}));
}

TEST_F(FormAnimationTest, BelowTwelveMillisecondsOneFinalFrameAndTheFormShownOpaque) {
  MakeForm();
  for (Integer time : {0, 11}) {
    frames_.clear();
    StartFormShowAnimation(*provider_, time, 200, atAero);
    ASSERT_EQ(frames_.size(), 1u) << time;
    EXPECT_EQ(frames_[0].Alpha, 200);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ(GetWindowLongPtrW(Window(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_FALSE(InAnimationProcess);
  }
}

TEST_F(FormAnimationTest, TopmostFormsAnimateTopmostAndAlphaBlendKeepsTheFinalAlpha) {
  MakeForm();
  form_->SetFormStyle(fsStayOnTop);
  form_->SetAlphaBlend(true);
  StartFormShowAnimation(*provider_, 24, 180, atFading);
  ASSERT_FALSE(frames_.empty());
  for (const TFrame& f : frames_) EXPECT_TRUE(f.Topmost);
  EXPECT_EQ(frames_.back().Alpha, 180);
  EXPECT_EQ(form_->AlphaBlendValue(), 180);
}

TEST_F(FormAnimationTest, WithABorderWindowItIsTheAnimationWindowAndGetsItsRegionBack) {
  MakeForm(true);
  ASSERT_TRUE(provider_->BorderForm);
  const HWND border = provider_->BorderForm->BorderHandle();
  ASSERT_NE(border, nullptr);
  StartFormShowAnimation(*provider_, 36, 255, atFading);
  ASSERT_EQ(frames_.size(), 6u);
  for (const TFrame& f : frames_) EXPECT_EQ(f.Window, border);
  // The picture reaches beyond the form by the shadow; its client area is opaque.
  RECT form{};
  GetWindowRect(Window(), &form);
  EXPECT_LT(frames_.back().Position.X, form.left);
  EXPECT_TRUE(IsWindow(border));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(border, region), ERROR) << "the border window has its region again";
  DeleteObject(region);
}

TEST_F(FormAnimationTest, SkinChangeCrossFadesAVisibleSkinnedForm) {
  MakeForm();
  AnimShowForm(form_, 120, 255, atFading);
  ASSERT_EQ(frames_.size(), 12u) << "placed at 0, then 11 rounds";
  std::vector<int> expected{0};
  for (int a : RoundAlphas(10, 255)) expected.push_back(a);
  EXPECT_EQ(Alphas(), expected);
  for (const TFrame& f : frames_) EXPECT_TRUE(f.InAnimation);
  EXPECT_FALSE(IsWindow(frames_[0].Window));
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_EQ(CoverWindow(), nullptr);
}

TEST_F(FormAnimationTest, ASkinChangeKeepsTheOldLookOnTheBorderWindowAndCrossFadesToTheNew) {
  MakeForm(true);
  ASSERT_TRUE(provider_->BorderForm);
  const HWND border = provider_->BorderForm->BorderHandle();
  ASSERT_NE(std::ranges::find(SkinnedForms(), form_), SkinnedForms().end());

  EXPECT_FALSE(FormIsAnimating(form_));
  CaptureFormsBeforeChange(*manager_);
  EXPECT_TRUE(FormIsAnimating(form_));
  ASSERT_TRUE(provider_->CoverBmp);
  EXPECT_NE(provider_->AnimState & fsAnimating, 0u);
  frames_.clear();
  CaptureFormsBeforeRefresh(*manager_);
  ASSERT_EQ(frames_.size(), 1u);
  EXPECT_EQ(frames_[0].Window, border);
  EXPECT_EQ(frames_[0].Size, (TPoint{provider_->CoverBmp->Width(), provider_->CoverBmp->Height()}));

  frames_.clear();
  manager_->AnimEffects().SkinChanging->Time = 48;
  ReleaseFormsAfterRefresh(*manager_, true);
  // A new window blends the new look in; the border window's old look fades out three times as fast.
  std::vector<int> rising, fading;
  for (const TFrame& f : frames_) (f.Window == border ? fading : rising).push_back(f.Alpha);
  std::vector<int> expected{0};
  for (int a : RoundAlphas(4, 255)) expected.push_back(a);
  EXPECT_EQ(rising, expected);
  ASSERT_GE(fading.size(), 5u);
  EXPECT_EQ(fading[0], std::min(255, (255 - expected[1]) * 3));
  EXPECT_EQ(fading[4], 0);
  EXPECT_EQ(fading.back(), 255) << "the border window shows the form again";
  EXPECT_EQ(provider_->AnimState & fsAnimating, 0u);
  EXPECT_FALSE(provider_->CoverBmp);
  EXPECT_FALSE(InAnimationProcess);
}

// Counts the frames drawn on the cover and their factors.
std::vector<Integer> gCoverFactors;
void RecordCoverFrame(HWND, TBitmap&, Integer factor) { gCoverFactors.push_back(factor); }

TEST_F(FormAnimationTest, WithoutLayeredWindowsTheLooksAreMixedOnTheCover) {
  MakeForm();
  const TskCoverPaint savedPaint = CoverPaintProc;
  const TUpdateLayeredWindow savedUpdate = UpdateLayeredWindowProc;
  CoverPaintProc = RecordCoverFrame;
  UpdateLayeredWindowProc = nullptr;
  const struct {
    Integer time;
    std::vector<Integer> factors;
  } cases[] = {
      {5, {0}},  // no steps: the new look drawn once
      {120, {255, 230, 205, 180, 155, 130, 105, 80, 55, 30, 5, 0}},
      {36, {255, 170, 85, 0, 0}},
  };
  for (const auto& c : cases) {
    gCoverFactors.clear();
    AnimShowForm(form_, c.time, 255, atFading);
    EXPECT_EQ(gCoverFactors, c.factors) << c.time;
    EXPECT_EQ(CoverWindow(), nullptr) << "the cover goes with the animation";
  }
  UpdateLayeredWindowProc = savedUpdate;
  CoverPaintProc = savedPaint;
  EXPECT_FALSE(InAnimationProcess);
}

TEST_F(FormAnimationTest, TheCoverLiesOverTheControlAndPaintsNothing) {
  MakeForm();
  auto* panel = dynamic_cast<TPanel*>(form_->Controls(0));
  ASSERT_NE(panel, nullptr);
  CoverControl(panel);
  TOutputWindow* cover = CoverWindow();
  ASSERT_NE(cover, nullptr);
  EXPECT_EQ(cover->Tag(), -98);
  EXPECT_EQ(cover->Caption(), "skOutputWindow");
  EXPECT_EQ(cover->Parent(), form_);
  EXPECT_TRUE(IsWindowVisible(cover->Handle()));
  EXPECT_EQ(cover->BoundsRect(), panel->BoundsRect());
  EXPECT_EQ(GetWindow(panel->Handle(), GW_HWNDPREV), cover->Handle()) << "right above the control";
  EXPECT_EQ(SendMessageW(cover->Handle(), WM_ERASEBKGND, 0, 0), 1);
  ASSERT_NE(CoverCapture(), nullptr);
  EXPECT_EQ(CoverCapture()->Width(), panel->Width());
  FreeCover();
  EXPECT_EQ(CoverWindow(), nullptr);

  // A form has no parent: the cover is a popup owned by the application's window over its rectangle.
  CoverControl(form_);
  cover = CoverWindow();
  ASSERT_NE(cover, nullptr);
  EXPECT_EQ(GetWindowLongPtrW(cover->Handle(), GWL_STYLE) & (WS_POPUP | WS_CHILD), WS_POPUP);
  EXPECT_EQ(GetWindow(cover->Handle(), GW_OWNER), Application->Handle());
  RECT c{}, f{};
  GetWindowRect(cover->Handle(), &c);
  GetWindowRect(Window(), &f);
  EXPECT_TRUE(EqualRect(&c, &f));
  FreeCover();
}

// A skinned dialog as the animations see it: a plain window with a cache picture of its own and a
// client area whose children print one colour.
class TFakeDialog : public IskAnimatedDialog {
 public:
  explicit TFakeDialog(HWND window) : window_(window), data_(nullptr, true) {
    data_.CacheBitmap = NewAnimBitmap(200, 140);
    FillBitmapRectArgb(PixelViewOf(*data_.CacheBitmap), TRect{0, 0, 200, 140}, 0x00808080, 128);
  }
  HWND OwnerWindow() const override { return window_; }
  void RepaintOwnerFrame() override {}
  void SetOwnerHotButton(Integer) override {}
  Integer OwnerCaptionHeight() const override { return 20; }
  Integer OwnerMenuHeight() const override { return 0; }
  TRect OwnerIconRect() const override { return TRect{}; }
  Cardinal OwnerStateWord() const override { return 0; }
  void SetOwnerStateWord(Cardinal) override {}
  TsCommonData* OwnerSkinData() const override { return &data_; }
  TskBorderGeometry OwnerGeometry() const override { return TskBorderGeometry{}; }
  Integer OwnerSideOffset() const override { return 0; }
  Integer OwnerTopOffset() const override { return 0; }
  TPoint OwnerClientOffset() const override { return TPoint{4, 24}; }
  Integer OwnerButtonAt(TPoint) override { return 0; }
  void FreeOwnerButtonEffects() override {}
  Byte OwnerAlpha(Byte alpha) const override { return alpha; }
  Integer OwnerSnapBuffer() const override { return 0; }
  TskBorderForm* DialogBorderForm() const override { return nullptr; }
  void FreeDialogBorderForm() override { ++borderFrees; }
  std::unique_ptr<TForm> TakeDialogCoverForm() override { return nullptr; }
  void PrintDialogChildren(HDC dc, TPoint offset, TPoint size) override {
    printedAt = offset;
    printedSize = size;
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    RECT r{offset.X, offset.Y, offset.X + size.X, offset.Y + size.Y};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }

  TPoint printedAt{-1, -1};
  TPoint printedSize;
  int borderFrees = 0;

 private:
  HWND window_;
  mutable TsCommonData data_;
};

TEST_F(FormAnimationTest, DialogsShowTheirCacheWithTheClientPrintedIn) {
  MakeForm();
  TFakeDialog dialog(Window());
  std::unique_ptr<TBitmap> image = CopyAnimBitmap(*dialog.OwnerSkinData()->CacheBitmap);
  CaptureDialogImage(dialog, *image, false);
  RECT client{};
  GetClientRect(Window(), &client);
  EXPECT_EQ(dialog.printedAt, (TPoint{4, 24}));
  EXPECT_EQ(dialog.printedSize, (TPoint{client.right, client.bottom}));
  const TsPixelView view = PixelViewOf(*image);
  EXPECT_EQ(view.At(10, 30) & 0x00FFFFFFu, 0x0000FFu) << "the client printed in";
  EXPECT_EQ(view.At(10, 30) >> 24, 255u);
  EXPECT_EQ(view.At(1, 1) >> 24, 255u) << "without a border window the whole picture is opaque";

  AnimShowDialog(dialog, 48, 250, atFading);
  // A dialog's alpha reaches the final value only in its last round.
  std::vector<int> expected{0};
  for (int a : RoundAlphas(4, 250, true)) expected.push_back(a);
  expected.push_back(250);
  EXPECT_EQ(Alphas(), expected);
  for (const TFrame& f : frames_) EXPECT_TRUE(f.InAnimation);
  EXPECT_FALSE(IsWindow(frames_[0].Window));
  EXPECT_FALSE(InAnimationProcess);
}

TEST_F(FormAnimationTest, ADialogFadesOutWithTheDialogHideEffectAndLosesItsBorderForm) {
  MakeForm();
  TFakeDialog dialog(Window());
  manager_->AnimEffects().DialogHide->Time = 24;
  manager_->AnimEffects().DialogHide->Mode = atFading;
  StartDialogHideAnimation(dialog);
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_EQ(dialog.borderFrees, 1);
  ASSERT_TRUE(HideTimer() != nullptr && HideTimer()->AnimForm() != nullptr);
  const HWND anim = HideTimer()->AnimForm()->Handle();
  ASSERT_TRUE(guitest::PumpUntil([&] { return !IsWindow(anim); }));
  // The cover made from the window, the dialog's picture at 255, two falling steps and the last round.
  EXPECT_EQ(Alphas(), (std::vector<int>{255, 255, 128, 0, 0}));
  EXPECT_EQ(frames_[1].Size, (TPoint{200, 140})) << "the dialog's cache picture";

  frames_.clear();
  manager_->AnimEffects().DialogHide->Time = 0;
  StartDialogHideAnimation(dialog);
  EXPECT_TRUE(frames_.empty());
  EXPECT_EQ(dialog.borderFrees, 2);
}

}  // namespace
