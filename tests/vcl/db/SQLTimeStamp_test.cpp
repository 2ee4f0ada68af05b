#include "vcl/db/SQLTimeStamp.h"

#include <gtest/gtest.h>

#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/Exceptions.h"

namespace {

TEST(SQLTimeStamp, ConvertsToAndFromDateTime) {
  struct Case {
    TSQLTimeStamp stamp;
    TDateTime value;
  };
  const Case cases[] = {
      {{2024, 1, 7, 13, 45, 30, 250}, EncodeDate(2024, 1, 7) + EncodeTime(13, 45, 30, 250)},
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0 + 0},  // day 0 is a date, not the blank record
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},    // before day 0 the time still counts forward
      {{1, 1, 1, 0, 0, 0, 0}, MinDateTime},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_NEAR(SQLTimeStampToDateTime(c.stamp), c.value, 1e-9);
    EXPECT_EQ(DateTimeToSQLTimeStamp(c.value), c.stamp);
  }
  EXPECT_TRUE(IsSQLTimeStampBlank(TSQLTimeStamp{}));
  EXPECT_EQ(SQLTimeStampToDateTime(TSQLTimeStamp{}), 0);
  EXPECT_EQ(SQLTimeStampToStr("yyyy.mm.dd hh:nn", {2024, 1, 7, 13, 45, 0, 0}), "2024.01.07 13:45");
}

TEST(SQLTimeStamp, InvalidFieldsRaise) {
  const TSQLTimeStamp bad[] = {{2024, 2, 30, 0, 0, 0, 0}, {2024, 1, 1, 24, 0, 0, 0}, {2024, 1, 1, 0, 0, 0, 1000},
                               {-5, 1, 1, 0, 0, 0, 0}};
  for (const TSQLTimeStamp& stamp : bad) EXPECT_THROW(SQLTimeStampToDateTime(stamp), EConvertError);
}

}  // namespace
