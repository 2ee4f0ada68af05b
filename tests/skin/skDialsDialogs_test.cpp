// The thread hook on the system's dialogs: a message box (owned or not) is taken over whole while it is
// up, its provider goes once it is destroyed (never while one of its adapters runs), OnSysDlgInit can
// keep one bare, a third dialog stays bare unless it holds a tool bar, and the child windows get the
// adapter that their class and style call for.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/adapters/skDialogWnd.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBBarWnd.h"
#include "skin/adapters/skSBButtons.h"
#include "skin/adapters/skSBComboWnd.h"
#include "skin/adapters/skSBEditWnd.h"
#include "skin/adapters/skSBListViewWnd.h"
#include "skin/adapters/skSBPanelWnd.h"
#include "skin/adapters/skSBPictureWnd.h"
#include "skin/adapters/skSBSpinWnd.h"
#include "skin/adapters/skSBTabWnd.h"
#include "skin/adapters/skSBToolBarWnd.h"
#include "skin/adapters/skSBTrackWnd.h"
#include "skin/adapters/skSBTreeViewWnd.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/Panel.h"

using namespace skintest;

namespace {

// The system's dialog class, by its atom (as the dialog manager creates its windows).
const auto kDialogClass = reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(0x8002));

std::vector<TskProvider*> DialogProviders() {
  std::vector<TskProvider*> providers;
  for (TskHookedWindow* entry : ProviderList())
    if (auto* provider = dynamic_cast<TskProvider*>(entry); provider != nullptr && provider->DialogHandle != nullptr)
      providers.push_back(provider);
  return providers;
}

// Any window destroyed lets the hook purge the providers of closed dialogs.
void DestroyAWindow() {
  const HWND w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(w);
}

