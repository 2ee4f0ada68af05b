#include "skin/forms/sMinTimer.h"

#include <algorithm>

#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sSystemAnimation.h"
#include "skin/forms/sTaskbarButton.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"

namespace {

constexpr Cardinal kMinimizing = 0x100;
constexpr Cardinal kRestoring = 0x400;
// Shown, not activated, Z order only (SWP 0x65B).
constexpr UINT kBehindTaskbar = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW |
                                SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
// RedrawWindow flags 0x583: the frame, the client and the children, painted now.
constexpr UINT kRedrawRestored = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

TRect WindowRectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return TRect{r.left, r.top, r.right, r.bottom};
}

}  // namespace

TskMinTimer::TskMinTimer(TsSkinProvider* provider) : TskThreadedTimer(nullptr, true), provider_(provider) {
  if (provider_->Form != nullptr && provider_->Form->HandleAllocated()) form_ = provider_->Form->Handle();
  Prepare();
}

TskMinTimer::~TskMinTimer() {
  SetEnabled(false);
  animForm_.reset();
}

HWND TskMinTimer::AnimWindow() const {
  HWND window = nullptr;
  if (provider_->BorderForm != nullptr) {
    window = provider_->BorderForm->BorderHandle();
  } else if (animForm_ != nullptr && animForm_->HandleAllocated()) {
    window = animForm_->Handle();
  }
  return window != nullptr && IsWindow(window) != FALSE ? window : nullptr;
}

void TskMinTimer::Prepare() {
  SetInterval(kMinimizeTickTime);
  TsSkinManager* manager = provider_->SkinData().GetSkinManager();
  const Integer steps = MinimizeStepCount(manager != nullptr ? manager->AnimEffects().Minimizing->Time : 0);
  const TCustomForm* form = provider_->Form;
  restoreAlpha_ = form != nullptr && form->AlphaBlend() ? form->AlphaBlendValue() : 255;
  TRect start;
  const HWND border = provider_->BorderForm != nullptr ? provider_->BorderForm->BorderHandle() : nullptr;
  if (border != nullptr) {
    start = WindowRectOf(border);
  } else if (form_ != nullptr) {
    start = WindowRectOf(form_);
  }
  steps_ = TskMinSteps(start, MinimizeTargetRect(start), steps, restoreAlpha_);
  frame_ = NewAnimBitmap(start.Width(), start.Height());
  animForm_.reset();
  if (provider_->BorderForm == nullptr && form_ != nullptr) {
    animForm_ = CreateAnimForm(form_);
    SetWindowRgn(animForm_->Handle(), nullptr, FALSE);
  }
}

void TskMinTimer::ComputeTarget() { steps_.Retarget(MinimizeTargetRect(steps_.Start())); }

void TskMinTimer::TimerHandler() {
  const Cardinal state = provider_->AnimState;
  const HWND window = AnimWindow();
  if ((state & (kMinimizing | kRestoring)) == 0) {
    SetEnabled(false);
    return;
  }
  const bool restoring = (state & kRestoring) != 0;
  // Without a window to show the picture on, the run ends at once where it was going.
  if (window == nullptr) {
    if (restoring) EndRestore(nullptr); else EndMinimize(nullptr);
    return;
  }
  if (!restoring) {
    steps_.Shrink();
    if (steps_.Alpha() > 0) DrawFrame(window); else EndMinimize(window);
    return;
  }
  steps_.Grow();
  if (steps_.Alpha() < steps_.StartAlpha()) DrawFrame(window); else EndRestore(window);
}

