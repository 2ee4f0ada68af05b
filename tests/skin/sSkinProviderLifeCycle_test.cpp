// The skinned form's life cycle under Wine with the built-in skin: where the saved procedure runs
// relative to the provider's work, snapping to a work area smaller than the monitor, the maximized
// bounds, the skin editor's transfer and commands, the show and hide animations, and the system menu.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "skin/ResizeCounting.h"
#include "skin/SkinFixture.h"
#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skSBMainWnd.h"
#include "skin/forms/sBorderForm.h"
#include "skin/forms/sHideAnimation.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinLookups.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyTable.h"

using namespace skintest;

namespace {

// The form's procedure before the provider: records each message and what the test asks to look at
// the moment it runs.
class TRecorder {
 public:
  explicit TRecorder(TForm* form) : form_(form) {}
  void WndProc(TMessage& message) {
    if (message.Msg == watched) {
      ++calls;
      if (probe) seen.push_back(probe());
    }
    if (message.Msg == WM_SYSCOMMAND && keepCommands) {
      commands.push_back(message.WParam & 0xFFF0);
      return;
    }
    if (message.Msg == WM_COPYDATA && answerCopyData) {
      message.Result = 1;
      return;
    }
    form_->WndProc(message);
  }
  TWndMethod Method() { return TWndMethod(this, &TRecorder::WndProc); }

  UINT watched = 0;
  int calls = 0;
  std::function<int()> probe;
  std::vector<int> seen;
  std::vector<WPARAM> commands;
  bool answerCopyData = false;
  bool keepCommands = false;  // system commands are recorded, not carried out

 private:
  TForm* form_;
};

// A form class that publishes AutoScroll (the component layer's forms do not).
class TAutoScrollForm : public TForm {
 public:
  using TForm::TForm;
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool value) { autoScroll_ = value; }

 private:
  bool autoScroll_ = true;
};

void RegisterAutoScrollForm() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterGuiClasses();
  RegisterDefinitionText("TAutoScrollForm",
                         "object AutoScrollForm: TAutoScrollForm\n  Left = 200\n  Top = 150\n  Width = 300\n  Height = 200\nend\n");
  RegisterStreamedClass<TAutoScrollForm, TForm>("TAutoScrollForm", [](TPropertyTableOf<TAutoScrollForm>& p) {
    p.BoolProp("AutoScroll", &TAutoScrollForm::SetAutoScroll);
    p.OrdGetter("AutoScroll", &TAutoScrollForm::AutoScroll);
  });
}

class LifeCycleTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinLibraryStartup();
    SkinFixture::SetUp();
    if (HasFatalFailure()) return;
    savedWorkArea_ = BorderWorkAreaSource;
    manager_->AnimEffects().FormShow->Time = 0;
    manager_->AnimEffects().FormHide->Time = 0;
  }
  void TearDown() override {
    if (TskHideTimer* timer = HideTimer()) timer->Stop();
    delete form_;
    form_ = nullptr;
    BorderWorkAreaSource = savedWorkArea_;
    PreviewedWindow = nullptr;
    SkinTransferred = false;
    SkinFixture::TearDown();
    SkinLibraryShutdown();
  }
  void MakeForm(bool extendedBorders, bool show = true) {
    manager_->SetExtendedBorders(extendedBorders);
    form_ = New<TForm>(nullptr);
    form_->SetBounds(200, 150, 300, 200);
    form_->SetCaption("Quillnote diary");
    recorder_ = std::make_unique<TRecorder>(form_);
    form_->SetWindowProc(recorder_->Method());
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    if (show) {
      form_->Show();
      guitest::Pump();
    }
  }
  HWND Window() const { return form_->Handle(); }
  TRect Bounds() const {
    RECT r{};
    GetWindowRect(Window(), &r);
    return TRect{r.left, r.top, r.right, r.bottom};
  }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TRecorder> recorder_;
  TskWorkAreaSource savedWorkArea_;
};

