#include <gtest/gtest.h>

#include "vcl/rtl/FormatSettings.h"

// Outside Windows the program runs with the Hungarian profile.
TEST(FormatSettings, UserSettingsAreTheHungarianProfile) {
  TFormatSettings user = LoadUserFormatSettings();
  TFormatSettings hu = HungarianFormatSettings();
  EXPECT_EQ(user.ShortDateFormat, hu.ShortDateFormat);
  EXPECT_EQ(user.DecimalSeparator, hu.DecimalSeparator);
  EXPECT_EQ(user.LongMonthNames, hu.LongMonthNames);
}
