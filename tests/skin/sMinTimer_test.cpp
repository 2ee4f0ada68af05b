// The minimise and restore animation of skinned forms under Wine, through the layered-window recorder:
// the form turns invisible at once, a picture of it shrinks and fades frame by frame towards its target
// (the screen's corner without a taskbar, a fake taskbar's edge, the fake task toolbar's button), and
// grows back on the restore; the form ends minimised without the layered style, and restored visible
// and opaque, also when the animation window is gone before the end. The main form goes through the
// application window and the skin manager's hook on it.
#include "skin/forms/sMinTimer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "skin/MinimizeFixture.h"
#include "skin/forms/sTaskbarButton.h"
#include "vcl/gui/Application.h"

using namespace skintest;
using guitest::PumpUntil;

namespace {

constexpr Cardinal kMinimizing = 0x100, kRestoring = 0x400;

TPoint Centre(const TLayeredCall& frame) {
  return TPoint{frame.Position.X + frame.Size.X / 2, frame.Position.Y + frame.Size.Y / 2};
}
// Pixels of the picture that show something (alpha above 0).
int Covered(const TLayeredCall& frame) {
  int n = 0;
  for (Cardinal p : frame.Pixels) n += (p >> 24) != 0 ? 1 : 0;
  return n;
}
std::vector<int> Alphas(const std::vector<TLayeredCall>& frames) {
  std::vector<int> alphas;
  for (const TLayeredCall& f : frames) alphas.push_back(f.Alpha);
  return alphas;
}

class MinimizeTest : public MinimizeFixture {
 protected:
  // Minimises the form through its system command and waits for the animation's end; the frames the
  // animation window got on the way.
  std::vector<TLayeredCall> Minimize() {
    SendMessageW(Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    TskMinTimer* timer = Timer();
    if (timer == nullptr) return {};
    anim_ = timer->AnimWindow();
    EXPECT_TRUE(PumpUntil([&] { return timer->Minimized(); }));
    return TickFrames();
  }
  // The animation window's frames, less the opaque copy of the form it starts with, and the blank
  // pictures it is cleared with before a restore and after a minimise.
  std::vector<TLayeredCall> TickFrames() const {
    std::vector<TLayeredCall> frames;
    for (const TLayeredCall& f : FramesOn(anim_))
      if (f.Alpha != 255 && f.Alpha != 0) frames.push_back(f);
    return frames;
  }
  HWND anim_ = nullptr;
};

}  // namespace

TEST_F(MinimizeTest, WithoutATaskbarThePictureShrinksAndFadesIntoTheScreensCorner) {
  MakeForm();
  const TRect start = WindowBounds(Window());
  SendMessageW(Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_FALSE(AttributeAlphas(Window()).empty());
  EXPECT_EQ(AttributeAlphas(Window()).front(), 0) << "the form turns invisible at once";
  EXPECT_NE(IsIconic(Window()), FALSE);
  TskMinTimer* timer = Timer();
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->Interval(), 15u);
  anim_ = timer->AnimWindow();
  ASSERT_NE(anim_, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return timer->Minimized(); }));
  const std::vector<TLayeredCall> frames = TickFrames();
  // Minimizing.Time 200: 13 ticks; the alpha falls by 255/12 a tick and the 13th reaches 0.
  EXPECT_EQ(Alphas(frames), (std::vector<int>{234, 213, 192, 171, 150, 129, 108, 87, 66, 45, 24, 3}));
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_LT(Centre(frames[i]).X, Centre(frames[i - 1]).X) << i;
    EXPECT_LT(Centre(frames[i]).Y, Centre(frames[i - 1]).Y) << i;
    EXPECT_LT(Covered(frames[i]), Covered(frames[i - 1])) << "the picture shrinks, frame " << i;
  }
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front().Size, (TPoint{start.Width(), start.Height()}));
  // The last frame is one tick short of (0, 0).
  const TPoint last = Centre(frames.back());
  EXPECT_LE(std::abs(last.X), (start.Left + start.Right) / 2 / 13 + 1);
  EXPECT_LE(std::abs(last.Y), (start.Top + start.Bottom) / 2 / 13 + 1);

  EXPECT_NE(IsIconic(Window()), FALSE);
  EXPECT_FALSE(Layered(Window())) << "minimised, the form is a normal window again";
  EXPECT_EQ(provider_->AnimState & (kMinimizing | fsAnimating), 0u);
  EXPECT_FALSE(IsWindowVisible(anim_));
  EXPECT_EQ(systemAnimation_, 1) << "the system's own animation is on again";
}

