// The application: its hidden window, exceptions from handlers, key pre-dispatch to shortcuts (with the
// AltGr rule), hooks of the application window, utility windows and deferred freeing of forms.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "GuiTestSupport.h"
#include "vcl/gui/ActionList.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/PopupMenuBase.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/TextConv.h"

TEST(Application, HiddenWindowOfClassTApplicationCarriesTheTitle) {
  guitest::FreshApplication app;
  app->SetTitle(Utf8ToCp1250("Quillnote – napló"));
  EXPECT_EQ(guitest::WindowClassOf(app->Handle()), L"TApplication");
  EXPECT_FALSE(IsWindowVisible(app->Handle()));
  wchar_t text[64] = {};
  GetWindowTextW(app->Handle(), text, 64);
  EXPECT_EQ(Utf16ToUtf8(reinterpret_cast<const char16_t*>(text)), "Quillnote – napló");
  EXPECT_NE(app->ExeName().find("vcl_gui_tests"), AnsiString::npos);
}

TEST(Application, HandleExceptionRoutesEveryKindOfException) {
  std::vector<std::pair<AnsiString, AnsiString>> boxes;
  TExceptionBoxHook saved = SetExceptionBoxHook(
      [&](const AnsiString& message, const AnsiString& caption) { boxes.emplace_back(message, caption); });
  const AnsiString title = Application->Title();
  Application->SetTitle("Quillnote");
  struct Case {
    const char* what;
    std::function<void()> raise;
    const char* shown;  // nullptr: nothing shown
  };
  const Case cases[] = {
      {"EAbort is silent", [] { throw EAbort("quiet"); }, nullptr},
      {"a message gets a full stop", [] { throw EDatabaseError("Table not found"); }, "Table not found."},
      {"one ending in a full stop keeps it", [] { throw EConvertError("Bad value."); }, "Bad value."},
      {"as the library: nothing after a character below '.'", [] { throw Exception("Oops!"); }, "Oops!"},
      {"a standard exception", [] { throw std::runtime_error("disk full"); }, "disk full."},
      {"anything else", [] { throw 42; }, "Unknown exception."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    boxes.clear();
    try {
      c.raise();
    } catch (...) {
      Application->HandleException(nullptr);
    }
    if (c.shown == nullptr) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].first, c.shown);
      EXPECT_EQ(boxes[0].second, "Quillnote");
    }
  }
  // OnException takes the place of the box.
  boxes.clear();
  AnsiString handled;
  Application->OnException = [&](TObject*, const Exception& e) { handled = e.Message(); };
  try {
    throw EListError("x");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  Application->OnException = nullptr;
  EXPECT_EQ(handled, "x");
  EXPECT_TRUE(boxes.empty());
  Application->SetTitle(title);
  SetExceptionBoxHook(saved);
}

namespace {

class TfrmKeys : public TForm {
 public:
  explicit TfrmKeys(TComponent* owner) : TForm(owner) {
    panel = New<TPanel>(this);
    panel->SetParent(this);
    panel->SetAlign(alClient);
    edit = New<TEdit>(this);
    edit->SetParent(panel);
    actions = New<TActionList>(this);
    acNewDay = New<TAction>(this);
    acNewDay->SetActionList(actions);
    acNewDay->SetShortCut(ShortCut('N', TShiftState{ssCtrl, ssAlt}));  // 49230
    acNewDay->OnExecute = [this](TObject*) { ++newDay; };
    acSave = New<TAction>(this);
    acSave->SetActionList(actions);
    acSave->SetShortCut(49235);  // Ctrl+Alt+S
    acSave->SetEnabled(false);
    acSave->OnExecute = [this](TObject*) { ++save; };
    edit->OnKeyDown = [this](TObject*, Word& key, TShiftState) { keysAtEdit.push_back(key); };
  }
  TPanel* panel;
  TEdit* edit;
  TActionList* actions;
  TAction* acNewDay;
  TAction* acSave;
  int newDay = 0;
  int save = 0;
  std::vector<Word> keysAtEdit;
};

class TTestPopup : public TPopupMenuBase {
 public:
  using TPopupMenuBase::TPopupMenuBase;
  void Popup(Integer, Integer) override {}
  bool IsShortCut(const TWMKey& message) override {
    if (ShortCutFromMessage(message) != (scCtrl | 'X')) return false;
    ++cuts;
    return true;
  }
  int cuts = 0;
};

}  // namespace

