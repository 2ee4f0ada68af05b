#include "engine/foundation/SQLMemArrays.h"

#include <gtest/gtest.h>

#include "engine/foundation/EngineTestSupport.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <random>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/Stream.h"

namespace {

// Every engine block that a test's objects take is given back when they are gone.
class EngineArrays : public EngineBlocksTest {};

// ---- the growth rule, shared by the integer, int64 and record identifier arrays ----

template <class Array>
struct Items;
template <>
struct Items<TSQLMemIntegerArray> {
  static Integer Make(int i) { return 1000 + i; }
};
template <>
struct Items<TSQLMemInt64Array> {
  static Int64 Make(int i) { return (Int64{1} << 40) + i; }
};
template <>
struct Items<TSQLMemRecordIDArray> {
  static TSQLMemRecordID Make(int i) { return {i, static_cast<Word>(i * 7)}; }
};

template <class Array>
class GrowthRule : public EngineArrays {};
using GrowableArrays = ::testing::Types<TSQLMemIntegerArray, TSQLMemInt64Array, TSQLMemRecordIDArray>;
TYPED_TEST_SUITE(GrowthRule, GrowableArrays);

TYPED_TEST(GrowthRule, AppendingDoublesTheStepUpToTheMaximum) {
  struct Case {
    int count;
    int capacity;
  };
  // Created with initial size 0, step 10, maximum step 100.
  const Case cases[] = {{1, 20}, {20, 20}, {21, 60}, {60, 60}, {61, 140}, {140, 140}, {141, 240}, {241, 340}};
  TypeParam a(0, 10, 100);
  EXPECT_EQ(a.Capacity(), 0);
  int appended = 0;
  for (const Case& c : cases) {
    while (appended < c.count) a.Append(Items<TypeParam>::Make(appended++));
    EXPECT_EQ(a.Count(), c.count);
    EXPECT_EQ(a.Capacity(), c.capacity) << "after " << c.count << " appends";
  }
  for (int i = 0; i < appended; ++i) ASSERT_EQ(a.GetItem(i), Items<TypeParam>::Make(i)) << i;
}

TYPED_TEST(GrowthRule, SetSizeCutsStorageOnlyPastTheShrinkStep) {
  struct Case {
    int size;
    int capacity;
    int shrinkStep;
  };
  // Step 10, maximum 100. Growing to 100 doubles the grow step to 20 but takes exactly 100; shrinking
  // cuts the storage when more than the shrink step would stay unused, doubling the shrink step.
  const Case cases[] = {{100, 100, 10}, {95, 100, 10}, {50, 50, 20}, {35, 50, 20},
                        {20, 20, 40},   {0, 0, 40},    {1, 40, 40}};
  TypeParam a(0, 10, 100);
  for (const Case& c : cases) {
    a.SetSize(c.size);
    EXPECT_EQ(a.Count(), c.size);
    EXPECT_EQ(a.Capacity(), c.capacity) << "SetSize(" << c.size << ")";
    EXPECT_EQ(a.ShrinkStep(), c.shrinkStep) << "SetSize(" << c.size << ")";
  }
  EXPECT_EQ(a.GrowStep(), 40);
}

TYPED_TEST(GrowthRule, ItemsSurviveResizesAndNewItemsAreZero) {
  TypeParam a(0, 10, 100);
  for (int i = 0; i < 30; ++i) a.Append(Items<TypeParam>::Make(i));
  a.SetSize(12);  // capacity 60 - 12 > 10: the storage is cut
  EXPECT_EQ(a.Capacity(), 12);
  a.SetSize(5);  // kept storage
  EXPECT_EQ(a.Capacity(), 12);
  a.SetSize(12);  // the items 5..11 come back zero, not with their old values
  a.SetSize(300);
  const auto zero = decltype(Items<TypeParam>::Make(0)){};
  for (int i = 0; i < 300; ++i) ASSERT_EQ(a.GetItem(i), i < 5 ? Items<TypeParam>::Make(i) : zero) << i;
}

TYPED_TEST(GrowthRule, DeleteClosesTheGapAndKeepsTheStorage) {
  TypeParam a(0, 10, 100);
  for (int i = 0; i < 6; ++i) a.Append(Items<TypeParam>::Make(i));
  const auto capacity = a.Capacity();
  a.Delete(5);  // the last: only the count drops
  a.Delete(0);
  a.Delete(1);
  ASSERT_EQ(a.Count(), 3);
  EXPECT_EQ(a.GetItem(0), Items<TypeParam>::Make(1));
  EXPECT_EQ(a.GetItem(1), Items<TypeParam>::Make(3));
  EXPECT_EQ(a.GetItem(2), Items<TypeParam>::Make(4));
  EXPECT_EQ(a.Capacity(), capacity);
}

TYPED_TEST(GrowthRule, IndexesOutsideTheItemsAreRangeErrors) {
  TypeParam a(0, 10, 100);
  a.Append(Items<TypeParam>::Make(0));
  a.Append(Items<TypeParam>::Make(1));
  for (int index : {-1, 2, 1000}) {
    EXPECT_THROW(a.GetItem(index), ERangeError) << index;
    EXPECT_THROW(a.SetItem(index, Items<TypeParam>::Make(9)), ERangeError) << index;
    EXPECT_THROW(a.Delete(index), ERangeError) << index;
  }
  EXPECT_THROW(a.SetSize(-1), ERangeError);
  EXPECT_EQ(a.Count(), 2);
}

TEST_F(EngineArrays, IntegerIndexOfFindsTheFirstMatch) {
  TSQLMemIntegerArray a(0, 10, 100);
  for (Integer v : {7, -3, 7, 0}) a.Append(v);
  EXPECT_EQ(a.IndexOf(7), 0);
  EXPECT_EQ(a.IndexOf(-3), 1);
  EXPECT_EQ(a.IndexOf(0), 3);
  EXPECT_EQ(a.IndexOf(8), -1);
  EXPECT_TRUE(a.Contains(-3));
  EXPECT_FALSE(a.Contains(1));

  TSQLMemInt64Array b(0, 10, 100);
  for (Int64 v : {Int64{1} << 33, Int64{1}, Int64{1} << 33}) b.Append(v);
  EXPECT_EQ(b.IndexOf(Int64{1} << 33), 0);
  EXPECT_EQ(b.IndexOf(Int64{1} << 32), -1);  // not confused with the low half
}

TEST_F(EngineArrays, InitialSizeGivesZeroItems) {
  TSQLMemIntegerArray a(5, 10, 100);
  ASSERT_EQ(a.Count(), 5);
  for (Integer i = 0; i < 5; ++i) EXPECT_EQ(a.GetItem(i), 0);
}

// ---- record identifiers ----

TEST_F(EngineArrays, RecordIdIsSixLittleEndianBytes) {
  Byte bytes[6];
  StoreRecordID(bytes, {0x04030201, 0x0605});
  const Byte expected[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(0, std::memcmp(bytes, expected, 6));
  EXPECT_EQ(LoadRecordID(bytes), (TSQLMemRecordID{0x04030201, 0x0605}));
  StoreRecordID(bytes, {-2, 0xFFFE});
  EXPECT_EQ(LoadRecordID(bytes), (TSQLMemRecordID{-2, 0xFFFE}));
}

enum class Mode { Default, PageOnly, OneNumber };

void SetMode(TSQLMemRecordIDArray& a, Mode mode) {
  a.SetCompareByPageOnly(mode == Mode::PageOnly);
  a.SetCompareAsOneNumber(mode == Mode::OneNumber);
}

const char* ModeName(Mode m) {
  return m == Mode::Default ? "default" : m == Mode::PageOnly ? "page only" : "one number";
}

TEST_F(EngineArrays, RecordIdComparisonFollowsTheMode) {
  struct Case {
    TSQLMemRecordID a, b;
    int byDefault, byPageOnly, byOneNumber;
  };
  const Case cases[] = {
      {{1, 5}, {2, 0}, -1, -1, 1},            // the item number ranks above the record number as one number
      {{1, 5}, {1, 3}, 1, 0, 1},              // page only ignores the item number
      {{7, 2}, {7, 2}, 0, 0, 0},
      {{-1, 0}, {1, 0}, -1, -1, 1},           // record numbers signed, except as one number
      {{3, 0x8000}, {3, 1}, -1, 0, 1},        // item numbers signed by default, unsigned as one number
      {{0x7FFFFFFF, 0}, {-0x7FFFFFFF - 1, 0}, 1, 1, -1},
  };
  TSQLMemRecordIDArray a(0, 10, 100);
  for (const Case& c : cases) {
    for (Mode m : {Mode::Default, Mode::PageOnly, Mode::OneNumber}) {
      SetMode(a, m);
      const int expected = m == Mode::Default ? c.byDefault : m == Mode::PageOnly ? c.byPageOnly : c.byOneNumber;
      EXPECT_EQ(a.CompareItems(c.a, c.b), expected)
          << ModeName(m) << " (" << c.a.RecordNo << "," << c.a.ItemNo << ") vs (" << c.b.RecordNo << "," << c.b.ItemNo
          << ")";
      EXPECT_EQ(a.CompareItems(c.b, c.a), -expected) << ModeName(m);
    }
  }
  // Compare-by-page-only wins when both flags are set.
  a.SetCompareByPageOnly(true);
  a.SetCompareAsOneNumber(true);
  EXPECT_EQ(a.CompareItems({1, 5}, {2, 0}), -1);
}

std::vector<TSQLMemRecordID> Contents(const TSQLMemRecordIDArray& a) {
  std::vector<TSQLMemRecordID> v;
  for (Integer i = 0; i < a.Count(); ++i) v.push_back(a.GetItem(i));
  return v;
}

void Fill(TSQLMemRecordIDArray& a, const std::vector<TSQLMemRecordID>& ids) {
  a.SetSize(0);
  for (const auto& id : ids) a.Append(id);
}

TEST_F(EngineArrays, SortOrdersEveryInputShapeInEveryMode) {
  const unsigned seed = 20240611;
  std::mt19937 random(seed);
  auto randomId = [&](int range) {
    return TSQLMemRecordID{static_cast<Integer>(random() % range) - range / 2, static_cast<Word>(random() % 4 * 0x4001)};
  };
  struct Shape {
    const char* name;
    std::function<std::vector<TSQLMemRecordID>(int)> make;
  };
  const Shape shapes[] = {
      {"sorted", [](int n) { std::vector<TSQLMemRecordID> v; for (int i = 0; i < n; ++i) v.push_back({i, 0}); return v; }},
      {"reverse", [](int n) { std::vector<TSQLMemRecordID> v; for (int i = n; i > 0; --i) v.push_back({i, 1}); return v; }},
      {"equal", [](int n) { return std::vector<TSQLMemRecordID>(n, TSQLMemRecordID{5, 5}); }},
      {"equal records, items differ", [&](int n) { std::vector<TSQLMemRecordID> v; for (int i = 0; i < n; ++i) v.push_back({5, static_cast<Word>(random())}); return v; }},
      {"organ pipe", [](int n) { std::vector<TSQLMemRecordID> v; for (int i = 0; i < n; ++i) v.push_back({std::min(i, n - i), 0}); return v; }},
      {"few distinct", [&](int n) { std::vector<TSQLMemRecordID> v; for (int i = 0; i < n; ++i) v.push_back(randomId(3)); return v; }},
      {"random", [&](int n) { std::vector<TSQLMemRecordID> v; for (int i = 0; i < n; ++i) v.push_back(randomId(1 << 20)); return v; }},
  };
  TSQLMemRecordIDArray a(0, 10, 100);
  for (Mode m : {Mode::Default, Mode::PageOnly, Mode::OneNumber}) {
    SetMode(a, m);
    for (const Shape& shape : shapes) {
      for (int n : {0, 1, 2, 3, 11, 100, 2000}) {
        const auto input = shape.make(n);
        Fill(a, input);
        a.SetSorted(false);
        a.Sort();
        EXPECT_TRUE(a.Sorted());
        auto sorted = Contents(a);
        auto less = [&](const TSQLMemRecordID& x, const TSQLMemRecordID& y) { return a.CompareItems(x, y) < 0; };
        ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), less))
            << ModeName(m) << ", " << shape.name << ", n = " << n << ", seed " << seed;
        // The same items, none lost or doubled.
        auto byBytes = [](const TSQLMemRecordID& x, const TSQLMemRecordID& y) {
          return std::tie(x.RecordNo, x.ItemNo) < std::tie(y.RecordNo, y.ItemNo);
        };
        auto expected = input;
        std::sort(expected.begin(), expected.end(), byBytes);
        std::sort(sorted.begin(), sorted.end(), byBytes);
        ASSERT_EQ(sorted, expected) << ModeName(m) << ", " << shape.name << ", n = " << n << ", seed " << seed;
      }
    }
  }
}

