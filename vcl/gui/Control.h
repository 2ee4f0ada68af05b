// TControl: the visual component. It has a parent (a windowed control), bounds in its parent's client
// coordinates (screen coordinates for a form), alignment, visibility, colour, font, hint and text, and
// a window procedure through which every message reaches it: WindowProc, a replaceable method pointer
// that starts as the control's own WndProc. Perform sends a message through WindowProc, so whoever
// replaces it (the skin library takes over a form's procedure and calls the previous one) sees the
// control's own notifications as well as the window's messages.
//
// A control that has no window of its own (TGraphicControl) is painted by its parent and receives the
// parent's mouse messages for its area. Windowed controls are TWinControl.
#pragma once
#include <memory>
#include <vector>
#include "vcl/gui/ControlParts.h"
#include "vcl/gui/Geometry.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Messages.h"
#include "vcl/gui/ShortCuts.h"
#include "vcl/rtl/Alignment.h"
#include "vcl/rtl/Component.h"

class TWinControl;
class TCustomForm;
class TPopupMenuBase;

// A form's border; controls with a border of their own use the first two (TBorderStyle).
enum TFormBorderStyle { bsNone = 0, bsSingle = 1, bsSizeable = 2, bsDialog = 3, bsToolWindow = 4, bsSizeToolWin = 5 };
using TBorderStyle = TFormBorderStyle;

enum TAlign { alNone = 0, alTop = 1, alBottom = 2, alLeft = 3, alRight = 4, alClient = 5, alCustom = 6 };

enum TControlStyleItem {
  csAcceptsControls = 0, csCaptureMouse = 1, csDesignInteractive = 2, csClickEvents = 3, csFramed = 4,
  csSetCaption = 5, csOpaque = 6, csDoubleClicks = 7, csFixedWidth = 8, csFixedHeight = 9,
  csNoDesignVisible = 10, csReplicatable = 11, csNoStdEvents = 12, csDisplayDragImage = 13, csReflector = 14,
  csActionClient = 15, csMenuEvents = 16
};
using TControlStyle = TSet<TControlStyleItem, 17>;

enum TControlStateItem {
  csLButtonDown = 0, csClicked = 1, csPalette = 2, csReadingState = 3, csAlignmentNeeded = 4, csFocusing = 5,
  csCreating = 6, csPaintCopy = 7, csCustomPaint = 8, csDestroyingHandle = 9, csDocking = 10
};
using TControlState = TSet<TControlStateItem, 11>;

enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, Integer x, Integer y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, Integer x, Integer y)>;
using TKeyEvent = std::function<void(TObject* sender, Word& key, TShiftState shift)>;
// The character is Windows-1250; setting it to 0 swallows the key.
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

// What ShowModal returns and what a button sets on its form.
using TModalResult = Integer;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

