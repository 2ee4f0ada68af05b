// The local cursor on temporary tables: building, filling and reading a result table with its memos,
// the record operations an append-only table refuses, the table-level operations, the table's own
// stream form, and the table going with the last cursor that closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemStreams.h"
#include "tests/engine/storage/TemporaryCursorTestSupport.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/Stream.h"

namespace {

ResultRow RowOf(int n) {
  // Every fourth row has no memo; the others one whose length varies with n.
  std::string memo;
  if (n % 4 != 0) memo = "memo " + std::to_string(n) + " " + std::string(static_cast<std::size_t>(n * 7 % 300), 'm');
  return ResultRow{n, "name " + std::to_string(n % 7), memo};
}

std::vector<ResultRow> RowsOf(int from, int to) {
  std::vector<ResultRow> rows;
  for (int n = from; n < to; ++n) rows.push_back(RowOf(n));
  return rows;
}

}  // namespace

TEST_F(TemporaryCursorTest, ATableLivesFromItsCreationUntilItsLastCursorCloses) {
  TSQLMemLocalCursor& first = CreateAndOpen(ResultSchema(), 20);
  const AnsiString name = first.TableName;
  EXPECT_EQ(name.rfind("TEMPORARY_TABLE_", 0), 0u) << name;
  EXPECT_TRUE(first.IsTemporaryTable());
  EXPECT_FALSE(first.IsInMemoryTable());
  for (int n = 0; n < 50; ++n) ASSERT_EQ(Post(first, RowOf(n)), 0) << first.ErrorText;
  EXPECT_EQ(first.GetRecordCount(), 50);
  EXPECT_EQ(TableOf(first).TemporaryRecordManager()->MemoryCount(), 20);
  const WideString spill = SpillFileOf(first);
  ASSERT_FALSE(spill.empty());
  EXPECT_TRUE(FileExists(spill));
  EXPECT_EQ(Rows(first), RowsOf(0, 50));
  // Record numbers address rows in the memory area and in the spill file alike.
  for (const int recordNo : {1, 20, 21, 50}) {
    first.SetRecNo(recordNo);
    ASSERT_EQ(first.GetRecord(ndCurrent), nrFound) << recordNo;
    EXPECT_EQ(Row(first), RowOf(recordNo - 1));
    EXPECT_EQ(first.GetRecNo(), recordNo);
  }
  // The dataset asks for a record by the bookmark it keeps in the buffer's trailer.
  first.SetTrailerPosition(first.CurrentRecordBuffer, TSQLMemRecordID{49, 0});
  EXPECT_TRUE(first.RecordExists());
  first.SetTrailerPosition(first.CurrentRecordBuffer, TSQLMemRecordID{50, 0});
  EXPECT_FALSE(first.RecordExists());

  TSQLMemLocalCursor& second = NewCursor(name);
  Open(second);
  EXPECT_EQ(Rows(second), RowsOf(0, 50));
  first.CloseTable();
  EXPECT_TRUE(TableExists(name)) << "another cursor still has it open";
  EXPECT_EQ(Post(second, RowOf(50)), 0);
  EXPECT_EQ(Rows(second), RowsOf(0, 51));
  second.CloseTable();
  EXPECT_FALSE(TableExists(name));
  EXPECT_FALSE(FileExists(spill));
  // The last cursor going through its destructor frees the table as well.
  TSQLMemLocalCursor& other = CreateAndOpen();
  ASSERT_EQ(Post(other, RowOf(1)), 0);
  EXPECT_EQ(TableCount(), 1);
}

