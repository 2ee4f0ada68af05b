// TskStaticWnd: the adapter of static text windows. The window's text is drawn in the message font and
// the section's font colour over the section painted at the window's place in its parent's background.
// A static with a tab stop or a static edge is left to the base adapter (it is not plain text).
#pragma once
#include "skin/adapters/skSBMainWnd.h"

class TskStaticWnd : public TskMainWnd {
 public:
  using TskMainWnd::TskMainWnd;
  void WndProc(TMessage& message) override;
  // Paints the window from the cache into the message's DC (wParam), else into the window's own DC.
  virtual void Paint(TMessage& message);
  // Draws the window text into the cache; true when the cache is to be copied.
  virtual bool DrawCaption();
};