// Each message's order with the saved procedure, told by a flag the provider changes: the value the
// saved procedure sees, and the value afterwards.
TEST_F(LifeCycleTest, SavedProcedureRunsFirstLastOrNotAtAllByMessage) {
  MakeForm(false);
  struct Case {
    const char* name;
    UINT msg;
    WPARAM wParam;
    std::function<void()> reset;
    std::function<int()> probe;
    int calls;   // times the saved procedure ran
    int atOld;   // the probe when it ran (-1: not called)
    int after;   // the probe afterwards
    LRESULT result;
  };
  TsCommonData& data = provider_->SkinData();
  const std::vector<Case> cases = {
      {"WM_SETTINGCHANGE old last", WM_SETTINGCHANGE, 0, [&] { data.BackgroundDirty = false; },
       [&] { return data.BackgroundDirty ? 1 : 0; }, 1, 1, 1, 0},
      {"WM_SYSCOLORCHANGE old first", WM_SYSCOLORCHANGE, 0, [&] { provider_->MenuLineDirty = false; },
       [&] { return provider_->MenuLineDirty ? 1 : 0; }, 1, 0, 1, 0},
      {"CM_MENUCHANGED old last", CM_MENUCHANGED, 0, [&] { provider_->MenuRowCount = 3; },
       [&] { return provider_->MenuRowCount; }, 1, -1, -1, 0},
      {"editor ping: none", 0xA400, 4, [] {}, [] { return 0; }, 0, -1, 0, 1},
      {"editor ask: old only", 0xA400, 3, [] {}, [] { return 0; }, 1, 0, 0, 0},
      {"editor other: none", 0xA400, 7, [] {}, [] { return 0; }, 0, -1, 0, 0},
      {"0xB04C: none", 0xB04C, 0, [] {}, [] { return 0; }, 0, -1, 0, 0},
      {"0xBC4D: none", 0xBC4D, 0x41A2, [] {}, [] { return 0; }, 0, -1, 0, 0},
      {"WM_QUERYENDSESSION old last", WM_QUERYENDSESSION, 0, [] { SessionEnding = false; },
       [] { return SessionEnding ? 1 : 0; }, 1, 1, 1, 1},
      {"WM_ACTIVATE old first", WM_ACTIVATE, WA_INACTIVE, [&] { provider_->MenuRowCount = 3; },
       [&] { return provider_->MenuRowCount; }, 1, 3, -1, 0},
      {"CM_MOUSEENTER old first", CM_MOUSEENTER, 0, [&] { manager_->SetActiveControl(static_cast<TControl*>(nullptr)); },
       [&] { return manager_->ActiveControl() == form_ ? 1 : 0; }, 1, 0, 1, 0},
      {"WM_ACTIVATEAPP old first", WM_ACTIVATEAPP, 1, [] {}, [] { return 0; }, 1, 0, 0, 0},
      {"WM_STYLECHANGED old first", WM_STYLECHANGED, static_cast<WPARAM>(GWL_STYLE), [] {}, [] { return 0; }, 1, 0, 0, 0},
      {"WM_SIZING old first", WM_SIZING, WMSZ_RIGHT, [] {}, [] { return 0; }, 1, 0, 0, 0},
      {"WM_EXITSIZEMOVE old first", WM_EXITSIZEMOVE, 0, [] {}, [] { return 0; }, 1, 0, 0, 0},
      {"CM_VISIBLECHANGED old inside", CM_VISIBLECHANGED, 1, [&] { provider_->RunTimeCreated = true; },
       [&] { return provider_->RunTimeCreated ? 1 : 0; }, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.reset();
    recorder_->watched = c.msg;
    recorder_->calls = 0;
    recorder_->seen.clear();
    recorder_->probe = c.probe;
    const LRESULT result = form_->Perform(c.msg, c.wParam, 0);
    EXPECT_EQ(recorder_->calls, c.calls);
    if (c.atOld >= 0 && !recorder_->seen.empty()) {
      EXPECT_EQ(recorder_->seen.front(), c.atOld);
    }
    EXPECT_EQ(c.probe(), c.after);
    EXPECT_EQ(result, c.result);
  }
}

TEST_F(LifeCycleTest, MinMaxInfoRunsTheSavedProcedureAndThenSetsTheMaximizedBounds) {
  MakeForm(false);
  BorderWorkAreaSource = [](HWND) { return TRect{0, 0, 800, 600}; };
  recorder_->watched = WM_GETMINMAXINFO;
  MINMAXINFO info{};
  recorder_->probe = [&] { return static_cast<int>(info.ptMaxSize.x); };
  form_->Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(recorder_->calls, 1);
  const Integer f = GetSystemMetrics(SM_CXFRAME);
  ASSERT_EQ(recorder_->seen.size(), 1u);
  EXPECT_NE(recorder_->seen[0], 800 + 2 * f) << "the bounds are set after the saved procedure";
  EXPECT_EQ(info.ptMaxPosition.x, -f);
  EXPECT_EQ(info.ptMaxPosition.y, -f);
  EXPECT_EQ(info.ptMaxSize.x, 800 + 2 * f);
  EXPECT_EQ(info.ptMaxSize.y, 600 + 2 * f);
}

// Maximizing: the frame lies outside the work area, and with a border window the skin's taller title
// takes its extra height from the top.
TEST_F(LifeCycleTest, MaximizingFillsTheWorkAreaWithTheFrameOutside) {
  for (const bool borders : {false, true}) {
    SCOPED_TRACE(borders ? "border window" : "no border window");
    MakeForm(borders);
    BorderWorkAreaSource = [](HWND) { return TRect{0, 0, 700, 500}; };
    ASSERT_EQ(provider_->BorderForm != nullptr, borders);
    ShowWindow(Window(), SW_MAXIMIZE);
    guitest::Pump();
    const Integer f = GetSystemMetrics(SM_CXFRAME);
    const Integer e = borders ? provider_->ExtraTitleHeight() : 0;
    EXPECT_EQ(Bounds().Left, -f);
    EXPECT_EQ(Bounds().Top, e - f);
    EXPECT_EQ(Bounds().Width(), 700 + 2 * f);
    EXPECT_EQ(Bounds().Height(), 500 + 2 * f - e);
    if (borders) {
      EXPECT_EQ(provider_->TallMaxTitle, GetSystemMetrics(SM_CYCAPTION) + 4 < provider_->MaximizedTitleHeight());
    }
    delete form_;
    form_ = nullptr;
  }
}

TEST_F(LifeCycleTest, MovingSnapsToTheWorkAreaAndAStayOnTopFormToTheMonitor) {
  MakeForm(false);
  provider_->ScreenSnap = true;
  provider_->SnapBuffer = 10;
  BorderWorkAreaSource = [](HWND) { return TRect{100, 80, 800, 600}; };
  struct Move {
    int x, y, wantX, wantY;
  };
  const Move moves[] = {
      {106, 75, 100, 80},             // near the top-left corner
      {800 - 300 + 4, 600 - 200 - 7, 500, 400},  // near the bottom-right corner
      {300, 250, 300, 250},           // far from every edge
      {5, 3, 5, 3},                   // near the monitor's corner, outside the work area's reach
  };
  for (const Move& m : moves) {
    SetWindowPos(Window(), nullptr, m.x, m.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Bounds().Left, m.wantX) << m.x << "," << m.y;
    EXPECT_EQ(Bounds().Top, m.wantY) << m.x << "," << m.y;
  }
  form_->SetFormStyle(fsStayOnTop);
  SetWindowPos(Window(), nullptr, 5, 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Bounds().Left, 0);
  EXPECT_EQ(Bounds().Top, 0);
  provider_->ScreenSnap = false;
  SetWindowPos(Window(), nullptr, 5, 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Bounds().Left, 5);
}

// A whole transfer block that names a skin.
std::vector<char> SkinTransferBlock(const std::string& name) {
  std::vector<char> block(kSkinTransferBlockSize, 0);
  const Cardinal magic = kSkinTransferMagic;
  std::memcpy(block.data(), &magic, sizeof(magic));
  std::memcpy(block.data() + 4, name.data(), std::min<size_t>(name.size(), 127));
  return block;
}

// The skin editor's transfer block: taken only by the previewed window, only when whole, and not when
// the saved procedure answered the message itself.
TEST_F(LifeCycleTest, SkinTransferLoadsOnlyAtThePreviewedWindowAndOnlyAWholeBlock) {
  MakeForm(false);
  std::vector<char> block = SkinTransferBlock(BuiltinSkinName());
  const auto send = [&](size_t size) {
    COPYDATASTRUCT copy{7, static_cast<DWORD>(size), block.data()};
    return SendMessageW(Window(), WM_COPYDATA, 7, reinterpret_cast<LPARAM>(&copy));
  };
  EXPECT_EQ(send(block.size()), 0) << "not the previewed window";
  EXPECT_FALSE(SkinTransferred);
  PreviewedWindow = Window();
  EXPECT_EQ(send(block.size() - 1), 0) << "a short block";
  EXPECT_FALSE(SkinTransferred);
  recorder_->answerCopyData = true;
  EXPECT_EQ(send(block.size()), 1);
  EXPECT_FALSE(SkinTransferred) << "the saved procedure answered it";
  recorder_->answerCopyData = false;
  EXPECT_EQ(send(block.size()), 1);
  EXPECT_TRUE(SkinTransferred);
  EXPECT_EQ(manager_->SkinName(), BuiltinSkinName());
}

// A transfer block arriving while a transfer loads (the loader sends the form messages) is not taken.
struct TNestedCopy {
  HWND form = nullptr;
  COPYDATASTRUCT* copy = nullptr;
  bool armed = false;
  LRESULT answer = -1;
};
TNestedCopy* gNestedCopy = nullptr;

LRESULT CALLBACK NestedCopyHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && gNestedCopy != nullptr && gNestedCopy->armed && sent->hwnd == gNestedCopy->form &&
      sent->message != WM_COPYDATA) {
    gNestedCopy->armed = false;
    gNestedCopy->answer =
        SendMessageW(gNestedCopy->form, WM_COPYDATA, 7, reinterpret_cast<LPARAM>(gNestedCopy->copy));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(LifeCycleTest, ASkinTransferIsNotTakenWhileAnotherLoads) {
  MakeForm(false);
  std::vector<char> block = SkinTransferBlock(BuiltinSkinName());
  COPYDATASTRUCT copy{7, static_cast<DWORD>(block.size()), block.data()};
  PreviewedWindow = Window();
  TNestedCopy nested;
  nested.form = Window();
  nested.copy = &copy;
  nested.armed = true;
  gNestedCopy = &nested;
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, NestedCopyHook, nullptr, GetCurrentThreadId());
  const LRESULT outer = SendMessageW(Window(), WM_COPYDATA, 7, reinterpret_cast<LPARAM>(&copy));
  UnhookWindowsHookEx(hook);
  gNestedCopy = nullptr;
  EXPECT_EQ(outer, 1);
  ASSERT_NE(nested.answer, -1) << "the transfer sent the form no message";
  EXPECT_EQ(nested.answer, 0) << "the second block was loaded inside the first";
}

