// The title of a skinned form under Wine: the system buttons placed by the system's metrics and the
// skin's masks, the hit-test codes a real form answers, the repaint of a button in each state (cache
// and screen), the glow of a hot button, the hot button following the mouse, and the caption icon.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/skGlow.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/GuiTestSupport.h"

using namespace skintest;

namespace {

enum TSpot { kTitleRight, kClose, kMax, kMin, kHelp, kIcon, kCaption, kClient, kTopLeft, kTop, kLeft, kBottom, kBottomRight };

// A skinned form of the given frame, border icons and window state, shown on screen.
class TitleTest : public SkinFixture {
 protected:
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  void MakeForm(TFormBorderStyle border, TBorderIcons icons, int show = SW_SHOWNOACTIVATE) {
    form_ = New<TForm>(nullptr);
    form_->SetBorderStyle(border);
    form_->SetBorderIcons(icons);
    form_->SetBounds(60, 50, 320, 220);
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    ShowWindow(Window(), show);
    provider_->SkinSysMenu->UpdateItems(false);
    provider_->UpdateTitleLayout();
  }
  HWND Window() const { return form_->Handle(); }
  RECT Outer() const {
    RECT r{};
    GetWindowRect(Window(), &r);
    return r;
  }
  // A point of the form (relative to its outer rectangle) for a spot.
  TPoint SpotPoint(TSpot spot) const {
    const RECT r = Outer();
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int frame = provider_->SysBorderWidth();
    auto centreOf = [](const TRect& b) { return TPoint{(b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2}; };
    switch (spot) {
      case kTitleRight: return TPoint{w - frame - 12, frame + provider_->SysCaptionHeight() / 2};
      case kClose: return centreOf(provider_->SysButtons[sbClose].Rect);
      case kMax: return centreOf(provider_->SysButtons[sbMax].Rect);
      case kMin: return centreOf(provider_->SysButtons[sbMin].Rect);
      case kHelp: return centreOf(provider_->SysButtons[sbHelp].Rect);
      case kIcon: return TPoint{provider_->CaptionIconRect.Left + 4, provider_->CaptionIconRect.Top + 4};
      case kCaption: return TPoint{w / 3, frame + provider_->SysCaptionHeight() / 2};
      case kClient: return TPoint{w / 2, h / 2};
      case kTopLeft: return TPoint{1, 1};
      case kTop: return TPoint{w / 3, 1};
      case kLeft: return TPoint{1, h / 2};
      case kBottom: return TPoint{w / 2, h - 1};
      case kBottomRight: return TPoint{w - 1, h - 1};
    }
    return {};
  }
  TMessage HitMessage(TPoint p) const {
    const RECT r = Outer();
    const LPARAM at = MAKELPARAM(static_cast<WORD>(r.left + p.X), static_cast<WORD>(r.top + p.Y));
    return TMessage{WM_NCHITTEST, 0, at, 0};
  }
  LRESULT NcHitTest(TPoint p) const {
    const TMessage m = HitMessage(p);
    return SendMessageW(Window(), WM_NCHITTEST, 0, m.LParam);
  }
  // A cache of the form's size whose title strip is the title section in the active state, with the
  // strip under the buttons saved and the buttons painted, as the frame painter leaves it.
  void PrepareCache() {
    const RECT r = Outer();
    auto cache = std::make_unique<TBitmap>();
    cache->SetPixelFormat(pf32bit);
    cache->SetSize(r.right - r.left, r.bottom - r.top);
    PaintSectionBackground(provider_->TitleSectionIndex, 1, manager_, cache.get(),
                           TRect{0, 0, cache->Width(), cache->Height()});
    provider_->SkinData().CacheBitmap = std::move(cache);
    provider_->DrawnActive = true;
    provider_->UpdateTitleLayout();
    provider_->SaveButtonsArea(true);
    title_ = std::make_unique<TBitmap>();
    title_->Assign(provider_->SkinData().CacheBitmap.get());
    provider_->PaintTitleButtons();
  }
  // What a button in a state looks like: its mask's state image over the saved title.
  std::unique_ptr<TBitmap> Expected(const TskSysButtonData& button, Integer state) {
    auto out = std::make_unique<TBitmap>();
    out->Assign(title_.get());
    const TsMaskData& mask = manager_->ma.at(static_cast<size_t>(button.ImageIndex));
    const TsPixelView view = PixelViewOf(*out);
    TsBgPixels bg;
    bg.Bitmap = view;
    PaintMaskGlyph(view, button.Rect.Left, button.Rect.Top, state, bg, mask, SkinPixelsOf(*manager_).ImageOf(mask), 1);
    return out;
  }
  // Differences (colour only) between the rect of two bitmaps.
  static int Differences(TBitmap& a, TBitmap& b, const TRect& r) {
    int count = 0;
    for (Integer y = r.Top; y < r.Bottom; ++y)
      for (Integer x = r.Left; x < r.Right; ++x) count += ((PixelOf(a, x, y) ^ PixelOf(b, x, y)) & 0xFFFFFF) != 0;
    return count;
  }
  // The rect as the window shows it.
  std::unique_ptr<TBitmap> Screen(const TRect& r) {
    auto shot = std::make_unique<TBitmap>();
    shot->Assign(title_.get());
    const HDC dc = GetWindowDC(Window());
    BitBlt(shot->Canvas().Handle(), r.Left, r.Top, r.Width(), r.Height(), dc, r.Left, r.Top, SRCCOPY);
    ReleaseDC(Window(), dc);
    GdiFlush();
    return shot;
  }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TBitmap> title_;
};

const TBorderIcons kAllIcons{biSystemMenu, biMinimize, biMaximize};

TEST_F(TitleTest, ButtonsArePlacedByTheSystemMetricsAndTheSkinsMasks) {
  const int frame = GetSystemMetrics(SM_CXFRAME);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  MakeForm(bsSizeable, kAllIcons);
  const TsMaskData& close = manager_->ma.at(static_cast<size_t>(provider_->SysButtons[sbClose].ImageIndex));
  EXPECT_EQ(close.PropertyName, "BICONCLOSE");
  const int w = MaskStateWidth(close), h = MaskStateHeight(close);
  const int right = 320 - manager_->SkinData.BIRightMargin - frame;
  const int top = caption / 2 + frame / 2 - h / 2;
  EXPECT_EQ(provider_->SysButtons[sbClose].Rect, (TRect{right - w, top, right, top + h}));
  const int maxRight = right - w - manager_->SkinData.BISpacing;
  EXPECT_EQ(provider_->SysButtons[sbMax].Rect.Right, maxRight);
  EXPECT_EQ(provider_->SysButtons[sbMax].State, 0);
  EXPECT_EQ(provider_->SysButtons[sbHelp].State, -1) << "no help icon: not shown";
  EXPECT_EQ(provider_->VisibleSysButtonCount(), 3);
  // The icon is 16 pixels for a caption above 16, after the frame and the skin's left margin.
  EXPECT_EQ(provider_->CaptionIconRect.Left, frame + manager_->SkinData.BILeftMargin);
  EXPECT_EQ(provider_->CaptionIconRect.Width(), caption > 16 ? 16 : 8);

  // A tool window takes the small masks and the small caption, with no space between its buttons.
  delete form_;
  MakeForm(bsToolWindow, TBorderIcons{biSystemMenu});
  const TskSysButtonData& small = provider_->SysButtons[sbClose];
  EXPECT_EQ(manager_->ma.at(static_cast<size_t>(small.ImageIndex)).PropertyName, "SICONCLOSE");
  EXPECT_FALSE(small.Big);
  EXPECT_EQ(provider_->CaptionHeight(true), GetSystemMetrics(SM_CYSMCAPTION));
  EXPECT_EQ(provider_->CaptionIconRect.Width(), 0) << "tool windows show no icon";
}

TEST_F(TitleTest, AFormAnswersTheHitTestCodeOfEachPoint) {
  struct Case {
    const char* name;
    TFormBorderStyle border;
    TBorderIcons icons;
    int show;
    TSpot spot;
    int code;
  } cases[] = {
      {"close", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kClose, HTCLOSE},
      {"close, nearer the edge", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kTitleRight, HTCLOSE},
      {"maximize", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kMax, HTMAXBUTTON},
      {"minimize", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kMin, HTMINBUTTON},
      {"icon", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kIcon, HTSYSMENU},
      {"caption", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kCaption, HTCAPTION},
      {"client", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kClient, HTCLIENT},
      {"top left", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kTopLeft, HTTOPLEFT},
      {"top", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kTop, HTTOP},
      {"left", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kLeft, HTLEFT},
      {"bottom", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kBottom, HTBOTTOM},
      {"bottom right", bsSizeable, kAllIcons, SW_SHOWNOACTIVATE, kBottomRight, HTBOTTOMRIGHT},
      {"help", bsSizeable, TBorderIcons{biSystemMenu, biMinimize, biMaximize, biHelp}, SW_SHOWNOACTIVATE, kHelp, HTHELP},
      // Without biSystemMenu there are no buttons (and no icon): where close would be is the caption.
      {"close without system menu", bsSizeable, TBorderIcons{biMinimize, biMaximize}, SW_SHOWNOACTIVATE, kTitleRight,
       HTCAPTION},
      {"icon without system menu", bsSizeable, TBorderIcons{biMinimize, biMaximize}, SW_SHOWNOACTIVATE, kIcon,
       HTCAPTION},
      // Maximized: the buttons answer, the frame gives no sizing codes.
      {"maximized close", bsSizeable, kAllIcons, SW_SHOWMAXIMIZED, kClose, HTCLOSE},
      {"maximized restore", bsSizeable, kAllIcons, SW_SHOWMAXIMIZED, kMax, HTMAXBUTTON},
      {"maximized top left", bsSizeable, kAllIcons, SW_SHOWMAXIMIZED, kTopLeft, HTCAPTION},
      {"maximized bottom", bsSizeable, kAllIcons, SW_SHOWMAXIMIZED, kBottom, HTCLIENT},
      // A single frame does not size; a dialog and a tool window have only close.
      {"single top left", bsSingle, kAllIcons, SW_SHOWNOACTIVATE, kTopLeft, HTCAPTION},
      {"dialog close", bsDialog, kAllIcons, SW_SHOWNOACTIVATE, kClose, HTCLOSE},
      {"dialog has no maximize", bsDialog, kAllIcons, SW_SHOWNOACTIVATE, kMax, HTCAPTION},
      {"tool window close", bsToolWindow, TBorderIcons{biSystemMenu}, SW_SHOWNOACTIVATE, kClose, HTCLOSE},
      // An iconic secondary form without biMaximize shows a disabled maximize (caption) and a restoring
      // minimize button.
      {"iconic disabled maximize", bsSizeable, TBorderIcons{biSystemMenu, biMinimize}, SW_SHOWMINNOACTIVE, kMax,
       HTCAPTION},
      {"iconic minimize", bsSizeable, TBorderIcons{biSystemMenu, biMinimize}, SW_SHOWMINNOACTIVE, kMin, HTMINBUTTON},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeForm(c.border, c.icons, c.show);
    const TPoint p = SpotPoint(c.spot);
    EXPECT_EQ(provider_->HitTest(HitMessage(p)), c.code) << "at " << p.X << ", " << p.Y;
    // The window answers the provider's own codes itself; the system's frame decides the others.
    const bool own = c.code == HTCLOSE || c.code == HTMAXBUTTON || c.code == HTMINBUTTON || c.code == HTHELP ||
                     c.code == HTSYSMENU;
    if (own || c.spot == kClient) {
      EXPECT_EQ(NcHitTest(p), c.code);
    }
    delete form_;
    form_ = nullptr;
  }
}

TEST_F(TitleTest, ASkinWithoutTheCloseMaskGivesButtonsOf21By21) {
  TSkinVariant variant;
  variant.Set("GLOBALINFO", "BICONCLOSE", "");
  LoadVariant(variant);
  ASSERT_LT(manager_->GetMaskIndexByNames("GLOBALINFO", "BICONCLOSE"), 0);
  MakeForm(bsSizeable, kAllIcons);
  EXPECT_EQ(provider_->SysButtonHeight(), 21);
  EXPECT_EQ(provider_->SysButtons[sbClose].Rect.Width(), 21);
  EXPECT_EQ(provider_->SysButtons[sbClose].Rect.Height(), 21);
  EXPECT_EQ(provider_->SysButtons[sbMax].Rect.Height(), 21) << "every button takes the close button's height";
  EXPECT_EQ(provider_->HitTest(HitMessage(SpotPoint(kClose))), HTCLOSE);
}

// Without glowing the buttons change state in the cache at once (with it they fade: see the mouse tests).
TEST_F(TitleTest, RepaintButtonLeavesEachStatesImageInTheCacheAndOnTheWindow) {
  manager_->Effects().SetAllowGlowing(false);
  MakeForm(bsSizeable, kAllIcons);
  PrepareCache();
  TBitmap& cache = *provider_->SkinData().CacheBitmap;
  const TskSysButtonData& close = provider_->SysButtons[sbClose];
  const TRect r = close.Rect;
  ASSERT_FALSE(r.IsEmpty());
  EXPECT_EQ(Differences(cache, *Expected(close, 0), r), 0) << "the buttons painted in their normal state";
  EXPECT_GT(Differences(*Expected(close, 0), *Expected(close, 1), r), 0) << "the hot image differs";

  struct Step {
    const char* name;
    std::function<void()> act;
    Integer state;
  } steps[] = {
      {"hot", [&] { provider_->SetHotButton(HTCLOSE, true); }, 1},
      {"pressed", [&] { provider_->SetPressedButton(HTCLOSE); }, 2},
      {"released and left", [&] {
         TsSkinProvider::TitleButtonPressed = false;
         provider_->SetHotButton(0, true);
       }, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.act();
    EXPECT_EQ(close.State, s.state);
    const auto expected = Expected(close, s.state);
    EXPECT_EQ(Differences(cache, *expected, r), 0);
    EXPECT_EQ(Differences(*Screen(r), *expected, r), 0) << "the window shows the cache's button";
  }
  // The rest of the title is untouched: the maximize button is still in its normal state.
  EXPECT_EQ(Differences(cache, *Expected(provider_->SysButtons[sbMax], 0), provider_->SysButtons[sbMax].Rect), 0);
}

TEST_F(TitleTest, AHotButtonGlowsWhenTheSkinGivesItAGlow) {
  LoadVariant(CloseGlowVariant(2, 12, 12, 0x80FF0000u));
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  TLayeredRecorder recorder;
  MakeForm(bsSizeable, kAllIcons);
  PrepareCache();
  TskSysButtonData& close = provider_->SysButtons[sbClose];
  // While the form animates its buttons do not fade: a hot one is painted at once and glows.
  provider_->AnimState = fsAnimating;

  provider_->SetHotButton(HTCLOSE, true);
  ASSERT_GE(close.GlowID, 0);
  TskGlowEffect* glow = GlowEffectAt(close.GlowID);
  ASSERT_NE(glow, nullptr);
  EXPECT_FALSE(recorder.calls.empty());
  const Integer id = close.GlowID;
  provider_->SetHotButton(HTCLOSE, true);
  EXPECT_EQ(close.GlowID, id) << "staying hot keeps the one glow";

  provider_->SetHotButton(HTMAXBUTTON, true);  // the maximize button has no glow in this skin
  EXPECT_EQ(close.GlowID, -1);
  EXPECT_EQ(GlowEffectAt(id), nullptr);
  EXPECT_EQ(provider_->SysButtons[sbMax].GlowID, -1);
}

TEST_F(TitleTest, TheHotButtonFollowsTheMouseOverTheTitle) {
  MakeForm(bsSizeable, kAllIcons);
  PrepareCache();
  auto move = [&](TSpot spot) {
    const TMessage m = HitMessage(SpotPoint(spot));
    return SendMessageW(Window(), WM_NCMOUSEMOVE, HTNOWHERE, m.LParam);
  };
  EXPECT_EQ(move(kMin), HTMINBUTTON);
  EXPECT_EQ(provider_->HotHitTest, HTMINBUTTON);
  EXPECT_EQ(provider_->SysButtons[sbMin].State, 1);
  move(kClose);
  EXPECT_EQ(provider_->HotHitTest, HTCLOSE);
  EXPECT_EQ(provider_->SysButtons[sbMin].State, 0);
  EXPECT_EQ(provider_->SysButtons[sbClose].State, 1);
  move(kCaption);
  EXPECT_EQ(provider_->HotHitTest, 0);
  EXPECT_EQ(provider_->SysButtons[sbClose].State, 0);

  // A disabled maximize cannot be pressed; while a button is held the others do not light up.
  provider_->SetPressedButton(HTMINBUTTON);
  EXPECT_TRUE(TsSkinProvider::TitleButtonPressed);
  EXPECT_EQ(provider_->SysButtons[sbMin].State, 2);
  provider_->SetHotButton(HTCLOSE, true);
  EXPECT_EQ(provider_->SysButtons[sbClose].State, 0);
  EXPECT_EQ(provider_->SysButtons[sbMin].State, 0);
  TsSkinProvider::TitleButtonPressed = false;
}

TEST_F(TitleTest, TheCaptionIconKeepsTheTitleWhereTheGlyphIsTransparent) {
  MakeForm(bsSizeable, kAllIcons);
  auto glyph = Filled(16, 16, 0);
  glyph->SetPixelFormat(pf24bit);
  glyph->Canvas().Brush().SetColor(static_cast<TColor>(0x0000FF));  // red
  glyph->Canvas().FillRect(TRect{0, 0, 16, 16});
  glyph->Canvas().Brush().SetColor(static_cast<TColor>(0xFF00FF));  // the key colour
  glyph->Canvas().FillRect(TRect{0, 0, 4, 4});
  provider_->TitleIcon().SetGlyph(glyph.get());
  PrepareCache();
  provider_->PaintTitleIcon();
  const TRect r = provider_->CaptionIconRect;
  ASSERT_EQ(r.Width(), 16);
  TBitmap* cache = provider_->SkinData().CacheBitmap.get();
  EXPECT_EQ(PixelOf(*cache, r.Left + 8, r.Top + 8), 0xFFFF0000u) << "the glyph, opaque";
  EXPECT_EQ(PixelOf(*cache, r.Left + 1, r.Top + 1), PixelOf(*title_, r.Left + 1, r.Top + 1)) << "the title";

  // Without a glyph the form's icon (the system's application icon here) is drawn: it changes pixels
  // in the icon's rectangle and leaves the title wherever the icon is transparent.
  const TBitmap none;
  provider_->TitleIcon().SetGlyph(&none);
  PrepareCache();
  provider_->PaintTitleIcon();
  cache = provider_->SkinData().CacheBitmap.get();
  int changed = 0;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x) {
      const Cardinal now = PixelOf(*cache, x, y), before = PixelOf(*title_, x, y);
      if (now == before) continue;
      ++changed;
      EXPECT_EQ(now >> 24, 255u) << "at " << x << ", " << y;
    }
  EXPECT_GT(changed, 0);
}

// A 16 x 16 icon of one colour with a transparent 4 x 4 top-left corner.
HICON MakeCornerIcon(Cardinal colour) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP colours = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  WORD maskRows[16] = {};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool clear = x < 4 && y < 4;
      static_cast<Cardinal*>(bits)[y * 16 + x] = clear ? 0 : (colour | 0xFF000000u);
      if (clear) maskRows[y] |= static_cast<WORD>(0x80 >> x);  // bytes of a row: bit 7 is the first pixel
    }
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskRows);
  ICONINFO icon{TRUE, 0, 0, mask, colours};
  HICON result = CreateIconIndirect(&icon);
  DeleteObject(mask);
  DeleteObject(colours);
  return result;
}

