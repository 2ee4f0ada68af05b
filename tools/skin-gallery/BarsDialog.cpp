#include "BarsDialog.h"

#include <windows.h>
#include <commctrl.h>

#include "skin/adapters/skSBBarWnd.h"
#include "skin/adapters/skSBControlScrollWnd.h"
#include "skin/adapters/skSBToolBarVCLWnd.h"
#include "skin/adapters/skSBToolBarWnd.h"
#include "skin/adapters/skSBTrackWnd.h"
#include "skin/forms/sCommonData.h"
#include "vcl/gui/ScrollBar.h"
#include "vcl/rtl/TextConv.h"

namespace {

WideString Wide(const char* utf8) { return Cp1250ToUtf16(Utf8ToCp1250(utf8)); }

}  // namespace

TBarsDialog::TBarsDialog(TComponent* owner) : TForm(owner) {
  SetCaption(Utf8ToCp1250("Sávok"));
  SetBorderStyle(bsSizeable);
  SetBounds(150, 120, 560, 420);
}

void TBarsDialog::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  if (auto* gallery = dynamic_cast<TWinControl*>(Owner())) params.WndParent = gallery->Handle();
}

TBarsDialog::~TBarsDialog() {
  for (TskMainWnd*& adapter : adapters_) FreeAdapter(adapter);
}