// The owner closing turns a set show-action into the form's state; an unset one stays unset.
TEST_F(LifeCycleTest, ParentClosingRemembersHowTheFormComesBack) {
  MakeForm(false);
  struct Case {
    int show;
    Byte before, after;
  };
  const Case cases[] = {{SW_RESTORE, 3, 1}, {SW_MAXIMIZE, 1, 3}, {SW_MINIMIZE, 1, 2}, {SW_MAXIMIZE, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.show);
    ShowWindow(Window(), c.show);
    guitest::Pump();
    provider_->ShowAction = c.before;
    SendMessageW(Window(), WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
    EXPECT_EQ(provider_->ShowAction, c.after);
  }
}

// What repaints the border window's picture: the mouse entering the form (not while the picture is
// being reshaped), the layered style changing (not another extended style), the user sizing.
TEST_F(LifeCycleTest, BorderWindowFollowsMouseEntryLayeredStyleAndSizing) {
  MakeForm(true);
  ASSERT_NE(provider_->BorderForm, nullptr);
  const HWND border = provider_->BorderForm->BorderHandle();
  STYLESTRUCT layered{0, WS_EX_LAYERED}, other{0, WS_EX_TOOLWINDOW};
  RECT sizing{};
  GetWindowRect(Window(), &sizing);
  struct Case {
    const char* name;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    Cardinal state;
    size_t pictures;
  };
  const Case cases[] = {
      {"mouse entry", CM_MOUSEENTER, 0, 0, 0, 1},
      {"mouse entry while reshaping", CM_MOUSEENTER, 0, 0, 0x1, 0},
      {"layered style", WM_STYLECHANGED, static_cast<WPARAM>(GWL_EXSTYLE), reinterpret_cast<LPARAM>(&layered), 0, 1},
      {"layered style while showing", WM_STYLECHANGED, static_cast<WPARAM>(GWL_EXSTYLE), reinterpret_cast<LPARAM>(&layered),
       0x100, 0},
      {"another extended style", WM_STYLECHANGED, static_cast<WPARAM>(GWL_EXSTYLE), reinterpret_cast<LPARAM>(&other), 0, 0},
      {"sizing", WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&sizing), 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Cardinal saved = provider_->AnimState;
    provider_->AnimState |= c.state;
    TLayeredRecorder recorder;
    form_->Perform(c.msg, c.wParam, c.lParam);
    provider_->AnimState = saved;
    EXPECT_EQ(recorder.CountFor(border), c.pictures);
  }
}

// A stretched form that is moved gets back the bounds it was stretched from.
TEST_F(LifeCycleTest, MovingAStretchedFormGivesBackItsBounds) {
  MakeForm(true);
  ASSERT_NE(provider_->BorderForm, nullptr);
  BorderWorkAreaSource = [](HWND) { return TRect{0, 0, 1000, 700}; };
  const TRect before = Bounds();
  const HWND border = provider_->BorderForm->BorderHandle();
  RECT r{};
  GetWindowRect(border, &r);
  const TRect shadow = provider_->GetShadowMargins();
  SendMessageW(border, WM_NCLBUTTONDBLCLK, HTTOP,
               MAKELPARAM(r.left + (r.right - r.left) / 2, r.top + shadow.Top + 1));
  ASSERT_NE(provider_->AnimState & 0x2000, 0u) << "stretched by the double-click";
  ASSERT_NE(Bounds().Height(), before.Height());
  SetWindowPos(Window(), nullptr, before.Left + 30, before.Top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(provider_->AnimState & 0x2000, 0u);
  EXPECT_EQ(Bounds().Height(), before.Height());
  EXPECT_EQ(Bounds().Top, before.Top);
  EXPECT_EQ(Bounds().Width(), before.Width());
}

// Shrinking: the border window has the new size's region before the form's window changes (the saved
// procedure sees it so).
TEST_F(LifeCycleTest, ShrinkingGivesTheBorderWindowTheNewSizesRegionFirst) {
  MakeForm(true);
  ASSERT_NE(provider_->BorderForm, nullptr);
  const HWND border = provider_->BorderForm->BorderHandle();
  const Integer pictureWidth = provider_->SkinData().CacheBitmap->Width();
  recorder_->watched = WM_WINDOWPOSCHANGING;
  recorder_->probe = [&] {
    RECT box{};
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(border, region) != ERROR) GetRgnBox(region, &box);
    DeleteObject(region);
    return static_cast<int>(box.right - box.left);
  };
  const TRect r = Bounds();
  SetWindowPos(Window(), nullptr, 0, 0, r.Width() - 40, r.Height() - 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_FALSE(recorder_->seen.empty());
  EXPECT_EQ(recorder_->seen.front(), pictureWidth - 40);
}

// A hidden form lets its picture go; showing paints it again.
TEST_F(LifeCycleTest, HidingDropsThePictureAndShowingPaintsItAgain) {
  MakeForm(false);
  ASSERT_TRUE(provider_->SkinData().CacheBitmap);
  const Integer width = provider_->SkinData().CacheBitmap->Width();
  form_->Hide();
  guitest::Pump();
  EXPECT_EQ(provider_->SkinData().CacheBitmap->Width(), 0);
  form_->Show();
  guitest::Pump();
  EXPECT_EQ(provider_->SkinData().CacheBitmap->Width(), width);
}

// With a border window the full picture is the cache's: its shadow keeps its alpha and the form's
// client is opaque at its place (the hide animation's picture).
TEST_F(LifeCycleTest, WithABorderWindowTheFullPictureKeepsTheShadow) {
  MakeForm(true);
  ASSERT_NE(provider_->BorderForm, nullptr);
  TBitmap& cache = *provider_->SkinData().CacheBitmap;
  const Cardinal corner = PixelViewOf(cache).At(0, 0);
  ASSERT_LT(corner >> 24, 0xFFu) << "the picture's corner is shadow";
  std::unique_ptr<TBitmap> copy = provider_->CopyCacheBmp(false);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Width(), cache.Width());
  EXPECT_EQ(copy->Height(), cache.Height());
  EXPECT_EQ(PixelViewOf(*copy).At(0, 0) >> 24, corner >> 24);
  RECT client{};
  GetClientRect(Window(), &client);
  EXPECT_EQ(PixelViewOf(*copy).At(provider_->ClientOffsetX() + client.right / 2, provider_->ClientOffsetY() + client.bottom / 2) >> 24,
            0xFFu);
}

TEST_F(LifeCycleTest, TheEditorsCloseCommandClosesTheForm) {
  MakeForm(false);
  ASSERT_TRUE(IsWindowVisible(Window()));
  EXPECT_EQ(SendMessageW(Window(), 0xA400, 1, 0), 0);
  guitest::Pump();
  EXPECT_FALSE(IsWindowVisible(Window()));
}

// Showing runs the show animation (at once with time 0, with frames otherwise), and the form ends
// visible, not layered and painted.
TEST_F(LifeCycleTest, ShowingRunsTheShowAnimationAndLeavesTheFormPlain) {
  for (const Word time : {Word{0}, Word{48}}) {
    SCOPED_TRACE(time);
    manager_->AnimEffects().FormShow->Time = time;
    MakeForm(true, false);
    int shown = 0;
    provider_->OnAfterAnimation = [&](TskAnimEvent event) { shown += event == aeShowing ? 1 : 0; };
    form_->Show();
    guitest::Pump();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ(GetWindowLongPtrW(Window(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_FALSE(InAnimationProcess);
    EXPECT_FALSE(provider_->InAnimation);
    EXPECT_FALSE(provider_->SkinData().UpdatingFlag);
    EXPECT_NE(provider_->BorderForm, nullptr);
    delete form_;
    form_ = nullptr;
  }
}

// Hiding with a hide time: the picture is taken while the form still shows, the border window is
// handed to the hide timer instead of being freed first.
TEST_F(LifeCycleTest, HidingHandsTheBorderWindowToTheHideAnimation) {
  manager_->AnimEffects().FormHide->Time = 120;
  MakeForm(true);
  ASSERT_NE(provider_->BorderForm, nullptr);
  const HWND border = provider_->BorderForm->BorderHandle();
  form_->Hide();
  ASSERT_NE(HideTimer(), nullptr);
  ASSERT_NE(HideTimer()->AnimForm(), nullptr);
  EXPECT_EQ(HideTimer()->AnimForm()->Handle(), border);
  EXPECT_NE(provider_->AnimState & 0x200, 0u);
  HideTimer()->Stop();
  form_->Show();
  guitest::Pump();
  EXPECT_EQ(provider_->AnimState & 0x200, 0u) << "showing again clears the hiding state";
}

// The menu being shown: what the test's timer saw, and the window class names a CBT hook saw made.
struct TMenuRun {
  HWND form = nullptr;
  std::vector<UINT> grayed;   // the commands grayed in the standard system menu
  bool ran = false;           // the timer ran while the menu was up
  bool visibleMeanwhile = false;
  std::vector<std::string> created;
  bool choose = false;        // pick the second entry (move) by the keyboard, else end the menu
};
TMenuRun* gMenuRun = nullptr;

LRESULT CALLBACK MenuCbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && gMenuRun != nullptr) {
    char name[64] = {};
    GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof(name));
    gMenuRun->created.emplace_back(name);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK MenuTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (gMenuRun == nullptr) return;
  TMenuRun& run = *gMenuRun;
  run.ran = true;
  const HMENU menu = GetSystemMenu(run.form, FALSE);
  for (const UINT command : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE})
    if ((GetMenuState(menu, command, MF_BYCOMMAND) & MF_GRAYED) != 0) run.grayed.push_back(command);
  run.visibleMeanwhile = (GetWindowLongPtrW(run.form, GWL_STYLE) & WS_VISIBLE) != 0;
  if (run.choose) {
    // The second entry (move) by the keyboard; a menu the keys did not end is ended a little later.
    const HWND popup = FindWindowW(L"#32768", nullptr);
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR timer, DWORD) {
      KillTimer(nullptr, timer);
      EndMenu();
    });
  } else {
    EndMenu();
  }
}

