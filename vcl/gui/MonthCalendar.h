// TMonthCalendar over the system month calendar (window class "TMonthCalendar", a superclass of
// "SysMonthCal32"). Date is the selected day (a time part given is dropped). OnClick runs when the user
// clicks the calendar, after a clicked day has become the Date; OnChange runs whenever the selected
// day changes, by mouse or keyboard. The keyboard moves the day itself (the arrows by a day or a week,
// Page Up/Down by a month, Home/End to the month's first and last day), as not every system calendar does.
#pragma once
#include "vcl/gui/WinControl.h"

class TMonthCalendar : public TWinControl {
 public:
  explicit TMonthCalendar(TComponent* owner);

  TDateTime Date();
  void SetDate(TDateTime value);
  // The window size that shows a whole month (all seven weekday columns, both arrows and the "today"
  // line) in the calendar's font, as the system calendar reports it; makes the window if needed.
  TPoint MinimumSize();

  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;
  void DestroyWnd() override;

 private:
  // A day picked with the keyboard: selected, shown, and OnChange.
  void MoveTo(TDateTime day);
  bool KeyMove(WPARAM key);

  TDateTime date_;
};
