#include "vcl/rtl/Lists.h"

#include <algorithm>
#include <limits>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

namespace detail {

void RaiseListError(const char* format, Int64 data) { throw EListError(Format(format, {data})); }

void StableSortIndexes(std::vector<int>& order, const std::function<bool(int, int)>& less) {
  // Bottom-up merge sort: every loop is bounded by the run limits, not by the comparator's answers.
  const std::size_t n = order.size();
  std::vector<int> merged(n);
  for (std::size_t width = 1; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      const std::size_t mid = std::min(lo + width, n);
      const std::size_t hi = std::min(lo + 2 * width, n);
      std::size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) merged[k++] = less(order[j], order[i]) ? order[j++] : order[i++];
      while (i < mid) merged[k++] = order[i++];
      while (j < hi) merged[k++] = order[j++];
    }
    order.swap(merged);
  }
}

}  // namespace detail

namespace {

[[noreturn]] void RaiseBitsError() { throw EBitsError("Bits index out of range"); }

}  // namespace

void TBits::SetSize(int value) {
  if (value < 0) RaiseBitsError();
  if (value < size_ && value % 64 != 0) {
    // Bits past the end stay clear, so that growing again shows zeros (whole words go with resize).
    words_[static_cast<std::size_t>(value / 64)] &= (std::uint64_t{1} << (value % 64)) - 1;
  }
  words_.resize((static_cast<std::size_t>(value) + 63) / 64, 0);
  size_ = value;
}

bool TBits::Bits(int index) const {
  if (index < 0 || index >= size_) RaiseBitsError();
  return (words_[static_cast<std::size_t>(index / 64)] >> (index % 64)) & 1u;
}

void TBits::SetBits(int index, bool value) {
  if (index < 0) RaiseBitsError();
  if (index >= size_) {
    if (index == std::numeric_limits<int>::max()) RaiseBitsError();
    SetSize(index + 1);
  }
  std::uint64_t& word = words_[static_cast<std::size_t>(index / 64)];
  const std::uint64_t mask = std::uint64_t{1} << (index % 64);
  word = value ? (word | mask) : (word & ~mask);
}

int TBits::OpenBit() const {
  for (std::size_t w = 0; w < words_.size(); ++w) {
    if (words_[w] == ~std::uint64_t{0}) continue;
    const int index = static_cast<int>(w * 64) + __builtin_ctzll(~words_[w]);
    return std::min(index, size_);
  }
  return size_;
}
