#include "engine/storage/SQLMemScanConditions.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---- the intersection table as the merge is specified ----

// Each cell: the outcome for A < B, A = B, A > B. "E" empty, "A"/"B"/"both" keep, "L"/"S" the one
// with more/fewer key fields (A on a tie), "L1" L as an equality. A bracketed rule applies to A = B:
// "A[a>=b]" A when A's count is not below B's (else both), "E[a<=b]", "B[b>=a]", "E[b<=a]", "L1[=]".
// The four cells of an equality against a strict bound ("E[a>=b]", "E[b>=a]") are empty only when the
// equality has at least the bound's key fields: "= 0" over one field and "< (0, 1)" both hold for (0, 0).
const char* const kMergeTable[5][5] = {
    {"E/L/E", "A/E[a>=b]/E", "E/E[a>=b]/A", "A/A[a>=b]/E", "E/A[a>=b]/A"},
    {"E/E[b>=a]/B", "A/S/B", "E/E/both", "A/A/B", "E/E[a<=b]/both"},
    {"B/E[b>=a]/E", "both/E/E", "B/S/A", "both/E[a<=b]/E", "B/A/A"},
    {"E/B[b>=a]/B", "A/both/B", "E/E[b<=a]/both", "A/L/B", "E/L1[=]/both"},
    {"B/B[b>=a]/E", "both/E[b<=a]/E", "B/B/A", "both/L1[=]/E", "B/L/A"},
};

