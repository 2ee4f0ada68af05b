#include "engine/storage/SQLMemTableData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "engine/foundation/SQLMemStreams.h"
#include "tests/engine/storage/TableTestSupport.h"

class TableDataTest : public MemoryTableTest {};

TEST_F(TableDataTest, TheDiarysTableIsBuiltWithItsManagers) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  EXPECT_EQ(table.GetTableName(), "fans");
  EXPECT_EQ(database->GetTableCount(), 1);
  EXPECT_TRUE(table.IsInMemory());
  EXPECT_FALSE(table.IsTemporary());
  EXPECT_TRUE(table.HasBLOBFields());
  EXPECT_FALSE(table.HasForeignKeys());
  // Null bitmap (1 byte), RecID (4), ShortDateDay (11), Title (26), Text (8).
  EXPECT_EQ(table.RecordSize(), 50);
  EXPECT_EQ(cursor.RecordDataSize, 50);
  EXPECT_EQ(cursor.RecordBufferSize, 57);
  EXPECT_EQ(cursor.KeyBufferSize, 56);

  // Every definition has an object id of the database, and the sequence of RecID is named after it.
  const TSQLMemFieldDefs& fields = table.TableFieldDefs();
  const TSQLMemIndexDef& index = table.IndexManager()->IndexDefs.GetItem(0);
  EXPECT_GT(fields.GetFieldDef(0).ObjectId, 0);
  EXPECT_GT(index.ObjectId, fields.GetFieldDef(3).ObjectId);
  const TSQLMemSequenceDef& sequence = table.SequenceManager()->GetSequenceDef(fields.GetFieldDef(kRecID).SequenceId);
  EXPECT_EQ(sequence.Name, "$S_Autoinc$fans$RecID");
  const auto& primary = static_cast<const TSQLMemConstraintDefPrimary&>(
      table.ConstraintManager()->ConstraintDefs.GetConstraintDef(0));
  EXPECT_EQ(primary.Name2, "fans");
  EXPECT_EQ(primary.Id3, index.ObjectId) << "the key constraint is bound to the index as created";
  EXPECT_EQ(table.ConstraintManager()->NoConstraints, 0);

  // The first cursor made the buffer cache; the cursor read the table's definitions.
  ASSERT_NE(table.RecordBufferCache(), nullptr);
  EXPECT_EQ(table.RecordBufferCache()->BufferSize(), 50);
  EXPECT_EQ(cursor.IndexDefs->GetCount(), 1);
  EXPECT_EQ(cursor.refreshes, 1);
}

