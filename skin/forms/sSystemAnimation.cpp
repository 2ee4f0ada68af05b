#include "skin/forms/sSystemAnimation.h"

#include <windows.h>

TskMinAnimateAccess MinAnimateAccess{
    [](int& value) {
      ANIMATIONINFO info{sizeof(ANIMATIONINFO), 0};
      if (SystemParametersInfoW(SPI_GETANIMATION, sizeof(info), &info, 0) == FALSE) return false;
      value = info.iMinAnimate;
      return true;
    },
    [](int value) {
      ANIMATIONINFO info{sizeof(ANIMATIONINFO), value};
      SystemParametersInfoW(SPI_SETANIMATION, sizeof(info), &info, 0);
    }};

TSystemAnimationOff::TSystemAnimationOff() {
  int value = 0;
  if (!MinAnimateAccess.Get || !MinAnimateAccess.Set || !MinAnimateAccess.Get(value) || value == 0) return;
  saved_ = value;
  MinAnimateAccess.Set(0);
}

TSystemAnimationOff::~TSystemAnimationOff() {
  if (saved_ != 0 && MinAnimateAccess.Set) MinAnimateAccess.Set(saved_);
}
