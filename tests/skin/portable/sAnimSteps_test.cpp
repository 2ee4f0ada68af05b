// The step arithmetic of the show and hide animations: step counts, the alpha sequences with their
// rounding, and the zoom rectangle of atAero.
#include "skin/forms/sAnimSteps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Alphas(TskAnimSteps steps, int rounds) {
  std::vector<int> alphas;
  for (int i = 0; i < rounds; ++i) alphas.push_back(steps.Next().Alpha);
  return alphas;
}

}  // namespace

TEST(AnimSteps, TimeGivesWholeTwelveMillisecondSteps) {
  const struct {
    Integer time, steps;
  } cases[] = {{0, 0}, {5, 0}, {11, 0}, {12, 1}, {23, 1}, {100, 8}, {120, 10}, {-5, 0}};
  for (const auto& c : cases) EXPECT_EQ(AnimStepCount(c.time), c.steps) << c.time;
}

TEST(AnimSteps, AlphaRoundsHalvesToEven) {
  EXPECT_EQ(RoundAlpha(25.5), 26);
  EXPECT_EQ(RoundAlpha(76.5), 76);
  EXPECT_EQ(RoundAlpha(-3), 0);
  EXPECT_EQ(RoundAlpha(300), 255);
}

TEST(AnimSteps, ShowingRisesByTheFinalAlphaOverTheStepsAndStopsThere) {
  // Ten steps give eleven rounds; the last two sit at the final alpha.
  EXPECT_EQ(Alphas(TskAnimSteps::Showing(10, 255, false, 100, 80), 11),
            (std::vector<int>{26, 51, 76, 102, 128, 153, 178, 204, 230, 255, 255}));
  EXPECT_EQ(Alphas(TskAnimSteps::Showing(10, 200, false, 100, 80), 11),
            (std::vector<int>{20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 200}));
  // A dialog reaches the final alpha only in its last round.
  EXPECT_EQ(Alphas(TskAnimSteps::Showing(4, 250, false, 100, 80, true), 5), (std::vector<int>{50, 100, 150, 200, 250}));
  // No steps: the final alpha at once.
  EXPECT_EQ(Alphas(TskAnimSteps::Showing(0, 180, true, 100, 80), 1), (std::vector<int>{180}));
}

TEST(AnimSteps, AeroShowingGrowsFromThreeQuartersToTheWholeImage) {
  TskAnimSteps s = TskAnimSteps::Showing(10, 255, true, 160, 80);
  const TskAnimFrame first = s.Next();
  EXPECT_TRUE(first.Stretch);
  EXPECT_DOUBLE_EQ(first.Rect.Left, 20);
  EXPECT_DOUBLE_EQ(first.Rect.Top, 10);
  EXPECT_DOUBLE_EQ(first.Rect.Right, 140);
  EXPECT_DOUBLE_EQ(first.Rect.Bottom, 70);
  const TskAnimFrame second = s.Next();
  EXPECT_DOUBLE_EQ(second.Rect.Left, 18);
  EXPECT_DOUBLE_EQ(second.Rect.Bottom, 71);
  TskAnimFrame last;
  for (int i = 2; i <= 10; ++i) last = s.Next();
  EXPECT_NEAR(last.Rect.Left, 0, 1e-9);
  EXPECT_NEAR(last.Rect.Right, 160, 1e-9);
  EXPECT_NEAR(last.Rect.Bottom, 80, 1e-9);
  // Fading never zooms.
  EXPECT_FALSE(TskAnimSteps::Showing(10, 255, false, 160, 80).Next().Stretch);
}

TEST(AnimSteps, HidingFallsToZeroAndShrinksToThreeQuarters) {
  EXPECT_EQ(Alphas(TskAnimSteps::Hiding(4, 255, false, 100, 80), 5), (std::vector<int>{191, 128, 64, 0, 0}));
  TskAnimSteps s = TskAnimSteps::Hiding(4, 255, true, 160, 80);
  const TskAnimFrame first = s.Next();
  EXPECT_TRUE(first.Stretch);
  EXPECT_DOUBLE_EQ(first.Rect.Left, 0);
  EXPECT_DOUBLE_EQ(first.Rect.Right, 160);
  TskAnimFrame last;
  for (int i = 1; i <= 4; ++i) last = s.Next();
  EXPECT_DOUBLE_EQ(last.Rect.Left, 20);
  EXPECT_DOUBLE_EQ(last.Rect.Top, 10);
  EXPECT_DOUBLE_EQ(last.Rect.Right, 140);
  EXPECT_DOUBLE_EQ(last.Rect.Bottom, 70);
}