// Test programs run side by side on one desktop: another program's window taking the foreground can
// cancel the menu before the timer looked at it. Such a run saw nothing and is shown again.
void ShowMenu(TsSkinProvider& provider, TMenuRun& run) {
  for (int attempt = 0; attempt < 3 && !run.ran; ++attempt) {
    run.created.clear();
    gMenuRun = &run;
    const HHOOK hook = SetWindowsHookExW(WH_CBT, MenuCbtHook, nullptr, GetCurrentThreadId());
    SetTimer(nullptr, 0, 60, MenuTimer);
    provider.ShowSystemMenu(250, 200);
    UnhookWindowsHookEx(hook);
    gMenuRun = nullptr;
  }
}

TEST_F(LifeCycleTest, StandardSystemMenuEnablesTheEntriesOfTheFormsStateAndPostsTheChoice) {
  MakeForm(false);
  manager_->SetSkinnedPopups(false);
  struct Case {
    int show;
    std::vector<UINT> grayed;
  };
  const Case cases[] = {
      {SW_RESTORE, {SC_RESTORE}},
      {SW_MAXIMIZE, {SC_MOVE, SC_SIZE, SC_MAXIMIZE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.show);
    ShowWindow(Window(), c.show);
    guitest::Pump();
    TMenuRun run;
    run.form = Window();
    ShowMenu(*provider_, run);
    ASSERT_TRUE(run.ran);
    EXPECT_EQ(run.grayed, c.grayed);
    EXPECT_TRUE(run.visibleMeanwhile);
    EXPECT_NE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_NE(std::find(run.created.begin(), run.created.end(), "#32768"), run.created.end());
  }
  ShowWindow(Window(), SW_RESTORE);
  TMenuRun run;
  run.form = Window();
  run.choose = true;
  recorder_->keepCommands = true;
  ShowMenu(*provider_, run);
  guitest::Pump();
  EXPECT_TRUE(run.ran);
  EXPECT_EQ(recorder_->commands, std::vector<WPARAM>{SC_MOVE});
}

TEST_F(LifeCycleTest, SkinnedPopupsShowTheProvidersSystemMenu) {
  MakeForm(false);
  manager_->SetSkinnedPopups(true);
  TMenuRun run;
  run.form = Window();
  ShowMenu(*provider_, run);
  EXPECT_TRUE(run.ran);
  EXPECT_NE(std::find(run.created.begin(), run.created.end(), "#32768"), run.created.end());
  EXPECT_NE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VISIBLE, 0);
  // The skin's menu engine draws its items.
  TMenuItem* items = provider_->SkinSysMenu->Items();
  ASSERT_GT(items->Count(), 0);
  for (int i = 0; i < items->Count(); ++i) {
    TMenuItem* item = items->Items(i);
    EXPECT_TRUE(static_cast<bool>(item->OnMeasureItem)) << item->Caption();
    EXPECT_TRUE(item->OnAdvancedDrawItem ==
                TAdvancedMenuDrawItemEvent(&manager_->SkinableMenus(), &TsSkinableMenus::DrawPopupItem))
        << item->Caption();
  }
}

