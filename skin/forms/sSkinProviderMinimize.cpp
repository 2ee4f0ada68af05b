// A skinned form's own minimise and restore animation and its blend on moving: the provider's side
// (starting and ending them); the timers that run them tick by tick are TskMinTimer and TskMoveTimer.
#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sMinTimer.h"
#include "skin/forms/sMoveTimer.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Bitmap.h"

namespace {

constexpr Cardinal kMinimizing = 0x100;
constexpr Cardinal kRestoring = 0x400;
constexpr WPARAM kDragMove = 0xF012;  // the system's move loop, as a caption press starts it
// Z order only, nothing else (SWP 0x60B, not activated).
constexpr UINT kZOrderOnly = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;

Byte OwnAlpha(const TCustomForm& form) { return form.AlphaBlend() ? form.AlphaBlendValue() : 255; }

}  // namespace

void TsSkinProvider::StartMinimizeAnimation() {
  if (Form == nullptr || !Form->HandleAllocated()) return;
  const HWND window = Form->Handle();
  TsSkinManager* manager = Manager();
  if (manager != nullptr && manager->AnimEffects().Minimizing->Active && LayeredWindowsAvailable()) {
    FreeTitleButtonEffects();
    if ((AnimState & kMinimizing) != 0) return;
    AnimState |= kMinimizing | fsAnimating;
    auto* timer = dynamic_cast<TskMinTimer*>(MinMaxTimer.get());
    if (timer == nullptr) {
      MinMaxTimer.reset();
      auto made = std::make_unique<TskMinTimer>(this);
      timer = made.get();
      MinMaxTimer = std::move(made);
    } else if ((AnimState & kRestoring) == 0) {
      timer->Prepare();
    }
    // A minimise during a restore turns the picture round where it is.
    AnimState &= ~kRestoring;
    if (!timer->RunInProgress()) {
      if (BorderForm != nullptr && BorderForm->BorderHandle() != nullptr) {
        const HWND border = BorderForm->BorderHandle();
        BorderForm->UpdateExBorders(false, 255);
        EnableBlurBehind(border, false);
        // The border window's whole picture: the shadow and frame, the form's client opaque in it.
        timer->SavedImage = CopyCacheBmp(false);
        BorderForm->Busy = true;
        SetWindowPos(border, HWND_TOPMOST, 0, 0, 0, 0, kZOrderOnly);
        SetWindowRgn(border, nullptr, FALSE);
      } else {
        timer->SavedImage = CopyCacheBmp(false);
      }
    }
    SetWindowAlpha(window, 0);
    timer->SetEnabled(true);
  }
  SetDwmIconicBitmap(window, true);
}

bool TsSkinProvider::StartRestoreAnimation() {
  auto* timer = dynamic_cast<TskMinTimer*>(MinMaxTimer.get());
  TsSkinManager* manager = Manager();
  if (timer == nullptr || manager == nullptr || !manager->AnimEffects().Minimizing->Active ||
      (AnimState & kRestoring) != 0 || Form == nullptr || !Form->HandleAllocated())
    return false;
  const HWND window = Form->Handle();
  AnimState = (AnimState & ~kMinimizing) | kRestoring | fsAnimating;
  if (BorderForm != nullptr) {
    BorderForm->Busy = true;
    if (BorderForm->BorderHandle() == nullptr) {
      BorderForm->MakeWindow();
      if (const HWND border = BorderForm->BorderHandle()) SetLayeredImage(border, nullptr, 0);
    }
    if (const HWND border = BorderForm->BorderHandle()) SetWindowPos(border, HWND_TOPMOST, 0, 0, 0, 0, kZOrderOnly);
    SetWindowAlpha(window, 0);
    timer->SetEnabled(true);
    DrawnActive = true;
    skinData_->BackgroundDirty = true;
    PaintFormFrame();
    SkipAnimation = false;
  } else {
    SetWindowAlpha(window, 0);
    timer->SetEnabled(true);
  }
  SetDwmIconicBitmap(window, false);
  return true;
}

bool TsSkinProvider::BlendsOnMoving() const {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || Form == nullptr || !Form->HandleAllocated() || !AllowBlendOnMoving) return false;
  const TskBlendOnMoving& effect = *manager->AnimEffects().BlendOnMoving;
  return effect.Active && effect.BlendValue != 255 && IsIconic(Form->Handle()) == FALSE;
}

