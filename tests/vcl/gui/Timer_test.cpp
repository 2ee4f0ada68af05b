// The timer component: ticks while enabled, stops when disabled or at interval 0, never nests a tick
// inside a handler that pumps messages, and survives a failing handler.
#include "vcl/gui/Timer.h"

#include <gtest/gtest.h>

#include <memory>

#include "GuiTestSupport.h"

using guitest::PumpUntil;

TEST(Timer, TicksWhileEnabledAndStops) {
  std::unique_ptr<TTimer> timer(New<TTimer>(nullptr));
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 1000u);
  int ticks = 0;
  TObject* sender = nullptr;
  timer->OnTimer = [&](TObject* s) {
    sender = s;
    ++ticks;
  };
  timer->SetInterval(10);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(sender, timer.get());

  struct Case {
    bool enabled;
    Cardinal interval;
  } stopped[] = {{false, 10}, {true, 0}};
  for (const Case& c : stopped) {
    timer->SetEnabled(c.enabled);
    timer->SetInterval(c.interval);
    guitest::Pump();
    const int before = ticks;
    Sleep(40);
    guitest::Pump();
    EXPECT_EQ(ticks, before);
    timer->SetEnabled(true);
    timer->SetInterval(10);
  }
  EXPECT_TRUE(PumpUntil([&, before = ticks] { return ticks > before; }));
}

TEST(Timer, TickInsideItsOwnHandlerIsNotReentered) {
  std::unique_ptr<TTimer> timer(New<TTimer>(nullptr));
  int depth = 0, deepest = 0, ticks = 0;
  timer->OnTimer = [&](TObject*) {
    ++ticks;
    ++depth;
    deepest = std::max(deepest, depth);
    if (ticks == 1) {
      EXPECT_TRUE(timer->Ticking());
      // Pump for several periods, as a handler with a modal loop would.
      for (int i = 0; i < 6; ++i) {
        Sleep(10);
        Application->ProcessMessages();
      }
    }
    --depth;
  };
  timer->SetInterval(5);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(deepest, 1);
  EXPECT_FALSE(timer->Ticking());
}

TEST(Timer, FailingHandlerGoesToTheApplicationAndTheTimerGoesOn) {
  guitest::FreshApplication app;
  int reported = 0;
  app->OnException = [&](TObject*, const Exception&) { ++reported; };
  std::unique_ptr<TTimer> timer(New<TTimer>(nullptr));
  int ticks = 0;
  timer->OnTimer = [&](TObject*) {
    ++ticks;
    throw Exception("tick failed");
  };
  timer->SetInterval(5);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  EXPECT_GE(reported, 2);
  EXPECT_FALSE(timer->Ticking());
}

TEST(Timer, HandlerMayFreeItsOwnTimer) {
  int ticks = 0;
  auto* timer = New<TTimer>(nullptr);
  timer->OnTimer = [&](TObject* sender) {
    ++ticks;
    delete static_cast<TTimer*>(sender);
  };
  timer->SetInterval(5);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  Sleep(30);
  guitest::Pump();
  EXPECT_EQ(ticks, 1);
}
