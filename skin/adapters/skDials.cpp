#include "skin/adapters/skDials.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "skin/adapters/skDialogWnd.h"
#include "skin/adapters/skSBBarWnd.h"
#include "skin/adapters/skSBButtons.h"
#include "skin/adapters/skSBComboWnd.h"
#include "skin/adapters/skSBEditWnd.h"
#include "skin/adapters/skSBListViewWnd.h"
#include "skin/adapters/skSBMnuWnd.h"
#include "skin/adapters/skSBPanelWnd.h"
#include "skin/adapters/skSBPictureWnd.h"
#include "skin/adapters/skSBSpinWnd.h"
#include "skin/adapters/skSBTabWnd.h"
#include "skin/adapters/skSBToolBarWnd.h"
#include "skin/adapters/skSBTrackWnd.h"
#include "skin/adapters/skSBTreeViewWnd.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/adapters/skWindowClass.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sThirdParty.h"
#include "skin/manager/skGlow.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/FlagScope.h"

Integer CurrentWindowStyle = 0;

namespace {

// The class atoms of the system's popup menus and dialogs, as a creation record names them.
constexpr ULONG_PTR kPopupMenuAtom = 32768;
constexpr ULONG_PTR kDialogAtom = 32770;

// The forms that the animation and caption routines make for themselves carry Tag -98; a Tag with all
// of its bits (-1, -2, -97 ...) is left alone as well.
constexpr Integer kOwnFormTag = -98;

bool ApplicationDestroying() {
  return Application == nullptr || Application->ComponentState().Contains(csDestroying);
}

// A new provider takes the first place left nil by one that went, so the list never grows past the
// most providers alive at once (every message box adds one).
void AddProvider(TskProvider* provider) {
  auto& list = ProviderList();
  const auto free = std::find(list.begin(), list.end(), nullptr);
  if (free != list.end()) {
    *free = provider;
  } else {
    list.push_back(provider);
  }
}

void SkinForm(TCustomForm* form) {
  auto* provider = New<TskProvider>(form);
  AddProvider(provider);
  provider->InitForm(form);
}

void AdaptPopupMenu(HWND window) {
  TsSkinManager* manager = TsSkinManager::DefaultManager();
  if (manager == nullptr || !manager->SkinnedPopups() || WindowIsSkinned(window)) return;
  PopupMenuAdapters().push_back(New<TskMnuWnd>(window, false, "MAINMENU", manager, nullptr));
}

// A window of a class-library class at its creation: skinned now only when it is a top-level window
// with both styles set that is not the main form (the main form has its own provider, or is skinned
// when activated).
void WindowCreated(HWND window, const CREATESTRUCTW& create) {
  if (GetWindowClassName(window) == "TPUtilWindow") return;
  if (create.style == 0 || create.dwExStyle == 0) return;
  TCustomForm* mainForm = Application->MainForm();
  if (mainForm != nullptr && (!mainForm->HandleAllocated() || mainForm->Handle() == window)) return;
  if (GetParent(window) != nullptr) return;
  SkinTopLevelWindow(window);
}

void HandleHookCode(int code, WPARAM wParam, LPARAM lParam) {
  const auto window = reinterpret_cast<HWND>(wParam);
  switch (code) {
    case HCBT_CREATEWND: {
      const auto* record = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
      if (window == nullptr || record == nullptr || record->lpcs == nullptr) return;
      const auto className = reinterpret_cast<ULONG_PTR>(record->lpcs->lpszClass);
      if (className == kPopupMenuAtom) {
        AdaptPopupMenu(window);
      } else if (className == kDialogAtom) {
        SkinTopLevelWindow(window);
      } else if (className > 0xFFFF) {
        WindowCreated(window, *record->lpcs);
      }
      return;
    }
    case HCBT_DESTROYWND:
      if (!GlowClosing()) PurgeClosedDialogs();
      return;
    case HCBT_ACTIVATE:
      SkinTopLevelWindow(window);
      return;
    default:
      return;
  }
}

// A foreign window that is a top-level dialog of the system's dialog class. A top-level window is one
// without WS_CHILD: GetParent answers a popup's owner, so an owned message box has a "parent" too.
bool IsTopLevelSystemDialog(HWND window, const AnsiString& className) {
  return className == "#32770" && (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0;
}

// A system dialog: skinned unless two hook-skinned dialogs are up already and it holds no tool bar,
// or OnSysDlgInit refuses it. True whether skinned or refused.
bool SkinSystemDialog(TsSkinManager& manager, HWND window) {
  if (CountVisibleDialogs() >= VisibleDialogLimit && !HasChildOfClass(window, "toolbarwindow32")) return false;
  bool allowSkinning = true;
  if (manager.OnSysDlgInit) manager.OnSysDlgInit(TskSysDlgData{window}, allowSkinning);
  if (!allowSkinning) return true;
  auto* provider = New<TskProvider>(nullptr);
  AddProvider(provider);
  if (!provider->InitDialog(window)) delete provider;
  return true;
}

// What the class table gives a child window of a dialog.
struct TChildAdapter {
  TskAdapterFactory Make = nullptr;  // nil: no adapter
  const char* Section = "";
  // An edit, combo or list box: the dialog paints its client area on WM_PAINT, and the adapter
  // paints at once when the dialog has its picture already.
  bool EditLike = false;
  bool RepaintWithDialog = false;
  bool OnlyVisible = false;
};

// A static by its type: pictures (icons, bitmaps) and text, every other type (frames, rectangles,
// owner-drawn, metafiles) none. SS_SIMPLE is text, so its text never goes with a picture adapter.
TChildAdapter StaticAdapter(LONG_PTR style, LONG_PTR exStyle) {
  switch (style & SS_TYPEMASK) {
    case SS_ICON:
    case SS_BITMAP:
      if ((exStyle & WS_EX_STATICEDGE) != 0) return {&MakeWindowAdapter<TskEdgeWnd>, "EDIT"};
      return {&MakeWindowAdapter<TskIconWnd>, "CHECKBOX"};
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
      return {&MakeWindowAdapter<TskStaticWnd>, "CHECKBOX"};
    default:
      return {};
  }
}

TChildAdapter ButtonAdapter(LONG_PTR style) {
  if ((style & 7) == 7) return {&MakeWindowAdapter<TskGroupBoxWnd>, "GROUPBOX"};
  if ((style & 2) != 0 || (style & 4) != 0 || (style & 9) == 9) return {&MakeWindowAdapter<TskCheckBoxWnd>, "CHECKBOX"};
  return {&MakeWindowAdapter<TskBtnWnd>, "BUTTON"};
}

// The up-down control of a dialog paints its buttons from x = 2.
TskMainWnd* MakeDialogSpin(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager) {
  auto* spin = New<TskSpinWnd>(window, repaint, section, manager, nullptr);
  spin->LeftOffset = 2;
  return spin;
}

// The class table (lower-case class names, exact).
TChildAdapter ChildAdapterOf(const AnsiString& name, LONG_PTR style, LONG_PTR exStyle) {
  if (name == "static") return StaticAdapter(style, exStyle);
  if (name == "#32770" || name == "shbrowseforfolder") return {kTransPanelWndFactory, "CHECKBOX"};
  if (name == "tpanel") return {kPanelWndFactory, "CHECKBOX"};
  if (name == "tsilentpaintpanel") return {kPanelWndFactory, "GROUPBOX"};
  if (name == "edit") return {&MakeWindowAdapter<TskEditWnd>, "EDIT", true, true, true};
  if (name == "button") return ButtonAdapter(style);
  if (name == "combobox" || name == "comboboxex32")
    return {&MakeWindowAdapter<TskComboBoxWnd>, "COMBOBOX", true, name == "combobox"};
  if (name == "combolbox") return {&MakeWindowAdapter<TskEditWnd>, "COMBOBOX", true};
  if (name == "listbox") return {&MakeWindowAdapter<TskEditWnd>, "EDIT", true};
  if (name == "scrollbar") {
    if ((style & SBS_SIZEGRIP) != 0) return {&MakeWindowAdapter<TskSizerWnd>, "CHECKBOX"};
    return {};
  }
  if (name == "systabcontrol32") {
    if ((style & TCS_OWNERDRAWFIXED) != 0) return {};
    return {kTabControlWndFactory, "PAGECONTROL"};
  }
  if (name == "syslistview32") return {&MakeWindowAdapter<TskListViewWnd>, "EDIT"};
  if (name == "msctls_updown32") return {&MakeDialogSpin, "SPEEDBUTTON_SMALL"};
  if (name == "msctls_trackbar32") return {&MakeWindowAdapter<TskTrackWnd>, "TRACKBAR"};
  if (name == "link window" || name == "syslink") return {&MakeWindowAdapter<TskLinkWnd>, "CHECKBOX"};
  if (name == "toolbarwindow32")
    return {&MakeWindowAdapter<TskToolBarWnd>, (style & TBSTYLE_WRAPABLE) != 0 ? "BAR" : "CHECKBOX"};
  if (name == "systreeview32") return {&MakeWindowAdapter<TskTreeViewWnd>, "EDIT"};
  return {};
}

}  // namespace

// ---- the provider ----

TskProvider::~TskProvider() {
  for (TskMainWnd*& adapter : ChildAdapters) FreeAdapter(adapter);
  ChildAdapters.clear();
  if (DialogAdapter != nullptr) {
    DialogAdapter->Provider = nullptr;
    TskMainWnd* adapter = DialogAdapter;
    DialogAdapter = nullptr;
    FreeAdapter(adapter);
  }
  auto& list = ProviderList();
  for (TskHookedWindow*& entry : list)
    if (entry == this) {
      entry = nullptr;
      break;
    }
}

bool TskProvider::InitForm(TCustomForm* form) {
  SkinProvider = TsSkinProvider::CreateRunTime(form);
  SkinProvider->SetUseGlobalColor(false);
  SkinProvider->Form = form;
  if (form->HandleAllocated()) {
    const HWND window = form->Handle();
    if (AeroIsEnabled()) {
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      SendMessageW(window, WM_NCPAINT, 0, 0);
    } else if (!DebuggerPresent()) {
      UpdateWindow(window);
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }
  }
  SkinProvider->MakeSkinMenu = false;
  return true;
}

bool TskProvider::InitDialog(HWND window) {
  DialogHandle = window;
  CtrlHandle = window;  // the manager's broadcasts reach the dialog
  TsSkinManager* manager = TsSkinManager::DefaultManager();
  if (DialogAdapter != nullptr || manager == nullptr || !manager->Active()) return true;
  CurrentWindowStyle = static_cast<Integer>(GetWindowLongPtrW(window, GWL_STYLE));
  if (InitializeFlatSBProc != nullptr) InitializeFlatSBProc(window);
  DialogAdapter = CreateDialogAdapter(window, this);
  SendSkinCommand(window, scNewSkin, reinterpret_cast<LPARAM>(manager));
  return true;
}

bool TskProvider::AdaptChildren(HWND window) {
  if (window == nullptr) return false;
  for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!AdaptChildren(child)) return false;
    if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD) != 0 && !AdaptWindow(child)) return false;
  }
  return true;
}

