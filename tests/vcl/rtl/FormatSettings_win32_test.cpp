#include <windows.h>

#include <gtest/gtest.h>

#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"

namespace {

void ExpectSameSettings(const TFormatSettings& a, const TFormatSettings& b) {
  EXPECT_EQ(a.CurrencyFormat, b.CurrencyFormat);
  EXPECT_EQ(a.NegCurrFormat, b.NegCurrFormat);
  EXPECT_EQ(a.CurrencyDecimals, b.CurrencyDecimals);
  EXPECT_EQ(a.CurrencyString, b.CurrencyString);
  EXPECT_EQ(a.ThousandSeparator, b.ThousandSeparator);
  EXPECT_EQ(a.DecimalSeparator, b.DecimalSeparator);
  EXPECT_EQ(a.DateSeparator, b.DateSeparator);
  EXPECT_EQ(a.TimeSeparator, b.TimeSeparator);
  EXPECT_EQ(a.ListSeparator, b.ListSeparator);
  EXPECT_EQ(a.ShortDateFormat, b.ShortDateFormat);
  EXPECT_EQ(a.LongDateFormat, b.LongDateFormat);
  EXPECT_EQ(a.TimeAMString, b.TimeAMString);
  EXPECT_EQ(a.TimePMString, b.TimePMString);
  EXPECT_EQ(a.ShortTimeFormat, b.ShortTimeFormat);
  EXPECT_EQ(a.LongTimeFormat, b.LongTimeFormat);
  EXPECT_EQ(a.ShortMonthNames, b.ShortMonthNames);
  EXPECT_EQ(a.LongMonthNames, b.LongMonthNames);
  EXPECT_EQ(a.ShortDayNames, b.ShortDayNames);
  EXPECT_EQ(a.LongDayNames, b.LongDayNames);
}

}  // namespace

// The fixed profiles are what Windows itself reports for hu-HU and en-US.
TEST(FormatSettings, FixedProfilesMatchTheWindowsLocales) {
  {
    SCOPED_TRACE("hu-HU");
    ExpectSameSettings(LoadLocaleFormatSettings(0x040E), HungarianFormatSettings());
  }
  {
    SCOPED_TRACE("en-US");
    ExpectSameSettings(LoadLocaleFormatSettings(0x0409), EnglishFormatSettings());
  }
}

TEST(FormatSettings, UserSettingsComeFromTheUserDefaultLocale) {
  ExpectSameSettings(LoadUserFormatSettings(), LoadLocaleFormatSettings(GetUserDefaultLCID()));
}
