// The record search of a table against a brute-force reference: random tables with gaps, random
// filters, callbacks and ranges, cursors in natural order and on each index; the records a cursor
// visits forward and backward, its count, record numbers and Locate.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemTableData.h"
#include "tests/engine/storage/TableTestSupport.h"

namespace {

enum Field : Integer { kId = 0, kA = 1, kB = 2, kS = 3 };

// T(ID int primary, A int, B int, S varchar(5)) with indexes ById, ByA, ByB, ByAB (A, B).
struct SearchSchema {
  SearchSchema() {
    for (const char* name : {"ID", "A", "B"}) AddField(name, sftInteger, 0);
    AddField("S", sftVarchar, 5);
    AddIndex("ById", {"ID"}, true);
    AddIndex("ByA", {"A"}, false);
    AddIndex("ByB", {"B"}, false);
    AddIndex("ByAB", {"A", "B"}, false);
  }
  void AddField(const char* name, Byte type, Integer size) {
    TSQLMemFieldDef& field = fields.AddFieldDef();
    field.Name = name;
    field.SetDataType(type, size);
  }
  void AddIndex(const char* name, std::initializer_list<const char*> columns, bool primary) {
    TSQLMemIndexDef& index = indexes.AddIndexDef();
    index.Name = name;
    index.Primary = index.Unique = primary ? 1 : 0;
    index.SetColumnCount(static_cast<Integer>(columns.size()));
    Integer i = 0;
    for (const char* column : columns) index.GetColumn(i++).Name = column;
  }
  TSQLMemFieldDefs fields;
  TSQLMemIndexDefs indexes;
  TSQLMemConstraintDefs constraints;
};

// NULL reads as kNull, which sorts first as NULL does in an index.
constexpr Integer kNull = std::numeric_limits<Integer>::min();

struct Row {
  Integer id, a, b;
};

class TableSearchTest : public MemoryTableTest {
 protected:
  TableCursor& CreateSearchTable() {
    TableCursor& cursor = NewCursor("t");
    SearchSchema schema;
    table_ = static_cast<TSQLMemMemoryTableData*>(database->CreateTableData(cursor));
    table_->CreateTable(cursor, schema.fields, schema.constraints, schema.indexes);
    Attach(cursor, *table_);
    return cursor;
  }
  TableCursor& SecondCursor() {
    TableCursor& cursor = NewCursor("t");
    Attach(cursor, *table_);
    return cursor;
  }
  static void PutInt(TSQLMemCursor& cursor, Byte* buffer, Integer fieldNo, Integer v) {
    TSQLMemVariant value;
    if (v != kNull) value.SetAsInteger(v);
    cursor.SetFieldValue(buffer, value, fieldNo, true);
  }
  static Integer GetInt(TSQLMemCursor& cursor, Integer fieldNo) {
    TSQLMemVariant value;
    cursor.GetFieldValue(value, fieldNo, true, true);
    return value.IsNull() ? kNull : value.GetAsInteger();
  }
  void Insert(TableCursor& cursor, const Row& row) {
    Byte* buffer = cursor.CurrentRecordBuffer;
    cursor.InitRecordBuffer(buffer);
    PutInt(cursor, buffer, kId, row.id);
    PutInt(cursor, buffer, kA, row.a);
    PutInt(cursor, buffer, kB, row.b);
    ASSERT_TRUE(table_->InsertRecord(cursor));
  }
  Row Current(TableCursor& cursor) { return {GetInt(cursor, kId), GetInt(cursor, kA), GetInt(cursor, kB)}; }

  // The ids a cursor visits from the first record on (or from the last one backwards).
  std::vector<Integer> Visit(TableCursor& cursor, bool forward) {
    std::vector<Integer> ids;
    forward ? cursor.SetBeginOfData() : cursor.SetEndOfData();
    while (table_->MoveCursor(cursor, forward ? ndNext : ndPrior) == nrFound) ids.push_back(GetInt(cursor, kId));
    if (!forward) std::reverse(ids.begin(), ids.end());
    return ids;
  }
  std::vector<Row> VisitRows(TableCursor& cursor) {
    std::vector<Row> rows;
    cursor.SetBeginOfData();
    while (table_->MoveCursor(cursor, ndNext) == nrFound) rows.push_back(Current(cursor));
    return rows;
  }

