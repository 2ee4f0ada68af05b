#include "skin/manager/sMDIForm.h"

#include "skin/adapters/skSBMDIWnd.h"
#include "skin/forms/sSkinProvider.h"
#include "vcl/gui/Form.h"

TsMDIForm::TsMDIForm(TComponent* provider, TCustomForm* form, std::function<void()> refreshFrame)
    : provider_(provider), form_(form), refreshFrame_(std::move(refreshFrame)) {
  if (form_ != nullptr) form_->HandleNeeded();
}

TsMDIForm::~TsMDIForm() { DisconnectClient(); }

void TsMDIForm::HookClient() {
  if (form_ == nullptr || form_->ComponentState().Contains(csDesigning) || connected_) return;
  ConnectClient();
}

void TsMDIForm::ConnectClient() {
  auto* provider = dynamic_cast<TsSkinProvider*>(provider_);
  const HWND client = form_ != nullptr && form_->HandleAllocated() ? form_->ClientHandle() : nullptr;
  if (provider == nullptr || client == nullptr || !provider->FormSkinned()) {
    DisconnectClient();
    return;
  }
  if (adapter_ == nullptr) adapter_ = New<TskMDIWnd>(client, provider);
  connected_ = true;
}

void TsMDIForm::DisconnectClient() {
  connected_ = false;
  if (adapter_ == nullptr) return;
  const HWND window = adapter_->Window;
  DetachScrollWnd(window, true, IsWindow(window) != FALSE, adapter_);
}

void TsMDIForm::RefreshProviderFrame() {
  if (refreshFrame_) refreshFrame_();
}