TEST_F(MinimizeTest, ALeftTaskbarWithoutTheButtonTakesThePictureToItsEdge) {
  TFakeTaskbar taskbar(TRect{0, 0, 40, 768});
  ASSERT_NE(FindTaskbarWindow(), nullptr);
  MakeForm();
  const TRect start = WindowBounds(Window());
  const std::vector<TLayeredCall> frames = Minimize();
  ASSERT_EQ(frames.size(), 12u);
  const TPoint target{40, (start.Top + start.Bottom) / 2};
  EXPECT_EQ(Timer()->Steps().Target(), (TRect{target.X, target.Y, target.X, target.Y}));
  EXPECT_EQ(Timer()->Steps().Current(), Timer()->Steps().Target()) << "the run ended on the target";
  for (const TLayeredCall& f : frames) EXPECT_NEAR(Centre(f).Y, target.Y, 1) << "level with the form's centre";
  EXPECT_LE(std::abs(Centre(frames.back()).X - target.X), (start.Left + start.Right) / 2 / 13 + 1);
}

TEST_F(MinimizeTest, TheFakeChainsButtonIsTheTargetExactly) {
  MakeForm();
  const HWND owner = ApplicationButtonWindow();
  ASSERT_NE(owner, nullptr);
  TFakeTaskbar taskbar(TRect{0, 728, 1024, 768}, {nullptr, owner}, true);
  const TRect button = taskbar.ButtonRect(1);
  ASSERT_FALSE(button.IsEmpty());
  const std::vector<TLayeredCall> frames = Minimize();
  ASSERT_EQ(frames.size(), 12u);
  EXPECT_EQ(Timer()->Steps().Target(), button);
  EXPECT_EQ(Timer()->Steps().Current(), button);
}

