#include "vcl/gui/Control.h"

#include <windowsx.h>

#include <cstring>
#include <vector>

#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/PopupMenuBase.h"
#include "vcl/gui/WinControl.h"
#include "vcl/rtl/TextConv.h"

namespace {

// The graphic control that has the mouse captured through its parent's window.
TControl* gCaptureControl = nullptr;

// The control canvases that hold a DC of their own (GUI thread only).
std::vector<TControlCanvas*>& CanvasesWithDc() {
  static std::vector<TControlCanvas*> list;
  return list;
}

TPoint MousePos(LPARAM lParam) { return Point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); }

}  // namespace

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
  windowProc_ = TWndMethod(this, &TControl::WndProc);
  font_->OnChange = [this](TObject*) { FontChanged(); };
  margins_.OnChange = [this](TObject*) {
    if (alignWithMargins_) RequestAlign();
  };
  constraints_.OnChange = [this](TObject*) { SetBounds(left_, top_, width_, height_); };
}

void TControl::BeforeDestruction() {
  TComponent::BeforeDestruction();
  LeaveParent();
}

// After `delete` nothing is left to do; a control freed otherwise (on the stack) is no longer complete
// here, so its parent hears only of a bare control.
TControl::~TControl() { LeaveParent(); }

void TControl::LeaveParent() noexcept {
  if (Application != nullptr) Application->ControlDestroyed(this);
  if (gCaptureControl == this) gCaptureControl = nullptr;
  if (parent_ == nullptr) return;
  try {
    parent_->RemoveControl(this);
  } catch (...) {
    // The control goes away whatever the parent's handlers think of it.
  }
}

// ---- the visual tree ----

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent != nullptr) {
    for (const TControl* p = parent; p != nullptr; p = p->parent_)
      if (p == this) throw EInvalidOperation("A control cannot have itself or a child as its parent");
  }
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* w = dynamic_cast<TWinControl*>(parent)) SetParent(w);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

// ---- geometry ----

void TControl::DoConstrain(Integer& width, Integer& height) { constraints_.Apply(width, height); }

