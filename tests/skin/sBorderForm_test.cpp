// The extended border window of a skinned form under Wine with the built-in skin: one layered window
// owned by the form, showing the form's picture with the shadow; its region with the client as hole;
// its hit codes; the shadow letting clicks through; the edge double-click's stretch; snapping.
#include "skin/forms/sBorderForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sControlPaint.h"
#include "skin/manager/sSkinLibrary.h"
#include "vcl/gui/Bitmap.h"

using namespace skintest;

namespace {

struct OwnedCount {
  HWND owner;
  int count = 0;
};

BOOL CALLBACK CountOwned(HWND window, LPARAM data) {
  auto* c = reinterpret_cast<OwnedCount*>(data);
  if (GetWindow(window, GW_OWNER) == c->owner && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0) ++c->count;
  return TRUE;
}

class BorderFormTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinLibraryStartup();  // the built-in shadow images
    SkinFixture::SetUp();
    savedWorkArea_ = BorderWorkAreaSource;
    BorderWorkAreaSource = [](HWND) { return TRect{40, 30, 900, 700}; };
    manager_->SetExtendedBorders(true);
    ASSERT_TRUE(manager_->GetExtendedBorders());
    recorder_ = std::make_unique<TLayeredRecorder>();
    form_ = New<TForm>(nullptr);
    form_->SetBounds(200, 150, 360, 260);
    form_->SetCaption("Napló");
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
  }
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    recorder_.reset();
    BorderWorkAreaSource = savedWorkArea_;
    SkinFixture::TearDown();
    SkinLibraryShutdown();
  }
  HWND Border() const { return provider_->BorderForm ? provider_->BorderForm->BorderHandle() : nullptr; }
  RECT BorderRect() const {
    RECT r{};
    GetWindowRect(Border(), &r);
    return r;
  }
  // A message's lParam for a point of the border window.
  LPARAM At(Integer x, Integer y) const {
    const RECT r = BorderRect();
    return MAKELPARAM(r.left + x, r.top + y);
  }
  Integer Hit(Integer x, Integer y) const {
    TMessage m{WM_NCHITTEST, 0, At(x, y), 0};
    return provider_->BorderForm->HitTest(m);
  }
  const TLayeredCall* LastUpdate() const {
    for (auto it = recorder_->calls.rbegin(); it != recorder_->calls.rend(); ++it)
      if (it->Update && it->Window == Border()) return &*it;
    return nullptr;
  }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TLayeredRecorder> recorder_;
  TskWorkAreaSource savedWorkArea_;
};

