// The user's locale, read with GetLocaleInfoW and converted to Windows-1250. The time formats are
// built from the clock settings (24-hour or not, leading zero, designator before or after) rather
// than taken from the locale's time pattern, whose tokens differ from ours ("tt", "H").
#include <windows.h>

#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/TextConv.h"

namespace {

WideString LocaleText(LCID locale, LCTYPE type) {
  wchar_t buf[256];
  int n = GetLocaleInfoW(locale, type, buf, static_cast<int>(sizeof buf / sizeof buf[0]));
  if (n <= 1) return WideString();
  return WideString(reinterpret_cast<const char16_t*>(buf), static_cast<size_t>(n - 1));
}

AnsiString LocaleString(LCID locale, LCTYPE type, const AnsiString& fallback) {
  WideString w = LocaleText(locale, type);
  return w.empty() ? fallback : Utf16ToCp1250(w);
}

int LocaleInt(LCID locale, LCTYPE type, int fallback) {
  WideString w = LocaleText(locale, type);
  if (w.empty()) return fallback;
  int v = 0;
  for (char16_t c : w) {
    if (c < u'0' || c > u'9') return fallback;
    v = v * 10 + (c - u'0');
    if (v > 1000) return fallback;
  }
  return v;
}

// A separator is one Windows-1250 character. Spaces that the code page lacks (narrow no-break
// space, thin space) become its no-break space.
char LocaleChar(LCID locale, LCTYPE type, char fallback) {
  WideString w = LocaleText(locale, type);
  if (w.empty()) return fallback;
  char16_t c = w[0];
  unsigned char b = Utf16CharToCp1250(c);
  if (b != 0) return static_cast<char>(b);
  if ((c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000) return '\xA0';
  return fallback;
}

}  // namespace

TFormatSettings LoadUserFormatSettings() { return LoadLocaleFormatSettings(LOCALE_USER_DEFAULT); }

TFormatSettings LoadLocaleFormatSettings(Cardinal localeId) {
  const LCID lc = localeId;
  TFormatSettings fs = EnglishFormatSettings();
  fs.CurrencyString = LocaleString(lc, LOCALE_SCURRENCY, fs.CurrencyString);
  fs.CurrencyFormat = static_cast<Byte>(LocaleInt(lc, LOCALE_ICURRENCY, fs.CurrencyFormat) & 3);
  int neg = LocaleInt(lc, LOCALE_INEGCURR, fs.NegCurrFormat);
  fs.NegCurrFormat = static_cast<Byte>(neg <= 15 ? neg : 0);
  int digits = LocaleInt(lc, LOCALE_ICURRDIGITS, fs.CurrencyDecimals);
  fs.CurrencyDecimals = static_cast<Byte>(digits <= 9 ? digits : 2);
  fs.ThousandSeparator = LocaleChar(lc, LOCALE_STHOUSAND, fs.ThousandSeparator);
  fs.DecimalSeparator = LocaleChar(lc, LOCALE_SDECIMAL, fs.DecimalSeparator);
  fs.DateSeparator = LocaleChar(lc, LOCALE_SDATE, fs.DateSeparator);
  fs.TimeSeparator = LocaleChar(lc, LOCALE_STIME, fs.TimeSeparator);
  fs.ListSeparator = LocaleChar(lc, LOCALE_SLIST, fs.ListSeparator);
  fs.ShortDateFormat = LocaleString(lc, LOCALE_SSHORTDATE, fs.ShortDateFormat);
  fs.LongDateFormat = LocaleString(lc, LOCALE_SLONGDATE, fs.LongDateFormat);
  fs.TimeAMString = LocaleString(lc, LOCALE_S1159, "");
  fs.TimePMString = LocaleString(lc, LOCALE_S2359, "");

  const char* hour = LocaleInt(lc, LOCALE_ITLZERO, 0) == 0 ? "h" : "hh";
  AnsiString prefix, suffix;
  if (LocaleInt(lc, LOCALE_ITIME, 0) == 0) {  // 12-hour clock
    if (LocaleInt(lc, LOCALE_ITIMEMARKPOSN, 0) == 0)
      suffix = " AMPM";
    else
      prefix = "AMPM ";
  }
  fs.ShortTimeFormat = prefix + hour + ":mm" + suffix;
  fs.LongTimeFormat = prefix + hour + ":mm:ss" + suffix;

  for (int i = 0; i < 12; ++i) {
    fs.LongMonthNames[i] = LocaleString(lc, static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i), fs.LongMonthNames[i]);
    fs.ShortMonthNames[i] =
        LocaleString(lc, static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i), fs.ShortMonthNames[i]);
  }
  // The locale numbers its days from Monday; ours start on Sunday.
  for (int i = 0; i < 7; ++i) {
    int day = (i + 6) % 7;
    fs.LongDayNames[i] = LocaleString(lc, static_cast<LCTYPE>(LOCALE_SDAYNAME1 + day), fs.LongDayNames[i]);
    fs.ShortDayNames[i] = LocaleString(lc, static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + day), fs.ShortDayNames[i]);
  }
  return fs;
}
