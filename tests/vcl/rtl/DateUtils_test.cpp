#include "vcl/rtl/DateUtils.h"

#include <gtest/gtest.h>

#include <cmath>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Fixes the clock for the lifetime of the object.
class FixedClock {
 public:
  explicit FixedClock(TDateTime now) : previous_(SetClockHook([now] { return now; })) {}
  ~FixedClock() { SetClockHook(std::move(previous_)); }

 private:
  TClockHook previous_;
};

TDateTime At(Word y, Word m, Word d, Word h = 0, Word n = 0, Word s = 0, Word ms = 0) {
  return EncodeDateTime(y, m, d, h, n, s, ms);
}

AnsiString Cp(const char* utf8) { return Utf8ToCp1250(utf8); }

template <typename F>
AnsiString MessageOf(F f) {
  try {
    f();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

}  // namespace

TEST(DateUtils, EncodeDateGivesTheDayNumber) {
  struct Case {
    Word y, m, d;
    double expected;
  } cases[] = {
      {1899, 12, 30, 0},   {1900, 1, 1, 2},        {2000, 1, 1, 36526},   {2000, 2, 29, 36585},
      {2024, 1, 15, 45306}, {2024, 3, 5, 45356},    {1, 1, 1, -693593},    {9999, 12, 31, 2958465},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.expected);
  }
}

// Every calendar day from 0001-01-01 to 9999-12-31 encodes to the day after its predecessor and
// decodes back to itself; this covers every leap rule and century boundary.
TEST(DateUtils, EveryDayEncodesConsecutivelyAndDecodesBack) {
  double expected = EncodeDate(1, 1, 1);
  int mismatches = 0;
  for (Word y = 1; y <= 9999; ++y) {
    for (Word m = 1; m <= 12; ++m) {
      for (Word d = 1; d <= DaysInAMonth(y, m); ++d) {
        TDateTime v;
        ASSERT_TRUE(TryEncodeDate(y, m, d, v));
        Word yy, mm, dd;
        DecodeDate(v, yy, mm, dd);
        if (v != expected || yy != y || mm != m || dd != d) {
          if (++mismatches < 5) ADD_FAILURE() << y << "-" << m << "-" << d << " -> " << v;
        }
        expected += 1;
      }
    }
  }
  EXPECT_EQ(expected - 1, 2958465);
}

TEST(DateUtils, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_TRUE(IsLeapYear(2400));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DaysInAMonth(1900, 2), 28);
  EXPECT_EQ(DaysInAMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(At(2024, 12, 3)), 31);
  EXPECT_THROW(DaysInAMonth(2024, 13), EConvertError);
}

TEST(DateUtils, InvalidFieldsRaise) {
  struct Case {
    Word y, m, d;
  } badDates[] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1}, {10000, 1, 1}, {2024, 13, 1},
                  {2024, 0, 1},  {2024, 4, 31}, {2024, 1, 0}};
  for (const auto& c : badDates) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
    TDateTime v = 123;
    EXPECT_FALSE(TryEncodeDate(c.y, c.m, c.d, v));
    EXPECT_EQ(v, 123);
    EXPECT_EQ(MessageOf([&] { EncodeDate(c.y, c.m, c.d); }), "Invalid argument to date encode");
  }
  EXPECT_EQ(MessageOf([] { EncodeTime(24, 0, 0, 0); }), "Invalid argument to time encode");
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(DateUtils, TimeEncodesAsFractionAndDecodesToTheMillisecond) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  Word h, n, s, ms;
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ((std::array<Word, 4>{h, n, s, ms}), (std::array<Word, 4>{23, 59, 59, 999}));
  // The date part does not disturb the time, before or after 1899-12-30.
  DecodeTime(At(2024, 3, 5, 14, 7, 9, 45), h, n, s, ms);
  EXPECT_EQ((std::array<Word, 4>{h, n, s, ms}), (std::array<Word, 4>{14, 7, 9, 45}));
  DecodeTime(At(1800, 6, 1, 6, 30, 0, 0), h, n, s, ms);
  EXPECT_EQ((std::array<Word, 4>{h, n, s, ms}), (std::array<Word, 4>{6, 30, 0, 0}));
  // A hair before midnight rounds to the next day, not to 24:00.
  Word y, m, d;
  TDateTime almost = EncodeDate(2024, 12, 31) + 0.99999999999;
  DecodeDate(almost, y, m, d);
  DecodeTime(almost, h, n, s, ms);
  EXPECT_EQ((std::array<Word, 7>{y, m, d, h, n, s, ms}), (std::array<Word, 7>{2025, 1, 1, 0, 0, 0, 0}));
}

