// The skinned message box's frame as the mouse uses it: title-button presses and releases, double
// clicks, the skinned system menu and moving with blending. Clicks are sent as the system sends them:
// the hit test first, then the button messages with its code.
#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "DialogBoxFixture.h"
#include "vcl/gui/GuiTestSupport.h"
#include "skin/adapters/skDialogWnd.h"
#include "skin/forms/sBorderForm.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Menus.h"

namespace {

using skintest::ScreenPoint;

// A message box with OK and Cancel: Cancel is the system close's answer, OK the fixture's own ending.
constexpr UINT kOkCancel = MB_OKCANCEL | MB_ICONQUESTION;

class DialogMouseTest : public skintest::DialogAdapterTest {};

// Window points of the title: the buttons' centres, the caption, the icon.
struct TTitlePoints {
  TPoint Close, Max, Min, Caption, Icon;
};

TPoint Centre(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

TTitlePoints TitlePoints(const TskDialogWnd& a) {
  TTitlePoints p;
  p.Close = Centre(a.Buttons[dbClose].Rect);
  p.Max = Centre(a.Buttons[dbMax].Rect);
  p.Min = Centre(a.Buttons[dbMin].Rect);
  const TRect icon = a.TitleIconRect();
  p.Icon = Centre(icon);
  p.Caption = TPoint{(icon.Right + a.Buttons[dbMin].Rect.Left) / 2, p.Close.Y};
  if (a.Buttons[dbMin].Rect.IsEmpty()) p.Caption.X = (icon.Right + a.Buttons[dbClose].Rect.Left) / 2;
  return p;
}

// Sends the non-client message at the window point with the code the window's hit test answers there.
LRESULT SendAt(HWND box, UINT msg, TPoint p) {
  const LPARAM at = ScreenPoint(box, p.X, p.Y);
  const LRESULT code = SendMessageW(box, WM_NCHITTEST, 0, at);
  return SendMessageW(box, msg, static_cast<WPARAM>(code), at);
}

TEST_F(DialogMouseTest, ATitleButtonActsOnlyWhenPressedAndReleasedOnItself) {
  enum TAction { acPair, acDoubleClick };
  enum TOutcome { ocNothing, ocClosed, ocMinimized, ocZoomed };
  // The box gets a minimize box; the maximize rows a sizing frame and a maximize box as well.
  constexpr DWORD kMax = WS_MAXIMIZEBOX | WS_THICKFRAME;
  const struct {
    const char* name;
    TAction action;
    TPoint TTitlePoints::*down;
    TPoint TTitlePoints::*up;
    DWORD boxes;
    TOutcome outcome;
  } cases[] = {
      {"close, released on close", acPair, &TTitlePoints::Close, &TTitlePoints::Close, 0, ocClosed},
      {"close, released on the caption", acPair, &TTitlePoints::Close, &TTitlePoints::Caption, 0, ocNothing},
      {"minimize, released on the caption", acPair, &TTitlePoints::Min, &TTitlePoints::Caption, 0, ocNothing},
      {"minimize, released on minimize", acPair, &TTitlePoints::Min, &TTitlePoints::Min, 0, ocMinimized},
      {"maximize, released on maximize", acPair, &TTitlePoints::Max, &TTitlePoints::Max, kMax, ocZoomed},
      {"caption double-click without a maximize box", acDoubleClick, nullptr, &TTitlePoints::Caption, 0, ocNothing},
      {"caption double-click with a maximize box", acDoubleClick, nullptr, &TTitlePoints::Caption, kMax, ocZoomed},
      {"icon double-click", acDoubleClick, nullptr, &TTitlePoints::Icon, 0, ocClosed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TOutcome outcome = ocNothing;
    const int answer = RunBox(
        [&](TskDialogWnd& a) {
          const HWND box = a.Window;
          const TTitlePoints p = TitlePoints(a);
          ASSERT_FALSE(a.Buttons[dbMin].Rect.IsEmpty());
          if (c.action == acPair) {
            SendAt(box, WM_NCLBUTTONDOWN, p.*c.down);
            const Integer pressed = SendMessageW(box, WM_NCHITTEST, 0, ScreenPoint(box, (p.*c.down).X, (p.*c.down).Y));
            ASSERT_NE(a.ButtonOfCode(pressed), nullptr);
            EXPECT_EQ(a.ButtonOfCode(pressed)->State, 2) << "pressed";
            EXPECT_TRUE(DialogPressedMark);
            SendAt(box, WM_NCLBUTTONUP, p.*c.up);
          } else {
            SendAt(box, WM_NCLBUTTONDBLCLK, p.*c.up);
          }
          if (IsIconic(box)) outcome = ocMinimized;
          else if (IsZoomed(box)) outcome = ocZoomed;
          if (outcome != ocNothing) ShowWindow(box, SW_RESTORE);
          if (IsWindowVisible(box)) {
            EXPECT_FALSE(DialogPressedMark) << "the press is over";
            for (const TskDialogTitleButton& b : a.Buttons) EXPECT_NE(b.State, 2);
          }
        },
        [&](HWND box) {
          SetWindowLongPtrW(box, GWL_STYLE, GetWindowLongPtrW(box, GWL_STYLE) | WS_MINIMIZEBOX | c.boxes);
          SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        },
        kOkCancel);
    if (answer == IDCANCEL) outcome = ocClosed;
    EXPECT_EQ(outcome, c.outcome);
  }
}

// As a user closes it: the cursor comes over the close button (hot), presses and releases there.
TEST_F(DialogMouseTest, AMessageBoxClosedByItsHotCloseButtonReturnsItsAnswer) {
  int hotState = -1;
  const int answer = RunBox(
      [&](TskDialogWnd& a) {
        const HWND box = a.Window;
        const TPoint close = TitlePoints(a).Close;
        const LPARAM at = ScreenPoint(box, close.X, close.Y);
        SetCursorPos(GET_X_LPARAM(at), GET_Y_LPARAM(at));
        const auto code = static_cast<WPARAM>(SendMessageW(box, WM_NCHITTEST, 0, at));
        hotState = a.Buttons[dbClose].State;
        SendMessageW(box, WM_NCLBUTTONDOWN, code, at);
        SendMessageW(box, WM_NCLBUTTONUP, code, at);
      },
      {}, kOkCancel);
  SetCursorPos(5, 5);
  EXPECT_EQ(hotState, 1) << "hot under the cursor";
  EXPECT_EQ(answer, IDCANCEL);
}

// A button-up in the client carries key flags in wParam (MK_SHIFT | MK_MBUTTON is 20, the close
// button's code): the point decides, not the flags.
TEST_F(DialogMouseTest, AButtonUpInTheClientIsHitTestedByItsPoint) {
  const struct {
    const char* name;
    bool overClose;
    bool closes;
  } cases[] = {{"away from the buttons", false, false}, {"over the close button", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int answer = RunBox(
        [&](TskDialogWnd& a) {
          const HWND box = a.Window;
          const TTitlePoints p = TitlePoints(a);
          SendAt(box, WM_NCLBUTTONDOWN, p.Close);
          ASSERT_TRUE(DialogPressedMark);
          POINT at{5, 5};
          if (c.overClose) {
            const LPARAM screen = ScreenPoint(box, p.Close.X, p.Close.Y);
            at = POINT{GET_X_LPARAM(screen), GET_Y_LPARAM(screen)};
            ScreenToClient(box, &at);
          }
          SendMessageW(box, WM_LBUTTONUP, MK_SHIFT | MK_MBUTTON, MAKELPARAM(at.x, at.y));
          if (!c.closes) {
            EXPECT_TRUE(IsWindowVisible(box));
            EXPECT_EQ(a.Buttons[dbClose].State, 0) << "the press ended without acting";
          }
        },
        {}, kOkCancel);
    EXPECT_EQ(answer, c.closes ? IDCANCEL : IDOK);
  }
}

// The CBT hook of the system-menu test: sees the popup menu window made and picks Close from it.
struct TMenuWatch {
  HHOOK Hook = nullptr;
  HWND MenuWindow = nullptr;
  std::vector<std::wstring> Items;
  std::vector<bool> OwnerDrawn;
  HMENU Menu = nullptr;
};
TMenuWatch* Watch = nullptr;

void CALLBACK PickLastItem(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  TMenuWatch& w = *Watch;
  const int count = GetMenuItemCount(w.Menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[64]{};
    GetMenuStringW(w.Menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(w.Menu, static_cast<UINT>(i), TRUE, &info);
    w.Items.emplace_back(text);
    w.OwnerDrawn.push_back((info.fType & MFT_OWNERDRAW) != 0);
  }
  // Up from no selection takes the last item (Close); Enter chooses it.
  PostMessageW(w.MenuWindow, WM_KEYDOWN, VK_UP, 0);
  PostMessageW(w.MenuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

LRESULT CALLBACK MenuHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && Watch->MenuWindow == nullptr) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    if (create->lpcs->lpszClass == MAKEINTATOM(32768)) {
      Watch->MenuWindow = reinterpret_cast<HWND>(wParam);
      SetTimer(nullptr, 0, 50, PickLastItem);
    }
  }
  return CallNextHookEx(Watch->Hook, code, wParam, lParam);
}

TEST_F(DialogMouseTest, ARightClickOnTheCaptionShowsTheSkinnedSystemMenuWhoseCloseClosesTheBox) {
  manager_->SetSkinnedPopups(true);
  TMenuWatch watch;
  Watch = &watch;
  bool closeChosen = false;
  const int answer = RunBox(
      [&](TskDialogWnd& a) {
        const HWND box = a.Window;
        watch.Menu = a.SystemMenu->Handle();
        const TNotifyEvent close = a.SystemMenu->miClose->OnClick;
        a.SystemMenu->miClose->OnClick = [&, close](TObject* sender) {
          closeChosen = true;
          close(sender);
        };
        watch.Hook = SetWindowsHookExW(WH_CBT, MenuHook, nullptr, GetCurrentThreadId());
        // The press is swallowed (no system menu of the window's own), the release shows the skinned one.
        EXPECT_EQ(SendAt(box, WM_NCRBUTTONDOWN, TitlePoints(a).Caption), 0);
        EXPECT_EQ(watch.MenuWindow, nullptr);
        SendAt(box, WM_NCRBUTTONUP, TitlePoints(a).Caption);
        UnhookWindowsHookEx(watch.Hook);
        // The chosen item's command and the box's answer to the close arrive as posted messages.
        guitest::PumpFor(200);
        // A message box has a modal frame and the system menu: Move and Close, nothing else.
        const TskSystemMenu& menu = *a.SystemMenu;
        EXPECT_FALSE(menu.miRestore->Visible());
        EXPECT_TRUE(menu.miMove->Visible());
        EXPECT_TRUE(menu.miMove->Enabled());
        EXPECT_FALSE(menu.miSize->Visible());
        EXPECT_FALSE(menu.miMinimize->Visible());
        EXPECT_FALSE(menu.miMaximize->Visible());
        EXPECT_TRUE(menu.miClose->Visible());
      },
      {}, kOkCancel);
  Watch = nullptr;
  EXPECT_NE(watch.MenuWindow, nullptr) << "a popup menu window was made";
  ASSERT_EQ(watch.Items.size(), 3u);
  EXPECT_EQ(watch.Items.front(), L"Move");
  EXPECT_EQ(watch.Items.back().substr(0, 5), L"Close");
  EXPECT_TRUE(std::all_of(watch.OwnerDrawn.begin(), watch.OwnerDrawn.end(), [](bool b) { return b; })) << "skinned items";
  EXPECT_TRUE(closeChosen);
  EXPECT_EQ(answer, IDCANCEL) << "Close closed the box";
}

// What a probe saw inside the move loop.
struct TMoveProbe {
  TskDialogWnd* Adapter = nullptr;
  bool Probed = false, Layered = false, Blending = false, TimerAlive = false;
};
TMoveProbe* Probe = nullptr;

void CALLBACK ProbeMove(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  TMoveProbe& p = *Probe;
  const HWND box = p.Adapter->Window;
  p.Probed = true;
  p.Layered = (GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  p.Blending = (p.Adapter->MoveState & fsBlendMoving) != 0;
  p.TimerAlive = p.Adapter->MoveTimer != nullptr;
  // The mouse button comes up: the move loop ends.
  PostMessageW(box, WM_LBUTTONUP, 0, 0);
}

TEST_F(DialogMouseTest, ACaptionDragWithBlendOnMovingFadesTheDialogAndEndsOpaque) {
  const auto& blend = manager_->AnimEffects().BlendOnMoving;
  blend->Active = true;
  // 105 falls by (255 - 105) / 30 = 5 a tick; 240 by one, though (255 - 240) / 30 is 0.
  const struct {
    bool extended;
    Byte value;
  } cases[] = {{false, 105}, {true, 105}, {false, 240}};
  for (const auto& [extended, value] : cases) {
    SCOPED_TRACE(testing::Message() << (extended ? "with the border window, " : "without a border window, ") << int{value});
    blend->BlendValue = value;
    manager_->SetExtendedBorders(extended);
    TMoveProbe probe;
    Probe = &probe;
    std::vector<int> alphas;
    HWND fading = nullptr;
    const int answer = RunBox(
        [&](TskDialogWnd& a) {
          const HWND box = a.Window;
          ASSERT_EQ(a.BorderForm != nullptr, extended);
          fading = extended ? a.BorderForm->BorderHandle() : box;
          probe.Adapter = &a;
          skintest::TLayeredRecorder recorder;
          SetTimer(nullptr, 0, 150, ProbeMove);
          // With a border window the title lies on it, and it passes the press on.
          const TPoint caption = TitlePoints(a).Caption;
          if (extended) SendMessageW(fading, WM_NCLBUTTONDOWN, HTCAPTION, ScreenPoint(fading, caption.X, caption.Y));
          else SendAt(box, WM_NCLBUTTONDOWN, caption);
          for (const auto& call : recorder.calls)
            if (call.Window == fading) alphas.push_back(call.Alpha);
          if (extended) {
            EXPECT_TRUE(std::any_of(recorder.calls.begin(), recorder.calls.end(),
                                    [&](const auto& call) { return call.Window == box && call.Alpha == 0; }))
                << "the dialog itself is clear while the border window shows it";
          }
          EXPECT_EQ(GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_LAYERED, 0) << "not layered after the move";
          EXPECT_EQ(a.MoveTimer, nullptr) << "the timer is freed";
          EXPECT_EQ(a.MoveState & fsBlendMoving, 0u);
        },
        {}, kOkCancel);
    Probe = nullptr;
    EXPECT_EQ(answer, IDOK);
    ASSERT_TRUE(probe.Probed);
    EXPECT_TRUE(probe.Layered) << "layered during the drag";
    EXPECT_TRUE(probe.Blending);
    EXPECT_TRUE(probe.TimerAlive);
    // Opaque at first, then falling a step a tick, never below the blend value (the end shows it
    // opaque again).
    ASSERT_GE(alphas.size(), 3u);
    EXPECT_EQ(alphas.front(), 255);
    const auto lowest = std::min_element(alphas.begin(), alphas.end());
    EXPECT_TRUE(std::is_sorted(std::make_reverse_iterator(lowest + 1), alphas.rend())) << "falling";
    EXPECT_GE(*lowest, value);
    EXPECT_LT(*lowest, 255);
  }
  manager_->SetExtendedBorders(false);
  blend->Active = false;
}

// A blend value of 255 would not fade: the caption press is the system's own move.
TEST_F(DialogMouseTest, WithBlendValue255ACaptionDragIsNotBlended) {
  const auto& blend = manager_->AnimEffects().BlendOnMoving;
  blend->Active = true;
  blend->BlendValue = 255;
  TMoveProbe probe;
  Probe = &probe;
  RunBox([&](TskDialogWnd& a) {
    probe.Adapter = &a;
    SetTimer(nullptr, 0, 100, ProbeMove);
    SendAt(a.Window, WM_NCLBUTTONDOWN, TitlePoints(a).Caption);
    guitest::PumpFor(150);  // the move loop may return at once when the button is not down
  });
  Probe = nullptr;
  blend->Active = false;
  ASSERT_TRUE(probe.Probed);
  EXPECT_FALSE(probe.Layered);
  EXPECT_FALSE(probe.Blending);
  EXPECT_FALSE(probe.TimerAlive);
}

// A dialog that destroys itself on WM_CLOSE goes inside the close button's release, and a hook frees
// its adapter on the way (as the dialog hook does): the adapter outlives its own call and goes after it.
HWND ClosingDialog = nullptr;
TskMainWnd* ClosingAdapter = nullptr;
HHOOK DestroyHook = nullptr;
bool FreedWhileRunning = false;

LRESULT CALLBACK FreeOnDestroy(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_DESTROYWND && reinterpret_cast<HWND>(wParam) == ClosingDialog && ClosingAdapter != nullptr) {
    FreedWhileRunning = ClosingAdapter->Running();
    FreeAdapter(ClosingAdapter);
  }
  return CallNextHookEx(DestroyHook, code, wParam, lParam);
}

TEST_F(DialogMouseTest, ADialogDestroyedByItsCloseButtonLosesItsAdapterOnlyAfterTheClick) {
  ClosingDialog = skintest::MakeDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU, [](HWND dialog, UINT msg, WPARAM, LPARAM) -> INT_PTR {
    if (msg != WM_CLOSE) return FALSE;
    DestroyWindow(dialog);
    return TRUE;
  });
  ASSERT_NE(ClosingDialog, nullptr);
  ClosingAdapter = CreateDialogAdapter(ClosingDialog);
  auto& a = static_cast<TskDialogWnd&>(*ClosingAdapter);
  ShowWindow(ClosingDialog, SW_SHOW);
  RedrawWindow(ClosingDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const TPoint close = TitlePoints(a).Close;
  DestroyHook = SetWindowsHookExW(WH_CBT, FreeOnDestroy, nullptr, GetCurrentThreadId());
  SendAt(ClosingDialog, WM_NCLBUTTONDOWN, close);
  SendAt(ClosingDialog, WM_NCLBUTTONUP, close);
  UnhookWindowsHookEx(DestroyHook);
  EXPECT_FALSE(IsWindow(ClosingDialog));
  EXPECT_TRUE(FreedWhileRunning) << "the free came inside the adapter's own call";
  EXPECT_EQ(ClosingAdapter, nullptr);
  EXPECT_FALSE(DialogPressedMark);
  TskMainWnd* left = ClosingAdapter;
  FreeAdapter(left);
  ClosingDialog = nullptr;
}

}  // namespace
