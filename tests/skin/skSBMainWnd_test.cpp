// The window adapter base: hooking a foreign window (the static procedure) and a control (its
// WindowProc), the skin commands it answers, giving the window back with and without another subclass
// above, and freeing adapters while they run or in the wrong order.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "SkinFixture.h"
#include "SkinTestControls.h"
#include "skin/adapters/skSBMainWnd.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Panel.h"
#include "vcl/rtl/Exceptions.h"

namespace {

using skintest::SkinFixture;
using skintest::TSkinnedPanel;

// A window procedure put under or over an adapter: it records the messages that reach it and passes them
// on to the procedure it replaced.
struct SpyRecord {
  WNDPROC previous = nullptr;
  std::vector<TMessage> seen;
  size_t Count(UINT msg, Word command = 0) const {
    size_t n = 0;
    for (const TMessage& m : seen)
      if (m.Msg == msg && (msg != SkinCommandMessage || SkinCommandOf(m.WParam) == command)) ++n;
    return n;
  }
};
std::map<HWND, SpyRecord>& Spies() {
  static std::map<HWND, SpyRecord> spies;
  return spies;
}
LRESULT CALLBACK SpyProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  SpyRecord& spy = Spies()[window];
  spy.seen.push_back(TMessage{msg, wParam, lParam, 0});
  const WNDPROC previous = spy.previous;
  if (msg == WM_NCDESTROY) Spies().erase(window);
  return CallWindowProcW(previous, window, msg, wParam, lParam);
}
void InstallSpy(HWND window) {
  Spies()[window].previous =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SpyProc)));
}
WNDPROC ProcOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)); }

LRESULT Command(HWND window, Word command, LPARAM lParam = 0) { return SendSkinCommand(window, command, lParam); }

// An adapter that knows whether it is alive, so that a call reaching a freed one is seen.
class TWatchedAdapter : public TskMainWnd {
 public:
  using TskMainWnd::TskMainWnd;
  static std::set<const void*>& Live() {
    static std::set<const void*> live;
    return live;
  }
  static int& CallsWhileDead() {
    static int calls = 0;
    return calls;
  }
  void AfterConstruction() override {
    Live().insert(this);
    TskMainWnd::AfterConstruction();
  }
  ~TWatchedAdapter() override { Live().erase(this); }
  void WndProc(TMessage& message) override {
    if (Live().count(this) == 0) ++CallsWhileDead();
    ++calls;
    if (throwOn != 0 && message.Msg == throwOn) throw Exception("adapter failure");
    if (message.Msg == WM_DESTROY && freeOnDestroy) {
      TskMainWnd* self = this;
      FreeAdapter(self);
      EXPECT_EQ(self, nullptr);
      EXPECT_TRUE(FreePending());
    }
    TskMainWnd::WndProc(message);  // still safe: the free waits for this call to end
  }
  void RestoreStdLook() override { ++restored; }

  int calls = 0;
  int restored = 0;
  bool freeOnDestroy = false;
  UINT throwOn = 0;
};

// A recording stand-in for uxtheme's SetWindowTheme: whether each call took the theme off (blank names)
// or gave it back (nil names).
struct ThemeCall {
  HWND window;
  bool off;
};
std::vector<ThemeCall>& ThemeCalls() {
  static std::vector<ThemeCall> calls;
  return calls;
}
HRESULT WINAPI RecordTheme(HWND window, LPCWSTR application, LPCWSTR classes) {
  const bool off = application != nullptr && classes != nullptr && std::wstring(application) == L" " &&
                   std::wstring(classes) == L" ";
  ThemeCalls().push_back(ThemeCall{window, off});
  return S_OK;
}

class AdapterTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    form_.reset(New<TForm>(nullptr));
    form_->SetBounds(40, 40, 320, 240);
    form_->Show();
    TWatchedAdapter::CallsWhileDead() = 0;
  }
  void TearDown() override {
    form_.reset();
    EXPECT_EQ(TWatchedAdapter::CallsWhileDead(), 0);
    SkinFixture::TearDown();
  }
  HWND RawChild(const wchar_t* className, DWORD style = 0, const wchar_t* text = L"x") {
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 120, 40, form_->Handle(), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }
  template <class A = TWatchedAdapter>
  A* Adapt(HWND window, TsCommonData* data = nullptr, const char* section = "PANEL") {
    return New<A>(window, false, section, nullptr, data);
  }

  std::unique_ptr<TForm> form_;
};