std::string ClassOf(HWND window) {
  char name[64]{};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// What a message box looked like while it was up (read from a timer inside its modal loop).
struct TBoxSeen {
  bool Seen = false;
  HWND Box = nullptr;
  int Providers = 0;
  bool ProviderOfBox = false;
  bool AdapterOnBox = false;
  bool SysMenu = true;
  bool IconAdapter = false, TextAdapter = false, ButtonAdapter = false;
  bool SkinTopLevelAnswer = false;
};
TBoxSeen* gSeen = nullptr;

HWND ActiveBox() {
  const HWND active = GetActiveWindow();
  return active != nullptr && ClassOf(active) == "#32770" ? active : nullptr;
}

void CALLBACK LookAtBox(HWND, UINT, UINT_PTR id, DWORD) {
  const HWND box = ActiveBox();
  if (box == nullptr || gSeen == nullptr || gSeen->Seen) return;
  KillTimer(nullptr, id);
  TBoxSeen& seen = *gSeen;
  seen.Seen = true;
  seen.Box = box;
  const std::vector<TskProvider*> providers = DialogProviders();
  seen.Providers = static_cast<int>(providers.size());
  seen.ProviderOfBox = FindProvider(box) != nullptr;
  seen.AdapterOnBox = dynamic_cast<TskDialogWnd*>(FindAdapter(box)) != nullptr;
  seen.SysMenu = (GetWindowLongPtrW(box, GWL_STYLE) & WS_SYSMENU) != 0;
  for (HWND child = GetTopWindow(box); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const TskMainWnd* adapter = FindAdapter(child);
    const std::string cls = ClassOf(child);
    if (cls == "Static" && (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      seen.IconAdapter = adapter != nullptr && typeid(*adapter) == typeid(TskIconWnd);
    else if (cls == "Static")
      seen.TextAdapter = adapter != nullptr && typeid(*adapter) == typeid(TskStaticWnd);
    else if (cls == "Button" && IsWindowVisible(child))
      seen.ButtonAdapter = adapter != nullptr && typeid(*adapter) == typeid(TskBtnWnd);
  }
  seen.SkinTopLevelAnswer = SkinTopLevelWindow(box);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TBoxSeen ShowBox(HWND owner) {
  TBoxSeen seen;
  gSeen = &seen;
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, LookAtBox);
  MessageBoxW(owner, L"Biztosan törli?", L"Kérdés", MB_OK | MB_ICONINFORMATION);
  KillTimer(nullptr, timer);
  gSeen = nullptr;
  return seen;
}

class SystemDialogs : public SkinFixture {
 protected:
  void SetUp() override {
    InitCommonControls();
    RegisterSkinDialogs();
    SkinFixture::SetUp();
    ASSERT_TRUE(manager_->SkinHookInstalled());
  }
  void TearDown() override {
    for (HWND w : windows_) DestroyWindow(w);
    windows_.clear();
    SkinFixture::TearDown();
    UnregisterSkinDialogs();
    EXPECT_TRUE(DialogProviders().empty());
  }
  // A top-level dialog of the system's dialog class (skinned, or not, as the hook decides at its
  // creation), destroyed after the test.
  HWND Dialog(DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, int x = 40) {
    const HWND w = CreateWindowExW(WS_EX_DLGMODALFRAME, kDialogClass, L"Párbeszéd", style, x, 40, 420, 360, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    if (w != nullptr) windows_.push_back(w);
    return w;
  }
  static HWND Child(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle = 0, const wchar_t* text = L"Szöveg") {
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | style, 10, 10, 120, 40, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }
  std::vector<HWND> windows_;
};

TEST_F(SystemDialogs, AMessageBoxOwnedOrNotIsSkinnedWholeWhileUpAndPurgedAfter) {
  const HWND owner = CreateWindowExW(0, L"STATIC", L"Gazda", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 200, 100,
                                     nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  windows_.push_back(owner);
  for (HWND o : {static_cast<HWND>(nullptr), owner}) {
    SCOPED_TRACE(o == nullptr ? "without owner" : "owned");
    const TBoxSeen seen = ShowBox(o);
    ASSERT_TRUE(seen.Seen);
    EXPECT_EQ(seen.Providers, 1);
    EXPECT_TRUE(seen.ProviderOfBox);
    EXPECT_TRUE(seen.AdapterOnBox);
    EXPECT_FALSE(seen.SysMenu) << "the skin draws the title buttons";
    EXPECT_TRUE(seen.IconAdapter);
    EXPECT_TRUE(seen.TextAdapter);
    EXPECT_TRUE(seen.ButtonAdapter);
    EXPECT_FALSE(seen.SkinTopLevelAnswer) << "taken already";
    DestroyAWindow();
    EXPECT_TRUE(DialogProviders().empty());
    EXPECT_EQ(FindProvider(seen.Box), nullptr);
  }
}

TEST_F(SystemDialogs, OnSysDlgInitCanKeepADialogBare) {
  std::vector<HWND> asked;
  manager_->OnSysDlgInit = TskSysDlgInit::FromFunction([&asked](TskSysDlgData data, bool& allow) {
    asked.push_back(data.DlgHandle);
    allow = false;
  });
  const TBoxSeen seen = ShowBox(nullptr);
  manager_->OnSysDlgInit = TskSysDlgInit();
  ASSERT_TRUE(seen.Seen);
  EXPECT_EQ(seen.Providers, 0);
  EXPECT_FALSE(seen.AdapterOnBox);
  EXPECT_TRUE(seen.SysMenu);
  EXPECT_FALSE(seen.IconAdapter);
  EXPECT_FALSE(seen.ButtonAdapter);
  EXPECT_TRUE(seen.SkinTopLevelAnswer) << "a refused dialog still counts as decided";
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(), seen.Box);
}

TEST_F(SystemDialogs, WithTwoSkinnedDialogsUpAThirdStaysBareUnlessItHoldsAToolBar) {
  const HWND first = Dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 20);
  const HWND second = Dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 60);
  ASSERT_NE(FindProvider(first), nullptr);
  ASSERT_NE(FindProvider(second), nullptr);
  EXPECT_EQ(CountVisibleDialogs(), 2);

  const HWND third = Dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU, 100);
  EXPECT_EQ(FindProvider(third), nullptr);
  EXPECT_FALSE(SkinTopLevelWindow(third));
  EXPECT_EQ(FindAdapter(third), nullptr);
  // A tool bar some levels below: as in the file dialogs.
  const HWND pane = Child(third, kDialogClass, WS_VISIBLE);
  ASSERT_NE(Child(pane, TOOLBARCLASSNAMEW, WS_VISIBLE), nullptr);
  EXPECT_TRUE(HasChildOfClass(third, "toolbarwindow32"));
  EXPECT_TRUE(SkinTopLevelWindow(third));
  EXPECT_NE(FindProvider(third), nullptr);

  // A hidden skinned dialog does not count.
  ShowWindow(first, SW_HIDE);
  EXPECT_EQ(CountVisibleDialogs(), 1);
  const HWND fourth = Dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU, 140);
  EXPECT_NE(FindProvider(fourth), nullptr);
}

