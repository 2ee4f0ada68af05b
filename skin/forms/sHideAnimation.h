// The hide animations of skinned forms and dialogs: the window's last picture stays on a layered
// animation window that fades out (shrinking to 3/4 of its size with atAero) on 12 ms ticks of the
// process's hide timer, while the real window is already hidden. While the application terminates the
// ticks run at once, each followed by a 12 ms sleep. A time below 12 ms shows nothing and waits for
// nothing.
#pragma once
#include <memory>

#include "skin/forms/sAnimSteps.h"
#include "skin/manager/sSkinEffects.h"
#include "skin/manager/skThreadedTimer.h"
#include "vcl/gui/Messages.h"

class IskAnimatedDialog;
class TBitmap;
class TForm;
class TsSkinProvider;

// The timer of the hide animations: one per process, owned by the application, made on first use. It
// outlives its animation and frees the picture and the animation window at the last tick, or when the
// next hide animation starts.
class TskHideTimer : public TskThreadedTimer {
 public:
  explicit TskHideTimer(TComponent* owner);
  ~TskHideTimer() override;

  // One round: the next frame on the animation window and the step index on; past the step count the
  // animation ends (interval 65535, no handler, window and pictures freed).
  void Tick();
  // Takes the window and the picture for steps ticks (steps > 0) and shows the picture at the alpha.
  void Start(std::unique_ptr<TForm> animForm, std::unique_ptr<TBitmap> image, Integer steps, TskAnimType mode,
             Byte startAlpha);
  // Frees the window and pictures of an animation still running.
  void Stop();
  // The animation in progress: its window and the step count.
  TForm* AnimForm() const { return animForm_.get(); }
  Integer StepIndex() const { return stepIndex_; }
  Integer StepCount() const { return stepCount_; }

 protected:
  void TimerHandler() override { Tick(); }

 private:
  std::unique_ptr<TBitmap> srcBmp_;
  std::unique_ptr<TBitmap> workBmp_;
  std::unique_ptr<TForm> animForm_;
  TskAnimType animType_ = atFading;
  Byte startAlpha_ = 255;
  Integer stepCount_ = 0;
  Integer stepIndex_ = 0;
  TskAnimSteps steps_;
  TPoint position_;
};

// The process's hide timer; nil before the first hide animation.
TskHideTimer* HideTimer();
// The next hide animation gets a timer of its own; the running one finishes undisturbed (its timer
// stays the application's).
void ForgetHideTimer();

// Fades the picture out on the animation window over time div 12 ticks, starting at the alpha. An
// animation still running on the timer ends at once (its window freed). With no steps the window and
// the picture are freed at once and nothing is shown.
void StartHideTimer(std::unique_ptr<TForm> animForm, std::unique_ptr<TBitmap> image, Integer time, TskAnimType mode,
                    Byte startAlpha);

// The provider's form (hidden now, or about to be) fades out with the manager's FormHide time and mode:
// on its border window (handed over, so that it outlives the form) or on its cover form or a new one.
// Nothing for an MDI child or without a cache picture.
void StartFormHideAnimation(TsSkinProvider& provider);
// The same for a skinned dialog with the DialogHide effect; its border form is freed afterwards.
void StartDialogHideAnimation(IskAnimatedDialog& dialog);

// A form that is not skinned (or is being destroyed) was hidden: when the manager's FormHide effect
// is active and the provider allows it, the hide animation runs once (no re-entry) and the form is
// not layered afterwards. When another animation runs already the form just hides.
void HideAfterWindowPosChanged(TsSkinProvider& provider, const TMessage& message);
