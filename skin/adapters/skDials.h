// The thread's CBT hook of the window adapters: it finds the top-level windows of the program that
// nobody skinned explicitly and skins them as they are created or activated. A form without a
// TsSkinProvider (the diary's dialogs, message and input forms) gets a run-time provider through a
// TskProvider; a system dialog ("#32770": message boxes, file dialogs) gets a TskProvider in dialog
// mode, which puts a TskDialogWnd on the dialog and a window adapter on each child window it knows by
// class; a popup-menu window gets a TskMnuWnd. Everything runs on the GUI thread that installed the
// hook, inside window creation, activation or destruction.
//
// RegisterSkinDialogs gives the manager the hook procedure and the step that frees the popup-menu
// adapters; the default manager installs the hook when its skin becomes active (TsSkinManager::
// InstallHook), and RemoveHook or the library's stop step frees the providers and adapters. A dialog
// provider goes once its dialog is destroyed (PurgeClosedDialogs, at the next window destruction).
#pragma once
#include <vector>
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/Component.h"

class TCustomForm;
class TsSkinProvider;
class TskMnuWnd;
class TskDialogWnd;
class TskMainWnd;

// A provider made by the hook. Form mode: SkinProvider is the run-time provider made for the form (the
// form owns both). Dialog mode: DialogAdapter is the dialog's adapter and ChildAdapters those of its
// child windows, all owned. Its place in the hooked-window list (ProviderList) is set to nil when it
// goes.
class TskProvider : public TComponent, public TskHookedWindow {
 public:
  explicit TskProvider(TComponent* owner) : TComponent(owner), TskHookedWindow(nullptr) {}
  // Frees the child adapters, then the dialog's.
  ~TskProvider() override;
  void FreeHooked() override { delete this; }
  // Gives the form a run-time provider and paints it again; true.
  bool InitForm(TCustomForm* form);
  // Takes the dialog over: its adapter, the adapters of its children, its frame, the skin; true (also
  // when it is left as it is because there is no active default manager).
  bool InitDialog(HWND window);
  // Adapts the window's children, each child's own children before the child; false for a null window.
  bool AdaptChildren(HWND window);
  // The adapter the window's class and style call for (none for a skinned window or a class the table
  // does not know); false only for a null window.
  bool AdaptWindow(HWND window);
  // Prints the window's visible child windows (and theirs) into the DC, each at its place in its parent.
  void PrintChildWindows(HWND window, HDC dc);
  // One of the provider's adapters is running a message: the provider must not go now.
  bool AdapterRunning() const;
  // The dialog's adapter is gone or its window is destroyed.
  bool DialogClosed() const;

  HWND DialogHandle = nullptr;  // the foreign dialog (dialog mode)
  TsSkinProvider* SkinProvider = nullptr;
  TskDialogWnd* DialogAdapter = nullptr;
  std::vector<TskMainWnd*> ChildAdapters;

 private:
  // The class-library panel of the window becomes the owner of its adapter's skin state (plain: a
  // "tpanel", else a "tsilentpaintpanel").
  void AdoptPanelControl(HWND window, TskMainWnd& adapter, bool plain);
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
// At the program's end (or a test's): the popup-menu and page adapters left are freed too.
void UnregisterSkinDialogs();

// The hook procedure; always answers what CallNextHookEx answered.
LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam);
// Decides about one top-level window and skins it; true when it was taken over, is a form still
// loading, or is a system dialog that OnSysDlgInit kept bare.
bool SkinTopLevelWindow(HWND window);
// With this many hook-skinned dialogs visible, a further system dialog is skinned only when it holds a
// tool bar (as the file dialogs do).
inline constexpr int VisibleDialogLimit = 2;
// The providers whose dialog adapter's window is visible.
int CountVisibleDialogs();
// Some window below the window (at any depth) has this class name, compared in lower case.
bool HasChildOfClass(HWND window, const AnsiString& lowerClassName);
// Frees the dialog providers whose dialogs are destroyed (not one whose adapter is running: it goes at
// a later destruction). Form providers go with their forms.
void PurgeClosedDialogs();
// The style of the dialog being taken over (InitDialog sets it before its adapters are made).
extern Integer CurrentWindowStyle;
// The provider whose dialog is the window, nil when none (or while the application terminates).
TskProvider* FindProvider(HWND window);
// The screen's form whose window is this one, last form first; only forms whose window exists are
// compared, so the search never makes a window (it may run inside a form's own window creation).
TCustomForm* FindScreenForm(HWND window);
