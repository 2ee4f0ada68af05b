#include "vcl/rtl/DateUtils.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FormatSettings.h"

namespace {

constexpr Word kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

std::mutex& ClockMutex() {
  static std::mutex m;
  return m;
}

TClockHook& ClockHookSlot() {
  static TClockHook hook;
  return hook;
}

[[noreturn]] void RaiseConvert(const char* what, std::string_view text) {
  throw EConvertError("'" + AnsiString(text) + "' is not a valid " + what);
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

AnsiString PaddedNumber(unsigned value, int digits) {
  AnsiString s = std::to_string(value);
  if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
  return s;
}

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view word) {
  if (pos + word.size() > text.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (AsciiUpper(text[pos + i]) != AsciiUpper(word[i])) return false;
  return true;
}

// ---- FormatDateTime ----

class DateTimeFormatter {
 public:
  DateTimeFormatter(TDateTime value, const TFormatSettings& fs) : value_(value), fs_(fs) {}

  AnsiString Run(std::string_view format) {
    Append(format.empty() ? std::string_view("C") : format);
    return std::move(out_);
  }

 private:
  void GetDate() {
    if (!haveDate_) {
      DecodeDateFully(value_, year_, month_, day_, dayOfWeek_);
      haveDate_ = true;
    }
  }
  void GetTime() {
    if (!haveTime_) {
      DecodeTime(value_, hour_, min_, sec_, msec_);
      haveTime_ = true;
    }
  }
  void Number(unsigned value, int digits) { out_ += PaddedNumber(value, digits); }
  void MonthName(const std::array<AnsiString, 12>& names) {
    GetDate();
    if (month_ >= 1 && month_ <= 12) out_ += names[month_ - 1];
  }
  void DayName(const std::array<AnsiString, 7>& names) {
    GetDate();
    if (dayOfWeek_ >= 1 && dayOfWeek_ <= 7) out_ += names[dayOfWeek_ - 1];
  }

  // Whether an am/pm token follows an hour token (quoted text skipped). The search stops at the
  // first 'a' or the next hour token, as the first letter of the designator has to be the next 'a'.
  static bool AmPmFollows(std::string_view f, size_t pos) {
    bool quoted = false;
    for (size_t p = pos; p < f.size(); ++p) {
      char c = f[p];
      if (c == '\'' || c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == 'a' || c == 'A')) {
        return StartsWithNoCase(f, p, "AM/PM") || StartsWithNoCase(f, p, "A/P") || StartsWithNoCase(f, p, "AMPM");
      } else if (!quoted && (c == 'h' || c == 'H')) {
        return false;
      }
    }
    return false;
  }

  // Nested formats (c, ddddd, dddddd, t, tt) expand two levels deep at most, so a format that names
  // itself cannot recurse forever.
  void Append(std::string_view f) {
    if (level_ >= 2) return;
    ++level_;
    lastToken_ = ' ';
    size_t i = 0;
    while (i < f.size()) {
      char starter = f[i++];
      auto count = [&]() {
        int n = 1;
        while (i < f.size() && f[i] == starter) {
          ++i;
          ++n;
        }
        return n;
      };
      char token = AsciiUpper(starter);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken_ == 'H') token = 'N';
        lastToken_ = token;
      }
      switch (token) {
        case 'Y': {
          int n = count();
          GetDate();
          if (n <= 2)
            Number(year_ % 100, 2);
          else
            Number(year_, 4);
          break;
        }
        case 'M': {
          int n = count();
          GetDate();
          if (n <= 2)
            Number(month_, n);
          else if (n == 3)
            MonthName(fs_.ShortMonthNames);
          else
            MonthName(fs_.LongMonthNames);
          break;
        }
        case 'D': {
          int n = count();
          switch (n) {
            case 1:
            case 2:
              GetDate();
              Number(day_, n);
              break;
            case 3: DayName(fs_.ShortDayNames); break;
            case 4: DayName(fs_.LongDayNames); break;
            case 5: Append(fs_.ShortDateFormat); break;
            default: Append(fs_.LongDateFormat); break;
          }
          break;
        }
        case 'H': {
          int n = count();
          GetTime();
          if (AmPmFollows(f, i)) use12Hour_ = true;
          unsigned h = hour_;
          if (use12Hour_) h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
          Number(h, std::min(n, 2));
          break;
        }
        case 'N': {
          int n = count();
          GetTime();
          Number(min_, std::min(n, 2));
          break;
        }
        case 'S': {
          int n = count();
          GetTime();
          Number(sec_, std::min(n, 2));
          break;
        }
        case 'Z': {
          int n = count();
          GetTime();
          Number(msec_, std::min(n, 3));
          break;
        }
        case 'T': {
          int n = count();
          Append(n == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat);
          break;
        }
        case 'A': {
          GetTime();
          size_t p = i - 1;
          bool pm = hour_ >= 12;
          if (StartsWithNoCase(f, p, "AM/PM")) {
            out_.append(f.substr(pm ? p + 3 : p, 2));
            i = p + 5;
            use12Hour_ = true;
          } else if (StartsWithNoCase(f, p, "A/P")) {
            out_ += f[pm ? p + 2 : p];
            i = p + 3;
            use12Hour_ = true;
          } else if (StartsWithNoCase(f, p, "AMPM")) {
            out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
            i = p + 4;
            use12Hour_ = true;
          } else if (StartsWithNoCase(f, p, "AAAA")) {
            DayName(fs_.LongDayNames);
            i = p + 4;
          } else if (StartsWithNoCase(f, p, "AAA")) {
            DayName(fs_.ShortDayNames);
            i = p + 3;
          } else {
            out_ += starter;
          }
          break;
        }
        case 'C': {
          count();
          Append(fs_.ShortDateFormat);
          GetTime();
          if (hour_ != 0 || min_ != 0 || sec_ != 0) {
            out_ += ' ';
            Append(fs_.LongTimeFormat);
          }
          break;
        }
        case '/':
          if (fs_.DateSeparator != 0) out_ += fs_.DateSeparator;
          break;
        case ':':
          if (fs_.TimeSeparator != 0) out_ += fs_.TimeSeparator;
          break;
        case '\'':
        case '"': {
          size_t end = f.find(starter, i);
          if (end == std::string_view::npos) end = f.size();
          out_.append(f.substr(i, end - i));
          i = end < f.size() ? end + 1 : end;
          break;
        }
        default:
          out_ += starter;
          break;
      }
    }
    --level_;
  }

  TDateTime value_;
  const TFormatSettings& fs_;
  AnsiString out_;
  int level_ = 0;
  char lastToken_ = ' ';
  bool use12Hour_ = false;
  bool haveDate_ = false;
  bool haveTime_ = false;
  Word year_ = 0, month_ = 0, day_ = 0, dayOfWeek_ = 0;
  Word hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
};

