#include "skin/manager/skThreadedTimer.h"

#include "vcl/gui/Application.h"
#include "vcl/gui/Timer.h"

namespace {

bool ApplicationTerminating() { return Application != nullptr && Application->Terminated(); }

}  // namespace

TskThreadedTimer::TskThreadedTimer(TComponent* owner) : TComponent(owner) {
  if (ApplicationTerminating()) return;
  enabled_ = true;
  interval_ = 1000;
  timer_.reset(New<TTimer>(nullptr));
  timer_->SetInterval(interval_);
  timer_->OnTimer = [this](TObject*) { InnerTick(); };
  Rearm();
}

TskThreadedTimer::TskThreadedTimer(TComponent* owner, bool routeToHandler) : TskThreadedTimer(owner) {
  SetEnabled(false);
  ownerComponent_ = owner;
  if (routeToHandler) SetOnTimer([this](TObject*) { TimerHandler(); });
}

TskThreadedTimer::~TskThreadedTimer() {
  if (tickAlive_ != nullptr) *tickAlive_ = false;
  if (timer_) timer_->SetEnabled(false);
  timer_.reset();
}

void TskThreadedTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Rearm();
}

void TskThreadedTimer::SetInterval(Cardinal value) {
  if (value == interval_) return;
  interval_ = value;
  if (timer_) timer_->SetInterval(value);
  Rearm();
}

void TskThreadedTimer::SetOnTimer(TNotifyEvent value) {
  // Handlers cannot be compared; any assignment counts as a change, as does clearing a set one.
  if (!value && !onTimer_) return;
  onTimer_ = std::move(value);
  Rearm();
}

void TskThreadedTimer::SetThreadPriority(TThreadPriority value) {
  if (value == threadPriority_) return;
  threadPriority_ = value;
  Rearm();
}

bool TskThreadedTimer::Armed() const { return timer_ && timer_->Enabled() && timer_->Interval() != 0; }

void TskThreadedTimer::Rearm() {
  if (!timer_) return;
  timer_->SetEnabled(false);
  if (interval_ != 0 && enabled_ && onTimer_) timer_->SetEnabled(true);
}

void TskThreadedTimer::InnerTick() {
  if (!timer_ || !timer_->Enabled() || busy_) return;
  // The handler may free this timer; the flag on this stack frame tells that it did.
  bool alive = true;
  tickAlive_ = &alive;
  busy_ = true;
  struct Restore {
    TskThreadedTimer* self;
    const bool& alive;
    ~Restore() {
      if (!alive) return;
      self->busy_ = false;
      self->tickAlive_ = nullptr;
    }
  } restore{this, alive};
  Timer();
}

void TskThreadedTimer::Timer() {
  if (onTimer_) onTimer_(this);
}
