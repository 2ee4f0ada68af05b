// TskToolBarVCLWnd: the adapter of a class-library TToolBar. It paints through the bar's custom-draw
// events, which it takes over (handlers the application had set are not kept, and the events are
// cleared when the skin or the adapter goes): the bar's section from the cache behind the buttons, and
// every button from "TOOLBUTTON" in its state, a drop-down button with its arrow strip a scroll bar's
// width less 2 wide, a disabled or indeterminate one faded. On a bar that is not flat the button under
// the mouse is hot. The bar's edges come from the cache too, and its children's background requests
// are answered from it.
#pragma once
#include "skin/adapters/skSBMainWnd.h"
#include "vcl/gui/ToolBar.h"

class TBitmap;

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
  // The button whose drop-down menu is open, else nil.
  TToolButton* DroppedButton() const { return droppedButton_; }

 private:
  void AssignEvents(bool skinned);
  // The bar's notifications: a drop-down opening, a button going.
  void Notify(TMessage& message);
  void PrepareCache();
  // The cache's client part into the rect of the DC (client coordinates), leaving out the children
  // that paint themselves there.
  void PaintToolBarBg(TToolBar* bar, const TRect& client, HDC dc, const TRect& rect);
  void RepaintButton(Integer index);
  // The button's caption into its picture (width less the arrow strip), in the colours of the
  // section its parents give, else of `section`.
  void DrawCaption(TToolBar* bar, TToolButton* button, TBitmap& bitmap, Integer section, Integer stateIndex,
                   Integer width, Integer height);
  // The bar's edges (the window outside the client area) from the cache, into the DC or the window's.
  void PaintToolBarFrame(HDC dc);
  void CopyFrameParts(HDC dc, const TRect& client);
  // The whole bar into the DC: the edges from the cache, the client area painted by the bar.
  void Print(HDC dc);
  TToolBar* toolBar_ = nullptr;
  TToolButton* droppedButton_ = nullptr;
  Integer hotIndex_ = -1;
};