// ---- parsing ----

enum class DateOrder { MDY, DMY, YMD };

// The first of the letters d, m, y (or an era e) in the short date format decides the order.
DateOrder GetDateOrder(std::string_view format) {
  for (char c : format) {
    switch (AsciiUpper(c)) {
      case 'E':
      case 'Y': return DateOrder::YMD;
      case 'M': return DateOrder::MDY;
      case 'D': return DateOrder::DMY;
      default: break;
    }
  }
  return DateOrder::MDY;
}

class Scanner {
 public:
  Scanner(std::string_view text, const TFormatSettings& fs) : s_(text), fs_(fs) {}

  bool AtEnd() const { return pos_ >= s_.size(); }
  void Blanks() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }
  // Up to the first four significant digits of a number (leading zeros do not count).
  bool Number(Word& value, int& length) {
    Blanks();
    size_t i = pos_;
    unsigned n = 0;
    while (i < s_.size() && s_[i] >= '0' && s_[i] <= '9' && n < 1000) {
      n = n * 10 + static_cast<unsigned>(s_[i] - '0');
      ++i;
    }
    if (i == pos_) return false;
    length = static_cast<int>(i - pos_);
    pos_ = i;
    value = static_cast<Word>(n);
    return true;
  }
  bool Char(char c) {
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool String(std::string_view symbol) {
    if (symbol.empty()) return false;
    Blanks();
    if (!StartsWithNoCase(s_, pos_, symbol)) return false;
    pos_ += symbol.size();
    return true;
  }

  bool Date(TDateTime& date) {
    DateOrder order = GetDateOrder(fs_.ShortDateFormat);
    Word n1 = 0, n2 = 0, n3 = 0;
    int l1 = 0, l2 = 0, l3 = 0;
    if (!(Number(n1, l1) && Char(fs_.DateSeparator) && Number(n2, l2))) return false;
    unsigned y, m, d;
    // A separator not followed by a number ends a two-number date ("03.05." in year-month-day
    // order): it is the trailing separator, not the one before the year.
    bool third = false;
    bool trailing = false;
    if (Char(fs_.DateSeparator)) {
      third = Number(n3, l3);
      trailing = !third;
    }
    if (third) {
      int yearLength;
      switch (order) {
        case DateOrder::MDY: y = n3; yearLength = l3; m = n1; d = n2; break;
        case DateOrder::DMY: y = n3; yearLength = l3; m = n2; d = n1; break;
        default: y = n1; yearLength = l1; m = n2; d = n3; break;
      }
      if (yearLength <= 2) {
        Word currentYear, junkMonth, junkDay;
        DecodeDate(::Date(), currentYear, junkMonth, junkDay);
        int centuryBase = currentYear - fs_.TwoDigitYearCenturyWindow;
        y += static_cast<unsigned>(centuryBase / 100 * 100);
        if (fs_.TwoDigitYearCenturyWindow > 0 && static_cast<int>(y) < centuryBase) y += 100;
      }
    } else {
      // Without a year the two numbers keep the order they have in the short date format.
      Word currentYear, junkMonth, junkDay;
      DecodeDate(::Date(), currentYear, junkMonth, junkDay);
      y = currentYear;
      if (order == DateOrder::DMY) {
        d = n1;
        m = n2;
      } else {
        m = n1;
        d = n2;
      }
    }
    if (!trailing) Char(fs_.DateSeparator);  // the trailing separator of formats such as "yyyy.MM.dd."
    Blanks();
    if (y > 0xFFFF || m > 0xFFFF || d > 0xFFFF) return false;
    return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
  }

  int Designator() {  // 0 am, 12 pm, -1 none
    if (String(fs_.TimeAMString) || String("AM")) return 0;
    if (String(fs_.TimePMString) || String("PM")) return 12;
    return -1;
  }

  bool Time(TDateTime& time) {
    int baseHour = Designator();
    Word hour = 0, min = 0, sec = 0, msec = 0;
    int junk;
    if (!Number(hour, junk)) return false;
    if (Char(fs_.TimeSeparator)) {
      if (!Number(min, junk)) return false;
      if (Char(fs_.TimeSeparator)) {
        if (!Number(sec, junk)) return false;
        if (Char(fs_.DecimalSeparator) && !Number(msec, junk)) return false;
      }
    }
    if (baseHour < 0) baseHour = Designator();
    if (baseHour >= 0) {
      if (hour == 0 || hour > 12) return false;
      if (hour == 12) hour = 0;
      hour = static_cast<Word>(hour + baseHour);
    }
    Blanks();
    return TryEncodeTime(hour, min, sec, msec, time);
  }

 private:
  std::string_view s_;
  const TFormatSettings& fs_;
  size_t pos_ = 0;
};

}  // namespace

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