void TControl::StoreBounds(Integer left, Integer top, Integer width, Integer height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void TControl::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  DoConstrain(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool resized = width != width_ || height != height_;
  InvalidateControl(visible_, false);
  StoreBounds(left, top, width, height);
  InvalidateControl(visible_, false);
  RequestAlign();
  if (resized && !ComponentState().Contains(csLoading)) Resize();
}

TRect TControl::ClientRect() { return Rect(0, 0, width_, height_); }

void TControl::SetClientSize(Integer width, Integer height) { SetBounds(left_, top_, width, height); }

TPoint TControl::ClientOrigin() {
  if (parent_ == nullptr) return Point(left_, top_);
  const TPoint o = parent_->ClientOrigin();
  return Point(o.X + left_, o.Y + top_);
}

void TControl::SetAlign(TAlign value) {
  if (value == align_) return;
  const TAlign old = align_;
  align_ = value;
  // A control that stops being aligned keeps its size, and one aligned to a side keeps its thickness.
  if (old == alNone || value == alNone || !ComponentState().Contains(csLoading)) RequestAlign();
}

void TControl::SetAlignWithMargins(bool value) {
  if (value == alignWithMargins_) return;
  alignWithMargins_ = value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_ != nullptr) parent_->AlignControl(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- state ----

bool TControl::Showing() const { return visible_ && parent_ != nullptr && parent_->Showing(); }

void TControl::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  RequestAlign();
}

void TControl::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  if (!updatingFromParent_) parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
  if (value == parentColor_) return;
  parentColor_ = value;
  if (value && parent_ != nullptr) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::FontChanged() {
  if (!updatingFromParent_) parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
  if (value == parentFont_) return;
  parentFont_ = value;
  if (value && parent_ != nullptr) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool value) {
  parentShowHint_ = false;
  if (value == showHint_) return;
  showHint_ = value;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) {
  if (value == parentShowHint_) return;
  parentShowHint_ = value;
  if (value && parent_ != nullptr) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenuBase* value) {
  if (value == popupMenu_) return;
  if (popupMenu_ != nullptr) RemoveFreeNotification(popupMenu_);
  popupMenu_ = value;
  if (value != nullptr) value->FreeNotification(this);
}

void TControl::SetCursor(TCursor value) {
  if (value == cursor_) return;
  cursor_ = value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

AnsiString TControl::GetText() const { return text_; }

void TControl::SetTextValue(const AnsiString& value) { text_ = value; }

void TControl::SetText(const AnsiString& value) {
  if (value == GetText()) return;
  SetTextValue(value);
  Perform(CM_TEXTCHANGED, 0, 0);
}

TCustomForm* TControl::ParentForm() const { return GetParentForm(this); }

void TControl::Loaded() {
  TComponent::Loaded();
  if (parent_ != nullptr) {
    if (parentColor_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
    if (parentFont_) Perform(CM_PARENTFONTCHANGED, 0, 0);
    if (parentShowHint_) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  }
  RequestAlign();
}

// ---- messages ----

void TControl::SetWindowProc(TWndMethod value) { windowProc_ = std::move(value); }

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  DeliverMessage(m);
  return m.Result;
}

void TControl::DeliverMessage(TMessage& message) {
  if (windowProc_) {
    // Through a copy: a procedure that replaces WindowProc while it runs would otherwise destroy
    // itself (and what it captured) under its own feet.
    const TWndMethod proc = windowProc_;
    proc(message);
  } else {
    WndProc(message);
  }
}

void TControl::DoMouseDown(TMessage& m, TMouseButton button) {
  const TPoint p = MousePos(m.LParam);
  TShiftState shift = KeysToShiftState(m.WParam);
  if (m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK) shift.Include(ssDouble);
  MouseDown(button, shift, p.X, p.Y);
}

void TControl::DoMouseUp(TMessage& m, TMouseButton button) {
  const TPoint p = MousePos(m.LParam);
  MouseUp(button, KeysToShiftState(m.WParam), p.X, p.Y);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, Integer x, Integer y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::WMContextMenu(TMessage& m) {
  if (m.Result != 0) return;
  TPoint pt = MousePos(m.LParam);
  const bool fromKeyboard = m.LParam == -1;
  TPopupMenuBase* menu = GetPopupMenu();
  if (menu != nullptr && menu->AutoPopup()) {
    if (fromKeyboard) pt = ClientToScreen(Point(0, 0));
    menu->SetPopupComponent(this);
    menu->Popup(pt.X, pt.Y);
    m.Result = 1;
    return;
  }
  DefaultHandler(m);
}

void TControl::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
    if (!controlStyle_.Contains(csDoubleClicks)) {
      switch (m.Msg) {
        case WM_LBUTTONDBLCLK: m.Msg = WM_LBUTTONDOWN; break;
        case WM_RBUTTONDBLCLK: m.Msg = WM_RBUTTONDOWN; break;
        case WM_MBUTTONDBLCLK: m.Msg = WM_MBUTTONDOWN; break;
        default: break;
      }
    }
    switch (m.Msg) {
      case WM_MOUSEMOVE:
        if (Application != nullptr) {
          Application->SetMouseControl(this);
          Application->HintMouseMessage(this, m);
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        controlState_.Include(csLButtonDown);
        break;
      case WM_LBUTTONUP:
        controlState_.Exclude(csLButtonDown);
        break;
      default: break;
    }
  }

  switch (m.Msg) {
    case WM_LBUTTONDOWN:
      DefaultHandler(m);
      if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
      if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
      DoMouseDown(m, mbLeft);
      return;
    case WM_LBUTTONDBLCLK:
      DefaultHandler(m);
      if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
      if (controlStyle_.Contains(csClickEvents)) DblClick();
      DoMouseDown(m, mbLeft);
      return;
    case WM_LBUTTONUP: {
      DefaultHandler(m);
      if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
      if (controlState_.Contains(csClicked)) {
        controlState_.Exclude(csClicked);
        if (ClientRect().Contains(MousePos(m.LParam))) Click();
      }
      DoMouseUp(m, mbLeft);
      return;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      DefaultHandler(m);
      DoMouseDown(m, mbRight);
      return;
    case WM_RBUTTONUP:
      DefaultHandler(m);
      DoMouseUp(m, mbRight);
      return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      DefaultHandler(m);
      DoMouseDown(m, mbMiddle);
      return;
    case WM_MBUTTONUP:
      DefaultHandler(m);
      DoMouseUp(m, mbMiddle);
      return;
    case WM_MOUSEMOVE: {
      DefaultHandler(m);
      const TPoint p = MousePos(m.LParam);
      MouseMove(KeysToShiftState(m.WParam), p.X, p.Y);
      return;
    }
    case WM_CONTEXTMENU:
      WMContextMenu(m);
      return;
    case WM_CANCELMODE:
      if (MouseCapture()) SetMouseCapture(false);
      controlState_.Exclude(csClicked);
      DefaultHandler(m);
      return;
    case CM_VISIBLECHANGED:
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      return;
    case CM_PARENTCOLORCHANGED:
      if (parentColor_ && parent_ != nullptr) {
        updatingFromParent_ = true;
        try {
          SetColor(parent_->Color());
        } catch (...) {
          updatingFromParent_ = false;
          throw;
        }
        updatingFromParent_ = false;
      }
      return;
    case CM_PARENTFONTCHANGED:
      if (parentFont_ && parent_ != nullptr) {
        updatingFromParent_ = true;
        try {
          font_->Assign(&parent_->Font());
        } catch (...) {
          updatingFromParent_ = false;
          throw;
        }
        updatingFromParent_ = false;
      }
      return;
    case CM_PARENTSHOWHINTCHANGED:
      if (parentShowHint_ && parent_ != nullptr && showHint_ != parent_->ShowHint()) {
        showHint_ = parent_->ShowHint();
        Perform(CM_SHOWHINTCHANGED, 0, 0);
      }
      return;
    case CM_MOUSEENTER:
      if (parent_ != nullptr)
        parent_->Perform(CM_MOUSEENTER, 0, m.LParam != 0 ? m.LParam : reinterpret_cast<LPARAM>(this));
      if (m.LParam == 0 && OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      if (parent_ != nullptr)
        parent_->Perform(CM_MOUSELEAVE, 0, m.LParam != 0 ? m.LParam : reinterpret_cast<LPARAM>(this));
      if (m.LParam == 0 && OnMouseLeave) OnMouseLeave(this);
      return;
    case CM_HITTEST:
      m.Result = HTCLIENT;
      return;
    default:
      break;
  }
  DefaultHandler(m);
}

void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_GETTEXT: {
      const WideString w = Cp1250ToUtf16(text_);
      const std::size_t room = static_cast<std::size_t>(m.WParam);
      if (room == 0 || m.LParam == 0) {
        m.Result = 0;
        return;
      }
      const std::size_t n = std::min(room - 1, w.size());
      auto* out = reinterpret_cast<wchar_t*>(m.LParam);
      std::memcpy(out, w.data(), n * sizeof(wchar_t));
      out[n] = 0;
      m.Result = static_cast<LRESULT>(n);
      return;
    }
    case WM_GETTEXTLENGTH:
      m.Result = static_cast<LRESULT>(Cp1250ToUtf16(text_).size());
      return;
    case WM_SETTEXT:
      text_ = m.LParam != 0 ? Utf16ToCp1250(reinterpret_cast<const char16_t*>(m.LParam)) : AnsiString();
      m.Result = 1;
      return;
    default:
      m.Result = 0;
      return;
  }
}

// ---- painting ----

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
  if (!isVisible || parent_ == nullptr || !parent_->HandleAllocated()) return;
  const RECT r = ToRECT(BoundsRect());
  InvalidateRect(parent_->Handle(), &r, !isOpaque);
}

void TControl::Invalidate() { InvalidateControl(visible_, controlStyle_.Contains(csOpaque)); }

void TControl::Update() {
  if (parent_ != nullptr) parent_->Update();
}

void TControl::SetZOrder(bool topMost) {
  if (parent_ == nullptr) return;
  auto& list = parent_->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (topMost) {
    list.push_back(this);
  } else {
    list.insert(list.begin(), this);
  }
  Invalidate();
}

// ---- mouse capture ----

bool TControl::MouseCapture() const {
  HWND captured = GetCapture();
  if (captured == nullptr) return false;
  if (gCaptureControl == this) return true;
  const auto* self = dynamic_cast<const TWinControl*>(this);
  return self != nullptr && self->HandleAllocated() && self->handle_ == captured;
}

void TControl::SetMouseCapture(bool value) {
  if (value == MouseCapture()) return;
  auto* self = dynamic_cast<TWinControl*>(this);
  if (value) {
    if (self != nullptr) {
      gCaptureControl = nullptr;
      SetCapture(self->Handle());
    } else if (parent_ != nullptr) {
      gCaptureControl = this;
      SetCapture(parent_->Handle());
    }
  } else {
    gCaptureControl = nullptr;
    ReleaseCapture();
  }
}

TControl* GetCaptureControlOf(TWinControl* parent) {
  if (gCaptureControl != nullptr && gCaptureControl->Parent() == parent) return gCaptureControl;
  return nullptr;
}

// ---- TControlCanvas ----

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::FreeHandle() {
  if (ownDc_ == nullptr) return;
  HDC dc = ownDc_;
  ownDc_ = nullptr;
  SetHandle(nullptr);
  ReleaseDC(ownWindow_, dc);
  ownWindow_ = nullptr;
  std::erase(CanvasesWithDc(), this);
}

void TControlCanvas::FreeDeviceContexts(HWND window) noexcept {
  for (TControlCanvas* canvas : std::vector<TControlCanvas*>(CanvasesWithDc()))
    if (canvas->ownWindow_ == window) canvas->FreeHandle();
}

TCanvasPaintScope::TCanvasPaintScope(TControlCanvas& canvas, HDC dc) : canvas_(canvas) {
  canvas_.FreeHandle();
  canvas_.Lock();
  canvas_.SetHandle(dc);
  try {
    canvas_.Font().Assign(&canvas_.Control().Font());
    canvas_.Brush().SetColor(canvas_.Control().Color());
  } catch (...) {
    canvas_.SetHandle(nullptr);
    canvas_.Unlock();
    throw;
  }
}

TCanvasPaintScope::~TCanvasPaintScope() {
  canvas_.SetHandle(nullptr);
  canvas_.Unlock();
}

void TControlCanvas::CreateHandle() {
  if (auto* w = dynamic_cast<TWinControl*>(&control_)) {
    ownWindow_ = w->Handle();
    ownDc_ = GetDC(ownWindow_);
  } else {
    TWinControl* parent = control_.Parent();
    if (parent == nullptr) return;
    ownWindow_ = parent->Handle();
    ownDc_ = GetDC(ownWindow_);
    if (ownDc_ != nullptr) {
      SetViewportOrgEx(ownDc_, control_.Left(), control_.Top(), nullptr);
      IntersectClipRect(ownDc_, 0, 0, control_.Width(), control_.Height());
    }
  }
  if (ownDc_ == nullptr) return;
  CanvasesWithDc().push_back(this);
  SetHandle(ownDc_);
}

TCustomForm* GetParentForm(const TControl* control) {
  if (control == nullptr) return nullptr;
  const TControl* top = control;
  while (top->Parent() != nullptr) top = top->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}