TEST_F(TemporaryCursorTest, AnAppendOnlyTableRefusesChangesThroughResultCodes) {
  ResultSchema schema;
  schema.fields.GetFieldDef(kN).DefaultValue.SetAsInteger(7);
  TSQLMemLocalCursor& cursor = CreateAndOpen(schema);
  for (int n = 1; n <= 3; ++n) ASSERT_EQ(Post(cursor, RowOf(n)), 0);

  // A new record takes no defaults in a temporary table.
  cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
  cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
  EXPECT_TRUE(IsRecordFieldNull(kN, cursor.CurrentRecordBuffer));

  cursor.SetRecNo(2);
  ASSERT_EQ(cursor.GetRecord(ndCurrent), nrFound);
  struct Case {
    const char* what;
    std::function<void()> run;
    Integer resultCode;
    const char* errorText;
  };
  const std::vector<Case> cases = {
      {"cancel", [&] { cursor.CancelRecord(); }, -9, ""},
      {"discard", [&] { cursor.DiscardRecordChanges(); }, -11, ""},
      {"delete", [&] { cursor.DeleteRecord(); }, -10, ""},
      {"update", [&] { cursor.PostRecord(false); }, -2, "Error updating record: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cursor.ErrorText.clear();
    c.run();
    EXPECT_EQ(cursor.ResultCode, c.resultCode);
    EXPECT_EQ(cursor.ErrorText, c.errorText);
  }
  ExpectEngineError([&] { cursor.DeleteAllRecords(); }, 11301,
                    "Error - operation is not supported - Native error: 11301");
  EXPECT_EQ(Rows(cursor), RowsOf(1, 4));
}

TEST_F(TemporaryCursorTest, IndexesOrderTheRowsAndBindNoConstraint) {
  TSQLMemLocalCursor& cursor = CreateAndOpen(ResultSchema(true), 10);
  for (int n = 0; n < 40; ++n) ASSERT_EQ(Post(cursor, RowOf(n)), 0);
  cursor.SetIndexName("ByName");
  // Ordered by name; rows of one name come in no particular order.
  std::vector<ResultRow> rows = Rows(cursor);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
                             [](const ResultRow& a, const ResultRow& b) { return a.name < b.name; }));
  std::sort(rows.begin(), rows.end(), [](const ResultRow& a, const ResultRow& b) { return a.n < b.n; });
  EXPECT_EQ(rows, RowsOf(0, 40));

  // A unique index added later orders the rows too; a temporary cursor binds no key constraint to it.
  TSQLMemIndexDef byN;
  byN.Name = "ByNDesc";
  byN.Unique = 1;
  byN.SetColumnCount(1);
  byN.GetColumn(0).Name = "N";
  byN.GetColumn(0).Descending = 1;
  cursor.AddIndex(byN);
  EXPECT_EQ(cursor.ConstraintDefs->GetCount(), 0);
  cursor.SetIndexName("ByNDesc");
  std::vector<ResultRow> descending = RowsOf(0, 40);
  std::reverse(descending.begin(), descending.end());
  EXPECT_EQ(Rows(cursor), descending);
  cursor.SetIndexName("");
  EXPECT_EQ(Rows(cursor), RowsOf(0, 40));
}

TEST_F(TemporaryCursorTest, TableLevelOperationsKeepTheTableTheyName) {
  TSQLMemLocalCursor& cursor = CreateAndOpen(ResultSchema(), 5);
  for (int n = 0; n < 20; ++n) ASSERT_EQ(Post(cursor, RowOf(n)), 0);
  const WideString spill = SpillFileOf(cursor);

  // The cursor's own close at the start of the operation does not take the table with it.
  cursor.EmptyTable();
  EXPECT_TRUE(TableExists(cursor.TableName));
  EXPECT_FALSE(FileExists(spill));
  Open(cursor);
  EXPECT_EQ(cursor.GetRecordCount(), 0);
  for (int n = 100; n < 103; ++n) ASSERT_EQ(Post(cursor, RowOf(n)), 0);
  EXPECT_EQ(Rows(cursor), RowsOf(100, 103));

  cursor.RenameField("Name", "Title");
  EXPECT_TRUE(TableExists(cursor.TableName)) << "renaming a field attaches the cursor only for the rename";
  cursor.RenameTable("RESULTS");
  EXPECT_EQ(cursor.TableName, "RESULTS");
  Open(cursor);
  EXPECT_EQ(cursor.FieldDefs->GetFieldDef(kName).Name, "Title");
  EXPECT_EQ(Rows(cursor), RowsOf(100, 103));

  // While another cursor has it open the table is refused to the table-level operations.
  TSQLMemLocalCursor& reader = NewCursor("RESULTS");
  Open(reader);
  EXPECT_EQ(NativeErrorOf([&] { cursor.DeleteTable(false); }), 20017);
  EXPECT_EQ(NativeErrorOf([&] { cursor.EmptyTable(); }), 10072);
  EXPECT_EQ(cursor.Open, 0) << "a table-level operation closes the cursor first";
  EXPECT_EQ(Rows(reader), RowsOf(100, 103));
  Open(cursor);
  reader.CloseTable();
  ASSERT_TRUE(TableExists("RESULTS"));

  // Deleting through the last open cursor: its close keeps the table for the delete, which succeeds.
  cursor.DeleteTable(false);
  EXPECT_FALSE(TableExists("RESULTS"));
  ExpectEngineError([&] { cursor.DeleteTable(false); }, 10027,
                    "Table not found, table name = RESULTS - Native error: 10027");
  // Opening a name the database does not have fails (the table made for it has no fields) and leaves
  // neither a table nor a changed name behind.
  EXPECT_EQ(NativeErrorOf([&] { Open(cursor); }), 10131);
  EXPECT_EQ(cursor.TableName, "RESULTS");
  EXPECT_EQ(cursor.Open, 0);
}

