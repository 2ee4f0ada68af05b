// TskToolBarWnd: the adapter of a system tool bar ("ToolbarWindow32") that no class-library control
// wraps, as in the system's dialogs. The bar is painted from its section over the parent's background;
// every button from "TOOLBUTTON" in its state (disabled 0, pressed 2, under the cursor 1, else 0) with
// its image, its drop-down arrow and its caption (two lines when the words do not fit the button's
// width), a disabled one faded towards the bar; a separator shows the "DIVIDER" section.
#pragma once
#include "skin/adapters/skSBMainWnd.h"

class TBitmap;

class TskToolBarWnd : public TskMainWnd {
 public:
  using TskMainWnd::TskMainWnd;
  void WndProc(TMessage& message) override;
  // The buttons over the cached bar into the message's DC (wParam), else into the window's client DC.
  void PaintButtons(const TMessage& message);

 private:
  void UpdateCache();
  bool IsUpdating() const;
  void DrawToolButton(Integer index, const TRect& rect, TBitmap& target);
  void DrawCaption(TBitmap& bitmap, const AnsiString& text, const TRect& rect, Integer state);
  void PaintBorder();
  Integer borderOffset_ = 0;
};
