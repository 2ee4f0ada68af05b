// Dates and times. A TDateTime counts days since 1899-12-30; its fraction is the time of day. Dates
// before that day are negative with a positive time part (-1.25 is 1899-12-29 06:00). The valid
// range is 0001-01-01 .. 9999-12-31. The clock goes through a replaceable hook so tests fix time.
#pragma once
#include <functional>
#include <string_view>
#include "vcl/rtl/SysTypes.h"

struct TFormatSettings;

inline constexpr Integer HoursPerDay = 24;
inline constexpr Integer MinsPerHour = 60;
inline constexpr Integer SecsPerMin = 60;
inline constexpr Integer MSecsPerSec = 1000;
inline constexpr Integer MinsPerDay = HoursPerDay * MinsPerHour;
inline constexpr Integer SecsPerDay = MinsPerDay * SecsPerMin;
inline constexpr Integer MSecsPerDay = SecsPerDay * MSecsPerSec;
// Days from 0001-01-01 (day 1 of a time stamp) to 1899-12-30 (day 0 of a TDateTime).
inline constexpr Integer DateDelta = 693594;
inline constexpr TDateTime MinDateTime = -693593.0;        // 0001-01-01 00:00
inline constexpr TDateTime MaxDateTime = 2958465.99999999;  // 9999-12-31 23:59:59.999

// A date and time as whole numbers: Time is milliseconds since midnight, Date is days since
// 0001-01-01 plus one (a TDateTime's day + DateDelta).
struct TTimeStamp {
  Integer Time = 0;
  Integer Date = 0;
};

bool IsLeapYear(Word year);
// Days of the month (28..31); a month outside 1..12 raises EConvertError.
Word DaysInAMonth(Word year, Word month);
Word DaysInMonth(TDateTime date);

// Encoding raises EConvertError "Invalid argument to date encode" / "Invalid argument to time encode"
// for fields out of range (year 1..9999, hour 0..23, minute and second 0..59, ms 0..999).
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
TDateTime EncodeDate(Word year, Word month, Word day);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec);

// Decoding a value before 0001-01-01 gives zeros. The time is rounded to the millisecond.
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
// Also gives the day of the week (1 = Sunday); returns whether the year is a leap year.
bool DecodeDateFully(TDateTime date, Word& year, Word& month, Word& day, Word& dayOfWeek);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec,
                    Word& msec);

// 1 = Sunday .. 7 = Saturday.
Word DayOfWeek(TDateTime date);

// The clock: today (no time part), the time of day (no date part) and both, in local time.
TDateTime Date();
TDateTime Time();
TDateTime Now();
// Replaces the clock that Date/Time/Now read; an empty hook restores the system clock. Returns the
// previous hook (empty when it was the system clock).
using TClockHook = std::function<TDateTime()>;
TClockHook SetClockHook(TClockHook hook);
// The operating system's local time, whatever hook is installed.
TDateTime SystemClockNow();

// Time stamps. Converting a TDateTime outside -2^31..2^31 days (or NaN) raises EInvalidOp;
// TimeStampToDateTime raises EConvertError "'%d.%d' is not a valid timestamp" unless Date > 0 and
// 0 <= Time < MSecsPerDay.
TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
Int64 TimeStampToMSecs(const TTimeStamp& stamp);
TTimeStamp MSecsToTimeStamp(Int64 msecs);

// Formats by the tokens (letters in either case; a letter repeated in the same case counts as one
// token):
//   c      ShortDateFormat, then " " and LongTimeFormat unless the time is exactly midnight
//   d dd   day (dd with a leading zero)       ddd dddd  short / long day name
//   ddddd  ShortDateFormat                    dddddd    LongDateFormat
//   m mm   month, or minutes right after an h/hh token   mmm mmmm  short / long month name
//   yy     two-digit year                     yyyy      four-digit year
//   h hh   hour (12-hour when an am/pm token follows)    n nn   minutes    s ss   seconds
//   z zzz  milliseconds (zzz three digits)    t tt      ShortTimeFormat / LongTimeFormat
//   am/pm a/p  the letters as written (first or second half)   ampm  TimeAMString / TimePMString
//   /      DateSeparator   :  TimeSeparator   'text' "text"  literal text
// Any other character is copied. An empty format means "c".
AnsiString FormatDateTime(std::string_view format, TDateTime value);
AnsiString FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings);
AnsiString DateToStr(TDateTime value);  // "ddddd"
AnsiString DateToStr(TDateTime value, const TFormatSettings& settings);
AnsiString TimeToStr(TDateTime value);  // "tt"
AnsiString TimeToStr(TDateTime value, const TFormatSettings& settings);
AnsiString DateTimeToStr(TDateTime value);  // "c"
AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// Parsing. A date is two or three numbers separated by DateSeparator, in the order of
// ShortDateFormat (day-month-year, month-day-year or year-month-day); a trailing separator and blanks
// around the parts are accepted. Without a year the current year is taken; a year of one or two
// digits falls into the hundred years that TwoDigitYearCenturyWindow years before now begins.
// A time is h[:n[:s[<DecimalSeparator>ms]]] with an optional AM/PM designator (TimeAMString,
// TimePMString, "AM", "PM") before or after it. A date and time is a date, then optionally a time.
// The raising forms raise EConvertError "'%s' is not a valid date" / "... valid time" /
// "... valid date and time".
bool TryStrToDate(std::string_view text, TDateTime& value);
bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDate(std::string_view text);
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings);
bool TryStrToTime(std::string_view text, TDateTime& value);
bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view text);
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings);
bool TryStrToDateTime(std::string_view text, TDateTime& value);
bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings);
