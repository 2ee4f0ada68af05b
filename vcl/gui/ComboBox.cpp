#include "vcl/gui/ComboBox.h"

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TWindowStrings>(*this, ComboBoxItemMessages)) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  StoreBounds(0, 0, 145, 21);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"COMBOBOX");
  params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
  switch (style_) {
    case csSimple: params.Style |= CBS_SIMPLE; break;
    case csDropDownList: params.Style |= CBS_DROPDOWNLIST; break;
    default: params.Style |= CBS_DROPDOWN; break;
  }
  // The height a drop-down combo is made with is that of its open list as well.
  if (style_ != csSimple) params.Height += dropDownCount_ * 16;
}

void TCustomComboBox::AfterCreateWnd() { items_->GiveToWindow(); }

void TCustomComboBox::DestroyWnd() {
  items_->TakeFromWindow();
  TWinControl::DestroyWnd();
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
  if (value == style_) return;
  style_ = value;
  RecreateWnd();
}