Word DaysInAMonth(Word year, Word month) {
  if (month < 1 || month > 12) throw EConvertError("Invalid argument to date encode");
  return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}

Word DaysInMonth(TDateTime date) {
  Word y, m, d;
  DecodeDate(date, y, m, d);
  return DaysInAMonth(y, m);
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  const Word* table = kMonthDays[IsLeapYear(year) ? 1 : 0];
  if (day < 1 || day > table[month - 1]) return false;
  Integer days = day;
  for (int i = 0; i < month - 1; ++i) days += table[i];
  Integer y = year - 1;
  date = static_cast<TDateTime>(y * 365 + y / 4 - y / 100 + y / 400 + days - DateDelta);
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (hour >= HoursPerDay || min >= MinsPerHour || sec >= SecsPerMin || msec >= MSecsPerSec) return false;
  Integer ms = ((hour * MinsPerHour + min) * SecsPerMin + sec) * MSecsPerSec + msec;
  time = static_cast<TDateTime>(ms) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec) {
  TDateTime d = EncodeDate(year, month, day);
  TDateTime t = EncodeTime(hour, min, sec, msec);
  return d >= 0 ? d + t : d - t;
}

bool DecodeDateFully(TDateTime date, Word& year, Word& month, Word& day, Word& dayOfWeek) {
  constexpr Integer D1 = 365;
  constexpr Integer D4 = D1 * 4 + 1;
  constexpr Integer D100 = D4 * 25 - 1;
  constexpr Integer D400 = D100 * 4 + 1;
  Integer t = DateTimeToTimeStamp(date).Date;
  if (t <= 0) {
    year = month = day = dayOfWeek = 0;
    return false;
  }
  dayOfWeek = static_cast<Word>(t % 7 + 1);
  --t;
  Integer y = 1;
  y += t / D400 * 400;
  t %= D400;
  Integer i = t / D100;
  Integer d = t % D100;
  if (i == 4) {  // the last day of a 400-year cycle
    --i;
    d += D100;
  }
  y += i * 100;
  y += d / D4 * 4;
  d %= D4;
  i = d / D1;
  d %= D1;
  if (i == 4) {  // the last day of a leap cycle
    --i;
    d += D1;
  }
  y += i;
  bool leap = IsLeapYear(static_cast<Word>(y));
  const Word* table = kMonthDays[leap ? 1 : 0];
  Integer m = 1;
  while (d >= table[m - 1]) {
    d -= table[m - 1];
    ++m;
  }
  year = static_cast<Word>(y);
  month = static_cast<Word>(m);
  day = static_cast<Word>(d + 1);
  return leap;
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
  Word dow;
  DecodeDateFully(date, year, month, day, dow);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
  Integer ms = DateTimeToTimeStamp(time).Time;
  msec = static_cast<Word>(ms % MSecsPerSec);
  ms /= MSecsPerSec;
  sec = static_cast<Word>(ms % SecsPerMin);
  ms /= SecsPerMin;
  min = static_cast<Word>(ms % MinsPerHour);
  hour = static_cast<Word>(ms / MinsPerHour);
}

