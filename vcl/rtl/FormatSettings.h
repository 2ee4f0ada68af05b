// The locale settings that number, currency and date formatting and parsing read. One process-wide
// instance (loaded from the user's locale at first use) and fixed profiles for tests.
// All texts are Windows-1250. Date and time formats use the formatting tokens of FormatDateTime
// (DateUtils.h); a '/' in them stands for DateSeparator and a ':' for TimeSeparator.
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
// The Hungarian profile holds the Windows defaults of hu-HU: ',' decimals, a no-break space (0xA0 in
// Windows-1250, U+00A0 as Windows gives it) between thousands, '.' between date parts with
// "yyyy. MM. dd." short dates (Windows' date separator is ". "; one character is kept), a 24-hour
// clock with "de."/"du." designators, lower-case month and day names, "Ft" after the amount.
TFormatSettings HungarianFormatSettings();
TFormatSettings EnglishFormatSettings();
// The settings of the user's locale (GetLocaleInfoW on Windows; the Hungarian profile elsewhere).
TFormatSettings LoadUserFormatSettings();
#ifdef _WIN32
// The settings of a Windows locale (an LCID such as 0x040E, hu-HU).
TFormatSettings LoadLocaleFormatSettings(Cardinal localeId);
#endif

// Replaces the process-wide settings for its lifetime and restores the previous ones afterwards
// (tests pin a profile with it).
class TFormatSettingsScope {
 public:
  explicit TFormatSettingsScope(const TFormatSettings& settings);
  ~TFormatSettingsScope();
  TFormatSettingsScope(const TFormatSettingsScope&) = delete;
  TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

 private:
  TFormatSettings saved_;
};
