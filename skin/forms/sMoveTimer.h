// TskMoveTimer: fades a form (or its extended border window) towards a translucent alpha while the user
// drags it (the skin manager's BlendOnMoving effect). It ticks every 12 ms from the system's move loop;
// its starter sets it up, enables it and enters the loop, and frees it when the move has ended.
#pragma once
#include <windows.h>

#include <memory>

#include "skin/forms/sMinMoveSteps.h"
#include "skin/manager/skThreadedTimer.h"

class TBitmap;
class TskBorderForm;

class TskMoveTimer : public TskThreadedTimer {
 public:
  // Disabled, 12 ms; the alphas start at startAlpha and fall to targetAlpha by alphaStep a tick. With a
  // border object the border window shows the form's picture at the alpha, else the form's window
  // itself is blended.
  ~TskMoveTimer() override;
  TskMoveTimer(TskBorderForm* border, HWND form, Byte startAlpha, Byte targetAlpha, Byte alphaStep);

  Byte TargetAlpha() const { return steps_.Target(); }
  Byte ShownAlpha() const { return steps_.Shown(); }
  Byte AlphaStep() const { return steps_.Step(); }
  // The alpha that the next tick shows (the end of a move shows the form's own alpha again).
  void SetShownAlpha(Byte value) { steps_ = TskMoveSteps(value, steps_.Target(), steps_.Step()); }
  // What the border window shows while the form moves (the whole form); without it the owner's cache.
  std::unique_ptr<TBitmap> Picture;

 protected:
  void TimerHandler() override;

 private:
  TskMoveSteps steps_;
  TskBorderForm* border_;
  HWND form_;
};
