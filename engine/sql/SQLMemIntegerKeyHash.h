// A hash of numbered rows by a key of integer values, for the join's lookups: a key is a null mask
// (bit i: value i is null) followed by the values, so that null is a value of its own, equal to null.
// Rows are added in their order and come back in that order for each key. Flat arrays, open
// addressing: a look-up touches a slot and the key of the key's first row.
#pragma once
#include <cstddef>
#include <vector>

#include "vcl/rtl/SysTypes.h"

class TSQLMemIntegerKeyHash {
 public:
  // Empties the hash for keys of `values` values (at most 63), sized for about `rows` rows.
  void Reset(Integer values, std::size_t rows);
  // The words of a key: Words() of them, the null mask first.
  Integer Words() const noexcept { return words_; }
  // Adds the next row (numbered from 0 in the order of adding) under the key.
  void Add(const Int64* key);
  // The first row of the key; -1 when no row has it.
  Integer Find(const Int64* key) const;
  // The row after `row` with the same key; -1 after the last.
  Integer Next(Integer row) const { return next_[static_cast<std::size_t>(row)]; }

 private:
  // A look-up reads a slot and the key of its first row: slots are small, and the last row of each key,
  // which only adding needs, lies apart in tails_.
  struct Slot {
    Cardinal hash = 0;  // the low half of the key's hash
    Integer head = -1;  // -1: empty
  };
  UInt64 Hash(const Int64* key) const noexcept;
  bool SameKey(const Int64* key, Integer row) const noexcept;
  // The slot of the key: the one holding it, or the empty one where it goes.
  std::size_t SlotOf(const Int64* key, UInt64 hash) const noexcept;
  void Grow();

  Integer words_ = 1;
  std::vector<Slot> slots_;   // a power of two, at most half full
  std::vector<Integer> tails_;  // per slot
  std::vector<Int64> keys_;   // row r's key at r * words_
  std::vector<Integer> next_;
  std::size_t used_ = 0;
};
