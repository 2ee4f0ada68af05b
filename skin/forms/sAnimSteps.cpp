#include "skin/forms/sAnimSteps.h"

#include <algorithm>
#include <cmath>

Integer AnimStepCount(Integer time) { return time > 0 ? time / kAnimStepTime : 0; }

Byte RoundAlpha(double alpha) {
  // The default floating-point rounding mode rounds halves to even, as the original's Round did.
  const double r = std::nearbyint(std::clamp(alpha, 0.0, 255.0));
  return static_cast<Byte>(r);
}

TskAnimSteps TskAnimSteps::Showing(Integer steps, Byte finalAlpha, bool zoom, Integer width, Integer height, bool dialog) {
  TskAnimSteps s;
  s.showing_ = true;
  s.zoom_ = zoom;
  s.limit_ = finalAlpha;
  if (steps < 1) {
    s.alpha_ = finalAlpha;
    return s;
  }
  s.alphaStep_ = static_cast<double>(finalAlpha) / (dialog ? steps + 1 : steps);
  if (zoom) {
    s.dx_ = static_cast<double>(width) / (steps * 8.0);
    s.dy_ = static_cast<double>(height) / (steps * 8.0);
    s.rect_ = TskZoomRect{width / 8.0, height / 8.0, width - width / 8.0, height - height / 8.0};
  }
  return s;
}

TskAnimSteps TskAnimSteps::Hiding(Integer steps, Byte startAlpha, bool zoom, Integer width, Integer height) {
  TskAnimSteps s;
  s.showing_ = false;
  s.zoom_ = zoom;
  s.alpha_ = startAlpha;
  if (steps < 1) return s;
  s.alphaStep_ = static_cast<double>(startAlpha) / steps;
  if (zoom) {
    s.dx_ = -static_cast<double>(width) / (steps * 8.0);
    s.dy_ = -static_cast<double>(height) / (steps * 8.0);
    s.rect_ = TskZoomRect{0, 0, static_cast<double>(width), static_cast<double>(height)};
  }
  return s;
}

TskAnimFrame TskAnimSteps::Next() {
  TskAnimFrame frame;
  alpha_ = showing_ ? std::min<double>(limit_, alpha_ + alphaStep_) : std::max(0.0, alpha_ - alphaStep_);
  frame.Alpha = RoundAlpha(alpha_);
  if (!zoom_) return frame;
  frame.Stretch = rect_.Left >= 0 && rect_.Top >= 0;
  frame.Rect = rect_;
  // Showing grows by dx on every side; hiding's dx is negative, so the rectangle shrinks by its size.
  rect_.Left -= dx_;
  rect_.Top -= dy_;
  rect_.Right += dx_;
  rect_.Bottom += dy_;
  return frame;
}