TEST_F(TableDataTest, SchemaValidationGivesItsCodes) {
  struct Case {
    const char* what;
    std::function<void(DiarySchema&)> change;
    Integer code;
    const char* message;
  };
  const Case cases[] = {
      {"no fields", [](DiarySchema& s) { s.fields.Clear(); }, 10025,
       "Error creating table - no fields were specified - Native error: 10025"},
      {"unnamed field", [](DiarySchema& s) { s.AddField("", sftInteger, 0); }, 11432,
       "Cannot create table 'fans'. Unnamed fields are not allowed - Native error: 11432"},
      {"same name in another case", [](DiarySchema& s) { s.AddField("TITLE", sftInteger, 0); }, 11430,
       "Cannot create table 'fans'. Duplicate field name 'TITLE' - Native error: 11430"},
      {"unnamed index", [](DiarySchema& s) { s.indexes.AddIndexDef().SetColumnCount(1); }, 11433,
       "Cannot create table 'fans'. Unnamed indexes are not allowed - Native error: 11433"},
      {"index without columns", [](DiarySchema& s) { s.indexes.AddIndexDef().Name = "Empty"; }, 11434,
       "Cannot create table 'fans'. No fields defined in index 'Empty' - Native error: 11434"},
      {"duplicate index",
       [](DiarySchema& s) {
         TSQLMemIndexDef& index = s.indexes.AddIndexDef();
         index.Name = "byshortdate";
         index.SetColumnCount(1);
         index.GetColumn(0).Name = "Title";
       },
       11428, "Cannot create table 'fans'. Duplicate index name 'byshortdate' - Native error: 11428"},
      {"two primary indexes",
       [](DiarySchema& s) {
         TSQLMemIndexDef& index = s.indexes.AddIndexDef();
         index.Name = "ByTitle";
         index.Primary = 1;
         index.SetColumnCount(1);
         index.GetColumn(0).Name = "Title";
       },
       11427,
       "Cannot create table 'fans'. Error in indexes definition - multiple primary indexes are not allowed - Native "
       "error: 11427"},
      {"duplicate constraint name",
       [](DiarySchema& s) {
         TSQLMemConstraintDefNotNull& notNull = s.constraints.AddNotNull();
         notNull.Name = "BYSHORTDATE";
         notNull.Name3 = "Title";
       },
       11431, "Cannot create table 'fans'. Duplicate constraint name 'BYSHORTDATE' - Native error: 11431"},
      {"BLOB block size 0", [](DiarySchema& s) { s.fields.GetFieldDef(kText).BLOBBlockSize = 0; }, 10421,
       "BLOB block size should be > 0 for field Text - Native error: 10421"},
      {"foreign key to a missing table",
       [](DiarySchema& s) {
         TSQLMemConstraintDefForeignKey& key = s.constraints.AddForeignKey();
         key.Name = "FK";
         key.RelatedTableName = "other";
         key.Columns.push_back({"Title", -1});
       },
       11582, "Table not found, table name = other - Native error: 11582"},
      {"foreign key of another type than the key",
       [](DiarySchema& s) {
         TSQLMemConstraintDefForeignKey& key = s.constraints.AddForeignKey();
         key.Name = "FK";
         key.RelatedTableName = "FANS";
         key.Columns.push_back({"Text", -1});
       },
       11446,
       "Invalid foreign key 'FK' definition in table 'fans' - types of foreign key field 'Text' and primary key field "
       "'ShortDateDay' of the referenced table 'fans' mismatches - Native error: 11446"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DiarySchema schema;
    c.change(schema);
    TableCursor& cursor = NewCursor();
    auto* table = static_cast<TSQLMemMemoryTableData*>(database->CreateTableData(cursor));
    ExpectEngineError([&] { table->CreateTable(cursor, schema.fields, schema.constraints, schema.indexes); }, c.code,
                      c.message);
    delete table;
  }
  EXPECT_EQ(database->GetTableCount(), 0) << "a freed table leaves the database's list";

  // Unnamed constraints are not compared with each other.
  DiarySchema schema;
  for (int i = 0; i < 2; ++i) schema.constraints.AddNotNull().Name3 = "Title";
  TableCursor& cursor = NewCursor();
  Create(cursor, schema);
  EXPECT_EQ(database->GetTableCount(), 1);
}

TEST_F(TableDataTest, GuardsRefuseWhileCursorsAreAttached) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  TSQLMemMemoryStream stream;
  struct Case {
    const char* what;
    std::function<void()> call;
    Integer code;
    const char* message;
  };
  const Case cases[] = {
      {"load", [&] { table.CheckCanLoad(stream); }, 10152,
       "Cannot load table 'fans'. Table is open by another dataset - Native error: 10152"},
      {"save", [&] { table.CheckCanSave(stream, 1, 9, 2097152, false); }, 10153,
       "Cannot save table 'fans'. Table is open by another dataset - Native error: 10153"},
      {"load the stream", [&] { table.LoadFromStream(stream); }, 10152,
       "Cannot load table 'fans'. Table is open by another dataset - Native error: 10152"},
      {"save the stream", [&] { table.SaveToStream(stream, 1, 9, 2097152, false); }, 10153,
       "Cannot save table 'fans'. Table is open by another dataset - Native error: 10153"},
      {"empty", [&] { table.EmptyTable(&cursor, false); }, 10072,
       "Cannot delete table 'fans'. Table is open by another dataset - Native error: 10072"},
      {"rename", [&] { table.RenameTable("days"); }, 10150,
       "Cannot rename table 'fans'. Table is open by another dataset - Native error: 10150"},
      {"delete", [&] { table.DeleteTable(&session, false, false); }, 20017,
       "Cannot delete table 'fans'. Table is open by another dataset - Native error: 20017"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectEngineError(c.call, c.code, c.message);
  }
  // Saving past open cursors is allowed on request; deleting with force keeps a table that is open.
  table.CheckCanSave(stream, 1, 9, 2097152, true);
  EXPECT_FALSE(table.DeleteTable(&session, false, true));
  EXPECT_EQ(database->GetTableCount(), 1);

  // Once the cursor is gone every guard passes.
  table.DetachCursor(cursor);
  table.CheckCanLoad(stream);
  table.CheckCanSave(stream, 1, 9, 2097152, false);
  table.RenameTable("days");
  EXPECT_EQ(table.GetTableName(), "days");
  EXPECT_TRUE(database->TableExists("DAYS"));
  table.EmptyTable(nullptr, false);
}

TEST_F(TableDataTest, RenamingToAnExistingNameIsRefused) {
  TableCursor& first = NewCursor("fans");
  TSQLMemMemoryTableData& fans = Create(first);
  TableCursor& second = NewCursor("notes");
  Create(second);
  fans.DetachCursor(first);
  ExpectEngineError([&] { fans.RenameTable("NOTES"); }, 11491,
                    "Cannot rename table 'fans' to 'NOTES' - table with such name already exists - Native error: 11491");
}

TEST_F(TableDataTest, ATableThatIsDeletedIsFreedByItsOwnerAfterTheCall) {
  TableCursor& cursor = NewCursor();
  TSQLMemTableData* table = &Create(cursor);
  ASSERT_TRUE(InsertDay(cursor, "2026.12.10", "day"));
  // Open: the forced delete keeps the object, the unforced one refuses.
  DropTableData(table, &session, false, true);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(database->GetTableCount(), 1);
  table->DetachCursor(cursor);
  DropTableData(table, &session, false, false);
  EXPECT_EQ(table, nullptr);
  EXPECT_EQ(database->GetTableCount(), 0);
}

TEST_F(TableDataTest, AttachAndDetachKeepTheBufferCacheAndTheSessionsPaths) {
  TableCursor& first = NewCursor();
  TSQLMemMemoryTableData& table = Create(first);
  for (const char* day : {"2026.01.01", "2026.01.02", "2026.01.03"}) ASSERT_TRUE(InsertDay(first, day, "t"));
  TableTestSession other;
  database->AddSession(&other);
  EXPECT_EQ(other.SessionId, 1);
  TableCursor& second = NewCursor("fans", &session);
  TableCursor& third = NewCursor("fans", &other);
  Attach(second, table);
  Attach(third, table);
  EXPECT_EQ(table.CursorCount(), 3);

  // Walking by the index leaves a remembered path for each session.
  for (TableCursor* cursor : {&second, &third}) {
    cursor->SetIndexName("ByShortDate");
    EXPECT_EQ(Days(*cursor).size(), 3u);
  }
  TSQLMemBTreeIndex& index = static_cast<TSQLMemBTreeIndex&>(table.IndexManager()->GetIndex(table.IndexManager()->IndexDefs.GetItem(0).ObjectId));
  EXPECT_EQ(index.Cache().Count(), 2);
  table.DetachCursor(second);
  EXPECT_EQ(index.Cache().Count(), 2) << "the session still has a cursor on the table";
  table.DetachCursor(third);
  EXPECT_EQ(index.Cache().Count(), 1) << "the other session's paths went with its last cursor";
  table.DetachCursor(first);
  EXPECT_EQ(table.RecordBufferCache(), nullptr);
  Attach(first, table);
  EXPECT_NE(table.RecordBufferCache(), nullptr);

  TableCursor orphan(nullptr, "fans");
  ExpectEngineError([&] { table.DetachCursor(orphan); }, 11631, "Nil pointer occured - Native error: 11631");
}

TEST_F(TableDataTest, RenameFieldChecksNamesAndIndexes) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  ExpectEngineError([&] { table.RenameField("Nothing", "X"); }, 30343, "Field 'Nothing' not found - Native error: 30343");
  ExpectEngineError([&] { table.RenameField("Title", "text"); }, 30344,
                    "Cannot rename field 'Title'. Field 'text' already exists - Native error: 30344");
  ExpectEngineError([&] { table.RenameField("shortdateday", "Day"); }, 11489,
                    "Cannot rename field 'shortdateday' in table 'fans' - index 'ByShortDate' includes this field - "
                    "Native error: 11489");
  table.RenameField("title", "Caption");
  EXPECT_EQ(table.TableFieldDefs().GetFieldDef(kTitle).Name, "Caption");
}