// A live resize in 30 steps, growing and shrinking at the right and bottom edges and at the left and
// top ones, counted per step: border-window pictures, WM_NCPAINT (with a border window it copies only
// the inner strips of the picture), erases, erases of the whole client area, erases that reach the
// saved procedure; the counts go into the test's properties. Each step puts one picture on the screen,
// erases no whole client, and paints the client strips that a growing step uncovers.
TEST_F(LifeCycleTest, ResizingStepsPaintOnePictureAndOnlyTheUncoveredClient) {
  MakeForm(true);
  ASSERT_NE(provider_->BorderForm, nullptr);
  const HWND border = provider_->BorderForm->BorderHandle();
  TLayeredRecorder layered;
  int borderPaints = 0;
  layered.OnCall = [&](const TLayeredCall& call) { borderPaints += call.Update && call.Window == border ? 1 : 0; };
  recorder_->watched = WM_ERASEBKGND;
  TResizeCountHook hook(Window());
  ASSERT_TRUE(hook.Hooked());
  TResizeCounts& counts = hook.counts;
  TResizeCounts worst;
  for (int step = 0; step < 30; ++step) {
    RECT r{};
    GetWindowRect(Window(), &r);
    const RECT next = ResizeStepBounds(r, step);
    counts = TResizeCounts{};
    borderPaints = 0;
    recorder_->calls = 0;
    SetWindowPos(Window(), nullptr, next.left, next.top, next.right - next.left, next.bottom - next.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(Window());
    guitest::Pump();
    {
      // The client's bottom-right corner shows the picture's client part (a growing step uncovers it).
      RECT client{};
      GetClientRect(Window(), &client);
      const Integer x = client.right - 3, y = client.bottom - 3;
      const Cardinal pixel = PixelViewOf(*provider_->SkinData().CacheBitmap)
                                 .At(provider_->ClientOffsetX() + x, provider_->ClientOffsetY() + y);
      const HDC dc = GetDC(Window());
      EXPECT_EQ(GetPixel(dc, x, y), RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF)) << "step " << step;
      ReleaseDC(Window(), dc);
    }
    counts.pictures = borderPaints;
    counts.savedErases = recorder_->calls;
    worst.TakeWorst(counts);
    RecordProperty("step" + std::to_string(step), counts.Text());
  }
  ExpectResizeTargets(worst);
}