// Every present identifier is found where it is, every absent one (between, below and above the
// items) is reported as -1, for counts on both sides of the switch from linear to binary search.
TEST_F(EngineArrays, IndexOfFindsPresentAndRejectsMissingIdsAtEveryCount) {
  TSQLMemRecordIDArray a(0, 10, 100);
  for (Mode m : {Mode::Default, Mode::PageOnly, Mode::OneNumber}) {
    SetMode(a, m);
    for (int n = 0; n <= 70; ++n) {
      std::vector<TSQLMemRecordID> ids;
      // Even record numbers; as one number the item decides, so give every id its own item number.
      for (int i = 0; i < n; ++i) ids.push_back({2 * i, static_cast<Word>(m == Mode::OneNumber ? 2 * i : 0)});
      Fill(a, ids);
      a.Sort();
      for (int i = 0; i < n; ++i) ASSERT_EQ(a.IndexOf(a.GetItem(i)), i) << ModeName(m) << ", n = " << n;
      for (int i = -1; i <= n; ++i) {
        const TSQLMemRecordID missing{2 * i + 1, static_cast<Word>(m == Mode::OneNumber ? 2 * i + 1 : 0)};
        ASSERT_EQ(a.IndexOf(missing), -1) << ModeName(m) << ", n = " << n << ", missing " << missing.RecordNo;
      }
      ASSERT_EQ(a.IndexOf({-100, 0}), -1);
      ASSERT_EQ(a.IndexOf({1000, 0}), -1);
    }
  }
}

