// TsMDIForm: the companion of a skinned MDI frame's provider. It makes sure the frame's window (and so
// its MDI client window) exists and keeps the adapter of the client window (TskMDIWnd) while the frame
// is skinned.
#pragma once
#include <functional>
#include "vcl/rtl/Component.h"

class TCustomForm;
class TskMainWnd;

class TsMDIForm : public TPersistent {
 public:
  // provider: the owning skin provider (kept, never used through here); refreshFrame: how the provider
  // rebuilds and repaints its frame.
  TsMDIForm(TComponent* provider, TCustomForm* form, std::function<void()> refreshFrame);
  ~TsMDIForm() override;

  TComponent* SkinProvider() const { return provider_; }
  TCustomForm* Form() const { return form_; }
  // Connects the client window unless designing or connected already.
  void HookClient();
  // Attaches the client window's adapter while the provider's form is skinned, frees it otherwise.
  void ConnectClient();
  bool ClientConnected() const { return connected_; }
  TskMainWnd* ClientAdapter() const { return adapter_; }
  void RefreshProviderFrame();

 private:
  TComponent* provider_;
  TCustomForm* form_;
  std::function<void()> refreshFrame_;
  void DisconnectClient();

  bool connected_ = false;
  TskMainWnd* adapter_ = nullptr;  // owned (FreeAdapter)
};
