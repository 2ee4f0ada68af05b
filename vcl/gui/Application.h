// TApplication: the program's message loop and its hidden application window (window class
// "TApplication", which owns every form), the main form, the hint window, and the one place an
// exception from an event handler ends up (HandleException: OnException when set, otherwise the
// exception box; EAbort is silent). The global Application and Screen objects exist from start-up on.
//
// Key messages are pre-dispatched before the window sees them: a key down goes first to the focused
// control as CN_KEYDOWN, where the popup menus of the control and its parents, then the form's action
// lists get the chance to take it as a shortcut, and Tab, Esc and Enter act on the form's controls.
#pragma once
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>
#include "vcl/gui/Control.h"
#include "vcl/gui/Icon.h"
#include "vcl/rtl/Exceptions.h"

class TCustomForm;
class THintWindow;

using TExceptionEvent = std::function<void(TObject* sender, const Exception& e)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;
using TMessageEvent = std::function<void(MSG& message, bool& handled)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  // Makes the application window and loads the common controls.
  void Initialize();
  // The hidden application window (made on first use).
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Windows-1250; the application window's text and the caption of message boxes.
  const AnsiString& Title() const { return title_; }
  void SetTitle(const AnsiString& value);
  // The program's file name (Windows-1250).
  AnsiString ExeName() const;
  TIcon& Icon() { return *icon_; }

  // Creates a form owned by the application. `reference` holds the form from the end of its C++
  // construction on, before its definition is read and OnCreate runs; the first form created this way
  // becomes the main form. When creation fails the reference is nil and the exception passes on.
  template <class T>
  void CreateForm(T*& reference);
  TCustomForm* MainForm() const { return mainForm_; }
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool value) { showMainForm_ = value; }

  // The main form (which carries the application's taskbar button) minimised, and restored from there.
  // The application window's WM_SYSCOMMAND SC_MINIMIZE and SC_RESTORE come here unless a hook takes them.
  void Minimize();
  void Restore();

  // Shows the main form and runs the message loop until Terminate; returns at once without a main form.
  void Run();
  // Asks the loop to end (posts WM_QUIT); Terminated turns true when the loop sees it.
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles every message waiting in the queue, then returns.
  void ProcessMessages();
  // Handles one message, or idles (and waits for one) when there is none.
  void HandleMessage();
  // Takes one message from the queue and handles it; false when the queue was empty.
  bool ProcessMessage(MSG& message);

  // The application window's procedure (hooks first); exceptions go to HandleException.
  void MainWndProc(TMessage& message) noexcept;

  // To be called from inside a catch block: the current exception goes to OnException, or to
  // ShowException when OnException is not set. EAbort is dropped. Never raises.
  void HandleException(TObject* sender) noexcept;
  // The exception box (Dialogs: ShowExceptionBox) with the message, ending in a full stop.
  void ShowException(const Exception& e);

  // The application's shortcuts: OnShortCut, then the main form's (while the main form is enabled).
  // A key that the focused control's form did not take comes here.
  bool IsShortCut(const TWMKey& message);

  // Hooks that see every message of the application window first; one that returns true handles it.
  void HookMainWindow(const TWindowHook& hook);
  void UnhookMainWindow(const TWindowHook& hook);

  // ---- hints ----
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  // Milliseconds before a hint shows (0: at once), before it hides again, and between hints of
  // neighbouring controls once one is showing.
  Integer HintPause() const { return hintPause_; }
  void SetHintPause(Integer value) { hintPause_ = value; }
  Integer HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(Integer value) { hintHidePause_ = value; }
  Integer HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(Integer value) { hintShortPause_ = value; }
  TColor HintColor() const { return hintColor_; }
  void SetHintColor(TColor value) { hintColor_ = value; }
  // The hint of the control under the mouse (its long part, after "|"); setting it fires OnHint.
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& value);
  // The window showing the current hint (nil before the first hint).
  THintWindow* HintWindow() const { return hintWindow_; }
  bool HintActive() const { return hintActive_; }
  void CancelHint();
  // From a control's window procedure: the mouse moved over `control`.
  void HintMouseMessage(TControl* control, TMessage& message);
  // The control under the mouse, which got CM_MOUSEENTER and will get CM_MOUSELEAVE.
  TControl* MouseControl() const { return mouseControl_; }
  void SetMouseControl(TControl* control);
  // A control is being freed: forget it wherever the application remembers it.
  void ControlDestroyed(TControl* control);

  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TNotifyEvent OnHint;
  // After the main form came back from being minimised by an animation of the skin.
  TNotifyEvent OnRestore;
  TShortCutEvent OnShortCut;

 private:
  friend void DoneApplication();
  void WndProc(TMessage& message);
  void SetMainFormAfterCreate(TComponent* form);
  bool IsKeyMsg(MSG& message);
  void IsHintMsg(const MSG& message);
  void Idle();
  void ActivateHint();
  void StartHintTimer(Integer ms, UINT_PTR id);
  void StopHintTimer();
  void DestroyHandle();

  HWND handle_ = nullptr;
  AnsiString title_;
  std::unique_ptr<TIcon> icon_;
  TCustomForm* mainForm_ = nullptr;
  bool showMainForm_ = true;
  bool terminated_ = false;
  std::vector<TWindowHook> hooks_;
  bool showHint_ = true;
  Integer hintPause_ = 500;
  Integer hintHidePause_ = 2500;
  Integer hintShortPause_ = 50;
  TColor hintColor_ = clInfoBk;
  AnsiString hint_;
  THintWindow* hintWindow_ = nullptr;  // owned (a component of the application)
  TControl* hintControl_ = nullptr;
  bool hintActive_ = false;
  UINT_PTR hintTimer_ = 0;
  TControl* mouseControl_ = nullptr;
};

extern TApplication* Application;

// Frees the forms and other components of the application and its window (the end of a program's
// run; the Application object itself stays).
void DoneApplication();

template <class T>
void TApplication::CreateForm(T*& reference) {
  static_assert(std::is_base_of_v<TComponent, T>, "CreateForm makes components");
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "over-aligned objects are not supported");
  // As New<T>(this), with the reference set between construction and AfterConstruction (where the
  // definition is read and OnCreate runs).
  void* block = T::operator new(sizeof(T));
  const void* outer = detail::tCreationMark;
  detail::tCreationMark = block;
  T* form;
  try {
    form = ::new (block) T(this);
  } catch (...) {
    detail::tCreationMark = outer;
    T::operator delete(block);
    reference = nullptr;
    throw;
  }
  detail::tCreationMark = outer;
  reference = form;
  try {
    form->AfterConstruction();
  } catch (...) {
    reference = nullptr;
    delete form;
    throw;
  }
  SetMainFormAfterCreate(form);
}