TEST_F(EngineArrays, IndexOfSwitchesToTheBinarySearchAboveTenItems) {
  TSQLMemRecordIDArray a(0, 10, 100);
  a.SetCompareByPageOnly(true);
  const TSQLMemRecordID otherItem{4, 9};  // record 4 is present, but with item number 0
  for (int n : {10, 11}) {
    std::vector<TSQLMemRecordID> ids;
    for (int i = 0; i < n; ++i) ids.push_back({i, 0});
    Fill(a, ids);
    a.Sort();
    // The linear search matches both numbers; the binary search compares in the current order.
    EXPECT_EQ(a.IndexOf(otherItem), n == 10 ? -1 : 4) << n << " items";
  }
  // Without the sorted flag the search stays linear, whatever the order.
  Fill(a, {{9, 0}, {3, 0}, {7, 0}, {1, 0}, {8, 0}, {2, 0}, {6, 0}, {0, 0}, {5, 0}, {4, 0}, {10, 0}, {11, 0}});
  a.SetSorted(false);
  for (Integer i = 0; i < a.Count(); ++i) EXPECT_EQ(a.IndexOf(a.GetItem(i)), i);
}

TEST_F(EngineArrays, IndexOfGivesTheFirstOfEqualIds) {
  TSQLMemRecordIDArray a(0, 10, 100);
  std::vector<TSQLMemRecordID> ids(30, TSQLMemRecordID{3, 0});
  ids.insert(ids.begin(), TSQLMemRecordID{1, 0});
  Fill(a, ids);
  a.Sort();
  EXPECT_EQ(a.IndexOf({3, 0}), 1);
  a.SetSorted(false);
  EXPECT_EQ(a.IndexOf({3, 0}), 1);
}

TEST_F(EngineArrays, InsertPlacesTheIdAtItsIndex) {
  struct Case {
    std::vector<TSQLMemRecordID> before;
    Integer index;
    std::vector<TSQLMemRecordID> after;
  };
  const Case cases[] = {
      {{}, 0, {{9, 0}}},
      {{{1, 0}}, 0, {{9, 0}, {1, 0}}},  // in front of a single item, not behind it
      {{{1, 0}}, 1, {{1, 0}, {9, 0}}},
      {{{1, 0}, {2, 0}, {3, 0}}, 1, {{1, 0}, {9, 0}, {2, 0}, {3, 0}}},
      {{{1, 0}, {2, 0}, {3, 0}}, 2, {{1, 0}, {2, 0}, {9, 0}, {3, 0}}},
      {{{1, 0}, {2, 0}, {3, 0}}, 3, {{1, 0}, {2, 0}, {3, 0}, {9, 0}}},
  };
  TSQLMemRecordIDArray a(0, 10, 100);
  for (const Case& c : cases) {
    Fill(a, c.before);
    a.Insert(c.index, {9, 0});
    EXPECT_EQ(Contents(a), c.after) << c.before.size() << " items, at " << c.index;
  }
  Fill(a, {{1, 0}});
  EXPECT_THROW(a.Insert(2, {9, 0}), ERangeError);
  EXPECT_THROW(a.Insert(-1, {9, 0}), ERangeError);
  EXPECT_EQ(a.Count(), 1);
}

