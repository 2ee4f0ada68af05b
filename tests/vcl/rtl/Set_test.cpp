#include "vcl/rtl/Set.h"

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"

namespace {

enum TColor3 { cRed = 0, cGreen = 1, cBlue = 2 };
using TColors = TSet<TColor3, 3>;

enum TWide { w0 = 0, w63 = 63, w64 = 64, w200 = 200, w255 = 255 };
using TWideSet = TSet<TWide, 256>;

}  // namespace

TEST(Set, SetAlgebra) {
  const TColors warm{cRed};
  const TColors mixed{cRed, cBlue};
  EXPECT_TRUE(TColors{}.Empty());
  EXPECT_EQ(warm + TColors{cGreen}, (TColors{cRed, cGreen}));
  EXPECT_EQ(mixed - warm, TColors{cBlue});
  EXPECT_EQ((mixed * TColors{cBlue, cGreen}), TColors{cBlue});
  EXPECT_TRUE(warm.SubsetOf(mixed));
  EXPECT_FALSE(mixed.SubsetOf(warm));
  EXPECT_EQ(mixed.Count(), 2);
  TColors s;
  s.Include(cGreen).Include(cGreen).Exclude(cRed);
  EXPECT_EQ(s, TColors{cGreen});
  EXPECT_FALSE(s.Contains(cRed));
}

TEST(Set, ElementsAcrossWordBoundaries) {
  TWideSet s{w0, w63, w64, w255};
  EXPECT_TRUE(s.Contains(w63));
  EXPECT_TRUE(s.Contains(w64));
  EXPECT_TRUE(s.Contains(w255));
  EXPECT_FALSE(s.Contains(w200));
  EXPECT_EQ(s.Count(), 4);
  s.Exclude(w64);
  EXPECT_FALSE(s.Contains(w64));
  EXPECT_TRUE(s.Contains(w63));
}

TEST(Set, OrdinalOutsideTheSetRaises) {
  TColors s;
  EXPECT_THROW(s.Include(static_cast<TColor3>(3)), ERangeError);
  EXPECT_THROW((void)s.Contains(static_cast<TColor3>(-1)), ERangeError);
}
