// What a control needs of its popup menu: showing it at a screen point (right click, the context-menu
// key) and offering it the keys for its shortcuts (TMenu::IsShortCut). TPopupMenu (PopupMenu.h)
// derives from it.
#pragma once
#include "vcl/gui/Menus.h"

class TPopupMenuBase : public TMenu {
 public:
  using TMenu::TMenu;

  // Shows the menu at a screen point.
  virtual void Popup(Integer x, Integer y) = 0;

  // Whether a right click on the control shows the menu by itself.
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool value) { autoPopup_ = value; }
  // The control that showed the menu last.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* value) { popupComponent_ = value; }

  void Notification(TComponent* component, TOperation operation) override {
    TMenu::Notification(component, operation);
    if (operation == opRemove && component == popupComponent_) popupComponent_ = nullptr;
  }

 private:
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
};