// ---- compressed block headers ----

TEST_F(EngineArrays, BlockHeadersKeepHeaderAndPosition) {
  TSQLMemCompressedStreamBlockHeadersArray a;
  EXPECT_EQ(a.Count(), 0);
  for (int i = 0; i < 25; ++i)
    a.Append({100 + i, 102400, 0xDEADBEEFu - i, 20 + 100 + i}, (Int64{1} << 33) + i * 1000);
  EXPECT_EQ(a.Count(), 25);
  EXPECT_EQ(a.Capacity(), 60);  // steps of 20, then 40
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(a.GetHeader(i), (CompressedBlockHeader{100 + i, 102400, 0xDEADBEEFu - i, 20 + 100 + i}));
    EXPECT_EQ(a.GetPosition(i), (Int64{1} << 33) + i * 1000);
  }
  a.SetHeader(3, {1, 2, 3, 21});
  a.SetPosition(3, 7);
  EXPECT_EQ(a.GetHeader(3), (CompressedBlockHeader{1, 2, 3, 21}));
  EXPECT_EQ(a.GetPosition(3), 7);
  a.SetSize(2);
  EXPECT_EQ(a.Count(), 2);
  EXPECT_THROW(a.GetHeader(2), ERangeError);
}

TEST_F(EngineArrays, FindBlockGivesTheBlockHoldingThePosition) {
  TSQLMemCompressedStreamBlockHeadersArray a;
  EXPECT_EQ(a.FindBlock(0), 0);  // no blocks
  EXPECT_EQ(a.FindBlock(500), 0);
  for (Int64 p : {100, 200, 300, 400, 500}) a.Append({}, p);
  struct Case {
    Int64 position;
    Int64 block;
  };
  const Case cases[] = {{-5, 0}, {0, 0}, {99, 0}, {100, 0}, {150, 0}, {199, 0}, {200, 1},
                        {299, 1}, {300, 2}, {450, 3}, {500, 4}, {501, 4}, {Int64{1} << 50, 4}};
  for (const Case& c : cases) EXPECT_EQ(a.FindBlock(c.position), c.block) << c.position;
  // Every count on both sides of the middle.
  for (Int64 n = 1; n <= 40; ++n) {
    TSQLMemCompressedStreamBlockHeadersArray b;
    for (Int64 i = 0; i < n; ++i) b.Append({}, 10 * i);
    for (Int64 p = -1; p <= 10 * n + 5; ++p)
      ASSERT_EQ(b.FindBlock(p), std::clamp<Int64>(p < 0 ? 0 : p / 10, 0, n - 1)) << n << " blocks, position " << p;
  }
}

// ---- bits ----

TEST_F(EngineArrays, BitArrayTakesOneByteForEveryEightBits) {
  struct Case {
    Integer bits;
    Integer bytes;
  };
  const Case cases[] = {{0, 0}, {1, 1}, {8, 1}, {9, 2}, {16, 2}, {17, 3}, {1000, 125}};
  for (const Case& c : cases) {
    TSQLMemBitsArray a;
    a.SetSize(c.bits);
    EXPECT_EQ(a.BitCount(), c.bits);
    EXPECT_EQ(a.DataSize(), c.bytes) << c.bits;
    EXPECT_EQ(c.bytes == 0 ? 0 : MemoryManager().GetBlockSize(a.Data()), c.bytes) << c.bits;
    for (Integer i = 0; i < c.bits; ++i) ASSERT_FALSE(a.GetBit(i));
  }
}

TEST_F(EngineArrays, BitNumbersOutsideTheArrayRaise) {
  TSQLMemBitsArray a;
  a.SetSize(9);
  a.SetBit(8, true);
  EXPECT_TRUE(a.GetBit(8));
  EXPECT_EQ(a.Data()[1], 0x01);
  ExpectEngineError([&] { a.SetBit(9, true); }, 10395, "Invalid bit no = 9, number of bits = 9 - Native error: 10395");
  ExpectEngineError([&] { a.GetBit(9); }, 10394, "Invalid bit no = 9, number of bits = 9 - Native error: 10394");
  ExpectEngineError([&] { a.GetBit(-1); }, 10394, "Invalid bit no = -1, number of bits = 9 - Native error: 10394");
  TSQLMemBitsArray empty;
  ExpectEngineError([&] { empty.SetBit(0, true); }, 10395, "Invalid bit no = 0, number of bits = 0 - Native error: 10395");
}

TEST_F(EngineArrays, SetBitCountFollowsRealChangesOnly) {
  TSQLMemBitsArray a;
  a.SetSize(20);
  a.SetBit(3, true);
  a.SetBit(3, true);
  a.SetBit(19, true);
  a.SetBit(4, false);
  EXPECT_EQ(a.SetBitCount(), 2);
  a.SetBit(3, false);
  a.SetBit(3, false);
  EXPECT_EQ(a.SetBitCount(), 1);
  EXPECT_EQ(a.CountSetBits(), 1);
}

