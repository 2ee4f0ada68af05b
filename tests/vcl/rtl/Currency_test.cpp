#include "vcl/rtl/Currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vcl/rtl/Exceptions.h"

TEST(Currency, HoldsFourDecimalsExactly) {
  Currency a = Currency::FromRaw(15000);  // 1.5
  Currency b = Currency::FromRaw(22500);  // 2.25
  EXPECT_EQ((a + b).Raw(), 37500);
  EXPECT_EQ((a - b).Raw(), -7500);
  EXPECT_EQ((a * b).Raw(), 33750);                        // 3.375
  EXPECT_EQ((Currency(10) / Currency(3)).Raw(), 33333);   // 3.3333
  EXPECT_EQ((Currency(2) / Currency(3)).Raw(), 6667);     // 0.6667
  // Products round to four decimals, ties to even: 0.0001 * 0.5 = 0.00005 -> 0, 0.0003 * 0.5 -> 0.0002.
  EXPECT_EQ((Currency::FromRaw(1) * Currency::FromRaw(5000)).Raw(), 0);
  EXPECT_EQ((Currency::FromRaw(3) * Currency::FromRaw(5000)).Raw(), 2);
  EXPECT_EQ((Currency::FromRaw(-3) * Currency::FromRaw(5000)).Raw(), -2);
  EXPECT_EQ(Currency(7).ToDouble(), 7.0);
  EXPECT_LT(Currency(-1), Currency::FromRaw(1));
  // Ten cents added ten times is exactly one, unlike with doubles.
  Currency sum;
  for (int i = 0; i < 10; ++i) sum += Currency::FromRaw(1000);
  EXPECT_EQ(sum, Currency(1));
}

TEST(Currency, FromDoubleRoundsAndRejectsWhatDoesNotFit) {
  EXPECT_EQ(Currency::FromDouble(1.5).Raw(), 15000);
  EXPECT_EQ(Currency::FromDouble(-0.12345678).Raw(), -1235);
  EXPECT_EQ(Currency::FromDouble(0.1).Raw(), 1000);
  EXPECT_EQ(Currency::FromDouble(900000000000000.0).Raw(), 9000000000000000000);
  EXPECT_THROW(Currency::FromDouble(1e15), EInvalidOp);
  EXPECT_THROW(Currency::FromDouble(-1e300), EInvalidOp);
  EXPECT_THROW(Currency::FromDouble(std::nan("")), EInvalidOp);
  EXPECT_THROW(Currency::FromDouble(INFINITY), EInvalidOp);
}

TEST(Currency, OverflowAndDivisionByZeroRaise) {
  Currency max = Currency::FromRaw(std::numeric_limits<Int64>::max());
  EXPECT_THROW(max + Currency::FromRaw(1), EIntOverflow);
  EXPECT_THROW(-max - Currency(1), EIntOverflow);
  EXPECT_THROW(-Currency::FromRaw(std::numeric_limits<Int64>::min()), EIntOverflow);
  EXPECT_THROW(max * Currency(2), EIntOverflow);
  EXPECT_THROW(Currency(1) / Currency(), EZeroDivide);
}
