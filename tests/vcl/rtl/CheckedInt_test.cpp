#include "vcl/rtl/CheckedInt.h"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

TEST(CheckedInt, OverflowRaisesAtTheEdgeOnly) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(CheckedAdd<std::int32_t>(kMax - 1, 1), kMax);
  EXPECT_THROW(CheckedAdd<std::int32_t>(kMax, 1), EIntOverflow);
  EXPECT_EQ(CheckedSub<std::int32_t>(kMin + 1, 1), kMin);
  EXPECT_THROW(CheckedSub<std::int32_t>(kMin, 1), EIntOverflow);
  EXPECT_THROW(CheckedMul<std::int64_t>(std::int64_t{1} << 32, std::int64_t{1} << 31), EIntOverflow);
  EXPECT_THROW(CheckedAdd<std::uint32_t>(0xFFFFFFFFu, 1u), EIntOverflow);
}

TEST(CheckedInt, NarrowingAndIndexChecks) {
  EXPECT_EQ(CheckedCast<std::uint8_t>(255), 255);
  EXPECT_THROW(CheckedCast<std::uint8_t>(256), ERangeError);
  EXPECT_THROW(CheckedCast<std::uint32_t>(-1), ERangeError);
  EXPECT_NO_THROW(CheckIndex(0, 1));
  EXPECT_THROW(CheckIndex(1, 1), ERangeError);
  EXPECT_THROW(CheckIndex(-1, 5), ERangeError);
}

TEST(CheckedInt, WrappingHelpersWrapLikeTwosComplement) {
  EXPECT_EQ(WrappingAdd<std::int32_t>(std::numeric_limits<std::int32_t>::max(), 1),
            std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(WrappingMul<std::int32_t>(0x10000, 0x10000), 0);
  EXPECT_EQ(WrappingSub<std::uint32_t>(0u, 1u), 0xFFFFFFFFu);
}
