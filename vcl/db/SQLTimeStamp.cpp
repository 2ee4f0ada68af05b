#include "vcl/db/SQLTimeStamp.h"

#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/Exceptions.h"

bool IsSQLTimeStampBlank(const TSQLTimeStamp& value) { return value == TSQLTimeStamp{}; }

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& value) {
  if (IsSQLTimeStampBlank(value)) return 0;
  if (value.Year < 1) throw EConvertError("Invalid argument to date encode");
  if (value.Fractions > 999) throw EConvertError("Invalid argument to time encode");
  const TDateTime date = EncodeDate(static_cast<Word>(value.Year), value.Month, value.Day);
  const TDateTime time = EncodeTime(value.Hour, value.Minute, value.Second, static_cast<Word>(value.Fractions));
  // A date before 1899-12-30 is negative while its time part still counts forward.
  return date < 0 ? date - time : date + time;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value) {
  TSQLTimeStamp result;
  Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  DecodeDateTime(value, year, month, day, hour, minute, second, msec);
  result.Year = static_cast<SmallInt>(year);
  result.Month = month;
  result.Day = day;
  result.Hour = hour;
  result.Minute = minute;
  result.Second = second;
  result.Fractions = msec;
  return result;
}

AnsiString SQLTimeStampToStr(std::string_view format, const TSQLTimeStamp& value) {
  return FormatDateTime(format.empty() ? std::string_view("c") : format, SQLTimeStampToDateTime(value));
}
