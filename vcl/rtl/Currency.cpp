#include "vcl/rtl/Currency.h"

#include <cmath>
#include <limits>

#include "vcl/rtl/CheckedInt.h"

namespace {

using Int128 = __int128;

// Divides with rounding to the nearest integer, ties to even.
Int128 DivRoundEven(Int128 num, Int128 den) {
  Int128 q = num / den;
  Int128 r = num % den;
  if (r == 0) return q;
  Int128 twiceR = r < 0 ? -2 * r : 2 * r;
  Int128 absDen = den < 0 ? -den : den;
  bool negative = (num < 0) != (den < 0);
  if (twiceR > absDen || (twiceR == absDen && (q % 2 != 0))) q += negative ? -1 : 1;
  return q;
}

Int64 ToInt64Checked(Int128 v) {
  if (v > std::numeric_limits<Int64>::max() || v < std::numeric_limits<Int64>::min()) RaiseIntOverflow();
  return static_cast<Int64>(v);
}

}  // namespace

Currency Currency::FromDouble(double value) {
  double scaled = std::nearbyint(value * static_cast<double>(kScale));
  // 2^63 is exactly representable; anything at or beyond it (or NaN) does not fit.
  if (!(scaled < 9223372036854775808.0 && scaled >= -9223372036854775808.0))
    throw EInvalidOp("Invalid floating point operation");
  return FromRaw(static_cast<Int64>(scaled));
}

Currency Currency::operator-() const {
  if (raw_ == std::numeric_limits<Int64>::min()) RaiseIntOverflow();
  return FromRaw(-raw_);
}

Currency& Currency::operator+=(Currency other) {
  raw_ = CheckedAdd(raw_, other.raw_);
  return *this;
}

Currency& Currency::operator-=(Currency other) {
  raw_ = CheckedSub(raw_, other.raw_);
  return *this;
}

Currency& Currency::operator*=(Currency other) {
  raw_ = ToInt64Checked(DivRoundEven(static_cast<Int128>(raw_) * other.raw_, kScale));
  return *this;
}

Currency& Currency::operator/=(Currency other) {
  if (other.raw_ == 0) throw EZeroDivide("Floating point division by zero");
  raw_ = ToInt64Checked(DivRoundEven(static_cast<Int128>(raw_) * kScale, other.raw_));
  return *this;
}
