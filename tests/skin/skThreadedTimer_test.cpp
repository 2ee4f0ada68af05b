// The skin library's animation timer: when it is armed, that a tick never nests inside a handler that
// pumps messages, and that no tick reaches a timer after it is freed (also by its own handler). Waits
// are bounded: pumping stops after two seconds at most.
#include "skin/manager/skThreadedTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "vcl/gui/GuiTestSupport.h"

using guitest::PumpFor;
using guitest::PumpUntil;

namespace {

// An animation timer in the way the library's own derive from the routing form.
class TCountingTimer : public TskThreadedTimer {
 public:
  explicit TCountingTimer(TComponent* owner) : TskThreadedTimer(owner, true) {}
  int handled = 0;

 protected:
  void TimerHandler() override { ++handled; }
};

}  // namespace

TEST(ThreadedTimer, ArmsOnlyWithIntervalEnabledAndHandler) {
  std::unique_ptr<TComponent> owner(New<TComponent>(nullptr));
  auto* timer = New<TskThreadedTimer>(owner.get());
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 1000u);
  EXPECT_EQ(timer->ThreadPriority(), tpNormal);
  EXPECT_EQ(timer->OwnerComponent(), nullptr);
  EXPECT_FALSE(timer->Armed()) << "no handler yet";

  struct Step {
    const char* what;
    bool enabled;
    Cardinal interval;
    bool handler;
    bool armed;
  } steps[] = {
      {"all three", true, 10, true, true},       {"interval 0 stops it", true, 0, true, false},
      {"interval back re-arms", true, 10, true, true}, {"disabled", false, 10, true, false},
      {"new interval while disabled", false, 20, true, false}, {"enabled again", true, 20, true, true},
      {"handler cleared", true, 20, false, false}, {"handler set again", true, 20, true, true},
  };
  for (const Step& s : steps) {
    timer->SetEnabled(s.enabled);
    timer->SetInterval(s.interval);
    if (s.handler)
      timer->SetOnTimer([](TObject*) {});
    else
      timer->SetOnTimer(nullptr);
    EXPECT_EQ(timer->Armed(), s.armed) << s.what;
  }
  timer->SetThreadPriority(tpHighest);  // only re-arms
  EXPECT_EQ(timer->ThreadPriority(), tpHighest);
  EXPECT_TRUE(timer->Armed());

  // The routing form starts disabled and remembers its owner.
  auto* plain = new TskThreadedTimer(owner.get(), false);
  EXPECT_FALSE(plain->Enabled());
  EXPECT_EQ(plain->OwnerComponent(), owner.get());
  EXPECT_FALSE(plain->OnTimer());
  auto* routed = new TCountingTimer(owner.get());
  EXPECT_TRUE(routed->OnTimer());
  EXPECT_FALSE(routed->Armed());
}

TEST(ThreadedTimer, TicksGoToOnTimerOrTheHandler) {
  std::unique_ptr<TskThreadedTimer> timer(New<TskThreadedTimer>(nullptr));
  int ticks = 0;
  TObject* sender = nullptr;
  timer->SetOnTimer([&](TObject* s) {
    sender = s;
    ++ticks;
  });
  timer->SetInterval(5);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(sender, timer.get());

  std::unique_ptr<TCountingTimer> routed(new TCountingTimer(nullptr));
  routed->SetInterval(5);
  routed->SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return routed->handled >= 2; }));
  routed->SetEnabled(false);
  const int stopped = routed->handled;
  PumpFor(40);
  EXPECT_EQ(routed->handled, stopped);
}

TEST(ThreadedTimer, TickInsideAPumpingHandlerIsDropped) {
  std::unique_ptr<TskThreadedTimer> timer(New<TskThreadedTimer>(nullptr));
  int depth = 0, deepest = 0, ticks = 0;
  timer->SetOnTimer([&](TObject*) {
    ++ticks;
    deepest = std::max(deepest, ++depth);
    if (ticks == 1) {
      EXPECT_TRUE(timer->Busy());
      PumpFor(60);  // a dozen periods, as a handler with a modal loop would
    }
    --depth;
  });
  timer->SetInterval(5);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(deepest, 1);
  EXPECT_FALSE(timer->Busy());
}

TEST(ThreadedTimer, NoTickAfterFree) {
  int ticks = 0;
  // Freed directly or through its owner while it runs.
  for (bool viaOwner : {false, true}) {
    std::unique_ptr<TComponent> owner(viaOwner ? New<TComponent>(nullptr) : nullptr);
    auto* timer = New<TskThreadedTimer>(owner.get());
    timer->SetOnTimer([&](TObject*) { ++ticks; });
    timer->SetInterval(5);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
    if (viaOwner)
      owner.reset();
    else
      delete timer;
    const int atFree = ticks;
    PumpFor(50);
    EXPECT_EQ(ticks, atFree) << (viaOwner ? "through its owner" : "directly");
  }

  // Freed by its own handler in the middle of a tick (while that handler pumps, too).
  struct Case {
    const char* what;
    bool pumpFirst;
  } cases[] = {{"frees at once", false}, {"pumps, then frees", true}};
  for (const Case& c : cases) {
    ticks = 0;
    TskThreadedTimer* self = New<TskThreadedTimer>(nullptr);
    self->SetOnTimer([&, c](TObject* sender) {
      ++ticks;
      if (c.pumpFirst) PumpFor(20);
      delete static_cast<TskThreadedTimer*>(sender);
    });
    self->SetInterval(5);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; })) << c.what;
    PumpFor(50);
    EXPECT_EQ(ticks, 1) << c.what;
  }
}

TEST(ThreadedTimer, CreatedWhileTheApplicationTerminatesStaysDisabled) {
  guitest::FreshApplication app;
  app->Terminate();
  app->ProcessMessages();
  ASSERT_TRUE(app->Terminated());

  int ticks = 0;
  std::unique_ptr<TskThreadedTimer> timer(New<TskThreadedTimer>(nullptr));
  EXPECT_FALSE(timer->Enabled());
  timer->SetOnTimer([&](TObject*) { ++ticks; });
  timer->SetInterval(5);
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_FALSE(timer->Armed()) << "no inner timer to arm";
  PumpFor(40);
  EXPECT_EQ(ticks, 0);
}