  // "field op v", or with constantFirst the same condition written "v op' field".
  static std::unique_ptr<TSQLMemExprNode> CompareNode(TSQLMemCursor& cursor, Byte op, const char* field, Integer v,
                                                      bool constantFirst = false) {
    TSQLMemVariant value;
    value.SetAsInteger(v);
    auto fieldNode = std::make_unique<TSQLMemExprNodeField>(&cursor, "", field);
    auto constNode = std::make_unique<TSQLMemExprNodeConst>(value);
    if (!constantFirst)
      return std::make_unique<TSQLMemExprNodeComparison>(op, std::move(fieldNode), std::move(constNode), true, false, false);
    Byte mirrored = op;
    if (op == opGreater) mirrored = opLess;
    if (op == opLess) mirrored = opGreater;
    if (op == opGreaterOrEqual) mirrored = opLessOrEqual;
    if (op == opLessOrEqual) mirrored = opGreaterOrEqual;
    return std::make_unique<TSQLMemExprNodeComparison>(mirrored, std::move(constNode), std::move(fieldNode), true, false,
                                                       false);
  }

  TSQLMemMemoryTableData* table_ = nullptr;
};

// One random comparison of the filter and its brute-force meaning under SQL rules: a NULL field
// meets no comparison but "<>".
struct Comparison {
  Byte op;
  Integer field;
  Integer value;
  bool constantFirst = false;
  bool Holds(const Row& r) const {
    const Integer x = field == kId ? r.id : field == kA ? r.a : r.b;
    if (x == kNull) return op == opNotEqual;
    switch (op) {
      case opEqual: return x == value;
      case opNotEqual: return x != value;
      case opGreater: return x > value;
      case opLess: return x < value;
      case opGreaterOrEqual: return x >= value;
      default: return x <= value;
    }
  }
};

const char* FieldName(Integer field) { return field == kId ? "ID" : field == kA ? "A" : "B"; }

// A range over the first fields of the cursor's index: (A) or (A, B) keys, exclusive or not.
struct RangeBound {
  bool present = false;
  bool exclusive = false;
  Integer count = 1;
  Integer key[2] = {0, 0};
};

int CompareKeyPrefix(const Integer* rowKey, const Integer* key, Integer count) {
  for (Integer i = 0; i < count; ++i)
    if (rowKey[i] != key[i]) return rowKey[i] < key[i] ? -1 : 1;
  return 0;
}

TEST_F(TableSearchTest, FilteredCursorsMatchABruteForceReference) {
  const unsigned seed = 20261210;
  std::mt19937 random(seed);
  const char* indexNames[] = {"", "ById", "ByA", "ByB", "ByAB"};
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " round " << round);
    TableCursor& cursor = CreateSearchTable();
    TableCursor& plain = SecondCursor();
    // Rows with duplicate keys, then gaps from deletes.
    const int n = static_cast<int>(random() % 160);
    for (int i = 0; i < n; ++i)
      Insert(plain, {i * 3 + 1, random() % 10 == 0 ? kNull : static_cast<Integer>(random() % 8),
                     random() % 10 == 0 ? kNull : static_cast<Integer>(random() % 12)});
    for (int i = 0; i < n / 4; ++i) {
      if (table_->GetRecordCount() == 0) break;
      table_->SetRecNo(plain, 1 + static_cast<Int64>(random() % table_->GetRecordCount()));
      ASSERT_TRUE(table_->DeleteRecord(plain));
    }

