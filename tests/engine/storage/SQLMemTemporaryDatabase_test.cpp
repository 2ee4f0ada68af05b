#include "engine/storage/SQLMemTemporaryDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemCursorPosition.h"
#include "tests/engine/storage/TemporaryTableTestSupport.h"
#include "vcl/rtl/FileUtils.h"

namespace {

ResultRow RowOf(int n) {
  // Every third row has no memo; the others a memo whose length varies with n.
  std::string memo;
  if (n % 3 != 0) memo = "memo " + std::to_string(n) + " " + std::string(static_cast<std::size_t>(n % 50), 'x');
  return ResultRow{n, "name " + std::to_string(n % 7), memo};
}

std::vector<ResultRow> RowsOf(int from, int to) {
  std::vector<ResultRow> rows;
  for (int n = from; n < to; ++n) rows.push_back(RowOf(n));
  return rows;
}

}  // namespace

TEST_F(TemporaryTableTest, TheStartupTEMPDatabaseMakesUniquelyNamedTemporaryTables) {
  TSQLMemDatabaseData* temp = FindDatabaseData(false, true, "TEMP", u"");
  ASSERT_NE(dynamic_cast<TSQLMemTemporaryDatabaseData*>(temp), nullptr);
  TableCursor& first = NewCursor();
  TableCursor& second = NewCursor();
  std::unique_ptr<TSQLMemDatabaseTable> a(database->CreateTableData(first));
  std::unique_ptr<TSQLMemDatabaseTable> b(database->CreateTableData(second));
  EXPECT_EQ(first.TableName.rfind("TEMPORARY_TABLE_", 0), 0u) << first.TableName;
  EXPECT_EQ(a->GetTableName(), first.TableName);
  EXPECT_NE(first.TableName, second.TableName);
  EXPECT_EQ(database->FindTableData(second), b.get());
  auto& table = static_cast<TSQLMemTemporaryTableData&>(*a);
  EXPECT_TRUE(table.IsTemporary());
  EXPECT_FALSE(table.IsInMemory());
}

TEST_F(TemporaryTableTest, CreationRefusesNoFieldsAndForeignKeys) {
  TableCursor& cursor = NewCursor();
  std::unique_ptr<TSQLMemDatabaseTable> owned(database->CreateTableData(cursor));
  auto& table = static_cast<TSQLMemTemporaryTableData&>(*owned);
  EXPECT_EQ(NativeErrorOf([&] { table.CreateTable(cursor, TSQLMemFieldDefs(), {}, {}); }), 10132);
  ResultSchema schema;
  TSQLMemConstraintDefForeignKey& foreignKey = schema.constraints.AddForeignKey();
  foreignKey.Name = "FK_N";
  foreignKey.Columns = {{"N", -1}};
  EXPECT_EQ(NativeErrorOf([&] { table.CreateTable(cursor, schema.fields, schema.constraints, schema.indexes); }),
            11426);
  EXPECT_NE(table.FieldManager(), nullptr) << "the managers were made before the refusal";
  EXPECT_EQ(table.RecordManager(), nullptr);
}

TEST_F(TemporaryTableTest, RowsAppendAndReadBackInOrderWithTheirMemos) {
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor, ResultSchema(), 5);
  for (int n = 0; n < 20; ++n) {
    ASSERT_TRUE(Append(cursor, RowOf(n)));
    EXPECT_EQ(table.RecordIdToNumber(CursorRecordId(cursor)), n) << "the cursor stands on the new row";
    EXPECT_EQ(table.GetRecNoNatural(cursor), n + 1);
  }
  EXPECT_EQ(table.GetRecordCount(), 20);
  EXPECT_FALSE(table.TemporaryRecordManager()->SpillFileName().empty());
  EXPECT_EQ(Rows(cursor), RowsOf(0, 20));

  std::vector<ResultRow> backward;
  cursor.SetEndOfData();
  while (table.MoveCursor(cursor, ndPrior) == nrFound) backward.insert(backward.begin(), Row(cursor));
  EXPECT_EQ(backward, RowsOf(0, 20));

  struct Case {
    Int64 set, number;
  } cases[] = {{-5, 1}, {0, 1}, {1, 1}, {2, 2}, {20, 20}};
  for (const Case& c : cases) {
    table.SetRecNoNatural(cursor, c.set);
    EXPECT_EQ(table.GetRecNoNatural(cursor), c.number) << c.set;
  }
  table.SetRecNoNatural(cursor, 12);
  ASSERT_EQ(table.MoveCursor(cursor, ndCurrent), nrFound);
  EXPECT_EQ(Row(cursor), RowOf(11));
}


