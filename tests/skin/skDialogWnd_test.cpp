// The skinned dialog adapter on a real message box: a test CBT hook attaches it when the box
// activates, the checks run from a timer inside the box's modal loop, and the box is then closed.
#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <functional>

#include "AdapterFixture.h"
#include "DialogBoxFixture.h"
#include "skin/adapters/skDialogWnd.h"
#include "skin/forms/sBorderForm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinLibrary.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"

namespace {

using skintest::DialogAdapterTest;
using skintest::kCloseAloneColor;
using skintest::kCloseColors;
using skintest::MakeDialog;
using skintest::Ref;
using skintest::ScreenPoint;
using skintest::SkinFixture;
using skintest::TSkinVariant;
using skintest::WindowPixel;

// Pixels of the colour in the rect of the window DC.
int CountPixels(HWND window, const TRect& r, Cardinal color, int* meanX = nullptr) {
  const HDC dc = GetWindowDC(window);
  SetLayout(dc, 0);
  int n = 0;
  long long sumX = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (GetPixel(dc, x, y) == color) {
        ++n;
        sumX += x;
      }
  ReleaseDC(window, dc);
  if (meanX != nullptr) *meanX = n > 0 ? static_cast<int>(sumX / n) : -1;
  return n;
}


TEST_F(DialogAdapterTest, PaintsTheMessageBoxFrameAndAnswersItsGeometry) {
  RunBox([&](TskDialogWnd& a) {
    const HWND box = a.Window;
    EXPECT_EQ(a.BorderKind, dbModal);
    EXPECT_EQ(a.TitleSection, "DIALOGTITLE");
    EXPECT_EQ(GetWindowLongPtrW(box, GWL_STYLE) & WS_SYSMENU, 0) << "the system's own caption buttons are gone";
    const TskDialogTitleButton& close = a.Buttons[dbClose];
    ASSERT_FALSE(close.Rect.IsEmpty());
    const int frame = a.SysBorderWidth();
    const int captionY = frame + 2;
    const TRect icon = a.TitleIconRect();

    // The title in the active state, the caption text between the icon and the close button.
    EXPECT_EQ(WindowPixel(box, close.Rect.Left - 3, captionY), TitleColor(1));
    const TRect text{icon.Right, frame, close.Rect.Left, a.CaptionBottom()};
    EXPECT_GT(CountPixels(box, text, TitleFontColor(1)), 10) << "caption text pixels";
    const int cx = (close.Rect.Left + close.Rect.Right) / 2, cy = (close.Rect.Top + close.Rect.Bottom) / 2;
    EXPECT_EQ(WindowPixel(box, cx, cy), Ref(kCloseColors[0]));

    // The close button's centre answers 20 and turns hot; the caption answers 2. Without glowing the
    // hot state is painted at once into the frame (with it, it fades in over the button: below).
    manager_->Effects().SetAllowGlowing(false);
    EXPECT_EQ(SendMessageW(box, WM_NCHITTEST, 0, ScreenPoint(box, cx, cy)), HTCLOSE);
    EXPECT_EQ(a.CurrentHT, HTCLOSE);
    EXPECT_EQ(WindowPixel(box, cx, cy), Ref(kCloseColors[1]));
    EXPECT_EQ(SendMessageW(box, WM_NCHITTEST, 0, ScreenPoint(box, (icon.Right + close.Rect.Left) / 2, cy)), HTCAPTION);
    EXPECT_EQ(a.CurrentHT, 0);
    EXPECT_EQ(WindowPixel(box, cx, cy), Ref(kCloseColors[0])) << "the hot state went with the mouse";
    manager_->Effects().SetAllowGlowing(true);

    // Inactive, then active again.
    SendMessageW(box, WM_NCACTIVATE, FALSE, 0);
    RedrawWindow(box, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(a.FormActive);
    EXPECT_EQ(WindowPixel(box, close.Rect.Left - 3, captionY), TitleColor(0));
    EXPECT_GT(CountPixels(box, text, TitleFontColor(0)), 10);
    SendMessageW(box, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(box, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(box, close.Rect.Left - 3, captionY), TitleColor(1));

    // The client shows the dialog's section.
    RECT client{};
    GetClientRect(box, &client);
    EXPECT_EQ(skintest::ClientPixel(box, 2, client.bottom - 3),
              ColorToRGB(static_cast<TColor>(SectionData("DIALOG").Props[1].Color)));

    EXPECT_EQ(SendMessageW(box, WM_GETDLGCODE, 0, 0), 0);
    RECT outer{};
    GetWindowRect(box, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    const auto offsets = static_cast<DWORD>(SendMessageW(box, SkinCommandMessage, SkinCommandWParam(scGetClientOffset), 0));
    EXPECT_EQ(LOWORD(offsets), (width - client.right) / 2);
    EXPECT_EQ(HIWORD(offsets), height - client.bottom - frame);

    // The region leaves out the border mask's key-colour corners.
    ASSERT_FALSE(a.RegionRects.empty()) << "the skin's dialog border has key-colour corners";
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(box, region), ERROR);
    for (const TRect& r : a.RegionRects) EXPECT_FALSE(PtInRegion(region, r.Left, r.Top)) << r.Left << "," << r.Top;
    EXPECT_TRUE(PtInRegion(region, width / 2, height / 2));
    DeleteObject(region);

    // One brush of the global colour, however often asked.
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(box, WM_CTLCOLORDLG, 0, 0));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(SendMessageW(box, WM_CTLCOLORDLG, 0, 0)), brush);
    LOGBRUSH info{};
    ASSERT_NE(GetObjectW(brush, sizeof info, &info), 0);
    EXPECT_EQ(info.lbColor, ColorToRGB(static_cast<TColor>(manager_->GetGlobalColor())));
  });
}

// With glowing allowed a hot title button fades in, in a small layered window over it, as a form's
// does; the frame itself keeps the normal image, and leaving the button fades it back out.
TEST_F(DialogAdapterTest, AHotTitleButtonFadesInOverItAndOutWhenLeft) {
  RunBox([&](TskDialogWnd& a) {
    if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
    const HWND box = a.Window;
    const TskDialogTitleButton& close = a.Buttons[dbClose];
    const int cx = (close.Rect.Left + close.Rect.Right) / 2, cy = (close.Rect.Top + close.Rect.Bottom) / 2;
    const LPARAM over = ScreenPoint(box, cx, cy);
    SetCursorPos(GET_X_LPARAM(over), GET_Y_LPARAM(over));  // the fading watches the real cursor
    skintest::TLayeredRecorder recorder;
    EXPECT_EQ(SendMessageW(box, WM_NCHITTEST, 0, over), HTCLOSE);
    TskSysButtonData& fade = a.FadeButtons[dbClose];
    ASSERT_NE(fade.Anim, nullptr);
    const HWND window = fade.Anim->FadeWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowPixel(box, cx, cy), Ref(kCloseColors[0])) << "the frame keeps the normal image";
    guitest::PumpFor(200);
    std::vector<int> alphas;
    for (const auto& c : recorder.calls)
      if (c.Window == window && c.Update) alphas.push_back(c.Alpha);
    ASSERT_GE(alphas.size(), 10u);
    EXPECT_EQ(alphas.front(), 25);
    EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end())) << "rising";
    EXPECT_EQ(alphas.back(), 255);
    EXPECT_EQ(close.State, 1);
    RECT outer{};
    GetWindowRect(box, &outer);
    const auto& last = recorder.calls.back();
    EXPECT_EQ(last.Position.X, outer.left + close.Rect.Left);
    EXPECT_EQ(last.Position.Y, outer.top + close.Rect.Top);

