// What the show, hide and re-skin animations share: the layered animation window (a form's border
// window, or a borderless tool form made for the animation), the 32-bit pictures it shows, and one
// round of an animation drawn into the work picture.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "skin/forms/sAnimSteps.h"
#include "skin/manager/sSkinEffects.h"
#include "vcl/gui/Geometry.h"

class TBitmap;
class TForm;
class TsSkinProvider;

// Sets InAnimationProcess for a scope and clears it on every way out (an early finish clears it
// itself; clearing twice does no harm).
class TskAnimationScope {
 public:
  TskAnimationScope();
  ~TskAnimationScope();
  TskAnimationScope(const TskAnimationScope&) = delete;
  TskAnimationScope& operator=(const TskAnimationScope&) = delete;
};

// An empty 32-bit picture (all pixels 0: transparent black).
std::unique_ptr<TBitmap> NewAnimBitmap(Integer width, Integer height);
// A copy of the picture, alpha included.
std::unique_ptr<TBitmap> CopyAnimBitmap(TBitmap& source);
// A borderless tool form that is never activated, marked as the library's own (Tag -98), at the
// bounds; stay-on-top when topmost. Its window exists but is not shown.
std::unique_ptr<TForm> NewAnimForm(const TRect& bounds, bool topmost);
// The window gains WS_EX_LAYERED and WS_EX_NOACTIVATE.
void MakeAnimWindowLayered(HWND window);
// The window loses WS_EX_LAYERED (it is shown by its own painting again).
void RemoveLayeredStyle(HWND window);
// The picture on the layered window with the constant alpha at the screen position.
void ShowAnimImage(HWND window, TBitmap& image, Byte alpha, TPoint position);
// Where the picture of the provider's form lies on the screen: the client area's corner less the
// client offset in the picture (with a border window the picture reaches beyond the form by the
// border's offsets and shadow).
TPoint FormImagePosition(TsSkinProvider& provider);
// The image's round into the work picture: atFading copies the image once (first round only);
// atAero stretches it into the round's rectangle (clearing the work picture first when clear is set)
// or copies it whole once the rectangle outgrew the picture.
void DrawAnimRound(TBitmap& work, TBitmap& image, const TskAnimFrame& frame, bool zoom, bool firstRound, bool clear);
// The picture's pixels in the rectangle (clipped to it) get the alpha.
void SetImageAlpha(TBitmap& image, const TRect& rect, Byte alpha);
// Where an animation window goes in the Z order: topmost beside a topmost form, else right above the
// lowest of the form's windows (the form, or its border window below it).
HWND AnimInsertAfter(HWND form, HWND lowest);
// Places and shows the layered animation window with the picture at the first alpha (the final one
// when there are no steps), then blends the picture in over steps + 1 rounds of 12 ms (dialogs reach the
// final alpha only in their last round). eachRound (may be empty) runs after each round's frame.
void RunShowRounds(HWND window, HWND insertAfter, TBitmap& image, TPoint position, Integer steps, Byte finalAlpha,
                   TskAnimType mode, bool dialog, const std::function<void(const TskAnimFrame&)>& eachRound = {});
