#include "engine/sql/SQLMemIntegerKeyHash.h"

#include <algorithm>
#include <cstring>

void TSQLMemIntegerKeyHash::Reset(Integer values, std::size_t rows) {
  words_ = values + 1;
  std::size_t size = 16;
  while (size < rows * 2) size *= 2;
  slots_.assign(size, Slot{});
  tails_.assign(size, -1);
  keys_.clear();
  keys_.reserve(rows * static_cast<std::size_t>(words_));
  next_.clear();
  next_.reserve(rows);
  used_ = 0;
}

UInt64 TSQLMemIntegerKeyHash::Hash(const Int64* key) const noexcept {
  UInt64 h = 0x9E3779B97F4A7C15ull;
  for (Integer i = 0; i < words_; ++i) {
    h ^= static_cast<UInt64>(key[i]) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    // The finaliser of splitmix64: every bit of the words reaches the slot number.
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    h ^= h >> 31;
  }
  return h;
}

bool TSQLMemIntegerKeyHash::SameKey(const Int64* key, Integer row) const noexcept {
  return std::memcmp(key, keys_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(words_),
                     static_cast<std::size_t>(words_) * sizeof(Int64)) == 0;
}

std::size_t TSQLMemIntegerKeyHash::SlotOf(const Int64* key, UInt64 hash) const noexcept {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.head == -1 || (slot.hash == static_cast<Cardinal>(hash) && SameKey(key, slot.head))) return i;
  }
}

void TSQLMemIntegerKeyHash::Grow() {
  std::vector<Slot> old(slots_.size() * 2);
  std::vector<Integer> oldTails(old.size(), -1);
  old.swap(slots_);
  oldTails.swap(tails_);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = 0; s < old.size(); ++s) {
    if (old[s].head == -1) continue;
    // The slot number comes from the whole hash: the key of the first row gives it again.
    const Int64* key = keys_.data() + static_cast<std::size_t>(old[s].head) * static_cast<std::size_t>(words_);
    std::size_t i = static_cast<std::size_t>(Hash(key)) & mask;
    while (slots_[i].head != -1) i = (i + 1) & mask;
    slots_[i] = old[s];
    tails_[i] = oldTails[s];
  }
}

void TSQLMemIntegerKeyHash::Add(const Int64* key) {
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  const auto row = static_cast<Integer>(next_.size());
  keys_.insert(keys_.end(), key, key + words_);
  next_.push_back(-1);
  const UInt64 hash = Hash(key);
  const std::size_t i = SlotOf(key, hash);
  if (slots_[i].head == -1) {
    slots_[i] = Slot{static_cast<Cardinal>(hash), row};
    ++used_;
  } else {
    next_[static_cast<std::size_t>(tails_[i])] = row;
  }
  tails_[i] = row;
}

Integer TSQLMemIntegerKeyHash::Find(const Int64* key) const {
  if (slots_.empty()) return -1;
  return slots_[SlotOf(key, Hash(key))].head;
}
