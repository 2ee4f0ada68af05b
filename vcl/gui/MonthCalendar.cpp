#include "vcl/gui/MonthCalendar.h"

#include <algorithm>

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

// The same day count months later (or earlier), kept within the shorter month.
TDateTime AddMonths(TDateTime date, int months) {
  Word year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  const int index = year * 12 + (month - 1) + months;
  const auto newYear = static_cast<Word>(index / 12);
  const auto newMonth = static_cast<Word>(index % 12 + 1);
  return EncodeDate(newYear, newMonth, std::min(day, DaysInAMonth(newYear, newMonth)));
}

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

TPoint TMonthCalendar::MinimumSize() {
  RECT need{};
  SendMessageW(Handle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&need));
  const LONG todayWidth = static_cast<LONG>(SendMessageW(Handle(), MCM_GETMAXTODAYWIDTH, 0, 0));
  if (need.right - need.left < todayWidth) need.right = need.left + todayWidth;
  // The reported size is the client area's; the window adds its border.
  AdjustWindowRectEx(&need, static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)));
  return TPoint{need.right - need.left, need.bottom - need.top};
}

void TMonthCalendar::MoveTo(TDateTime day) {
  SetDate(day);
  date_ = Date();
  if (OnChange) OnChange(this);
}

bool TMonthCalendar::KeyMove(WPARAM key) {
  const TDateTime day = Date();
  Word year = 0, month = 0, dayOfMonth = 0;
  DecodeDate(day, year, month, dayOfMonth);
  switch (key) {
    case VK_LEFT: MoveTo(day - 1); return true;
    case VK_RIGHT: MoveTo(day + 1); return true;
    case VK_UP: MoveTo(day - 7); return true;
    case VK_DOWN: MoveTo(day + 7); return true;
    case VK_PRIOR: MoveTo(AddMonths(day, -1)); return true;
    case VK_NEXT: MoveTo(AddMonths(day, 1)); return true;
    case VK_HOME: MoveTo(EncodeDate(year, month, 1)); return true;
    case VK_END: MoveTo(EncodeDate(year, month, DaysInAMonth(year, month))); return true;
    default: return false;
  }
}

void TMonthCalendar::WndProc(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    m.Result = DLGC_WANTARROWS;
    return;
  }
  if (m.Msg == WM_KEYDOWN && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
    if (KeyMove(m.WParam)) {
      m.Result = 0;
      return;
    }
  }
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
