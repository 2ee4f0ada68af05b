#include "skin/manager/sMDIForm.h"

#include "vcl/gui/Form.h"

TsMDIForm::TsMDIForm(TComponent* provider, TCustomForm* form, std::function<void()> refreshFrame)
    : provider_(provider), form_(form), refreshFrame_(std::move(refreshFrame)) {
  if (form_ != nullptr) form_->HandleNeeded();
}

TsMDIForm::~TsMDIForm() = default;

void TsMDIForm::HookClient() {
  if (form_ == nullptr || form_->ComponentState().Contains(csDesigning) || connected_) return;
  ConnectClient();
}

void TsMDIForm::ConnectClient() {
  // The client window's adapter is not made yet: nothing is attached, and the client keeps the
  // system's look.
  connected_ = false;
}

void TsMDIForm::RefreshProviderFrame() {
  if (refreshFrame_) refreshFrame_();
}