bool TskProvider::AdaptWindow(HWND window) {
  if (window == nullptr) return false;
  if (WindowIsSkinned(window) || DialogAdapter == nullptr) return true;
  TFlagScope dialogMode(AdaptingDialogChildren);
  const AnsiString name = LowerCase(GetWindowClassName(window));
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const TChildAdapter choice = ChildAdapterOf(name, style, GetWindowLongPtrW(window, GWL_EXSTYLE));
  if (choice.Make == nullptr) return true;
  if (choice.EditLike) DialogAdapter->NoClientPaint = false;
  if (choice.OnlyVisible && !IsWindowVisible(window)) return true;
  bool repaint = true;
  if (choice.RepaintWithDialog) {
    const TBitmap* cache = DialogAdapter->SkinData != nullptr ? DialogAdapter->SkinData->CacheBitmap.get() : nullptr;
    repaint = cache != nullptr && !cache->Empty();
  }
  TsSkinManager* manager = DialogAdapter->SkinData != nullptr ? DialogAdapter->SkinData->GetSkinManager() : nullptr;
  TskMainWnd* adapter = choice.Make(window, repaint, choice.Section, manager);
  ChildAdapters.push_back(adapter);
  GetWindowGeometry(window, adapter->ParentWnd, adapter->WndRect, adapter->WndPos, adapter->WndSize,
                    adapter->ParentRect);
  if (name == "tpanel" || name == "tsilentpaintpanel") AdoptPanelControl(window, *adapter, name == "tpanel");
  return true;
}