TEST_F(SystemDialogs, ChildDialogsAndSkipRulesAreLeftAlone) {
  manager_->SetSkinningRules(TskSkinningRules{srStdForms});
  EXPECT_EQ(FindProvider(Dialog()), nullptr) << "without srStdDialogs";
  manager_->SetSkinningRules(TskSkinningRules{srStdForms, srStdDialogs});
  const HWND host = Dialog();
  ASSERT_NE(FindProvider(host), nullptr);
  // A dialog pane inside a dialog is no top-level dialog; inside a skinned one it takes its look.
  const HWND pane = Child(host, kDialogClass, WS_VISIBLE);
  EXPECT_FALSE(SkinTopLevelWindow(pane));
  EXPECT_EQ(FindProvider(pane), nullptr);
  SendSkinCommand(host, scReadaptChildren);
  const TskMainWnd* adapter = FindAdapter(pane);
  EXPECT_TRUE(adapter != nullptr && typeid(*adapter) == typeid(TskTransPanelWnd));
  // A borderless popup dialog is never taken.
  EXPECT_EQ(FindProvider(Dialog(WS_POPUP)), nullptr);
}

// ---- the class table ----

struct TChildCase {
  const char* name;
  const wchar_t* cls;
  DWORD style;
  DWORD exStyle;
  const std::type_info* adapter;  // nil: none
  const char* section;
};

