// Glow windows around a test control: placed and cut as the mask's borders say, layered, click-through
// and never activated, beside the control's form in the z-order, and gone again when closed. The
// placement arithmetic has its own table.
#include "skin/manager/skGlow.h"

#include <gtest/gtest.h>

#include <functional>

#include <memory>

#include "skin/SkinTestBitmaps.h"
#include "skin/forms/sCommonData.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/Panel.h"

using namespace skintest;

namespace {

TEST(GlowPlacement, GrowsByTheBordersAndCutsToTheVisiblePart) {
  const TRect control = Bounds(100, 50, 40, 20);  // screen
  const TsBorderWidths borders{6, 5, 4, 3};
  struct Case {
    const char* what;
    TRect visible;
    Integer margin;
    TRect cut;
    TPoint position;
  } cases[] = {
      {"all visible", {0, 0, 40, 20}, 0, {0, 0, 0, 0}, {94, 45}},
      {"all visible, margin 2", {0, 0, 40, 20}, 2, {0, 0, 0, 0}, {96, 47}},
      // Hidden on the left and the top: the glow starts at the visible edge.
      {"left and top hidden", {10, 4, 40, 20}, 0, {16, 9, 0, 0}, {110, 54}},
      // Hidden on the right and the bottom: the glow ends at the visible edge.
      {"right and bottom hidden", {0, 0, 30, 15}, 0, {0, 0, 14, 8}, {94, 45}},
      {"right hidden, margin 1", {0, 0, 30, 20}, 1, {0, 0, 13, 0}, {95, 46}},
      {"a middle part only", {10, 4, 30, 15}, 0, {16, 9, 14, 8}, {110, 54}},
      {"left hidden, margin 1", {10, 0, 40, 20}, 1, {15, 0, 0, 0}, {110, 46}},
  };
  for (const Case& c : cases) {
    const TskGlowPlacement p = PlaceGlow(control, c.visible, borders, c.margin);
    EXPECT_EQ(p.ImageWidth, 40 + 6 + 4 - 2 * c.margin) << c.what;
    EXPECT_EQ(p.ImageHeight, 20 + 5 + 3 - 2 * c.margin) << c.what;
    EXPECT_EQ(p.Cut, c.cut) << c.what;
    EXPECT_EQ(p.Position, c.position) << c.what;
    EXPECT_TRUE(p.Showable()) << c.what;
  }
  // Every window covers the visible part of the control exactly on the cut sides.
  const TskGlowPlacement middle = PlaceGlow(control, {10, 4, 30, 15}, borders, 0);
  EXPECT_EQ(Bounds(middle.Position.X, middle.Position.Y, middle.WindowWidth(), middle.WindowHeight()),
            (TRect{110, 54, 130, 65}));
  // A margin that eats the whole glow leaves nothing to show.
  EXPECT_FALSE(PlaceGlow(Bounds(0, 0, 4, 4), {0, 0, 4, 4}, {1, 1, 1, 1}, 4).Showable());
}

constexpr Cardinal kGlowPixel = 0x80402010u;

// A shown form with a panel, and a manager whose BUTTON section has a 12 x 12 glow mask (borders of 4)
// with a key-colour corner pixel.
class GlowTest : public testing::Test {
 protected:
  void SetUp() override {
    manager_ = New<TsSkinManager>(nullptr);
    TsMaskData mask;
    mask.ClassName = "BUTTON";
    mask.PropertyName = "GLOW0";
    mask.Image = std::shared_ptr<TBitmap>(Filled(12, 12, kGlowPixel).release());
    static_cast<Cardinal*>(mask.Image->ScanLine(0))[0] = 0x00FF00FFu;
    mask.R = TRect{0, 0, 12, 12};
    mask.ImageCount = 1;
    mask.WL = mask.WT = mask.WR = mask.WB = 4;
    mask.Manager = manager_;
    manager_->ma.push_back(mask);

    form_ = New<TForm>(nullptr);
    form_->SetBounds(200, 150, 300, 200);
    panel_ = New<TPanel>(form_);
    panel_->SetParent(form_);
    panel_->SetBounds(20, 30, 80, 40);
    form_->Show();
    guitest::Pump();
  }
  void TearDown() override {
    CloseAllGlowEffects(true);
    delete form_;
    delete manager_;
  }
  TRect ControlRect() {
    RECT r;
    GetWindowRect(panel_->Handle(), &r);
    return FromRECT(r);
  }
  Integer Open(const AnsiString& section = "BUTTON", const AnsiString& name = "GLOW", Integer margin = 1,
               TsSkinManager* manager = nullptr) {
    return OpenGlowEffect(ControlRect(), TRect{0, 0, 80, 40}, section, manager ? manager : manager_,
                          form_->Handle(), 255, margin, name);
  }