TEST_F(BorderFormTest, OneLayeredBorderWindowOwnedByTheForm) {
  const HWND border = Border();
  ASSERT_NE(border, nullptr);
  EXPECT_TRUE(IsWindowVisible(border));
  const LONG_PTR ex = GetWindowLongPtrW(border, GWL_EXSTYLE);
  EXPECT_EQ(ex & (WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW), WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  EXPECT_EQ(GetWindow(border, GW_OWNER), form_->Handle());
  EXPECT_EQ(provider_->BorderForm->BorderWnd()->Tag(), -98);
  // Moving and re-activating the form keeps the one window.
  SetWindowPos(form_->Handle(), nullptr, 220, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(form_->Handle(), WM_NCACTIVATE, TRUE, 0);
  EXPECT_EQ(Border(), border);
  OwnedCount count{form_->Handle()};
  EnumThreadWindows(GetCurrentThreadId(), CountOwned, reinterpret_cast<LPARAM>(&count));
  EXPECT_EQ(count.count, 1);
  // The border window follows: the cache's client corner lies on the form's client corner.
  POINT client{0, 0};
  ClientToScreen(form_->Handle(), &client);
  const RECT r = BorderRect();
  EXPECT_EQ(r.left + provider_->ClientOffsetX(), client.x);
  EXPECT_EQ(r.top + provider_->ClientOffsetY(), client.y);
  // Hidden, the form loses it.
  ShowWindow(form_->Handle(), SW_HIDE);
  EXPECT_FALSE(provider_->BorderForm);
}

TEST_F(BorderFormTest, RecordedImageIsTheCacheWithTheShadowAround) {
  const TLayeredCall* call = LastUpdate();
  ASSERT_NE(call, nullptr);
  TBitmap& cache = *provider_->SkinData().CacheBitmap;
  ASSERT_EQ(call->Size, (TPoint{cache.Width(), cache.Height()}));
  EXPECT_EQ(call->Flags, static_cast<DWORD>(ULW_ALPHA));
  EXPECT_EQ(call->Alpha, 255);
  const TRect shadow = provider_->GetShadowMargins();
  ASSERT_GT(shadow.Left, 0);
  EXPECT_EQ(cache.Width(), form_->Width() + 2 * BorderFormSideOffset(provider_->FrameInput()) + shadow.Left + shadow.Right);
  for (Integer y = 0; y < cache.Height(); y += 7)
    for (Integer x = 0; x < cache.Width(); x += 5) ASSERT_EQ(call->PixelAt(x, y), PixelOf(cache, x, y)) << x << "," << y;

  // The shadow template stretched over the picture, as the border painting does it.
  TBitmap& image = *manager_->ShadowTemplates[provider_->DrawnActive ? 1 : 0];
  TBitmap stretched;
  stretched.SetPixelFormat(pf32bit);
  stretched.SetSize(cache.Width(), cache.Height());
  TsBorderWidths corners;
  corners.Left = corners.Right = (image.Width() - 1) / 2;
  corners.Top = corners.Bottom = (image.Height() - 1) / 2;
  if (manager_->IsValidMaskIndex(manager_->ConstData.ExBorder))
    corners = MaskBorderWidths(manager_->ma[static_cast<size_t>(manager_->ConstData.ExBorder)]);
  PaintBorderedStretch(stretched, TRect{0, 0, cache.Width(), cache.Height()}, image, TRect{0, 0, image.Width(), image.Height()}, corners);
  // The picture's corners are the template's own, alpha included.
  EXPECT_EQ(call->PixelAt(0, 0), PixelOf(image, 0, 0));
  EXPECT_EQ(call->PixelAt(cache.Width() - 1, cache.Height() - 1), PixelOf(image, image.Width() - 1, image.Height() - 1));
  // The shadow band holds the stretched shadow; the client area is clear (the form shows there).
  EXPECT_EQ(call->PixelAt(cache.Width() / 2, 1), PixelOf(stretched, cache.Width() / 2, 1));
  EXPECT_EQ(call->PixelAt(1, cache.Height() / 2), PixelOf(stretched, 1, cache.Height() / 2));
  EXPECT_EQ(call->PixelAt(provider_->ClientOffsetX() + 5, provider_->ClientOffsetY() + 5) >> 24, 0u);
  EXPECT_EQ(call->PixelAt(cache.Width() / 2, shadow.Top + 3) >> 24, 0xFFu) << "the title is opaque";
  // The frame's four corner pixels: where the form's border mask is transparent they are the shadow's.
  const TRect frame = FrameRect(provider_->FrameInput());
  const TsMaskData& mask = manager_->ma[static_cast<size_t>(provider_->SkinData().BorderMaskIndex)];
  const TsPixelView maskImage = SkinPixelsOf(*manager_).ImageOf(mask);
  const bool keyCorner = (maskImage.At(mask.R.Left, mask.R.Top) & 0xFFFFFF) == 0xFF00FF;
  const Cardinal corner = call->PixelAt(frame.Left, frame.Bottom - 1);
  if (keyCorner) {
    EXPECT_EQ(corner, PixelOf(stretched, frame.Left, frame.Bottom - 1));
  } else {
    EXPECT_EQ(corner >> 24, 0xFFu);
  }
}

TEST_F(BorderFormTest, RegionHasAHoleExactlyAtTheClient) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(Border(), region), ERROR);
  const Integer cx = provider_->ClientOffsetX(), cy = provider_->ClientOffsetY();
  RECT client{};
  GetClientRect(form_->Handle(), &client);
  struct Case { Integer x, y; bool inside; };
  for (const Case& c : {Case{cx, cy, false}, Case{cx - 1, cy, true}, Case{cx, cy - 1, true},
                        Case{cx + client.right - 1, cy + client.bottom - 1, false}, Case{cx + client.right, cy + 5, true},
                        Case{cx + 5, cy + client.bottom, true}, Case{2, 2, true}})
    EXPECT_EQ(PtInRegion(region, c.x, c.y) != FALSE, c.inside) << c.x << "," << c.y;
  DeleteObject(region);
  // The form's own window keeps only its client.
  HRGN own = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(form_->Handle(), own), ERROR);
  RECT box{};
  GetRgnBox(own, &box);
  POINT origin{0, 0};
  ClientToScreen(form_->Handle(), &origin);
  RECT window{};
  GetWindowRect(form_->Handle(), &window);
  EXPECT_EQ(box.left, origin.x - window.left);
  EXPECT_EQ(box.top, origin.y - window.top);
  EXPECT_EQ(box.right - box.left, client.right);
  DeleteObject(own);
}