TEST_F(SystemDialogs, ChildWindowsGetTheAdapterOfTheirClassAndStyle) {
  const TChildCase cases[] = {
      {"icon static", L"STATIC", WS_VISIBLE | SS_ICON, 0, &typeid(TskIconWnd), "CHECKBOX"},
      {"bitmap static", L"STATIC", WS_VISIBLE | SS_BITMAP, 0, &typeid(TskIconWnd), "CHECKBOX"},
      {"icon static with an edge", L"STATIC", WS_VISIBLE | SS_ICON, WS_EX_STATICEDGE, &typeid(TskEdgeWnd), "EDIT"},
      {"text static", L"STATIC", WS_VISIBLE | SS_LEFT, 0, &typeid(TskStaticWnd), "CHECKBOX"},
      {"centred static", L"STATIC", WS_VISIBLE | SS_CENTER, 0, &typeid(TskStaticWnd), "CHECKBOX"},
      {"simple static", L"STATIC", WS_VISIBLE | SS_SIMPLE, 0, &typeid(TskStaticWnd), "CHECKBOX"},
      {"no-wrap static", L"STATIC", WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, &typeid(TskStaticWnd), "CHECKBOX"},
      {"frame static", L"STATIC", WS_VISIBLE | SS_BLACKFRAME, 0, nullptr, ""},
      {"owner-drawn static", L"STATIC", WS_VISIBLE | SS_OWNERDRAW, 0, nullptr, ""},
      {"etched line", L"STATIC", WS_VISIBLE | SS_ETCHEDHORZ, 0, nullptr, ""},
      {"push button", L"BUTTON", WS_VISIBLE | BS_PUSHBUTTON, 0, &typeid(TskBtnWnd), "BUTTON"},
      {"default button", L"BUTTON", WS_VISIBLE | BS_DEFPUSHBUTTON, 0, &typeid(TskBtnWnd), "BUTTON"},
      {"check box", L"BUTTON", WS_VISIBLE | BS_AUTOCHECKBOX, 0, &typeid(TskCheckBoxWnd), "CHECKBOX"},
      {"radio button", L"BUTTON", WS_VISIBLE | BS_AUTORADIOBUTTON, 0, &typeid(TskCheckBoxWnd), "CHECKBOX"},
      {"group box", L"BUTTON", WS_VISIBLE | BS_GROUPBOX, 0, &typeid(TskGroupBoxWnd), "GROUPBOX"},
      {"edit", L"EDIT", WS_VISIBLE, 0, &typeid(TskEditWnd), "EDIT"},
      {"hidden edit", L"EDIT", 0, 0, nullptr, ""},
      {"list box", L"LISTBOX", WS_VISIBLE, 0, &typeid(TskEditWnd), "EDIT"},
      {"combo box", L"COMBOBOX", WS_VISIBLE | CBS_DROPDOWNLIST, 0, &typeid(TskComboBoxWnd), "COMBOBOX"},
      {"size grip", L"SCROLLBAR", WS_VISIBLE | SBS_SIZEGRIP, 0, &typeid(TskSizerWnd), "CHECKBOX"},
      {"scroll bar", L"SCROLLBAR", WS_VISIBLE | SBS_HORZ, 0, nullptr, ""},
      {"tab control", WC_TABCONTROLW, WS_VISIBLE, 0, &typeid(TskTabControlWnd), "PAGECONTROL"},
      {"owner-drawn tabs", WC_TABCONTROLW, WS_VISIBLE | TCS_OWNERDRAWFIXED, 0, nullptr, ""},
      {"list view", WC_LISTVIEWW, WS_VISIBLE, 0, &typeid(TskListViewWnd), "EDIT"},
      {"tree view", WC_TREEVIEWW, WS_VISIBLE, 0, &typeid(TskTreeViewWnd), "EDIT"},
      {"up-down", UPDOWN_CLASSW, WS_VISIBLE, 0, &typeid(TskSpinWnd), "SPEEDBUTTON_SMALL"},
      {"track bar", TRACKBAR_CLASSW, WS_VISIBLE, 0, &typeid(TskTrackWnd), "TRACKBAR"},
      {"tool bar", TOOLBARCLASSNAMEW, WS_VISIBLE, 0, &typeid(TskToolBarWnd), "CHECKBOX"},
      {"wrapping tool bar", TOOLBARCLASSNAMEW, WS_VISIBLE | TBSTYLE_WRAPABLE, 0, &typeid(TskToolBarWnd), "BAR"},
      {"dialog pane", kDialogClass, WS_VISIBLE, 0, &typeid(TskTransPanelWnd), "CHECKBOX"},
      {"unknown class", L"msctls_progress32", WS_VISIBLE, 0, nullptr, ""},
  };
  const HWND dialog = Dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  TskProvider* provider = FindProvider(dialog);
  ASSERT_NE(provider, nullptr);
  ASSERT_NE(provider->DialogAdapter, nullptr);
  EXPECT_TRUE(provider->DialogAdapter->NoClientPaint) << "no edit, combo or list yet";
  std::vector<HWND> children;
  for (const TChildCase& c : cases) {
    children.push_back(Child(dialog, c.cls, c.style, c.exStyle));
    ASSERT_NE(children.back(), nullptr) << c.name;
  }
  // The dialog asks its provider to adapt the children made since (as it does when it paints its frame).
  SendSkinCommand(dialog, scReadaptChildren);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TChildCase& c = cases[i];
    const TskMainWnd* adapter = FindAdapter(children[i]);
    if (c.adapter == nullptr) {
      EXPECT_EQ(adapter, nullptr) << c.name;
      continue;
    }
    ASSERT_NE(adapter, nullptr) << c.name;
    EXPECT_EQ(typeid(*adapter), *c.adapter) << c.name;
    EXPECT_EQ(adapter->SkinData->SkinSection(), c.section) << c.name;
    EXPECT_TRUE(adapter->DialogMode) << c.name;
    EXPECT_EQ(adapter->ParentWnd, dialog) << c.name << ": its geometry is read";
  }
  EXPECT_FALSE(provider->DialogAdapter->NoClientPaint) << "the edits paint through the dialog's WM_PAINT";
  const auto* spin = dynamic_cast<const TskSpinWnd*>(FindAdapter(children[25]));
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->LeftOffset, 2);
  // Asked again, nothing is adapted twice.
  const size_t made = provider->ChildAdapters.size();
  SendSkinCommand(dialog, scReadaptChildren);
  EXPECT_EQ(provider->ChildAdapters.size(), made);
}

