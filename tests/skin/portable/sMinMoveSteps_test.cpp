// The move and minimise timers' arithmetic: the blend alphas a dragged form shows tick by tick, the
// taskbar edge a minimising form flies to when its button is unknown, and the rectangle and alpha of
// the flying picture, there and back.
#include "skin/forms/sMinMoveSteps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> MoveAlphas(Byte target, Integer time, int ticks) {
  TskMoveSteps steps(255, target, MoveAlphaStep(target, time));
  std::vector<int> alphas;
  for (int i = 0; i < ticks; ++i) alphas.push_back(steps.Next());
  return alphas;
}

}  // namespace

TEST(MoveSteps, StepPerTickFollowsTimeAndTarget) {
  const struct {
    Byte target;
    Integer time;
    Byte step;
  } cases[] = {
      {55, 120, 20},   // 200 over 10 ticks
      {150, 10, 105},  // below 13 ms: the whole way at once
      {150, 12, 105},
      {0, 1200, 3},    // 255 / 100 = 2.55
      {255, 120, 0},   // nothing to fade
      {250, 60000, 1}, // a very long time still moves
      {55, 130, 18},   // 200 / (130 / 12) = 18.46: the tick count is not rounded first
  };
  for (const auto& c : cases) EXPECT_EQ(MoveAlphaStep(c.target, c.time), c.step) << int(c.target) << " " << c.time;
}

TEST(MoveSteps, AlphaFallsToTheTargetAndStaysThere) {
  EXPECT_EQ(MoveAlphas(55, 120, 13), (std::vector<int>{255, 235, 215, 195, 175, 155, 135, 115, 95, 75, 55, 55, 55}));
  EXPECT_EQ(MoveAlphas(150, 10, 3), (std::vector<int>{255, 150, 150}));
  EXPECT_EQ(MoveAlphas(255, 120, 3), (std::vector<int>{255, 255, 255})) << "no blend allowed: stays opaque";
  const std::vector<int> slow = MoveAlphas(0, 1200, 90);
  EXPECT_EQ(slow[1], 252);
  EXPECT_EQ(slow[85], 0);
  EXPECT_EQ(slow[89], 0);
  // A step that does not divide the way lands on the target, never below it.
  EXPECT_EQ(MoveAlphas(100, 36, 4), (std::vector<int>{255, 203, 151, 100}));
}

TEST(MinimizeSteps, TicksOfFifteenMilliseconds) {
  const struct {
    Integer time, steps;
  } cases[] = {{200, 13}, {15, 1}, {14, 1}, {0, 1}, {-30, 1}, {30, 2}};
  for (const auto& c : cases) EXPECT_EQ(MinimizeStepCount(c.time), c.steps) << c.time;
}

TEST(MinimizeSteps, TaskbarEdgeFacesTheScreenLevelWithTheForm) {
  const TPoint centre{300, 200};
  const struct {
    const char* side;
    TRect taskbar;
    TPoint point;
  } cases[] = {
      {"left", {0, 0, 40, 768}, {40, 200}},
      {"top", {0, 0, 1024, 30}, {300, 30}},
      {"right", {984, 0, 1024, 768}, {984, 200}},
      {"bottom", {0, 738, 1024, 768}, {300, 738}},
      {"bottom, pushed out a little", {-2, 740, 1026, 770}, {300, 740}},
      {"elsewhere counts as right", {900, 100, 1000, 700}, {900, 200}},
  };
  for (const auto& c : cases) EXPECT_EQ(TaskbarEdgePoint(c.taskbar, centre), c.point) << c.side;
}

TEST(MinimizeSteps, ThePictureShrinksAndFadesIntoTheTargetAndComesBack) {
  const TRect start{100, 100, 500, 300};
  const TRect target{0, 0, 0, 0};
  TskMinSteps steps(start, target, 13, 255);
  EXPECT_DOUBLE_EQ(steps.AlphaStep(), 255.0 / 12);
  std::vector<int> alphas;
  TRect previous = start;
  for (int i = 0; i < 13; ++i) {
    steps.Shrink();
    alphas.push_back(steps.Alpha());
    const TRect now = steps.Current();
    EXPECT_LT(now.Width(), previous.Width()) << i;
    EXPECT_LT(now.Left + now.Right, previous.Left + previous.Right) << "the centre moves towards (0, 0)";
    previous = now;
  }
  EXPECT_EQ(alphas, (std::vector<int>{234, 213, 192, 171, 150, 129, 108, 87, 66, 45, 24, 3, 0}));
  EXPECT_EQ(steps.Current(), target) << "the last tick lands on the target";

  alphas.clear();
  for (int i = 0; i < 13; ++i) {
    steps.Grow();
    alphas.push_back(steps.Alpha());
  }
  EXPECT_EQ(alphas, (std::vector<int>{21, 42, 63, 84, 105, 126, 147, 168, 189, 210, 231, 252, 255}));
  EXPECT_EQ(steps.Current(), start) << "back where it started";
}

TEST(MinimizeSteps, OneStepFadesOutAtOnceIntoAButtonRectangle) {
  const TRect button{200, 740, 360, 768};
  TskMinSteps steps(TRect{100, 100, 500, 300}, button, 1, 255);
  steps.Shrink();
  EXPECT_EQ(steps.Alpha(), 0);
  EXPECT_EQ(steps.Current(), button);
}

TEST(MinimizeSteps, ANewTargetKeepsWhereThePictureIs) {
  TskMinSteps steps(TRect{100, 100, 500, 300}, TRect{0, 0, 0, 0}, 4, 200);
  steps.Shrink();
  const TRect now = steps.Current();
  steps.Retarget(TRect{1000, 0, 1000, 0});
  EXPECT_EQ(steps.Current(), now);
  EXPECT_EQ(steps.Alpha(), 133);
  for (int i = 0; i < 3; ++i) steps.Shrink();
  EXPECT_GT(steps.Current().Left, now.Left) << "heads for the new target now";
}
