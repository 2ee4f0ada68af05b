// A window with every standard control, read from its definition (the resource TFRMCONTROLS) the way
// the diary's windows are, then used as the diary uses them: the layout after a resize and a splitter
// drag, the memo menu enabled by its OnPopup, the tool bar, the action and menu shortcuts (and AltGr
// combinations passing through), Esc on the Cancel button and a clipboard round trip of Hungarian text.
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/ActionList.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Clipbrd.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/Memo.h"
#include "vcl/gui/MonthCalendar.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/gui/Splitter.h"
#include "vcl/gui/StatusBar.h"
#include "vcl/gui/ToolBar.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

namespace {

AnsiString Hu(const char* utf8) { return Utf8ToCp1250(utf8); }

class TfrmControls : public TForm {
 public:
  using TForm::TForm;
  TToolBar* ToolBar1 = nullptr;
  TToolButton *btnNew = nullptr, *btnDelete = nullptr, *btnSave = nullptr;
  TStatusBar* StatusBar1 = nullptr;
  TPanel *PanelMain = nullptr, *PanelLeft = nullptr, *PanelRight = nullptr, *PanelImage = nullptr,
         *PanelButtons = nullptr;
  TLabel* LabelDay = nullptr;
  TMonthCalendar* CalNew = nullptr;
  TSplitter* Splitter1 = nullptr;
  TMemo* Memo1 = nullptr;
  TButton *btnOK = nullptr, *btnCancel = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem *mnuCut = nullptr, *mnuCopy = nullptr, *mnuPaste = nullptr, *mnuSelectAll = nullptr, *mnuPost = nullptr;
  TActionList* ActionList1 = nullptr;
  TAction *acNewDay = nullptr, *acSave = nullptr;
  TImageList *ImageList1 = nullptr, *ImageList2 = nullptr;

  int newDays = 0, saves = 0, posts = 0;

  void DefineFields(TFieldTable& f) override {
    f.Add("ToolBar1", ToolBar1);
    f.Add("btnNew", btnNew);
    f.Add("btnDelete", btnDelete);
    f.Add("btnSave", btnSave);
    f.Add("StatusBar1", StatusBar1);
    f.Add("PanelMain", PanelMain);
    f.Add("PanelLeft", PanelLeft);
    f.Add("PanelRight", PanelRight);
    f.Add("PanelImage", PanelImage);
    f.Add("PanelButtons", PanelButtons);
    f.Add("LabelDay", LabelDay);
    f.Add("CalNew", CalNew);
    f.Add("Splitter1", Splitter1);
    f.Add("Memo1", Memo1);
    f.Add("btnOK", btnOK);
    f.Add("btnCancel", btnCancel);
    f.Add("PopupMenu1", PopupMenu1);
    f.Add("mnuCut", mnuCut);
    f.Add("mnuCopy", mnuCopy);
    f.Add("mnuPaste", mnuPaste);
    f.Add("mnuSelectAll", mnuSelectAll);
    f.Add("mnuPost", mnuPost);
    f.Add("ActionList1", ActionList1);
    f.Add("acNewDay", acNewDay);
    f.Add("acSave", acSave);
    f.Add("ImageList1", ImageList1);
    f.Add("ImageList2", ImageList2);
  }
  void DefineMethods(TMethodTable& m) override {
    m.Add("FormCreate", this, &TfrmControls::FormCreate);
    m.Add("FormResize", this, &TfrmControls::FormResize);
    m.Add("btnNewClick", this, &TfrmControls::btnNewClick);
    m.Add("btnSaveClick", this, &TfrmControls::btnSaveClick);
    m.Add("CalNewClick", this, &TfrmControls::CalNewClick);
    m.Add("PopupMenu1Popup", this, &TfrmControls::PopupMenu1Popup);
    m.Add("mnuCutClick", this, &TfrmControls::mnuCutClick);
    m.Add("mnuCopyClick", this, &TfrmControls::mnuCopyClick);
    m.Add("mnuPasteClick", this, &TfrmControls::mnuPasteClick);
    m.Add("mnuSelectAllClick", this, &TfrmControls::mnuSelectAllClick);
    m.Add("mnuPostClick", this, &TfrmControls::mnuPostClick);
  }

