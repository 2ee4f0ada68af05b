// The skinned form's mouse under Wine with the built-in skin, its points taken from the title layout:
// title-button presses and releases and the system commands they send, double-clicks on the icon and
// the caption, the right click on the caption, the icon's wait on a form that frees itself, the menu
// loop messages, the system commands' own steps, outline sizing, and the fading of a hot button.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/forms/sSystemAnimation.h"
#include "skin/forms/sTitleButtonAnim.h"
#include "skin/forms/sVclUtils.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GuiTestSupport.h"

using namespace skintest;

namespace {

// The form's procedure before the provider: counts the messages it sees and records system commands.
class TSavedProc {
 public:
  explicit TSavedProc(TForm* form) : form_(form) {}
  void WndProc(TMessage& message) {
    ++counts[message.Msg];
    if (message.Msg == WM_SYSCOMMAND) {
      commands.push_back(message.WParam & 0xFFF0);
      if (probe) probed.push_back(probe());
      if (keepCommands) return;
    }
    form_->WndProc(message);
  }
  TWndMethod Method() { return TWndMethod(this, &TSavedProc::WndProc); }
  int Count(UINT msg) const {
    const auto it = counts.find(msg);
    return it == counts.end() ? 0 : it->second;
  }

  std::map<UINT, int> counts;
  std::vector<WPARAM> commands;
  std::function<int()> probe;  // asked at each system command
  std::vector<int> probed;
  bool keepCommands = false;

 private:
  TForm* form_;
};

// Popup menus made while a test runs (a CBT hook sees each window made); a timer ends every menu.
std::vector<std::string>* gCreated = nullptr;
LRESULT CALLBACK CreatedHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && gCreated != nullptr) {
    char name[64] = {};
    GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof(name));
    gCreated->emplace_back(name);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
class TMenuWatch {
 public:
  TMenuWatch() {
    gCreated = &created;
    hook_ = SetWindowsHookExW(WH_CBT, CreatedHook, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, 80, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  }
  ~TMenuWatch() {
    KillTimer(nullptr, timer_);
    UnhookWindowsHookEx(hook_);
    gCreated = nullptr;
  }
  int Menus() const { return static_cast<int>(std::count(created.begin(), created.end(), "#32768")); }
  std::vector<std::string> created;

 private:
  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
};

class MouseTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    if (HasFatalFailure()) return;
    manager_->AnimEffects().FormShow->Time = 0;
    manager_->AnimEffects().FormHide->Time = 0;
  }
  void TearDown() override {
    TsSkinProvider::TitleButtonPressed = false;
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  void MakeForm(bool extendedBorders = false) {
    manager_->SetExtendedBorders(extendedBorders);
    form_ = New<TForm>(nullptr);
    form_->SetBounds(200, 150, 320, 220);
    form_->SetCaption("Quillnote diary");
    saved_ = std::make_unique<TSavedProc>(form_);
    form_->SetWindowProc(saved_->Method());
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    form_->Show();
    guitest::Pump();
    provider_->SkinSysMenu->UpdateItems(false);
    provider_->UpdateTitleLayout();
  }
  HWND Window() const { return form_->Handle(); }
  // The screen point of a title button's centre (its rectangle is in the picture's coordinates: the
  // border window's when there is one).
  POINT ButtonPoint(const TskSysButtonData& button) const {
    RECT r{};
    const HWND picture = provider_->BorderForm ? provider_->BorderForm->BorderHandle() : Window();
    GetWindowRect(picture, &r);
    return POINT{r.left + (button.Rect.Left + button.Rect.Right) / 2, r.top + (button.Rect.Top + button.Rect.Bottom) / 2};
  }
  POINT CaptionPoint() const {
    RECT r{};
    GetWindowRect(Window(), &r);
    return POINT{r.left + (r.right - r.left) / 3, r.top + provider_->SysBorderWidth() + provider_->SysCaptionHeight() / 2};
  }
  POINT IconPoint() const {
    RECT r{};
    GetWindowRect(Window(), &r);
    return POINT{r.left + provider_->CaptionIconRect.Left + 3, r.top + provider_->CaptionIconRect.Top + 3};
  }
  static LPARAM At(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }
  // The code the form answers for a point, and a mouse message there with that code.
  Integer HitCode(POINT p) { return static_cast<Integer>(SendMessageW(Window(), WM_NCHITTEST, 0, At(p))); }
  LRESULT Mouse(UINT msg, POINT p) { return SendMessageW(Window(), msg, static_cast<WPARAM>(HitCode(p)), At(p)); }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TSavedProc> saved_;
};