// A class-library panel put on a dialog: its adapter paints for the panel control. A plain panel takes
// the skin's colours (its labels the global font colour, see-through; its own colour the global one)
// and its windowed children are adapted; a silent-paint panel loses its text, its picture made again.
void TskProvider::AdoptPanelControl(HWND window, TskMainWnd& adapter, bool plain) {
  TsCommonData* data = adapter.SkinData;
  if (data == nullptr) return;
  TWinControl* control = FindControl(window);
  if (control != nullptr) {
    data->HostObject = control;
    data->HostControl = control;
  }
  if (!plain) {
    if (control != nullptr) control->SetText("");
    data->BackgroundDirty = true;
    return;
  }
  if (control == nullptr) return;
  TsSkinManager* manager = data->GetSkinManager();
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (auto* label = dynamic_cast<TLabel*>(child); label != nullptr) {
      if (manager != nullptr) label->Font().SetColor(static_cast<TColor>(manager->GetGlobalFontColor()));
      label->SetTransparent(true);
    } else if (auto* windowed = dynamic_cast<TWinControl*>(child); windowed != nullptr && windowed->HandleAllocated()) {
      AdaptWindow(windowed->Handle());
    }
  }
  if (manager != nullptr) control->SetColor(static_cast<TColor>(manager->GetGlobalColor()));
}