    // The cursor's order, its filters and its range.
    const Integer indexChoice = static_cast<Integer>(random() % 5);
    cursor.SetIndexName(indexNames[indexChoice]);
    plain.SetIndexName(indexNames[indexChoice]);
    std::vector<Comparison> comparisons;
    const int conditionCount = static_cast<int>(random() % 4);
    const Byte ops[] = {opEqual, opNotEqual, opGreater, opLess, opGreaterOrEqual, opLessOrEqual};
    for (int i = 0; i < conditionCount; ++i) {
      const Integer field = static_cast<Integer>(random() % 3);
      const Integer value = static_cast<Integer>(field == kId ? random() % 480 : random() % (field == kA ? 9 : 13));
      comparisons.push_back({ops[random() % 6], field, value, random() % 3 == 0});
    }
    if (!comparisons.empty()) {
      cursor.FilterExpression = std::make_unique<TSQLMemExpression>();
      for (const Comparison& c : comparisons)
        cursor.FilterExpression->AddCondition(CompareNode(cursor, c.op, FieldName(c.field), c.value, c.constantFirst));
    }
    const bool callback = random() % 3 == 0;
    if (callback)
      cursor.RecordFilter = [](TSQLMemCursor& c, const Byte* record) {
        TSQLMemVariant value;
        Byte* saved = c.CurrentRecordBuffer;
        c.CurrentRecordBuffer = const_cast<Byte*>(record);
        c.GetFieldValue(value, kId, true, true);
        c.CurrentRecordBuffer = saved;
        return value.GetAsInteger() % 2 == 0;
      };
    RangeBound start, end;
    std::vector<Byte> startKey(cursor.RecordBufferSize), endKey(cursor.RecordBufferSize);
    const bool rangeable = indexChoice == 2 || indexChoice == 4;  // ranges over A, or A and B
    if (rangeable && random() % 2 == 0) {
      for (RangeBound* bound : {&start, &end}) {
        if (random() % 3 == 0) continue;
        bound->present = true;
        bound->exclusive = random() % 2 == 0;
        bound->count = indexChoice == 4 ? static_cast<Integer>(1 + random() % 2) : 1;
        bound->key[0] = static_cast<Integer>(random() % 8);
        bound->key[1] = static_cast<Integer>(random() % 12);
      }
      auto setKey = [&](const RangeBound& bound, std::vector<Byte>& key, Byte*& slot, Byte& exclusive, Integer& count) {
        if (!bound.present) return;
        cursor.InitRecordBuffer(key.data());
        PutInt(cursor, key.data(), kA, bound.key[0]);
        PutInt(cursor, key.data(), kB, bound.key[1]);
        slot = key.data();
        exclusive = bound.exclusive ? 1 : 0;
        count = bound.count;
      };
      setKey(start, startKey, cursor.RangeStartKeyBuffer, cursor.RangeStartExclusive, cursor.RangeStartKeyFieldCount);
      setKey(end, endKey, cursor.RangeEndKeyBuffer, cursor.RangeEndExclusive, cursor.RangeEndKeyFieldCount);
    }
    const bool keyCountOnly = !callback && comparisons.empty() && !start.present && !end.present && random() % 2 == 0;
    if (keyCountOnly) cursor.ContinuationKeyFieldCount = 1;

    // The reference: every record in the cursor's order, filtered by brute force.
    auto accepted = [&](const Row& r) {
      for (const Comparison& c : comparisons)
        if (!c.Holds(r)) return false;
      if (callback && r.id % 2 != 0) return false;
      const Integer rowKey[2] = {r.a, r.b};
      if (start.present) {
        const int c = CompareKeyPrefix(rowKey, start.key, start.count);
        if (start.exclusive ? c <= 0 : c < 0) return false;
      }
      if (end.present) {
        const int c = CompareKeyPrefix(rowKey, end.key, end.count);
        if (end.exclusive ? c >= 0 : c > 0) return false;
      }
      return true;
    };
    std::vector<Row> expectedRows;
    for (const Row& r : VisitRows(plain))
      if (accepted(r)) expectedRows.push_back(r);
    std::vector<Integer> expected;
    for (const Row& r : expectedRows) expected.push_back(r.id);
    std::ostringstream what;
    what << "index '" << indexNames[indexChoice] << "', " << comparisons.size() << " comparisons, callback " << callback
         << ", range " << start.present << "/" << end.present << ", key count only " << keyCountOnly;
    SCOPED_TRACE(what.str());