  TsSkinManager* manager_ = nullptr;
  TForm* form_ = nullptr;
  TPanel* panel_ = nullptr;
};

TEST_F(GlowTest, OpensALayeredClickThroughWindowAroundTheControlAndClosesIt) {
  if (!LayeredWindowsAvailable()) {
    EXPECT_EQ(Open(), -1);
    GTEST_SKIP() << "UpdateLayeredWindow is missing on this system: glows are skipped";
  }
  const Integer before = GlowEffectCount();
  Integer index = Open();
  ASSERT_GE(index, 0);
  const Integer opened = index;
  TskGlowEffect* effect = GlowEffectAt(index);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->GlowMask(), 0);
  EXPECT_EQ(effect->InnerMargin(), 1);
  TForm* glowForm = effect->GlowForm();
  ASSERT_NE(glowForm, nullptr);
  EXPECT_EQ(glowForm->Tag(), GlowFormTag);
  const HWND glow = glowForm->Handle();

  const LONG_PTR exStyle = GetWindowLongPtrW(glow, GWL_EXSTYLE);
  EXPECT_EQ(exStyle & GlowWindowExStyle, GlowWindowExStyle);
  EXPECT_TRUE(IsWindowVisible(glow));
  EXPECT_NE(GetActiveWindow(), glow);
  RECT r;
  GetWindowRect(glow, &r);
  const TRect c = ControlRect();
  EXPECT_EQ(FromRECT(r), (TRect{c.Left - 3, c.Top - 3, c.Right + 3, c.Bottom + 3}));
  EXPECT_EQ(SendMessageW(glow, WM_NCHITTEST, 0, MAKELPARAM(r.left + 1, r.top + 1)), HTTRANSPARENT);
  EXPECT_TRUE(GetWindow(glow, GW_HWNDNEXT) == form_->Handle() || GetWindow(glow, GW_HWNDPREV) == form_->Handle())
      << "the glow sits right beside the control's form";

  // The closing flag is up while the form is freed.
  struct TWatch : TComponent {
    using TComponent::TComponent;
    bool freed = false, closing = false;
    void Notification(TComponent* component, TOperation operation) override {
      TComponent::Notification(component, operation);
      if (operation == opRemove) {
        freed = true;
        closing = GlowClosing();
      }
    }
  };
  std::unique_ptr<TWatch> watch(New<TWatch>(nullptr));
  glowForm->FreeNotification(watch.get());
  CloseGlowEffect(index);
  EXPECT_TRUE(watch->freed);
  EXPECT_TRUE(watch->closing);
  EXPECT_FALSE(GlowClosing());
  EXPECT_EQ(index, -1);
  EXPECT_FALSE(IsWindow(glow));
  EXPECT_EQ(GlowEffectCount(), before + 1) << "the slot stays, empty";
  EXPECT_EQ(GlowEffectAt(opened), nullptr);
  Integer again = opened;
  CloseGlowEffect(again);  // an empty slot
  EXPECT_EQ(again, opened);
}

TEST_F(GlowTest, NoGlowWithoutItsMaskAndClosingBadIndexesDoesNothing) {
  const Integer before = GlowEffectCount();
  struct Case {
    const char* what;
    AnsiString section, name;
  } cases[] = {{"another section", "EDIT", "GLOW"},
               {"key without the 0", "BUTTON", "GLOW0"},
               {"names are exact", "button", "GLOW"}};
  for (const Case& c : cases) EXPECT_EQ(Open(c.section, c.name), -1) << c.what;
  EXPECT_EQ(GlowEffectCount(), before);

  for (Integer bad : {-1, before + 5}) {
    Integer index = bad;
    CloseGlowEffect(index);
    EXPECT_EQ(index, bad);
  }
}

TEST_F(GlowTest, TheDefaultManagerServesWhenNoneIsGiven) {
  if (!LayeredWindowsAvailable()) GTEST_SKIP() << "UpdateLayeredWindow is missing on this system";
  ASSERT_EQ(TsSkinManager::DefaultManager(), manager_);
  Integer index = OpenGlowEffect(ControlRect(), TRect{0, 0, 80, 40}, "BUTTON", nullptr, form_->Handle(), 255, 0, "GLOW");
  ASSERT_GE(index, 0);
  EXPECT_EQ(GlowEffectAt(index)->SkinManager(), manager_);
  CloseGlowEffect(index);
}

