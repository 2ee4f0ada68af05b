// A small set of enumeration values, the counterpart of the component library's "set of" types
// (component state, options, styles). Elements are the enumerators 0 .. Size-1 of E; an ordinal
// outside that range raises ERangeError. Copyable value type, one bit per element.
#pragma once
#include <array>
#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include "vcl/rtl/CheckedInt.h"

template <typename E, int Size>
class TSet {
  static_assert(std::is_enum_v<E>, "TSet holds enumeration values");
  static_assert(Size > 0 && Size <= 256, "a set holds 1 to 256 elements");

 public:
  static constexpr int kSize = Size;

  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }

  constexpr bool Contains(E e) const {
    const int o = Ordinal(e);
    return (words_[o / 64] >> (o % 64)) & 1u;
  }
  constexpr TSet& Include(E e) {
    const int o = Ordinal(e);
    words_[o / 64] |= std::uint64_t{1} << (o % 64);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    const int o = Ordinal(e);
    words_[o / 64] &= ~(std::uint64_t{1} << (o % 64));
    return *this;
  }
  constexpr bool Empty() const {
    for (auto w : words_)
      if (w != 0) return false;
    return true;
  }
  constexpr int Count() const {
    int n = 0;
    for (auto w : words_) n += __builtin_popcountll(w);
    return n;
  }
  // True when every element of this set is in `other`.
  constexpr bool SubsetOf(const TSet& other) const { return (*this - other).Empty(); }

  constexpr TSet& operator+=(const TSet& o) {  // union
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] |= o.words_[i];
    return *this;
  }
  constexpr TSet& operator-=(const TSet& o) {  // difference
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] &= ~o.words_[i];
    return *this;
  }
  constexpr TSet& operator*=(const TSet& o) {  // intersection
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] &= o.words_[i];
    return *this;
  }
  friend constexpr TSet operator+(TSet a, const TSet& b) { return a += b; }
  friend constexpr TSet operator-(TSet a, const TSet& b) { return a -= b; }
  friend constexpr TSet operator*(TSet a, const TSet& b) { return a *= b; }
  friend constexpr bool operator==(const TSet&, const TSet&) = default;

 private:
  static constexpr int Ordinal(E e) {
    const auto o = static_cast<long long>(e);
    if (o < 0 || o >= Size) RaiseRangeError();
    return static_cast<int>(o);
  }

  std::array<std::uint64_t, (Size + 63) / 64> words_{};
};