    ASSERT_EQ(Visit(cursor, true), expected);
    ASSERT_EQ(Visit(cursor, false), expected);
    ASSERT_EQ(table_->GetCursorRecordCount(cursor), static_cast<Int64>(expected.size()));

    // Record numbers both ways, and numbers outside 1..count.
    cursor.SetBeginOfData();
    EXPECT_EQ(table_->GetRecNo(cursor), -1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(table_->MoveCursor(cursor, ndNext), nrFound);
      ASSERT_EQ(table_->GetRecNo(cursor), static_cast<Int64>(i + 1));
    }
    for (std::size_t i = 0; i < expected.size(); i += 7) {
      table_->SetRecNo(cursor, static_cast<Int64>(i + 1));
      ASSERT_EQ(table_->MoveCursor(cursor, ndCurrent), nrFound);
      ASSERT_EQ(GetInt(cursor, kId), expected[i]);
    }
    if (!expected.empty()) {
      table_->SetRecNo(cursor, 0);
      ASSERT_EQ(table_->MoveCursor(cursor, ndCurrent), nrFound);
      EXPECT_EQ(GetInt(cursor, kId), expected.front());
      table_->SetRecNo(cursor, static_cast<Int64>(expected.size()) + 5);
      ASSERT_EQ(table_->MoveCursor(cursor, ndCurrent), nrFound);
      EXPECT_EQ(GetInt(cursor, kId), expected.back());
    }

    // Locate: the first record in the cursor's order that the cursor sees and the condition holds for.
    for (int l = 0; l < 3; ++l) {
      const Comparison c{random() % 2 == 0 ? opEqual : opGreaterOrEqual, static_cast<Integer>(random() % 3),
                         static_cast<Integer>(random() % 9)};
      TSQLMemExpression locate;
      locate.AddCondition(CompareNode(cursor, c.op, FieldName(c.field), c.value));
      cursor.SetBeginOfData();
      const auto it = std::find_if(expectedRows.begin(), expectedRows.end(), [&c](const Row& r) { return c.Holds(r); });
      const bool found = table_->LocateByExpression(cursor, &locate);
      ASSERT_EQ(found, it != expectedRows.end()) << "locate " << FieldName(c.field) << " op " << int(c.op) << " " << c.value;
      if (found) {
        EXPECT_EQ(GetInt(cursor, kId), it->id);
        EXPECT_EQ(cursor.Bof + cursor.Eof, 0);
      } else {
        EXPECT_EQ(cursor.Bof, 1) << "a failed Locate leaves the cursor where it was";
      }
    }

    // Scans from a record: the nearest record after (before) it in the cursor's order that the cursor
    // sees and the condition holds for.
    for (int l = 0; l < 4 && !expectedRows.empty(); ++l) {
      const Comparison c{random() % 2 == 0 ? opLessOrEqual : opGreater, static_cast<Integer>(random() % 3),
                         static_cast<Integer>(random() % 9)};
      const bool forward = l % 2 == 0;
      const std::size_t from = random() % expectedRows.size();
      Integer nearest = kNull;
      if (forward) {
        for (std::size_t i = from + 1; i < expectedRows.size() && nearest == kNull; ++i)
          if (c.Holds(expectedRows[i])) nearest = expectedRows[i].id;
      } else {
        for (std::size_t i = from; i-- > 0 && nearest == kNull;)
          if (c.Holds(expectedRows[i])) nearest = expectedRows[i].id;
      }
      TSQLMemExpression scan;
      scan.AddCondition(CompareNode(cursor, c.op, FieldName(c.field), c.value));
      table_->SetRecNo(cursor, static_cast<Int64>(from + 1));
      TSQLMemRecordID foundId;
      const bool found = table_->ScanRecords(cursor, &scan, false, false, nullptr, &foundId, forward, false, nullptr);
      ASSERT_EQ(found, nearest != kNull) << "scan " << (forward ? "forward" : "backward") << " from " << from << ", "
                                         << FieldName(c.field) << " op " << int(c.op) << " " << c.value;
      if (found) {
        cursor.PageNo = foundId.RecordNo;
        cursor.ItemNo = static_cast<SmallInt>(foundId.ItemNo);
        ASSERT_EQ(table_->MoveCursor(cursor, ndCurrent), nrFound);
        EXPECT_EQ(GetInt(cursor, kId), nearest);
      }
    }