TEST_F(TemporaryTableTest, RecordIdsCompareAsFortyEightBitNumbers) {
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor);
  const Int64 big = Int64{0x1234} << 32;
  struct Case {
    Int64 a, b;
    int result;
  } cases[] = {{0, 0, 0}, {1, 2, -1}, {0xFFFFFFFF, 0x80000000, 1}, {big, 0xFFFFFFFF, 1}, {big + 1, big + 2, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(table.CompareRecordIds(table.NumberToRecordId(c.a), table.NumberToRecordId(c.b)), c.result)
        << c.a << " vs " << c.b;
    EXPECT_EQ(table.RecordIdToNumber(table.NumberToRecordId(c.a)), c.a);
  }
}

TEST_F(TemporaryTableTest, RowsAreNeverChangedOneByOne) {
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor);
  ASSERT_TRUE(Append(cursor, RowOf(1)));
  EXPECT_FALSE(table.UpdateRecord(cursor));
  EXPECT_FALSE(table.DeleteRecord(cursor));
  EXPECT_EQ(NativeErrorOf([&] { table.DeleteRecords(cursor); }), 11301);
  EXPECT_EQ(Rows(cursor), RowsOf(1, 2));
}

TEST_F(TemporaryTableTest, RecordOperationsWithoutAStoreOrBufferGiveTheirCodes) {
  TableCursor& cursor = NewCursor();
  std::unique_ptr<TSQLMemDatabaseTable> owned(database->CreateTableData(cursor));
  auto& table = static_cast<TSQLMemTemporaryTableData&>(*owned);
  EXPECT_EQ(NativeErrorOf([&] { table.GetRecordCount(); }), 10133);
  EXPECT_EQ(NativeErrorOf([&] { table.InsertRecord(cursor); }), 10134);
  EXPECT_EQ(NativeErrorOf([&] { table.SetRecNoNatural(cursor, 1); }), 10136);
  EXPECT_EQ(NativeErrorOf([&] { table.GetRecNoNatural(cursor); }), 10137);
  EXPECT_EQ(NativeErrorOf([&] { table.OpenBLOB(cursor, true, bomWrite, 0); }), 10140);
  table.CreateTable(cursor, ResultSchema().fields, {}, {});
  EXPECT_EQ(NativeErrorOf([&] { table.InsertRecord(cursor); }), 10135) << "no record buffer";
}

TEST_F(TemporaryTableTest, AnIndexOrdersTheRowsOfATemporaryTable) {
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor, ResultSchema(true), 3);
  std::vector<ResultRow> expected;
  for (int n = 0; n < 30; ++n) {
    ASSERT_TRUE(Append(cursor, RowOf(n)));
    expected.push_back(RowOf(n));
  }
  cursor.SetIndexName("ByName");
  ASSERT_TRUE(cursor.HasIndex());
  // The index orders by name; rows of one name come in no particular order.
  std::vector<ResultRow> rows = Rows(cursor);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
                             [](const ResultRow& a, const ResultRow& b) { return a.name < b.name; }));
  const auto byNameThenN = [](const ResultRow& a, const ResultRow& b) {
    return a.name != b.name ? a.name < b.name : a.n < b.n;
  };
  std::sort(rows.begin(), rows.end(), byNameThenN);
  std::sort(expected.begin(), expected.end(), byNameThenN);
  EXPECT_EQ(rows, expected);
  // An index added to the filled table is built over the spilled rows as well.
  TSQLMemIndexDef byN;
  byN.Name = "ByN";
  byN.SetColumnCount(1);
  byN.GetColumn(0).Name = "N";
  byN.GetColumn(0).Descending = 1;
  table.AddIndex(byN, cursor);
  cursor.SetIndexName("ByN");
  std::vector<ResultRow> descending = RowsOf(0, 30);
  std::reverse(descending.begin(), descending.end());
  EXPECT_EQ(Rows(cursor), descending);
}

