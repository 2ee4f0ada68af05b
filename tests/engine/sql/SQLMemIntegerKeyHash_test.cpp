// The join's hash of rows by integer keys: every row comes back under its key, in the order of adding,
// also after the table grew past the size it was given; a null is equal only to a null.
#include "engine/sql/SQLMemIntegerKeyHash.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// The rows of a key, in the hash's order.
std::vector<Integer> RowsOf(const TSQLMemIntegerKeyHash& hash, const std::vector<Int64>& key) {
  std::vector<Integer> rows;
  for (Integer row = hash.Find(key.data()); row >= 0; row = hash.Next(row)) rows.push_back(row);
  return rows;
}

TEST(IntegerKeyHash, EveryRowComesBackUnderItsKeyInOrderAfterGrowing) {
  TSQLMemIntegerKeyHash hash;
  hash.Reset(2, 0);  // sized for nothing: every slot comes from growing
  std::map<std::vector<Int64>, std::vector<Integer>> expected;
  for (Integer row = 0; row < 5000; ++row) {
    // Two values; some nulls (mask bit set, value 0), keys repeating with different periods.
    const Int64 nulls = row % 11 == 0 ? 1 : (row % 13 == 0 ? 2 : 0);
    const std::vector<Int64> key{nulls, nulls & 1 ? 0 : Int64{row % 97} * 1000003, nulls & 2 ? 0 : -(row % 5)};
    hash.Add(key.data());
    expected[key].push_back(row);
  }
  for (const auto& [key, rows] : expected) EXPECT_EQ(RowsOf(hash, key), rows);
  EXPECT_EQ(hash.Find(std::vector<Int64>{0, 98 * 1000003, 0}.data()), -1);
  // A null and a zero are different values.
  hash.Reset(1, 4);
  hash.Add(std::vector<Int64>{1, 0}.data());
  hash.Add(std::vector<Int64>{0, 0}.data());
  EXPECT_EQ(RowsOf(hash, {1, 0}), std::vector<Integer>{0});
  EXPECT_EQ(RowsOf(hash, {0, 0}), std::vector<Integer>{1});
}

}  // namespace
