// TskToolBarVCLWnd: the adapter of a class-library TToolBar. It paints through the bar's custom-draw
// events, which it takes over (handlers the application had set are not kept, and the events are
// cleared when the skin or the adapter goes): the bar's section from the cache behind the buttons, and
// every button from "TOOLBUTTON" in its state, a drop-down button with its arrow strip a scroll bar's
// width less 2 wide, a disabled one faded. On a bar that is not flat the button under the mouse is hot.
#pragma once
#include "skin/adapters/skSBMainWnd.h"
#include "vcl/gui/ToolBar.h"

class TskToolBarVCLWnd : public TskMainWnd {
 public:
  TskToolBarVCLWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void BeforeDestruction() override;
  void WndProc(TMessage& message) override;

  void DrawToolBarBg(TToolBar* sender, const TRect& rect, TCustomDrawStage stage, bool& defaultDraw);
  void DrawToolBarButton(TToolBar* sender, TToolButton* button, TCustomDrawState state, TCustomDrawStage stage,
                         Cardinal& flags, bool& defaultDraw);
  // The index of the button (plain, check or drop-down) whose rect holds the client point, else -1.
  Integer ButtonAtPoint(TPoint p) const;
  TToolBar* ToolBar() const { return toolBar_; }
  Integer HotIndex() const { return hotIndex_; }

 private:
  void AssignEvents(bool skinned);
  void PrepareCache();
  void RepaintButton(Integer index);
  TToolBar* toolBar_ = nullptr;
  TToolButton* droppedButton_ = nullptr;
  Integer hotIndex_ = -1;
};
