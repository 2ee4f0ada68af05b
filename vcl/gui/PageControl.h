// TPageControl: a tab control (over the system SysTabControl32 class, window class "TPageControl")
// whose pages are child controls, TTabSheet. Each sheet is one tab, in the order the sheets were put
// on the control, its caption the tab's text; the active sheet fills the page area, the others are
// hidden. Choosing a tab makes its sheet active and then fires OnChange.
#pragma once
#include <vector>
#include "vcl/gui/WinControl.h"

class TPageControl;

enum TTabPosition { tpTop = 0, tpBottom = 1, tpLeft = 2, tpRight = 3 };

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  // The page control the sheet is a page of (its parent), nil when none.
  TPageControl* PageControl() const;
  void SetPageControl(TPageControl* value);
  // The sheet's place among its control's pages; -1 without a control.
  Integer PageIndex() const;

  void WndProc(TMessage& message) override;
};

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  Integer PageCount() const { return static_cast<Integer>(pages_.size()); }
  TTabSheet* Pages(Integer index) const;  // EListError outside 0..PageCount-1
  TTabSheet* ActivePage() const { return active_; }
  // Shows the sheet (one of the control's pages, or nil for none) and hides the one shown before.
  void SetActivePage(TTabSheet* page);
  Integer ActivePageIndex() const;
  void SetActivePageIndex(Integer value);
  TTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TTabPosition value);

  TNotifyEvent OnChange;

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;
  // The page area: the client area less the tabs and the frame.
  void AdjustClientRect(TRect& rect) override;

 private:
  friend class TTabSheet;
  void PageAdded(TTabSheet* page);
  void PageRemoved(TTabSheet* page);
  void SetTabText(Integer index);
  void InsertTab(Integer index);

  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
  TTabPosition tabPosition_ = tpTop;
};
