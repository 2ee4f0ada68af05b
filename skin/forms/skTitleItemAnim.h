// The fading of a title-bar item: the title buttons' fading (a layered window over the item whose
// constant alpha rises step by step) showing the item's own picture, painted by its paint handler in
// its state, without a glow. Going back to normal takes the picture away at once; going to another
// state keeps the old window until the new picture has faded in.
#pragma once
#include "skin/forms/sTitleButtonAnim.h"

class TskTitleBarItem;

class TskItemAnimation : public TskSBAnimation {
 public:
  // The owner gives the window the item's rectangle is in (its border window, when it has one) and
  // hears when the mouse leaves the item.
  TskItemAnimation(IskFadeOwner* owner, TskTitleBarItem& item);

  // The record the fading reads follows the item: its rectangle, its state and its code.
  void Follow();
  ~TskItemAnimation() override;
  // Stops at once: no timer, no picture, no window; idle.
  void Stop();
  // Goes on towards another state: the window of the state it leaves stays on the screen until the new
  // state's picture has faded in.
  void CrossFade();
  HWND PreviousWindow() const;

 protected:
  // The item in its state by its paint handler, in a 32-bit picture of its size; without a handler
  // an opaque yellow one.
  void BuildImage() override;
  void FadeInCompleted() override;

 private:
  void FreePrevious();

  TskTitleBarItem* item_;
  TForm* previous_ = nullptr;  // owned
  TskSysButtonData record_;  // the base holds its address from the start
};