void TskProvider::PrintChildWindows(HWND window, HDC dc) {
  for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const int saved = SaveDC(dc);
    RECT r{};
    GetWindowRect(child, &r);
    POINT topLeft{r.left, r.top};
    ScreenToClient(GetParent(child), &topLeft);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - topLeft.x, origin.y - topLeft.y, nullptr);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & WS_CHILD) != 0 && (style & WS_VISIBLE) != 0) {
      SendSkinCommand(child, scPrintMode, reinterpret_cast<LPARAM>(dc));
      SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), 0);
      SendSkinCommand(child, scPrintMode, 0);
    }
    PrintChildWindows(child, dc);
    RestoreDC(dc, saved);
  }
}

bool TskProvider::AdapterRunning() const {
  if (DialogAdapter != nullptr && DialogAdapter->Running()) return true;
  return std::any_of(ChildAdapters.begin(), ChildAdapters.end(),
                     [](const TskMainWnd* a) { return a != nullptr && a->Running(); });
}

bool TskProvider::DialogClosed() const {
  return DialogAdapter != nullptr &&
         (DialogAdapter->Detached() || DialogAdapter->FreePending() || !IsWindow(DialogAdapter->Window));
}

// ---- the lists ----
// ---- the lists ----

std::vector<TskMnuWnd*>& PopupMenuAdapters() {
  static std::vector<TskMnuWnd*> adapters;
  return adapters;
}

void FreeMenuAdapters() {
  // Taken first: freeing an adapter may send messages that reach the list.
  std::vector<TskMnuWnd*> adapters = std::move(PopupMenuAdapters());
  PopupMenuAdapters().clear();
  for (TskMnuWnd* adapter : adapters) {
    TskMainWnd* object = adapter;
    FreeAdapter(object);
  }
}

