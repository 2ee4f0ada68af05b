#include "vcl/gui/ToolBar.h"

#include <windowsx.h>

#include <algorithm>

#include "vcl/gui/Application.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/TextConv.h"

// ---- TToolButton ----

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
  StoreBounds(0, 0, 23, 22);
  SetControlStyle(TControlStyle{csCaptureMouse, csSetCaption, csClickEvents});
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

int TToolButton::Index() const {
  const TToolBar* bar = ToolBar();
  if (bar == nullptr) return -1;
  auto it = std::find(bar->buttons_.begin(), bar->buttons_.end(), this);
  return it == bar->buttons_.end() ? -1 : static_cast<int>(it - bar->buttons_.begin());
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  if (value == style_) return;
  style_ = value;
  if (TToolBar* bar = ToolBar()) bar->ButtonsChanged();
}

void TToolButton::SetImageIndex(Integer value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  TToolBar* bar = ToolBar();
  if (bar != nullptr && bar->HandleAllocated() && !IsSeparator())
    SendMessageW(bar->Handle(), TB_CHANGEBITMAP, static_cast<WPARAM>(command_), MAKELPARAM(value >= 0 ? value : I_IMAGENONE, 0));
}

bool TToolButton::Down() {
  TToolBar* bar = ToolBar();
  if (bar != nullptr && bar->HandleAllocated())
    down_ = SendMessageW(bar->Handle(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(command_), 0) != 0;
  return down_;
}

void TToolButton::SetDown(bool value) {
  if (value == down_) return;
  down_ = value;
  if (TToolBar* bar = ToolBar()) bar->UpdateButtonState(this);
}

void TToolButton::SetMarked(bool value) {
  if (value == marked_) return;
  marked_ = value;
  if (TToolBar* bar = ToolBar()) bar->UpdateButtonState(this);
}

void TToolButton::SetIndeterminate(bool value) {
  if (value == indeterminate_) return;
  indeterminate_ = value;
  if (TToolBar* bar = ToolBar()) bar->UpdateButtonState(this);
}

void TToolButton::SetDropdownMenu(TPopupMenu* value) {
  if (value == dropdownMenu_) return;
  if (dropdownMenu_ != nullptr) RemoveFreeNotification(dropdownMenu_);
  dropdownMenu_ = value;
  if (value != nullptr) value->FreeNotification(this);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

void TToolButton::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  // Only a separator's width is the button's own choice (kept for when the style becomes separator:
  // definitions may set Width first); the tool bar places the buttons.
  const bool newWidth = width != Width();
  if (newWidth) separatorWidth_ = width;
  TToolBar* bar = ToolBar();
  if (bar == nullptr) {
    TGraphicControl::SetBounds(left, top, width, height);
    return;
  }
  StoreBounds(left, top, width, height);
  bar->ButtonsChanged();
}

void TToolButton::WndProc(TMessage& m) {
  TGraphicControl::WndProc(m);
  TToolBar* bar = ToolBar();
  if (bar == nullptr) return;
  switch (m.Msg) {
    case CM_ENABLEDCHANGED:
      bar->UpdateButtonState(this);
      break;
    case CM_VISIBLECHANGED:
      bar->ButtonsChanged();  // a hidden button takes no room
      break;
    case CM_TEXTCHANGED:
      if (bar->ShowCaptions()) bar->ButtonsChanged();
      break;
    default:
      break;
  }
}

// ---- TToolBar ----

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(*this)) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csSetCaption});
  StoreBounds(0, 0, 150, 29);
  SetAlign(alTop);
  SetColor(clBtnFace);
}

TToolBar::~TToolBar() = default;

TToolButton* TToolBar::Buttons(int index) const {
  if (index < 0 || index >= ButtonCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return buttons_[static_cast<std::size_t>(index)];
}

void TToolBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, TOOLBARCLASSNAMEW);
  // The layer places the tool bar and its edges; the window only draws and clicks the buttons.
  params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
  if (flat_) params.Style |= TBSTYLE_FLAT;
  if (list_) params.Style |= TBSTYLE_LIST;
}

void TToolBar::AfterCreateWnd() {
  SendMessageW(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ApplyImagesAndSize();
  ButtonsChanged();
}

void TToolBar::ApplyImagesAndSize() {
  if (!HandleAllocated()) return;
  HWND window = Handle();
  HIMAGELIST list = images_ != nullptr ? images_->Handle() : nullptr;
  SendMessageW(window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
  HIMAGELIST hotList = hotImages_ != nullptr ? hotImages_->Handle() : nullptr;
  SendMessageW(window, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hotList));
  if (images_ != nullptr) SendMessageW(window, TB_SETBITMAPSIZE, 0, MAKELPARAM(images_->Width(), images_->Height()));
  SendMessageW(window, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth_, buttonHeight_));
}

