#include "vcl/rtl/Lists.h"

#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"

namespace {

// Values to point at: the list holds borrowed pointers.
int gValues[8] = {0, 1, 2, 3, 4, 5, 6, 7};
int* P(int i) { return &gValues[i]; }

std::vector<int> Contents(const TList<int>& list) {
  std::vector<int> values;
  for (int* p : list) values.push_back(p == nullptr ? -1 : *p);
  return values;
}

void Fill(TList<int>& list, std::initializer_list<int> values) {
  for (int v : values) list.Add(v < 0 ? nullptr : P(v));
}

}  // namespace

TEST(List, EditingOperations) {
  TList<int> list;
  Fill(list, {0, 1, 2});
  list.Insert(0, P(5));
  list.Insert(4, P(6));  // at the end
  EXPECT_EQ(Contents(list), (std::vector<int>{5, 0, 1, 2, 6}));
  list.Delete(1);
  EXPECT_EQ(list.Remove(P(2)), 2);
  EXPECT_EQ(list.Remove(P(7)), -1);
  EXPECT_EQ(list.Extract(P(5)), P(5));
  EXPECT_EQ(list.Extract(P(5)), nullptr);
  EXPECT_EQ(Contents(list), (std::vector<int>{1, 6}));
  list.Exchange(0, 1);
  EXPECT_EQ(Contents(list), (std::vector<int>{6, 1}));
  list.Add(P(3));
  list.Move(0, 2);
  EXPECT_EQ(Contents(list), (std::vector<int>{1, 3, 6}));
  EXPECT_EQ(list.IndexOf(P(6)), 2);
  EXPECT_EQ(list.First(), P(1));
  EXPECT_EQ(list.Last(), P(6));
  list.SetCount(5);
  list.SetItems(3, P(4));
  EXPECT_EQ(Contents(list), (std::vector<int>{1, 3, 6, 4, -1}));
  list.Pack();
  EXPECT_EQ(Contents(list), (std::vector<int>{1, 3, 6, 4}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(List, OutOfRangeRaisesTheLibrarysTexts) {
  struct Case {
    const char* what;
    std::function<void(TList<int>&)> op;
    const char* message;
  };
  const Case cases[] = {
      {"read past end", [](TList<int>& l) { l.Items(3); }, "List index out of bounds (3)"},
      {"read negative", [](TList<int>& l) { l.Items(-1); }, "List index out of bounds (-1)"},
      {"write past end", [](TList<int>& l) { l.SetItems(3, nullptr); }, "List index out of bounds (3)"},
      {"insert beyond end", [](TList<int>& l) { l.Insert(4, nullptr); }, "List index out of bounds (4)"},
      {"delete past end", [](TList<int>& l) { l.Delete(3); }, "List index out of bounds (3)"},
      {"exchange", [](TList<int>& l) { l.Exchange(0, 7); }, "List index out of bounds (7)"},
      {"move target", [](TList<int>& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
      {"move source", [](TList<int>& l) { l.Move(5, 0); }, "List index out of bounds (5)"},
      {"negative count", [](TList<int>& l) { l.SetCount(-1); }, "List count out of bounds (-1)"},
      {"huge count", [](TList<int>& l) { l.SetCount(kMaxListSize + 1); }, "List count out of bounds (134217728)"},
      {"capacity below count", [](TList<int>& l) { l.SetCapacity(2); }, "List capacity out of bounds (2)"},
  };
  for (const Case& c : cases) {
    TList<int> list;
    Fill(list, {0, 1, 2});
    try {
      c.op(list);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
    EXPECT_EQ(Contents(list), (std::vector<int>{0, 1, 2})) << c.what << " changed the list";
  }
  TList<> empty;
  EXPECT_THROW(empty.First(), EListError);
  EXPECT_THROW(empty.Last(), EListError);
}

TEST(List, SortIsStableAndSurvivesAnInconsistentComparator) {
  // Pairs of equal keys (value / 2) keep their order.
  TList<int> list;
  Fill(list, {7, 1, 6, 0, 3, 2, 5, 4});
  list.Sort([](int* a, int* b) { return *a / 2 - *b / 2; });
  EXPECT_EQ(Contents(list), (std::vector<int>{1, 0, 3, 2, 5, 4, 7, 6}));

  std::mt19937 random(20240611u);
  TList<int> big;
  for (int i = 0; i < 1000; ++i) big.Add(P(i % 8));
  big.Sort([&](int*, int*) { return static_cast<int>(random() % 3) - 1; });
  EXPECT_EQ(big.Count(), 1000);  // some order, every entry still there once
  int counts[8] = {};
  for (int* p : big) ++counts[*p];
  for (int c : counts) EXPECT_EQ(c, 125);
}

TEST(List, UntypedListHoldsAnyPointer) {
  TList<> list;
  std::string text;
  list.Add(&text);
  list.Add(nullptr);
  EXPECT_EQ(list.Items(0), &text);
  EXPECT_EQ(list.IndexOf(nullptr), 1);
}

TEST(ThreadList, DuplicatesPolicy) {
  struct Case {
    TDuplicates duplicates;
    int count;
    bool raises;
  };
  for (const Case& c : {Case{dupIgnore, 1, false}, Case{dupAccept, 2, false}, Case{dupError, 1, true}}) {
    TThreadList<int> list;
    list.SetDuplicates(c.duplicates);
    list.Add(P(1));
    if (c.raises) {
      try {
        list.Add(P(1));
        ADD_FAILURE();
      } catch (const EListError& e) {
        EXPECT_EQ(e.Message().rfind("List does not allow duplicates ($0", 0), 0u) << e.Message();
      }
    } else {
      list.Add(P(1));
    }
    TThreadList<int>::Locked locked(list);
    EXPECT_EQ(locked->Count(), c.count);
  }
}

TEST(ThreadList, ConcurrentAddsAndARecursiveLock) {
  TThreadList<int> list;
  list.SetDuplicates(dupAccept);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&list, t] {
      for (int i = 0; i < 500; ++i) {
        list.Add(P(t));
        if (i % 50 == 0) {
          TThreadList<int>::Locked outer(list);
          TThreadList<int>::Locked inner(list);  // the same thread may enter again
          (void)inner->Count();
        }
      }
    });
  for (auto& t : threads) t.join();
  TList<int>* locked = list.LockList();
  EXPECT_EQ(locked->Count(), 2000);
  list.UnlockList();
  list.Remove(P(0));
  list.Clear();
  EXPECT_EQ(list.LockList()->Count(), 0);
  list.UnlockList();
}

TEST(Bits, GrowsOnWriteAndFindsTheFirstClearBit) {
  TBits bits;
  EXPECT_EQ(bits.OpenBit(), 0);
  for (int i = 0; i < 70; ++i) bits.SetBits(i, true);
  EXPECT_EQ(bits.Size(), 70);
  EXPECT_EQ(bits.OpenBit(), 70);  // all set: the size
  bits.SetBits(65, false);
  EXPECT_EQ(bits.OpenBit(), 65);
  bits.SetBits(200, false);  // writing past the end grows, even a clear bit
  EXPECT_EQ(bits.Size(), 201);
  EXPECT_EQ(bits.OpenBit(), 65);
  bits.SetSize(3);
  bits.SetSize(100);  // the bits dropped by shrinking come back clear
  EXPECT_TRUE(bits.Bits(2));
  EXPECT_FALSE(bits.Bits(3));
  EXPECT_EQ(bits.OpenBit(), 3);
}

TEST(Bits, BadIndexesRaise) {
  TBits bits;
  bits.SetSize(8);
  const std::function<void()> ops[] = {
      [&] { (void)bits.Bits(8); },
      [&] { (void)bits.Bits(-1); },
      [&] { bits.SetBits(-1, true); },
      [&] { bits.SetSize(-1); },
  };
  for (const auto& op : ops) {
    try {
      op();
      ADD_FAILURE();
    } catch (const EBitsError& e) {
      EXPECT_EQ(e.Message(), "Bits index out of range");
    }
  }
  EXPECT_EQ(bits.Size(), 8);
}
