// TskListViewWnd: the edit-family adapter of list views ("SysListView32"). Besides the frame, the bars
// and the list's colours, it takes over the painting of the list's column header ("SysHeader32") in
// report view: every item from the section "COLHEADER" (else "BUTTON"), hot under the mouse, pressed
// while clicked (its text one pixel lower), with the sort glyph of "SCROLLBTNBOTTOM" or
// "SCROLLBTNTOP" right of the text, and the rest of the header right of the last item in the normal
// state. Outside report view the header is the system's. A thumb drag scrolls the list by
// ListView_Scroll.
//
// The header is subclassed the way adapters take windows over: its procedure is given back only
// while the header's procedure is still the adapters' one; one left in a chain forwards to what it
// replaced once the adapter lets the header go.
#pragma once
#include "skin/adapters/skSBEditWnd.h"

// The control kind a list view's skin state takes.
inline constexpr Integer kListViewControlKind = 10;

class TskListViewWnd : public TskEditWnd {
 public:
  TskListViewWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  ~TskListViewWnd() override;
  void AfterConstruction() override;
  void SaveStdLook() override;
  void RestoreStdLook() override;
  void SetSkinParams() override;
  void WndProc(TMessage& message) override;

  // 0 icon, 1 small icon, 2 list, 3 report.
  Integer ListViewStyle() const;
  HWND Header() const { return header_; }
  Integer PressedColumn() const { return pressedColumn_; }
  Integer HotColumn() const { return hotColumn_; }

  // Paints every header item into the DC (0: the header's own, between BeginPaint and EndPaint).
  void PaintHeader(HDC dc);
  // One item (column -2: the empty rest of the header) into the DC (0: the header's DC).
  void PaintHeaderItem(const TRect& rect, Integer column, HDC dc);
  // The rect of the item at a display position; false past the last.
  bool HeaderItemRect(Integer position, TRect& rect) const;
  // The column under a point of the header's client area; -2 for none.
  Integer HeaderColumnAt(TPoint point) const;

  // The header's procedure while it is subclassed.
  LRESULT HeaderProc(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void HookHeader(HWND header);
  void ReleaseHeader();
  void RepaintHeader();
  void ThumbScroll(TMessage& message, bool vertical);

  HWND header_ = nullptr;
  Integer pressedColumn_ = -1;
  Integer hotColumn_ = -1;
  Integer lineHeight_ = 0;
  Integer lastThumbPos_[2] = {0, 0};
};
