// Static-text adapters of two more kinds of static window: TskLinkWnd for a link label (its text with
// the "<A>" and "</A>" tags left out, underlined, in the section's colours) and TskIconWnd for a static
// picture (an icon, or a bitmap) drawn over the section at the window's place, as a message box's icon
// is. The picture is asked of the window at each paint, so that one the application replaced (and may
// have deleted) is never drawn; the window's bitmap stays the window's.
#pragma once
#include "skin/adapters/skSBStaticWnd.h"

class TskLinkWnd : public TskStaticWnd {
 public:
  using TskStaticWnd::TskStaticWnd;
  void WndProc(TMessage& message) override;
  bool DrawCaption() override;
};

class TskIconWnd : public TskStaticWnd {
 public:
  TskIconWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  bool DrawCaption() override;
  // An icon static (SS_ICON) shows STM_GETICON's icon, any other the bitmap of STM_GETIMAGE.
  bool IsBitmap() const { return isBitmap_; }

 private:
  bool isBitmap_ = true;
};