TEST(Application, CtrlAltShortcutsReachTheFormsActions) {
  std::unique_ptr<TfrmKeys> f(New<TfrmKeys>(nullptr));
  f->Show();
  f->edit->SetFocus();
  struct Case {
    const char* what;
    std::initializer_list<int> down;
    WORD key;
    int newDay, save;
    bool reachesEdit;
  };
  const Case cases[] = {
      {"Ctrl+Alt+N runs the action", {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU}, 'N', 1, 0, false},
      {"AltGr+N types a character instead", {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_RMENU}, 'N', 0, 0, true},
      {"a disabled action lets the key through", {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU}, 'S', 0, 0, true},
      {"no shortcut", {}, 'N', 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f->newDay = f->save = 0;
    f->keysAtEdit.clear();
    {
      guitest::KeysDown keys(c.down);
      guitest::PostKey(f->edit->Handle(), c.key);
      guitest::Pump();
    }
    EXPECT_EQ(f->newDay, c.newDay);
    EXPECT_EQ(f->save, c.save);
    EXPECT_EQ(!f->keysAtEdit.empty(), c.reachesEdit);
  }
}

TEST(Application, PopupMenusOfTheFocusedControlAndItsParentsComeFirst) {
  std::unique_ptr<TfrmKeys> f(New<TfrmKeys>(nullptr));
  auto* menu = New<TTestPopup>(f.get());
  f->panel->SetPopupMenu(menu);  // on the edit's parent
  f->Show();
  f->edit->SetFocus();
  {
    guitest::KeysDown keys({VK_CONTROL, VK_LCONTROL});
    guitest::PostKey(f->edit->Handle(), 'X');
    guitest::Pump();
  }
  EXPECT_EQ(menu->cuts, 1);
  EXPECT_TRUE(f->keysAtEdit.empty());
}

TEST(Application, MainFormShortcutsWorkFromAnotherForm) {
  guitest::FreshApplication app;
  TfrmKeys* main = nullptr;
  app->CreateForm(main);
  main->Show();
  std::unique_ptr<TfrmKeys> other(New<TfrmKeys>(nullptr));
  other->acNewDay->SetShortCut(scNone);  // the other form has no Ctrl+Alt+N of its own
  other->Show();
  other->edit->SetFocus();
  {
    guitest::KeysDown keys({VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU});
    guitest::PostKey(other->edit->Handle(), 'N');
    app->ProcessMessages();
  }
  EXPECT_EQ(main->newDay, 1);
  EXPECT_EQ(other->newDay, 0);
}

// The application window is never shown: minimising or restoring the application acts on the main form,
// which carries the taskbar button.
TEST(Application, MinimiseAndRestoreActOnTheMainForm) {
  guitest::FreshApplication app;
  TForm* main = nullptr;
  app->CreateForm(main);
  ShowWindow(main->Handle(), SW_SHOWNOACTIVATE);
  SendMessageW(app->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_NE(IsIconic(main->Handle()), FALSE);
  EXPECT_FALSE(IsWindowVisible(app->Handle()));
  SendMessageW(app->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(IsIconic(main->Handle()), FALSE);
  EXPECT_NE(IsWindowVisible(main->Handle()), FALSE);
  EXPECT_FALSE(IsWindowVisible(app->Handle()));
}

TEST(Application, HooksSeeTheApplicationWindowsMessagesFirst) {
  std::vector<UINT> seen;
  struct Hooker {
    std::vector<UINT>* seen;
    bool Hook(TMessage& m) {
      if (m.Msg < WM_USER) return false;
      seen->push_back(m.Msg);
      m.Result = 77;
      return m.Msg == WM_USER + 5;
    }
  } hooker{&seen};
  const TWindowHook hook(&hooker, &Hooker::Hook);
  Application->HookMainWindow(hook);
  EXPECT_EQ(SendMessageW(Application->Handle(), WM_USER + 5, 0, 0), 77);
  EXPECT_EQ(SendMessageW(Application->Handle(), WM_USER + 6, 0, 0), 0);  // passed on: DefWindowProc
  Application->UnhookMainWindow(TWindowHook(&hooker, &Hooker::Hook));
  SendMessageW(Application->Handle(), WM_USER + 5, 0, 0);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 5, WM_USER + 6}));
}

TEST(Application, UtilityWindowsSendTheirMessagesToAMethod) {
  std::vector<UINT> got;
  AnsiString error;
  Application->OnException = [&](TObject*, const Exception& e) { error = e.Message(); };
  HWND window = AllocateHWnd(TWndMethod::FromFunction([&](TMessage& m) {
    if (m.Msg == WM_USER + 1) throw EConvertError("bad");
    if (m.Msg >= WM_USER) got.push_back(m.Msg);
    m.Result = 5;
  }));
  EXPECT_EQ(guitest::WindowClassOf(window), L"TPUtilWindow");
  EXPECT_EQ(SendMessageW(window, WM_USER + 2, 0, 0), 5);
  SendMessageW(window, WM_USER + 1, 0, 0);
  DeallocateHWnd(window);
  Application->OnException = nullptr;
  EXPECT_EQ(got, (std::vector<UINT>{WM_USER + 2}));
  EXPECT_EQ(error, "bad");
  EXPECT_FALSE(IsWindow(window));
}

TEST(Screen, FormsAreListedMostRecentlyActiveFirst) {
  const int before = Screen->CustomFormCount();
  std::unique_ptr<TForm> a(New<TForm>(nullptr));
  std::unique_ptr<TForm> b(New<TForm>(nullptr));
  EXPECT_EQ(Screen->CustomFormCount(), before + 2);
  a->Show();
  b->Show();
  a->SetFocus();
  guitest::Pump();
  EXPECT_EQ(Screen->ActiveCustomForm(), a.get());
  EXPECT_EQ(Screen->ActiveForm(), a.get());
  EXPECT_EQ(Screen->CustomForms(0), a.get());
  b.reset();
  EXPECT_EQ(Screen->CustomFormCount(), before + 1);
  EXPECT_THROW(Screen->CustomForms(Screen->CustomFormCount()), EListError);
  a.reset();
  EXPECT_EQ(Screen->ActiveCustomForm(), nullptr);
}
