#include "skin/forms/sMoveTimer.h"

#include "skin/forms/sBorderForm.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "vcl/gui/Bitmap.h"

TskMoveTimer::TskMoveTimer(TskBorderForm* border, HWND form, Byte startAlpha, Byte targetAlpha, Byte alphaStep)
    : TskThreadedTimer(nullptr, true), steps_(startAlpha, targetAlpha, alphaStep), border_(border), form_(form) {
  SetInterval(12);
}

TskMoveTimer::~TskMoveTimer() = default;

void TskMoveTimer::TimerHandler() {
  const Byte alpha = steps_.Next();
  if (border_ != nullptr) {
    const HWND window = border_->BorderHandle();
    TsCommonData* data = border_->Owner() != nullptr ? border_->Owner()->OwnerSkinData() : nullptr;
    TBitmap* picture = Picture != nullptr ? Picture.get() : data != nullptr ? data->CacheBitmap.get() : nullptr;
    if (window != nullptr && picture != nullptr) SetLayeredImage(window, picture, alpha);
    return;
  }
  if (form_ != nullptr && IsWindow(form_) != FALSE) SetWindowAlpha(form_, alpha);
}
