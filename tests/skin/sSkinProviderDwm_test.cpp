// Desktop composition of skinned forms through fake composition entries (Wine composes only for
// programs run as Windows 8 or later, and its entries have no visible effect), and pictures shown on
// layered windows through the layered-window recorder.
#include "skin/forms/sSkinProviderDwm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/forms/sMinTimer.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"

using namespace skintest;

namespace {

struct TAttributeCall {
  HWND Window;
  DWORD Attribute;
  BOOL Value;
  DWORD Size;
};

// Fake composition: on or off as the test says; window attributes and blur calls recorded.
struct TFakeDwm {
  static inline BOOL composing = TRUE;
  static inline std::vector<TAttributeCall> attributes;
  static inline std::vector<DWORD> blurFlags;

  static HRESULT WINAPI IsCompositionEnabled(BOOL* enabled) {
    *enabled = composing;
    return S_OK;
  }
  static HRESULT WINAPI SetWindowAttribute(HWND window, DWORD attribute, LPCVOID value, DWORD size) {
    BOOL flag = FALSE;
    if (size == sizeof(BOOL)) flag = *static_cast<const BOOL*>(value);
    attributes.push_back({window, attribute, flag, size});
    return S_OK;
  }
  static HRESULT WINAPI EnableBlurBehindWindow(HWND, const void* record) {
    blurFlags.push_back(*static_cast<const DWORD*>(record));
    return S_OK;
  }
};

class SkinProviderDwm : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    saved_ = DwmEntries();
    TFakeDwm::composing = TRUE;
    TFakeDwm::attributes.clear();
    TFakeDwm::blurFlags.clear();
    DwmEntries().IsCompositionEnabled = &TFakeDwm::IsCompositionEnabled;
    DwmEntries().SetWindowAttribute = &TFakeDwm::SetWindowAttribute;
    DwmEntries().EnableBlurBehindWindow = &TFakeDwm::EnableBlurBehindWindow;
    form_ = New<TForm>(nullptr);
    form_->SetBounds(40, 40, 200, 120);
    form_->HandleNeeded();
  }
  void TearDown() override {
    delete form_;
    DwmEntries() = saved_;
    SkinFixture::TearDown();
  }

  TskDwmEntries saved_;
  TForm* form_ = nullptr;
};

TEST_F(SkinProviderDwm, TransitionsAreSwitchedOnlyWhileTheDesktopComposes) {
  const HWND window = form_->Handle();
  ASSERT_TRUE(AeroIsEnabled());
  DisableDwmTransitions(window, true);
  DisableDwmTransitions(window, false);
  TFakeDwm::composing = FALSE;
  EXPECT_FALSE(AeroIsEnabled());
  DisableDwmTransitions(window, true);
  ASSERT_EQ(TFakeDwm::attributes.size(), 2u);
  EXPECT_EQ(TFakeDwm::attributes[0].Window, window);
  EXPECT_EQ(TFakeDwm::attributes[0].Attribute, 3u);  // transitions forced off
  EXPECT_EQ(TFakeDwm::attributes[0].Value, TRUE);
  EXPECT_EQ(TFakeDwm::attributes[0].Size, 4u);
  EXPECT_EQ(TFakeDwm::attributes[1].Value, FALSE);
}

// A new skin of the unskinned form's manager makes transitions follow DrawNonClientArea; removing the
// skin gives them back.
TEST_F(SkinProviderDwm, TheProviderSwitchesTheFormsTransitionsWithTheSkin) {
  auto* provider = New<TsSkinProvider>(form_);
  const HWND window = form_->Handle();
  const auto manager = reinterpret_cast<LPARAM>(manager_);
  TFakeDwm::attributes.clear();
  SendSkinCommand(window, scRemoveSkin, manager);
  ASSERT_EQ(TFakeDwm::attributes.size(), 1u);
  EXPECT_EQ(TFakeDwm::attributes[0].Value, FALSE);

  manager_->SetActive(false);
  ASSERT_FALSE(provider->FormSkinned());
  TFakeDwm::attributes.clear();
  SendSkinCommand(window, scNewSkin, manager);
  ASSERT_EQ(TFakeDwm::attributes.size(), 1u);
  EXPECT_EQ(TFakeDwm::attributes[0].Value, TRUE);
}

