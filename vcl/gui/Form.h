// TCustomForm and TForm: top-level windows. A form's window class is named after its C++ class (a
// TfrmMain registers "TfrmMain"); its window is owned by the application window.
//
// A form is made with New<T>(owner) or Application->CreateForm and finishes in AfterConstruction, after
// the C++ constructors: a form class registered for reading (RegisterStreamedClass<TfrmMain, TForm>)
// reads its definition there (the RCDATA resource named after the class, or a registered text; a
// missing one raises EResNotFound), binding the fields and handlers that DefineFields/DefineMethods
// name; then OnCreate runs (an exception from OnCreate is shown, the form stays), and a definition that
// says Visible = True shows the form. TForm itself and classes that are not registered read nothing.
//
// Showing and hiding go through CM_SHOWINGCHANGED, whose handler here positions the form (Position),
// fires OnShow/OnHide and shows or hides the window: code that takes over the window procedure sees
// the change before it happens and decides when to pass it on. ShowModal runs its own message loop
// until ModalResult is set (a button with a ModalResult, Esc on a Cancel button, Close), with the
// application's other windows disabled meanwhile.
//
// Main menu and MDI: a form shows its Menu (a TMainMenu) as its menu bar. An MDI frame (fsMDIForm)
// keeps its children in a client window (ClientHandle) that fills the client area the aligned
// controls leave; an MDI child (fsMDIChild) is made inside the frame's client window (the main form
// when it is a frame, else the first frame on the screen), shows no bar of its own and merges its menu
// into the frame's while it is the active child. A non-MDI form whose menu has AutoMerge merges it into
// the main form's while the form is active.
#pragma once
#include <memory>
#include "vcl/gui/Icon.h"
#include "vcl/gui/WinControl.h"
#include "vcl/rtl/Reader.h"

enum TBorderIcon { biSystemMenu = 0, biMinimize = 1, biMaximize = 2, biHelp = 3 };
using TBorderIcons = TSet<TBorderIcon, 4>;
enum TPosition {
  poDesigned = 0, poDefault = 1, poDefaultPosOnly = 2, poDefaultSizeOnly = 3, poScreenCenter = 4,
  poDesktopCenter = 5, poMainFormCenter = 6, poOwnerFormCenter = 7
};
enum TFormStyle { fsNormal = 0, fsMDIChild = 1, fsMDIForm = 2, fsStayOnTop = 3 };
enum TWindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };
enum TFormStateItem { fsCreating = 0, fsVisible = 1, fsShowing = 2, fsModal = 3, fsCreatedMDIChild = 4, fsActivated = 5 };
using TFormState = TSet<TFormStateItem, 6>;
enum TCloseAction { caNone = 0, caHide = 1, caFree = 2, caMinimize = 3 };

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TMainMenu;
class TMenuItem;