// The border window is owned by the form, so it lies above it; a system that does not clip a layered
// window's picture by its region (Wine's X11 driver) would show an opaque client part over the form's
// controls. The picture must be clear over the form's client wherever the form is, whatever its state.
TEST_F(BorderFormTest, PictureIsClearOverTheFormsClient) {
  bool borderAbove = false;
  for (HWND w = GetWindow(form_->Handle(), GW_HWNDPREV); w != nullptr; w = GetWindow(w, GW_HWNDPREV)) borderAbove |= w == Border();
  ASSERT_TRUE(borderAbove) << "an owned window lies above its owner";
  struct Step {
    const char* name;
    std::function<void()> apply;
    bool ring;  // the frame around the client is opaque in the picture (not for a maximised form)
  };
  const Step steps[] = {
      {"shown", [] {}, true},
      {"resized", [&] { SetWindowPos(form_->Handle(), nullptr, 0, 0, 420, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE); }, true},
      {"moved", [&] { SetWindowPos(form_->Handle(), nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); }, true},
      {"inactive", [&] { SendMessageW(form_->Handle(), WM_NCACTIVATE, provider_->DrawnActive ? FALSE : TRUE, 0); }, true},
      {"maximised", [&] { ShowWindow(form_->Handle(), SW_MAXIMIZE); }, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    recorder_->calls.clear();
    step.apply();
    if (LastUpdate() == nullptr) provider_->BorderForm->UpdateExBorders(true, 255);
    const TLayeredCall* call = LastUpdate();
    ASSERT_NE(call, nullptr);
    RECT client{};
    GetClientRect(form_->Handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(form_->Handle(), &origin);
    // The client in the picture's coordinates, from where both windows are on the screen.
    const TRect inPicture{origin.x - call->Position.X, origin.y - call->Position.Y, origin.x - call->Position.X + client.right,
                          origin.y - call->Position.Y + client.bottom};
    ASSERT_GT(inPicture.Width(), 0);
    Integer covered = 0;
    for (Integer y = std::max<Integer>(inPicture.Top, 0); y < std::min(inPicture.Bottom, call->Size.Y); ++y)
      for (Integer x = std::max<Integer>(inPicture.Left, 0); x < std::min(inPicture.Right, call->Size.X); ++x)
        covered += (call->PixelAt(x, y) >> 24) != 0 ? 1 : 0;
    EXPECT_EQ(covered, 0) << "pixels of the picture that would hide the form's client";
    // Exactly the client: the title above it is opaque, and the frame beside and below it.
    EXPECT_EQ(call->PixelAt(inPicture.Left + 3, inPicture.Top - 1) >> 24, 0xFFu);
    if (step.ring) {
      EXPECT_EQ(call->PixelAt(inPicture.Left - 1, inPicture.Top + 3) >> 24, 0xFFu);
      EXPECT_EQ(call->PixelAt(inPicture.Right, inPicture.Bottom - 3) >> 24, 0xFFu);
      EXPECT_EQ(call->PixelAt(inPicture.Left + 3, inPicture.Bottom) >> 24, 0xFFu);
    }
  }
}

TEST_F(BorderFormTest, HitCodes) {
  const TRect shadow = provider_->GetShadowMargins();
  const RECT r = BorderRect();
  const Integer w = r.right - r.left, h = r.bottom - r.top;
  // The shadow band answers the default (client: the mouse messages that let clicks through), the
  // frame 19.
  EXPECT_EQ(SendMessageW(Border(), WM_NCHITTEST, 0, At(1, h / 2)), HTCLIENT);
  EXPECT_EQ(SendMessageW(Border(), WM_NCHITTEST, 0, At(w / 2, shadow.Top + 8)), 19);
  const TRect icon = provider_->CaptionIconRect;
  const TRect close = provider_->SysButtons[sbClose].Rect;
  ASSERT_FALSE(close.IsEmpty());
  struct Case { Integer x, y, code; };
  const Case cases[] = {
      {w / 2, shadow.Top + 8, HTCAPTION},
      {(close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2, HTCLOSE},
      {shadow.Left + 1, h / 2, HTLEFT},
      {w - shadow.Right - 1, h / 2, HTRIGHT},
      {w / 2, shadow.Top, HTTOP},
      {w / 2, h - shadow.Bottom - 1, HTBOTTOM},
      {shadow.Left, shadow.Top, HTTOPLEFT},
      {w - shadow.Right - 1, h - shadow.Bottom - 1, HTBOTTOMRIGHT},
      {provider_->ClientOffsetX() + 20, provider_->ClientOffsetY() + 20, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(Hit(c.x, c.y), c.code) << c.x << "," << c.y;
  if (!icon.IsEmpty()) {
    EXPECT_EQ(Hit((icon.Left + icon.Right) / 2, (icon.Top + icon.Bottom) / 2), HTSYSMENU);
  }
  // A disabled form answers nothing.
  EnableWindow(form_->Handle(), FALSE);
  EXPECT_EQ(Hit(w / 2, shadow.Top + 8), -1);
  EnableWindow(form_->Handle(), TRUE);
}

// The title's buttons are in the border window's picture: hovering one fades its hot image in over the
// button in a window of its own (the border window's picture stays), and a frame repaint (a new
// caption) goes through the border window.
TEST_F(BorderFormTest, RepaintsGoThroughTheBorderWindow) {
  const TRect close = provider_->SysButtons[sbClose].Rect;
  ASSERT_FALSE(close.IsEmpty());
  const TLayeredCall* before = LastUpdate();
  ASSERT_NE(before, nullptr);
  const std::vector<Cardinal> normal = before->Pixels;
  const TPoint size = before->Size;
  recorder_->calls.clear();
  SendMessageW(Border(), WM_NCMOUSEMOVE, 19, At((close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2));
  ASSERT_EQ(provider_->HotHitTest, HTCLOSE);
  EXPECT_EQ(recorder_->CountFor(Border()), 0u) << "the border window's picture stays";
  ASSERT_NE(provider_->SysButtons[sbClose].Anim, nullptr);
  const HWND fade = provider_->SysButtons[sbClose].Anim->FadeWindow();
  ASSERT_EQ(recorder_->CountFor(fade), 1u);
  RECT border{};
  GetWindowRect(Border(), &border);
  const TLayeredCall& first = recorder_->calls.front();
  EXPECT_EQ(first.Position, (TPoint{border.left + close.Left, border.top + close.Top}));
  EXPECT_EQ(first.Size, (TPoint{close.Width(), close.Height()}));
  EXPECT_GT(std::count_if(first.Pixels.begin(), first.Pixels.end(), [](Cardinal p) { return (p >> 24) != 0; }), 0)
      << "the hot image shows";
  // A frame repaint: the new caption is in the next picture.
  provider_->SetHotButton(0, true);
  form_->SetCaption("Napló, második");
  recorder_->calls.clear();
  provider_->RepaintFrame();
  const TLayeredCall* repainted = LastUpdate();
  ASSERT_NE(repainted, nullptr) << "the repaint reaches the screen through the border window";
  const TRect caption = provider_->CaptionTextBounds;
  ASSERT_FALSE(caption.IsEmpty());
  Integer newText = 0;
  for (Integer y = caption.Top; y < caption.Bottom; ++y)
    for (Integer x = caption.Left; x < caption.Right; ++x)
      newText += repainted->PixelAt(x, y) != normal[static_cast<size_t>(y * size.X + x)] ? 1 : 0;
  EXPECT_GT(newText, 0);
}

TEST_F(BorderFormTest, UserTitleButtonsAnswerTheirCodes) {
  auto* first = static_cast<TsTitleButton*>(provider_->TitleButtons().Add());
  auto* second = static_cast<TsTitleButton*>(provider_->TitleButtons().Add());
  second->SetEnabled(false);
  provider_->UpdateTitleLayout();
  const TskTitleLayout layout = UpdateTitleLayout(provider_->TitleInput());
  ASSERT_EQ(layout.UserButtons.size(), 2u);
  const TskTitleRect a = layout.UserButtons[0], b = layout.UserButtons[1];
  ASSERT_GT(a.Width(), 0);
  EXPECT_LT(a.Right, provider_->SysButtons[sbMin].Rect.Left) << "left of the system buttons";
  EXPECT_EQ(Hit((a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2), 1000);
  EXPECT_EQ(Hit((b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2), -1) << "disabled";
  second->SetVisible(false);
  EXPECT_EQ(Hit((b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2), HTCAPTION) << "hidden: the caption";
  EXPECT_EQ(Hit((a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2), 1000);
  first->SetEnabled(false);
  EXPECT_EQ(Hit((a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2), -1);
}

TEST_F(BorderFormTest, MaximizedHasNoSizingAndARectangularRegion) {
  ShowWindow(form_->Handle(), SW_MAXIMIZE);
  ASSERT_TRUE(provider_->BorderForm);
  const TRect shadow = provider_->GetShadowMargins();
  const RECT r = BorderRect();
  const Integer w = r.right - r.left, h = r.bottom - r.top;
  EXPECT_EQ(Hit(shadow.Left + 1, h / 2), -1);
  EXPECT_EQ(Hit(w / 2, h - shadow.Bottom - 1), -1);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetWindowRgn(Border(), region);  // the rectangle less the client (only the title is left)
  ASSERT_TRUE(kind == SIMPLEREGION || kind == COMPLEXREGION);
  RECT box{};
  GetRgnBox(region, &box);
  EXPECT_GT(box.left, shadow.Left);
  EXPECT_GT(box.top, shadow.Top);
  EXPECT_LT(box.right, w - shadow.Right);
  DeleteObject(region);
}

TEST_F(BorderFormTest, ShadowClickPassesThroughOnce) {
  const RECT r = BorderRect();
  const Integer h = r.bottom - r.top;
  SendMessageW(Border(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, h / 2));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(Border(), region);
  EXPECT_FALSE(PtInRegion(region, 1, h / 2));
  EXPECT_TRUE(PtInRegion(region, 2, h / 2));
  // The next hit test puts the pixel back.
  SendMessageW(Border(), WM_NCHITTEST, 0, At(20, h / 2));
  GetWindowRgn(Border(), region);
  EXPECT_TRUE(PtInRegion(region, 1, h / 2));
  DeleteObject(region);
}

TEST_F(BorderFormTest, LeftBorderDoubleClickStretchesAndRestores) {
  const TRect shadow = provider_->GetShadowMargins();
  const Integer side = BorderFormSideOffset(provider_->FrameInput());
  RECT before{};
  GetWindowRect(form_->Handle(), &before);
  const RECT r = BorderRect();
  SendMessageW(Border(), WM_NCLBUTTONDBLCLK, HTLEFT, At(shadow.Left + 1, (r.bottom - r.top) / 2));
  RECT after{};
  GetWindowRect(form_->Handle(), &after);
  EXPECT_EQ(after.left, 40 + side);
  EXPECT_EQ(after.right - after.left, 860 - 2 * side);
  EXPECT_EQ(after.top, before.top);
  EXPECT_NE(provider_->AnimState & fsWidthStretched, 0u);
  const RECT r2 = BorderRect();
  SendMessageW(Border(), WM_NCLBUTTONDBLCLK, HTLEFT, At(shadow.Left + 1, (r2.bottom - r2.top) / 2));
  GetWindowRect(form_->Handle(), &after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.right, before.right);
  EXPECT_EQ(provider_->AnimState & fsWidthStretched, 0u);
}

TEST_F(BorderFormTest, TopAndBottomBorderDoubleClicksStretchTheHeightAndRestore) {
  const TRect shadow = provider_->GetShadowMargins();
  const Integer side = BorderFormSideOffset(provider_->FrameInput());
  const Integer top = BorderFormTopOffset(provider_->FrameInput());
  RECT before{};
  GetWindowRect(form_->Handle(), &before);
  for (const Integer code : {HTTOP, HTBOTTOM}) {
    SCOPED_TRACE(code);
    const RECT r = BorderRect();
    SendMessageW(Border(), WM_NCLBUTTONDBLCLK, static_cast<WPARAM>(code), At((r.right - r.left) / 2, shadow.Top + 1));
    RECT after{};
    GetWindowRect(form_->Handle(), &after);
    // The work area (30 to 700) less the border window's offsets above and below the form.
    EXPECT_EQ(after.top, 30 + top);
    EXPECT_EQ(after.bottom - after.top, 670 - top - side);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right, before.right);
    EXPECT_NE(provider_->AnimState & fsHeightStretched, 0u);
    SendMessageW(Border(), WM_NCLBUTTONDBLCLK, static_cast<WPARAM>(code), At((r.right - r.left) / 2, shadow.Top + 1));
    GetWindowRect(form_->Handle(), &after);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_EQ(provider_->AnimState & fsHeightStretched, 0u);
  }
}

TEST_F(BorderFormTest, AStayOnTopFormsBorderWindowStaysOnTopWithIt) {
  EXPECT_EQ(GetWindowLongPtrW(Border(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  SetWindowPos(form_->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  provider_->BorderForm->UpdateExBorders(false, 255);
  EXPECT_NE(GetWindowLongPtrW(Border(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // And still above the form it surrounds.
  bool above = false;
  for (HWND w = GetWindow(form_->Handle(), GW_HWNDPREV); w != nullptr; w = GetWindow(w, GW_HWNDPREV)) above |= w == Border();
  EXPECT_TRUE(above);
  // (Leaving the topmost band is not checked: Wine keeps an owned window topmost after its owner left.)
}

// What the border window asked of the composition's blur-behind (the system's record).
struct TBlurCall {
  DWORD Flags = 0;
  BOOL Enable = FALSE;
  RECT Box{};
  bool BlackCornerOut = false;  // the corner pixel tested below lies outside the region
};
std::vector<TBlurCall> blurCalls;
TPoint blurProbe;

HRESULT WINAPI RecordBlur(HWND, const void* record) {
  struct Record {
    DWORD Flags;
    BOOL Enable;
    HRGN Region;
    BOOL TransitionOnMaximized;
  };
  const auto* r = static_cast<const Record*>(record);
  TBlurCall call{r->Flags, r->Enable, {}, false};
  if (r->Region != nullptr) {
    GetRgnBox(r->Region, &call.Box);
    call.BlackCornerOut = PtInRegion(r->Region, blurProbe.X, blurProbe.Y) == FALSE;
  }
  blurCalls.push_back(call);
  return S_OK;
}

TEST_F(BorderFormTest, BlurBehindTheFrameOnlyWhenTheManagerAndTheSkinAskForIt) {
  TskDwmEntries& dwm = DwmEntries();
  const auto saved = dwm.EnableBlurBehindWindow;
  dwm.EnableBlurBehindWindow = RecordBlur;
  blurCalls.clear();
  provider_->BorderForm->UpdateExBorders(false, 255);
  ASSERT_FALSE(blurCalls.empty());
  EXPECT_FALSE(blurCalls.back().Enable) << "the built-in skin has no aero blur";
  // Asked for: the frame grown by a pixel, less the pure black pixels of its corners.
  manager_->SkinData.AeroBlur = true;
  manager_->SkinData.ExtShadow = 3;
  const TskBorderGeometry g = provider_->OwnerGeometry();
  TBitmap& cache = *provider_->SkinData().CacheBitmap;
  blurProbe = TPoint{g.Shadow.Left, g.Shadow.Top};
  static_cast<Cardinal*>(cache.ScanLine(blurProbe.Y))[blurProbe.X] = 0xFF000000u;
  blurCalls.clear();
  provider_->BorderForm->UpdateExBorders(false, 255);
  ASSERT_FALSE(blurCalls.empty());
  const TBlurCall on = blurCalls.back();
  EXPECT_TRUE(on.Enable);
  EXPECT_EQ(on.Flags, 3u) << "enable and the region";
  EXPECT_EQ(on.Box.left, g.Shadow.Left - 1);
  EXPECT_EQ(on.Box.top, g.Shadow.Top - 1);
  EXPECT_EQ(on.Box.right, g.Width - g.Shadow.Right + 1);
  EXPECT_EQ(on.Box.bottom, g.Height - g.Shadow.Bottom + 1);
  EXPECT_TRUE(on.BlackCornerOut);
  // The manager's switch turns it off again.
  manager_->Effects().AllowAeroBluring = false;
  blurCalls.clear();
  provider_->BorderForm->UpdateExBorders(false, 255);
  ASSERT_FALSE(blurCalls.empty());
  EXPECT_FALSE(blurCalls.back().Enable);
  manager_->Effects().AllowAeroBluring = true;
  manager_->SkinData.AeroBlur = false;
  manager_->SkinData.ExtShadow = 0;
  dwm.EnableBlurBehindWindow = saved;
}

TEST_F(BorderFormTest, MovingBorderSnapsToTheWorkArea) {
  provider_->ScreenSnap = true;
  provider_->SnapBuffer = 10;
  const TskBorderGeometry g = provider_->OwnerGeometry();
  const TRect visible = BorderVisibleRect(g);
  // The visible left edge 6 pixels right of the work area's left: snapped onto it.
  provider_->AnimState |= fsBlendMoving;
  SetWindowPos(Border(), nullptr, 40 + 6 - visible.Left, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(BorderRect().left, 40 - visible.Left);
  EXPECT_EQ(provider_->BorderForm->SavedPoint, (TPoint{40 - visible.Left, 300}));
  // Not moving: no snapping.
  provider_->AnimState &= ~fsBlendMoving;
  SetWindowPos(Border(), nullptr, 40 + 6 - visible.Left, 320, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(BorderRect().left, 40 + 6 - visible.Left);
}

}  // namespace