TEST_F(TableDataTest, AddAndDeleteIndexKeepConstraintsAndCursorsInStep) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  for (const char* title : {"c", "a", "b"}) ASSERT_TRUE(InsertDay(cursor, std::string("2026.02.0") + title[0], title));
  TableCursor& watcher = NewCursor();
  Attach(watcher, table);
  const Integer refreshesBefore = watcher.refreshes;

  TSQLMemIndexDef byTitle;
  byTitle.Name = "ByTitle";
  byTitle.Unique = 1;
  byTitle.SetColumnCount(1);
  byTitle.GetColumn(0).Name = "Title";
  table.AddIndex(byTitle, cursor);
  EXPECT_GT(byTitle.ObjectId, 0);
  EXPECT_EQ(table.IndexManager()->IndexDefs.GetCount(), 2);
  EXPECT_EQ(watcher.refreshes, refreshesBefore + 1);
  EXPECT_EQ(watcher.IndexDefs->GetCount(), 2);
  const TSQLMemConstraintDefs& constraints = table.ConstraintManager()->ConstraintDefs;
  ASSERT_EQ(constraints.GetCount(), 2);
  EXPECT_EQ(constraints.GetConstraintDef(1).Kind, ckUnique);
  EXPECT_EQ(static_cast<const TSQLMemConstraintDefUnique&>(constraints.GetConstraintDef(1)).Id3, byTitle.ObjectId);

  // The new index was filled with the records there were, and serves the sort by title.
  watcher.SetIndexName("ByTitle");
  EXPECT_EQ(Days(watcher), (std::vector<std::string>{"2026.02.0a", "2026.02.0b", "2026.02.0c"}));
  EXPECT_EQ(table.FindIndexForSort({"TITLE"}, {"ASC"}, {"CASE"}), "ByTitle");
  EXPECT_EQ(table.FindIndexForSort({"Text"}, {"ASC"}, {"CASE"}), "");
  // Its unique constraint now refuses a second "a".
  ExpectEngineError([&] { InsertDay(cursor, "2026.02.09", "a"); }, 30320,
                    "Constraint unique 'ByTitle' violated. Duplicate found. - Native error: 30320");

  table.DeleteIndex(byTitle.ObjectId, &cursor);
  EXPECT_EQ(table.IndexManager()->IndexDefs.GetCount(), 1);
  EXPECT_EQ(constraints.GetCount(), 1);
  EXPECT_EQ(watcher.CurrentIndexId(), -1) << "the watcher's index is gone";
  EXPECT_TRUE(InsertDay(cursor, "2026.02.09", "a"));

  // Deleting every index frees every page.
  table.DeleteAllIndexes(&cursor);
  EXPECT_EQ(table.IndexManager()->IndexDefs.GetCount(), 0);
  EXPECT_EQ(table.GetPageManager().GetPageCount(), 0);
  EXPECT_EQ(constraints.GetCount(), 0);
}

