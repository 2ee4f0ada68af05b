// Forms: the life-cycle events, modal showing with the Esc/Enter keys and ModalResult, closing rules,
// focus rules and their error, border styles, position and size limits, and the main form's run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/Screen.h"

namespace {

std::vector<std::string> gLog;

class TfrmDialog : public TForm {
 public:
  explicit TfrmDialog(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetClientSize(240, 120);
    edit = New<TEdit>(this);
    edit->SetBounds(10, 10, 200, 21);
    edit->SetParent(this);
    ok = New<TButton>(this);
    ok->SetBounds(10, 80, 75, 25);
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    ok->SetParent(this);
    cancel = New<TButton>(this);
    cancel->SetBounds(100, 80, 75, 25);
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    cancel->SetParent(this);
    OnCreate = [](TObject*) { gLog.push_back("create"); };
    OnShow = [](TObject*) { gLog.push_back("show"); };
    OnHide = [](TObject*) { gLog.push_back("hide"); };
    OnDestroy = [](TObject*) { gLog.push_back("destroy"); };
  }
  TEdit* edit;
  TButton* ok;
  TButton* cancel;
};

}  // namespace

TEST(Form, LifeCycleEventsInOrder) {
  gLog.clear();
  TfrmDialog* f = New<TfrmDialog>(nullptr);
  f->Show();
  f->Hide();
  delete f;
  EXPECT_EQ(gLog, (std::vector<std::string>{"create", "show", "hide", "destroy"}));
}

TEST(Form, OnCreateExceptionIsShownAndTheFormStays) {
  class TfrmFailing : public TForm {
   public:
    explicit TfrmFailing(TComponent* owner) : TForm(owner) {
      OnCreate = [](TObject*) { throw EDatabaseError("Table not found"); };
    }
  };
  AnsiString shown;
  Application->OnException = [&](TObject*, const Exception& e) { shown = e.Message(); };
  std::unique_ptr<TfrmFailing> f(New<TfrmFailing>(nullptr));
  Application->OnException = nullptr;
  EXPECT_EQ(shown, "Table not found");
  EXPECT_FALSE(f->FormState().Contains(fsCreating));
}

TEST(Form, ShowModalEndsWithTheButtonsModalResult) {
  struct Case {
    const char* what;
    WORD key;       // posted to the focused control; 0: click the OK button
    TModalResult expected;
  };
  const Case cases[] = {
      {"Esc clicks the Cancel button", VK_ESCAPE, mrCancel},
      {"Enter clicks the default button", VK_RETURN, mrOk},
      {"a click", 0, mrOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TfrmDialog> f(New<TfrmDialog>(nullptr));
    f->SetActiveControl(f->edit);
    HWND focused = nullptr;
    bool otherDisabled = false;
    std::unique_ptr<TForm> other(New<TForm>(nullptr));
    other->Show();
    guitest::RunLater([&] {
      focused = GetFocus();
      otherDisabled = !IsWindowEnabled(other->Handle());
      if (c.key != 0) {
        guitest::PostKey(focused, c.key);
      } else {
        PostMessageW(f->ok->Handle(), BM_CLICK, 0, 0);
      }
    });
    EXPECT_EQ(f->ShowModal(), c.expected);
    EXPECT_EQ(focused, f->edit->Handle());
    EXPECT_TRUE(otherDisabled);
    EXPECT_TRUE(IsWindowEnabled(other->Handle()));  // enabled again afterwards
    EXPECT_FALSE(f->Visible());
    EXPECT_FALSE(f->FormState().Contains(fsModal));
  }
}

TEST(Form, CloseQueryCanRefuseAndOnCloseDecidesWhatHappens) {
  std::unique_ptr<TfrmDialog> f(New<TfrmDialog>(nullptr));
  int asked = 0;
  f->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++asked > 1; };
  guitest::RunLater([&] {
    f->Close();  // refused: the loop goes on
    guitest::RunLater([&] { f->Close(); });
  });
  EXPECT_EQ(f->ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);

  // Outside modal: caHide hides, caNone keeps, caFree frees it after the queued messages.
  f->OnCloseQuery = nullptr;
  f->Show();
  TCloseAction action = caNone;
  f->OnClose = [&](TObject*, TCloseAction& a) { a = action; };
  f->Close();
  EXPECT_TRUE(f->Visible());
  action = caHide;
  f->Close();
  EXPECT_FALSE(f->Visible());

  gLog.clear();
  action = caFree;
  TfrmDialog* freed = f.release();
  freed->Show();
  freed->Close();
  EXPECT_TRUE(gLog.empty() || gLog.back() != "destroy");
  guitest::Pump();
  EXPECT_EQ(gLog.back(), "destroy");
}

TEST(Form, ShowModalRefusesAVisibleForm) {
  std::unique_ptr<TfrmDialog> f(New<TfrmDialog>(nullptr));
  f->Show();
  EXPECT_THROW(f->ShowModal(), EInvalidOperation);
}