// A press and a release at points of the layout: the system commands that reach the form.
TEST_F(MouseTest, TitleButtonsActOnlyWhenPressedAndReleasedOnThemselves) {
  MakeForm();
  ASSERT_EQ(HitCode(ButtonPoint(provider_->SysButtons[sbClose])), HTCLOSE);
  ASSERT_EQ(HitCode(ButtonPoint(provider_->SysButtons[sbMax])), HTMAXBUTTON);
  ASSERT_EQ(HitCode(ButtonPoint(provider_->SysButtons[sbMin])), HTMINBUTTON);
  saved_->keepCommands = true;
  struct Case {
    const char* name;
    TskSysButton press;
    std::function<POINT()> release;
    std::vector<WPARAM> commands;
  };
  const Case cases[] = {
      {"close, released on the caption", sbClose, [&] { return CaptionPoint(); }, {}},
      {"close, released on minimise", sbClose, [&] { return ButtonPoint(provider_->SysButtons[sbMin]); }, {}},
      {"minimise", sbMin, [&] { return ButtonPoint(provider_->SysButtons[sbMin]); }, {SC_MINIMIZE}},
      {"maximise", sbMax, [&] { return ButtonPoint(provider_->SysButtons[sbMax]); }, {SC_MAXIMIZE}},
      {"close", sbClose, [&] { return ButtonPoint(provider_->SysButtons[sbClose]); }, {SC_CLOSE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    saved_->commands.clear();
    Mouse(WM_NCLBUTTONDOWN, ButtonPoint(provider_->SysButtons[c.press]));
    EXPECT_EQ(provider_->SysButtons[c.press].State, 2);
    EXPECT_TRUE(TsSkinProvider::TitleButtonPressed);
    Mouse(WM_NCLBUTTONUP, c.release());
    EXPECT_EQ(saved_->commands, c.commands);
    EXPECT_FALSE(TsSkinProvider::TitleButtonPressed);
    EXPECT_NE(provider_->SysButtons[c.press].State, 2) << "the press ends with the release";
  }
  EXPECT_EQ(saved_->Count(WM_NCLBUTTONDOWN), 0) << "button presses stay with the provider";

  // Carried out: maximise, then the same button restores.
  saved_->keepCommands = false;
  saved_->commands.clear();
  for (int i = 0; i < 2; ++i) {
    const POINT p = ButtonPoint(provider_->SysButtons[sbMax]);
    Mouse(WM_NCLBUTTONDOWN, p);
    Mouse(WM_NCLBUTTONUP, p);
    guitest::Pump();
    EXPECT_EQ(IsZoomed(Window()) != FALSE, i == 0);
    provider_->UpdateTitleLayout();
  }
  EXPECT_EQ(saved_->commands, (std::vector<WPARAM>{SC_MAXIMIZE, SC_RESTORE}));
}

// With a border window its title takes the mouse: it passes a press with the button's code and a
// release with -1, which the provider answers with the border window's own hit test.
TEST_F(MouseTest, TitleButtonsOfABorderWindowActOnPressAndReleaseThere) {
  MakeForm(true);
  const HWND border = provider_->BorderForm ? provider_->BorderForm->BorderHandle() : nullptr;
  if (border == nullptr) GTEST_SKIP() << "no border window here";
  saved_->keepCommands = true;
  const POINT close = ButtonPoint(provider_->SysButtons[sbClose]);
  RECT r{};
  GetWindowRect(border, &r);
  const POINT title{r.left + (r.right - r.left) / 3, close.y};
  struct Case {
    const char* name;
    POINT release;
    std::vector<WPARAM> commands;
  };
  for (const Case& c : {Case{"released on the title", title, {}}, Case{"released on close", close, {SC_CLOSE}}}) {
    SCOPED_TRACE(c.name);
    saved_->commands.clear();
    SendMessageW(border, WM_NCLBUTTONDOWN, 19, At(close));
    EXPECT_EQ(provider_->SysButtons[sbClose].State, 2);
    SendMessageW(border, WM_NCLBUTTONUP, 19, At(c.release));
    EXPECT_EQ(saved_->commands, c.commands);
    EXPECT_FALSE(TsSkinProvider::TitleButtonPressed);
  }
}

// A press on a border window's sizing edge comes with -1 as well: the saved procedure gets the edge's
// own code, so the system starts sizing there (its size command is kept here, not carried out).
TEST_F(MouseTest, APressOnABorderWindowsSizingEdgeStartsTheSystemsSizing) {
  MakeForm(true);
  const HWND border = provider_->BorderForm ? provider_->BorderForm->BorderHandle() : nullptr;
  if (border == nullptr) GTEST_SKIP() << "no border window here";
  RECT r{};
  GetWindowRect(Window(), &r);
  const POINT edge{r.right - 1, (r.top + r.bottom) / 2};
  TMessage probe{WM_NCLBUTTONDOWN, static_cast<WPARAM>(-1), At(edge), 0};
  ASSERT_EQ(provider_->BorderForm->HitTest(probe), HTRIGHT);
  saved_->keepCommands = true;
  SendMessageW(border, WM_NCLBUTTONDOWN, 19, At(edge));
  EXPECT_EQ(saved_->Count(WM_NCLBUTTONDOWN), 1);
  EXPECT_EQ(saved_->commands, (std::vector<WPARAM>{SC_SIZE}));
}

TEST_F(MouseTest, DoubleClicksOnTheCaptionMaximiseAndOnTheIconClose) {
  MakeForm();
  ASSERT_EQ(HitCode(CaptionPoint()), HTCAPTION);
  ASSERT_EQ(HitCode(IconPoint()), HTSYSMENU);
  Mouse(WM_NCLBUTTONDBLCLK, CaptionPoint());
  guitest::Pump();
  EXPECT_NE(IsZoomed(Window()), FALSE);
  Mouse(WM_NCLBUTTONDBLCLK, CaptionPoint());
  guitest::Pump();
  EXPECT_EQ(IsZoomed(Window()), FALSE);
  EXPECT_EQ(saved_->commands, (std::vector<WPARAM>{SC_MAXIMIZE, SC_RESTORE}));
  EXPECT_EQ(saved_->Count(WM_NCLBUTTONDBLCLK), 0);

  // The system's own caption double-click command keeps its low bits: it still counts as maximising
  // (the hot maximise button goes back to normal).
  provider_->UpdateTitleLayout();
  provider_->SetHotButton(HTMAXBUTTON, false);
  ASSERT_EQ(provider_->SysButtons[sbMax].State, 1);
  SendMessageW(Window(), WM_SYSCOMMAND, SC_MAXIMIZE | 2, 0);
  guitest::Pump();
  EXPECT_NE(IsZoomed(Window()), FALSE);
  EXPECT_EQ(provider_->SysButtons[sbMax].State, 0);
  EXPECT_EQ(provider_->HotHitTest, -1);

  Mouse(WM_NCLBUTTONDBLCLK, IconPoint());
  guitest::Pump();
  EXPECT_EQ(IsWindowVisible(Window()), FALSE) << "the form closed (hidden)";
}

TEST_F(MouseTest, RightClickOnTheCaptionPopsTheSkinnedSystemMenuOnRelease) {
  MakeForm();
  manager_->SetSkinnedPopups(true);
  TMenuWatch watch;
  EXPECT_EQ(Mouse(WM_NCRBUTTONDOWN, CaptionPoint()), 0);
  EXPECT_EQ(saved_->Count(WM_NCRBUTTONDOWN), 0) << "the press is swallowed";
  EXPECT_EQ(watch.Menus(), 0) << "no menu on the press";
  Mouse(WM_NCRBUTTONUP, CaptionPoint());
  EXPECT_EQ(watch.Menus(), 1);
  EXPECT_EQ(saved_->Count(WM_NCRBUTTONUP), 0);
  // The skin's menu engine drew it: the provider's system menu items carry its handlers.
  TMenuItem* items = provider_->SkinSysMenu->Items();
  ASSERT_GT(items->Count(), 0);
  EXPECT_TRUE(static_cast<bool>(items->Items(0)->OnMeasureItem));

  // Elsewhere (the client) both go to the form.
  RECT r{};
  GetWindowRect(Window(), &r);
  const POINT client{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  SendMessageW(Window(), WM_NCRBUTTONDOWN, HTCLIENT, At(client));
  SendMessageW(Window(), WM_NCRBUTTONUP, HTCLIENT, At(client));
  EXPECT_EQ(saved_->Count(WM_NCRBUTTONDOWN), 1);
  EXPECT_EQ(watch.Menus(), 1);
}

// Without the skinned popups the icon's press waits for a double-click; the double-click closes a
// form that frees itself, and the press's handler must not go on with the freed provider.
TEST_F(MouseTest, TheIconsWaitEndsQuietlyWhenTheFormIsFreedMeanwhile) {
  MakeForm();
  manager_->SetSkinnedPopups(false);
  form_->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  TskFreeWatch* freed = New<TskFreeWatch>(provider_);
  const POINT icon = IconPoint();
  const Integer code = HitCode(icon);
  ASSERT_EQ(code, HTSYSMENU);
  TMenuWatch menus;
  PostMessageW(Window(), WM_NCLBUTTONDBLCLK, HTSYSMENU, At(icon));
  SendMessageW(Window(), WM_NCLBUTTONDOWN, HTSYSMENU, At(icon));
  EXPECT_TRUE(freed->Gone()) << "the double-click within the wait freed the form";
  EXPECT_EQ(menus.Menus(), 0) << "no system menu for a freed form";
  form_ = nullptr;  // freed by its close
  delete freed;

  // A form that stays gets its menu after the wait.
  MakeForm();
  manager_->SetSkinnedPopups(false);
  TMenuWatch again;
  const DWORD start = GetTickCount();
  Mouse(WM_NCLBUTTONDOWN, IconPoint());
  EXPECT_GE(GetTickCount() - start, 150u) << "it waited for a double-click";
  EXPECT_GE(again.Menus(), 1);
}

TEST_F(MouseTest, MenuLoopMessagesAndTheirAnswers) {
  MakeForm();
  struct Case {
    const char* name;
    UINT msg;
    int savedCalls;
    LRESULT result;
  };
  const Case cases[] = {
      {"WM_INITMENUPOPUP", WM_INITMENUPOPUP, 0, 0},
      {"WM_ENTERIDLE", WM_ENTERIDLE, 0, 0},
      {"WM_ENTERMENULOOP", WM_ENTERMENULOOP, 1, 0},
      {"WM_EXITMENULOOP", WM_EXITMENULOOP, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SendMessageW(Window(), c.msg, 0, 0), c.result);
    EXPECT_EQ(saved_->Count(c.msg), c.savedCalls);
  }
  // Leaving clears the hot button and the press; the form still hears it. A child control that the
  // mouse left (its leave passed up to the form) leaves the title alone.
  struct Leave {
    const char* name;
    UINT msg;
    LPARAM lParam;
    bool clears;
  };
  TForm* child = New<TForm>(form_);
  const Leave leaves[] = {
      {"WM_MOUSELEAVE", WM_MOUSELEAVE, 0, true},
      {"the form's own CM_MOUSELEAVE", CM_MOUSELEAVE, 0, true},
      {"a child's CM_MOUSELEAVE", CM_MOUSELEAVE, reinterpret_cast<LPARAM>(child), false},
  };
  for (const Leave& l : leaves) {
    SCOPED_TRACE(l.name);
    provider_->SetHotButton(HTCLOSE, true);
    const int before = saved_->Count(l.msg);
    SendMessageW(Window(), l.msg, 0, l.lParam);
    EXPECT_EQ(provider_->HotHitTest, l.clears ? -1 : HTCLOSE);
    EXPECT_EQ(saved_->Count(l.msg), before + 1);
  }
  provider_->SetHotButton(0, true);
  provider_->SetPressedButton(HTMINBUTTON);
  SendMessageW(Window(), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(TsSkinProvider::TitleButtonPressed);
}

// A secondary form minimised with the skin's minimise animation: the system's own animation is off
// while the form handles the command and on again afterwards (the setting kept here: Wine does not
// store it).
TEST_F(MouseTest, MinimisingSwitchesTheSystemAnimationOffMeanwhile) {
  const TskMinAnimateAccess system = MinAnimateAccess;
  int setting = 1;
  std::vector<int> writes;
  MinAnimateAccess.Get = [&](int& value) {
    value = setting;
    return true;
  };
  MinAnimateAccess.Set = [&](int value) {
    setting = value;
    writes.push_back(value);
  };
  MakeForm();
  ASSERT_TRUE(manager_->AnimEffects().Minimizing->Active);
  saved_->probe = [&] { return setting; };
  SendMessageW(Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  guitest::Pump();
  EXPECT_NE(IsIconic(Window()), FALSE);
  EXPECT_EQ(saved_->probed, std::vector<int>{0}) << "off while the form minimises";
  EXPECT_EQ(setting, 1) << "restored afterwards";
  // Restoring from the animated minimise switches it off for the form's handling as well.
  writes.clear();
  SendMessageW(Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
  guitest::Pump();
  EXPECT_EQ(IsIconic(Window()), FALSE);
  ASSERT_TRUE(guitest::PumpUntil([&] { return (provider_->AnimState & 0x400) == 0; }));
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.front(), 0);
  EXPECT_EQ(setting, 1) << "restored afterwards";
  MinAnimateAccess = system;
}

// ResizeMode rmBorder: a press on the left border, a move and the release size the left edge.
TEST_F(MouseTest, OutlineSizingFromTheLeftBorderMovesTheLeftEdge) {
  BOOL fullDrag = FALSE;
  SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &fullDrag, 0);
  SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
  BOOL nowOn = FALSE;
  SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &nowOn, 0);
  MakeForm();
  provider_->ResizeMode = rmBorder;
  RECT r{};
  GetWindowRect(Window(), &r);
  const POINT edge{r.left + 1, (r.top + r.bottom) / 2};
  ASSERT_EQ(HitCode(edge), HTLEFT);
  if (nowOn == FALSE) GTEST_SKIP() << "full-window dragging cannot be switched on here";
  Mouse(WM_NCLBUTTONDOWN, edge);
  EXPECT_TRUE(TsSkinProvider::BorderResizing());
  EXPECT_EQ(GetCapture(), Window());
  POINT to{edge.x - 40, edge.y + 15};
  POINT client = to;
  ScreenToClient(Window(), &client);
  SendMessageW(Window(), WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y)));
  SendMessageW(Window(), WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y)));
  guitest::Pump();
  RECT after{};
  GetWindowRect(Window(), &after);
  EXPECT_FALSE(TsSkinProvider::BorderResizing());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(after.left, to.x);
  EXPECT_EQ(after.right, r.right);
  EXPECT_EQ(after.top, r.top);
  EXPECT_EQ(after.bottom, r.bottom);
  SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, fullDrag, nullptr, 0);
}