TEST_F(EngineArrays, ShrinkingForgetsTheCutBits) {
  TSQLMemBitsArray a;
  a.SetSize(16);
  for (Integer i = 0; i < 16; i += 2) a.SetBit(i, true);  // 0, 2, ..., 14
  a.SetSize(4);
  EXPECT_EQ(a.SetBitCount(), 2);  // bits 0 and 2
  EXPECT_EQ(a.DataSize(), 1);
  // Growing again brings back clear bits, not the ones that were cut off.
  a.SetSize(16);
  for (Integer i = 4; i < 16; ++i) EXPECT_FALSE(a.GetBit(i)) << i;
  EXPECT_EQ(a.SetBitCount(), 2);
  EXPECT_EQ(a.CountSetBits(), 2);
  a.SetBit(6, false);  // was set before the cut: must not lower the count
  EXPECT_EQ(a.SetBitCount(), 2);
  a.SetSize(0);
  EXPECT_EQ(a.SetBitCount(), 0);
  EXPECT_EQ(a.Data(), nullptr);
}

TEST_F(EngineArrays, FindBitGivesTheLowestMatch) {
  struct Case {
    Integer bits;
    std::vector<Integer> set;
    bool value;
    bool found;
    Integer index;
  };
  const Case cases[] = {
      {0, {}, true, false, 0},          {0, {}, false, false, 0},
      {10, {}, true, false, 0},         {10, {}, false, true, 0},
      {10, {9}, true, true, 9},         {20, {17, 12}, true, true, 12},
      {12, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false, false, 0},  // the spare bits of the last byte don't count
      {12, {0, 1, 2, 3, 4, 5, 6, 7, 8, 10}, false, true, 9},
  };
  for (const Case& c : cases) {
    TSQLMemBitsArray a;
    a.SetSize(c.bits);
    for (Integer i : c.set) a.SetBit(i, true);
    Integer index = -1;
    EXPECT_EQ(a.FindBit(c.value, index), c.found) << c.bits << " bits, value " << c.value;
    if (c.found) {
      EXPECT_EQ(index, c.index);
    }
  }
}

AnsiString Bytes(TMemoryStream& m) {
  return AnsiString(static_cast<const char*>(m.Memory()), static_cast<std::size_t>(m.GetSize()));
}

TEST_F(EngineArrays, BitArrayStreamFormIsCountsThenData) {
  TMemoryStream empty;
  TSQLMemBitsArray none;
  none.SaveToStream(empty);
  EXPECT_EQ(Bytes(empty), AnsiString(8, '\0'));

  TSQLMemBitsArray a;
  a.SetSize(12);
  for (Integer i : {0, 9, 11}) a.SetBit(i, true);
  TMemoryStream m;
  a.SaveToStream(m);
  EXPECT_EQ(Bytes(m), AnsiString("\x0C\0\0\0\x03\0\0\0\x01\x0A", 10));

  m.SetPosition(0);
  TSQLMemBitsArray b;
  b.SetSize(40);
  b.SetBit(30, true);
  b.LoadFromStream(m);
  EXPECT_EQ(b.BitCount(), 12);
  EXPECT_EQ(b.SetBitCount(), 3);
  for (Integer i = 0; i < 12; ++i) EXPECT_EQ(b.GetBit(i), i == 0 || i == 9 || i == 11) << i;
  EXPECT_EQ(m.GetPosition(), 10);
}

TEST_F(EngineArrays, LoadedBitsPastTheCountStayClear) {
  // A last byte with every bit set, though only 4 of them belong to the array.
  TStringStream s(AnsiString("\x0C\0\0\0\x0C\0\0\0\xFF\xFF", 10));
  TSQLMemBitsArray a;
  a.LoadFromStream(s);
  EXPECT_EQ(a.SetBitCount(), 12);  // as stored
  a.SetSize(16);
  for (Integer i = 12; i < 16; ++i) EXPECT_FALSE(a.GetBit(i)) << i;
  Integer index = -1;
  EXPECT_TRUE(a.FindBit(false, index));
  EXPECT_EQ(index, 12);
}

TEST_F(EngineArrays, DamagedBitArrayStreamsRaiseTheReadCodes) {
  struct Case {
    const char* name;
    AnsiString bytes;
    AnsiString message;
  };
  const Case cases[] = {
      {"empty", "", "Cannot read from stream. Position = 0, Stream size = 0, Block size = 4, Bytes Read = 0 - Native error: 10401"},
      {"no set-bit count", AnsiString("\x09\0\0\0", 4),
       "Cannot read from stream. Position = 4, Stream size = 4, Block size = 4, Bytes Read = 0 - Native error: 10426"},
      {"data cut short", AnsiString("\x09\0\0\0\x01\0\0\0\x01", 9),
       "Cannot read from stream. Position = 8, Stream size = 9, Block size = 2, Bytes Read = 1 - Native error: 10402"},
      {"negative bit count", AnsiString("\xFF\xFF\xFF\xFF\0\0\0\0", 8),
       "Cannot read from stream. Position = 0, Stream size = 8, Block size = 4, Bytes Read = 4 - Native error: 10401"},
      {"more set bits than bits", AnsiString("\x08\0\0\0\x09\0\0\0\xFF", 9),
       "Cannot read from stream. Position = 4, Stream size = 9, Block size = 4, Bytes Read = 4 - Native error: 10426"},
      // 2^31 - 1 bits claimed by an 8-byte stream: refused before any memory is taken.
      {"huge bit count", AnsiString("\xFF\xFF\xFF\x7F\0\0\0\0", 8),
       "Cannot read from stream. Position = 8, Stream size = 8, Block size = 268435456, Bytes Read = 0 - Native error: 10402"},
  };
  for (const Case& c : cases) {
    TStringStream s(c.bytes);
    TSQLMemBitsArray a;
    try {
      a.LoadFromStream(s);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.Message(), c.message) << c.name;
    }
  }
}