// One table over a raw STATIC, a raw EDIT and a control of the component layer: the property, the
// procedure or WindowProc before and after, the answers to commands 7 and 37, and detach giving both back.
TEST_F(AdapterTest, AttachAnswersAndDetachRestores) {
  struct Case {
    const char* name;
    bool control;
    const wchar_t* className;
  } cases[] = {{"STATIC", false, L"STATIC"}, {"EDIT", false, L"EDIT"}, {"layer control", true, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSkinnedPanel* panel = nullptr;
    HWND window = nullptr;
    TsCommonData* data = nullptr;
    if (c.control) {
      panel = skintest::AddControl<TSkinnedPanel>(form_.get(), 150);
      window = panel->Handle();
      data = panel->data.get();
    } else {
      window = RawChild(c.className);
    }
    ASSERT_NE(window, nullptr);
    const WNDPROC procBefore = ProcOf(window);
    const TWndMethod methodBefore = panel != nullptr ? panel->WindowProc() : TWndMethod();
    EXPECT_EQ(GetPropW(window, kAdapterProperty), nullptr);

    TskMainWnd* adapter = Adapt(window, data);
    EXPECT_EQ(GetPropW(window, kAdapterProperty), adapter);
    EXPECT_EQ(FindAdapter(window), adapter);
    if (panel != nullptr) {
      EXPECT_EQ(ProcOf(window), procBefore) << "a control is hooked through its WindowProc only";
      EXPECT_TRUE(panel->WindowProc() == adapter->Entry());
      EXPECT_FALSE(panel->WindowProc() == methodBefore);
    } else {
      EXPECT_EQ(ProcOf(window), &AdapterWindowProc);
      EXPECT_EQ(adapter->SavedWndProc, procBefore);
    }
    EXPECT_EQ(Command(window, scIsSkinned), 1);
    EXPECT_EQ(Command(window, scGetCommonData), reinterpret_cast<LRESULT>(adapter->SkinData));
    EXPECT_EQ(adapter->SkinData->SkinSection(), "PANEL");
    EXPECT_TRUE(TsSkinManager::DefaultManager()->IsValidSkinIndex(adapter->SkinData->SectionIndex));

    EXPECT_TRUE(DetachAdapter(window, true, false, adapter));
    EXPECT_EQ(adapter, nullptr);
    EXPECT_EQ(GetPropW(window, kAdapterProperty), nullptr);
    EXPECT_EQ(GetPropW(window, kReplacedProcProperty), nullptr);
    EXPECT_EQ(ProcOf(window), procBefore);
    if (panel != nullptr) {
      EXPECT_TRUE(panel->WindowProc() == methodBefore);
      EXPECT_EQ(Command(window, scIsSkinned), 1) << "the panel answers for itself again";
    } else {
      EXPECT_EQ(Command(window, scIsSkinned), 0) << "a foreign window answers nothing";
      DestroyWindow(window);
    }
  }
}

// A subclass installed over the adapter stays where it is; the adapter's procedure left under it
// forwards to the original once the adapter is freed, up to the window's destruction.
TEST_F(AdapterTest, DetachUnderForeignSubclassKeepsTheChain) {
  const HWND edit = RawChild(L"EDIT");
  const WNDPROC original = ProcOf(edit);
  TskMainWnd* adapter = Adapt(edit);
  InstallSpy(edit);
  EXPECT_FALSE(DetachAdapter(edit, true, false, adapter)) << "the adapter is not on top";
  EXPECT_EQ(adapter, nullptr);
  EXPECT_EQ(ProcOf(edit), &SpyProc);
  EXPECT_EQ(Spies()[edit].previous, &AdapterWindowProc);
  EXPECT_EQ(GetPropW(edit, kAdapterProperty), nullptr);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetPropW(edit, kReplacedProcProperty)), original);

  SetWindowTextW(edit, L"tükör");
  wchar_t text[16] = {};
  GetWindowTextW(edit, text, 16);
  EXPECT_STREQ(text, L"tükör") << "the EDIT's own procedure got the text";
  EXPECT_EQ(Command(edit, scIsSkinned), 0);
  EXPECT_GE(Spies()[edit].Count(WM_SETTEXT), 1u);

  // A new adapter finds the procedure still in the chain and reuses it.
  TskMainWnd* second = Adapt(edit);
  EXPECT_EQ(ProcOf(edit), &SpyProc);
  EXPECT_EQ(second->SavedWndProc, original);
  EXPECT_EQ(Command(edit, scIsSkinned), 1);
  FreeAdapter(second);
  EXPECT_EQ(Command(edit, scIsSkinned), 0);
  DestroyWindow(edit);  // WM_NCDESTROY runs through the forwarding procedure and clears its property
  EXPECT_EQ(Spies().count(edit), 0u);
}