TEST_F(TemporaryTableTest, EveryBLOBWriteAppendsAnEntryAndTheSlotPointsAtTheLast) {
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor);
  cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
  PutMemo(cursor, "first value");
  const Int64 firstEnd = table.BLOBStream()->GetSize();
  Int64 firstLength = 0;  // the entry's head: int32 block count, int64 size, int64 data length
  table.BLOBStream()->Seek(12, soBeginning);
  table.BLOBStream()->ReadBuffer(&firstLength, 8);
  EXPECT_EQ(firstEnd, 20 + firstLength);
  PutMemo(cursor, "second value");
  const TSQLMemFieldDef& memo = cursor.FieldDefs->GetFieldDef(kMemo);
  EXPECT_EQ(LoadValue<Int64>(cursor.CurrentRecordBuffer + memo.RecordOffset), firstEnd);
  EXPECT_GT(table.BLOBStream()->GetSize(), firstEnd) << "the first entry stays, unused";
  EXPECT_EQ(Memo(cursor), "second value");

  // A reader stores nothing; a writer that writes nothing clears the value.
  std::unique_ptr<TSQLMemLocalBLOBStream> reader = table.OpenBLOB(cursor, false, bomRead, kMemo);
  table.StoreBLOB(cursor, kMemo, *reader);
  EXPECT_EQ(Memo(cursor), "second value");
  PutMemo(cursor, "", false);
  EXPECT_TRUE(IsRecordFieldNull(kMemo, cursor.CurrentRecordBuffer));

  // A slot pointing past the stream's end holds no entry.
  SetRecordFieldNull(kMemo, false, cursor.CurrentRecordBuffer);
  StoreValue<Int64>(cursor.CurrentRecordBuffer + memo.RecordOffset, table.BLOBStream()->GetSize() + 1);
  EXPECT_EQ(NativeErrorOf([&] { table.OpenBLOB(cursor, false, bomRead, kMemo); }), 10141);
  StoreValue<Int64>(cursor.CurrentRecordBuffer + memo.RecordOffset, table.BLOBStream()->GetSize() - 4);
  EXPECT_EQ(NativeErrorOf([&] { table.OpenBLOB(cursor, false, bomRead, kMemo); }), 10142);
  EXPECT_EQ(NativeErrorOf([&] { table.OpenBLOB(cursor, true, bomRead, kMemo); }), 0) << "a new record's slot is not read";
}

TEST_F(TemporaryTableTest, EmptyingRemovesRowsAndSpillAndKeepsTheTableWritable) {
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor, ResultSchema(true), 2);
  for (int n = 0; n < 10; ++n) ASSERT_TRUE(Append(cursor, RowOf(n)));
  const WideString spill = table.TemporaryRecordManager()->SpillFileName();
  ASSERT_TRUE(FileExists(spill));
  EXPECT_EQ(NativeErrorOf([&] { table.EmptyTable(&cursor, false); }), 10072) << "refused while a cursor is attached";
  EXPECT_EQ(Rows(cursor), RowsOf(0, 10)) << "a refused call keeps the rows and their memos";

  cursor.table = nullptr;
  table.TSQLMemTableData::DetachCursor(cursor);  // detached without the temporary table's deletion
  table.EmptyTable(&cursor, false);
  EXPECT_EQ(table.GetRecordCount(), 0);
  EXPECT_FALSE(FileExists(spill));
  ASSERT_NE(table.BLOBStream(), nullptr) << "an emptied table gets a fresh BLOB stream";
  EXPECT_EQ(table.BLOBStream()->GetSize(), 0);
  Attach(cursor, table);
  for (int n = 10; n < 15; ++n) ASSERT_TRUE(Append(cursor, RowOf(n)));
  EXPECT_EQ(Rows(cursor), RowsOf(10, 15));
}

