// TScrollBar over the system scroll bar (window class "TScrollBar", a superclass of "SCROLLBAR"): a bar
// of its own, horizontal or vertical, with Min, Max, PageSize and Position kept in the window. Its own
// scrolling (reflected to it as CN_HSCROLL / CN_VSCROLL) moves Position by a line (1) or a page
// (PageSize, at least 1). Every change of Position is told to the control's WindowProc as CM_CHANGED
// (lParam the bar), then to OnChange.
#pragma once
#include <algorithm>
#include "vcl/gui/WinControl.h"

enum TScrollBarKind { sbHorizontal = 0, sbVertical = 1 };

class TScrollBar : public TWinControl {
 public:
  explicit TScrollBar(TComponent* owner);

  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind value);
  Integer Min() const { return min_; }
  Integer Max() const { return max_; }
  Integer PageSize() const { return pageSize_; }
  Integer Position() const { return position_; }
  // The position is clamped to Min .. Max - max(PageSize - 1, 0); a Max below Min raises EInvalidOperation
  // as a range the bar cannot show.
  void SetMin(Integer value) { SetParams(position_, value, max_); }
  void SetMax(Integer value) { SetParams(position_, min_, value); }
  void SetPosition(Integer value) { SetParams(value, min_, max_); }
  void SetParams(Integer position, Integer min, Integer max);
  // A page larger than the range + 1 raises EInvalidOperation.
  void SetPageSize(Integer value);

  TNotifyEvent OnChange;

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;

 private:
  Integer LastPosition() const { return std::max(max_ - std::max(pageSize_ - 1, 0), min_); }
  void UpdateWindow();
  void Scroll(Word code);

  TScrollBarKind kind_ = sbHorizontal;
  Integer min_ = 0;
  Integer max_ = 100;
  Integer pageSize_ = 0;
  Integer position_ = 0;
};