void RegisterSkinDialogs() {
  SetSkinHookProcedure(CbtHookProc);
  SetSkinHookRelease(FreeMenuAdapters);
}

void UnregisterSkinDialogs() {
  FreeMenuAdapters();
  FreePageAdapters();
  SetSkinHookProcedure(nullptr);
  SetSkinHookRelease(nullptr);
}

// ---- the hook ----

LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
  if (ApplicationDestroying()) return result;
  try {
    HandleHookCode(code, wParam, lParam);
  } catch (...) {
    // A window the hook could not skin stays as it is; nothing leaves a hook procedure.
  }
  return result;
}

bool SkinTopLevelWindow(HWND window) {
  TsSkinManager* manager = TsSkinManager::DefaultManager();
  if (manager == nullptr || ApplicationDestroying() || WindowIsSkinned(window)) return false;
  const AnsiString className = GetWindowClassName(window);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  if ((style & WS_POPUP) != 0 && (style & WS_BORDER) == 0) return false;
  if (FindProvider(window) != nullptr) return false;
  TCustomForm* form = FindScreenForm(window);
  if (form == nullptr) {
    if (!IsTopLevelSystemDialog(window, className) || !manager->SkinningRules().Contains(srStdDialogs)) return false;
    return SkinSystemDialog(*manager, window);
  }
  if ((form->Tag() & kOwnFormTag) == kOwnFormTag) return false;
  // An MDI child is made while its frame is being created: it is skinned at once all the same.
  if (form->ComponentState().Contains(csLoading) && form->FormStyle() != fsMDIChild) return true;
  if (IsNeverSkinnedWindowClass(className)) return false;
  const TskSkinningRule rule = className == "TMessageForm" ? srStdDialogs : srStdForms;
  if (!manager->SkinningRules().Contains(rule)) return false;
  SkinForm(form);
  // The children that an MDI frame holds already are skinned with it.
  if (form->FormStyle() == fsMDIForm)
    for (int i = 0; i < form->MDIChildCount(); ++i) {
      TCustomForm* child = form->MDIChildren(i);
      if (!WindowIsSkinned(child->Handle())) SkinForm(child);
    }
  return true;
}

TskProvider* FindProvider(HWND window) {
  if (window == nullptr || Application == nullptr || Application->Terminated()) return nullptr;
  for (TskHookedWindow* entry : ProviderList()) {
    auto* provider = dynamic_cast<TskProvider*>(entry);
    if (provider != nullptr && provider->DialogHandle == window) return provider;
  }
  return nullptr;
}

TCustomForm* FindScreenForm(HWND window) {
  if (Screen == nullptr || window == nullptr) return nullptr;
  for (int i = Screen->CustomFormCount() - 1; i >= 0; --i) {
    TCustomForm* form = Screen->CustomForms(i);
    if (form == nullptr || form->ComponentState().Contains(csDestroying)) continue;
    if (form->HandleAllocated() && form->Handle() == window) return form;
  }
  return nullptr;
}

int CountVisibleDialogs() {
  int count = 0;
  for (TskHookedWindow* entry : ProviderList()) {
    const auto* provider = dynamic_cast<const TskProvider*>(entry);
    if (provider != nullptr && provider->DialogAdapter != nullptr && IsWindowVisible(provider->DialogAdapter->Window))
      ++count;
  }
  return count;
}

bool HasChildOfClass(HWND window, const AnsiString& lowerClassName) {
  for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    if (LowerCase(GetWindowClassName(child)) == lowerClassName || HasChildOfClass(child, lowerClassName)) return true;
  return false;
}

void PurgeClosedDialogs() {
  auto& list = ProviderList();
  // By index: freeing sends messages that may add providers to the list.
  for (size_t i = 0; i < list.size(); ++i) {
    auto* provider = dynamic_cast<TskProvider*>(list[i]);
    if (provider == nullptr || !provider->DialogClosed() || provider->AdapterRunning()) continue;
    list[i] = nullptr;
    delete provider;
  }
}
