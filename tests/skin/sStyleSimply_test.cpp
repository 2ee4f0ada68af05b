// The skinned-form list and the capture of forms around a skin change: the list's order after a
// removal, which forms a capture takes, and that a release leaves no form marked or frozen.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include "skin/manager/sSkinManager.h"
#include "skin/manager/sStyleSimply.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiTestSupport.h"

namespace {

class FormCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    manager_ = std::unique_ptr<TsSkinManager>(New<TsSkinManager>(nullptr));
    ASSERT_EQ(TsSkinManager::DefaultManager(), manager_.get());
  }
  void TearDown() override {
    for (TForm* f : forms_) RemoveSkinnedForm(f);
    for (TForm* f : forms_) delete f;
    manager_.reset();
    guitest::Pump();
  }
  TForm* Form(bool shown, bool listed = true) {
    TForm* form = New<TForm>(nullptr);
    form->SetBounds(10 + 30 * static_cast<int>(forms_.size()), 10, 200, 120);
    if (shown) form->Show();
    forms_.push_back(form);
    if (listed) AddSkinnedForm(form);
    return form;
  }

  std::unique_ptr<TsSkinManager> manager_;
  std::vector<TForm*> forms_;
};

}  // namespace

TEST_F(FormCapture, RemovingAFormMovesTheLastIntoItsPlace) {
  TForm* a = Form(false);
  TForm* b = Form(false);
  TForm* c = Form(false);
  AddSkinnedForm(b);  // once only
  ASSERT_EQ(SkinnedForms(), (std::vector<TForm*>{a, b, c}));
  RemoveSkinnedForm(b);
  EXPECT_EQ(SkinnedForms(), (std::vector<TForm*>{a, c}));
  RemoveSkinnedForm(b);
  RemoveSkinnedForm(c);
  EXPECT_EQ(SkinnedForms(), (std::vector<TForm*>{a}));
}

TEST_F(FormCapture, CaptureBeforeChangeTakesTheVisibleTopLevelFormsUntilTheRelease) {
  TForm* shown = Form(true);
  TForm* hidden = Form(false);
  TForm* unlisted = Form(true, false);
  guitest::Pump();

  CaptureFormsBeforeChange(*manager_);
  EXPECT_TRUE(SkinChangeAnimating);
  EXPECT_TRUE(FormIsAnimating(shown));
  EXPECT_FALSE(FormIsAnimating(hidden));
  EXPECT_FALSE(FormIsAnimating(unlisted));
  EXPECT_FALSE(FormIsFrozen(shown)) << "a change capture does not stop the drawing";

  CaptureFormsBeforeRefresh(*manager_);
  EXPECT_TRUE(FormIsFrozen(shown));
  ReleaseFormsAfterRefresh(*manager_, true);
  EXPECT_FALSE(SkinChangeAnimating);
  EXPECT_FALSE(FormIsAnimating(shown));
  EXPECT_FALSE(FormIsFrozen(shown));
}

TEST_F(FormCapture, NothingIsCapturedWithoutTheSkinChangingAnimationOrWhileTheManagerIsRead) {
  TForm* shown = Form(true);
  guitest::Pump();
  manager_->AnimEffects().SkinChanging->Active = false;
  CaptureFormsBeforeChange(*manager_);
  EXPECT_FALSE(SkinChangeAnimating);
  EXPECT_TRUE(FormIsAnimating(shown)) << "the forms are captured, only the global flag stays off";
  ReleaseFormsAfterRefresh(*manager_, false);
  EXPECT_FALSE(FormIsAnimating(shown));

  manager_->AnimEffects().SkinChanging->Active = true;
  manager_->SetReading(true);
  CaptureFormsBeforeChange(*manager_);
  EXPECT_FALSE(SkinChangeAnimating);
  EXPECT_FALSE(FormIsAnimating(shown));
}