// ---- fading ----

class FadeTest : public MouseTest {
 protected:
  // The recorded frames of one window: its constant alphas.
  static std::vector<int> Alphas(const TLayeredRecorder& recorder, HWND window) {
    std::vector<int> out;
    for (const TLayeredCall& c : recorder.calls)
      if (c.Window == window && c.Update) out.push_back(c.Alpha);
    return out;
  }
  static std::vector<HWND> Windows(const TLayeredRecorder& recorder, HWND except) {
    std::vector<HWND> out;
    for (const TLayeredCall& c : recorder.calls)
      if (c.Window != except && std::find(out.begin(), out.end(), c.Window) == out.end()) out.push_back(c.Window);
    return out;
  }
};

TEST_F(FadeTest, AHotCloseButtonFadesInOverTenTicksAndOutWhenTheMouseLeaves) {
  MakeForm();
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  TskSysButtonData& close = provider_->SysButtons[sbClose];
  const POINT p = ButtonPoint(close);
  SetCursorPos(p.x, p.y);
  TLayeredRecorder recorder;
  Mouse(WM_NCMOUSEMOVE, p);
  ASSERT_NE(close.Anim, nullptr);
  const HWND fade = close.Anim->FadeWindow();
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(Windows(recorder, nullptr), std::vector<HWND>{fade}) << "one fading window";
  EXPECT_NE(GetWindowLongPtrW(fade, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  EXPECT_NE(GetWindowLongPtrW(fade, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
  guitest::PumpFor(300);
  // Mouse moves the system makes over the hot button show the full image again.
  std::vector<int> in = Alphas(recorder, fade);
  const auto full = std::find(in.begin(), in.end(), 255);
  ASSERT_NE(full, in.end());
  EXPECT_TRUE(std::all_of(full, in.end(), [](int a) { return a == 255; }));
  in.erase(full + 1, in.end());
  EXPECT_EQ(in, (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225, 255}));
  EXPECT_EQ(close.Anim->StepCount, -1) << "the fade-in completed";
  EXPECT_TRUE(close.Anim->Enabled()) << "it watches the mouse";
  const TLayeredCall& last = recorder.calls.back();
  RECT form{};
  GetWindowRect(Window(), &form);
  EXPECT_EQ(last.Position.X, form.left + close.Rect.Left);
  EXPECT_EQ(last.Position.Y, form.top + close.Rect.Top);
  EXPECT_EQ(last.Size.X, close.Rect.Width());
  EXPECT_EQ(saved_->Count(WM_MOUSELEAVE), 0);

  // The mouse leaves for the bare desktop (no window there hears it): the fading's own test tells the
  // form, and the button fades back out until its window goes.
  recorder.calls.clear();
  SetCursorPos(5, 5);
  guitest::PumpFor(300);
  EXPECT_EQ(saved_->Count(WM_MOUSELEAVE), 1);
  EXPECT_EQ(provider_->HotHitTest, -1);
  EXPECT_EQ(close.State, 0);
  const std::vector<int> out = Alphas(recorder, fade);
  ASSERT_FALSE(out.empty());
  EXPECT_TRUE(std::is_sorted(out.rbegin(), out.rend())) << "falling";
  EXPECT_FALSE(close.Anim->Enabled()) << "the timer stopped";
  EXPECT_EQ(close.Anim->State, -1);
  EXPECT_EQ(close.Anim->FadeWindow(), nullptr);
  EXPECT_FALSE(IsWindow(fade));
}

// Glowing allowed and the skin has a glow for the close button: the hot button's fading shows the
// glow's own picture, moved left and up by the glow margin.
TEST_F(FadeTest, AHotCloseButtonFadesInTheSkinsGlowAroundIt) {
  LoadVariant(CloseGlowVariant(3, 30, 26, 0x80FF0000u));
  MakeForm();
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  TskSysButtonData& close = provider_->SysButtons[sbClose];
  TLayeredRecorder recorder;
  provider_->SetHotButton(HTCLOSE, true);
  ASSERT_FALSE(recorder.calls.empty());
  const TLayeredCall& first = recorder.calls.front();
  RECT form{};
  GetWindowRect(Window(), &form);
  EXPECT_EQ(first.Position, (TPoint{form.left + close.Rect.Left - 3, form.top + close.Rect.Top - 3}));
  EXPECT_EQ(first.Size, (TPoint{30, 26}));
  EXPECT_EQ(first.PixelAt(15, 13), 0x80FF0000u);
  EXPECT_EQ(close.GlowID, -1) << "no second glow window beside the fading";
}

// One step (or none): the whole image at once, no timer (a count of 0 once divided by zero).
TEST_F(FadeTest, OneStepOrNoneShowsTheWholeImageAtOnce) {
  MakeForm();
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  for (const Integer steps : {1, 0}) {
    SCOPED_TRACE(steps);
    TskSysButtonData& close = provider_->SysButtons[sbClose];
    close.Anim.reset();
    close.State = 2;
    TLayeredRecorder recorder;
    StartTitleButtonAnim(close, 2, steps, provider_, true);
    ASSERT_NE(close.Anim, nullptr);
    EXPECT_EQ(Alphas(recorder, close.Anim->FadeWindow()), std::vector<int>{255});
    EXPECT_FALSE(close.Anim->Enabled());
  }
}

// A user button's glyph of 24 bits over a white background: the white is left out of the image.
TEST_F(FadeTest, AUserButtonsGlyphLeavesItsBackgroundOut) {
  MakeForm();
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  auto* button = static_cast<TsTitleButton*>(provider_->TitleButtons().Add());
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(12, 12);
  glyph.Canvas().Brush().SetColor(clWhite);
  glyph.Canvas().FillRect(TRect{0, 0, 12, 12});
  glyph.Canvas().Brush().SetColor(clRed);
  glyph.Canvas().FillRect(TRect{3, 3, 9, 9});
  button->SetGlyph(&glyph);
  button->Data.Rect = TRect{100, 4, 120, 24};
  button->Data.State = 1;
  TskSysButtonData* data = &button->Data;
  TLayeredRecorder recorder;
  provider_->RepaintButton(1000);
  ASSERT_NE(data->Anim, nullptr);
  ASSERT_FALSE(recorder.calls.empty());
  const TLayeredCall& first = recorder.calls.front();
  ASSERT_EQ(first.Size.X, 20);
  int white = 0, red = 0;
  for (const Cardinal pixel : first.Pixels) {
    if ((pixel & 0x00FFFFFFu) == 0x00FFFFFFu && (pixel >> 24) != 0) ++white;
    if (pixel == 0xFFFF0000u) ++red;
  }
  EXPECT_EQ(white, 0);
  EXPECT_EQ(red, 36) << "the glyph's square, opaque, centred";
  EXPECT_EQ(first.PixelAt(10, 10), 0xFFFF0000u);
}

}  // namespace
