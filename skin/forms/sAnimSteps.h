// The arithmetic of the form and dialog animations: how many 12 ms steps a duration gives, and for each
// round the constant alpha and the zoom rectangle of the image (atAero: the image grows from 3/4 of its
// size, centred, when showing and shrinks back to 3/4 when hiding). Pure, so the sequences run natively.
#pragma once
#include "vcl/rtl/Types.h"

// Every step of an animation lasts this long.
inline constexpr Integer kAnimStepTime = 12;

// Time div 12; a negative time gives 0.
Integer AnimStepCount(Integer time);

// The alpha as the layered window takes it: rounded half to even, kept in 0..255.
Byte RoundAlpha(double alpha);

struct TskZoomRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// One round of an animation: the constant alpha, and whether the image is stretched into Rect (else
// it is copied whole).
struct TskAnimFrame {
  Byte Alpha = 0;
  bool Stretch = false;
  TskZoomRect Rect;
};

class TskAnimSteps {
 public:
  // Showing over steps + 1 rounds: the alpha rises by final / steps (dialogs: final / (steps + 1)) from 0
  // and never passes the final alpha. Zoomed, the rectangle starts at (w/8, h/8, w - w/8, h - h/8) and
  // grows by (w, h) / (steps * 8) on every side each round.
  static TskAnimSteps Showing(Integer steps, Byte finalAlpha, bool zoom, Integer width, Integer height, bool dialog = false);
  // Hiding, one round per tick: the alpha falls by start / steps (never below 0); zoomed, the rectangle
  // starts whole and shrinks by (w, h) / (steps * 8) on every side each round.
  static TskAnimSteps Hiding(Integer steps, Byte startAlpha, bool zoom, Integer width, Integer height);

  // The next round's frame; the state moves on.
  TskAnimFrame Next();
  double Alpha() const { return alpha_; }

 private:
  bool showing_ = true;
  bool zoom_ = false;
  Byte limit_ = 255;  // the final alpha when showing
  double alpha_ = 0;
  double alphaStep_ = 0;
  double dx_ = 0, dy_ = 0;
  TskZoomRect rect_;
};
