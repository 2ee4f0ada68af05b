// The SQL timestamp record of the dataset framework: the native form of ftTimeStamp fields, a date
// and time as separate whole numbers (Fractions are milliseconds). It lies in record buffers as its
// 16 bytes (Year, Month, Day, Hour, Minute, Second as 16-bit values, then Fractions as 32 bits).
#pragma once
#include <string_view>
#include "vcl/rtl/SysTypes.h"

struct TSQLTimeStamp {
  SmallInt Year = 0;
  Word Month = 0;
  Word Day = 0;
  Word Hour = 0;
  Word Minute = 0;
  Word Second = 0;
  LongWord Fractions = 0;  // milliseconds
  friend bool operator==(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
};
static_assert(sizeof(TSQLTimeStamp) == 16, "the record is stored as 16 bytes");

// The all-zero record stands for "no date": it converts to the TDateTime 0.
bool IsSQLTimeStampBlank(const TSQLTimeStamp& value);
// Raises EConvertError (the date and time encoding errors) for fields out of range.
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& value);
TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value);
// FormatDateTime of the value; an empty format is "c".
AnsiString SQLTimeStampToStr(std::string_view format, const TSQLTimeStamp& value);
