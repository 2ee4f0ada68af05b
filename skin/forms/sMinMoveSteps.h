// The arithmetic of the move and minimise timers: the alpha a form shows at each tick while it is dragged
// with blend on moving, and the rectangle and alpha of the picture that flies to the taskbar button when
// a form minimises (and back when it restores). Pure, so the sequences run natively.
#pragma once
#include "vcl/rtl/Types.h"

// The move blend's decrement per 12 ms tick: the whole way (255 - target) in one step for a time below
// 13 ms, else the way spread over time / 12 ticks (rounded). Never 0 while the target lies below 255, so
// that a very long time still fades.
Byte MoveAlphaStep(Byte target, Integer time);

// The alphas of a form dragged with blend on moving: each tick shows the current alpha, then moves it
// one step towards the target (never past it).
class TskMoveSteps {
 public:
  TskMoveSteps(Byte startAlpha, Byte targetAlpha, Byte alphaStep)
      : shown_(startAlpha), target_(targetAlpha), step_(alphaStep) {}
  // The alpha this tick shows.
  Byte Next();
  Byte Shown() const { return shown_; }
  Byte Target() const { return target_; }
  Byte Step() const { return step_; }

 private:
  Byte shown_;
  Byte target_;
  Byte step_;
};

// The minimise animation takes max(time div 15, 1) ticks of 15 ms.
inline constexpr Integer kMinimizeTickTime = 15;
Integer MinimizeStepCount(Integer time);

// Where a minimising form flies when the taskbar's button is not known: the point on the taskbar's edge
// that faces the screen, level with the form's centre. The taskbar's side follows from its rectangle:
// at (0, 0) it is the left one (the top one when wider than high); top 0 elsewhere the right one; a
// left between -4 and 0 with a top below 0 the bottom one; anything else the right one.
TPoint TaskbarEdgePoint(const TRect& taskbar, TPoint formCentre);

// The picture's rectangle and alpha, tick by tick. Minimising moves the centre from the start rectangle's
// to the target's in `steps` equal moves while the half-size shrinks by an equal share, and the alpha
// falls by (start alpha) / max(1, steps - 1) a tick to 0; restoring runs the same moves backwards and
// the alpha rises back to the start alpha.
class TskMinSteps {
 public:
  TskMinSteps() = default;
  TskMinSteps(const TRect& start, const TRect& target, Integer steps, Byte startAlpha);
  // A new target (the taskbar moved): the moves are computed again from the start rectangle; the
  // current rectangle and alpha stay.
  void Retarget(const TRect& target);
  // One minimising tick: moved, shrunk, alpha := max(round(alpha - step), 0).
  void Shrink();
  // One restoring tick: moved back, grown, alpha := min(round(alpha + step), start alpha).
  void Grow();

  const TRect& Start() const { return start_; }
  const TRect& Target() const { return target_; }
  // The current rectangle, rounded; its centre.
  TRect Current() const;
  TPoint CurrentCentre() const;
  Integer Alpha() const { return alpha_; }
  Byte StartAlpha() const { return startAlpha_; }
  Integer Steps() const { return steps_; }
  double AlphaStep() const { return alphaStep_; }

 private:
  TRect start_;
  TRect target_;
  Integer steps_ = 1;
  Byte startAlpha_ = 255;
  Integer alpha_ = 255;
  double alphaStep_ = 0;
  double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
  double dx_ = 0, dy_ = 0, dw_ = 0, dh_ = 0;  // per tick: centre move, half-size change
};
