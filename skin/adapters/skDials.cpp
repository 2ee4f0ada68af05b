#include "skin/adapters/skDials.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "skin/adapters/skSBMnuWnd.h"
#include "skin/adapters/skWindowClass.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sThirdParty.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Screen.h"

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
    case HCBT_ACTIVATE:
      SkinTopLevelWindow(window);
      return;
    default:
      return;
  }
}

}  // namespace

// ---- the provider ----

TskProvider::~TskProvider() {
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
  if (form == nullptr) return false;  // foreign dialogs are not taken over yet
  if ((form->Tag() & kOwnFormTag) == kOwnFormTag) return false;
  if (form->ComponentState().Contains(csLoading)) return true;
  if (IsNeverSkinnedWindowClass(className)) return false;
  const TskSkinningRule rule = className == "TMessageForm" ? srStdDialogs : srStdForms;
  if (!manager->SkinningRules().Contains(rule)) return false;
  auto* provider = New<TskProvider>(form);
  AddProvider(provider);
  provider->InitForm(form);
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