std::vector<std::string> Split(const std::string& s, char separator) {
  std::vector<std::string> parts;
  std::stringstream in(s);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The expected intersection for one cell entry and two counts, in the result's own terms.
std::string Expected(std::string entry, Integer countA, Integer countB) {
  const std::size_t bracket = entry.find('[');
  if (bracket != std::string::npos) {
    const std::string rule = entry.substr(bracket + 1, entry.size() - bracket - 2);
    entry = entry.substr(0, bracket);
    const bool holds = rule == "a>=b"   ? countA >= countB
                       : rule == "a<=b" ? countA <= countB
                       : rule == "b>=a" ? countB >= countA
                       : rule == "b<=a" ? countB <= countA
                                        : countA == countB;
    if (!holds) return "both";
  }
  if (entry == "L") return countA >= countB ? "A" : "B";
  if (entry == "S") return countA <= countB ? "A" : "B";
  if (entry == "L1") return countA >= countB ? "A=" : "B=";
  return entry;
}

std::string Describe(const TSQLMemConditionIntersection& r, Byte kindA, Integer countA, Byte kindB, Integer countB) {
  switch (r.Result) {
    case TSQLMemConditionIntersection::kEmpty: return "E";
    case TSQLMemConditionIntersection::kBoth: return "both";
    default: break;
  }
  const Byte kind = r.FromA ? kindA : kindB;
  const Integer count = r.FromA ? countA : countB;
  EXPECT_EQ(r.KeyFieldCount, count) << "the kept condition keeps its own key field count";
  std::string s = r.FromA ? "A" : "B";
  if (r.Kind != kind) {
    EXPECT_EQ(r.Kind, 1) << "a kept condition only ever changes into an equality";
    s += "=";
  }
  return s;
}

TEST(ScanConditions, IntersectionFollowsTheMergeTable) {
  for (Byte kindA = 1; kindA <= 5; ++kindA) {
    for (Byte kindB = 1; kindB <= 5; ++kindB) {
      const std::vector<std::string> cell = Split(kMergeTable[kindA - 1][kindB - 1], '/');
      ASSERT_EQ(cell.size(), 3u);
      for (int order = -1; order <= 1; ++order) {
        for (Integer countA = 1; countA <= 3; ++countA) {
          for (Integer countB = 1; countB <= 3; ++countB) {
            const TSQLMemConditionIntersection r = IntersectScanConditions(kindA, countA, kindB, countB, order);
            EXPECT_EQ(Describe(r, kindA, countA, kindB, countB), Expected(cell[order + 1], countA, countB))
                << "A kind " << int(kindA) << " count " << countA << ", B kind " << int(kindB) << " count "
                << countB << ", order " << order;
          }
        }
      }
    }
  }
}

TEST(ScanConditions, KindsOutsideTheTableKeepBoth) {
  EXPECT_EQ(IntersectScanConditions(0, 1, 1, 1, 0).Result, TSQLMemConditionIntersection::kBoth);
  EXPECT_EQ(IntersectScanConditions(1, 1, 6, 1, 0).Result, TSQLMemConditionIntersection::kBoth);
}

// ---- the table against what the conditions mean ----

// Keys of two columns with values 0..3; a condition over n fields compares the first n columns.
using Key = std::array<int, 2>;
constexpr int kValues = 4;

int ComparePrefix(const Key& a, const Key& b, Integer count) {
  for (Integer i = 0; i < count; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

bool Passes(const Key& record, Byte kind, Integer count, const Key& key) {
  const int c = ComparePrefix(record, key, count);
  switch (kind) {
    case 1: return c == 0;
    case 2: return c < 0;
    case 3: return c > 0;
    case 4: return c <= 0;
    default: return c >= 0;
  }
}

std::vector<Key> AllKeys() {
  std::vector<Key> keys;
  for (int x = 0; x < kValues; ++x)
    for (int y = 0; y < kValues; ++y) keys.push_back({x, y});
  return keys;
}

// Every pair of conditions over full and partial keys: an empty outcome means no key meets both, and a
// single kept condition accepts exactly the keys that meet both.
TEST(ScanConditions, IntersectionKeepsWhatBothConditionsAccept) {
  const std::vector<Key> keys = AllKeys();
  for (Byte kindA = 1; kindA <= 5; ++kindA)
    for (Byte kindB = 1; kindB <= 5; ++kindB)
      for (Integer countA = 1; countA <= 2; ++countA)
        for (Integer countB = 1; countB <= 2; ++countB)
          for (const Key& keyA : keys)
            for (const Key& keyB : keys) {
              const int order = ComparePrefix(keyA, keyB, std::min(countA, countB));
              const TSQLMemConditionIntersection r = IntersectScanConditions(kindA, countA, kindB, countB, order);
              for (const Key& record : keys) {
                const bool both = Passes(record, kindA, countA, keyA) && Passes(record, kindB, countB, keyB);
                bool kept = both;
                if (r.Result == TSQLMemConditionIntersection::kEmpty) kept = false;
                if (r.Result == TSQLMemConditionIntersection::kOne)
                  kept = Passes(record, r.Kind, r.KeyFieldCount, r.FromA ? keyA : keyB);
                ASSERT_EQ(kept, both) << "A kind " << int(kindA) << "/" << countA << " key " << keyA[0] << keyA[1]
                                      << ", B kind " << int(kindB) << "/" << countB << " key " << keyB[0]
                                      << keyB[1] << ", record " << record[0] << record[1];
              }
            }
}

// ---- merging lists of conditions ----

class MergeTest : public ::testing::Test {
 protected:
  TSQLMemScanSearchCondition Key(Integer index, Byte kind, Integer count, const ::Key& key) {
    keys_.push_back(std::make_unique<::Key>(key));
    TSQLMemScanSearchCondition c;
    c.IndexID = index;
    c.Kind = kind;
    c.KeyFieldCount = count;
    c.KeyBuffer = keys_.back().get();
    return c;
  }
  static TSQLMemScanSearchCondition Expression(std::uintptr_t tag) {
    TSQLMemScanSearchCondition c;
    c.Expression = reinterpret_cast<TSQLMemExpression*>(tag);
    return c;
  }
  static const ::Key& KeyOf(const TSQLMemScanSearchCondition& c) { return *static_cast<const ::Key*>(c.KeyBuffer); }
  TSQLMemConditionKeyCompare compare = [](const TSQLMemScanSearchCondition& a, const TSQLMemScanSearchCondition& b,
                                          Integer count) { return ComparePrefix(KeyOf(a), KeyOf(b), count); };
  // Whether a record passes every key condition of the index in the list.
  static bool PassesAll(const std::vector<TSQLMemScanSearchCondition>& list, Integer index, const ::Key& record) {
    for (const TSQLMemScanSearchCondition& c : list)
      if (IsKeyCondition(c) && c.IndexID == index && !Passes(record, c.Kind, c.KeyFieldCount, KeyOf(c))) return false;
    return true;
  }

 private:
  std::vector<std::unique_ptr<::Key>> keys_;
};

TEST_F(MergeTest, BoundsOfOneIndexCollapseAndExpressionsFollow) {
  std::vector<TSQLMemScanSearchCondition> list = {
      Expression(1),     Key(7, 5, 1, {2, 0}), Key(9, 2, 1, {3, 0}), Expression(2),
      Key(7, 4, 1, {2, 0}), Key(9, 2, 1, {3, 0}),
  };
  ASSERT_TRUE(MergeScanConditions(list, compare));
  // ">= 2" and "<= 2" on index 7 are one equality; the two "< 3" on index 9 are one.
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].IndexID, 7);
  EXPECT_EQ(list[0].Kind, 1);
  EXPECT_EQ(list[1].IndexID, 9);
  EXPECT_EQ(list[1].Kind, 2);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(list[2].Expression), 1u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(list[3].Expression), 2u);
}

