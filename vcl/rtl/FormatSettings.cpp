#include "vcl/rtl/FormatSettings.h"

TFormatSettings EnglishFormatSettings() {
  TFormatSettings fs;
  fs.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  fs.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                       "July",    "August",   "September", "October", "November", "December"};
  fs.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  fs.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  return fs;
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = EnglishFormatSettings();
  return settings;
}