BYTE TToolBar::ButtonState(const TToolButton* button) {
  BYTE state = 0;
  if (button->Enabled() && Enabled()) state |= TBSTATE_ENABLED;
  if (!button->Visible()) state |= TBSTATE_HIDDEN;
  if (button->down_) state |= TBSTATE_CHECKED;
  if (button->marked_) state |= TBSTATE_MARKED;
  if (button->indeterminate_) state |= TBSTATE_INDETERMINATE;
  return state;
}

void TToolBar::ButtonsChanged() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  if (HandleAllocated()) {
    HWND window = Handle();
    while (SendMessageW(window, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageW(window, TB_DELETEBUTTON, 0, 0);
    std::vector<TBBUTTON> native;
    std::vector<WideString> captions;  // the window copies them
    captions.reserve(buttons_.size());
    for (TToolButton* b : buttons_) {
      TBBUTTON tb{};
      tb.idCommand = b->command_;
      tb.fsState = ButtonState(b);
      tb.dwData = reinterpret_cast<DWORD_PTR>(b);
      if (b->IsSeparator()) {
        tb.fsStyle = BTNS_SEP;
        tb.iBitmap = std::max<Integer>(b->separatorWidth_, 0);
      } else {
        tb.fsStyle = b->style_ == tbsCheck ? BTNS_CHECK : b->style_ == tbsDropDown ? BTNS_DROPDOWN : BTNS_BUTTON;
        tb.iBitmap = b->imageIndex_ >= 0 ? b->imageIndex_ : I_IMAGENONE;
      }
      tb.iString = -1;
      if (showCaptions_ && !b->IsSeparator()) {
        captions.push_back(Cp1250ToUtf16(b->Caption()));
        tb.iString = reinterpret_cast<INT_PTR>(captions.back().c_str());
      }
      native.push_back(tb);
    }
    if (!native.empty())
      SendMessageW(window, TB_ADDBUTTONSW, native.size(), reinterpret_cast<LPARAM>(native.data()));
    SendMessageW(window, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth_, buttonHeight_));
  }
  LayOutButtons();
  Invalidate();
}

void TToolBar::LayOutButtons() {
  // A raised (not flat) tool bar keeps two pixels above its buttons, as the system's does.
  const Integer top = flat_ ? 0 : 2;
  Integer x = 0;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    TToolButton* b = buttons_[i];
    const Integer width = b->IsSeparator() ? b->separatorWidth_ : buttonWidth_;
    TRect bounds = Bounds(x, top, b->Visible() ? width : 0, buttonHeight_);
    if (HandleAllocated()) {
      RECT r{};
      if (SendMessageW(Handle(), TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) bounds = FromRECT(r);
    }
    b->StoreBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    x = bounds.Right;
  }
}

void TToolBar::UpdateButtonState(TToolButton* button) {
  if (HandleAllocated())
    SendMessageW(Handle(), TB_SETSTATE, static_cast<WPARAM>(button->command_), MAKELPARAM(ButtonState(button), 0));
}

void TToolBar::UpdateButtonStates() {
  for (TToolButton* b : buttons_) UpdateButtonState(b);
}

void TToolBar::SetButtonWidth(Integer value) {
  if (value == buttonWidth_ || value <= 0) return;
  buttonWidth_ = value;
  ButtonsChanged();
}

void TToolBar::SetButtonHeight(Integer value) {
  if (value == buttonHeight_ || value <= 0) return;
  buttonHeight_ = value;
  ButtonsChanged();
}

void TToolBar::SetImages(TCustomImageList* value) {
  if (value == images_) return;
  if (images_ != nullptr) RemoveFreeNotification(images_);
  images_ = value;
  if (value != nullptr) value->FreeNotification(this);
  ApplyImagesAndSize();
  ButtonsChanged();
}

void TToolBar::SetFlat(bool value) {
  if (value == flat_) return;
  flat_ = value;
  RecreateWnd();
}

void TToolBar::SetShowCaptions(bool value) {
  if (value == showCaptions_) return;
  showCaptions_ = value;
  ButtonsChanged();
}