TEST_F(TemporaryTableTest, TheLastCursorToLetGoDeletesTheTableAndItsSpillFile) {
  TableCursor& first = NewCursor();
  TSQLMemTemporaryTableData& table = Create(first, ResultSchema(true), 2);
  for (int n = 0; n < 10; ++n) ASSERT_TRUE(Append(first, RowOf(n)));
  const WideString spill = table.TemporaryRecordManager()->SpillFileName();
  TableCursor& second = NewCursor(first.TableName);
  Attach(second, table);
  EXPECT_EQ(Rows(second), RowsOf(0, 10));

  Detach(first);
  EXPECT_EQ(database->FindTableData(second), &table) << "another cursor still holds it";
  second.Loading = 1;
  Detach(second);
  EXPECT_EQ(database->FindTableData(second), &table) << "a cursor loading the table keeps it";
  second.Loading = 0;
  Attach(second, table);
  Detach(second);
  EXPECT_EQ(database->FindTableData(second), nullptr);
  EXPECT_EQ(database->GetTableCount(), 0);
  EXPECT_FALSE(FileExists(spill));
}

TEST_F(TemporaryTableTest, ATableStreamLoadsAsANewTableEachTime) {
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor, ResultSchema(true), 4);
  for (int n = 0; n < 25; ++n) ASSERT_TRUE(Append(cursor, RowOf(n)));
  TSQLMemMemoryStream stream;
  stream.WriteBuffer("head", 4);  // the form may follow other bytes
  table.CheckCanSave(stream, 1, 9, 2097152, false);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  std::vector<AnsiString> names;
  for (int copy = 0; copy < 2; ++copy) {
    stream.Seek(4, soBeginning);
    TableCursor& loader = NewCursor();
    auto* loaded = static_cast<TSQLMemTemporaryTableData*>(database->CreateTableData(loader));
    loaded->CheckCanLoad(stream);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    names.push_back(loaded->GetTableName());
    TableCursor& reader = NewCursor(loaded->GetTableName());
    Attach(reader, *loaded);
    EXPECT_EQ(Rows(reader), RowsOf(0, 25));
    reader.SetIndexName("ByName");
    EXPECT_EQ(Rows(reader).front().name, "name 0");
    EXPECT_EQ(loaded->TemporaryRecordManager()->MemoryLimit(), 4);
    ASSERT_TRUE(Append(reader, RowOf(25)));
    reader.SetIndexName("");
    EXPECT_EQ(Rows(reader), RowsOf(0, 26));
  }
  EXPECT_NE(names[0], names[1]);
  EXPECT_NE(names[0], table.GetTableName());
}

TEST_F(TemporaryTableTest, ADamagedBLOBSizeIsRefused) {
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor);
  ASSERT_TRUE(Append(cursor, RowOf(1)));
  TSQLMemMemoryStream stream;
  table.CheckCanSave(stream, 0, 0, 0, true);
  const Int64 blobSize = table.BLOBStream()->GetSize();
  const Int64 at = stream.GetSize() - blobSize - 8;
  const Int64 damaged = blobSize + 1;
  stream.Seek(at, soBeginning);
  stream.WriteBuffer(&damaged, 8);
  stream.Seek(0, soBeginning);
  TableCursor& loader = NewCursor();
  std::unique_ptr<TSQLMemDatabaseTable> loaded(database->CreateTableData(loader));
  EXPECT_EQ(NativeErrorOf([&] { static_cast<TSQLMemTemporaryTableData&>(*loaded).CheckCanLoad(stream); }), 11195);
}
