// TTimer: a component that fires OnTimer every Interval milliseconds while Enabled, through WM_TIMER
// messages of a hidden window of its own (so it ticks only while messages are pumped). A tick that
// arrives while the handler of the previous one still runs (the handler pumps messages) is dropped,
// never nested. An exception from OnTimer goes to Application->HandleException. A handler may free
// its own timer.
#pragma once
#include "vcl/gui/Messages.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/Exceptions.h"

QN_DECLARE_EXCEPTION(EOutOfResources, Exception);  // "Not enough timers available"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds; 0 stops the timer. Changing it starts the period afresh.
  Cardinal Interval() const { return interval_; }
  void SetInterval(Cardinal value);

  // True while OnTimer runs.
  bool Ticking() const { return ticking_; }

  TNotifyEvent OnTimer;

 protected:
  // Runs OnTimer; derived timers route the tick elsewhere.
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(TMessage& m);

  HWND window_ = nullptr;
  bool enabled_ = true;
  Cardinal interval_ = 1000;
  bool ticking_ = false;
  bool* tickAlive_ = nullptr;  // a flag on the stack of the tick in progress; the destructor clears it
};