void TsSkinProvider::StartBlendOnMoving() {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || Form == nullptr || !Form->HandleAllocated() || (AnimState & fsBlendMoving) != 0) return;
  const TskBlendOnMoving& effect = *manager->AnimEffects().BlendOnMoving;
  if (!effect.Active) return;
  const HWND window = Form->Handle();
  AnimState |= fsBlendMoving;
  MinMaxTimer.reset();
  const Byte target = AllowBlendOnMoving ? effect.BlendValue : 255;
  auto timer = std::make_unique<TskMoveTimer>(BorderForm.get(), window, OwnAlpha(*Form), target,
                                              MoveAlphaStep(target, effect.Time));
  TskMoveTimer& move = *timer;
  MinMaxTimer = std::move(timer);
  const HWND border = BorderForm != nullptr ? BorderForm->BorderHandle() : nullptr;
  if (border != nullptr) {
    BorderForm->UpdateExBorders(false, 255);
    // The border window shows the whole form while it moves; the form itself is see-through under it.
    move.Picture = CopyCacheBmp(false);
    if (Form->AlphaBlend()) SetWindowAlpha(window, 0);
    BorderForm->Busy = true;
    SetWindowPos(window, border, 0, 0, 0, 0, kZOrderOnly);
    SetLayeredImage(window, nullptr, 0);
    move.SetEnabled(true);
    BorderForm->SavedPoint = TPoint{-1, -1};
    SendMessageW(border, WM_SYSCOMMAND, kDragMove, 0);
    // The border window may have been dragged partly above the screen; the form follows it there.
    if (BorderForm != nullptr && BorderForm->BorderHandle() != nullptr && WindowsSixOrLater() &&
        BorderForm->SavedPoint.Y < 0 && BorderForm->SavedPoint.X != -1)
      SetWindowPos(BorderForm->BorderHandle(), nullptr, BorderForm->SavedPoint.X, BorderForm->SavedPoint.Y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    std::unique_ptr<TForm> cover;
    // The change to a layered window repaints the form: a copy of it covers that.
    if (!Form->AlphaBlend()) cover = CreateAnimForm(window);
    SetWindowAlpha(window, OwnAlpha(*Form));
    RedrawWindow(window, nullptr, nullptr, kRedrawNow);
    cover.reset();
    move.SetEnabled(true);
    SendMessageW(window, WM_SYSCOMMAND, kDragMove, 0);
  }
  StopBlendOnMoving();
}

void TsSkinProvider::StopBlendOnMoving() {
  if ((AnimState & fsBlendMoving) == 0 || Form == nullptr || !Form->HandleAllocated()) return;
  const HWND window = Form->Handle();
  if (MinMaxTimer != nullptr) MinMaxTimer->SetEnabled(false);
  const Byte own = OwnAlpha(*Form);
  const HWND border = BorderForm != nullptr ? BorderForm->BorderHandle() : nullptr;
  if (border != nullptr) {
    if (TBitmap* cache = skinData_->CacheBitmap.get()) SetLayeredImage(border, cache, own);
    // The form goes where the border window's picture shows it.
    RECT b{}, w{};
    GetWindowRect(border, &b);
    GetWindowRect(window, &w);
    POINT client{0, 0};
    ClientToScreen(window, &client);
    const TPoint offset = OwnerClientOffset();
    SetWindowPos(window, nullptr, b.left + offset.X - (client.x - w.left), b.top + offset.Y - (client.y - w.top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    AnimState &= ~Cardinal{fsBlendMoving};
    if (Form->AlphaBlend()) {
      BorderForm->Busy = false;
      BorderForm->UpdateExBorders(true, 255);
      SetWindowAlpha(window, own);
    } else {
      RemoveLayeredStyle(window);
    }
    skinData_->BackgroundDirty = true;
    RedrawWindow(window, nullptr, nullptr, kRedrawNow | RDW_FRAME);
    Sleep(20);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    if (AeroIsEnabled() && HasMenuLine()) SendToSelf(WM_NCPAINT, 1, 0);
    if (BorderForm != nullptr) {
      BorderForm->Busy = false;
      BorderForm->UpdateExBorders(true, 255);
    }
  } else {
    if (Form->AlphaBlend()) {
      SetWindowAlpha(window, own);
    } else {
      std::unique_ptr<TForm> cover = CreateAnimForm(window);
      RemoveLayeredStyle(window);
      UpdateWindow(window);
      RedrawWindow(window, nullptr, nullptr, kRedrawNow);
    }
    AnimState &= ~Cardinal{fsBlendMoving};
  }
  if (auto* move = dynamic_cast<TskMoveTimer*>(MinMaxTimer.get())) move->SetShownAlpha(255);
  MinMaxTimer.reset();
}