TEST_F(MergeTest, AStartAboveTheEndEmptiesTheScan) {
  std::vector<TSQLMemScanSearchCondition> list = {Key(7, 5, 1, {3, 0}), Key(7, 4, 1, {1, 0})};
  EXPECT_FALSE(MergeScanConditions(list, compare));
}

TEST_F(MergeTest, RandomListsKeepTheirMeaning) {
  const unsigned seed = 20261210;
  std::mt19937 random(seed);
  const std::vector<::Key> keys = AllKeys();
  for (int round = 0; round < 3000; ++round) {
    std::vector<TSQLMemScanSearchCondition> list;
    const int n = 1 + static_cast<int>(random() % 5);
    for (int i = 0; i < n; ++i) {
      if (random() % 5 == 0) {
        list.push_back(Expression(100 + i));
        continue;
      }
      list.push_back(Key(random() % 2 == 0 ? 7 : 9, static_cast<Byte>(1 + random() % 5),
                         static_cast<Integer>(1 + random() % 2),
                         {static_cast<int>(random() % kValues), static_cast<int>(random() % kValues)}));
    }
    const std::vector<TSQLMemScanSearchCondition> original = list;
    const bool nonEmpty = MergeScanConditions(list, compare);
    for (Integer index : {7, 9}) {
      for (const ::Key& record : keys) {
        const bool before = PassesAll(original, 7, record) && PassesAll(original, 9, record);
        if (!nonEmpty) {
          ASSERT_FALSE(before) << "seed " << seed << " round " << round << ": an empty merge of a satisfiable list";
          continue;
        }
        ASSERT_EQ(PassesAll(list, index, record), PassesAll(original, index, record))
            << "seed " << seed << " round " << round << " index " << index;
      }
    }
    if (!nonEmpty) continue;
    // The expression conditions come last, in their order.
    std::vector<TSQLMemExpression*> expressionsBefore, expressionsAfter;
    for (const auto& c : original)
      if (!IsKeyCondition(c)) expressionsBefore.push_back(c.Expression);
    bool keysDone = false;
    for (const auto& c : list) {
      if (!IsKeyCondition(c)) {
        expressionsAfter.push_back(c.Expression);
        keysDone = true;
      } else {
        ASSERT_FALSE(keysDone) << "a key condition after an expression condition";
      }
    }
    EXPECT_EQ(expressionsAfter, expressionsBefore);
  }
}

}  // namespace