    cursor.RangeStartKeyBuffer = cursor.RangeEndKeyBuffer = nullptr;
    table_->DetachCursor(cursor);
    table_->DetachCursor(plain);
    TSQLMemTableData* gone = table_;
    DropTableData(gone, &session, false, true);
  }
}

// Inserts and updates through a cursor whose bitmap is built keep the bitmap equal to a fresh filter
// of the table, in the cursor's order: a record that starts or stops passing joins or leaves it, and a
// key change moves it.
TEST_F(TableSearchTest, BuiltBitmapFollowsInsertsAndUpdates) {
  const unsigned seed = 77;
  std::mt19937 random(seed);
  for (const char* indexName : {"", "ByA", "ByAB"}) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " index '" << indexName << "'");
    TableCursor& cursor = CreateSearchTable();
    TableCursor& plain = SecondCursor();
    for (int i = 0; i < 40; ++i)
      Insert(plain, {i, static_cast<Integer>(random() % 6), static_cast<Integer>(random() % 6)});
    cursor.SetIndexName(indexName);
    plain.SetIndexName(indexName);
    cursor.FilterExpression = std::make_unique<TSQLMemExpression>();
    cursor.FilterExpression->AddCondition(CompareNode(cursor, opGreaterOrEqual, "B", 2));
    auto reference = [&] {
      std::vector<Integer> ids;
      for (const Row& r : VisitRows(plain))
        if (r.b >= 2) ids.push_back(r.id);
      return ids;
    };
    ASSERT_EQ(Visit(cursor, true), reference());
    ASSERT_TRUE(cursor.FilterBitmap->Active());
    for (int step = 0; step < 60; ++step) {
      if (step % 3 == 0) {
        const Row row{100 + step, static_cast<Integer>(random() % 6), static_cast<Integer>(random() % 6)};
        Insert(cursor, row);
        if (row.b >= 2) {
          EXPECT_EQ(GetInt(cursor, kId), row.id) << "the cursor is on the new record it sees";
        } else {
          // A new record the cursor does not see: the cursor stands on the nearest one before it that
          // it sees, read; before the first when there is none.
          Integer nearest = kNull;
          for (const Row& r : VisitRows(plain)) {
            if (r.id == row.id) break;
            if (r.b >= 2) nearest = r.id;
          }
          if (nearest == kNull) {
            EXPECT_EQ(cursor.Bof, 1);
          } else {
            EXPECT_EQ(cursor.Bof + cursor.Eof, 0);
            EXPECT_EQ(GetInt(cursor, kId), nearest);
          }
        }
      } else {
        // Any record of the table, read through the plain cursor, changed through the filtered one.
        table_->SetRecNo(plain, 1 + static_cast<Int64>(random() % table_->GetRecordCount()));
        ASSERT_EQ(table_->MoveCursor(plain, ndCurrent), nrFound);
        std::copy(plain.CurrentRecordBuffer, plain.CurrentRecordBuffer + plain.RecordBufferSize,
                  cursor.CurrentRecordBuffer);
        cursor.PageNo = plain.PageNo;
        cursor.ItemNo = plain.ItemNo;
        cursor.Bof = cursor.Eof = 0;
        PutInt(cursor, cursor.CurrentRecordBuffer, kA, static_cast<Integer>(random() % 6));
        PutInt(cursor, cursor.CurrentRecordBuffer, kB, static_cast<Integer>(random() % 6));
        ASSERT_TRUE(table_->UpdateRecord(cursor));
      }
      ASSERT_TRUE(cursor.FilterBitmap->Active()) << "step " << step;
      const std::vector<Integer> expected = reference();
      ASSERT_EQ(Visit(cursor, true), expected) << "step " << step;
      ASSERT_EQ(table_->GetCursorRecordCount(cursor), static_cast<Int64>(expected.size()));
    }
    table_->DetachCursor(cursor);
    table_->DetachCursor(plain);
    TSQLMemTableData* gone = table_;
    DropTableData(gone, &session, false, true);
  }
}

