#include "skin/forms/sHideAnimation.h"

#include <utility>

#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sFormAnimation.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skGlow.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"

namespace {

TskHideTimer* gHideTimer = nullptr;

bool Terminating() { return Application != nullptr && Application->Terminated(); }

// The picture of a form's cache as the hide animation shows it: a fresh image of the whole form was
// prepared into the cache already (form state 0x200), or the form's picture is taken now.
std::unique_ptr<TBitmap> HideImage(TsSkinProvider& provider) {
  TBitmap* cache = provider.OwnerSkinData() != nullptr ? provider.OwnerSkinData()->CacheBitmap.get() : nullptr;
  if (cache == nullptr) return nullptr;
  // A form being destroyed may have lost children already: its cache alone is what is left to show.
  const bool destroying = provider.Form == nullptr || provider.Form->ComponentState().Contains(csDestroying);
  if ((provider.AnimState & fsAnimHiding) == 0 && !destroying) {
    if (std::unique_ptr<TBitmap> image = FormAnimationImage(provider)) return image;
  }
  std::unique_ptr<TBitmap> image = CopyAnimBitmap(*cache);
  if (provider.BorderForm == nullptr) SetImageAlpha(*image, TRect{0, 0, image->Width(), image->Height()}, 255);
  return image;
}

// The border window handed over as an animation window; nil when there is none.
std::unique_ptr<TForm> TakeBorderWindow(TskBorderForm* border) {
  if (border == nullptr) return nullptr;
  return std::unique_ptr<TForm>(border->ReleaseBorderWnd());
}

}  // namespace

TskHideTimer::TskHideTimer(TComponent* owner) : TskThreadedTimer(owner, true) {}

TskHideTimer::~TskHideTimer() {
  if (gHideTimer == this) gHideTimer = nullptr;
}

TskHideTimer* HideTimer() { return gHideTimer; }

void ForgetHideTimer() { gHideTimer = nullptr; }

void TskHideTimer::Stop() {
  animForm_.reset();
  srcBmp_.reset();
  workBmp_.reset();
}

void TskHideTimer::Start(std::unique_ptr<TForm> animForm, std::unique_ptr<TBitmap> image, Integer steps,
                         TskAnimType mode, Byte startAlpha) {
  stepIndex_ = 0;
  srcBmp_ = std::move(image);
  startAlpha_ = startAlpha;
  animForm_ = std::move(animForm);
  animType_ = mode;
  SetInterval(kAnimStepTime);
  stepCount_ = steps;
  const HWND window = animForm_->Handle();
  RECT r{};
  GetWindowRect(window, &r);
  position_ = TPoint{r.left, r.top};
  MakeAnimWindowLayered(window);
  ShowAnimImage(window, *srcBmp_, startAlpha, position_);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  SetWindowPos(window, HWND_TOPMOST, r.left, r.top, srcBmp_->Width(), srcBmp_->Height(),
               SWP_NOOWNERZORDER | SWP_NOCOPYBITS | SWP_NOACTIVATE | SWP_NOREDRAW);
  workBmp_ = NewAnimBitmap(srcBmp_->Width(), srcBmp_->Height());
  steps_ = TskAnimSteps::Hiding(steps, startAlpha, mode == atAero, srcBmp_->Width(), srcBmp_->Height());
}

void TskHideTimer::Tick() {
  if (!animForm_ || !srcBmp_) return;
  if (stepIndex_ > stepCount_) {
    SetInterval(65535);
    SetOnTimer(nullptr);
    Stop();  // the animation window disappears with its form
    return;
  }
  const TskAnimFrame frame = steps_.Next();
  DrawAnimRound(*workBmp_, *srcBmp_, frame, animType_ == atAero, stepIndex_ == 0, true);
  ShowAnimImage(animForm_->Handle(), *workBmp_, frame.Alpha, position_);
  ++stepIndex_;
}

