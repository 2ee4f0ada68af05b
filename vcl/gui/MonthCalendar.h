// TMonthCalendar over the system month calendar (window class "TMonthCalendar", a superclass of
// "SysMonthCal32"). Date is the selected day (a time part given is dropped). OnClick runs when the user
// clicks the calendar, after a clicked day has become the Date; OnChange runs whenever the selected
// day changes, by mouse or keyboard.
#pragma once
#include "vcl/gui/WinControl.h"

class TMonthCalendar : public TWinControl {
 public:
  explicit TMonthCalendar(TComponent* owner);

  TDateTime Date();
  void SetDate(TDateTime value);

  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;
  void DestroyWnd() override;

 private:
  TDateTime date_;
};