void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec,
                    Word& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, min, sec, msec);
}

Word DayOfWeek(TDateTime date) {
  Integer t = DateTimeToTimeStamp(date).Date;
  return static_cast<Word>((t % 7 + 7) % 7 + 1);
}

TClockHook SetClockHook(TClockHook hook) {
  std::lock_guard<std::mutex> lock(ClockMutex());
  TClockHook previous = std::move(ClockHookSlot());
  ClockHookSlot() = std::move(hook);
  return previous;
}

TDateTime Now() {
  TClockHook hook;
  {
    std::lock_guard<std::mutex> lock(ClockMutex());
    hook = ClockHookSlot();
  }
  return hook ? hook() : SystemClockNow();
}

TDateTime Date() { return static_cast<TDateTime>(DateTimeToTimeStamp(Now()).Date - DateDelta); }

TDateTime Time() { return static_cast<TDateTime>(DateTimeToTimeStamp(Now()).Time) / MSecsPerDay; }

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  // The day number must stay an Integer after DateDelta is added.
  constexpr double kLimit = 2147483647.0 - DateDelta - 1;
  if (!(std::fabs(value) < kLimit)) throw EInvalidOp("Invalid floating point operation");
  double days = std::trunc(value);
  // Round half to even, as the FPU's default mode does.
  auto ms = static_cast<Integer>(std::nearbyint(std::fabs(value - days) * MSecsPerDay));
  auto date = static_cast<Integer>(days) + DateDelta;
  if (ms >= MSecsPerDay) {  // 23:59:59.9996 and later belong to the next day
    ms = 0;
    ++date;
  }
  return TTimeStamp{ms, date};
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
  if (stamp.Date <= 0 || stamp.Time < 0 || stamp.Time >= MSecsPerDay)
    throw EConvertError("'" + std::to_string(stamp.Date) + "." + std::to_string(stamp.Time) +
                        "' is not a valid timestamp");
  auto day = static_cast<TDateTime>(stamp.Date - DateDelta);
  TDateTime time = static_cast<TDateTime>(stamp.Time) / MSecsPerDay;
  return day < 0 ? day - time : day + time;
}