    // The cursor leaves for the bare desktop: the fading's own watch tells the dialog, and the button
    // fades back out until its window goes.
    recorder.calls.clear();
    SetCursorPos(5, 5);
    guitest::PumpFor(300);
    EXPECT_EQ(a.CurrentHT, HTNOWHERE);
    EXPECT_EQ(close.State, 0);
    std::vector<int> out;
    for (const auto& c : recorder.calls)
      if (c.Window == window && c.Update) out.push_back(c.Alpha);
    ASSERT_FALSE(out.empty());
    EXPECT_TRUE(std::is_sorted(out.rbegin(), out.rend())) << "falling";
    EXPECT_EQ(fade.Anim->FadeWindow(), nullptr);
    EXPECT_FALSE(IsWindow(window));
  });
}

TEST_F(DialogAdapterTest, ARightToLeftDialogDrawsItsCaptionAtTheRight) {
  RunBox(
      [&](TskDialogWnd& a) {
        const HWND box = a.Window;
        const TRect icon = a.TitleIconRect();
        const TskDialogTitleButton& close = a.Buttons[dbClose];
        const TRect text{icon.Right, a.SysBorderWidth(), close.Rect.Left, a.CaptionBottom()};
        int meanX = 0;
        EXPECT_GT(CountPixels(box, text, TitleFontColor(1), &meanX), 10);
        EXPECT_GT(meanX, (text.Left + text.Right) / 2) << "the caption's pixels lie in the right half";
      },
      [](HWND box) { SetWindowLongPtrW(box, GWL_EXSTYLE, GetWindowLongPtrW(box, GWL_EXSTYLE) | WS_EX_LAYOUTRTL); });
}

