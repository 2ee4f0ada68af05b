// Controls over real windows: window classes named after the classes, the replaceable window
// procedure, the layer's notifications, inherited font and colour, Hungarian text through the W API,
// graphic controls, mouse enter/leave and no exception escaping a window procedure.
#include <gtest/gtest.h>

#include <vector>

#include "GuiTestSupport.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/HintWindow.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/PopupMenuBase.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/TextConv.h"

namespace {

class TfrmWindows : public TForm {
 public:
  explicit TfrmWindows(TComponent* owner) : TForm(owner) {
    SetClientSize(300, 200);
    panel = New<TPanel>(this);
    panel->SetName("panel");
    panel->SetBounds(10, 10, 150, 100);
    panel->SetParent(this);
    button = New<TButton>(this);
    button->SetBounds(10, 150, 75, 25);
    button->SetParent(this);
    edit = New<TEdit>(this);
    edit->SetBounds(100, 150, 100, 21);
    edit->SetParent(this);
  }
  TPanel* panel;
  TButton* button;
  TEdit* edit;
};

// Takes a control's window procedure over, as the skin library does with a form's: it records what
// passes and hands everything (or everything but one message) to the previous procedure.
class TRecorder : public TComponent {
 public:
  explicit TRecorder(TControl* control) : TComponent(nullptr), control_(control) {
    old_ = control->WindowProc();
    control->SetWindowProc(TWndMethod(this, &TRecorder::Proc));
  }
  void Restore() {
    if (control_->WindowProc() == TWndMethod(this, &TRecorder::Proc)) control_->SetWindowProc(old_);
  }
  bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
  void Proc(TMessage& m) {
    seen.push_back(m.Msg);
    if (m.Msg == swallow) return;
    old_(m);
  }
  std::vector<UINT> seen;
  UINT swallow = 0;

 private:
  TControl* control_;
  TWndMethod old_;
};

struct WindowsFixture : ::testing::Test {
  std::unique_ptr<TfrmWindows> form{New<TfrmWindows>(nullptr)};
  void TearDown() override { guitest::Pump(); }
};

}  // namespace

TEST_F(WindowsFixture, WindowClassesAreNamedAfterTheClasses) {
  form->Show();
  EXPECT_EQ(guitest::WindowClassOf(form->Handle()), L"TfrmWindows");
  EXPECT_EQ(guitest::WindowClassOf(form->panel->Handle()), L"TPanel");
  EXPECT_EQ(guitest::WindowClassOf(form->button->Handle()), L"TButton");
  EXPECT_EQ(guitest::WindowClassOf(form->edit->Handle()), L"TEdit");
  EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), Application->Handle());
  EXPECT_NE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE), 0);  // the skin's hook skips forms without one
  EXPECT_EQ(FindControl(form->button->Handle()), form->button);
  EXPECT_EQ(FindControl(GetDesktopWindow()), nullptr);

  // The superclassed system controls keep their behaviour: a BUTTON click reaches OnClick through
  // the reflected notification, an EDIT keeps its text and selection.
  int clicks = 0;
  form->button->OnClick = [&](TObject*) { ++clicks; };
  SendMessageW(form->button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  form->edit->SetText("abcdef");
  SendMessageW(form->edit->Handle(), EM_SETSEL, 1, 4);
  EXPECT_EQ(form->edit->SelText(), "bcd");
}

TEST_F(WindowsFixture, HungarianTextGoesThroughTheWideApi) {
  const AnsiString caption = Utf8ToCp1250("Árvíztűrő tükörfúrógép");
  form->SetCaption(caption);
  form->Show();
  wchar_t text[64] = {};
  GetWindowTextW(form->Handle(), text, 64);
  EXPECT_EQ(Utf16ToUtf8(reinterpret_cast<const char16_t*>(text)), "Árvíztűrő tükörfúrógép");
  EXPECT_EQ(form->Caption(), caption);

  // What the user types arrives as UTF-16 and is read as Windows-1250.
  SetWindowTextW(form->edit->Handle(), L"\u0151\u0171 \u0150\u0170");  // őű ŐŰ
  EXPECT_EQ(form->edit->Text(), Utf8ToCp1250("őű ŐŰ"));

  // The text survives a new window.
  form->edit->SetText(Utf8ToCp1250("tűz"));
  form->edit->RecreateWnd();
  EXPECT_EQ(form->edit->Text(), Utf8ToCp1250("tűz"));
}