TEST_F(MinimizeTest, RestoringGrowsThePictureBackAndEndsOpaque) {
  MakeForm();
  const TRect start = WindowBounds(Window());
  Minimize();
  recorder_->calls.clear();
  SendMessageW(Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_NE(provider_->AnimState & kRestoring, 0u);
  ASSERT_TRUE(PumpUntil([&] { return (provider_->AnimState & kRestoring) == 0; }));
  const std::vector<TLayeredCall> all = FramesOn(anim_);
  ASSERT_GE(all.size(), 2u);
  std::vector<TLayeredCall> growing(all.begin(), all.end() - 1);
  EXPECT_EQ(Alphas(growing), (std::vector<int>{21, 42, 63, 84, 105, 126, 147, 168, 189, 210, 231, 252}));
  for (size_t i = 1; i < growing.size(); ++i) EXPECT_GT(Covered(growing[i]), Covered(growing[i - 1])) << i;
  // The last picture is the form itself, whole and opaque, where the form is.
  EXPECT_EQ(all.back().Alpha, 255);
  EXPECT_EQ(all.back().Position, (TPoint{start.Left, start.Top}));

  EXPECT_EQ(IsIconic(Window()), FALSE);
  EXPECT_NE(IsWindowVisible(Window()), FALSE);
  EXPECT_FALSE(Layered(Window()));
  EXPECT_EQ(WindowBounds(Window()), start);
  EXPECT_EQ(provider_->AnimState & (kMinimizing | kRestoring | fsAnimating), 0u);
  EXPECT_EQ(systemAnimation_, 1);
  EXPECT_FALSE(Timer()->Minimized());
}

// The animation window destroyed while the picture grows back: the form does not stay layered at
// alpha 0 with the restore bit set.
TEST_F(MinimizeTest, ARestoreWhoseWindowIsGoneStillShowsTheForm) {
  MakeForm();
  Minimize();
  recorder_->calls.clear();
  SendMessageW(Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(PumpUntil([&] { return TickFrames().size() >= 3; }));
  DestroyWindow(anim_);
  ASSERT_TRUE(PumpUntil([&] { return (provider_->AnimState & kRestoring) == 0; }));
  EXPECT_LT(TickFrames().size(), 12u) << "no frames after the window went";
  EXPECT_EQ(IsIconic(Window()), FALSE);
  EXPECT_NE(IsWindowVisible(Window()), FALSE);
  EXPECT_FALSE(Layered(Window()));
  EXPECT_EQ(provider_->AnimState & (kRestoring | fsAnimating), 0u);
}

TEST_F(MinimizeTest, ASecondMinimiseDoesNotStartAgain) {
  MakeForm();
  SendMessageW(Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  TskMinTimer* timer = Timer();
  ASSERT_NE(timer, nullptr);
  anim_ = timer->AnimWindow();
  ASSERT_TRUE(PumpUntil([&] { return TickFrames().size() >= 2; }));
  SendMessageW(Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(Timer(), timer) << "the same timer";
  ASSERT_TRUE(PumpUntil([&] { return timer->Minimized(); }));
  EXPECT_EQ(Alphas(TickFrames()), (std::vector<int>{234, 213, 192, 171, 150, 129, 108, 87, 66, 45, 24, 3}));
}

// With an extended border window the picture (shadow and all) flies on the border window itself,
// which goes when the form is minimised and comes back with the restore.
TEST_F(MinimizeTest, ABorderWindowCarriesThePictureThereAndBack) {
  manager_->SetExtendedBorders(true);
  MakeForm();
  ASSERT_TRUE(provider_->BorderForm);
  const HWND border = provider_->BorderForm->BorderHandle();
  ASSERT_NE(border, nullptr);
  const TRect picture = WindowBounds(border);
  const TRect start = WindowBounds(Window());
  const std::vector<TLayeredCall> frames = Minimize();
  EXPECT_EQ(anim_, border);
  ASSERT_EQ(frames.size(), 12u);
  EXPECT_EQ(frames.front().Size, (TPoint{picture.Width(), picture.Height()}));
  EXPECT_FALSE(IsWindow(border)) << "freed once the form is minimised";
  ASSERT_TRUE(provider_->BorderForm) << "the border object stays for the restore";
  EXPECT_FALSE(Layered(Window()));

  recorder_->calls.clear();
  SendMessageW(Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
  anim_ = provider_->BorderForm->BorderHandle();
  ASSERT_NE(anim_, nullptr) << "made again for the restore";
  ASSERT_TRUE(PumpUntil([&] { return (provider_->AnimState & kRestoring) == 0; }));
  EXPECT_EQ(TickFrames().size(), 12u);
  EXPECT_NE(IsWindowVisible(Window()), FALSE);
  EXPECT_FALSE(Layered(Window()));
  EXPECT_EQ(WindowBounds(Window()), start);
  ASSERT_TRUE(provider_->BorderForm);
  EXPECT_NE(IsWindowVisible(provider_->BorderForm->BorderHandle()), FALSE);
  EXPECT_FALSE(provider_->BorderForm->Busy);
  manager_->SetExtendedBorders(false);
}

TEST_F(MinimizeTest, WithoutTheEffectTheSystemMinimises) {
  manager_->AnimEffects().Minimizing->Active = false;
  MakeForm();
  SendMessageW(Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_NE(IsIconic(Window()), FALSE);
  EXPECT_EQ(provider_->MinMaxTimer, nullptr);
  EXPECT_TRUE(AttributeAlphas(Window()).empty());
  manager_->AnimEffects().Minimizing->Active = true;
}

// The main form minimises through the application window, where the skin manager's hook animates it;
// its restore comes back the same way.
class MainFormMinimizeTest : public MinimizeTest {
 protected:
  void SetUp() override {
    app_ = std::make_unique<guitest::FreshApplication>();  // before the manager, which hooks it
    MinimizeTest::SetUp();
  }
  void TearDown() override {
    form_ = nullptr;  // the application's
    MinimizeTest::TearDown();
    app_.reset();
  }
  void MinimizeAndRestore(bool extendedBorders);
  std::unique_ptr<guitest::FreshApplication> app_;
};

// The main form minimised from its title and restored: the picture flies there and back, and the form
// ends where it was, visible and opaque.
void MainFormMinimizeTest::MinimizeAndRestore(bool extendedBorders) {
  manager_->SetExtendedBorders(extendedBorders);
  TForm* main = nullptr;
  (*app_)->CreateForm(main);
  ASSERT_EQ((*app_)->MainForm(), main);
  main->SetBounds(150, 120, 300, 200);
  provider_ = New<TsSkinProvider>(main);
  ShowWindow(main->Handle(), SW_SHOWNOACTIVATE);
  guitest::Pump();
  form_ = main;
  ASSERT_EQ(provider_->BorderForm != nullptr, extendedBorders);
  const TRect start = WindowBounds(Window());
  recorder_->calls.clear();
  const std::vector<TLayeredCall> frames = Minimize();
  EXPECT_EQ(frames.size(), 12u);
  EXPECT_NE(IsIconic(Window()), FALSE);
  EXPECT_FALSE(Layered(Window()));

  recorder_->calls.clear();
  SendMessageW(Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
  if (extendedBorders) anim_ = provider_->BorderForm->BorderHandle();
  ASSERT_TRUE(PumpUntil([&] { return (provider_->AnimState & kRestoring) == 0 && !IsIconic(Window()); }));
  EXPECT_EQ(TickFrames().size(), 12u);
  EXPECT_NE(IsWindowVisible(Window()), FALSE);
  EXPECT_FALSE(Layered(Window()));
  EXPECT_EQ(WindowBounds(Window()), start);
  EXPECT_EQ(systemAnimation_, 1);
  form_ = nullptr;
  manager_->SetExtendedBorders(false);
}

TEST_F(MainFormMinimizeTest, TheMainFormAnimatesThroughTheApplicationAndRestoresWhole) { MinimizeAndRestore(false); }

// As the diary's main window, with its extended border window.
TEST_F(MainFormMinimizeTest, WithItsBorderWindowToo) { MinimizeAndRestore(true); }
