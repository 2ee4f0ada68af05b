#include "skin/forms/sMinMoveSteps.h"

#include <algorithm>
#include <cmath>

namespace {

// Halves to even, as the timers' rounding always did.
Integer RoundEven(double value) { return static_cast<Integer>(std::nearbyint(value)); }

}  // namespace

Byte MoveAlphaStep(Byte target, Integer time) {
  const Integer way = 255 - target;
  if (time < 13) return static_cast<Byte>(way);
  const Integer step = RoundEven(way / (time / 12.0));
  return static_cast<Byte>(std::clamp<Integer>(step, way > 0 ? 1 : 0, way));
}

Byte TskMoveSteps::Next() {
  const Byte shown = shown_;
  if (shown_ > target_) shown_ = static_cast<Byte>(std::max<Integer>(shown_ - step_, target_));
  return shown;
}

Integer MinimizeStepCount(Integer time) { return std::max<Integer>(time / kMinimizeTickTime, 1); }

TPoint TaskbarEdgePoint(const TRect& taskbar, TPoint formCentre) {
  enum { kLeft, kTop, kRight, kBottom } side = kRight;
  if (taskbar.Top == 0 && taskbar.Left == 0) {
    side = taskbar.Width() > taskbar.Height() ? kTop : kLeft;
  } else if (taskbar.Top == 0) {
    side = kRight;
  } else if (taskbar.Left >= -4 && taskbar.Left <= 0) {
    side = kBottom;
  }
  switch (side) {
    case kLeft: return TPoint{taskbar.Right, formCentre.Y};
    case kTop: return TPoint{formCentre.X, taskbar.Bottom};
    case kBottom: return TPoint{formCentre.X, taskbar.Top};
    default: return TPoint{taskbar.Left, formCentre.Y};
  }
}

TskMinSteps::TskMinSteps(const TRect& start, const TRect& target, Integer steps, Byte startAlpha)
    : start_(start), steps_(std::max<Integer>(steps, 1)), startAlpha_(startAlpha), alpha_(startAlpha) {
  left_ = start.Left;
  top_ = start.Top;
  right_ = start.Right;
  bottom_ = start.Bottom;
  alphaStep_ = static_cast<double>(startAlpha) / std::max<Integer>(1, steps_ - 1);
  Retarget(target);
}

void TskMinSteps::Retarget(const TRect& target) {
  target_ = target;
  const double n = steps_;
  dx_ = ((target.Left + target.Right) / 2.0 - (start_.Left + start_.Right) / 2.0) / n;
  dy_ = ((target.Top + target.Bottom) / 2.0 - (start_.Top + start_.Bottom) / 2.0) / n;
  dw_ = (start_.Width() - target.Width()) / (2.0 * n);
  dh_ = (start_.Height() - target.Height()) / (2.0 * n);
}

void TskMinSteps::Shrink() {
  left_ += dx_ + dw_;
  right_ += dx_ - dw_;
  top_ += dy_ + dh_;
  bottom_ += dy_ - dh_;
  alpha_ = std::max<Integer>(RoundEven(alpha_ - alphaStep_), 0);
}

void TskMinSteps::Grow() {
  left_ -= dx_ + dw_;
  right_ += dw_ - dx_;
  top_ -= dy_ + dh_;
  bottom_ += dh_ - dy_;
  alpha_ = std::min<Integer>(RoundEven(alpha_ + alphaStep_), startAlpha_);
}

TRect TskMinSteps::Current() const {
  return TRect{RoundEven(left_), RoundEven(top_), RoundEven(right_), RoundEven(bottom_)};
}

TPoint TskMinSteps::CurrentCentre() const {
  return TPoint{RoundEven((left_ + right_) / 2), RoundEven((top_ + bottom_) / 2)};
}