Int64 TimeStampToMSecs(const TTimeStamp& stamp) {
  return static_cast<Int64>(stamp.Date) * MSecsPerDay + stamp.Time;
}

TTimeStamp MSecsToTimeStamp(Int64 msecs) {
  Int64 date = msecs / MSecsPerDay;
  Int64 time = msecs % MSecsPerDay;
  if (time < 0) {
    time += MSecsPerDay;
    --date;
  }
  return TTimeStamp{static_cast<Integer>(time), CheckedCast<Integer>(date)};
}

AnsiString FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings) {
  return DateTimeFormatter(value, settings).Run(format);
}

AnsiString FormatDateTime(std::string_view format, TDateTime value) {
  return FormatDateTime(format, value, FormatSettings());
}

AnsiString DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}
AnsiString DateToStr(TDateTime value) { return DateToStr(value, FormatSettings()); }

AnsiString TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}
AnsiString TimeToStr(TDateTime value) { return TimeToStr(value, FormatSettings()); }

AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}
AnsiString DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings()); }

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner scan(text, settings);
  TDateTime d;
  if (!scan.Date(d) || !scan.AtEnd()) return false;
  value = d;
  return true;
}
bool TryStrToDate(std::string_view text, TDateTime& value) { return TryStrToDate(text, value, FormatSettings()); }

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
  TDateTime d;
  if (!TryStrToDate(text, d, settings)) RaiseConvert("date", text);
  return d;
}
TDateTime StrToDate(std::string_view text) { return StrToDate(text, FormatSettings()); }

bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner scan(text, settings);
  TDateTime t;
  if (!scan.Time(t) || !scan.AtEnd()) return false;
  value = t;
  return true;
}
bool TryStrToTime(std::string_view text, TDateTime& value) { return TryStrToTime(text, value, FormatSettings()); }

TDateTime StrToTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime t;
  if (!TryStrToTime(text, t, settings)) RaiseConvert("time", text);
  return t;
}
TDateTime StrToTime(std::string_view text) { return StrToTime(text, FormatSettings()); }

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner scan(text, settings);
  TDateTime d, t = 0;
  if (scan.Date(d) && (scan.AtEnd() || (scan.Time(t) && scan.AtEnd()))) {
    value = d >= 0 ? d + t : d - t;
    return true;
  }
  return TryStrToTime(text, value, settings);  // a time alone
}
bool TryStrToDateTime(std::string_view text, TDateTime& value) {
  return TryStrToDateTime(text, value, FormatSettings());
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToDateTime(text, v, settings)) RaiseConvert("date and time", text);
  return v;
}
TDateTime StrToDateTime(std::string_view text) { return StrToDateTime(text, FormatSettings()); }