TEST(Form, FocusRules) {
  std::unique_ptr<TfrmDialog> f(New<TfrmDialog>(nullptr));
  auto* panel = New<TPanel>(f.get());
  panel->SetParent(f.get());
  auto* inner = New<TEdit>(f.get());
  inner->SetParent(panel);
  std::vector<std::string> log;
  f->edit->OnEnter = [&](TObject*) { log.push_back("enter edit"); };
  f->edit->OnExit = [&](TObject*) { log.push_back("exit edit"); };
  f->Show();

  f->edit->SetFocus();
  EXPECT_EQ(GetFocus(), f->edit->Handle());
  EXPECT_EQ(f->ActiveControl(), f->edit);
  EXPECT_EQ(Screen->ActiveControl(), f->edit);
  f->ok->SetFocus();
  EXPECT_EQ(f->ActiveControl(), f->ok);
  EXPECT_EQ(log, (std::vector<std::string>{"enter edit", "exit edit"}));

  const char* const kError = "Cannot focus a disabled or invisible window";
  panel->SetEnabled(false);
  EXPECT_FALSE(inner->CanFocus());
  try {
    inner->SetFocus();
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), kError);
  }
  EXPECT_THROW(f->SetActiveControl(inner), EInvalidOperation);
  panel->SetEnabled(true);
  inner->SetVisible(false);
  EXPECT_THROW(f->SetActiveControl(inner), EInvalidOperation);

  std::unique_ptr<TfrmDialog> other(New<TfrmDialog>(nullptr));
  EXPECT_THROW(f->SetActiveControl(other->edit), EInvalidOperation);  // not on this form
  f->SetActiveControl(nullptr);

  // Hiding the focused control takes it out of ActiveControl.
  f->edit->SetFocus();
  f->edit->SetVisible(false);
  EXPECT_EQ(f->ActiveControl(), nullptr);
}

TEST(Form, TabMovesTheFocusInTabOrder) {
  std::unique_ptr<TfrmDialog> f(New<TfrmDialog>(nullptr));
  f->cancel->SetTabOrder(0);  // cancel, edit, ok
  EXPECT_EQ(f->edit->TabOrder(), 1);
  f->SetActiveControl(f->cancel);
  std::vector<HWND> focus;
  guitest::RunLater([&] {
    focus.push_back(GetFocus());
    guitest::PostKey(GetFocus(), VK_TAB);
    guitest::RunLater([&] {
      focus.push_back(GetFocus());
      guitest::PostKey(GetFocus(), VK_TAB);
      guitest::RunLater([&] {
        focus.push_back(GetFocus());
        f->SetModalResult(mrAbort);
      });
    });
  });
  EXPECT_EQ(f->ShowModal(), mrAbort);
  EXPECT_EQ(focus, (std::vector<HWND>{f->cancel->Handle(), f->edit->Handle(), f->ok->Handle()}));
}

TEST(Form, BorderStylesPositionAndSizeLimits) {
  std::unique_ptr<TfrmDialog> f(New<TfrmDialog>(nullptr));
  f->SetPosition(poScreenCenter);
  f->Show();
  HWND before = f->Handle();
  LONG_PTR style = GetWindowLongPtrW(f->Handle(), GWL_STYLE);
  LONG_PTR exStyle = GetWindowLongPtrW(f->Handle(), GWL_EXSTYLE);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0);
  EXPECT_EQ(style & WS_MINIMIZEBOX, 0);

  const TRect area = Screen->WorkAreaRect();
  EXPECT_NEAR(f->Left(), area.Left + (area.Width() - f->Width()) / 2, 1);
  EXPECT_NEAR(f->Top(), area.Top + (area.Height() - f->Height()) / 2, 1);

  f->edit->SetText("kept");
  f->SetBorderStyle(bsSizeable);  // a new window, with the controls and their text
  EXPECT_NE(f->Handle(), before);
  EXPECT_NE(GetWindowLongPtrW(f->Handle(), GWL_STYLE) & WS_THICKFRAME, 0);
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  EXPECT_EQ(GetParent(f->edit->Handle()), f->Handle());
  EXPECT_EQ(f->edit->Text(), "kept");

  f->Constraints().SetMinWidth(300);
  f->Constraints().SetMinHeight(200);
  f->SetBounds(f->Left(), f->Top(), 100, 100);
  EXPECT_EQ(f->Width(), 300);
  EXPECT_EQ(f->Height(), 200);
  MINMAXINFO info{};
  SendMessageW(f->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 300);
  EXPECT_EQ(info.ptMinTrackSize.y, 200);
}

TEST(Form, MainFormRunsTheApplicationUntilItCloses) {
  guitest::FreshApplication app;
  TfrmDialog* main = nullptr;
  TfrmDialog* second = nullptr;
  app->CreateForm(main);
  app->CreateForm(second);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(app->MainForm(), main);
  EXPECT_EQ(main->Owner(), app.operator->());
  EXPECT_NE(GetWindowLongPtrW(main->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  EXPECT_EQ(GetWindowLongPtrW(second->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

  bool shownWhileRunning = false;
  guitest::RunLater([&] {
    shownWhileRunning = IsWindowVisible(main->Handle()) && !IsWindowVisible(second->Handle());
    main->Close();
  });
  app->Run();
  EXPECT_TRUE(shownWhileRunning);
  EXPECT_TRUE(app->Terminated());
}