  void FormCreate(TObject*) {
    for (int i = 0; i < 5; ++i) {
      ImageList1->AddIconResource(GetModuleHandleW(nullptr), "TESTICON");
      ImageList2->AddIconResource(GetModuleHandleW(nullptr), "TESTICON");
    }
    CalNewClick(CalNew);
    StatusBar1->SetSimpleText(LabelDay->Caption());
  }
  void FormResize(TObject*) { PanelLeft->SetWidth(PanelMain->Width() / 3); }
  void btnNewClick(TObject*) { ++newDays; }
  void btnSaveClick(TObject*) { ++saves; }
  void CalNewClick(TObject*) { LabelDay->SetCaption(FormatDateTime("yyyy.mm.dd", CalNew->Date())); }
  void PopupMenu1Popup(TObject*) {
    mnuCut->SetEnabled(!Memo1->SelText().empty());
    mnuCopy->SetEnabled(!Memo1->SelText().empty());
    mnuPaste->SetEnabled(Clipboard().HasFormat(CF_TEXT));
    mnuSelectAll->SetEnabled(!Memo1->Text().empty());
  }
  void mnuCutClick(TObject*) { Memo1->CutToClipboard(); }
  void mnuCopyClick(TObject*) { Memo1->CopyToClipboard(); }
  void mnuPasteClick(TObject*) { Memo1->PasteFromClipboard(); }
  void mnuSelectAllClick(TObject*) { Memo1->SelectAll(); }
  void mnuPostClick(TObject*) { ++posts; }
};

struct ControlsFormFixture : ::testing::Test {
  static void SetUpTestSuite() {
    RegisterGuiClasses();
    RegisterStreamedClass<TfrmControls, TForm>("TfrmControls");
  }
  std::unique_ptr<TfrmControls> form{New<TfrmControls>(nullptr)};
  void TearDown() override { guitest::Pump(); }

  void Key(WORD key, std::initializer_list<int> down) {
    guitest::KeysDown keys(down);
    guitest::PostKey(form->Memo1->Handle(), key);
    guitest::Pump();
  }
  // The enabled state of the memo menu's entries as the user sees them after a right click.
  std::vector<bool> MenuAsShown() {
    std::vector<bool> enabled;
    guitest::RunLater([&] {
      HMENU menu = form->PopupMenu1->Handle();
      for (int i = 0; i < GetMenuItemCount(menu); ++i) enabled.push_back((GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) == 0);
      EndMenu();
    });
    const TPoint at = form->Memo1->ClientToScreen(Point(20, 20));
    SendMessageW(form->Memo1->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Memo1->Handle()), MAKELPARAM(at.X, at.Y));
    return enabled;
  }
};

constexpr std::initializer_list<int> kCtrl = {VK_CONTROL, VK_LCONTROL};
constexpr std::initializer_list<int> kCtrlAlt = {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU};
constexpr std::initializer_list<int> kAltGr = {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_RMENU};

}  // namespace