void TToolBar::SetList(bool value) {
  if (value == list_) return;
  list_ = value;
  RecreateWnd();
}

void TToolBar::SetEdgeBorders(TEdgeBorders value) {
  if (value == edgeBorders_) return;
  edgeBorders_ = value;
  if (HandleAllocated()) {
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ButtonsChanged();
}

void TToolBar::SetEdgeInner(TEdgeStyle value) {
  if (value == edgeInner_) return;
  edgeInner_ = value;
  if (HandleAllocated()) SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TToolBar::SetEdgeOuter(TEdgeStyle value) {
  if (value == edgeOuter_) return;
  edgeOuter_ = value;
  if (HandleAllocated()) SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Integer TToolBar::EdgeSize() const { return (edgeInner_ != esNone ? 1 : 0) + (edgeOuter_ != esNone ? 1 : 0); }

TRect TToolBar::ClientRect() {
  TRect r = TWinControl::ClientRect();
  if (HandleAllocated()) return r;  // the window's client area already leaves the edges out
  const Integer edge = EdgeSize();
  Integer width = r.Width(), height = r.Height();
  if (edgeBorders_.Contains(ebLeft)) width -= edge;
  if (edgeBorders_.Contains(ebRight)) width -= edge;
  if (edgeBorders_.Contains(ebTop)) height -= edge;
  if (edgeBorders_.Contains(ebBottom)) height -= edge;
  return Rect(0, 0, std::max<Integer>(width, 0), std::max<Integer>(height, 0));
}

void TToolBar::PaintEdges() {
  if (edgeBorders_.Empty() || EdgeSize() == 0) return;
  UINT edge = 0;
  if (edgeInner_ == esRaised) edge |= BDR_RAISEDINNER;
  if (edgeInner_ == esLowered) edge |= BDR_SUNKENINNER;
  if (edgeOuter_ == esRaised) edge |= BDR_RAISEDOUTER;
  if (edgeOuter_ == esLowered) edge |= BDR_SUNKENOUTER;
  UINT sides = 0;
  if (edgeBorders_.Contains(ebLeft)) sides |= BF_LEFT;
  if (edgeBorders_.Contains(ebTop)) sides |= BF_TOP;
  if (edgeBorders_.Contains(ebRight)) sides |= BF_RIGHT;
  if (edgeBorders_.Contains(ebBottom)) sides |= BF_BOTTOM;
  HWND window = Handle();
  HDC dc = GetWindowDC(window);
  RECT r{0, 0, Width(), Height()};
  DrawEdge(dc, &r, edge, sides);
  ReleaseDC(window, dc);
}

TToolButton* TToolBar::ButtonAt(TPoint p) const {
  for (TToolButton* b : buttons_)
    if (b->Visible() && !b->IsSeparator() && b->BoundsRect().Contains(p)) return b;
  return nullptr;
}

TToolButton* TToolBar::ButtonOfCommand(int command) const {
  for (TToolButton* b : buttons_)
    if (b->command_ == command) return b;
  return nullptr;
}

void TToolBar::Loaded() {
  TWinControl::Loaded();
  ApplyImagesAndSize();
  ButtonsChanged();
}

void TToolBar::SetHotImages(TCustomImageList* value) {
  if (value == hotImages_) return;
  if (hotImages_ != nullptr) RemoveFreeNotification(hotImages_);
  hotImages_ = value;
  if (value != nullptr) value->FreeNotification(this);
  ApplyImagesAndSize();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == images_) images_ = nullptr;
  if (component == hotImages_) hotImages_ = nullptr;
  if (images_ == nullptr || hotImages_ == nullptr) ApplyImagesAndSize();
}

LRESULT TToolBar::CustomDraw(NMTBCUSTOMDRAW& draw) {
  const DWORD stage = draw.nmcd.dwDrawStage;
  const auto stageOf = [](DWORD s) {
    switch (s & ~CDDS_ITEM) {
      case CDDS_POSTPAINT: return cdPostPaint;
      case CDDS_PREERASE: return cdPreErase;
      case CDDS_POSTERASE: return cdPostErase;
      default: return cdPrePaint;
    }
  };
  const HDC previous = canvas_->HandleAllocated() ? canvas_->Handle() : nullptr;
  canvas_->SetHandle(draw.nmcd.hdc);
  bool defaultDraw = true;
  LRESULT result = CDRF_DODEFAULT;
  try {
    if ((stage & CDDS_ITEM) == 0) {
      if (OnAdvancedCustomDraw) {
        const RECT& r = draw.nmcd.rc;
        OnAdvancedCustomDraw(this, TRect{r.left, r.top, r.right, r.bottom}, stageOf(stage), defaultDraw);
      }
      if (stage == CDDS_PREPAINT && OnAdvancedCustomDrawButton) result |= CDRF_NOTIFYITEMDRAW;
    } else if (TToolButton* button = ButtonOfCommand(static_cast<int>(draw.nmcd.dwItemSpec));
               button != nullptr && OnAdvancedCustomDrawButton) {
      Cardinal flags = 0;
      OnAdvancedCustomDrawButton(this, button, draw.nmcd.uItemState, stageOf(stage), flags, defaultDraw);
      result |= flags;
    }
  } catch (...) {
    canvas_->SetHandle(previous);
    throw;
  }
  canvas_->SetHandle(previous);
  if (!defaultDraw) result |= CDRF_SKIPDEFAULT;
  return result;
}

void TToolBar::DropDown(int command) {
  TToolButton* button = ButtonOfCommand(command);
  if (button == nullptr || button->dropdownMenu_ == nullptr) return;
  RECT r{};
  SendMessageW(Handle(), TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&r));
  POINT below{r.left, r.bottom};
  ::ClientToScreen(Handle(), &below);
  button->dropdownMenu_->Popup(below.x, below.y);  // returns when the menu has closed
  if (HandleAllocated()) PostMessageW(Handle(), CN_DROPDOWNCLOSED, 0, 0);
}

void TToolBar::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
    // The window presses and clicks the buttons itself; the buttons only hear the mouse for their hints.
    if (m.Msg == WM_MOUSEMOVE && Application != nullptr) {
      TControl* target = ButtonAt(Point(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
      if (target == nullptr) target = this;
      Application->SetMouseControl(target);
      Application->HintMouseMessage(target, m);
    }
    DefaultHandler(m);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT:
      DefaultHandler(m);
      return;
    case WM_NCCALCSIZE: {
      DefaultHandler(m);
      auto* r = reinterpret_cast<RECT*>(m.LParam);  // the first rectangle of NCCALCSIZE_PARAMS too
      const Integer edge = EdgeSize();
      if (edgeBorders_.Contains(ebLeft)) r->left += edge;
      if (edgeBorders_.Contains(ebTop)) r->top += edge;
      if (edgeBorders_.Contains(ebRight)) r->right -= edge;
      if (edgeBorders_.Contains(ebBottom)) r->bottom -= edge;
      return;
    }
    case WM_NCPAINT:
      DefaultHandler(m);
      PaintEdges();
      return;
    case CN_NOTIFY:
      if (reinterpret_cast<NMHDR*>(m.LParam)->code == TBN_DROPDOWN) {
        DropDown(reinterpret_cast<NMTOOLBARW*>(m.LParam)->iItem);
        m.Result = TBDDRET_DEFAULT;
        return;
      }
      if (reinterpret_cast<NMHDR*>(m.LParam)->code == NM_CUSTOMDRAW &&
          (OnAdvancedCustomDraw || OnAdvancedCustomDrawButton)) {
        m.Result = CustomDraw(*reinterpret_cast<NMTBCUSTOMDRAW*>(m.LParam));
        return;
      }
      break;
    case CN_COMMAND:
      if (TToolButton* button = ButtonOfCommand(LOWORD(m.WParam))) {
        if (button->style_ == tbsCheck) button->Down();
        button->Click();
      }
      return;
    case CM_CONTROLLISTCHANGE: {
      auto* button = dynamic_cast<TToolButton*>(reinterpret_cast<TControl*>(m.WParam));
      if (button != nullptr) {
        if (m.LParam != 0) {
          if (std::find(buttons_.begin(), buttons_.end(), button) == buttons_.end()) {
            button->command_ = nextCommand_++;
            buttons_.push_back(button);
          }
        } else {
          std::erase(buttons_, button);
        }
        ButtonsChanged();
      }
      break;
    }
    case CM_ENABLEDCHANGED:
      TWinControl::WndProc(m);
      UpdateButtonStates();
      return;
    case WM_SIZE:
      TWinControl::WndProc(m);
      LayOutButtons();
      // The edges run along the whole window, but a resize that keeps the old bits sends no frame paint
      // for the new strip: they are drawn again at the new size (the client area is left alone).
      if (IsWindowVisible(Handle())) PaintEdges();
      return;
    default:
      break;
  }
  TWinControl::WndProc(m);
}