class TCustomForm : public TWinControl, public TDefinitionRoot {
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // ---- appearance (styles that need a new window recreate it) ----
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons value);
  TFormStyle FormStyle() const { return formStyle_; }
  // A change between the MDI styles and the others makes the window again. An MDI child's window needs
  // an MDI frame: EInvalidOperation "Cannot create form. No MDI forms are currently active" without one.
  void SetFormStyle(TFormStyle value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState value);
  TIcon& Icon() { return *icon_; }
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool value);
  Byte AlphaBlendValue() const { return alphaBlendValue_; }
  void SetAlphaBlendValue(Byte value);
  // Key events reach the form before the focused control.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool value) { keyPreview_ = value; }
  TCanvas& Canvas() { return *canvas_; }
  TFormState FormState() const { return formState_; }

  // ---- main menu and MDI (FormMDI.cpp) ----
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* value);
  // The window's bar follows the menu (built again when changed); nothing without a window, for an MDI
  // child or for a menu with AutoMerge.
  void UpdateMenuBar();
  // Merges the form's menu into the main form's (the MDI frame's for a child) or takes it back: an MDI
  // child's menu always, another form's when it has AutoMerge; nothing for modal forms.
  void MergeMenu(bool mergeState);
  // The MDI frame's client window (nil for other forms, and before the window is made).
  HWND ClientHandle() const { return clientHandle_; }
  // The frame's Window menu: the MDI client lists the children at its end.
  TMenuItem* WindowMenu() const { return windowMenu_; }
  void SetWindowMenu(TMenuItem* value);
  // The MDI children of a frame, in the screen's order of forms (most recently active first); none for
  // other forms. MDIChildren raises EListError outside 0..MDIChildCount-1.
  int MDIChildCount() const;
  TCustomForm* MDIChildren(int index) const;
  // The active MDI child of a frame (nil when none, or for other forms).
  TCustomForm* ActiveMDIChild() const;
  // The MDI frame that an MDI child of this process goes into: the main form when it is a frame, else the
  // first frame on the screen; nil when none.
  static TCustomForm* MDIFrame();

  // ---- focus ----
  TWinControl* ActiveControl() const { return activeControl_; }
  // The control to focus while the form is active. EInvalidOperation "Cannot focus a disabled or
  // invisible window" unless it is nil, or a control on this form that can take the focus (while the
  // form is read from a definition the check waits).
  void SetActiveControl(TWinControl* control);
  bool Active() const { return active_; }
  void FocusControl(TWinControl* control);
  // A control of the form got the focus: ActiveControl follows, and CM_EXIT/CM_ENTER go out.
  bool SetFocusedControl(TWinControl* control);
  // A control (or its parent) is hidden, disabled or removed: the focus leaves it.
  void DefocusControl(TWinControl* control, bool removing);
  void SetFocus() override;

  // ---- showing and closing ----
  void Show();
  // Visible as a definition sets it: while the form is being created, only remembered (the form shows
  // once OnCreate has run).
  void SetFormVisible(bool value);
  // Shows the form modally and returns its ModalResult. EInvalidOperation "Cannot make a visible
  // window modal" for a visible or disabled form.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult value) { modalResult_ = value; }
  // A modal form ends its loop with mrCancel; another asks OnCloseQuery, then OnClose's action (hide,
  // free, minimise) applies, and closing the main form ends the application.
  void Close();
  bool CloseQuery();
  // Frees the form once the messages in the queue before it are handled.
  void Release();

  // The form's shortcuts: OnShortCut, then its action lists.
  virtual bool IsShortCut(const TWMKey& message);

  void SetClientSize(Integer width, Integer height) override;
  // An MDI child comes to the front as the frame's active child.
  void SetZOrder(bool topMost) override;
  void WndProc(TMessage& message) override;
  // The system's end of an MDI frame's (DefFrameProc) and an MDI child's (DefMDIChildProc) messages.
  void DefaultHandler(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void DefinitionLoaded() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TShortCutEvent OnShortCut;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void PaintWindow(HDC dc) override;
  // An MDI frame's client window takes what the aligned controls leave.
  void AlignControls(TControl* control, TRect& rect) override;
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();

 private:
  bool ReadsDefinition() const;
  void FinishCreation();
  void ShowingChanged();
  void ApplyPosition();
  void SetWindowFocus();
  void SetActive(bool value);
  void CloseModal();
  void ApplyAlphaBlend();
  void UpdateStyles();
  // The menu, MDI and menu-merging messages; true when handled.
  bool MenuMessage(TMessage& message);
  void CreateClientWindow();
  void MDIChildParams(TCreateParams& params);
  HWND NewWindow(const TCreateParams& params) override;

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  std::unique_ptr<TIcon> icon_;
  bool alphaBlend_ = false;
  Byte alphaBlendValue_ = 255;
  bool keyPreview_ = false;
  std::unique_ptr<TControlCanvas> canvas_;
  TFormState formState_;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  bool active_ = false;
  TModalResult modalResult_ = mrNone;
  Integer pendingClientWidth_ = -1;   // ClientWidth/Height set while loading, applied in Loaded
  Integer pendingClientHeight_ = -1;
  TMainMenu* menu_ = nullptr;
  TMenuItem* windowMenu_ = nullptr;
  HWND clientHandle_ = nullptr;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};