// A stream that takes only its first `limit` bytes.
class ShortStream : public TMemoryStream {
 public:
  explicit ShortStream(Int64 limit) : limit_(limit) {}
  using TStream::Seek;
  using TStream::SetSize;
  Integer Write(const void* buffer, Integer count) override {
    const Integer room = static_cast<Integer>(std::max<Int64>(0, limit_ - GetPosition()));
    return TMemoryStream::Write(buffer, std::min(count, room));
  }

 private:
  Int64 limit_;
};

TEST_F(EngineArrays, ShortWritesOfABitArrayRaiseTheWriteCodes) {
  TSQLMemBitsArray a;
  a.SetSize(20);
  struct Case {
    Int64 limit;
    Integer code;
  };
  for (const Case& c : {Case{0, 10398}, Case{6, 10427}, Case{9, 10400}}) {
    ShortStream s(c.limit);
    try {
      a.SaveToStream(s);
      ADD_FAILURE() << "no error at limit " << c.limit;
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), c.code) << c.limit;
    }
  }
  ShortStream s(9);
  try {
    a.SaveToStream(s);
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.Message(),
              "Cannot write to stream. Position = 8, Stream size = 9, Block size = 3, Bytes Write = 1 - Native error: 10400");
  }
}

TEST_F(EngineArrays, BufferBitHelpersCountFromTheLowBit) {
  Byte buffer[3] = {};
  SetBit(true, 9, buffer);
  SetBit(true, 0, buffer);
  SetBit(true, 23, buffer);
  EXPECT_EQ(buffer[0], 0x01);
  EXPECT_EQ(buffer[1], 0x02);
  EXPECT_EQ(buffer[2], 0x80);
  EXPECT_TRUE(GetBit(9, buffer));
  EXPECT_FALSE(GetBit(8, buffer));
  SetBit(false, 9, buffer);
  EXPECT_EQ(buffer[1], 0x00);
}

// ---- hash set ----

TEST_F(EngineArrays, HashArrayRefusesSlotBitsOutside1To31) {
  for (Integer bits : {0, 32, -1}) {
    ExpectEngineError([&] { TSQLMemHashArray h(0, bits, 0, 4); }, 11662,
                      "Error setting Key, invalid KeySize = " + std::to_string(bits) +
                          ". KeySize should be >= 0 and < 32 - Native error: 11662");
  }
}

TEST_F(EngineArrays, HashSlotWordsCarryTheSlotNumberInTheTopBits) {
  TSQLMemHashArray h(0, 2, 0, 4);
  ASSERT_EQ(h.SlotCount(), 4u);
  EXPECT_EQ(h.SlotWord(0), 0x00000000u);
  EXPECT_EQ(h.SlotWord(1), 0x40000000u);
  EXPECT_EQ(h.SlotWord(2), 0x80000000u);
  EXPECT_EQ(h.SlotWord(3), 0xC0000000u);
}

TEST_F(EngineArrays, HashFindOrAddAddsOnceAndGrowsBucketsByTheStep) {
  // 16 slots taken from key bits 4..7; buckets of 2 entries; 4 bytes of data.
  TSQLMemHashArray h(4, 4, 4, 2);
  const Int64 directoryBytes = h.BytesTaken();
  const Cardinal keys[] = {0x000, 0x100, 0x200, 0x010};  // slots 0, 0, 0, 1
  for (Cardinal k : keys) {
    const Cardinal data = k * 3 + 1;
    EXPECT_TRUE(h.FindOrAdd(k, &data)) << k;
  }
  const Cardinal other = 77;
  EXPECT_FALSE(h.FindOrAdd(0x100, &other));  // present: nothing changes
  Cardinal data = 0;
  ASSERT_TRUE(h.Find(0x100, &data));
  EXPECT_EQ(data, 0x100u * 3 + 1);
  EXPECT_FALSE(h.Find(0x300, &data));

  EXPECT_EQ(h.SlotWord(0), 2u);            // slot 0: three entries
  EXPECT_EQ(h.SlotWord(1), 0x10000000u);   // slot 1: one entry
  EXPECT_EQ(h.SlotWord(2), 0x20000000u);   // untouched
  EXPECT_EQ(h.SlotsUsed(), 2);
  EXPECT_EQ(h.EntriesStored(), 4);
  EXPECT_EQ(h.BucketEnlargements(), 1);   // the third entry of slot 0
  EXPECT_EQ(h.BytesTaken() - directoryBytes, 3 * 2 * 8);  // three steps of two 8-byte entries
}

TEST_F(EngineArrays, HashDataNeedsADataSize) {
  TSQLMemHashArray h(0, 3, 0, 2);
  const Cardinal data = 1;
  ExpectEngineError([&] { h.FindOrAdd(5, &data); }, 11665, "Invalid data size = 0 - Native error: 11665");
  EXPECT_TRUE(h.FindOrAdd(5, nullptr));
  EXPECT_TRUE(h.Find(5, nullptr));
}

TEST_F(EngineArrays, HashArrayAgreesWithASetOfKeys) {
  const unsigned seed = 1234567;
  std::mt19937 random(seed);
  TSQLMemHashArray h(8, 3, 29, 3);  // 8 slots from the top key bits: long buckets
  std::set<Cardinal> model;
  for (int i = 0; i < 3000; ++i) {
    const Cardinal key = random() % 2 == 0 ? static_cast<Cardinal>(random()) : static_cast<Cardinal>(random() % 500);
    const Int64 payload = Int64{key} * 31;
    ASSERT_EQ(h.FindOrAdd(key, &payload), model.insert(key).second) << "key " << key << ", seed " << seed;
  }
  EXPECT_EQ(h.EntriesStored(), static_cast<Int64>(model.size()));
  for (Cardinal key : model) {
    Int64 payload = 0;
    ASSERT_TRUE(h.Find(key, &payload));
    ASSERT_EQ(payload, Int64{key} * 31);
  }
}