TEST_F(GlowTest, ATopmostWindowGetsATopmostGlowAndCloseAllFreesEveryWindow) {
  if (!LayeredWindowsAvailable()) GTEST_SKIP() << "UpdateLayeredWindow is missing on this system";
  form_->SetFormStyle(fsStayOnTop);
  guitest::Pump();
  ASSERT_NE(GetWindowLongPtrW(form_->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  const Integer first = Open();
  const Integer second = Open("BUTTON", "GLOW", 0);
  ASSERT_GE(first, 0);
  ASSERT_EQ(second, first + 1);
  const HWND glows[] = {GlowEffectAt(first)->GlowForm()->Handle(), GlowEffectAt(second)->GlowForm()->Handle()};
  for (HWND glow : glows) EXPECT_NE(GetWindowLongPtrW(glow, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  CloseAllGlowEffects(true);
  EXPECT_EQ(GlowEffectCount(), 0);
  for (HWND glow : glows) EXPECT_FALSE(IsWindow(glow));
}

TEST_F(GlowTest, RefreshingOrRemovingTheSkinClosesEveryGlow) {
  // A glow holds a mask index of the skin it was opened with: a new skin, or none, must not leave it
  // on the screen.
  if (!LayeredWindowsAvailable()) GTEST_SKIP() << "UpdateLayeredWindow is missing on this system";
  const TsMaskData mask = manager_->ma[0];
  const std::function<void()> changes[] = {[&] { manager_->RefreshAllWindows(false); },
                                           [&] { manager_->RemoveSkinFromAllWindows(); }};
  for (const auto& change : changes) {
    manager_->ma = {mask};
    const Integer index = Open();
    ASSERT_GE(index, 0);
    const HWND glow = GlowEffectAt(index)->GlowForm()->Handle();
    change();
    EXPECT_EQ(GlowEffectCount(), 0);
    EXPECT_FALSE(IsWindow(glow));
  }
}

TEST_F(GlowTest, ReleasedFormsGoFromTheMessageLoopAndTheLibrarysShutdownClosesEveryGlow) {
  if (!LayeredWindowsAvailable()) GTEST_SKIP() << "UpdateLayeredWindow is missing on this system";
  Integer index = Open();
  ASSERT_GE(index, 0);
  const HWND released = GlowEffectAt(index)->GlowForm()->Handle();
  CloseAllGlowEffects(false);  // the effect goes now, its form once the queue gets to it
  EXPECT_EQ(GlowEffectCount(), 0);
  EXPECT_TRUE(guitest::PumpUntil([&] { return !IsWindow(released); }));

  SkinLibraryStartup();
  index = Open();
  ASSERT_GE(index, 0);
  const HWND glow = GlowEffectAt(index)->GlowForm()->Handle();
  SkinLibraryShutdown();
  EXPECT_EQ(GlowEffectCount(), 0);
  EXPECT_TRUE(guitest::PumpUntil([&] { return !IsWindow(glow); }));
}

TEST_F(GlowTest, AGlowThatOutlivesItsManagerFreesItsFormAtOnce) {
  if (!LayeredWindowsAvailable()) GTEST_SKIP() << "UpdateLayeredWindow is missing on this system";
  const Integer index = Open();
  ASSERT_GE(index, 0);
  TskGlowEffect* effect = GlowEffectAt(index);
  const HWND glow = effect->GlowForm()->Handle();
  delete manager_;
  manager_ = nullptr;
  EXPECT_EQ(effect->SkinManager(), nullptr);
  EXPECT_TRUE(IsWindow(glow)) << "the glow stays until it is closed";
  CloseAllGlowEffects(false);
  EXPECT_FALSE(IsWindow(glow)) << "freed at once, not left to the message loop";
}

// Keeps a copy of the image the glow window was given.
class TRecordingGlow : public TskGlowEffect {
 public:
  using TskGlowEffect::TskGlowEffect;
  std::unique_ptr<TBitmap> shown;

 protected:
  void PrepareAlphaImage(Integer width, Integer height) override {
    TskGlowEffect::PrepareAlphaImage(width, height);
    shown = std::make_unique<TBitmap>();
    shown->Assign(AlphaImage.get());
  }
};

TEST_F(GlowTest, TheImageIsTheMaskOverNothingAndIsFreedOnceShown) {
  if (!LayeredWindowsAvailable()) GTEST_SKIP() << "UpdateLayeredWindow is missing on this system";
  auto effect = std::make_unique<TRecordingGlow>(manager_, 0, 0);
  ASSERT_TRUE(effect->Show(ControlRect(), TRect{0, 0, 80, 40}, form_->Handle()));
  ASSERT_NE(effect->shown, nullptr);
  TBitmap& image = *effect->shown;
  EXPECT_EQ(image.Width(), 88);
  EXPECT_EQ(image.Height(), 48);
  EXPECT_EQ(PixelOf(image, 0, 0), 0u) << "the key-colour corner shows nothing";
  EXPECT_EQ(PixelOf(image, 1, 0), kGlowPixel);
  EXPECT_EQ(PixelOf(image, 87, 47), kGlowPixel);
  EXPECT_EQ(PixelOf(image, 44, 1), kGlowPixel) << "a side";
  EXPECT_EQ(PixelOf(image, 44, 24), 0u) << "the centre stays clear: the control shows through";
  EXPECT_FALSE(effect->Show(ControlRect(), TRect{0, 0, 80, 40}, form_->Handle())) << "shown once";
  const HWND glow = effect->GlowForm()->Handle();
  effect->FreeForm();
  EXPECT_FALSE(IsWindow(glow));
}

}  // namespace