TEST_F(WindowsFixture, ReplacedWindowProcSeesNotificationsAndCanBeGivenBack) {
  form->Show();
  TRecorder recorder(form.get());
  form->SetBounds(form->Left(), form->Top(), 350, 260);
  form->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(recorder.Saw(WM_SIZE));          // window messages
  EXPECT_TRUE(recorder.Saw(CM_MOUSEENTER));    // Perform goes through it too
  EXPECT_EQ(form->Width(), 350);               // the previous procedure did its work

  // What the form's own procedure does for CM_SHOWINGCHANGED is what shows and hides the window.
  recorder.swallow = CM_SHOWINGCHANGED;
  form->Hide();
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  recorder.swallow = 0;
  form->Show();
  form->Hide();
  EXPECT_FALSE(IsWindowVisible(form->Handle()));

  recorder.Restore();
  recorder.seen.clear();
  form->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(recorder.seen.empty());
  EXPECT_TRUE(form->WindowProc() == TWndMethod(form.get(), &TControl::WndProc));
}

TEST_F(WindowsFixture, StateChangesSendTheLayersNotifications) {
  form->Show();
  TRecorder panel(form->panel);
  TRecorder parent(form.get());
  struct Case {
    const char* what;
    std::function<void()> change;
    UINT expected;
    TRecorder* at;
  };
  TFont bigger;
  bigger.SetHeight(-20);
  const Case cases[] = {
      {"visible", [&] { form->panel->SetVisible(false); }, CM_VISIBLECHANGED, &panel},
      {"showing", [&] { form->panel->SetVisible(true); }, CM_SHOWINGCHANGED, &panel},
      {"enabled", [&] { form->panel->SetEnabled(false); }, CM_ENABLEDCHANGED, &panel},
      {"colour", [&] { form->panel->SetColor(clRed); }, CM_COLORCHANGED, &panel},
      {"font", [&] { form->panel->SetFont(bigger); }, CM_FONTCHANGED, &panel},
      {"text", [&] { form->panel->SetCaption("x"); }, CM_TEXTCHANGED, &panel},
      {"parent font", [&] { form->SetFont(bigger); }, CM_PARENTFONTCHANGED, &panel},
      {"control list", [&] { New<TPanel>(form.get())->SetParent(form.get()); }, CM_CONTROLLISTCHANGE, &parent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.at->seen.clear();
    c.change();
    EXPECT_TRUE(c.at->Saw(c.expected));
  }
  EXPECT_FALSE(IsWindowEnabled(form->panel->Handle()));
  panel.Restore();
  parent.Restore();
}

TEST_F(WindowsFixture, FontAndColourComeFromTheParentUntilSetOwn) {
  auto* label = New<TLabel>(form.get());
  label->SetParent(form->panel);
  form->panel->SetColor(clYellow);
  EXPECT_EQ(label->Color(), clYellow);  // a label's colour follows its parent's
  EXPECT_TRUE(label->ParentColor());

  TFont font;
  font.SetName("Courier New");
  form->SetFont(font);
  EXPECT_EQ(form->panel->Font().Name(), "Courier New");
  EXPECT_EQ(label->Font().Name(), "Courier New");

  label->Font().SetHeight(-30);  // its own now
  EXPECT_FALSE(label->ParentFont());
  font.SetName("Tahoma");
  form->SetFont(font);
  EXPECT_EQ(label->Font().Name(), "Courier New");
  EXPECT_EQ(form->panel->Font().Name(), "Tahoma");
}

TEST_F(WindowsFixture, GraphicControlsArePaintedAndClickedThroughTheirParent) {
  auto* label = New<TLabel>(form.get());
  label->SetParent(form->panel);
  label->SetLeft(20);
  label->SetTop(30);
  label->Font().SetColor(clRed);
  label->Font().SetHeight(-16);
  label->SetCaption("MMMM");
  EXPECT_GT(label->Width(), 20);  // AutoSize
  EXPECT_GT(label->Height(), 10);
  int clicks = 0;
  label->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

  int red = 0;
  for (int y = 30; y < 30 + label->Height(); ++y)
    for (int x = 20; x < 20 + label->Width(); ++x) red += guitest::ClientPixel(form->panel->Handle(), x, y) == 0x0000FF;
  EXPECT_GT(red, 10);
  EXPECT_NE(guitest::ClientPixel(form->panel->Handle(), 5, 5), 0x0000FFu);

  const LPARAM at = MAKELPARAM(25, 35);  // inside the label, in the panel's coordinates
  SendMessageW(form->panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form->panel->Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(clicks, 1);
  SendMessageW(form->panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(form->panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
}

TEST_F(WindowsFixture, MouseEnterAndLeaveFollowTheMouse) {
  std::vector<std::string> log;
  form->panel->OnMouseEnter = [&](TObject*) { log.push_back("enter panel"); };
  form->panel->OnMouseLeave = [&](TObject*) { log.push_back("leave panel"); };
  form->button->OnMouseEnter = [&](TObject*) { log.push_back("enter button"); };
  form->Show();
  SendMessageW(form->panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  SendMessageW(form->panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 3));
  SendMessageW(form->button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(log, (std::vector<std::string>{"enter panel", "leave panel", "enter button"}));
  EXPECT_EQ(Application->MouseControl(), form->button);
}

TEST_F(WindowsFixture, ExceptionsInHandlersGoToTheApplicationNotThroughTheWindowProcedure) {
  std::vector<AnsiString> caught;
  Application->OnException = [&](TObject* sender, const Exception& e) {
    caught.push_back(e.Message() + (sender == form.get() ? " @form" : ""));
  };
  form->Show();
  form->OnResize = [](TObject*) { throw EConvertError("resize failed"); };
  form->button->OnClick = [](TObject*) { throw std::runtime_error("click failed"); };
  form->SetBounds(form->Left(), form->Top(), 333, 222);  // WM_SIZE runs OnResize inside the window procedure
  SendMessageW(form->button->Handle(), BM_CLICK, 0, 0);
  Application->OnException = nullptr;
  ASSERT_EQ(caught.size(), 2u);
  EXPECT_EQ(caught[0], "resize failed @form");
  EXPECT_EQ(caught[1], "click failed @form");  // caught where the WM_COMMAND arrived
  EXPECT_EQ(form->Width(), 333);
}

TEST_F(WindowsFixture, ContextMenuKeyAndRightClickShowThePopupMenu) {
  class TTestPopup : public TPopupMenuBase {
   public:
    using TPopupMenuBase::TPopupMenuBase;
    void Popup(Integer x, Integer y) override { shown.push_back(Point(x, y)); }
    bool IsShortCut(const TWMKey&) override { return false; }
    std::vector<TPoint> shown;
  };
  auto* menu = New<TTestPopup>(form.get());
  form->panel->SetPopupMenu(menu);
  form->Show();
  SendMessageW(form->panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->panel->Handle()),
               MAKELPARAM(400, 300));
  SendMessageW(form->panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->panel->Handle()), -1);
  ASSERT_EQ(menu->shown.size(), 2u);
  EXPECT_EQ(menu->shown[0], Point(400, 300));
  EXPECT_EQ(menu->shown[1], form->panel->ClientOrigin());  // from the keyboard: the control's corner
  EXPECT_EQ(menu->PopupComponent(), form->panel);

  // A child without a menu of its own passes the right click up to its parent's.
  auto* child = New<TPanel>(form.get());
  child->SetParent(form->panel);
  SendMessageW(child->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(child->Handle()), MAKELPARAM(10, 10));
  EXPECT_EQ(menu->shown.size(), 3u);

  delete menu;  // the control forgets a freed menu
  EXPECT_EQ(form->panel->PopupMenu(), nullptr);
}

TEST_F(WindowsFixture, ScreenCursorOverridesTheWindows) {
  form->Show();
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(SendMessageW(form->panel->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->panel->Handle()),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            1);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  Screen->SetCursor(crDefault);
  form->panel->SetCursor(crHandPoint);
  SetCursorPos(form->panel->ClientOrigin().X + 5, form->panel->ClientOrigin().Y + 5);
  SendMessageW(form->panel->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->panel->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(WindowsFixture, HintShowsTheShortPartAndTheApplicationKeepsTheLongPart) {
  Application->SetHintPause(0);
  Application->SetHint(AnsiString());
  form->button->SetHint(Utf8ToCp1250("Új|Új nap felvétele"));
  form->button->SetShowHint(true);
  std::vector<AnsiString> hints;
  Application->OnHint = [&](TObject*) { hints.push_back(Application->Hint()); };
  form->Show();
  SendMessageW(form->button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_TRUE(Application->HintWindow()->IsHintShowing());
  EXPECT_EQ(Application->HintWindow()->Caption(), Utf8ToCp1250("Új"));
  EXPECT_EQ(guitest::WindowClassOf(Application->HintWindow()->Handle()), L"THintWindow");
  ASSERT_FALSE(hints.empty());
  EXPECT_EQ(hints.back(), Utf8ToCp1250("Új nap felvétele"));

  // A control without ShowHint (and a parent without it) cancels the hint.
  SendMessageW(form->panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(Application->HintWindow()->IsHintShowing());

  // With a pause the hint waits for the application window's timer (the mouse really over the button,
  // so that no WM_MOUSELEAVE cancels it meanwhile).
  Application->SetHintPause(30);
  const TPoint over = form->button->ClientToScreen(Point(6, 6));
  SetCursorPos(over.X, over.Y);
  SendMessageW(form->button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  EXPECT_FALSE(Application->HintWindow()->IsHintShowing());
  for (int i = 0; i < 200 && !Application->HintWindow()->IsHintShowing(); ++i) {
    Sleep(5);
    guitest::Pump();
  }
  EXPECT_TRUE(Application->HintWindow()->IsHintShowing());
  Application->CancelHint();
  Application->OnHint = nullptr;
  Application->SetHintPause(500);
}
