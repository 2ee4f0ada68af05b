// Integer arithmetic that traps: overflow raises EIntOverflow, an out-of-range value or index
// raises ERangeError. The program's own counts, sizes and offsets go through these.
// (The engine's value layer wraps on purpose and uses the Wrapping* helpers instead.)
#pragma once
#include <concepts>
#include <limits>
#include <type_traits>
#include <utility>
#include "vcl/rtl/Exceptions.h"

[[noreturn]] void RaiseIntOverflow();
[[noreturn]] void RaiseRangeError();
[[noreturn]] void RaiseListIndexError(Int64 index);

template <std::integral T>
T CheckedAdd(T a, T b) {
  T r;
  if (__builtin_add_overflow(a, b, &r)) RaiseIntOverflow();
  return r;
}

template <std::integral T>
T CheckedSub(T a, T b) {
  T r;
  if (__builtin_sub_overflow(a, b, &r)) RaiseIntOverflow();
  return r;
}

template <std::integral T>
T CheckedMul(T a, T b) {
  T r;
  if (__builtin_mul_overflow(a, b, &r)) RaiseIntOverflow();
  return r;
}

// Converts between integer types; a value the target cannot hold raises ERangeError.
template <std::integral To, std::integral From>
To CheckedCast(From v) {
  if (!std::in_range<To>(v)) RaiseRangeError();
  return static_cast<To>(v);
}

// Raises ERangeError unless 0 <= index < count.
template <std::integral I, std::integral C>
void CheckIndex(I index, C count) {
  if (std::cmp_less(index, 0) || std::cmp_greater_equal(index, count)) RaiseRangeError();
}

// Two's-complement wrap-around arithmetic, done in unsigned types (signed overflow is undefined in C++).
template <std::integral T>
T WrappingAdd(T a, T b) {
  using U = std::make_unsigned_t<T>;
  return static_cast<T>(static_cast<U>(static_cast<U>(a) + static_cast<U>(b)));
}

template <std::integral T>
T WrappingSub(T a, T b) {
  using U = std::make_unsigned_t<T>;
  return static_cast<T>(static_cast<U>(static_cast<U>(a) - static_cast<U>(b)));
}

template <std::integral T>
T WrappingMul(T a, T b) {
  using U = std::make_unsigned_t<T>;
  return static_cast<T>(static_cast<U>(static_cast<U>(a) * static_cast<U>(b)));
}