// A form without an icon of its own shows the application's, as the icon alone would look on the title.
TEST_F(TitleTest, TheCaptionIconOfAFormWithoutOneIsTheApplications) {
  guitest::FreshApplication app;
  const HICON icon = MakeCornerIcon(0x2060C0);
  ASSERT_NE(icon, nullptr);
  Application->Icon().SetHandle(icon);
  MakeForm(bsSizeable, kAllIcons);
  ASSERT_TRUE(form_->Icon().Empty());
  PrepareCache();
  provider_->PaintTitleIcon();
  const TRect r = provider_->CaptionIconRect;
  ASSERT_EQ(r.Width(), 16);

  TBitmap alone;
  alone.Assign(title_.get());
  DrawIconEx(alone.Canvas().Handle(), r.Left, r.Top, icon, 16, 16, 0, nullptr, DI_NORMAL);
  GdiFlush();
  TBitmap& cache = *provider_->SkinData().CacheBitmap;
  int differences = 0;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x)
      if ((PixelOf(cache, x, y) & 0xFFFFFFu) != (PixelOf(alone, x, y) & 0xFFFFFFu)) ++differences;
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(PixelOf(cache, r.Left + 8, r.Top + 8), 0xFF2060C0u) << "the icon, opaque";
  EXPECT_EQ(PixelOf(cache, r.Left + 1, r.Top + 1), PixelOf(*title_, r.Left + 1, r.Top + 1)) << "the title";
  delete form_;
  form_ = nullptr;
}

}  // namespace