TEST(DateUtils, DatesBeforeTheEpochKeepAPositiveTime) {
  // -1.25 is 1899-12-29 06:00.
  EXPECT_EQ(At(1899, 12, 29, 6), -1.25);
  Word y, m, d, dow;
  EXPECT_FALSE(DecodeDateFully(-1.25, y, m, d, dow));
  EXPECT_EQ((std::array<Word, 4>{y, m, d, dow}), (std::array<Word, 4>{1899, 12, 29, 6}));
  // Before 0001-01-01 there is no date.
  DecodeDate(-693594, y, m, d);
  EXPECT_EQ((std::array<Word, 3>{y, m, d}), (std::array<Word, 3>{0, 0, 0}));
}

TEST(DateUtils, DayOfWeekStartsOnSunday) {
  struct Case {
    TDateTime date;
    Word expected;
  } cases[] = {{At(2024, 3, 3), 1},   {At(2024, 1, 15, 23, 59), 2}, {At(2024, 3, 5), 3},
               {At(1899, 12, 30), 7}, {At(1, 1, 1), 2},             {At(9999, 12, 31), 6},
               {At(1899, 12, 29, 6), 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date);
    EXPECT_EQ(DayOfWeek(c.date), c.expected);
  }
  Word y, m, d, dow;
  EXPECT_TRUE(DecodeDateFully(At(2024, 2, 29), y, m, d, dow));
  EXPECT_EQ(dow, 5);
}

TEST(DateUtils, TimeStampsCountDaysFromYearOneAndMillisecondsOfTheDay) {
  struct Case {
    TDateTime value;
    Integer date, time;
  } cases[] = {
      {0, 693594, 0},
      {At(1, 1, 1), 1, 0},
      {At(2024, 1, 15, 13, 45, 30, 250), 693594 + 45306, 49530250},
      {-1.25, 693593, 21600000},
      {At(9999, 12, 31, 23, 59, 59, 999), 693594 + 2958465, 86399999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    TTimeStamp ts = DateTimeToTimeStamp(c.value);
    EXPECT_EQ(ts.Date, c.date);
    EXPECT_EQ(ts.Time, c.time);
    EXPECT_EQ(TimeStampToDateTime(ts), c.value);
    Int64 ms = TimeStampToMSecs(ts);
    EXPECT_EQ(ms, Int64{c.date} * 86400000 + c.time);
    TTimeStamp back = MSecsToTimeStamp(ms);
    EXPECT_EQ(back.Date, c.date);
    EXPECT_EQ(back.Time, c.time);
  }
}

TEST(DateUtils, InvalidTimeStampsAndValuesRaise) {
  EXPECT_EQ(MessageOf([] { TimeStampToDateTime(TTimeStamp{0, 0}); }), "'0.0' is not a valid timestamp");
  EXPECT_EQ(MessageOf([] { TimeStampToDateTime(TTimeStamp{-5, 10}); }), "'10.-5' is not a valid timestamp");
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{86400000, 10}), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(1e300), EInvalidOp);
  EXPECT_THROW(DateTimeToTimeStamp(std::nan("")), EInvalidOp);
  EXPECT_THROW(MSecsToTimeStamp(Int64{1} << 62), ERangeError);
}

TEST(DateUtils, ClockHookFixesNowDateAndTime) {
  TDateTime fixed = At(2024, 3, 5, 14, 7, 9, 45);
  {
    FixedClock clock(fixed);
    EXPECT_EQ(Now(), fixed);
    EXPECT_EQ(Date(), EncodeDate(2024, 3, 5));
    EXPECT_EQ(Time(), EncodeTime(14, 7, 9, 45));
  }
  // Back on the system clock.
  double difference = std::fabs(Now() - SystemClockNow()) * SecsPerDay;
  EXPECT_LT(difference, 5.0);
  EXPECT_GT(Now(), At(2020, 1, 1));
}

namespace {

struct FormatCase {
  const char* format;
  const char* expected;  // UTF-8; compared after conversion to Windows-1250
};

void CheckFormats(const TFormatSettings& fs, TDateTime value, std::initializer_list<FormatCase> cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(FormatDateTime(c.format, value, fs), Cp(c.expected));
  }
}

}  // namespace