// A cursor that counts as filtered but has no condition (only a key field count) sees every record.
TEST_F(TableSearchTest, AFilteredCursorWithoutConditionsSeesEveryRecord) {
  TableCursor& cursor = CreateSearchTable();
  for (int i = 0; i < 5; ++i) Insert(cursor, {i, 4 - i, 0});
  cursor.SetIndexName("ByA");
  cursor.ContinuationKeyFieldCount = 1;
  EXPECT_EQ(table_->GetCursorRecordCount(cursor), 5);
  EXPECT_EQ(Visit(cursor, true), (std::vector<Integer>{4, 3, 2, 1, 0}));
}

// A range whose start lies above its end is empty before any record is read; one whose bounds are
// the same key on both sides scans as one equality.
TEST_F(TableSearchTest, RangeBoundsMergeBeforeTheWalk) {
  TableCursor& cursor = CreateSearchTable();
  for (int i = 0; i < 20; ++i) Insert(cursor, {i, i % 5, i});
  cursor.SetIndexName("ByA");
  std::vector<Byte> low(cursor.RecordBufferSize), high(cursor.RecordBufferSize);
  cursor.InitRecordBuffer(low.data());
  cursor.InitRecordBuffer(high.data());
  PutInt(cursor, low.data(), kA, 3);
  PutInt(cursor, high.data(), kA, 1);
  cursor.RangeStartKeyBuffer = low.data();
  cursor.RangeEndKeyBuffer = high.data();
  cursor.RangeStartKeyFieldCount = cursor.RangeEndKeyFieldCount = 1;
  Integer reads = 0;
  cursor.RecordFilter = [&reads](TSQLMemCursor&, const Byte*) { return ++reads > 0; };
  EXPECT_EQ(table_->GetCursorRecordCount(cursor), 0);
  EXPECT_EQ(reads, 0) << "no record was tested";

  cursor.RangeEndKeyBuffer = low.data();
  cursor.FilterBitmap->SetActive(false);
  TableCursor& plain = SecondCursor();
  plain.SetIndexName("ByA");
  std::vector<Integer> threes;
  for (const Row& r : VisitRows(plain))
    if (r.a == 3) threes.push_back(r.id);
  EXPECT_EQ(threes.size(), 4u);
  EXPECT_EQ(Visit(cursor, true), threes);
  EXPECT_EQ(reads, 4) << "only the records of the equal key were read";
  cursor.RangeStartKeyBuffer = cursor.RangeEndKeyBuffer = nullptr;
}

TEST_F(TableSearchTest, LocateErrorsAndEmptyTables) {
  TableCursor& cursor = CreateSearchTable();
  ExpectEngineError([&] { table_->LocateByExpression(cursor, nullptr); }, 11375,
                    "Nil pointer occured - Native error: 11375");
  cursor.FilterExpression = std::make_unique<TSQLMemExpression>();
  EXPECT_EQ(table_->GetCursorRecordCount(cursor), 0);
  EXPECT_EQ(table_->MoveCursor(cursor, ndNext), nrAfterLast);
  cursor.SetEndOfData();
  EXPECT_EQ(table_->GetRecNo(cursor), -1);
  table_->SetRecNo(cursor, 1);
  EXPECT_EQ(cursor.Eof, 1) << "no records: SetRecNo leaves the cursor alone";
}