TEST_F(DialogAdapterTest, WithExtendedBordersTheBorderWindowSurroundsTheDialog) {
  SkinLibraryStartup();  // the built-in shadow images
  skintest::TLayeredRecorder recorder;
  manager_->SetExtendedBorders(true);
  if (!manager_->GetExtendedBorders()) GTEST_SKIP() << "no layered windows here";
  RunBox([&](TskDialogWnd& a) {
    ASSERT_NE(a.BorderForm, nullptr) << "made with the adapter";
    RedrawWindow(a.Window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    const HWND border = a.BorderForm->BorderHandle();
    ASSERT_NE(border, nullptr);
    EXPECT_TRUE(IsWindowVisible(border));
    RECT dialog{}, around{};
    GetWindowRect(a.Window, &dialog);
    GetWindowRect(border, &around);
    EXPECT_LE(around.left, dialog.left);
    EXPECT_LE(around.top, dialog.top);
    EXPECT_GE(around.right, dialog.right);
    EXPECT_GE(around.bottom, dialog.bottom);

    // The border window shows the dialog's picture: its title and its close glyph, opaque.
    const skintest::TLayeredCall* shown = nullptr;
    for (const skintest::TLayeredCall& c : recorder.calls)
      if (c.Window == border && c.Update && !c.Pixels.empty()) shown = &c;
    ASSERT_NE(shown, nullptr);
    const TskDialogTitleButton& close = a.Buttons[dbClose];
    ASSERT_FALSE(close.Rect.IsEmpty());
    const int cx = (close.Rect.Left + close.Rect.Right) / 2, cy = (close.Rect.Top + close.Rect.Bottom) / 2;
    EXPECT_EQ(shown->PixelAt(cx, cy), kCloseColors[0]);
    const Cardinal title = TitleColor(1);
    const Cardinal titleArgb = 0xFF000000u | ((title & 0xFF) << 16) | (title & 0xFF00) | ((title >> 16) & 0xFF);
    EXPECT_EQ(shown->PixelAt(close.Rect.Left - 3, cy), titleArgb);
    // Beside the frame the skin's shadow shows.
    const TRect shadow = a.GetShadowSize();
    ASSERT_GT(shadow.Left, 1);
    Cardinal strongest = 0;
    for (int x = 0; x < shadow.Left; ++x) strongest = std::max<Cardinal>(strongest, shown->PixelAt(x, shown->Size.Y / 2) >> 24);
    EXPECT_GT(strongest, 0u) << "the shadow beside the frame";

    // The dialog's own region is its client part only: the border window draws the frame.
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(a.Window, region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 1, 1));
    DeleteObject(region);
  });
  manager_->SetExtendedBorders(false);
}