TEST_F(TableDataTest, UseCountIsCountedAndChecked) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  table.IncUseCount();
  table.IncUseCount();
  table.DecUseCount();
  EXPECT_EQ(table.UseCount(), 1);
}

TEST_F(TableDataTest, ForeignKeysTyingTheTableHoldOffDeleteAndEmpty) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  table.DetachCursor(cursor);
  // Another table's foreign key that deletes along with this table's records (as binding it adds).
  TSQLMemConstraintDefs& constraints = table.ConstraintManager()->ConstraintDefs;
  TSQLMemConstraintDefForeignKeyAction& action = constraints.AddForeignKeyAction();
  action.Name = "FK_Action";
  action.RelatedTableName = "notes";
  action.DeleteAction = 1;
  EXPECT_TRUE(table.HasForeignKeys());
  ExpectEngineError([&] { table.DeleteTable(&session, false, false); }, 11481,
                    "Cannot delete table 'fans' - foreign key constraint(s) violated - Native error: 11481");
  ExpectEngineError([&] { table.EmptyTable(nullptr, false); }, 11494,
                    "Cannot empty table 'fans' - foreign key(s) with delete action referencing this table exists - "
                    "Native error: 11494");
  table.EmptyTable(nullptr, true);
  // Without a session nothing is dropped in other tables: the flags go and the table may be freed.
  EXPECT_TRUE(table.DeleteTable(nullptr, true, false));
  EXPECT_FALSE(table.HasForeignKeys());
}