// Outline moving and sizing: the form ends at the outline's place, the mouse capture is released, a
// cancelled sizing leaves the size alone, and a form in the standard resize mode never starts one.
// (The outline itself is drawn inverted on the desktop, which a headless system cannot read back.)
TEST_F(LifeCycleTest, OutlineMovingAndSizingEndAtTheOutlinesBounds) {
  MakeForm(false);
  form_->Constraints().SetMinWidth(120);
  form_->Constraints().SetMinHeight(90);
  struct Case {
    const char* name;
    TsResizeMode mode;
    bool moving;
    TPoint to;      // the last mouse point
    bool cancel;
    TRect want;     // left, top, right, bottom
  };
  const Case cases[] = {
      {"move", rmBorder, true, {260 + 40, 160 + 25}, false, {240, 175, 540, 375}},
      {"size larger", rmBorder, false, {560, 420}, false, {200, 150, 560, 420}},
      {"size below the minimum", rmBorder, false, {210, 160}, false, {200, 150, 320, 240}},
      {"size cancelled", rmBorder, false, {600, 450}, true, {200, 150, 500, 350}},
      {"standard mode", rmStandard, true, {400, 400}, false, {200, 150, 500, 350}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form_->SetBounds(200, 150, 300, 200);
    provider_->ResizeMode = c.mode;
    SetCapture(Window());
    provider_->StartBorderResize(260, 160, c.moving);
    EXPECT_EQ(TsSkinProvider::BorderResizing(), c.mode == rmBorder);
    provider_->DrawResizeOutline(c.to.X - 30, c.to.Y - 30);
    provider_->DrawResizeOutline(c.to.X, c.to.Y);
    if (c.cancel) TsSkinProvider::CancelBorderResize();
    provider_->EndBorderResize();
    EXPECT_FALSE(TsSkinProvider::BorderResizing());
    if (c.mode == rmBorder) {
      EXPECT_EQ(GetCapture(), nullptr);
    } else {
      ReleaseCapture();
    }
    EXPECT_EQ(Bounds().Left, c.want.Left);
    EXPECT_EQ(Bounds().Top, c.want.Top);
    EXPECT_EQ(Bounds().Right, c.want.Right);
    EXPECT_EQ(Bounds().Bottom, c.want.Bottom);
  }
}

// Only a form class that publishes AutoScroll, with it on, gets the scroll adapter when it shows; the
// provider frees it.
TEST_F(LifeCycleTest, ScrollAdapterComesOnlyForAFormPublishingAutoScroll) {
  MakeForm(false);
  EXPECT_EQ(provider_->ClientScrollAdapter, nullptr) << "the plain form publishes no AutoScroll";
  delete form_;
  form_ = nullptr;
  RegisterAutoScrollForm();
  for (const bool on : {false, true}) {
    SCOPED_TRACE(on);
    auto* form = New<TAutoScrollForm>(nullptr);
    form_ = form;
    form->SetAutoScroll(on);
    form->SetBounds(200, 150, 300, 200);
    form->HandleNeeded();
    provider_ = New<TsSkinProvider>(form);
    form->Show();
    guitest::Pump();
    EXPECT_EQ(provider_->ClientScrollAdapter != nullptr, on);
    if (on) {
      EXPECT_EQ(FindAdapter(form->Handle()), provider_->ClientScrollAdapter);
    }
    delete form_;
    form_ = nullptr;
  }
}

}  // namespace