// The same for a control: a hook of the component layer above the adapter stays; the control's messages
// reach the control after the adapter is freed, and after the hook above is given back too.
TEST_F(AdapterTest, ControlHookAboveStaysAndForwardsAfterFree) {
  auto* panel = skintest::AddControl<TSkinnedPanel>(form_.get());
  const TWndMethod own = panel->WindowProc();
  TskMainWnd* adapter = Adapt(panel->Handle(), panel->data.get());
  const TWndMethod below = panel->WindowProc();
  int hookCalls = 0;
  const TWndMethod hook = TWndMethod::FromFunction([&](TMessage& m) {
    ++hookCalls;
    below(m);
  });
  panel->SetWindowProc(hook);
  EXPECT_FALSE(DetachAdapter(panel->Handle(), true, false, adapter));
  EXPECT_TRUE(panel->WindowProc() == hook) << "the hook above is not overwritten";
  panel->commands.clear();
  hookCalls = 0;
  panel->Perform(SkinCommandMessage, SkinCommandWParam(scIsUpdating));
  EXPECT_EQ(hookCalls, 1);
  EXPECT_TRUE(panel->Saw(scIsUpdating)) << "the freed adapter's entry forwards to the panel";
  panel->SetWindowProc(below);  // the hook gives back what it replaced: the adapter's entry
  panel->commands.clear();
  panel->Perform(SkinCommandMessage, SkinCommandWParam(scIsUpdating));
  EXPECT_TRUE(panel->Saw(scIsUpdating));
  (void)own;
}

// Two adapters stacked on one control, the lower freed first: neither is called once freed, the
// control keeps receiving its messages, and each frees without touching the other.
TEST_F(AdapterTest, StackedControlHooksFreedInTheWrongOrder) {
  auto* panel = skintest::AddControl<TSkinnedPanel>(form_.get());
  const TWndMethod own = panel->WindowProc();
  auto* lower = Adapt(panel->Handle(), panel->data.get());
  auto* upper = Adapt(panel->Handle(), panel->data.get());
  EXPECT_EQ(FindAdapter(panel->Handle()), upper);
  TskMainWnd* first = lower;
  FreeAdapter(first);
  EXPECT_EQ(FindAdapter(panel->Handle()), upper) << "the lower adapter does not take the upper one's property";
  panel->commands.clear();
  const int upperCalls = upper->calls;
  EXPECT_EQ(panel->Perform(SkinCommandMessage, SkinCommandWParam(scIsSkinned)), 1);
  panel->Perform(WM_SIZE, 0, 0);
  EXPECT_GT(upper->calls, upperCalls);
  EXPECT_TRUE(panel->Saw(scIsSkinned) || upper->calls > upperCalls);
  TskMainWnd* second = upper;
  FreeAdapter(second);
  panel->commands.clear();
  panel->Perform(SkinCommandMessage, SkinCommandWParam(scIsUpdating));
  EXPECT_TRUE(panel->Saw(scIsUpdating));
  EXPECT_TRUE(TWatchedAdapter::Live().empty());
  (void)own;
}

// An adapter freed from inside its own WM_DESTROY goes only after that call; the window's destruction
// ends without a call reaching it afterwards. Both for a foreign window and for a control.
TEST_F(AdapterTest, AdapterFreedInItsOwnDestroy) {
  const HWND stat = RawChild(L"STATIC");
  auto* adapter = Adapt(stat);
  adapter->freeOnDestroy = true;
  DestroyWindow(stat);
  EXPECT_TRUE(TWatchedAdapter::Live().empty());

  auto* panel = skintest::AddControl<TSkinnedPanel>(form_.get());
  auto* panelAdapter = Adapt(panel->Handle(), panel->data.get());
  panelAdapter->freeOnDestroy = true;
  delete panel;
  EXPECT_TRUE(TWatchedAdapter::Live().empty());
}