// Locate by a key condition on the cursor's index: the first record whose key meets it.
TEST_F(TableSearchTest, LocateByConditionFindsTheFirstKeyInIndexOrder) {
  TableCursor& cursor = CreateSearchTable();
  for (int i = 0; i < 12; ++i) Insert(cursor, {i, (i * 7) % 12, 0});
  cursor.SetIndexName("ByA");
  std::vector<Byte> key(cursor.RecordBufferSize);
  cursor.InitRecordBuffer(key.data());
  PutInt(cursor, key.data(), kA, 5);
  cursor.KeyBuffer = key.data();
  cursor.KeyFieldCount = 1;
  struct Case {
    Byte kind;
    Integer a;  // the A of the record found; -1: none
  } const cases[] = {{1, 5}, {3, 6}, {5, 5}, {2, 0}, {4, 0}};
  for (const Case& c : cases) {
    cursor.SetBeginOfData();
    ASSERT_TRUE(table_->LocateByCondition(cursor, c.kind)) << int(c.kind);
    ASSERT_EQ(table_->MoveCursor(cursor, ndCurrent), nrFound);
    EXPECT_EQ(GetInt(cursor, kA), c.a) << int(c.kind);
  }
  PutInt(cursor, key.data(), kA, 40);
  cursor.SetBeginOfData();
  EXPECT_FALSE(table_->LocateByCondition(cursor, 1));
  EXPECT_EQ(cursor.Bof, 1);
  cursor.KeyBuffer = nullptr;
}

// A bulk delete through a filtered cursor that has not moved yet removes only the records it sees.
TEST_F(TableSearchTest, BulkDeleteThroughAFreshFilteredCursorKeepsTheOthers) {
  TableCursor& cursor = CreateSearchTable();
  TableCursor& plain = SecondCursor();
  for (int i = 0; i < 10; ++i) Insert(plain, {i, i % 3, 0});
  cursor.FilterExpression = std::make_unique<TSQLMemExpression>();
  cursor.FilterExpression->AddCondition(CompareNode(cursor, opEqual, "A", 1));
  table_->DeleteRecords(cursor);
  EXPECT_EQ(Visit(plain, true), (std::vector<Integer>{0, 2, 3, 5, 6, 8, 9}));
}

// With 10000 records and a cursor in natural order at its start, a pair of bounds drives the walk when
// the square of its estimated range stays within a fifth of the records (30 * 30 <= 2000), else the
// first key condition does (60 * 60 > 2000). The walk's order shows which: the pair walks ByA, the
// first condition ById, and A falls as ID rises.
TEST_F(TableSearchTest, APairOfBoundsDrivesOnlyWhenItsRangeIsSmall) {
  TableCursor& cursor = CreateSearchTable();
  constexpr Integer kRows = 10000;
  for (Integer i = 0; i < kRows; ++i) Insert(cursor, {i, kRows - 1 - i, 0});
  for (const Integer width : {30, 60}) {
    SCOPED_TRACE(::testing::Message() << "range of " << width);
    cursor.FilterExpression = std::make_unique<TSQLMemExpression>();
    cursor.FilterExpression->AddCondition(CompareNode(cursor, opGreaterOrEqual, "ID", 0));
    cursor.FilterExpression->AddCondition(CompareNode(cursor, opGreaterOrEqual, "A", 5000));
    cursor.FilterExpression->AddCondition(CompareNode(cursor, opLess, "A", 5000 + width));
    std::vector<Integer> tested;
    cursor.RecordFilter = [&tested](TSQLMemCursor& c, const Byte* record) {
      Byte* saved = c.CurrentRecordBuffer;
      c.CurrentRecordBuffer = const_cast<Byte*>(record);
      tested.push_back(GetInt(c, kId));
      c.CurrentRecordBuffer = saved;
      return true;
    };
    if (cursor.FilterBitmap != nullptr) cursor.FilterBitmap->SetActive(false);
    ASSERT_EQ(table_->GetCursorRecordCount(cursor), width);
    ASSERT_EQ(tested.size(), static_cast<std::size_t>(width));
    const bool byA = std::is_sorted(tested.rbegin(), tested.rend());
    const bool byId = std::is_sorted(tested.begin(), tested.end());
    EXPECT_EQ(byA, width == 30);
    EXPECT_EQ(byId, width == 60);
  }
}

}  // namespace
