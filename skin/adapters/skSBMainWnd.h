// TskMainWnd: the base of every window adapter. An adapter takes over the message handling of one
// existing window so that the window is drawn from the current skin while the window's own code stays
// unaware of it. A foreign window (no control behind it) gets the adapters' one static window procedure
// in GWLP_WNDPROC; a control (or a provider's form) gets the adapter in its WindowProc. The adapter is
// stored on its window as the property "SKSBSC" (FindAdapter).
//
// Hooking and unhooking follow one rule, for every adapter:
// - a hook is given back only while it is still on top (the control's WindowProc is still the adapter's
//   entry, GWLP_WNDPROC is still the static procedure); otherwise the chain stays as it is, and the entry
//   left in it forwards to what it replaced once the adapter is gone;
// - an adapter is never freed inside its own call: a free asked while it runs only detaches it and
//   marks it; the outermost call frame frees it afterwards;
// - nothing replaced means DefWindowProcW; no exception leaves a window procedure.
// Adapters are made with New<T> (the window is taken over in AfterConstruction) and freed with
// FreeAdapter or DetachAdapter(..., free true).
#pragma once
#include <memory>
#include "skin/forms/sCommonData.h"
#include "vcl/gui/Control.h"
#include "vcl/rtl/Object.h"

class TsSkinManager;

// The window property that holds a window's adapter, and the one that holds the window procedure the
// adapters' static procedure replaced.
inline constexpr wchar_t kAdapterProperty[] = L"SKSBSC";
inline constexpr wchar_t kReplacedProcProperty[] = L"SKSBSCPROC";

// Set while a dialog-mode combo box makes the adapter of its drop-down list: adapters made meanwhile
// take dialog mode.
extern bool AdaptingDialogChildren;
// Set by the control adapter while it frees all its adapters at once (their windows go away with the
// form): the adapters then do not unhook.
extern bool CtrlAdapterFreeingAll;

class TskMainWnd;
// What an adapter's hooks point at: the adapter while it lives, what it replaced afterwards. Shared by
// the adapter and the entry it left in a control's WindowProc chain.
struct TskHookLink {
  TskMainWnd* Adapter = nullptr;
  TWndMethod Previous;  // the control's WindowProc before the adapter
};

class TskMainWnd : public TObject {
 public:
  // Takes the window over (see the top of this file). section: the skin section when the skin state has
  // none yet; manager: nil for the skin state's; data: the skin state to borrow, nil to make one.
  // Subclasses that keep their own look override SaveStdLook: it runs in AfterConstruction, where the
  // adapter also hooks the window (so that the subclass's procedure is the one reached).
  TskMainWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  ~TskMainWnd() override;
  void AfterConstruction() override;
  // Gives back what a detach has not (the control style, the hook, the property, the theme).
  void BeforeDestruction() override;

  virtual void SaveStdLook() {}
  virtual void RestoreStdLook() {}
  virtual void SetSkinParams() { SkinParamsApplied = true; }
  virtual void WndProc(TMessage& message);
  // The popup-menu adapter keeps the window's theme.
  virtual bool IsMenuAdapter() const { return false; }
  // Whether taking the window over drops its visual theme (the popup-menu adapter and some controls
  // keep theirs).
  virtual bool DropsTheme() const { return !IsMenuAdapter(); }

  // Passes a message to the replaced procedure: the saved WindowProc, else the saved window procedure,
  // else DefWindowProcW.
  LRESULT CallOldProc(HWND window, UINT msg, WPARAM wParam, LPARAM& lParam);
  LRESULT CallOldProc(TMessage& message) { return message.Result = CallOldProc(Window, message.Msg, message.WParam, message.LParam); }