HWND TBarsDialog::Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                        DWORD exStyle) {
  return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, Handle(), nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

void TBarsDialog::AddBars() {
  AddToolBar();
  AddClassToolBar();
  AddTrackBars();
  const WideString edge = Wide("Statikus szöveg, skinnelt szegéllyel");
  const HWND stat = Child(L"STATIC", reinterpret_cast<const wchar_t*>(edge.c_str()), SS_LEFT | SS_CENTERIMAGE, 290, 60,
                          240, 28, WS_EX_STATICEDGE);
  if (stat != nullptr) adapters_.push_back(New<TskEdgeWnd>(stat, true, "EDIT", nullptr, nullptr));
  AddScrollBars();
  AddStatusBars();
}

// Buttons with captions in each state: normal, pressed, disabled, a separator, one under the mouse
// (when the pointer stands there) and a whole drop-down button.
void TBarsDialog::AddToolBar() {
  const HWND bar = Child(TOOLBARCLASSNAMEW, L"", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | TBSTYLE_LIST, 8, 8,
                         528, 34);
  if (bar == nullptr) return;
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  const char* texts[] = {"Új nap", "Mentés", "Tiltott", "", "Keresés", "Nézet"};
  const BYTE states[] = {TBSTATE_ENABLED, TBSTATE_ENABLED | TBSTATE_PRESSED, 0, TBSTATE_ENABLED, TBSTATE_ENABLED,
                         TBSTATE_ENABLED};
  const BYTE styles[] = {BTNS_BUTTON, BTNS_BUTTON, BTNS_BUTTON, BTNS_SEP, BTNS_BUTTON, BTNS_WHOLEDROPDOWN};
  std::vector<WideString> strings;
  for (const char* text : texts) strings.push_back(Wide(text));
  TBBUTTON buttons[6]{};
  for (int i = 0; i < 6; ++i) {
    buttons[i].iBitmap = styles[i] == BTNS_SEP ? 8 : I_IMAGENONE;
    buttons[i].idCommand = 200 + i;
    buttons[i].fsState = states[i];
    buttons[i].fsStyle = static_cast<BYTE>(styles[i] | (styles[i] == BTNS_SEP ? 0 : BTNS_AUTOSIZE));
    buttons[i].iString = styles[i] == BTNS_SEP ? -1 : reinterpret_cast<INT_PTR>(strings[static_cast<size_t>(i)].c_str());
  }
  SendMessageW(bar, TB_ADDBUTTONSW, 6, reinterpret_cast<LPARAM>(buttons));
  SendMessageW(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(80, 28));
  adapters_.push_back(New<TskToolBarWnd>(bar, true, "TOOLBAR", nullptr, nullptr));
}

// A class-library tool bar painted through its custom-draw events: plain, drop-down and disabled
// buttons.
void TBarsDialog::AddClassToolBar() {
  auto* bar = New<TToolBar>(this);
  bar->SetAlign(alNone);
  bar->SetEdgeBorders(TEdgeBorders{});
  bar->SetButtonWidth(44);
  bar->SetBounds(8, 200, 210, 30);
  bar->SetParent(this);
  for (TToolButtonStyle style : {tbsButton, tbsDropDown, tbsSeparator, tbsButton}) {
    auto* button = New<TToolButton>(this);
    button->SetStyle(style);
    button->SetParent(bar);
  }
  bar->Buttons(3)->SetEnabled(false);
  skinData_.push_back(std::make_unique<TsCommonData>(bar));
  adapters_.push_back(New<TskToolBarVCLWnd>(bar->Handle(), true, "", nullptr, skinData_.back().get()));
}

// A horizontal bar with ticks on both sides, one with ticks below, a vertical one and a disabled one.
void TBarsDialog::AddTrackBars() {
  struct Track {
    DWORD style;
    int x, y, w, h, position;
    bool enabled;
  } tracks[] = {{TBS_BOTH | TBS_AUTOTICKS, 8, 52, 260, 50, 3, true},
                {TBS_AUTOTICKS, 8, 106, 260, 44, 7, true},
                {TBS_NOTICKS, 8, 154, 260, 30, 5, false},
                {TBS_VERT | TBS_BOTH | TBS_AUTOTICKS, 230, 190, 50, 150, 4, true}};
  for (const Track& t : tracks) {
    const HWND track = Child(TRACKBAR_CLASSW, L"", t.style, t.x, t.y, t.w, t.h);
    if (track == nullptr) continue;
    SendMessageW(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessageW(track, TBM_SETTICFREQ, 1, 0);
    SendMessageW(track, TBM_SETPOS, TRUE, t.position);
    EnableWindow(track, t.enabled ? TRUE : FALSE);
    adapters_.push_back(New<TskTrackWnd>(track, true, "TRACKBAR", nullptr, nullptr));
  }
}

// Class-library scroll bars: horizontal with a page, horizontal without one, and vertical.
void TBarsDialog::AddScrollBars() {
  struct Bar {
    TScrollBarKind kind;
    int x, y, w, h, position, page;
  } bars[] = {{sbHorizontal, 290, 110, 240, 17, 30, 20}, {sbHorizontal, 290, 140, 240, 17, 80, 0},
              {sbVertical, 500, 190, 17, 150, 40, 25}};
  for (const Bar& b : bars) {
    auto* bar = New<TScrollBar>(this);
    bar->SetKind(b.kind);
    bar->SetParent(this);
    bar->SetBounds(b.x, b.y, b.w, b.h);
    bar->SetParams(b.position, 0, 100);
    bar->SetPageSize(b.page);
    skinData_.push_back(std::make_unique<TsCommonData>(bar));
    skinData_.back()->SetSkinSection("CHECKBOX");
    adapters_.push_back(New<TskSBWnd>(bar->Handle(), true, "CHECKBOX", nullptr, skinData_.back().get()));
  }
}

// A status bar of three parts, one in simple mode with its text, and a size grip in the corner.
void TBarsDialog::AddStatusBars() {
  const DWORD style = CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER;
  const HWND parts = Child(STATUSCLASSNAMEW, L"", style, 8, 300, 210, 22);
  if (parts != nullptr) {
    int edges[] = {70, 140, -1};
    SendMessageW(parts, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    adapters_.push_back(New<TskStatusBarWnd>(parts, true, "", nullptr, nullptr));
  }
  const WideString text = Wide("Egyszerű mód: 2026. december 11., péntek");
  const HWND simple = Child(STATUSCLASSNAMEW, reinterpret_cast<const wchar_t*>(text.c_str()), style, 0, 360, 527, 22);
  if (simple != nullptr) {
    SendMessageW(simple, SB_SIMPLE, TRUE, 0);
    SendMessageW(simple, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
    adapters_.push_back(New<TskStatusBarWnd>(simple, true, "", nullptr, nullptr));
  }
  const HWND grip = Child(L"SCROLLBAR", L"", SBS_SIZEGRIP, 527, 365, 17, 17);
  if (grip != nullptr) adapters_.push_back(New<TskSizerWnd>(grip, true, "", nullptr, nullptr));
}
