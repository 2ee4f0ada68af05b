#include "vcl/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/TextConv.h"

TEST(FormatSettings, HungarianProfileHoldsTheWindowsDefaultsInCp1250) {
  TFormatSettings hu = HungarianFormatSettings();
  EXPECT_EQ(hu.DecimalSeparator, ',');
  EXPECT_EQ(hu.ThousandSeparator, '\xA0');
  EXPECT_EQ(hu.DateSeparator, '.');
  EXPECT_EQ(hu.TimeSeparator, ':');
  EXPECT_EQ(hu.ShortDateFormat, "yyyy. MM. dd.");
  EXPECT_EQ(hu.CurrencyString, "Ft");
  // Names are Windows-1250 bytes: "ő" is 0xF5, "á" 0xE1.
  EXPECT_EQ(hu.LongDayNames[1], "h\xE9tf\xF5");
  EXPECT_EQ(hu.LongMonthNames[2], "m\xE1rcius");
  const char* months[12] = {"január", "február", "március",    "április", "május",    "június",
                            "július", "augusztus", "szeptember", "október", "november", "december"};
  const char* days[7] = {"vasárnap", "hétfő", "kedd", "szerda", "csütörtök", "péntek", "szombat"};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(Cp1250ToUtf8(hu.LongMonthNames[i]), months[i]);
    EXPECT_FALSE(hu.ShortMonthNames[i].empty());
  }
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(Cp1250ToUtf8(hu.LongDayNames[i]), days[i]);
    EXPECT_FALSE(hu.ShortDayNames[i].empty());
  }
}

TEST(FormatSettings, ScopeReplacesAndRestoresTheProcessWideSettings) {
  char before = FormatSettings().DecimalSeparator;
  {
    TFormatSettingsScope scope(HungarianFormatSettings());
    EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
    EXPECT_EQ(FloatToStr(2.5), "2,5");
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, before);
}

// Whatever the machine's locale, the settings loaded from it read back their own dates and numbers.
TEST(FormatSettings, UserSettingsReadBackTheirOwnOutput) {
  TFormatSettings user = LoadUserFormatSettings();
  for (int i = 0; i < 12; ++i) EXPECT_FALSE(user.LongMonthNames[i].empty()) << i;
  for (int i = 0; i < 7; ++i) EXPECT_FALSE(user.LongDayNames[i].empty()) << i;
  EXPECT_NE(user.DecimalSeparator, 0);
  TDateTime value = EncodeDate(2024, 12, 31) + EncodeTime(17, 5, 9, 0);
  AnsiString text = DateTimeToStr(value, user);
  SCOPED_TRACE(text);
  EXPECT_EQ(StrToDateTime(text, user), value);
  EXPECT_EQ(StrToFloat(FloatToStr(-1234.625, user), user), -1234.625);
}
