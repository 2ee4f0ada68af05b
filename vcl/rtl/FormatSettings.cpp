#include "vcl/rtl/FormatSettings.h"

#include "vcl/rtl/TextConv.h"

TFormatSettings EnglishFormatSettings() {
  TFormatSettings fs;
  fs.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  fs.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                       "July",    "August",   "September", "October", "November", "December"};
  fs.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  fs.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  return fs;
}

TFormatSettings HungarianFormatSettings() {
  TFormatSettings fs;
  fs.CurrencyFormat = 3;  // "1 Ft"
  fs.NegCurrFormat = 8;   // "-1 Ft"
  fs.CurrencyDecimals = 2;
  fs.CurrencyString = "Ft";
  fs.ThousandSeparator = '\xA0';
  fs.DecimalSeparator = ',';
  fs.DateSeparator = '.';
  fs.TimeSeparator = ':';
  fs.ListSeparator = ';';
  fs.ShortDateFormat = "yyyy. MM. dd.";
  fs.LongDateFormat = "yyyy. MMMM d., dddd";
  fs.TimeAMString = "de.";
  fs.TimePMString = "du.";
  fs.ShortTimeFormat = "h:mm";
  fs.LongTimeFormat = "h:mm:ss";
  const char* shortMonths[12] = {"jan.", "febr.", "márc.", "ápr.",   "máj.", "jún.",
                                 "júl.", "aug.",  "szept.", "okt.", "nov.", "dec."};
  const char* longMonths[12] = {"január", "február", "március",    "április", "május",    "június",
                                "július", "augusztus", "szeptember", "október", "november", "december"};
  const char* shortDays[7] = {"V", "H", "K", "Sze", "Cs", "P", "Szo"};
  const char* longDays[7] = {"vasárnap", "hétfő", "kedd", "szerda", "csütörtök", "péntek", "szombat"};
  for (int i = 0; i < 12; ++i) {
    fs.ShortMonthNames[i] = Utf8ToCp1250(shortMonths[i]);
    fs.LongMonthNames[i] = Utf8ToCp1250(longMonths[i]);
  }
  for (int i = 0; i < 7; ++i) {
    fs.ShortDayNames[i] = Utf8ToCp1250(shortDays[i]);
    fs.LongDayNames[i] = Utf8ToCp1250(longDays[i]);
  }
  return fs;
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = LoadUserFormatSettings();
  return settings;
}

TFormatSettingsScope::TFormatSettingsScope(const TFormatSettings& settings) : saved_(FormatSettings()) {
  FormatSettings() = settings;
}

TFormatSettingsScope::~TFormatSettingsScope() { FormatSettings() = std::move(saved_); }