void StartHideTimer(std::unique_ptr<TForm> animForm, std::unique_ptr<TBitmap> image, Integer time, TskAnimType mode,
                    Byte startAlpha) {
  if (gHideTimer != nullptr) gHideTimer->Stop();
  const Integer steps = AnimStepCount(time);
  if (steps == 0 || !animForm || !image) return;  // the window and the picture go at once
  if (gHideTimer == nullptr) gHideTimer = New<TskHideTimer>(Application);
  TskHideTimer* timer = gHideTimer;
  timer->Start(std::move(animForm), std::move(image), steps, mode, startAlpha);
  if (Terminating()) {
    // No message loop any more: the ticks run here.
    while (timer->AnimForm() != nullptr) {
      timer->Tick();
      if (timer->AnimForm() != nullptr) Sleep(kAnimStepTime);
    }
    return;
  }
  timer->SetOnTimer([timer](TObject*) { timer->Tick(); });
  timer->Tick();
  timer->SetEnabled(true);
}

void StartFormHideAnimation(TsSkinProvider& provider) {
  CloseAllGlowEffects(true);
  TCustomForm* form = provider.Form;
  TsCommonData* data = provider.OwnerSkinData();
  TsSkinManager* manager = data != nullptr ? data->GetSkinManager() : nullptr;
  if (form == nullptr || manager == nullptr || form->FormStyle() == fsMDIChild || !data->CacheBitmap) return;
  const TskFormAnimation& effect = *manager->AnimEffects().FormHide;
  if (AnimStepCount(effect.Time) == 0) {
    // Nothing to show: no window is made for it, and a prepared cover goes.
    provider.CoverForm.reset();
    return;
  }
  TskAnimationScope scope;
  if ((provider.AnimState & fsAnimHiding) == 0) provider.PaintFormFrame();
  std::unique_ptr<TBitmap> image = HideImage(provider);
  std::unique_ptr<TForm> animForm = TakeBorderWindow(provider.BorderForm.get());
  if (!animForm) animForm = std::move(provider.CoverForm);
  if (!animForm && form->HandleAllocated()) animForm = CreateAnimForm(form->Handle());
  StartHideTimer(std::move(animForm), std::move(image), effect.Time, effect.Mode, 255);
  if (Terminating()) provider.BorderForm.reset();
}

void StartDialogHideAnimation(IskAnimatedDialog& dialog) {
  CloseAllGlowEffects(false);
  TsCommonData* data = dialog.OwnerSkinData();
  TsSkinManager* manager = data != nullptr ? data->GetSkinManager() : nullptr;
  const HWND window = dialog.OwnerWindow();
  if (manager == nullptr || window == nullptr || !data->CacheBitmap) return;
  const TskFormAnimation& effect = *manager->AnimEffects().DialogHide;
  if (AnimStepCount(effect.Time) > 0) {
    TskAnimationScope scope;
    std::unique_ptr<TBitmap> image = CopyAnimBitmap(*data->CacheBitmap);
    std::unique_ptr<TForm> animForm = TakeBorderWindow(dialog.DialogBorderForm());
    if (!animForm) animForm = dialog.TakeDialogCoverForm();
    if (!animForm) animForm = CreateAnimForm(window);
    StartHideTimer(std::move(animForm), std::move(image), effect.Time, effect.Mode, 255);
  } else {
    dialog.TakeDialogCoverForm();
  }
  dialog.FreeDialogBorderForm();
}

void HideAfterWindowPosChanged(TsSkinProvider& provider, const TMessage& message) {
  if (message.Msg != WM_WINDOWPOSCHANGED || message.LParam == 0) return;
  const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
  TsCommonData* data = provider.OwnerSkinData();
  TsSkinManager* manager = data != nullptr ? data->GetSkinManager() : nullptr;
  TCustomForm* form = provider.Form;
  if (manager == nullptr || form == nullptr || !LayeredWindowsAvailable() || (pos->flags & SWP_HIDEWINDOW) == 0) return;
  if (!provider.AllowAnimation || provider.HideAnimGuard || !manager->Active() || !provider.DrawNonClientArea() ||
      !manager->AnimEffects().FormHide->Active)
    return;
  if (form->HandleAllocated() && IsIconic(form->Handle())) return;
  // An animation already on its way (an outer show or hide) is not waited for: the form just hides.
  if (InAnimationProcess) return;
  ForgetHideTimer();
  provider.HideAnimGuard = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{provider.HideAnimGuard};
  StartFormHideAnimation(provider);
  if (form->HandleAllocated()) RemoveLayeredStyle(form->Handle());
}
