// TskThreadedTimer: the timer behind every animation of the skin library. Despite its name it starts
// no thread: it drives an inner component-library timer (window-message ticks on the GUI thread), so
// handlers may touch windows freely. A tick that arrives while a handler still runs (because the
// handler pumps messages) is dropped, never nested, and no tick reaches a timer once it is freed, even
// when its own handler frees it.
#pragma once
#include <memory>
#include "vcl/rtl/Component.h"

class TTimer;

// Kept for the published property; message timers have no priority, a change only re-arms the timer.
enum TThreadPriority {
  tpIdle = 0, tpLowest = 1, tpLower = 2, tpNormal = 3, tpHigher = 4, tpHighest = 5, tpTimeCritical = 6
};

class TskThreadedTimer : public TComponent {
 public:
  // Enabled with an interval of 1000 ms; while the application terminates the timer has no inner timer
  // and stays disabled for good.
  explicit TskThreadedTimer(TComponent* owner);
  // The form the animation timers use: created disabled, remembering the owner; with routeToHandler
  // the ticks go to the overridable TimerHandler (through OnTimer, so that re-arming finds a handler).
  TskThreadedTimer(TComponent* owner, bool routeToHandler);
  ~TskThreadedTimer() override;

  // ---- published ----
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds; 0 stops the timer until another interval is set.
  Cardinal Interval() const { return interval_; }
  void SetInterval(Cardinal value);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent value);
  TThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TThreadPriority value);

  // The owner given to the routing constructor (nil for the plain one).
  TComponent* OwnerComponent() const { return ownerComponent_; }
  // True while a tick's handler runs.
  bool Busy() const { return busy_; }
  // Whether the inner timer exists and is running (armed).
  bool Armed() const;

 protected:
  // Fires OnTimer with this timer as sender.
  virtual void Timer();
  // The tick of a routing timer; the animation timers override it. Empty here.
  virtual void TimerHandler() {}

 private:
  void InnerTick();
  // Stops the inner timer and starts it again only with an interval, Enabled and a handler.
  void Rearm();

  std::unique_ptr<TTimer> timer_;
  bool enabled_ = false;
  Cardinal interval_ = 1000;
  TNotifyEvent onTimer_;
  TThreadPriority threadPriority_ = tpNormal;
  TComponent* ownerComponent_ = nullptr;
  bool busy_ = false;
  // Points at a flag on the stack of the tick in progress, which the destructor clears.
  bool* tickAlive_ = nullptr;
};
