// MDI windows through the skinning of top-level windows: a skinned frame skins the bare children it
// holds when it shows, a child made later is skinned by the frame's client window and paints its
// skinned picture, a child with a provider of its own skins the bare main form it shows in, a bare
// frame skinned takes the children it holds along, and a loading child is skinned at once.
#include <gtest/gtest.h>

#include <vector>

#include "common/ComponentCount.h"
#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/adapters/skDials.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiTestSupport.h"

using namespace skintest;

namespace {

// Without the thread hook.
class MDIWindows : public SkinFixture {
 protected:
  void TearDown() override {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) delete *it;
    delete frame_;
    SkinFixture::TearDown();
  }
  void MakeFrame(TForm* frame) {
    frame_ = frame;
    frame_->SetBounds(40, 40, 460, 340);
    frame_->SetFormStyle(fsMDIForm);
  }
  TForm* Child(const char* caption, bool ownProvider = false) {
    auto* child = New<TForm>(nullptr);
    child->SetCaption(caption);
    child->SetFormStyle(fsMDIChild);
    child->SetBounds(10 + 20 * static_cast<Integer>(children_.size()), 10, 160, 110);
    if (ownProvider) New<TsSkinProvider>(child);
    children_.push_back(child);
    child->Show();
    guitest::Pump();
    return child;
  }
  static bool HookSkinned(TCustomForm* form) { return CountComponents<TskProvider>(form) == 1; }

  TForm* frame_ = nullptr;
  std::vector<TForm*> children_;
};

class MDIHook : public MDIWindows {
 protected:
  void SetUp() override {
    RegisterSkinDialogs();
    MDIWindows::SetUp();
  }
  void TearDown() override {
    MDIWindows::TearDown();
    UnregisterSkinDialogs();
  }
};

// The frame is the application's main form.
class MDIMainHook : public MDIHook {
 protected:
  guitest::FreshApplication app_;
};

}  // namespace

TEST_F(MDIHook, AFrameShowingSkinsItsChildrenAndItsClientSkinsANewChildThatPaintsSkinned) {
  MakeFrame(New<TForm>(nullptr));
  frame_->HandleNeeded();  // the hook skins the frame as it is made
  ASSERT_TRUE(HookSkinned(frame_));
  TForm* first = Child("First");
  TForm* second = Child("Second");
  // A child lies inside the frame's client: the hook passes it by, and the frame's client has no skin
  // before the frame shows.
  EXPECT_FALSE(WindowIsSkinned(first->Handle()));

  frame_->Show();
  guitest::Pump();
  for (TForm* child : {first, second}) {
    EXPECT_TRUE(HookSkinned(child)) << child->Caption();
    EXPECT_TRUE(WindowIsSkinned(child->Handle())) << child->Caption();
  }

  // A child of the component layer is made by the client window, whose adapter skins it.
  TForm* later = Child("Later");
  EXPECT_TRUE(HookSkinned(later));
  TsSkinProvider* provider = FormProvider(later);
  ASSERT_NE(provider, nullptr);
  ASSERT_NE(provider->SkinData().CacheBitmap, nullptr);
  // Its window prints the skinned picture: the title from the cache.
  TBitmap printed;
  printed.SetPixelFormat(pf32bit);
  printed.SetSize(later->Width(), later->Height());
  SendMessageW(later->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed.Canvas().Handle()), PRF_NONCLIENT);
  GdiFlush();
  TBitmap& cache = *provider->SkinData().CacheBitmap;
  for (const TPoint p : {TPoint{later->Width() / 2, 6}, TPoint{2, 10}})
    EXPECT_EQ(PixelOf(printed, p.X, p.Y) & 0xFFFFFF, PixelOf(cache, p.X, p.Y) & 0xFFFFFF) << p.X << "," << p.Y;
}

TEST_F(MDIMainHook, AChildWithItsOwnProviderSkinsTheBareMainFormItShowsIn) {
  TForm* frame = nullptr;
  app_->CreateForm(frame);
  MakeFrame(frame);
  frame_->HandleNeeded();  // the main form, hidden: neither its making nor an activation skins it
  ASSERT_EQ(Application->MainForm(), frame_);
  ASSERT_FALSE(HookSkinned(frame_));

  TForm* child = Child("Own", true);
  EXPECT_TRUE(HookSkinned(frame_));
  // The child keeps its own provider only.
  EXPECT_EQ(CountComponents<TsSkinProvider>(child), 1);
  EXPECT_FALSE(HookSkinned(child));
}

TEST_F(MDIWindows, ABareFrameIsSkinnedWithTheChildrenItHolds) {
  MakeFrame(New<TForm>(nullptr));
  frame_->HandleNeeded();
  TForm* first = Child("First");
  TForm* second = Child("Second");
  ASSERT_FALSE(WindowIsSkinned(first->Handle()));
  EXPECT_TRUE(SkinTopLevelWindow(frame_->Handle()));
  EXPECT_TRUE(HookSkinned(frame_));
  for (TForm* child : {first, second}) EXPECT_TRUE(HookSkinned(child)) << child->Caption();
}

// A form still loading is skinned later, unless it is an MDI child: its frame is being made meanwhile.
TEST_F(MDIWindows, ALoadingChildIsSkinnedAtOnce) {
  MakeFrame(New<TForm>(nullptr));
  frame_->HandleNeeded();
  TForm* child = Child("Loading");
  child->Loading();
  EXPECT_TRUE(SkinTopLevelWindow(child->Handle()));
  EXPECT_TRUE(HookSkinned(child));
  EXPECT_TRUE(WindowIsSkinned(child->Handle()));
}