TEST_F(TemporaryCursorTest, TheTableStreamLoadsAsANewTableEachTime) {
  TSQLMemLocalCursor& cursor = CreateAndOpen(ResultSchema(true), 8);
  for (int n = 0; n < 30; ++n) ASSERT_EQ(Post(cursor, RowOf(n)), 0);
  const AnsiString original = cursor.TableName;
  TSQLMemMemoryStream kept, stream;
  cursor.SaveTableToStream(kept, 1, 9, 2097152, false, true);
  EXPECT_EQ(cursor.Open, 1) << "kept attached";
  cursor.SaveTableToStream(stream, 1, 9, 2097152, false, false);
  EXPECT_EQ(cursor.Open, 0);
  EXPECT_FALSE(TableExists(original)) << "the save detached its last cursor";
  ASSERT_EQ(kept.GetSize(), stream.GetSize());
  EXPECT_EQ(std::memcmp(kept.Memory(), stream.Memory(), static_cast<std::size_t>(stream.GetSize())), 0);

  std::vector<AnsiString> names;
  for (int copy = 0; copy < 2; ++copy) {
    SCOPED_TRACE(copy);
    stream.Seek(0, soBeginning);
    TSQLMemLocalCursor& loader = NewCursor(original);
    loader.LoadTableFromStream(stream);
    EXPECT_EQ(loader.Loading, 0);
    names.push_back(loader.TableName);
    ASSERT_TRUE(TableExists(loader.TableName)) << "a loaded table waits for its cursors";
    Open(loader);
    EXPECT_EQ(Rows(loader), RowsOf(0, 30));
    loader.SetIndexName("ByName");
    EXPECT_EQ(Rows(loader).front().name, "name 0");
    loader.SetIndexName("");
    EXPECT_EQ(TableOf(loader).TemporaryRecordManager()->MemoryLimit(), 8);
    ASSERT_EQ(Post(loader, RowOf(30)), 0);
    EXPECT_EQ(Rows(loader), RowsOf(0, 31));
  }
  EXPECT_NE(names[0], names[1]);
  EXPECT_EQ(TableCount(), 2);

  // A stream cut short leaves no table behind.
  TSQLMemMemoryStream cut;
  stream.Seek(0, soBeginning);
  cut.CopyFrom(stream, stream.GetSize() - 10);
  cut.Seek(0, soBeginning);
  TSQLMemLocalCursor& failing = NewCursor();
  EXPECT_NE(NativeErrorOf([&] { failing.LoadTableFromStream(cut); }), 0);
  EXPECT_EQ(TableCount(), 2);
  EXPECT_EQ(failing.TableData(), nullptr);
}

TEST_F(TemporaryCursorTest, ARowTheRecordStoreCannotTakeIsRefusedWithTheAddingText) {
  TSQLMemLocalCursor& cursor = CreateAndOpen();
  // The record store's first append makes its memory area, which the engine now refuses.
  MemoryManager().SetMemoryLimit(MemoryManager().Allocated() + 64);
  const Integer result = Post(cursor, ResultRow{1, "refused", ""});
  MemoryManager().SetMemoryLimit(0);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(cursor.ErrorText,
            "Error adding record, table name = " + cursor.TableName + ", InMemory = 0, Temporary = -1");
  EXPECT_EQ(cursor.GetRecordCount(), 0);
  EXPECT_EQ(Post(cursor, RowOf(2)), 0);
  EXPECT_EQ(Rows(cursor), RowsOf(2, 3));
}

TEST_F(TemporaryCursorTest, ACursorThatOwnsItsSessionFreesItWithTheTable) {
  auto* owned = new TSQLMemLocalSession();
  owned->Temporary = 1;
  owned->DatabaseName = "TEMP";
  owned->DatabaseFileName = "TEMP";
  // Built by one cursor, then opened on a session of its own, as the SQL layer opens a result table.
  TSQLMemLocalCursor& maker = NewCursor();
  const ResultSchema schema;
  maker.CreateTable(schema.fields, schema.indexes, schema.constraints);
  const AnsiString name = maker.TableName;
  ASSERT_TRUE(TableExists(name)) << "a table nobody has opened yet stays";
  TSQLMemLocalCursor& result = NewCursor(name);
  result.Session = owned;
  result.OwnsSession = 1;
  Open(result);
  ASSERT_EQ(Post(result, RowOf(1)), 0);
  EXPECT_EQ(Rows(result), RowsOf(1, 2));
  result.CloseTable();
  EXPECT_EQ(result.Session, nullptr);
  EXPECT_EQ(result.OwnsSession, 0);
  EXPECT_FALSE(TableExists(name));
}
