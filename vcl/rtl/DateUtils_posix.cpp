// The system clock outside Windows: the real-time clock in the local time zone.
#include <time.h>

#include <algorithm>

#include "vcl/rtl/DateUtils.h"

TDateTime SystemClockNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  TDateTime date = EncodeDate(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                              static_cast<Word>(local.tm_mday));
  // A leap second (tm_sec 60) is shown as the last second of its minute.
  TDateTime time = EncodeTime(static_cast<Word>(local.tm_hour), static_cast<Word>(local.tm_min),
                              static_cast<Word>(std::min(local.tm_sec, 59)),
                              static_cast<Word>(ts.tv_nsec / 1000000));
  return date + time;
}