// A panel of the class that paints quietly: its window class is "TSilentPaintPanel".
class TSilentPaintPanel : public TPanel {
 public:
  using TPanel::TPanel;
};

// A class-library panel put on a dialog: the panel's adapter paints for the panel control, which takes
// the skin's colours (its labels see-through in the global font colour) and has its windowed children
// adapted; a silent-paint panel loses its text.
TEST_F(SystemDialogs, ClassLibraryPanelsOnADialogAreAdaptedForTheirControls) {
  const HWND dialog = Dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  ASSERT_NE(FindProvider(dialog), nullptr);
  std::unique_ptr<TPanel> panel(New<TPanel>(nullptr));
  panel->SetBounds(10, 10, 200, 120);
  panel->SetColor(clRed);
  panel->SetParentWindow(dialog);
  auto* label = New<TLabel>(panel.get());
  label->SetParent(panel.get());
  label->SetTransparent(false);
  label->Font().SetColor(clLime);
  auto* inner = New<TPanel>(panel.get());
  inner->SetParent(panel.get());
  std::unique_ptr<TSilentPaintPanel> silent(New<TSilentPaintPanel>(nullptr));
  silent->SetBounds(10, 140, 200, 60);
  silent->SetCaption("Csendes");
  silent->SetParentWindow(dialog);
  panel->HandleNeeded();
  inner->HandleNeeded();
  silent->HandleNeeded();
  ASSERT_NE(manager_->GetGlobalColor(), static_cast<Integer>(clRed));
  ASSERT_NE(manager_->GetGlobalFontColor(), static_cast<Integer>(clLime));

  SendSkinCommand(dialog, scReadaptChildren);

  const auto* adapter = dynamic_cast<const TskPanelWnd*>(FindAdapter(panel->Handle()));
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->SkinData->SkinSection(), "CHECKBOX");
  EXPECT_EQ(adapter->SkinData->HostControl, panel.get());
  EXPECT_EQ(adapter->Panel(), panel.get());
  EXPECT_EQ(static_cast<Integer>(panel->Color()), manager_->GetGlobalColor());
  EXPECT_EQ(static_cast<Integer>(label->Font().Color()), manager_->GetGlobalFontColor());
  EXPECT_TRUE(label->Transparent());
  const auto* innerAdapter = dynamic_cast<const TskPanelWnd*>(FindAdapter(inner->Handle()));
  ASSERT_NE(innerAdapter, nullptr) << "a windowed child of the panel is adapted";
  EXPECT_EQ(innerAdapter->SkinData->HostControl, inner);

  const auto* quiet = dynamic_cast<const TskPanelWnd*>(FindAdapter(silent->Handle()));
  ASSERT_NE(quiet, nullptr);
  EXPECT_EQ(quiet->SkinData->SkinSection(), "GROUPBOX");
  EXPECT_EQ(quiet->SkinData->HostControl, silent.get());
  EXPECT_TRUE(silent->Caption().empty());
  EXPECT_EQ(GetWindowTextLengthW(silent->Handle()), 0);
  // Painted with the dialog, the panels come through (their owner controls' bounds and texts).
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  panel.reset();
  silent.reset();
}