TEST(FormatDateTime, TokensUnderTheEnglishProfile) {
  TFormatSettings en = EnglishFormatSettings();
  CheckFormats(en, At(2024, 3, 5, 14, 7, 9, 45),
               {
                   {"yyyy-mm-dd hh:nn:ss.zzz", "2024-03-05 14:07:09.045"},
                   {"yyyy.mm.dd", "2024.03.05"},
                   {"d/m/yy", "5/3/24"},
                   {"y", "24"},
                   {"dd mmm yyyy", "05 Mar 2024"},
                   {"dddd, mmmm d", "Tuesday, March 5"},
                   {"ddd", "Tue"},
                   {"hh:mm", "14:07"},           // m right after h is minutes
                   {"hh 'at' mm", "14 at 07"},   // quoted text does not break that
                   {"mm/dd hh", "03/05 14"},
                   {"hh nn mm", "14 07 03"},     // minutes already taken: month
                   {"h:nn am/pm", "2:07 pm"},
                   {"h:nn AM/PM", "2:07 PM"},
                   {"h a/p", "2 p"},
                   {"hh ampm", "02 PM"},
                   {"z|zz|zzz|s|ss|n", "45|45|045|9|09|7"},
                   {"c", "3/5/2024 2:07:09 PM"},
                   {"", "3/5/2024 2:07:09 PM"},
                   {"ddddd", "3/5/2024"},
                   {"dddddd", "Tuesday, March 5, 2024"},
                   {"t", "2:07 PM"},
                   {"tt", "2:07:09 PM"},
                   {"'Date:' yyyy \"mm\" x", "Date: 2024 mm x"},
                   {"aaaa aaa", "Tuesday Tue"},
               });
  CheckFormats(en, At(2024, 3, 5), {{"c", "3/5/2024"}, {"h:nn am/pm", "12:00 am"}});
  CheckFormats(en, At(2024, 3, 5, 0, 30), {{"h:nn ampm", "12:30 AM"}});
  CheckFormats(en, At(2024, 3, 5, 12, 0), {{"h:nn ampm", "12:00 PM"}, {"hh:nn", "12:00"}});
  CheckFormats(en, At(7, 1, 2), {{"yyyy yy", "0007 07"}});
}

TEST(FormatDateTime, TokensUnderTheHungarianProfile) {
  TFormatSettings hu = HungarianFormatSettings();
  CheckFormats(hu, At(2024, 3, 5, 14, 7, 9, 45),
               {
                   {"c", "2024. 03. 05. 14:07:09"},
                   {"ddddd", "2024. 03. 05."},
                   {"dddddd", "2024. március 5., kedd"},
                   {"dddd", "kedd"},
                   {"ddd", "K"},
                   {"mmmm", "március"},
                   {"mmm", "márc."},
                   {"yyyy/mm/dd", "2024.03.05"},
                   {"h:nn ampm", "2:07 du."},
                   {"t", "14:07"},
               });
  CheckFormats(hu, At(2024, 9, 1), {{"c", "2024. 09. 01."}, {"mmmm dddd", "szeptember vasárnap"}});
  CheckFormats(hu, At(2024, 9, 2, 9, 5), {{"ampm hh:nn", "de. 09:05"}, {"dddd", "hétfő"}});
}

TEST(FormatDateTime, SelfReferringFormatsStop) {
  TFormatSettings fs = EnglishFormatSettings();
  fs.ShortDateFormat = "ddddd|yyyy";  // names itself
  EXPECT_EQ(FormatDateTime("ddddd", At(2024, 3, 5), fs), "|2024");
}

// Dates and date-times written with a profile's own formats read back under that profile.
TEST(StrToDate, RoundTripsUnderBothProfiles) {
  FixedClock clock(At(2026, 6, 15));
  const TDateTime dates[] = {At(1, 1, 1),   At(1899, 12, 30), At(1999, 12, 31), At(2000, 2, 29),
                             At(2024, 3, 5), At(2049, 7, 4),   At(9999, 12, 31)};
  const TDateTime times[] = {0, EncodeTime(0, 30, 15, 0), EncodeTime(12, 0, 0, 0), EncodeTime(23, 59, 59, 0),
                             EncodeTime(9, 5, 1, 0)};
  for (const TFormatSettings& fs : {EnglishFormatSettings(), HungarianFormatSettings()}) {
    for (TDateTime d : dates) {
      AnsiString text = DateToStr(d, fs);
      SCOPED_TRACE(text);
      EXPECT_EQ(StrToDate(text, fs), d);
      for (TDateTime t : times) {
        TDateTime value = d >= 0 ? d + t : d - t;
        AnsiString full = DateTimeToStr(value, fs);
        SCOPED_TRACE(full);
        EXPECT_EQ(StrToDateTime(full, fs), value);
        if (d == dates[0]) {
          EXPECT_EQ(StrToTime(TimeToStr(t, fs), fs), t);
        }
      }
    }
  }
}

