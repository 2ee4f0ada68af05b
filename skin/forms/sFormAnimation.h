// The show animations of skinned forms and dialogs and the re-skin cross-fade. A picture of the
// window's finished look is put on a layered animation window above it and blended in (zooming from
// 3/4 of its size with atAero) in 12 ms steps; then the real window takes its place under it and the
// animation window goes. Durations and modes come from the skin manager's animation settings. The
// hide animations are in sHideAnimation.h. GUI thread only: the show animations block the thread for
// (steps + 1) x 12 ms; a time below 12 ms shows the final picture at once, without any wait.
#pragma once
#include <windows.h>

#include <memory>

#include "skin/forms/sBorderForm.h"
#include "skin/manager/sSkinEffects.h"
#include "vcl/gui/Geometry.h"

class TBitmap;
class TControl;
class TForm;
class TsSkinProvider;

// What the dialog animations ask of a skinned dialog's adapter beside what its border window asks:
// its window, cache picture and client offset come through the border-owner questions.
class IskAnimatedDialog : public IskBorderOwner {
 public:
  // The dialog's extended border; nil without one.
  virtual TskBorderForm* DialogBorderForm() const = 0;
  virtual void FreeDialogBorderForm() = 0;
  // The cover form prepared for hiding, handed over; nil when none was prepared.
  virtual std::unique_ptr<TForm> TakeDialogCoverForm() = 0;
  // The dialog's child windows printed into the DC with the client's corner at offset, clipped to size.
  virtual void PrintDialogChildren(HDC dc, TPoint offset, TPoint size) = 0;
};

// The whole picture of a skinned form as its animations show it: the provider's cache (frame, and
// with a border window the shadow around it) with the form's child controls printed over the client
// area. Without a border window the whole picture is opaque, with one the client area is. Nil
// without a cache picture.
std::unique_ptr<TBitmap> FormAnimationImage(TsSkinProvider& provider);

// Shows the provider's form through the show animation: time in ms, the alpha the form ends with,
// the mode. Nothing without a cache picture or a window. The form ends shown right under where the
// animation window was, redrawn; a form with AlphaBlend keeps the final alpha as its AlphaBlendValue;
// the provider's OnAfterAnimation hears aeShowing.
void StartFormShowAnimation(TsSkinProvider& provider, Integer time, Byte finalAlpha, TskAnimType mode);
// The same for a skinned dialog (its picture: its cache with the client area printed in).
void AnimShowDialog(IskAnimatedDialog& dialog, Integer time, Byte finalAlpha, TskAnimType mode);
// The dialog's client area into its picture at the client offset. wholeWindow: copied from what the
// dialog shows now (its window DC) and made opaque; else the child windows printed, and the client area
// (with a border window) or the whole picture made opaque.
void CaptureDialogImage(IskAnimatedDialog& dialog, TBitmap& bitmap, bool wholeWindow);

// The re-skin cross-fade of a visible form or control that just took another skin: with layered
// windows, a form's new look is blended in on an animation window (a border window's old look fading
// out three times as fast); otherwise the cover (CoverControl) keeps the old look and the old and
// the new look are mixed on it, the old one's factor falling from 255 by 255 div steps a round. A
// time below 12 ms shows the new look at once. Afterwards the target may redraw and is redrawn.
void AnimShowForm(TControl* control, Integer time, Byte finalAlpha, TskAnimType mode);
