#include "vcl/gui/Button.h"

#include "vcl/gui/Form.h"

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  StoreBounds(0, 0, 75, 25);
  SetTabStop(true);
  SetColor(clBtnFace);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"BUTTON");
  params.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
  if (value == default_) return;
  default_ = value;
  TCustomForm* form = GetParentForm(this);
  if (form == nullptr || form->ActiveControl() == nullptr || dynamic_cast<TButton*>(form->ActiveControl()) == nullptr) {
    active_ = value;
    SetButtonStyle(value);
  }
}

void TButton::SetButtonStyle(bool isDefault) {
  if (!HandleAllocated()) return;
  const LRESULT style = isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if ((GetWindowLongPtrW(Handle(), GWL_STYLE) & 0xF) != style) SendMessageW(Handle(), BM_SETSTYLE, style, TRUE);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TWinControl::Click();
}

void TButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == BN_CLICKED) Click();
      return;
    case CM_DIALOGKEY:
      if (((m.WParam == VK_RETURN && active_) || (m.WParam == VK_ESCAPE && cancel_)) &&
          KeyDataToShiftState(m.LParam).Empty() && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_FOCUSCHANGED: {
      auto* focused = reinterpret_cast<TWinControl*>(m.LParam);
      active_ = dynamic_cast<TButton*>(focused) != nullptr ? focused == this : default_;
      SetButtonStyle(active_);
      break;
    }
    default:
      break;
  }
  TWinControl::WndProc(m);
}