TEST_F(EngineArrays, HashRulesReplaceTheSlotChoice) {
  TSQLMemHashArray h(0, 3, 0, 2);
  TSQLMemHashArray::Rules rules;
  rules.SlotOfKey = [](Cardinal) { return Cardinal{5}; };
  h.SetRules(rules);
  for (Cardinal k : {1u, 2u, 3u}) EXPECT_TRUE(h.FindOrAdd(k, nullptr));
  EXPECT_FALSE(h.FindOrAdd(2, nullptr));
  EXPECT_EQ(h.SlotWord(5), (5u << 29) | 2u);
  EXPECT_EQ(h.SlotsUsed(), 1);
  rules.SlotOfKey = [](Cardinal) { return Cardinal{8}; };  // beyond the directory
  h.SetRules(rules);
  EXPECT_THROW(h.FindOrAdd(4, nullptr), ERangeError);
}

// ---- scan search conditions ----

TEST_F(EngineArrays, ScanConditionsAreCopiedAndCheckedOnAdd) {
  TSQLMemScanSearchConditionArray a;
  Byte keyBuffer[4] = {};
  TSQLMemScanSearchCondition byIndex;
  byIndex.Kind = 4;
  byIndex.KeyBuffer = keyBuffer;
  byIndex.KeyFieldCount = 1;
  byIndex.IndexID = 2;
  a.Add(byIndex);
  byIndex.IndexID = 9;  // the array keeps its own copy
  EXPECT_EQ(a.GetItem(0).IndexID, 2);
  EXPECT_EQ(a.GetItem(0).KeyBuffer, keyBuffer);  // the buffer itself is shared
  EXPECT_EQ(a.GetItem(0).Kind, 4);

  auto* expression = reinterpret_cast<TSQLMemExpression*>(&keyBuffer[1]);  // only its address is kept
  a.AddFromExpression(expression);
  const auto& c = a.GetItem(1);
  EXPECT_EQ(c.Expression, expression);
  EXPECT_EQ(c.Kind, 0);
  EXPECT_EQ(c.KeyBuffer, nullptr);
  EXPECT_EQ(c.KeyFieldCount, 0);
  EXPECT_EQ(c.IndexID, -1);

  TSQLMemScanSearchCondition nothing;
  nothing.KeyFieldCount = 3;
  ExpectEngineError([&] { a.Add(nothing); }, 10388, "Invalid scan condition - indexID = -1, count = 3 - Native error: 10388");
  EXPECT_EQ(a.Count(), 2);
}

TEST_F(EngineArrays, ScanConditionDeleteClosesTheGap) {
  TSQLMemScanSearchConditionArray a;
  for (Integer id : {10, 11, 12}) {
    TSQLMemScanSearchCondition c;
    c.IndexID = id;
    a.Add(c);
  }
  ExpectEngineError([&] { a.Delete(3); }, 10413, "Invalid item number - ItemNo = 3, ItemCount = 3 - Native error: 10413");
  ExpectEngineError([&] { a.Delete(-1); }, 10413, "Invalid item number - ItemNo = -1, ItemCount = 3 - Native error: 10413");
  a.Delete(1);
  ASSERT_EQ(a.Count(), 2);
  EXPECT_EQ(a.GetItem(0).IndexID, 10);
  EXPECT_EQ(a.GetItem(1).IndexID, 12);
  EXPECT_THROW(a.GetItem(2), ERangeError);
}

// The SQL layer's services, played by a recorder: extraction turns each expression into one index
// lookup and one pending comparison; giving a comparison back is logged.
class ScanConditionServicesTest : public EngineArrays {
 protected:
  void SetUp() override {
    EngineArrays::SetUp();
    TSQLMemScanConditionServices services;
    services.ExtractScanConditions = [this](TSQLMemExpression& expression, const TSQLMemIndexDefs& indexDefs,
                                            TSQLMemScanSearchConditionArray& conditions, TSQLMemScanPendingList& pending) {
      EXPECT_EQ(&indexDefs, &indexDefs_);
      extracted.push_back(&expression);
      TSQLMemScanSearchCondition lookup;
      lookup.Kind = 1;
      lookup.IndexID = 7;
      lookup.Expression = &expression;  // the lookup carries its expression too, and is not searched again
      conditions.Add(lookup);
      pending.push_back({MemoryManager().GetMem(8), Node(static_cast<int>(pending.size())), &expression});
    };
    services.AddCondition = [this](TSQLMemExpression& expression, TSQLMemExprNode* node) {
      givenBack.emplace_back(&expression, node);
    };
    previous_ = SetScanConditionServices(std::move(services));
  }
  void TearDown() override {
    SetScanConditionServices(std::move(previous_));
    EngineArrays::TearDown();
  }

  // Stand-ins for the SQL layer's objects: only their addresses are used.
  TSQLMemExpression* Expression(int i) { return reinterpret_cast<TSQLMemExpression*>(&dummies_[i]); }
  TSQLMemExprNode* Node(int i) { return reinterpret_cast<TSQLMemExprNode*>(&dummies_[10 + i]); }

  TSQLMemIndexDefs indexDefs_;
  std::vector<TSQLMemExpression*> extracted;
  std::vector<std::pair<TSQLMemExpression*, TSQLMemExprNode*>> givenBack;

 private:
  int dummies_[20] = {};
  TSQLMemScanConditionServices previous_;
};

