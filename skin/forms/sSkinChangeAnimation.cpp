// The re-skin cross-fade (AnimShowForm): the new look of a form blended in over the old one on a
// layered animation window, or mixed with the old look on the screen cover where layered windows
// are missing and for controls.
#include <algorithm>

#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sFormAnimation.h"
#include "skin/forms/sOutputWindow.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Form.h"

namespace {

TsSkinProvider* ProviderOf(TCustomForm* form) {
  if (form == nullptr || !form->HandleAllocated()) return nullptr;
  return reinterpret_cast<TsSkinProvider*>(SendSkinCommand(form->Handle(), scGetProvider));
}

// Each pixel: (old * factor + new * (255 - factor)) / 255 per byte, alpha included.
void MixImages(TBitmap& target, TBitmap& old, TBitmap& fresh, Integer factor) {
  GdiFlush();
  const TsPixelView t = PixelViewOf(target), o = PixelViewOf(old), n = PixelViewOf(fresh);
  const Integer width = std::min({t.Width, o.Width, n.Width}), height = std::min({t.Height, o.Height, n.Height});
  const Cardinal f = static_cast<Cardinal>(std::clamp<Integer>(factor, 0, 255)), g = 255 - f;
  for (Integer y = 0; y < height; ++y) {
    const Cardinal* a = o.Row(y);
    const Cardinal* b = n.Row(y);
    Cardinal* out = t.Row(y);
    for (Integer x = 0; x < width; ++x) {
      Cardinal pixel = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const Cardinal mixed = (((a[x] >> shift) & 0xFF) * f + ((b[x] >> shift) & 0xFF) * g + 127) / 255;
        pixel |= mixed << shift;
      }
      out[x] = pixel;
    }
  }
}

// The new look of a form on an animation window above it, blended in; the border window (showing the
// old look since the capture) fades out three times as fast under it.
void FadeInOnLayeredWindow(TCustomForm& form, TsSkinProvider* provider, Integer steps, Byte finalAlpha, TskAnimType mode) {
  const HWND window = form.Handle();
  std::unique_ptr<TBitmap> image;
  TPoint position;
  if (provider != nullptr) {
    provider->PaintFormFrame();
    image = FormAnimationImage(*provider);
    position = FormImagePosition(*provider);
  }
  if (!image) {
    RECT r{};
    GetWindowRect(window, &r);
    image = NewAnimBitmap(r.right - r.left, r.bottom - r.top);
    PaintWindowImage(*image, &form, 0, 0);
    SetImageAlpha(*image, TRect{0, 0, image->Width(), image->Height()}, 255);
    position = TPoint{r.left, r.top};
  }
  TskBorderForm* border = provider != nullptr ? provider->BorderForm.get() : nullptr;
  const HWND borderWindow = border != nullptr ? border->BorderHandle() : nullptr;
  TBitmap* oldLook = provider != nullptr ? provider->CoverBmp.get() : nullptr;
  const bool topmost = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  std::unique_ptr<TForm> animForm =
      NewAnimForm(TRect{position.X, position.Y, position.X + image->Width(), position.Y + image->Height()}, topmost);
  const HWND insertAfter = AnimInsertAfter(window, borderWindow != nullptr ? borderWindow : window);
  RunShowRounds(animForm->Handle(), insertAfter, *image, position, steps, finalAlpha, mode, false,
                [&](const TskAnimFrame& frame) {
                  if (borderWindow == nullptr || oldLook == nullptr) return;
                  const Integer fading = std::clamp<Integer>((finalAlpha - frame.Alpha) * 3, 0, 255);
                  ShowAnimImage(borderWindow, *oldLook, static_cast<Byte>(fading), position);
                });
  if (border != nullptr && borderWindow != nullptr) {
    if (HRGN region = border->FormRegion()) {
      if (SetWindowRgn(borderWindow, region, TRUE) == 0) DeleteObject(region);
    }
    if (TBitmap* cache = provider->SkinData().CacheBitmap.get()) ShowAnimImage(borderWindow, *cache, 255, position);
  }
}

// The old look stays on the cover; the old and the new look are mixed there, the old one's factor
// falling from 255 by 255 div steps a round, then the new look is drawn alone.
void CrossFadeOnCover(TControl& control, TsSkinProvider* provider, Integer steps) {
  CoverControl(&control);
  TOutputWindow* cover = CoverWindow();
  TBitmap* old = CoverCapture();
  if (cover == nullptr || old == nullptr) return;
  std::unique_ptr<TBitmap> fresh;
  if (provider != nullptr && provider->BorderForm == nullptr) {
    provider->PaintFormFrame();
    fresh = FormAnimationImage(*provider);
    auto* form = provider->Form;
    if (form != nullptr && form->HandleAllocated()) {
      HRGN region = CreateRectRgn(0, 0, 0, 0);
      if (GetWindowRgn(form->Handle(), region) != ERROR) {
        if (SetWindowRgn(cover->Handle(), region, FALSE) == 0) DeleteObject(region);
      } else {
        DeleteObject(region);
      }
    }
  }
  if (!fresh) {
    fresh = NewAnimBitmap(control.Width(), control.Height());
    PaintWindowImage(*fresh, &control, 0, 0);
  }
  const HWND window = cover->Handle();
  if (steps > 0) {
    std::unique_ptr<TBitmap> work = NewAnimBitmap(fresh->Width(), fresh->Height());
    const Integer step = 255 / steps;
    Integer factor = 255;
    for (Integer i = 0; i <= steps; ++i) {
      MixImages(*work, *old, *fresh, factor);
      CoverPaintProc(window, *work, factor);
      factor = std::max<Integer>(0, factor - step);
      Sleep(kAnimStepTime);
    }
  }
  CoverPaintProc(window, *fresh, 0);
}

}  // namespace

void AnimShowForm(TControl* control, Integer time, Byte finalAlpha, TskAnimType mode) {
  auto* windowed = dynamic_cast<TWinControl*>(control);
  if (windowed == nullptr || !windowed->HandleAllocated()) return;
  TskAnimationScope scope;
  auto* form = dynamic_cast<TCustomForm*>(control);
  TsSkinProvider* provider = ProviderOf(form);
  const Integer steps = AnimStepCount(time);
  if (LayeredWindowsAvailable() && form != nullptr)
    FadeInOnLayeredWindow(*form, provider, steps, finalAlpha, mode);
  else
    CrossFadeOnCover(*control, provider, steps);
  InAnimationProcess = false;
  const HWND window = windowed->Handle();
  if (IsWindowVisible(window)) {
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    if (WindowsSixOrLater())
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  }
  FreeCover();
}
