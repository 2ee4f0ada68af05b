// The system clock on Windows: GetLocalTime.
#include <windows.h>

#include "vcl/rtl/DateUtils.h"

TDateTime SystemClockNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}
