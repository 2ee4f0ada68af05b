#include "engine/storage/SQLMemBTreeKey.h"

#include <gtest/gtest.h>

#include "tests/engine/storage/BTreeTestSupport.h"

class BTreeKeyTest : public EngineBlocksTest {};

TEST_F(BTreeKeyTest, ComparesColumnByColumnWithNullsAndDirections) {
  struct Case {
    const char* name;
    TestColumn column;
    TestValue a;
    TestValue b;
    int expected;
  };
  const TestValue null{true, 0, ""};
  const Case cases[] = {
      {"integers", {edtInteger}, {false, -5, ""}, {false, 3, ""}, -1},
      {"equal integers", {edtInteger}, {false, 7, ""}, {false, 7, ""}, 0},
      {"null before a value", {edtInteger}, null, {false, -100, ""}, -1},
      {"both null", {edtInteger}, null, null, 0},
      {"descending", {edtInteger, 0, true}, {false, -5, ""}, {false, 3, ""}, 1},
      {"null after a value when descending", {edtInteger, 0, true}, null, {false, -100, ""}, 1},
      {"text", {edtVarchar, 5}, {false, 0, "abc"}, {false, 0, "abd"}, -1},
      {"shorter text first", {edtVarchar, 5}, {false, 0, "ab"}, {false, 0, "abc"}, -1},
      {"case counts", {edtVarchar, 5}, {false, 0, "abc"}, {false, 0, "ABC"}, 0},
      {"case ignored", {edtVarchar, 5, false, true}, {false, 0, "abc"}, {false, 0, "ABC"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSQLMemBTreeKeyRef keyRef;
    BuildKeyRef(keyRef, {c.column});
    const Key a = MakeTestKey(keyRef, {c.a});
    const Key b = MakeTestKey(keyRef, {c.b});
    if (std::string(c.name) == "case counts") {
      EXPECT_NE(keyRef.Compare(a.data(), b.data()), 0);
      continue;
    }
    EXPECT_EQ(keyRef.Compare(a.data(), b.data()), c.expected);
    EXPECT_EQ(keyRef.Compare(b.data(), a.data()), -c.expected);
    // A page's search compares keys of one integer column in place: with the same answers.
    Integer offset = -1;
    bool descending = false;
    ASSERT_EQ(keyRef.SingleIntegerColumn(offset, descending), c.column.dataType == edtInteger);
    if (c.column.dataType != edtInteger) continue;
    EXPECT_EQ(TSQLMemBTreeKeyRef::CompareInteger(a.data(), b.data(), offset, descending), c.expected);
    EXPECT_EQ(TSQLMemBTreeKeyRef::CompareInteger(b.data(), a.data(), offset, descending), -c.expected);
  }
}

TEST_F(BTreeKeyTest, LaterColumnsDecideTiesAndPartialKeysIgnoreThem) {
  TSQLMemBTreeKeyRef keyRef;
  BuildKeyRef(keyRef, {{edtInteger}, {edtInteger, 0, true}});
  EXPECT_EQ(keyRef.KeySize(), 10);
  const Key a = MakeTestKey(keyRef, {{false, 1, ""}, {false, 1, ""}});
  const Key b = MakeTestKey(keyRef, {{false, 1, ""}, {false, 2, ""}});
  EXPECT_EQ(keyRef.Compare(a.data(), b.data()), 1);
  Integer offset = -1;
  bool descending = false;
  EXPECT_FALSE(keyRef.SingleIntegerColumn(offset, descending));  // two columns in use
  keyRef.SetColumnsInUse(1);
  EXPECT_EQ(keyRef.Compare(a.data(), b.data()), 0);
  EXPECT_TRUE(keyRef.SingleIntegerColumn(offset, descending));
  EXPECT_EQ(offset, 0);
  EXPECT_FALSE(descending);
}

TEST_F(BTreeKeyTest, KeyIsMadeFromTheRecordBuffer) {
  // Record: a one-byte NULL bitmap, then an Integer at 1 and a 4-character text at 5.
  TSQLMemBTreeKeyRef keyRef;
  keyRef.AddColumn(5, 1, 5, edtVarchar, false, false);
  keyRef.AddColumn(1, 0, 4, edtInteger, false, false);
  Byte record[10] = {0, 0x2A, 0, 0, 0, 'a', 'b', 0, 0, 0};
  Byte* key = keyRef.AllocKey();
  keyRef.MakeKey(record, key);
  EXPECT_EQ(Key(key, key + 11), (Key{0, 'a', 'b', 0, 0, 0, 0, 0x2A, 0, 0, 0}));
  record[0] = 0x02;  // the text is NULL: only its null byte is written
  std::memset(key, 0xEE, 11);
  keyRef.MakeKey(record, key);
  EXPECT_EQ(Key(key, key + 11), (Key{1, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0, 0x2A, 0, 0, 0}));
  keyRef.FreeKey(key);
  EXPECT_EQ(key, nullptr);
}

TEST_F(BTreeKeyTest, KeyPathHoldsThirtyTwoLevels) {
  TSQLMemKeyPath path;
  for (Integer i = 0; i < 32; ++i) path.AddLevel(i, 0, 1);
  ExpectEngineError([&] { path.AddLevel(99, 1, 2); }, 11660,
                    "Error in index system: adding item to key path with invalid ItemNo = 32. PageNo = 99, EntryNo = 1, "
                    "EntryCount = 2 - Native error: 11660");
  EXPECT_EQ(path.Count(), 32);
  EXPECT_TRUE(path.ContainsPage(31));
  path.DropLevel();
  EXPECT_FALSE(path.ContainsPage(31));
  path.LevelUp();
  EXPECT_EQ(path.CurrentPageNo(), 30);
}

TEST_F(BTreeKeyTest, KeyPathsCompareByPositionAndGiveTheirFraction) {
  TSQLMemKeyPath a;
  TSQLMemKeyPath b;
  a.AddLevel(0, 1, 4);
  a.AddLevel(7, 2, 10);
  b.AddLevel(0, 1, 4);
  b.AddLevel(7, 5, 10);
  EXPECT_EQ(TSQLMemKeyPath::Compare(a, b), -1);
  EXPECT_EQ(TSQLMemKeyPath::Compare(b, a), 1);
  EXPECT_EQ(TSQLMemKeyPath::Compare(a, a), 0);
  // Entry 2 of 10 under entry 1 of 4: (1 x 10 + 2) / 40.
  EXPECT_DOUBLE_EQ(a.Fraction(), 12.0 / 40.0);
  EXPECT_EQ(TSQLMemKeyPath().Fraction(), 0.0);
  TSQLMemKeyPath c;
  c.Assign(a);
  c.At(1).PageNo = 8;
  ExpectEngineError([&] { TSQLMemKeyPath::Compare(a, c); }, 20052, "Invalid index key path - Native error: 20052");
  c.DropLevel();
  ExpectEngineError([&] { TSQLMemKeyPath::Compare(a, c); }, 20051, "Invalid index key path - Native error: 20051");
}
