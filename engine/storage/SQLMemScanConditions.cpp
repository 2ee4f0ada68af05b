#include "engine/storage/SQLMemScanConditions.h"

#include <algorithm>

namespace {

// What one cell of the intersection table keeps. The conditional cells apply to equal keys only and
// fall back to keeping both when their count rule does not hold.
enum Keep : Byte {
  kE,              // empty scan
  kA,              // A alone
  kB,              // B alone
  kBoth,           // both
  kL,              // the one with more key fields (A on a tie)
  kS,              // the one with fewer key fields (A on a tie)
  kL1,             // kL turned into an equality
  kAIfANotBelowB,  // A when A's count is not below B's
  kEIfANotAboveB,  // empty when A's count is not above B's
  kEIfANotBelowB,  // empty when A's count is not below B's
  kBIfBNotBelowA,  // B when B's count is not below A's
  kEIfBNotAboveA,  // empty when B's count is not above A's
  kEIfBNotBelowA,  // empty when B's count is not below A's
  kL1IfEqual,      // kL1 when the counts are equal
};

struct Cell {
  Keep less, equal, greater;  // A's key below, equal to, above B's
};

// Rows: A's kind 1..5 (= < > <= >=); columns: B's kind. An equality meets a strict bound with the same
// leading key only when the equality is over fewer fields ("= 5" and "< (5, 1)" both hold for (5, 0)),
// so that pair is empty only when the equality has at least the bound's fields.
constexpr Cell kTable[5][5] = {
    {{kE, kL, kE}, {kA, kEIfANotBelowB, kE}, {kE, kEIfANotBelowB, kA}, {kA, kAIfANotBelowB, kE}, {kE, kAIfANotBelowB, kA}},
    {{kE, kEIfBNotBelowA, kB}, {kA, kS, kB}, {kE, kE, kBoth}, {kA, kA, kB}, {kE, kEIfANotAboveB, kBoth}},
    {{kB, kEIfBNotBelowA, kE}, {kBoth, kE, kE}, {kB, kS, kA}, {kBoth, kEIfANotAboveB, kE}, {kB, kA, kA}},
    {{kE, kBIfBNotBelowA, kB}, {kA, kBoth, kB}, {kE, kEIfBNotAboveA, kBoth}, {kA, kL, kB}, {kE, kL1IfEqual, kBoth}},
    {{kB, kBIfBNotBelowA, kE}, {kBoth, kEIfBNotAboveA, kE}, {kB, kB, kA}, {kBoth, kL1IfEqual, kE}, {kB, kL, kA}},
};

Keep Resolve(Keep keep, Integer countA, Integer countB) {
  switch (keep) {
    case kAIfANotBelowB: return countA >= countB ? kA : kBoth;
    case kEIfANotAboveB: return countA <= countB ? kE : kBoth;
    case kEIfANotBelowB: return countA >= countB ? kE : kBoth;
    case kBIfBNotBelowA: return countB >= countA ? kB : kBoth;
    case kEIfBNotAboveA: return countB <= countA ? kE : kBoth;
    case kEIfBNotBelowA: return countB >= countA ? kE : kBoth;
    case kL1IfEqual: return countA == countB ? kL1 : kBoth;
    default: return keep;
  }
}

TSQLMemConditionIntersection KeepOne(bool fromA, Byte kind, Integer count) {
  TSQLMemConditionIntersection result;
  result.Result = TSQLMemConditionIntersection::kOne;
  result.FromA = fromA;
  result.Kind = kind;
  result.KeyFieldCount = count;
  return result;
}

bool SameIndex(const TSQLMemScanSearchCondition& a, const TSQLMemScanSearchCondition& b) { return a.IndexID == b.IndexID; }

}  // namespace

TSQLMemConditionIntersection IntersectScanConditions(Byte kindA, Integer countA, Byte kindB, Integer countB, int order) {
  TSQLMemConditionIntersection result;
  if (kindA < 1 || kindA > 5 || kindB < 1 || kindB > 5) return result;
  const Cell& cell = kTable[kindA - 1][kindB - 1];
  const Keep keep = Resolve(order < 0 ? cell.less : order > 0 ? cell.greater : cell.equal, countA, countB);
  const bool longerIsA = countA >= countB;
  const bool shorterIsA = countA <= countB;
  switch (keep) {
    case kE:
      result.Result = TSQLMemConditionIntersection::kEmpty;
      return result;
    case kA: return KeepOne(true, kindA, countA);
    case kB: return KeepOne(false, kindB, countB);
    case kL: return longerIsA ? KeepOne(true, kindA, countA) : KeepOne(false, kindB, countB);
    case kS: return shorterIsA ? KeepOne(true, kindA, countA) : KeepOne(false, kindB, countB);
    case kL1: return KeepOne(longerIsA, 1, longerIsA ? countA : countB);
    default: return result;
  }
}

bool MergeScanConditions(std::vector<TSQLMemScanSearchCondition>& conditions, const TSQLMemConditionKeyCompare& compare) {
  std::vector<TSQLMemScanSearchCondition> keys;
  std::vector<TSQLMemScanSearchCondition> expressions;
  for (const TSQLMemScanSearchCondition& c : conditions) (IsKeyCondition(c) ? keys : expressions).push_back(c);

  // The indexes in the order of their first condition.
  std::vector<Integer> indexes;
  for (const TSQLMemScanSearchCondition& c : keys)
    if (std::find(indexes.begin(), indexes.end(), c.IndexID) == indexes.end()) indexes.push_back(c.IndexID);

  std::vector<TSQLMemScanSearchCondition> merged;
  for (Integer index : indexes) {
    const std::size_t first = merged.size();
    for (const TSQLMemScanSearchCondition& b : keys) {
      if (b.IndexID != index) continue;
      bool replaced = false;
      for (std::size_t i = first; i < merged.size(); ++i) {
        TSQLMemScanSearchCondition& a = merged[i];
        const int order = compare(a, b, std::min(a.KeyFieldCount, b.KeyFieldCount));
        const TSQLMemConditionIntersection r = IntersectScanConditions(a.Kind, a.KeyFieldCount, b.Kind, b.KeyFieldCount, order);
        if (r.Result == TSQLMemConditionIntersection::kEmpty) return false;
        if (r.Result != TSQLMemConditionIntersection::kOne) continue;
        if (!r.FromA) a = b;
        a.Kind = r.Kind;
        a.KeyFieldCount = r.KeyFieldCount;
        replaced = true;
      }
      if (!replaced) merged.push_back(b);
    }
  }

  // One of each set of equal conditions.
  std::vector<TSQLMemScanSearchCondition> result;
  for (const TSQLMemScanSearchCondition& c : merged) {
    const bool seen = std::any_of(result.begin(), result.end(), [&](const TSQLMemScanSearchCondition& r) {
      return SameIndex(r, c) && r.Kind == c.Kind && r.KeyFieldCount == c.KeyFieldCount &&
             compare(r, c, c.KeyFieldCount) == 0;
    });
    if (!seen) result.push_back(c);
  }
  result.insert(result.end(), expressions.begin(), expressions.end());
  conditions = std::move(result);
  return true;
}
