// Blend on moving under Wine: the form fades in 12 ms steps to the skin manager's BlendValue while the
// system's move loop runs (ended here by a posted Escape once the fade is done), stays opaque when the
// provider does not allow blending, and is a normal opaque window again afterwards.
#include "skin/forms/sMoveTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "skin/MinimizeFixture.h"

using namespace skintest;

namespace {

class BlendOnMovingTest : public MinimizeFixture {
 protected:
  void SetUp() override {
    MinimizeFixture::SetUp();
    manager_->AnimEffects().BlendOnMoving->Active = true;
  }
  void TearDown() override {
    if (watch_ != 0) KillTimer(nullptr, watch_);
    manager_->AnimEffects().BlendOnMoving->Active = false;
    MinimizeFixture::TearDown();
  }
  // Drags the form with blend on moving: the move loop ends once the form showed the target alpha a
  // few times (or after two seconds). The alphas the form was given, repeats of the last one dropped.
  std::vector<int> Drag(Byte target) {
    current_ = this;
    target_ = target;
    started_ = GetTickCount();
    watch_ = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
      BlendOnMovingTest& t = *current_;
      const std::vector<int> alphas = t.AttributeAlphas(t.Window());
      const auto atTarget = std::count(alphas.begin(), alphas.end(), t.target_);
      if (atTarget >= 3 || GetTickCount() - t.started_ > 2000) {
        KillTimer(nullptr, t.watch_);
        t.watch_ = 0;
        guitest::PostKey(t.Window(), VK_ESCAPE);
      }
    });
    provider_->StartBlendOnMoving();
    std::vector<int> alphas = AttributeAlphas(Window());
    alphas.erase(std::unique(alphas.begin(), alphas.end()), alphas.end());
    return alphas;
  }

  static inline BlendOnMovingTest* current_ = nullptr;
  UINT_PTR watch_ = 0;
  int target_ = 0;
  DWORD started_ = 0;
};

}  // namespace

TEST_F(BlendOnMovingTest, TheFormFadesToTheBlendValueInEqualSteps) {
  const struct {
    Word time;
    Byte blend;
    std::vector<int> alphas;
  } cases[] = {
      {120, 55, {255, 235, 215, 195, 175, 155, 135, 115, 95, 75, 55}},
      {10, 55, {255, 55}},  // below 13 ms: one step
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.time);
    manager_->AnimEffects().BlendOnMoving->Time = c.time;
    manager_->AnimEffects().BlendOnMoving->BlendValue = c.blend;
    MakeForm();
    EXPECT_EQ(Drag(c.blend), c.alphas);
    EXPECT_FALSE(Layered(Window())) << "opaque after the move";
    EXPECT_EQ(provider_->AnimState & fsBlendMoving, 0u);
    EXPECT_EQ(provider_->MinMaxTimer, nullptr);
    delete form_;
    form_ = nullptr;
  }
}

TEST_F(BlendOnMovingTest, WithoutAllowBlendOnMovingTheFormStaysOpaque) {
  manager_->AnimEffects().BlendOnMoving->Time = 120;
  manager_->AnimEffects().BlendOnMoving->BlendValue = 55;
  MakeForm();
  provider_->AllowBlendOnMoving = false;
  EXPECT_FALSE(provider_->BlendsOnMoving()) << "a caption press does not start it";
  const std::vector<int> alphas = Drag(255);
  EXPECT_EQ(alphas, std::vector<int>{255});
  EXPECT_FALSE(Layered(Window()));
}