// A 32-bit picture with a DC, white at first; pixels counted by colour (COLORREF order).
class TDib {
 public:
  TDib(int width, int height) : width_(width) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    std::fill(bits_, bits_ + width * height, 0x00FFFFFFu);
  }
  ~TDib() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  int Count(Cardinal colorRef, const RECT& r) const {
    GdiFlush();
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const Cardinal p = bits_[y * width_ + x];
        n += (((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF)) == colorRef ? 1 : 0;
      }
    return n;
  }

 private:
  int width_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  Cardinal* bits_ = nullptr;
};

// A static of the simple type shows its text in the section's font colour (a picture adapter would
// have drawn nothing); the provider prints the dialog's children each at its place.
TEST_F(SystemDialogs, ASimpleStaticKeepsItsTextAndPrintsAtItsPlace) {
  const HWND dialog = Dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  const HWND simple = Child(dialog, L"STATIC", WS_VISIBLE | SS_SIMPLE, 0, L"Árvíztűrő tükörfúrógép");
  SetWindowPos(simple, nullptr, 150, 100, 120, 40, SWP_NOZORDER);
  SendSkinCommand(dialog, scReadaptChildren);
  ASSERT_NE(FindAdapter(simple), nullptr);
  const Cardinal font = ColorToRGB(static_cast<TColor>(SectionData("CHECKBOX").Props[0].TextColor));
  ASSERT_NE(font, 0xFFFFFFu);

  TDib alone(120, 40);
  SendMessageW(simple, WM_PRINT, reinterpret_cast<WPARAM>(alone.Dc()), PRF_CLIENT);
  EXPECT_GT(alone.Count(font, RECT{0, 0, 120, 40}), 20);

  TDib whole(420, 360);
  FindProvider(dialog)->PrintChildWindows(dialog, whole.Dc());
  EXPECT_GT(whole.Count(font, RECT{150, 100, 270, 140}), 20) << "the static at its place in the dialog";
  EXPECT_EQ(whole.Count(font, RECT{0, 0, 150, 360}), 0);
  EXPECT_EQ(whole.Count(font, RECT{0, 0, 420, 100}), 0);
}

// ---- purging ----

struct TPurgeProbe {
  HWND Other = nullptr;
  int ProvidersWhileRunning = -1;
};
TPurgeProbe* gPurge = nullptr;

// Destroys its own dialog and then another window from inside a command: the dialog's adapter is running.
INT_PTR CALLBACK DestroyingDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && LOWORD(wParam) == 100 && gPurge != nullptr) {
    DestroyWindow(dialog);
    DestroyWindow(gPurge->Other);
    gPurge->ProvidersWhileRunning = static_cast<int>(DialogProviders().size());
    return TRUE;
  }
  return FALSE;
}

TEST_F(SystemDialogs, AClosedDialogsProviderGoesAtTheNextDestructionButNotWhileItsAdapterRuns) {
  // The simplest dialog template: no controls.
  struct {
    DLGTEMPLATE head;
    WORD menu, cls, title;
  } tmpl{};
  tmpl.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  tmpl.head.cx = 160;
  tmpl.head.cy = 80;
  TPurgeProbe probe;
  probe.Other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  gPurge = &probe;
  const HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &tmpl.head, nullptr, DestroyingDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  ASSERT_NE(FindProvider(dialog), nullptr);
  SendMessageW(dialog, WM_COMMAND, 100, 0);
  gPurge = nullptr;
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(probe.ProvidersWhileRunning, 1) << "kept while its adapter ran";
  DestroyAWindow();
  EXPECT_TRUE(DialogProviders().empty());
}

}  // namespace
