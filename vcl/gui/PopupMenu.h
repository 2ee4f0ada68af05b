// TPopupMenu: the context menu of controls. Popup runs OnPopup (where a form enables and disables
// the items for the moment), then shows the menu at a screen point and returns when it closes; the
// chosen item's OnClick runs when the message loop next gets to it. The menus' messages (commands,
// owner drawing, item hints) go to a hidden window of their own ("TPUtilWindow"), never to a form, so
// that item commands cannot be mistaken for a dialog's IDOK or IDCANCEL.
#pragma once
#include "vcl/gui/PopupMenuBase.h"

enum TPopupAlignment { paLeft = 0, paRight = 1, paCenter = 2 };
// How the system animates the menu's opening; maNone switches the animation off.
enum TMenuAnimation { maLeftToRight = 0, maRightToLeft = 1, maTopToBottom = 2, maBottomToTop = 3, maNone = 4 };
using TMenuAnimations = TSet<TMenuAnimation, 5>;

class TPopupMenu : public TPopupMenuBase {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  void Popup(Integer x, Integer y) override;
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment value) { alignment_ = value; }
  TMenuAnimations MenuAnimation() const { return menuAnimation_; }
  void SetMenuAnimation(TMenuAnimations value) { menuAnimation_ = value; }
  // Where the menu was shown last (screen coordinates; -1, -1 before).
  TPoint PopupPoint() const { return popupPoint_; }
  HWND WindowHandle() const override;

  // Before the menu shows, and before one of its shortcuts runs.
  TNotifyEvent OnPopup;

 protected:
  virtual void DoPopup();

 private:
  TPopupAlignment alignment_ = paLeft;
  TMenuAnimations menuAnimation_;
  TPoint popupPoint_{-1, -1};
};

// The hidden window that receives the popup menus' messages (made on first use).
HWND PopupListWindow();