// Outline moving and sizing draws on the desktop's DC, which a composed desktop does not show: the
// first frame painting under composition turns it back to the standard mode.
TEST_F(SkinProviderDwm, OutlineResizingGivesWayWhenTheDesktopComposes) {
  auto* provider = New<TsSkinProvider>(form_);
  ASSERT_TRUE(provider->FormSkinned());
  TFakeDwm::composing = FALSE;
  provider->ResizeMode = rmBorder;
  ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);  // a hidden form paints no frame
  SendMessageW(form_->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_EQ(provider->ResizeMode, rmBorder);
  TFakeDwm::composing = TRUE;
  SendMessageW(form_->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_EQ(provider->ResizeMode, rmStandard);
  ShowWindow(form_->Handle(), SW_HIDE);
}

TEST_F(SkinProviderDwm, BlurBehindAsksForTheRegionOnlyWhenGiven) {
  const HWND window = form_->Handle();
  ASSERT_NE(LoadDwmApi(), nullptr);  // Wine has DWMAPI
  EnableBlurBehind(window, true);
  const HRGN region = CreateRectRgn(0, 0, 10, 10);
  EnableBlurBehind(window, true, region);
  DeleteObject(region);
  EXPECT_EQ(TFakeDwm::blurFlags, (std::vector<DWORD>{1, 3}));
}

TEST_F(SkinProviderDwm, ALayeredImageShowsTheBitmapWithItsAlphaWhereAsked) {
  const HWND window = form_->Handle();
  TLayeredRecorder recorder;
  auto picture = Filled(30, 20, 0x80112233);
  const TPoint at{70, 80};
  SetLayeredImage(window, picture.get(), 200, &at);
  EXPECT_NE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  SetLayeredImage(window, nullptr, 255);
  ASSERT_EQ(recorder.calls.size(), 2u);
  const TLayeredCall& shown = recorder.calls[0];
  EXPECT_TRUE(shown.Update);
  EXPECT_EQ(shown.Alpha, 200);
  EXPECT_EQ(shown.Position.X, 70);
  EXPECT_EQ(shown.Position.Y, 80);
  EXPECT_EQ(shown.Size.X, 30);
  EXPECT_EQ(shown.Size.Y, 20);
  EXPECT_EQ(shown.Flags, static_cast<DWORD>(ULW_ALPHA));
  EXPECT_EQ(shown.PixelAt(5, 5), 0x80112233u);
  // Without a bitmap: a blank picture of the window's size at its own place.
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const TLayeredCall& blank = recorder.calls[1];
  EXPECT_EQ(blank.Position.X, bounds.left);
  EXPECT_EQ(blank.Size.X, bounds.right - bounds.left);
  EXPECT_EQ(blank.Size.Y, bounds.bottom - bounds.top);
  EXPECT_EQ(blank.PixelAt(0, 0), 0u);
}

// The animation window covers the form with an opaque copy of what it shows, above everything and
// without taking the activation.
TEST_F(SkinProviderDwm, TheAnimationFormCoversTheWindowWithAnOpaqueCopy) {
  form_->Show();
  guitest::Pump();
  const HWND window = form_->Handle();
  SetForegroundWindow(window);
  TLayeredRecorder recorder;
  std::unique_ptr<TForm> anim = CreateAnimForm(window);
  const HWND cover = anim->Handle();
  EXPECT_EQ(anim->Tag(), -98);
  EXPECT_TRUE(IsWindowVisible(cover));
  const LONG_PTR exStyle = GetWindowLongPtrW(cover, GWL_EXSTYLE);
  for (const LONG_PTR bit : std::initializer_list<LONG_PTR>{WS_EX_TOOLWINDOW, WS_EX_NOACTIVATE, WS_EX_LAYERED, WS_EX_TOPMOST}) EXPECT_NE(exStyle & bit, 0) << bit;
  EXPECT_EQ(GetWindowLongPtrW(cover, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
  RECT under{};
  RECT over{};
  GetWindowRect(window, &under);
  GetWindowRect(cover, &over);
  EXPECT_TRUE(EqualRect(&under, &over));
  EXPECT_NE(GetActiveWindow(), cover);
  ASSERT_EQ(recorder.CountFor(cover), 1u);
  const TLayeredCall& shown = recorder.calls.back();
  EXPECT_EQ(shown.Alpha, 255);
  EXPECT_EQ(shown.Size.X, under.right - under.left);
  EXPECT_EQ(shown.Size.Y, under.bottom - under.top);
  EXPECT_TRUE(std::all_of(shown.Pixels.begin(), shown.Pixels.end(), [](Cardinal p) { return p >> 24 == 0xFF; }));
}

TEST_F(SkinProviderDwm, TheCopyOfTheCacheIsAnOpaquePictureOfItsSize) {
  auto* provider = New<TsSkinProvider>(form_);
  form_->Show();
  guitest::Pump();
  provider->SkinData().CacheBitmap.reset();
  EXPECT_EQ(provider->CopyCacheBmp(false), nullptr);  // nothing painted
  provider->SkinData().CacheBitmap = Filled(150, 90, 0);
  std::unique_ptr<TBitmap> copy = provider->CopyCacheBmp(false);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Width(), 150);
  EXPECT_EQ(copy->Height(), 90);
  EXPECT_EQ(PixelOf(*copy, 0, 0) >> 24, 0xFFu);
  EXPECT_EQ(PixelOf(*copy, 149, 89) >> 24, 0xFFu);
  EXPECT_NE(provider->SkinData().CacheBitmap, nullptr);
  EXPECT_NE(provider->CopyCacheBmp(true), nullptr);
  EXPECT_EQ(provider->SkinData().CacheBitmap, nullptr);
}

}  // namespace

namespace {

// One DwmSetIconicThumbnail or DwmSetIconicLivePreviewBitmap call: the bitmap's handle and size, and
// whether the provider was making an iconic picture meanwhile.
struct TIconicCall {
  HWND Window;
  HBITMAP Bitmap;
  int Width, Height;
  bool Making;
};

struct TFakeIconic {
  static inline HRESULT answer = S_OK;
  static inline std::vector<TIconicCall> calls;
  static inline TsSkinProvider* provider = nullptr;

  static void Record(HWND window, HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    calls.push_back({window, bitmap, info.bmWidth, info.bmHeight, (provider->AnimState & 0x800) != 0});
  }
  static HRESULT WINAPI SetIconicThumbnail(HWND window, HBITMAP bitmap, DWORD) {
    Record(window, bitmap);
    return answer;
  }
  static HRESULT WINAPI SetIconicLivePreviewBitmap(HWND window, HBITMAP bitmap, POINT*, DWORD) {
    Record(window, bitmap);
    return answer;
  }
};

class IconicBitmaps : public SkinProviderDwm {
 protected:
  void SetUp() override {
    SkinProviderDwm::SetUp();
    TFakeIconic::answer = S_OK;
    TFakeIconic::calls.clear();
    DwmEntries().SetIconicThumbnail = &TFakeIconic::SetIconicThumbnail;
    DwmEntries().SetIconicLivePreviewBitmap = &TFakeIconic::SetIconicLivePreviewBitmap;
    manager_->SetExtendedBorders(false);
    form_->SetBounds(40, 40, 400, 400);
    provider_ = New<TsSkinProvider>(form_);
    TFakeIconic::provider = provider_;
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
  }
  // The thumbnail request as the system sends it: the largest width in the high word, height in the low.
  LRESULT AskThumbnail(int width, int height) {
    return SendMessageW(form_->Handle(), 0x323, 0, MAKELPARAM(height, width));
  }
  TsSkinProvider* provider_ = nullptr;
};

}  // namespace

TEST_F(IconicBitmaps, AThumbnailKeepsThePicturesAspectInsideTheBox) {
  ASSERT_EQ(provider_->SkinData().CacheBitmap->Width(), 400);
  ASSERT_EQ(provider_->SkinData().CacheBitmap->Height(), 400);
  EXPECT_EQ(AskThumbnail(200, 100), 1);
  ASSERT_FALSE(TFakeIconic::calls.empty());
  for (const TIconicCall& call : TFakeIconic::calls) {
    EXPECT_EQ(call.Window, form_->Handle());
    EXPECT_EQ(call.Width, 100);
    EXPECT_EQ(call.Height, 100);
    EXPECT_TRUE(call.Making);
  }
  EXPECT_EQ(provider_->AnimState & 0x800, 0u);
  EXPECT_EQ(GetObjectType(TFakeIconic::calls.back().Bitmap), 0u) << "freed after the answer";

  TFakeIconic::calls.clear();
  EXPECT_EQ(AskThumbnail(0, 100), 0) << "an empty box gets nothing";
  EXPECT_TRUE(TFakeIconic::calls.empty());
  TFakeDwm::composing = FALSE;
  EXPECT_EQ(AskThumbnail(200, 100), 0) << "nothing without composition";
  EXPECT_TRUE(TFakeIconic::calls.empty());
}

TEST_F(IconicBitmaps, AFailedCallLeavesNoBitmapAndNoState) {
  TFakeIconic::answer = E_FAIL;
  EXPECT_EQ(AskThumbnail(200, 100), 0);
  ASSERT_EQ(TFakeIconic::calls.size(), 1u);
  EXPECT_TRUE(TFakeIconic::calls[0].Making);
  EXPECT_EQ(GetObjectType(TFakeIconic::calls[0].Bitmap), 0u);
  EXPECT_EQ(provider_->AnimState & 0x800, 0u);
  EXPECT_EQ(SendMessageW(form_->Handle(), 0x326, 0, 0), 0);
  EXPECT_EQ(provider_->AnimState & 0x800, 0u);
}

// Minimised with the animation, the form's thumbnail and live preview show the picture saved then.
TEST_F(IconicBitmaps, WhileMinimisedThePictureSavedThenIsShown) {
  TLayeredRecorder recorder;  // the animation's frames are not looked at here
  SendMessageW(form_->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  auto* timer = dynamic_cast<TskMinTimer*>(provider_->MinMaxTimer.get());
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(timer->SavedImage);
  EXPECT_EQ(timer->SavedImage->Width(), 400);
  // A saved picture of another shape tells which picture the answer came from.
  timer->SavedImage->SetSize(50, 200);
  EXPECT_EQ(AskThumbnail(200, 100), 1);
  ASSERT_EQ(TFakeIconic::calls.size(), 1u) << "the saved picture is whole already";
  EXPECT_EQ(TFakeIconic::calls[0].Width, 25);
  EXPECT_EQ(TFakeIconic::calls[0].Height, 100);
  TFakeIconic::calls.clear();
  EXPECT_EQ(SendMessageW(form_->Handle(), 0x326, 0, 0), 1);
  ASSERT_EQ(TFakeIconic::calls.size(), 1u);
  EXPECT_EQ(TFakeIconic::calls[0].Width, 50);
  EXPECT_EQ(TFakeIconic::calls[0].Height, 200);
  ASSERT_TRUE(guitest::PumpUntil([&] { return timer->Minimized(); }));
}