// A title section with a glow for the active state shows it under the caption: pixels of the glow's
// colour around the text; without the glow there are none.
TEST_F(DialogAdapterTest, TheCaptionGlowsWhenTheTitleSectionHasAGlow) {
  const Integer title = manager_->GetSkinIndex("DIALOGTITLE");
  ASSERT_GE(title, 0);
  TsGenState& active = manager_->gd[static_cast<size_t>(title)].Props[1];
  // Green-led pixels: the title (0x804020) and the white text never lean to green.
  const auto greenish = [](COLORREF p) { return GetGValue(p) > GetRValue(p) + 60 && GetGValue(p) > GetBValue(p) + 60; };
  for (const Byte size : {Byte{0}, Byte{6}}) {
    SCOPED_TRACE(static_cast<int>(size));
    active.GlowSize = size;
    active.GlowColor = 0x00FF00;
    int green = 0;
    RunBox([&](TskDialogWnd& a) {
      const TRect icon = a.TitleIconRect();
      const TRect text{icon.Right, 0, a.Buttons[dbClose].Rect.Left, a.CaptionBottom()};
      const HDC dc = GetWindowDC(a.Window);
      SetLayout(dc, 0);
      for (int y = text.Top; y < text.Bottom; ++y)
        for (int x = text.Left; x < text.Right; ++x) green += greenish(GetPixel(dc, x, y)) ? 1 : 0;
      ReleaseDC(a.Window, dc);
      EXPECT_EQ(a.CaptionGlow[1] != nullptr, size != 0) << "the active state's glow mask is kept";
    });
    if (size == 0) EXPECT_EQ(green, 0);
    else EXPECT_GT(green, 20);
  }
  active.GlowSize = 0;
}

// Hidden after its hide animation, the dialog is a plain window again (not layered); without the
// animation it is left as it was.
TEST_F(DialogAdapterTest, AfterTheHideAnimationTheDialogIsNoLongerLayered) {
  if (!LayeredWindowsAvailable()) GTEST_SKIP() << "no layered windows here";
  skintest::TLayeredRecorder recorder;
  auto& hide = *manager_->AnimEffects().DialogHide;
  for (const bool animated : {false, true}) {
    SCOPED_TRACE(animated);
    hide.Active = animated;
    hide.Time = 24;
    const HWND dialog = MakeDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ASSERT_NE(dialog, nullptr);
    TskMainWnd* adapter = CreateDialogAdapter(dialog);
    ShowWindow(dialog, SW_SHOW);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SetWindowLongPtrW(dialog, GWL_EXSTYLE, GetWindowLongPtrW(dialog, GWL_EXSTYLE) | WS_EX_LAYERED);
    ShowWindow(dialog, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ((GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_LAYERED) != 0, !animated);
    DestroyWindow(dialog);
    FreeAdapter(adapter);
  }
  // The animation's window goes by its own timer.
  for (int i = 0; i < 20; ++i) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(15);
  }
  hide.Active = false;
}

// With a border window, a size change tells the children when the dialog's background follows the
// changed width or height (skin command 20, redraw), and only then.
TEST_F(DialogAdapterTest, WithABorderWindowChildrenHearOfASizeChangeTheirBackgroundFollows) {
  skintest::TLayeredRecorder recorder;
  manager_->SetExtendedBorders(true);
  if (!manager_->GetExtendedBorders()) GTEST_SKIP() << "no layered windows here";
  static int heard = 0;
  const struct {
    const char* name;
    SmallInt mode;
    int dx, dy;
    bool told;
  } cases[] = {{"follows the width, wider", bmWidth, 30, 0, true},
               {"follows the width, taller", bmWidth, 0, 30, false},
               {"follows the height, taller", bmHeight, 0, 30, true},
               {"follows neither", 0, 30, 30, false}};
  const HWND dialog = MakeDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
  ASSERT_NE(dialog, nullptr);
  const HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 4, 4, 40, 20, dialog, nullptr, nullptr, nullptr);
  static WNDPROC childProc = nullptr;
  childProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == SkinCommandMessage && SkinCommandOf(wp) == scUpdateChildren && LOWORD(wp) == 1) ++heard;
        return CallWindowProcW(childProc, w, m, wp, lp);
      })));
  TskMainWnd* adapter = CreateDialogAdapter(dialog);
  auto& a = static_cast<TskDialogWnd&>(*adapter);
  ASSERT_NE(a.BorderForm, nullptr);
  ShowWindow(dialog, SW_SHOW);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RECT r{};
    GetWindowRect(dialog, &r);
    a.SkinData->BackgroundMode = c.mode;
    heard = 0;
    SetWindowPos(dialog, nullptr, 0, 0, r.right - r.left + c.dx, r.bottom - r.top + c.dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(heard > 0, c.told);
  }
  DestroyWindow(dialog);
  FreeAdapter(adapter);
  manager_->SetExtendedBorders(false);
}