TEST_F(ControlsFormFixture, EveryControlIsReadFromTheDefinition) {
  form->Show();
  const std::pair<TWinControl*, const wchar_t*> windows[] = {
      {form->ToolBar1, L"TToolBar"}, {form->StatusBar1, L"TStatusBar"}, {form->PanelMain, L"TPanel"},
      {form->CalNew, L"TMonthCalendar"}, {form->Memo1, L"TMemo"},       {form->btnCancel, L"TButton"}};
  for (const auto& [control, className] : windows) EXPECT_EQ(guitest::WindowClassOf(control->Handle()), className);

  EXPECT_EQ(form->ToolBar1->ButtonCount(), 5);
  EXPECT_EQ(form->ToolBar1->Images(), form->ImageList1);
  EXPECT_EQ(form->btnDelete->Hint(), Hu("Töröl"));
  EXPECT_EQ(form->ToolBar1->Buttons(1)->BoundsRect(), Bounds(28, 0, 8, 26));
  EXPECT_EQ(form->LabelDay->Caption(), "2024.01.07");  // the calendar's Date, through OnCreate
  EXPECT_EQ(form->LabelDay->Layout(), tlCenter);
  EXPECT_TRUE(form->LabelDay->Transparent());
  EXPECT_EQ(form->StatusBar1->SimpleText(), "2024.01.07");
  EXPECT_EQ(form->Splitter1->MinSize(), 100);
  EXPECT_EQ(form->Memo1->Lines().Count(), 2);
  EXPECT_EQ(form->Memo1->Lines().Strings(1), Hu("ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP"));
  EXPECT_EQ(form->Memo1->PopupMenu(), form->PopupMenu1);
  EXPECT_EQ(form->Memo1->BorderStyle(), bsNone);
  EXPECT_EQ(form->PanelImage->Color(), clWhite);
  EXPECT_TRUE(form->btnCancel->Cancel());
  EXPECT_EQ(form->btnOK->ModalResult(), mrOk);
  EXPECT_EQ(form->PopupMenu1->Items()->Count(), 7);
  EXPECT_EQ(form->PopupMenu1->Images(), form->ImageList2);
  EXPECT_EQ(form->mnuSelectAll->ShortCut(), ShortCut('A', {ssCtrl, ssAlt}));
  EXPECT_FALSE(form->mnuPost->Enabled());
  EXPECT_TRUE(form->PopupMenu1->Items()->Items(3)->IsLine());
  EXPECT_EQ(form->ActionList1->ActionCount(), 2);
  EXPECT_EQ(form->acNewDay->Caption(), Hu("Új nap..."));
  EXPECT_EQ(form->acSave->ImageIndex(), 8);
  EXPECT_EQ(form->ImageList1->Count(), 5);
}

TEST_F(ControlsFormFixture, LayoutFollowsAResizeAndASplitterDrag) {
  form->Show();
  // The client height is 446 unless the minimum window height asks for more (the frame's metrics).
  const Integer h = form->ClientHeight();
  EXPECT_GE(h, 446);
  EXPECT_EQ(form->ToolBar1->BoundsRect(), Bounds(0, 0, 632, 29));
  EXPECT_EQ(form->StatusBar1->BoundsRect(), Bounds(0, h - 19, 632, 19));
  EXPECT_EQ(form->PanelMain->BoundsRect(), Bounds(0, 29, 632, h - 48));

  // The diary's resize rule: the left panel takes a third.
  form->SetClientSize(900, 546);
  EXPECT_EQ(form->PanelMain->BoundsRect(), Bounds(0, 29, 900, 498));
  EXPECT_EQ(form->StatusBar1->BoundsRect(), Bounds(0, 527, 900, 19));
  EXPECT_EQ(form->PanelLeft->BoundsRect(), Bounds(0, 0, 300, 498));
  EXPECT_EQ(form->Splitter1->BoundsRect(), Bounds(300, 0, 5, 498));
  EXPECT_EQ(form->PanelRight->BoundsRect(), Bounds(305, 0, 595, 498));
  EXPECT_EQ(form->LabelDay->BoundsRect(), Bounds(10, 10, 285, 25));          // inside the padding
  EXPECT_EQ(form->CalNew->BoundsRect(), Bounds(10, 35, 285, 498 - 20 - 25));
  EXPECT_EQ(form->PanelButtons->BoundsRect(), Bounds(5, 498 - 10 - 33, 580, 33));
  EXPECT_EQ(form->PanelImage->BoundsRect(), Bounds(5, 10, 580, 498 - 20 - 33));
  EXPECT_EQ(form->Memo1->BoundsRect(), Bounds(0, 0, 580, 498 - 20 - 33));
  RECT r{};
  GetWindowRect(form->Memo1->Handle(), &r);
  MapWindowPoints(nullptr, form->PanelImage->Handle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(FromRECT(r), form->Memo1->BoundsRect());  // the window is where the control says

  // A drag of the splitter by 100 pixels to the right.
  HWND main = form->PanelMain->Handle();
  SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(302, 200));
  SendMessageW(main, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(352, 200));
  SendMessageW(main, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(402, 200));
  SendMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(402, 200));
  EXPECT_EQ(form->PanelLeft->Width(), 400);
  EXPECT_EQ(form->CalNew->Width(), 385);
  EXPECT_EQ(form->PanelRight->BoundsRect(), Bounds(405, 0, 495, 498));
  EXPECT_EQ(form->Memo1->Width(), 480);
  // Not past the minimum left for the other side.
  SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(402, 200));
  SendMessageW(main, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(890, 200));
  SendMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(890, 200));
  EXPECT_EQ(form->PanelLeft->Width(), 900 - 5 - 100);
}

