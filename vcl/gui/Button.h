// TButton: a push button over the system BUTTON class (window class "TButton"). Clicking it sets its
// form's ModalResult to the button's own (which ends a modal form's loop) and fires OnClick. Esc clicks
// the form's Cancel button; Enter clicks the focused button, or the Default button when the focus is
// elsewhere.
#pragma once
#include "vcl/gui/WinControl.h"

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);

  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  bool Default() const { return default_; }
  void SetDefault(bool value);
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult value) { modalResult_ = value; }

  void Click() override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  void SetButtonStyle(bool isDefault);

  bool cancel_ = false;
  bool default_ = false;
  bool active_ = false;  // focused, or Default while no other button has the focus
  TModalResult modalResult_ = mrNone;
};
