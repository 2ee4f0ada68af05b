// The locale settings that number, currency and date formatting and parsing read. One process-wide
// instance (loaded from the user's locale at first use) and fixed profiles for tests.
#pragma once
#include <array>
#include "vcl/rtl/SysTypes.h"

struct TFormatSettings {
  Byte CurrencyFormat = 0;     // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  Byte NegCurrFormat = 0;
  Byte CurrencyDecimals = 2;
  AnsiString CurrencyString = "$";
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char ListSeparator = ',';
  AnsiString ShortDateFormat = "M/d/yyyy";
  AnsiString LongDateFormat = "dddd, MMMM d, yyyy";
  AnsiString TimeAMString = "AM";
  AnsiString TimePMString = "PM";
  AnsiString ShortTimeFormat = "h:mm AMPM";
  AnsiString LongTimeFormat = "h:mm:ss AMPM";
  std::array<AnsiString, 12> ShortMonthNames{};
  std::array<AnsiString, 12> LongMonthNames{};
  std::array<AnsiString, 7> ShortDayNames{};  // Sunday first
  std::array<AnsiString, 7> LongDayNames{};
  Word TwoDigitYearCenturyWindow = 50;
};

// The process-wide settings. Tests may assign a fixed profile to it.
TFormatSettings& FormatSettings();

// Fixed profiles: the Hungarian one (texts in Windows-1250) and US English.
TFormatSettings HungarianFormatSettings();
TFormatSettings EnglishFormatSettings();
// The settings of the user's locale (GetLocaleInfo on Windows; the Hungarian profile elsewhere).
TFormatSettings LoadUserFormatSettings();