TEST_F(ControlsFormFixture, MemoMenuIsEnabledByItsPopupHandler) {
  form->Show();
  form->Memo1->SetFocus();
  Clipboard().Clear();
  form->Memo1->SetSelStart(0);
  // Cut, Copy, Paste, -, Select all, -, Post: nothing selected, nothing to paste.
  EXPECT_EQ(MenuAsShown(), (std::vector<bool>{false, false, false, true, true, true, false}));
  form->Memo1->SetSelStart(0);
  form->Memo1->SetSelLength(5);
  form->Memo1->CopyToClipboard();
  EXPECT_EQ(MenuAsShown(), (std::vector<bool>{true, true, true, true, true, true, false}));
  form->Memo1->Clear();
  EXPECT_EQ(MenuAsShown(), (std::vector<bool>{false, false, true, true, false, true, false}));
}

TEST_F(ControlsFormFixture, ShortcutsOfActionsAndMenusAndAltGrCharacters) {
  form->Show();
  form->Memo1->SetFocus();
  std::vector<Word> keysAtMemo;
  form->Memo1->OnKeyDown = [&](TObject*, Word& key, TShiftState) { keysAtMemo.push_back(key); };

  Key('N', kCtrlAlt);  // the action list's
  EXPECT_EQ(form->newDays, 1);
  EXPECT_TRUE(keysAtMemo.empty());
  Key('N', kAltGr);  // a character: no action, the memo gets the key
  EXPECT_EQ(form->newDays, 1);
  EXPECT_EQ(keysAtMemo, std::vector<Word>{'N'});
  Key('S', kCtrlAlt);
  EXPECT_EQ(form->saves, 1);
  form->acSave->SetEnabled(false);
  Key('S', kCtrlAlt);
  EXPECT_EQ(form->saves, 1);

  // The memo menu's: Ctrl+Alt+P belongs to a disabled item (taken, nothing runs); Ctrl+Alt+A selects.
  const AnsiString text = form->Memo1->Text();
  keysAtMemo.clear();
  Key('P', kCtrlAlt);
  EXPECT_EQ(form->posts, 0);
  EXPECT_TRUE(keysAtMemo.empty());
  EXPECT_EQ(form->Memo1->Text(), text);
  form->mnuPost->SetEnabled(true);
  Key('P', kCtrlAlt);
  EXPECT_EQ(form->posts, 1);
  Key('A', kCtrlAlt);
  EXPECT_EQ(form->Memo1->SelLength(), static_cast<Integer>(text.size()));

  // The tool bar's buttons, and Esc on the Cancel button.
  const TRect save = form->btnSave->BoundsRect();
  const LPARAM at = MAKELPARAM(save.Left + 5, save.Top + 5);
  SendMessageW(form->ToolBar1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form->ToolBar1->Handle(), WM_LBUTTONUP, 0, at);
  guitest::Pump();
  EXPECT_EQ(form->saves, 2);
  Key(VK_ESCAPE, {});
  EXPECT_EQ(form->ModalResult(), mrCancel);
}

TEST_F(ControlsFormFixture, MemoClipboardRoundTripThroughTheMenuShortcuts) {
  form->Show();
  form->Memo1->SetFocus();
  const AnsiString text = Hu("árvíztűrő tükörfúrógép");
  form->Memo1->SetText(text);
  Clipboard().Clear();
  Key('A', kCtrlAlt);  // select all
  Key('C', kCtrl);     // copy
  EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard().AsText(), text);
  Key('X', kCtrl);  // cut
  EXPECT_EQ(form->Memo1->Text(), "");
  Key('V', kCtrl);  // paste
  Key('V', kCtrl);
  EXPECT_EQ(form->Memo1->Text(), text + text);
  wchar_t shown[64] = {};
  GetWindowTextW(form->Memo1->Handle(), shown, 64);
  EXPECT_EQ(Utf16ToUtf8(reinterpret_cast<const char16_t*>(shown)), "árvíztűrő tükörfúrógépárvíztűrő tükörfúrógép");
}
