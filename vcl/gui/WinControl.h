// TWinControl: a control with a window of its own. Each class registers a Win32 window class named
// after the C++ class ("TButton", "TPanel", "TfrmMain"), because code that treats windows by class
// (the skin library) recognises the layer's windows by those names. A class that wraps a system control
// superclasses it in CreateParams (CreateSubClass(params, L"BUTTON")): the registered class keeps the
// system class's styles and its window procedure becomes the control's DefaultHandler.
//
// Windows are made when first needed: when the control starts showing (visible, and its parent
// showing), or when Handle() is asked for. Every message of the window goes through WindowProc;
// WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM and the scroll messages that a child window sends
// its parent come back to the child control as CN_ messages. No exception leaves a window procedure:
// one raised while a message is handled goes to Application->HandleException.
//
// Children are laid out by Align (alTop, alBottom, alLeft, alRight, then alClient take the client area
// minus Padding in that order; controls with AlignWithMargins keep their Margins around them).
#pragma once
#include <string>
#include <vector>
#include "vcl/gui/Control.h"

class TWinControl : public TControl {
 public:
  // What a window is made from; CreateParams fills it in and derived classes adjust it.
  struct TCreateParams {
    WideString Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    Integer X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    WNDCLASSEXW WindowClass{};
    std::wstring WinClassName;  // the class registered for this control (default: the C++ class name)
  };

  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  // ---- the window ----
  // The window; made (with the parents' windows) when it does not exist yet. While the window is being
  // made (csCreating) it answers the window Windows announced (HCBT_CREATEWND) and never makes another.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // A non-VCL window to act as the parent of a control that has no Parent.
  HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(HWND value);
  // Destroys the window and makes it again (after a change of a creation-time style).
  void RecreateWnd();

  // ---- children ----
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;  // EListError outside 0..ControlCount-1
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;  // a child, grandchild...
  // The visible child at a client point (graphic and windowed); nil when none.
  TControl* ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls = false) const;
  // Sends the message to every child until one answers with a non-zero Result.
  void Broadcast(TMessage& message);
  void NotifyControls(UINT msg);

  TPadding& Padding() { return padding_; }
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();
  bool AlignDisabled() const { return alignDisabled_ > 0; }
  // Lays the children out again.
  void Realign();

  // ---- focus and tab order ----
  bool Focused() const;
  // Every control up to the form visible and enabled (nothing decides for a control without a form).
  virtual bool CanFocus() const;
  // Gives the control the focus (through its form); EInvalidOperation "Cannot focus a disabled or
  // invisible window" when it cannot take it.
  virtual void SetFocus();
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool value);
  int TabOrder() const;
  void SetTabOrder(int value);
  // The windowed descendants in tab order.
  void GetTabOrderList(std::vector<TWinControl*>& list);
  // The next (or previous) focusable control after current among this control's descendants.
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

  bool Showing() const override;

  void SetBounds(Integer left, Integer top, Integer width, Integer height) override;
  TRect ClientRect() override;
  void SetClientSize(Integer width, Integer height) override;
  TPoint ClientOrigin() override;
  void SetZOrder(bool topMost) override;
  void Invalidate() override;
  void Update() override;
  // Paints the control with its children into a DC at (x, y) (WM_PRINT).
  void PaintTo(HDC dc, Integer x, Integer y);

  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // Entry from the window's procedure: runs WindowProc and routes exceptions to the application.
  LRESULT MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  void Loaded() override;

 protected:
  virtual void CreateParams(TCreateParams& params);
  // Superclasses a system window class: the registered class takes its styles and its procedure
  // becomes the default handler.
  void CreateSubClass(TCreateParams& params, const wchar_t* baseClass);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  // Makes the window itself (CreateWindowEx by default); the window binds to this control meanwhile.
  virtual HWND NewWindow(const TCreateParams& params);
  // Saves what the window holds that must survive a new window (the text), then destroys it.
  virtual void DestroyWnd();
  void CreateHandle();
  void DestroyHandle();
  AnsiString GetText() const override;
  void SetTextValue(const AnsiString& value) override;
  // Restores the window from the saved text etc. after it has been made (CreateWnd calls it).
  virtual void AfterCreateWnd() {}

  // Lays out the children inside rect (the client area minus Padding); rect shrinks as each aligned
  // control takes its part. `control` (may be nil) is the child whose change asked for it.
  virtual void AlignControls(TControl* control, TRect& rect);
  virtual void AdjustClientRect(TRect& rect);
  void AlignControl(TControl* control);

  virtual void PaintWindow(HDC dc);
  void PaintControls(HDC dc, TControl* first);
  void PaintHandler(TMessage& message);

  // Keyboard events; returning true means the key was handled (swallowed).
  virtual bool DoKeyDown(TMessage& message);
  virtual bool DoKeyUp(TMessage& message);
  virtual bool DoKeyPress(TMessage& message);
  virtual void KeyDown(Word& key, TShiftState shift);
  virtual void KeyUp(Word& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // The popup menus of this control and its parents, then the form's shortcuts (action lists).
  bool IsMenuKey(TMessage& message);

  // Makes the child windows' visibility follow the controls (creating windows as they start to show).
  void UpdateShowing();
  void UpdateControlState();
  TBrush& Brush() { return *brush_; }
  WNDPROC DefWndProc() const { return defWndProc_; }

 private:
  friend class TControl;
  static LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
  void Bind(HWND window);
  void Unbind() noexcept;
  void FreeChildren() noexcept;
  bool DoControlMsg(HWND child, TMessage& message);
  void CNKeyDown(TMessage& message);
  void CNSysKeyDown(TMessage& message);
  bool IsControlMouseMsg(TMessage& message);
  void HandleSetCursor(TMessage& message);
  void UpdateBounds();
  void RemoveFocus(bool removing);
  void DoAlign(TAlign align, TControl* control, TRect& rect);

  HWND handle_ = nullptr;
  HWND parentWindow_ = nullptr;
  WNDPROC defWndProc_ = nullptr;
  std::vector<TControl*> controls_;     // children in z-order (first = bottom)
  std::vector<TWinControl*> tabList_;   // windowed children in tab order
  TPadding padding_;
  int alignDisabled_ = 0;
  bool aligning_ = false;
  bool tabStop_ = false;
  bool showing_ = false;
  std::unique_ptr<TBrush> brush_;
};

// The control whose window this is (a window of this process made by the layer), or nil.
TWinControl* FindControl(HWND window);
// The control whose window is being made right now on this thread (between CreateWindowEx and the
// window's first message, when a creation hook already sees the window), or nil.
TWinControl* ControlBeingCreated();
