// Currency: a fixed-point amount with four decimals, held as a 64-bit integer scaled by 10000
// (1.5 is stored as 15000). Sums and products are exact; overflow raises EIntOverflow.
#pragma once
#include <compare>
#include "vcl/rtl/SysTypes.h"

class Currency {
 public:
  static constexpr Int64 kScale = 10000;

  constexpr Currency() = default;
  constexpr Currency(int whole) : raw_(static_cast<Int64>(whole) * kScale) {}

  // The amount raw / 10000.
  static constexpr Currency FromRaw(Int64 raw) {
    Currency c;
    c.raw_ = raw;
    return c;
  }
  // Rounds to the nearest ten-thousandth (ties to even, as the FPU does); a value outside the range
  // of Currency, infinity or NaN raises EInvalidOp.
  static Currency FromDouble(double value);

  constexpr Int64 Raw() const { return raw_; }
  double ToDouble() const { return static_cast<double>(raw_) / static_cast<double>(kScale); }

  Currency operator-() const;
  Currency& operator+=(Currency other);
  Currency& operator-=(Currency other);
  // Products and quotients round to four decimals, ties to even. Dividing by zero raises EZeroDivide.
  Currency& operator*=(Currency other);
  Currency& operator/=(Currency other);

  friend Currency operator+(Currency a, Currency b) { return a += b; }
  friend Currency operator-(Currency a, Currency b) { return a -= b; }
  friend Currency operator*(Currency a, Currency b) { return a *= b; }
  friend Currency operator/(Currency a, Currency b) { return a /= b; }
  friend constexpr bool operator==(Currency a, Currency b) = default;
  friend constexpr std::strong_ordering operator<=>(Currency a, Currency b) = default;

 private:
  Int64 raw_ = 0;
};
