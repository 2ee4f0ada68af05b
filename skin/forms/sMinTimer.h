// TskMinTimer: the minimise and restore animation of a skinned form. When the form minimises, a picture
// of it saved at that moment shrinks and fades on a layered window (the form's extended border window,
// or an animation form of the timer's own) towards the application's taskbar button in 15 ms ticks;
// when it is restored the picture grows and brightens back to the form's place, where the form then
// shows itself again. The provider owns the timer (its MinMaxTimer) from the minimise until the form is
// shown normally again; the direction follows the provider's state bits (0x100 minimising, 0x400
// restoring).
#pragma once
#include <windows.h>

#include <memory>

#include "skin/forms/sMinMoveSteps.h"
#include "skin/manager/skThreadedTimer.h"

class TBitmap;
class TForm;
class TsSkinProvider;

class TskMinTimer : public TskThreadedTimer {
 public:
  // Disabled, prepared for a run from the form's current place.
  explicit TskMinTimer(TsSkinProvider* provider);
  ~TskMinTimer() override;

  // A new run: 15 ms ticks, max(Minimizing.Time div 15, 1) of them, from the border window's or the
  // form's rectangle to the target, starting at the form's alpha; the animation window made anew
  // (without a border window).
  void Prepare();
  // The target again (the work area changed): the moves are computed anew from the start rectangle.
  void ComputeTarget();
  // The form's picture taken when the minimise began; thumbnails show it while the form is minimised.
  std::unique_ptr<TBitmap> SavedImage;
  // A minimise ran to its end and no restore has finished since.
  bool Minimized() const { return minimized_; }
  // A run is under way: the picture shows less than the form's own alpha.
  bool RunInProgress() const { return steps_.Alpha() < steps_.StartAlpha(); }
  // The layered window that shows the picture: the border window, else the timer's animation form;
  // nil when it has no window (any more).
  HWND AnimWindow() const;
  const TskMinSteps& Steps() const { return steps_; }

 protected:
  void TimerHandler() override;

 private:
  void DrawFrame(HWND window);
  void EndMinimize(HWND window);
  void EndRestore(HWND window);

  TsSkinProvider* provider_;
  HWND form_ = nullptr;
  std::unique_ptr<TForm> animForm_;  // made here when the form has no border window
  std::unique_ptr<TBitmap> frame_;   // the start rectangle's size; the picture drawn centred in it
  TskMinSteps steps_;
  Byte restoreAlpha_ = 255;
  bool minimized_ = false;
};