TEST(StrToDate, ReadsTheProfilesOrderAndShortForms) {
  FixedClock clock(At(2026, 6, 15));
  TFormatSettings en = EnglishFormatSettings();
  TFormatSettings hu = HungarianFormatSettings();
  struct Case {
    const TFormatSettings* fs;
    const char* text;
    TDateTime expected;
  } cases[] = {
      {&en, "3/5/2024", At(2024, 3, 5)},
      {&en, " 3 / 5 / 2024 ", At(2024, 3, 5)},
      {&en, "3/5", At(2026, 3, 5)},       // the current year
      {&en, "3/5/", At(2026, 3, 5)},
      {&en, "3/5/24", At(2024, 3, 5)},    // two-digit years: 1976..2075 around 2026
      {&en, "3/5/75", At(2075, 3, 5)},
      {&en, "3/5/76", At(1976, 3, 5)},
      {&en, "3/5/0024", At(24, 3, 5)},    // four digits are taken as written
      {&hu, "2024.03.05.", At(2024, 3, 5)},
      {&hu, "2024.3.5", At(2024, 3, 5)},
      {&hu, "2024. 03. 05.", At(2024, 3, 5)},
      {&hu, "03.05.", At(2026, 3, 5)},    // month and day, in the year-month-day order
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToDate(c.text, *c.fs), c.expected);
  }
  TFormatSettings dmy = EnglishFormatSettings();
  dmy.ShortDateFormat = "dd/MM/yyyy";
  EXPECT_EQ(StrToDate("5/3/2024", dmy), At(2024, 3, 5));
  EXPECT_EQ(StrToDate("5/3", dmy), At(2026, 3, 5));
}

TEST(StrToDate, GarbageRaisesWithTheText) {
  FixedClock clock(At(2026, 6, 15));
  TFormatSettings en = EnglishFormatSettings();
  for (const char* text : {"", "13/1/2024", "2/30/2024", "3-5-2024", "3/5/2024x", "abc", "3/", "3/5//", "3/5/20245", "2024.03.05."}) {
    SCOPED_TRACE(text);
    TDateTime v = 7;
    EXPECT_FALSE(TryStrToDate(text, v, en));
    EXPECT_EQ(v, 7);
    EXPECT_EQ(MessageOf([&] { StrToDate(text, en); }), "'" + AnsiString(text) + "' is not a valid date");
  }
  EXPECT_THROW(StrToDate("3/5/2024", HungarianFormatSettings()), EConvertError);
}

TEST(StrToTime, ReadsHoursMinutesSecondsAndDesignators) {
  TFormatSettings en = EnglishFormatSettings();
  TFormatSettings hu = HungarianFormatSettings();
  struct Case {
    const TFormatSettings* fs;
    const char* text;
    TDateTime expected;
  } cases[] = {
      {&en, "14:07", EncodeTime(14, 7, 0, 0)},
      {&en, "14", EncodeTime(14, 0, 0, 0)},
      {&en, "2:07 PM", EncodeTime(14, 7, 0, 0)},
      {&en, "2:07 pm", EncodeTime(14, 7, 0, 0)},
      {&en, "12:00 AM", 0},
      {&en, "12:30 PM", EncodeTime(12, 30, 0, 0)},
      {&en, "AM 9:15", EncodeTime(9, 15, 0, 0)},
      {&en, "14:07:09.045", EncodeTime(14, 7, 9, 45)},
      {&hu, "14:07:09,045", EncodeTime(14, 7, 9, 45)},
      {&hu, "du. 2:07", EncodeTime(14, 7, 0, 0)},
      {&hu, "2:07 de.", EncodeTime(2, 7, 0, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToTime(c.text, *c.fs), c.expected);
  }
  for (const char* bad : {"25:00", "13:00 PM", "0:30 AM", "14:60", "14:07:", "", "x"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(MessageOf([&] { StrToTime(bad, en); }), "'" + AnsiString(bad) + "' is not a valid time");
  }
}

TEST(StrToDateTime, DateThenOptionalTimeOrTimeAlone) {
  FixedClock clock(At(2026, 6, 15));
  TFormatSettings en = EnglishFormatSettings();
  EXPECT_EQ(StrToDateTime("3/5/2024 2:07:09 PM", en), At(2024, 3, 5, 14, 7, 9));
  EXPECT_EQ(StrToDateTime("3/5/2024", en), At(2024, 3, 5));
  EXPECT_EQ(StrToDateTime("14:07", en), EncodeTime(14, 7, 0, 0));
  EXPECT_EQ(StrToDateTime("2024.03.05. 14:07", HungarianFormatSettings()), At(2024, 3, 5, 14, 7));
  EXPECT_EQ(MessageOf([&] { StrToDateTime("3/5/2024 14:07 x", en); }),
            "'3/5/2024 14:07 x' is not a valid date and time");
  EXPECT_THROW(StrToDateTime("3/5/2024 25:00", en), EConvertError);
}

TEST(StrToDate, UsesTheProcessWideSettings) {
  FixedClock clock(At(2026, 6, 15));
  TFormatSettingsScope hungarian(HungarianFormatSettings());
  EXPECT_EQ(DateToStr(At(2024, 3, 5)), "2024. 03. 05.");
  EXPECT_EQ(StrToDate("2024.03.05."), At(2024, 3, 5));
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", At(2024, 3, 5)), "2024.03.05");
}