// Commands 1 and 2 of another manager change nothing and pass on unchanged; command 3 of the adapter's
// own manager to a hidden window re-resolves the section but neither paints nor passes on.
TEST_F(AdapterTest, CommandsOfAnotherManagerAndHiddenRefresh) {
  const HWND stat = RawChild(L"STATIC");
  InstallSpy(stat);  // under the adapter: sees what the adapter passes on
  auto* adapter = Adapt(stat);
  std::unique_ptr<TsSkinManager> other(New<TsSkinManager>(nullptr));
  ASSERT_EQ(TsSkinManager::DefaultManager(), manager_);
  const Integer section = adapter->SkinData->SectionIndex;
  adapter->SkinData->BackgroundDirty = false;
  SpyRecord& spy = Spies()[stat];

  for (const Word command : {scNewSkin, scRemoveSkin}) {
    spy.seen.clear();
    Command(stat, command, reinterpret_cast<LPARAM>(other.get()));
    ASSERT_EQ(spy.Count(SkinCommandMessage, command), 1u) << command;
    EXPECT_EQ(spy.seen.back().LParam, reinterpret_cast<LPARAM>(other.get()));
    EXPECT_EQ(spy.seen.back().WParam, SkinCommandWParam(command));
  }
  EXPECT_EQ(adapter->restored, 0);
  EXPECT_EQ(adapter->SkinData->SectionIndex, section);
  EXPECT_FALSE(adapter->SkinData->BackgroundDirty);
  Command(stat, scRemoveSkin, reinterpret_cast<LPARAM>(manager_));
  EXPECT_EQ(adapter->restored, 1);

  ShowWindow(stat, SW_HIDE);
  adapter->SkinData->SectionIndex = -1;
  spy.seen.clear();
  Command(stat, scRefresh, reinterpret_cast<LPARAM>(manager_));
  EXPECT_EQ(adapter->SkinData->SectionIndex, section);
  EXPECT_EQ(spy.Count(WM_PAINT), 0u);
  EXPECT_EQ(spy.Count(SkinCommandMessage, scRefresh), 0u);
  Command(stat, scRefresh, reinterpret_cast<LPARAM>(other.get()));
  EXPECT_EQ(spy.Count(SkinCommandMessage, scRefresh), 1u) << "another manager's refresh is passed on";
  TskMainWnd* a = adapter;
  FreeAdapter(a);
  DestroyWindow(stat);
}

// The answers of the command table that do not depend on painting.
TEST_F(AdapterTest, CommandAnswers) {
  const HWND stat = RawChild(L"STATIC");
  auto* adapter = Adapt(stat);
  TsCommonData& data = *adapter->SkinData;
  EXPECT_EQ(Command(stat, scGetApplication), reinterpret_cast<LRESULT>(Application));
  data.UpdatingFlag = true;
  EXPECT_EQ(Command(stat, scIsUpdating), 1);
  data.UpdatingFlag = false;
  EXPECT_EQ(Command(stat, scIsUpdating), 0);
  const TsGeneralData& panel = SectionData("PANEL");
  EXPECT_EQ(static_cast<Cardinal>(Command(stat, scGetBgColor)), ColorToRGB(static_cast<TColor>(panel.Props[0].Color)));
  TskSectionInfo info;
  info.Name = "EDIT";
  Command(stat, scSetSkinSection, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(data.SkinSection(), "EDIT");
  EXPECT_EQ(data.SectionIndex, Section("EDIT"));
  const HDC printer = reinterpret_cast<HDC>(static_cast<intptr_t>(0x1234));
  Command(stat, scPrintMode, reinterpret_cast<LPARAM>(printer));
  EXPECT_NE(data.StateBits & ssPrinting, 0);
  EXPECT_EQ(data.PrintTarget, printer);
  Command(stat, scPrintMode, 0);
  EXPECT_EQ(data.StateBits & ssPrinting, 0);
  // Background requests are answered for the window (its section is opaque: a colour).
  TskBgRequest request;
  EXPECT_EQ(Command(stat, scFillBgRequest, reinterpret_cast<LPARAM>(&request)), 0);
  EXPECT_EQ(request.AnswerKind, bgColor);
  // Addresses from another thread are not followed.
  TskBgRequest foreign;
  TskSectionInfo foreignSection;
  foreignSection.Name = "PANEL";
  struct Job {
    HWND window;
    TskBgRequest* request;
    TskSectionInfo* section;
  } job{stat, &foreign, &foreignSection};
  const HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        auto* j = static_cast<Job*>(p);
        Command(j->window, scFillBgRequest, reinterpret_cast<LPARAM>(j->request));
        Command(j->window, scSetSkinSection, reinterpret_cast<LPARAM>(j->section));
        return 0;
      },
      &job, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  // The sent messages are handled here while waiting.
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  }
  CloseHandle(thread);
  EXPECT_EQ(foreign.AnswerKind, bgNotAnswered);
  EXPECT_EQ(data.SkinSection(), "EDIT");
  TskMainWnd* a = adapter;
  FreeAdapter(a);
  DestroyWindow(stat);
}