// With a border window, the corner images at the client's old bottom-right are painted again when the
// client shrinks (not when it grows).
TEST_F(DialogAdapterTest, WithABorderWindowAShrinkingClientPaintsItsOldCornerAgain) {
  skintest::TLayeredRecorder recorder;
  manager_->SetExtendedBorders(true);
  if (!manager_->GetExtendedBorders()) GTEST_SKIP() << "no layered windows here";
  const Integer corner = manager_->GetMaskIndexByNames("GLOBALINFO", "SICONCLOSE");
  ASSERT_GE(corner, 0);
  TsGeneralData& section = manager_->gd[static_cast<size_t>(manager_->GetSkinIndex("DIALOG"))];
  section.ImgTopRight = corner;
  const TsMaskData& mask = manager_->ma[static_cast<size_t>(corner)];
  const int w = MaskStateWidth(mask), h = MaskStateHeight(mask);
  ASSERT_GT(w, 4);
  ASSERT_GT(h, 4);
  const HWND dialog = MakeDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
  ASSERT_NE(dialog, nullptr);
  TskMainWnd* adapter = CreateDialogAdapter(dialog);
  ShowWindow(dialog, SW_SHOW);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const auto resize = [&](int d) {
    RECT r{};
    GetWindowRect(dialog, &r);
    SetWindowPos(dialog, nullptr, 0, 0, r.right - r.left + d, r.bottom - r.top + d, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  resize(10);  // the client's size is known from here on
  for (const int d : {-3, 3}) {
    SCOPED_TRACE(d);
    RECT old{};
    GetClientRect(dialog, &old);
    ValidateRect(dialog, nullptr);
    resize(d);
    const HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(dialog, update, FALSE);
    EXPECT_EQ(PtInRegion(update, old.right - w + 1, old.bottom - h + 1) != FALSE, d < 0);
    DeleteObject(update);
  }
  section.ImgTopRight = -1;
  DestroyWindow(dialog);
  FreeAdapter(adapter);
  manager_->SetExtendedBorders(false);
}

TEST_F(DialogAdapterTest, ASingleFrameWithOnlyTheSystemMenuShowsTheLoneCloseGlyph) {
  const struct {
    const char* name;
    DWORD boxes;
    bool alone;
  } cases[] = {{"system menu only", 0, true}, {"with a minimize box", WS_MINIMIZEBOX, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HWND dialog = MakeDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | c.boxes);
    ASSERT_NE(dialog, nullptr);
    TskMainWnd* adapter = CreateDialogAdapter(dialog);
    auto& a = static_cast<TskDialogWnd&>(*adapter);
    ShowWindow(dialog, SW_SHOW);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(a.BorderKind, dbSizeable);
    EXPECT_EQ(a.TitleSection, "FORMTITLE");
    EXPECT_TRUE(a.Buttons[dbClose].Large);
    const TRect& close = a.Buttons[dbClose].Rect;
    ASSERT_FALSE(close.IsEmpty());
    const Cardinal pixel = WindowPixel(dialog, (close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2);
    EXPECT_EQ(pixel == Ref(kCloseAloneColor), c.alone);
    EXPECT_EQ(a.Buttons[dbMin].Rect.IsEmpty(), c.boxes == 0) << "the minimize button follows its box";
    DestroyWindow(dialog);
    FreeAdapter(adapter);
  }
}

}  // namespace
