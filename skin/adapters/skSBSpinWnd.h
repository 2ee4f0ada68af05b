// TskSpinWnd: the adapter of up-down controls ("msctls_updown32", and the scroll arrows of tab
// controls): two buttons painted from the section ("UPDOWNBTN" as the creators give it, "BUTTON" when
// the skin lacks it) with the scroll arrows' glyphs; the half under the mouse is hot, pressed while the
// left button is down.
#pragma once
#include "skin/adapters/skSBMainWnd.h"

class TskSpinWnd : public TskMainWnd {
 public:
  using TskMainWnd::TskMainWnd;
  void WndProc(TMessage& message) override;
  // Without UDS_HORZ.
  bool IsVertical() const;
  // The whole control into the cache, the buttons in their current states.
  void PrepareCache();
  Integer FirstState() const { return firstState_; }
  Integer SecondState() const { return secondState_; }

  // The buttons are painted and copied from this x on (a dialog's up-down leaves its buddy's edge).
  Integer LeftOffset = 0;

 private:
  void Paint(TMessage& message);
  void Redraw();
  bool mouseDown_ = false;
  Integer firstState_ = 0;
  Integer secondState_ = 0;
};