// Mouse cursors: crDefault leaves the choice to the window; the others are the system cursors.
using TCursor = SmallInt;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  void BeforeDestruction() override;

  // ---- the visual tree ----
  TWinControl* Parent() const { return parent_; }
  // Moves the control into another parent (nil: out of any); the parent's children are realigned.
  virtual void SetParent(TWinControl* parent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

  // ---- geometry ----
  Integer Left() const { return left_; }
  Integer Top() const { return top_; }
  Integer Width() const { return width_; }
  Integer Height() const { return height_; }
  void SetLeft(Integer value) { SetBounds(value, top_, width_, height_); }
  void SetTop(Integer value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(Integer value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(Integer value) { SetBounds(left_, top_, width_, value); }
  // Moves and sizes the control (the size within Constraints); aligned neighbours follow.
  virtual void SetBounds(Integer left, Integer top, Integer width, Integer height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  // The client area in the control's own coordinates.
  virtual TRect ClientRect();
  Integer ClientWidth() { return ClientRect().Width(); }
  Integer ClientHeight() { return ClientRect().Height(); }
  void SetClientWidth(Integer value) { SetClientSize(value, ClientHeight()); }
  void SetClientHeight(Integer value) { SetClientSize(ClientWidth(), value); }
  virtual void SetClientSize(Integer width, Integer height);
  // The screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(TPoint p) { const TPoint o = ClientOrigin(); return Point(p.X + o.X, p.Y + o.Y); }
  TPoint ScreenToClient(TPoint p) { const TPoint o = ClientOrigin(); return Point(p.X - o.X, p.Y - o.Y); }

  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);
  TMargins& Margins() { return margins_; }
  bool AlignWithMargins() const { return alignWithMargins_; }
  void SetAlignWithMargins(bool value);
  TSizeConstraints& Constraints() { return constraints_; }

  // ---- state ----
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible and every parent showing (a form: visible and its window made).
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);
  TFont& Font() { return *font_; }
  void SetFont(const TFont& value) { font_->Assign(&value); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);
  // The text of the control (a form's or button's caption, an edit's contents), Windows-1250.
  AnsiString Caption() const { return GetText(); }
  void SetCaption(const AnsiString& value) { SetText(value); }
  AnsiString Text() const { return GetText(); }
  void SetText(const AnsiString& value);
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& value) { hint_ = value; }
  // Whether the hint shows: the control's own choice, or its parent's while ParentShowHint is on.
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool value);
  TPopupMenuBase* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenuBase* value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle value) { controlStyle_ = value; }
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState value) { controlState_ = value; }

  // ---- messages ----
  // The procedure every message of this control goes through. Replacing it takes the control's
  // messages over; the replacement calls the previous procedure for what it does not handle itself.
  const TWndMethod& WindowProc() const { return windowProc_; }
  void SetWindowProc(TWndMethod value);
  // Sends a message through WindowProc and returns its result; exceptions pass to the caller.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // Hands a message to WindowProc (to WndProc when someone left WindowProc empty).
  void DeliverMessage(TMessage& message);
  // The control's own message handling; the default end of the chain is DefaultHandler.
  virtual void WndProc(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  // ---- painting and order ----
  virtual void Invalidate();
  virtual void Update();
  void Repaint() { Invalidate(); Update(); }
  void Refresh() { Repaint(); }
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  virtual void SetZOrder(bool topMost);

  // Mouse capture: the control receives the mouse messages while set.
  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  // Fires OnClick (a button also sets its form's ModalResult).
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  virtual AnsiString GetText() const;
  // Stores the text (a windowed control also sets its window text); SetText adds CM_TEXTCHANGED.
  virtual void SetTextValue(const AnsiString& value);
  const AnsiString& StoredText() const { return text_; }
  void SetStoredText(const AnsiString& value) { text_ = value; }

  // The control's bounds changed in size (OnResize).
  virtual void Resize();
  // Asks the parent to align its children again (after a change of this control's alignment, size
  // or visibility).
  virtual void RequestAlign();
  virtual void DoConstrain(Integer& width, Integer& height);
  // Stores new bounds without telling anyone (the parent's alignment and window messages use it).
  void StoreBounds(Integer left, Integer top, Integer width, Integer height);

  virtual void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
  virtual void MouseMove(TShiftState shift, Integer x, Integer y);
  virtual void DblClick();
  virtual TPopupMenuBase* GetPopupMenu() const { return popupMenu_; }
  // The form whose ModalResult a button click sets, or nil.
  TCustomForm* ParentForm() const;

  // Paints a graphic control's area of the parent again.
  void InvalidateControl(bool isVisible, bool isOpaque);

  // Initial values of a class (a form starts hidden, with a font of its own) without notifications.
  void InitVisible(bool value) { visible_ = value; }
  void InitParentFont(bool value) { parentFont_ = value; }
  void InitParentShowHint(bool value) { parentShowHint_ = value; }
  void InitColor(TColor value) { color_ = value; }

  // While set, font and colour changes come from the parent and do not clear ParentFont/ParentColor.
  bool updatingFromParent_ = false;

 private:
  friend class TWinControl;
  // Leaves Application's and the capture's bookkeeping and the parent.
  void LeaveParent() noexcept;
  void FontChanged();
  void DoMouseDown(TMessage& m, TMouseButton button);
  void DoMouseUp(TMessage& m, TMouseButton button);
  void WMContextMenu(TMessage& m);

  TWinControl* parent_ = nullptr;
  Integer left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  TMargins margins_;
  bool alignWithMargins_ = false;
  TSizeConstraints constraints_;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = false;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  AnsiString text_;
  AnsiString hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TPopupMenuBase* popupMenu_ = nullptr;
  TCursor cursor_ = crDefault;
  TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState controlState_;
  TWndMethod windowProc_;
};

// A canvas that paints on a control: on its window (a windowed control) or its area of the parent's
// window (a graphic control). Outside painting it gets a DC itself and keeps it until FreeHandle, or
// until that window is destroyed (FreeDeviceContexts).
class TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(TControl& control) : control_(control) {}
  ~TControlCanvas() override;
  TControl& Control() const { return control_; }
  void FreeHandle();
  // Every control canvas that holds a DC of the window lets go of it (the window is going away).
  static void FreeDeviceContexts(HWND window) noexcept;

 protected:
  void CreateHandle() override;

 private:
  TControl& control_;
  HDC ownDc_ = nullptr;
  HWND ownWindow_ = nullptr;
};

// Sets one control-state flag for a scope and clears it again on every path.
class TControlStateScope {
 public:
  TControlStateScope(TControl& control, TControlStateItem flag) : control_(control), flag_(flag) {
    TControlState state = control_.ControlState();
    control_.SetControlState(state.Include(flag_));
  }
  ~TControlStateScope() {
    TControlState state = control_.ControlState();
    control_.SetControlState(state.Exclude(flag_));
  }
  TControlStateScope(const TControlStateScope&) = delete;
  TControlStateScope& operator=(const TControlStateScope&) = delete;

 private:
  TControl& control_;
  TControlStateItem flag_;
};

// Lends a paint message's device context to a control's canvas, locked, with the control's font and
// colour, for the length of a paint; the canvas lets go of it on every path.
class TCanvasPaintScope {
 public:
  TCanvasPaintScope(TControlCanvas& canvas, HDC dc);
  ~TCanvasPaintScope();
  TCanvasPaintScope(const TCanvasPaintScope&) = delete;
  TCanvasPaintScope& operator=(const TCanvasPaintScope&) = delete;

 private:
  TControlCanvas& canvas_;
};

// The form the control sits on (its top-most parent when that is a form), or nil.
TCustomForm* GetParentForm(const TControl* control);
