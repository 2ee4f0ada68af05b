#include "vcl/gui/MonthCalendar.h"

#include "vcl/rtl/DateUtils.h"

namespace {

TDateTime DayOf(TDateTime value) {
  Word year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  return EncodeDate(year, month, day);
}

SYSTEMTIME ToSystemTime(TDateTime date) {
  SYSTEMTIME st{};
  Word year = 0, month = 0, day = 0, dayOfWeek = 0;
  DecodeDateFully(date, year, month, day, dayOfWeek);
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  st.wDayOfWeek = static_cast<WORD>(dayOfWeek - 1);
  return st;
}

TDateTime FromSystemTime(const SYSTEMTIME& st) { return EncodeDate(st.wYear, st.wMonth, st.wDay); }

}  // namespace

TMonthCalendar::TMonthCalendar(TComponent* owner) : TWinControl(owner), date_(DayOf(Now())) {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks});
  StoreBounds(0, 0, 191, 154);
  SetTabStop(true);
}

void TMonthCalendar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, MONTHCAL_CLASSW);
}

void TMonthCalendar::AfterCreateWnd() {
  SYSTEMTIME st = ToSystemTime(date_);
  SendMessageW(Handle(), MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
}

void TMonthCalendar::DestroyWnd() {
  date_ = Date();
  TWinControl::DestroyWnd();
}

TDateTime TMonthCalendar::Date() {
  if (HandleAllocated()) {
    SYSTEMTIME st{};
    if (SendMessageW(Handle(), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st))) date_ = FromSystemTime(st);
  }
  return date_;
}

void TMonthCalendar::SetDate(TDateTime value) {
  date_ = DayOf(value);
  if (HandleAllocated()) {
    SYSTEMTIME st = ToSystemTime(date_);
    SendMessageW(Handle(), MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
  }
}

void TMonthCalendar::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
    if (header->code == MCN_SELCHANGE) {
      const auto* change = reinterpret_cast<const NMSELCHANGE*>(m.LParam);
      const TDateTime day = FromSystemTime(change->stSelStart);
      if (day != date_) {
        date_ = day;
        if (OnChange) OnChange(this);
      }
    }
    m.Result = 0;
    return;
  }
  TWinControl::WndProc(m);
}
