// The thread's CBT hook of the window adapters: it finds the top-level windows of the program that
// nobody skinned explicitly and skins them as they are created or activated. A form without a
// TsSkinProvider (the diary's dialogs, message and input forms) gets a run-time provider through a
// TskProvider; a popup-menu window gets a TskMnuWnd. Everything runs on the GUI thread that installed
// the hook, inside window creation or activation.
//
// RegisterSkinDialogs gives the manager the hook procedure and the step that frees the popup-menu
// adapters; the default manager installs the hook when its skin becomes active (TsSkinManager::
// InstallHook), and RemoveHook or the library's stop step frees the providers and adapters.
#pragma once
#include <vector>
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/Component.h"

class TCustomForm;
class TsSkinProvider;
class TskMnuWnd;

// A provider made by the hook. Form mode: SkinProvider is the run-time provider made for the form (the
// form owns both). Its place in the hooked-window list (ProviderList) is set to nil when it goes.
class TskProvider : public TComponent, public TskHookedWindow {
 public:
  explicit TskProvider(TComponent* owner) : TComponent(owner), TskHookedWindow(nullptr) {}
  ~TskProvider() override;
  void FreeHooked() override { delete this; }
  // Gives the form a run-time provider and paints it again; true.
  bool InitForm(TCustomForm* form);

  HWND DialogHandle = nullptr;  // the foreign dialog (dialog mode)
  TsSkinProvider* SkinProvider = nullptr;
};

// The hook's providers: the manager's hooked-window list. A provider that goes leaves a nil entry
// (walks skip them); a new provider takes the first nil entry.
inline std::vector<TskHookedWindow*>& ProviderList() { return HookedWindows(); }
// One entry per popup-menu window the hook adapted; emptied by FreeMenuAdapters.
std::vector<TskMnuWnd*>& PopupMenuAdapters();
// Frees every popup-menu adapter (one that is running goes after its call) and empties the list.
void FreeMenuAdapters();

// Gives the default manager's hook its procedure and release step (once the program has started the
// skin library); UnregisterSkinDialogs takes them back.
void RegisterSkinDialogs();
void UnregisterSkinDialogs();

// The hook procedure; always answers what CallNextHookEx answered.
LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam);
// Decides about one top-level window and skins it; true when it was taken over or is a form still
// loading. A foreign dialog ("#32770") is not taken over yet.
bool SkinTopLevelWindow(HWND window);
// The provider whose dialog is the window, nil when none (or while the application terminates).
TskProvider* FindProvider(HWND window);
// The screen's form whose window is this one, last form first; only forms whose window exists are
// compared, so the search never makes a window (it may run inside a form's own window creation).
TCustomForm* FindScreenForm(HWND window);