TEST_F(ScanConditionServicesTest, BindIndexesExtractsFromEveryExpressionPresentAtTheCall) {
  TSQLMemScanSearchConditionArray a;
  a.AddFromExpression(Expression(0));
  TSQLMemScanSearchCondition byIndex;
  byIndex.IndexID = 3;  // no expression: nothing to extract
  a.Add(byIndex);
  a.AddFromExpression(Expression(1));
  TSQLMemScanPendingList pending;
  a.BindIndexes(indexDefs_, pending);
  EXPECT_EQ(extracted, (std::vector<TSQLMemExpression*>{Expression(0), Expression(1)}));
  EXPECT_EQ(a.Count(), 5);
  EXPECT_EQ(a.GetItem(3).IndexID, 7);
  ASSERT_EQ(pending.size(), 2u);

  // Giving the comparisons back empties the list and frees their key blocks (the fixture counts them).
  TSQLMemScanSearchConditionArray::AddFromList(pending);
  EXPECT_TRUE(pending.empty());
  EXPECT_EQ(givenBack, (std::vector<std::pair<TSQLMemExpression*, TSQLMemExprNode*>>{{Expression(0), Node(0)},
                                                                                     {Expression(1), Node(1)}}));
}

TEST_F(ScanConditionServicesTest, AddFromListRefusesIncompleteEntries) {
  const struct {
    int missing;  // 0 expression, 1 node, 2 block
    Integer code;
  } cases[] = {{0, 20060}, {1, 20061}, {2, 20062}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    TSQLMemScanPendingList pending;
    pending.push_back({MemoryManager().GetMem(8), Node(0), Expression(0)});
    pending.push_back({c.missing == 2 ? nullptr : MemoryManager().GetMem(8), c.missing == 1 ? nullptr : Node(1),
                       c.missing == 0 ? nullptr : Expression(1)});
    ExpectEngineError([&] { TSQLMemScanSearchConditionArray::AddFromList(pending); }, c.code,
                      "Pointer is nil - Native error: " + std::to_string(c.code));
    // The good entry before it was handled; the bad one stays with the caller.
    ASSERT_EQ(pending.size(), 1u);
    MemoryManager().FreeMem(pending[0].KeyBuffer);
  }
  EXPECT_EQ(givenBack.size(), 3u);
}

TEST_F(EngineArrays, WithoutTheSqlLayerNothingIsExtractedAndNothingCanBeGivenBack) {
  const TSQLMemScanConditionServices previous = SetScanConditionServices({});
  TSQLMemScanSearchConditionArray a;
  int dummy = 0;
  a.AddFromExpression(reinterpret_cast<TSQLMemExpression*>(&dummy));
  TSQLMemScanPendingList pending;
  TSQLMemIndexDefs indexDefs;
  a.BindIndexes(indexDefs, pending);
  EXPECT_EQ(a.Count(), 1);
  EXPECT_TRUE(pending.empty());

  pending.push_back({MemoryManager().GetMem(8), reinterpret_cast<TSQLMemExprNode*>(&dummy),
                     reinterpret_cast<TSQLMemExpression*>(&dummy)});
  ExpectEngineError([&] { TSQLMemScanSearchConditionArray::AddFromList(pending); }, 30035,
                    "Not implemented yet - Native error: 30035");
  MemoryManager().FreeMem(pending[0].KeyBuffer);
  SetScanConditionServices(previous);
}

// ---- helpers ----

TEST_F(EngineArrays, MixInt32BytesPicksTheBytesOfBByMode) {
  // b's byte k holds k + 1, so each result byte shows which byte of b went into it.
  const Cardinal b = 0x04030201;
  const Cardinal expected[12] = {
      0x01020304, 0x01040203, 0x04020301, 0x03040201, 0x03010402, 0x03020104,
      0x04010302, 0x02040103, 0x02010403, 0x01040302, 0x03020401, 0x02010304,
  };
  for (Cardinal mode = 0; mode < 24; ++mode) {
    EXPECT_EQ(MixInt32Bytes(0, b, mode), expected[mode % 12]) << "mode " << mode;
    EXPECT_EQ(MixInt32Bytes(0x9E3779B9, b, mode), 0x9E3779B9 ^ expected[mode % 12]) << "mode " << mode;
    EXPECT_EQ(MixInt32Bytes(0x9E3779B9, 0, mode), 0x9E3779B9u) << "mode " << mode;
  }
}

TEST_F(EngineArrays, UniqueNameIsBaseRandomNumberAndThreadId) {
  os::RandSeed(42);
  const AnsiString name = MakeUniqueName("TEMPORARY_TABLE_");
  const AnsiString base = "TEMPORARY_TABLE_";
  ASSERT_EQ(name.compare(0, base.size(), base), 0) << name;
  const auto dash = name.find('-', base.size());
  ASSERT_NE(dash, AnsiString::npos) << name;
  const AnsiString number = name.substr(base.size(), dash - base.size());
  ASSERT_FALSE(number.empty());
  EXPECT_TRUE(std::all_of(number.begin(), number.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) << name;
  EXPECT_LE(std::stoull(number), 0xFFFFFFFFull);
  EXPECT_EQ(name.substr(dash + 1), std::to_string(static_cast<Cardinal>(os::CurrentThreadId())));

  // The random part takes exactly two draws from the process's one generator.
  os::RandSeed(42);
  os::RandomInt(2147483647);
  os::RandomInt(2147483647);
  const Cardinal third = os::RandomInt(2147483647);
  os::RandSeed(42);
  MakeUniqueName("X_");
  EXPECT_EQ(os::RandomInt(2147483647), third);
}

TEST_F(EngineArrays, BurnStringEmptiesTheText) {
  AnsiString secret = "secret";
  BurnString(secret);
  EXPECT_TRUE(secret.empty());
  AnsiString empty;
  BurnString(empty);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
