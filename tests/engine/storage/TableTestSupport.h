// A memory database with the diary's table for the table tests: a session, cursors that read the
// table's definitions when attached, and the steps a cursor's post and delete take through the table.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemSession.h"
#include "tests/engine/foundation/EngineTestSupport.h"

class TableTestSession : public TSQLMemBaseSession {
 public:
  bool GetConnected() override { return true; }
  void SetConnected(bool /*connected*/) override {}
};

// A cursor on one table of the test: it takes the table's field and index definitions and a record
// buffer when the table attaches it.
class TableCursor : public TSQLMemCursor {
 public:
  // The table grows by the engine's default step (the cursor's AllocationStep).
  TableCursor(TSQLMemBaseSession* session, const AnsiString& tableName) : session_(session) { TableName = tableName; }
  ~TableCursor() override {
    if (CurrentRecordBuffer != nullptr) FreeRecordBuffer(CurrentRecordBuffer);
  }

  void ClearRecordBuffer(Byte* recordBuffer, bool /*applyDefaults*/) override {
    for (Integer i = 0; i < FieldDefs->NullBitmapSize(); ++i) recordBuffer[i] = 0xFF;
  }
  TStream* OpenBLOB(Integer /*fieldNo*/, Byte /*mode*/) override { return nullptr; }
  void CloseBLOB(Integer /*fieldNo*/) override {}
  TSQLMemBaseSession* StorageSession() const override { return session_; }
  void RefreshDefs() override {
    ++refreshes;
    if (table == nullptr) return;
    FieldDefs->Assign(table->TableFieldDefs());
    FieldDefs->UpdateLayout();
    IndexDefs->Assign(table->IndexManager()->IndexDefs);
    ComputeBufferGeometry();
    ProjectAllFields();
    if (CurrentRecordBuffer == nullptr) CurrentRecordBuffer = AllocRecordBuffer();
  }

  TSQLMemTableData* table = nullptr;
  Integer refreshes = 0;

 private:
  TSQLMemBaseSession* session_;
};

// The diary's table: RecID autoincrement, ShortDateDay string(10) with the primary index
// "ByShortDate", Title string(25), Text memo.
struct DiarySchema {
  DiarySchema() {
    AddField("RecID", sftAutoInc, 0);
    AddField("ShortDateDay", sftVarchar, 10);
    AddField("Title", sftVarchar, 25);
    AddField("Text", sftMemo, 0);
    TSQLMemIndexDef& index = indexes.AddIndexDef();
    index.Name = "ByShortDate";
    index.Primary = 1;
    index.Unique = 1;
    index.SetColumnCount(1);
    index.GetColumn(0).Name = "ShortDateDay";
    ConstraintFromIndexDef(index, constraints);
  }
  TSQLMemFieldDef& AddField(const char* name, Byte fieldType, Integer size) {
    TSQLMemFieldDef& field = fields.AddFieldDef();
    field.Name = name;
    field.SetDataType(fieldType, size);
    return field;
  }
  TSQLMemFieldDefs fields;
  TSQLMemIndexDefs indexes;
  TSQLMemConstraintDefs constraints;
};

enum DiaryField : Integer { kRecID = 0, kShortDateDay = 1, kTitle = 2, kText = 3 };

class MemoryTableTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    pageLeaksBefore_ = PageLeakReports();
    database = std::make_unique<TSQLMemMemoryDatabaseData>("TESTMEMORY");
    database->AddSession(&session);
  }
  void TearDown() override {
    cursors_.clear();
    database.reset();
    EXPECT_EQ(PageLeakReports(), pageLeaksBefore_) << "a table went with pages that belong to no index";
    EngineBlocksTest::TearDown();
  }

  TableCursor& NewCursor(const AnsiString& tableName = "fans", TSQLMemBaseSession* on = nullptr) {
    cursors_.push_back(std::make_unique<TableCursor>(on != nullptr ? on : &session, tableName));
    return *cursors_.back();
  }

  // Creates the table through a cursor (as the cursor's CreateTable does) and attaches the cursor.
  TSQLMemMemoryTableData& Create(TableCursor& cursor, const DiarySchema& schema = DiarySchema()) {
    auto* table = static_cast<TSQLMemMemoryTableData*>(database->CreateTableData(cursor));
    table->CreateTable(cursor, schema.fields, schema.constraints, schema.indexes);
    Attach(cursor, *table);
    return *table;
  }
  void Attach(TableCursor& cursor, TSQLMemTableData& table) {
    cursor.table = &table;
    table.AttachCursor(cursor);
  }

  // A cursor's post of a new day: defaults and the next RecID, the values, the constraint check and
  // the insert.
  bool InsertDay(TableCursor& cursor, const std::string& day, const std::string& title) {
    Byte* buffer = cursor.CurrentRecordBuffer;
    cursor.InitRecordBuffer(buffer);
    cursor.table->InitNewRecord(cursor, buffer, true);
    PutText(cursor, kShortDateDay, day);
    PutText(cursor, kTitle, title);
    const TSQLMemRecordID position{cursor.PageNo, static_cast<Word>(cursor.ItemNo)};
    cursor.table->CheckConstraints(cursor, session.SessionId, false, position, true, nullptr, buffer);
    return cursor.table->InsertRecord(cursor);
  }
  // A cursor's post of an edit of the current record (the buffer holds the record as read).
  bool UpdateDay(TableCursor& cursor, const std::string& day, const std::string& title) {
    std::vector<Byte> old(cursor.CurrentRecordBuffer, cursor.CurrentRecordBuffer + cursor.RecordDataSize);
    PutText(cursor, kShortDateDay, day);
    PutText(cursor, kTitle, title);
    const TSQLMemRecordID position{cursor.PageNo, static_cast<Word>(cursor.ItemNo)};
    cursor.table->CheckConstraints(cursor, session.SessionId, false, position, false, old.data(),
                                   cursor.CurrentRecordBuffer);
    return cursor.table->UpdateRecord(cursor);
  }
  static void PutText(TableCursor& cursor, Integer fieldNo, const std::string& text) {
    TSQLMemVariant value;
    value.SetAsString(text);
    cursor.SetFieldValue(cursor.CurrentRecordBuffer, value, fieldNo, true);
  }
  static std::string Text(TableCursor& cursor, Integer fieldNo) {
    TSQLMemVariant value;
    cursor.GetFieldValue(value, fieldNo, true, true);
    return value.IsNull() ? std::string("<null>") : std::string(value.GetAsString());
  }
  static Int64 RecId(TableCursor& cursor) {
    TSQLMemVariant value;
    cursor.GetFieldValue(value, kRecID, true, true);
    return value.GetAsLargeInt();
  }
  // Positions the cursor on the record with that slot and reads it.
  static Byte Read(TableCursor& cursor, Integer slot) {
    cursor.PageNo = slot;
    cursor.ItemNo = 0;
    cursor.Bof = cursor.Eof = 0;
    return cursor.table->MoveCursor(cursor, ndCurrent);
  }
  // The days in the cursor's order (its index, or slot order), walked forward from the first.
  static std::vector<std::string> Days(TableCursor& cursor) {
    std::vector<std::string> days;
    cursor.SetBeginOfData();
    while (cursor.table->MoveCursor(cursor, ndNext) == nrFound) days.push_back(Text(cursor, kShortDateDay));
    return days;
  }

  TableTestSession session;
  std::unique_ptr<TSQLMemMemoryDatabaseData> database;

 private:
  std::vector<std::unique_ptr<TableCursor>> cursors_;
  Integer pageLeaksBefore_ = 0;
};