// The mouse over an adapted raw window makes it the manager's hot window: the previous one hears
// command 30, the new one 29.
TEST_F(AdapterTest, MouseMoveMakesTheWindowHot) {
  const HWND first = RawChild(L"STATIC");
  const HWND second = RawChild(L"STATIC");
  InstallSpy(first);
  InstallSpy(second);
  auto* a = Adapt(first);
  auto* b = Adapt(second);
  SendMessageW(first, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(manager_->ActiveWindow(), first);
  EXPECT_EQ(Spies()[first].Count(SkinCommandMessage, scMouseEnter), 1u);
  SendMessageW(first, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Spies()[first].Count(SkinCommandMessage, scMouseEnter), 1u) << "already hot: nothing sent again";
  SendMessageW(second, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(manager_->ActiveWindow(), second);
  EXPECT_EQ(Spies()[first].Count(SkinCommandMessage, scMouseLeave), 1u);
  EXPECT_EQ(Spies()[second].Count(SkinCommandMessage, scMouseEnter), 1u);
  manager_->SetActiveControl(static_cast<HWND>(nullptr));
  EXPECT_EQ(manager_->ActiveWindow(), nullptr);
  EXPECT_EQ(Spies()[second].Count(SkinCommandMessage, scMouseLeave), 1u);
  TskMainWnd* x = a;
  TskMainWnd* y = b;
  FreeAdapter(x);
  FreeAdapter(y);
  DestroyWindow(first);
  DestroyWindow(second);
}

// The theme comes off at creation (not for the "DIALOG" section, nor while dialog children are
// adapted) and is given back when the adapter goes.
TEST_F(AdapterTest, ThemeIsTakenOffAndGivenBack) {
  const TSetWindowTheme previous = SetWindowThemeProc;
  SetWindowThemeProc = RecordTheme;
  struct Case {
    const char* section;
    bool dialogChildren;
    bool offAtCreation;
  } cases[] = {{"PANEL", false, true}, {"DIALOG", false, false}, {"PANEL", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    const HWND stat = RawChild(L"STATIC");
    ThemeCalls().clear();
    AdaptingDialogChildren = c.dialogChildren;
    TskMainWnd* adapter = Adapt(stat, nullptr, c.section);
    AdaptingDialogChildren = false;
    EXPECT_EQ(adapter->DialogMode, c.dialogChildren);
    ASSERT_EQ(ThemeCalls().size(), c.offAtCreation ? 1u : 0u);
    if (c.offAtCreation) {
      EXPECT_TRUE(ThemeCalls()[0].off);
    }
    ThemeCalls().clear();
    FreeAdapter(adapter);
    ASSERT_EQ(ThemeCalls().size(), 1u);
    EXPECT_EQ(ThemeCalls()[0].window, stat);
    EXPECT_FALSE(ThemeCalls()[0].off);
    DestroyWindow(stat);
  }
  SetWindowThemeProc = previous;
}

// An exception raised by an adapter's procedure goes to the application's handler and no further; the
// adapter keeps answering afterwards.
TEST_F(AdapterTest, ExceptionsStayInsideTheWindowProcedure) {
  std::vector<AnsiString> reported;
  const TExceptionEvent previous = Application->OnException;
  Application->OnException = [&](TObject*, const Exception& e) { reported.push_back(e.Message()); };
  const HWND stat = RawChild(L"STATIC");
  auto* adapter = Adapt(stat);
  adapter->throwOn = WM_USER + 5;
  EXPECT_EQ(SendMessageW(stat, WM_USER + 5, 0, 0), 0);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], "adapter failure");
  EXPECT_EQ(Command(stat, scIsSkinned), 1);
  Application->OnException = previous;
  TskMainWnd* a = adapter;
  FreeAdapter(a);
  DestroyWindow(stat);
}

// The control adapter's bulk clean-up frees adapters without unhooking them: the procedure stays in
// the window, the property goes, and the window forwards to its own procedure up to its destruction.
TEST_F(AdapterTest, BulkCleanUpLeavesAForwardingProcedure) {
  const HWND edit = RawChild(L"EDIT");
  const WNDPROC original = ProcOf(edit);
  TskMainWnd* adapter = Adapt(edit);
  CtrlAdapterFreeingAll = true;
  FreeAdapter(adapter);
  CtrlAdapterFreeingAll = false;
  EXPECT_EQ(ProcOf(edit), &AdapterWindowProc);
  EXPECT_EQ(FindAdapter(edit), nullptr);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetPropW(edit, kReplacedProcProperty)), original);
  SetWindowTextW(edit, L"fűzfa");
  wchar_t text[16] = {};
  GetWindowTextW(edit, text, 16);
  EXPECT_STREQ(text, L"fűzfa");
  EXPECT_EQ(Command(edit, scIsSkinned), 0);
  DestroyWindow(edit);
}

}  // namespace
