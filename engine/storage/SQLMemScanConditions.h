// Merging the key conditions of one table scan: two bounds on the same index are intersected, so that
// the scan keeps the fewest conditions that still select the same records, and a pair that no key can
// meet empties the scan before any record is read.
//
// A key condition compares a record's key on an index, over its first KeyFieldCount columns, with the
// condition's key (kinds: 1 equal, 2 less, 3 greater, 4 less or equal, 5 greater or equal). Two
// conditions are compared over the smaller of their key field counts, so a partial key is a prefix.
#pragma once
#include <functional>
#include <vector>

#include "engine/foundation/SQLMemArrays.h"

// The outcome of intersecting condition A (already kept) with condition B (arriving).
struct TSQLMemConditionIntersection {
  enum Outcome : Byte {
    kEmpty = 0,  // no key meets both: the scan is empty
    kOne = 1,    // one condition says it all (Kind and KeyFieldCount below, taken from A or from B)
    kBoth = 2,   // both are kept
  };
  Outcome Result = kBoth;
  bool FromA = false;          // with kOne: the kept condition is A (else B)
  Byte Kind = 0;               // with kOne: the kept condition's kind (an equality for "<=" with ">=")
  Integer KeyFieldCount = 0;   // with kOne: the kept condition's key field count
};

// Intersects A (kindA over countA key fields) with B, where order is the sign of comparing A's key with
// B's key over min(countA, countB) fields (-1: A < B, 0: equal, 1: A > B). Kinds outside 1..5 keep both.
TSQLMemConditionIntersection IntersectScanConditions(Byte kindA, Integer countA, Byte kindB, Integer countB, int order);

// Compares the keys of two conditions on one index over their first keyFieldCount fields: -1, 0, 1.
using TSQLMemConditionKeyCompare =
    std::function<int(const TSQLMemScanSearchCondition& a, const TSQLMemScanSearchCondition& b, Integer keyFieldCount)>;

// Whether the condition compares a key on an index (otherwise it evaluates an expression).
inline bool IsKeyCondition(const TSQLMemScanSearchCondition& condition) {
  return condition.IndexID != -1 && condition.KeyBuffer != nullptr && condition.Kind >= 1 && condition.Kind <= 5;
}

// Merges the key conditions index by index, in the order in which the indexes first appear: each one,
// in order, is intersected with every condition of its index already kept; a single survivor replaces
// the kept one and the new one is dropped, otherwise the new one is kept too. Then duplicates (same
// index, kind, count and key) are dropped, and the expression conditions follow in their order. The
// answer is false, with conditions unspecified, when the intersection proves the scan empty. Key
// buffers are borrowed: the merge copies conditions, never keys.
bool MergeScanConditions(std::vector<TSQLMemScanSearchCondition>& conditions, const TSQLMemConditionKeyCompare& compare);