// The saved picture stretched to the current size, centred in the frame, and the frame centred on the
// current rectangle's centre.
void TskMinTimer::DrawFrame(HWND window) {
  TBitmap& frame = *frame_;
  FillBitmapRectArgb(PixelViewOf(frame), TRect{0, 0, frame.Width(), frame.Height()}, 0, 0);
  const TRect now = steps_.Current();
  const Integer w = std::clamp<Integer>(now.Width(), 0, frame.Width());
  const Integer h = std::clamp<Integer>(now.Height(), 0, frame.Height());
  if (SavedImage != nullptr && w > 0 && h > 0) {
    const HDC to = frame.Canvas().Handle();
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, (frame.Width() - w) / 2, (frame.Height() - h) / 2, w, h, SavedImage->Canvas().Handle(), 0, 0,
               SavedImage->Width(), SavedImage->Height(), SRCCOPY);
  }
  const TPoint centre = steps_.CurrentCentre();
  const TPoint at{centre.X - frame.Width() / 2, centre.Y - frame.Height() / 2};
  GdiFlush();
  SetLayeredImage(window, &frame, static_cast<Byte>(steps_.Alpha()), &at);
  SetWindowPos(window, FindTaskbarWindow(), 0, 0, 0, 0, kBehindTaskbar);
}

void TskMinTimer::EndMinimize(HWND window) {
  SetEnabled(false);
  TsSkinProvider& provider = *provider_;
  provider.AnimState &= ~Cardinal{kMinimizing | fsAnimating};
  provider.HotHitTest = -1;
  // The form stays minimised opaque: the system and the taskbar show it as a normal window again.
  if (form_ != nullptr && IsWindow(form_) != FALSE) RemoveLayeredStyle(form_);
  minimized_ = true;
  if (provider.BorderForm != nullptr) {
    provider.BorderForm->FreeWindow();
    if (Application != nullptr && Application->MainForm() != nullptr && Application->MainForm() != provider.Form &&
        Application->MainForm()->HandleAllocated() && IsWindowVisible(Application->MainForm()->Handle()) != FALSE)
      SetActiveWindow(Application->MainForm()->Handle());
    return;
  }
  if (window != nullptr) {
    FillBitmapRectArgb(PixelViewOf(*frame_), TRect{0, 0, frame_->Width(), frame_->Height()}, 0, 0);
    GdiFlush();
    SetLayeredImage(window, frame_.get(), 0);
    ShowWindow(window, SW_HIDE);
  }
  if (form_ != nullptr && IsWindow(form_) != FALSE) SendMessageW(form_, WM_NCPAINT, 1, 0);
}

void TskMinTimer::EndRestore(HWND window) {
  SetEnabled(false);
  TsSkinProvider& provider = *provider_;
  const HWND form = form_;
  if (window != nullptr && SavedImage != nullptr) {
    const TPoint at{steps_.Start().Left, steps_.Start().Top};
    SetLayeredImage(window, SavedImage.get(), restoreAlpha_, &at);
  }
  if (form != nullptr && IsWindow(form) != FALSE) {
    {
      TSystemAnimationOff off;
      ShowWindow(form, IsZoomed(form) != FALSE ? SW_SHOWMAXIMIZED : SW_SHOWNOACTIVATE);
    }
    if (provider.Form != nullptr && provider.Form->AlphaBlend()) {
      SetWindowAlpha(form, provider.Form->AlphaBlendValue());
    } else {
      RemoveLayeredStyle(form);
    }
  }
  provider.AnimState &= ~Cardinal{kRestoring | fsAnimating};
  minimized_ = false;
  SavedImage.reset();  // later thumbnails show the form's own picture again
  if (provider.HasMenuLine() && provider.BorderForm == nullptr && AeroIsEnabled())
    provider.SkinData().BackgroundDirty = true;
  if (form != nullptr && IsWindow(form) != FALSE) RedrawWindow(form, nullptr, nullptr, kRedrawRestored);
  if (provider.BorderForm != nullptr) {
    provider.BorderForm->Busy = false;
    provider.BorderForm->UpdateExBorders(true, 255);
  } else if (animForm_ != nullptr) {
    if (window != nullptr && form != nullptr)
      SetWindowPos(window, form, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    animForm_.reset();
  }
  Sleep(20);
  if (form != nullptr && IsWindowVisible(form) != FALSE) SetFocus(form);
  // The handler may free the provider and this timer: nothing of either is touched afterwards.
  if (Application != nullptr && Application->OnRestore) Application->OnRestore(Application);
}