  // The control whose WindowProc the adapter holds (the owner control, or a provider's form); nil for a
  // foreign window.
  TControl* HookedControl() const;
  bool Detached() const { return detached_; }
  // Nothing for the adapter to paint with: it is detached, lacks a skin state or a manager, or the
  // manager's skin is off. Painting adapters then leave every message to the base.
  bool SkinOff() const { return detached_ || SkinData == nullptr || SkinManager == nullptr || !SkinManagerActive(); }
  bool Running() const { return callDepth_ > 0; }
  // A free was asked while the adapter ran: it is detached and goes when its outermost call returns.
  bool FreePending() const { return freePending_; }
  bool OwnsSkinData() const { return ownsSkinData_; }
  // The owner of the borrowed skin state goes while the adapter still runs: the adapter frees the
  // state with itself. Nothing when the adapter owns its state already or is given another one.
  void AdoptSkinData(TsCommonData* data) {
    if (data != nullptr && data == SkinData && !ownsSkinData_) ownsSkinData_ = true;
  }
  // The entry installed as the control's WindowProc (empty for a foreign window).
  const TWndMethod& Entry() const { return entry_; }

  // ---- state ----
  bool DialogMode = false;
  AnsiString WindowText;
  TRect WndRect;     // screen coordinates, filled before painting
  TPoint WndSize;    // X width, Y height
  TPoint WndPos;     // top-left in the parent's client coordinates
  TRect ParentRect;  // screen coordinates
  HWND ParentWnd = nullptr;
  TControlStyle SavedControlStyle;
  TWndMethod SavedWindowProc;
  WNDPROC SavedWndProc = nullptr;
  HWND Window = nullptr;
  TsSkinManager* SkinManager = nullptr;  // borrowed
  TsCommonData* SkinData = nullptr;      // owned when OwnsSkinData()
  bool Scrolling = false;
  bool SkinParamsApplied = false;
  TColor SavedColor = clNone;
  TColor SavedFontColor = clNone;

 protected:
  // Reads the window's text (W function, stored in code page 1250).
  void ReadWindowText();

 private:
  friend void AttachAdapter(TskMainWnd* adapter, HWND window);
  friend bool DetachAdapter(HWND window, bool free, bool frameChanged, TskMainWnd*& adapter);
  friend LRESULT CALLBACK AdapterWindowProc(HWND, UINT, WPARAM, LPARAM);
  friend class TskAdapterCall;
  friend void FreeAdapter(TskMainWnd*& adapter);
  // Gives the hooks back where they are still on top; true when nothing of the adapter stays in a chain.
  bool Unhook();
  bool SkinManagerActive() const;
  void HandleSkinCommandMessage(TMessage& message);

  std::shared_ptr<TskHookLink> link_;
  TWndMethod entry_;
  bool detached_ = false;
  bool ownsSkinData_ = false;
  bool procedureHooked_ = false;  // the static procedure was put into GWLP_WNDPROC by this adapter
  int callDepth_ = 0;
  bool freePending_ = false;
  bool repaint_ = false;
  AnsiString section_;
};

// Stores the adapter on the window and hooks the window (the control's WindowProc, or GWLP_WNDPROC).
void AttachAdapter(TskMainWnd* adapter, HWND window);
// Unhooks the adapter where it is still on top, removes its property and gives the look back; with
// free, frees it (deferred while it runs) and sets the variable to nil. True when the adapter is now
// detached. Nothing for nil.
bool DetachAdapter(HWND window, bool free, bool frameChanged, TskMainWnd*& adapter);
// Frees an adapter now, or after its outermost call when it is running. Nothing for nil.
void FreeAdapter(TskMainWnd*& adapter);
// The adapter stored on the window, or nil.
TskMainWnd* FindAdapter(HWND window);
// Makes the window's frame paint again: SetWindowPos with SWP_FRAMECHANGED, or WM_NCPAINT.
void RefreshFrame(HWND window, bool frameChanged);
// The message to the control's child controls when a control is given, else to the window's children.
void NotifyChildren(TControl* control, HWND window, const TMessage& message);
// Paints the skin state's cache again when its background is marked changed (a no-op otherwise).
void RebuildWindowBg(TsCommonData* data, HWND window, bool dialogMode);

// The procedure that foreign windows get in place of theirs.
LRESULT CALLBACK AdapterWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
