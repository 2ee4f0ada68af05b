// Blend on moving under Wine: the form fades in 12 ms steps to the skin manager's BlendValue while the
// system's move loop runs (ended here by a posted Escape once the fade is done), stays opaque when the
// provider does not allow blending, and is a normal opaque window again afterwards.
#include "skin/forms/sMoveTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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
  // Drags the form with blend on moving; the move loop ends once `done` holds (or after two seconds).
  void Drag(std::function<bool()> done) {
    current_ = this;
    done_ = std::move(done);
    started_ = GetTickCount();
    watch_ = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
      BlendOnMovingTest& t = *current_;
      if (!t.done_() && GetTickCount() - t.started_ <= 2000) return;
      KillTimer(nullptr, t.watch_);
      t.watch_ = 0;
      // The loop runs on the border window when there is one.
      const HWND border = t.provider_->BorderForm != nullptr ? t.provider_->BorderForm->BorderHandle() : nullptr;
      guitest::PostKey(border != nullptr ? border : t.Window(), VK_ESCAPE);
    });
    provider_->StartBlendOnMoving();
  }
  // Drags the form until it showed the target alpha a few times; the alphas the form was given,
  // repeats of one alpha dropped.
  std::vector<int> Drag(Byte target) {
    Drag([this, target] {
      const std::vector<int> alphas = AttributeAlphas(Window());
      return std::count(alphas.begin(), alphas.end(), target) >= 3;
    });
    std::vector<int> alphas = AttributeAlphas(Window());
    alphas.erase(std::unique(alphas.begin(), alphas.end()), alphas.end());
    return alphas;
  }

  static inline BlendOnMovingTest* current_ = nullptr;
  UINT_PTR watch_ = 0;
  std::function<bool()> done_;
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

// With an extended border window the border window shows the whole form fading while it moves (the
// form itself is see-through under it), and afterwards the form is opaque under its border again.
TEST_F(BlendOnMovingTest, ABorderWindowFadesInTheFormsPlace) {
  manager_->AnimEffects().BlendOnMoving->Time = 120;
  manager_->AnimEffects().BlendOnMoving->BlendValue = 55;
  manager_->SetExtendedBorders(true);
  MakeForm();
  ASSERT_TRUE(provider_->BorderForm);
  const HWND border = provider_->BorderForm->BorderHandle();
  ASSERT_NE(border, nullptr);
  const TRect before = WindowBounds(Window());
  Drag([&] {
    const std::vector<TLayeredCall> frames = FramesOn(border);
    return !frames.empty() && frames.back().Alpha == 55;
  });
  std::vector<int> alphas;
  for (const TLayeredCall& f : FramesOn(border))
    if (alphas.empty() || alphas.back() != f.Alpha) alphas.push_back(f.Alpha);
  ASSERT_GE(alphas.size(), 11u);
  EXPECT_EQ(std::vector<int>(alphas.begin(), alphas.begin() + 11),
            (std::vector<int>{255, 235, 215, 195, 175, 155, 135, 115, 95, 75, 55}));
  EXPECT_EQ(alphas.back(), 255) << "the border shows the form opaque again";
  EXPECT_FALSE(Layered(Window()));
  EXPECT_EQ(WindowBounds(Window()), before) << "an ended move leaves the form where the border window is";
  EXPECT_FALSE(provider_->BorderForm->Busy);
  EXPECT_EQ(provider_->AnimState & fsBlendMoving, 0u);
  manager_->SetExtendedBorders(false);
}
