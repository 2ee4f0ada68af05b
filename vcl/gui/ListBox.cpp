#include "vcl/gui/ListBox.h"

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TWindowStrings>(*this, ListBoxItemMessages)) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  StoreBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"LISTBOX");
  params.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL;
  if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::AfterCreateWnd() { items_->GiveToWindow(); }

void TCustomListBox::DestroyWnd() {
  items_->TakeFromWindow();
  TWinControl::DestroyWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
}
