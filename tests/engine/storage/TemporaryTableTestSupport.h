// A temporary database for the temporary-table tests: a result table of a number, a name and a
// memo, cursors that attach to it, and the steps a cursor takes to append a row (with its memo
// written through the table's BLOB stream), read rows back and let go of the table.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/storage/SQLMemTemporaryDatabase.h"
#include "tests/engine/storage/TableTestSupport.h"

// N integer, Name varchar(20), Memo memo; withIndex adds the non-unique index "ByName".
struct ResultSchema {
  explicit ResultSchema(bool withIndex = false) {
    AddField("N", sftInteger, 0);
    AddField("Name", sftVarchar, 20);
    AddField("Memo", sftMemo, 0);
    if (!withIndex) return;
    TSQLMemIndexDef& index = indexes.AddIndexDef();
    index.Name = "ByName";
    index.SetColumnCount(1);
    index.GetColumn(0).Name = "Name";
  }
  void AddField(const char* name, Byte fieldType, Integer size) {
    TSQLMemFieldDef& field = fields.AddFieldDef();
    field.Name = name;
    field.SetDataType(fieldType, size);
  }
  TSQLMemFieldDefs fields;
  TSQLMemIndexDefs indexes;
  TSQLMemConstraintDefs constraints;
};

enum ResultField : Integer { kN = 0, kName = 1, kMemo = 2 };

struct ResultRow {
  Integer n = 0;
  std::string name;
  std::string memo;  // empty: NULL
  friend bool operator==(const ResultRow&, const ResultRow&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const ResultRow& row) {
  return out << "{" << row.n << ", " << row.name << ", " << row.memo.size() << " memo bytes}";
}

class TemporaryTableTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    database = std::make_unique<TSQLMemTemporaryDatabaseData>();
    database->AddSession(&session);
  }
  void TearDown() override {
    cursors_.clear();
    database.reset();
    EngineBlocksTest::TearDown();
  }

  TableCursor& NewCursor(const AnsiString& tableName = "") {
    cursors_.push_back(std::make_unique<TableCursor>(&session, tableName));
    TableCursor& cursor = *cursors_.back();
    cursor.Temporary = 1;
    return cursor;
  }

  // A new table of the database (its name goes to the cursor), built from the schema with the
  // record store's memory limit given (-1: from the available memory), the cursor attached.
  TSQLMemTemporaryTableData& Create(TableCursor& cursor, const ResultSchema& schema = ResultSchema(),
                                    Integer memoryLimit = -1) {
    auto* table = static_cast<TSQLMemTemporaryTableData*>(database->CreateTableData(cursor));
    table->SetRecordMemoryLimit(memoryLimit);
    table->CreateTable(cursor, schema.fields, schema.constraints, schema.indexes);
    Attach(cursor, *table);
    return *table;
  }
  static void Attach(TableCursor& cursor, TSQLMemTableData& table) {
    cursor.table = &table;
    table.AttachCursor(cursor);
  }
  // The cursor lets go of its table, as a closing cursor does.
  static void Detach(TableCursor& cursor) {
    TSQLMemTableData* table = cursor.table;
    cursor.table = nullptr;
    DetachTableCursor(table, cursor);
  }

  static TSQLMemTemporaryTableData& TableOf(TableCursor& cursor) {
    return static_cast<TSQLMemTemporaryTableData&>(*cursor.table);
  }

  // Writes a memo value into the cursor's current buffer through the table's BLOB stream.
  static void PutMemo(TableCursor& cursor, const std::string& memo, bool insert = true) {
    std::unique_ptr<TSQLMemLocalBLOBStream> stream = TableOf(cursor).OpenBLOB(cursor, insert, bomWrite, kMemo);
    if (!memo.empty()) stream->WriteBuffer(memo.data(), static_cast<Integer>(memo.size()));
    TableOf(cursor).StoreBLOB(cursor, kMemo, *stream);
  }
  static std::string Memo(TableCursor& cursor) {
    if (IsRecordFieldNull(kMemo, cursor.CurrentRecordBuffer)) return {};
    std::unique_ptr<TSQLMemLocalBLOBStream> stream = TableOf(cursor).OpenBLOB(cursor, false, bomRead, kMemo);
    std::string bytes(static_cast<std::size_t>(stream->GetSize()), '\0');
    if (!bytes.empty()) stream->ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    return bytes;
  }

  // A cursor's post of a new row.
  static bool Append(TableCursor& cursor, const ResultRow& row) {
    Byte* buffer = cursor.CurrentRecordBuffer;
    cursor.InitRecordBuffer(buffer);
    TSQLMemVariant n, name;
    n.SetAsInteger(row.n);
    cursor.SetFieldValue(buffer, n, kN, true);
    name.SetAsString(row.name);
    cursor.SetFieldValue(buffer, name, kName, true);
    PutMemo(cursor, row.memo);
    return cursor.table->InsertRecord(cursor);
  }
  static ResultRow Row(TableCursor& cursor) {
    TSQLMemVariant n, name;
    ResultRow row;
    cursor.GetFieldValue(n, kN, true, true);
    row.n = n.GetAsInteger();
    cursor.GetFieldValue(name, kName, true, true);
    row.name = name.IsNull() ? std::string() : std::string(name.GetAsString());
    row.memo = Memo(cursor);
    return row;
  }
  // The rows in the cursor's order (its index, or append order), walked forward from the first.
  static std::vector<ResultRow> Rows(TableCursor& cursor) {
    std::vector<ResultRow> rows;
    cursor.SetBeginOfData();
    while (cursor.table->MoveCursor(cursor, ndNext) == nrFound) rows.push_back(Row(cursor));
    return rows;
  }

  TableTestSession session;
  std::unique_ptr<TSQLMemTemporaryDatabaseData> database;

 private:
  std::vector<std::unique_ptr<TableCursor>> cursors_;
};
