#include "vcl/gui/Timer.h"

#include "vcl/gui/Application.h"
#include "vcl/gui/UtilWindow.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

TTimer::~TTimer() {
  if (tickAlive_ != nullptr) *tickAlive_ = false;
  if (window_ != nullptr) {
    KillTimer(window_, kTimerId);
    DeallocateHWnd(window_);
  }
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal value) {
  if (value == interval_) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (window_ != nullptr) KillTimer(window_, kTimerId);
  if (!enabled_ || interval_ == 0) return;
  if (window_ == nullptr) window_ = AllocateHWnd(TWndMethod(this, &TTimer::WndProc));
  if (SetTimer(window_, kTimerId, interval_, nullptr) == 0) throw EOutOfResources("Not enough timers available");
}

void TTimer::WndProc(TMessage& m) {
  if (m.Msg != WM_TIMER) {
    m.Result = DefWindowProcW(window_, m.Msg, m.WParam, m.LParam);
    return;
  }
  // WM_TIMER messages are made while the queue is read; one that comes while the handler pumps
  // messages is the tick the handler is still busy with.
  if (ticking_ || !enabled_ || ComponentState().Contains(csDestroying)) return;
  // The handler may free this timer (and its window); then nothing here is touched afterwards.
  bool alive = true;
  tickAlive_ = &alive;
  ticking_ = true;
  try {
    Timer();
  } catch (...) {
    if (alive) {
      ticking_ = false;
      tickAlive_ = nullptr;
    }
    if (Application != nullptr) Application->HandleException(alive ? this : nullptr);
    return;
  }
  if (!alive) return;
  ticking_ = false;
  tickAlive_ = nullptr;
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}
