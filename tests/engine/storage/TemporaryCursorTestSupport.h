// Temporary tables through the local cursor, as the dataset components and the SQL layer reach them:
// a session on the start-up database "TEMP", temporary cursors, and the steps of building a result
// table, posting rows (with their memos written through the cursor's BLOB streams) and reading them
// back. Every test must leave "TEMP" with the tables it found there.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemMemory.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemTemporaryDatabase.h"
#include "tests/engine/storage/TemporaryTableTestSupport.h"

class TemporaryCursorTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    session.Temporary = 1;
    session.DatabaseName = "TEMP";
    session.DatabaseFileName = "TEMP";
    session.SetConnected(true);
    database_ = session.DatabaseData();
    ASSERT_NE(dynamic_cast<TSQLMemTemporaryDatabaseData*>(database_), nullptr);
    tablesBefore_ = database_->GetTableCount();
  }
  void TearDown() override {
    for (auto& cursor : cursors_) {
      if (cursor->CurrentRecordBuffer != nullptr) cursor->FreeRecordBuffer(cursor->CurrentRecordBuffer);
      cursor.reset();
    }
    if (database_ != nullptr) {
      EXPECT_EQ(database_->GetTableCount(), tablesBefore_) << "temporary tables left behind";
    }
    session.SetConnected(false);
    EngineBlocksTest::TearDown();
  }

  // A closed temporary cursor, as the components make one.
  TSQLMemLocalCursor& NewCursor(const AnsiString& tableName = "") {
    cursors_.push_back(std::make_unique<TSQLMemLocalCursor>());
    TSQLMemLocalCursor& cursor = *cursors_.back();
    cursor.Session = &session;
    cursor.Temporary = 1;
    cursor.TableName = tableName;
    return cursor;
  }
  // Opens the cursor on the table it names and gives it a record buffer of its own.
  static void Open(TSQLMemLocalCursor& cursor) {
    cursor.OpenTable(nullptr, nullptr, nullptr);
    if (cursor.CurrentRecordBuffer == nullptr) cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
  }
  // Builds a new temporary table through a fresh cursor and opens it there. memoryRows >= 0 makes the
  // table's record store keep that many records in memory: while the table is built the engine sees
  // just enough available memory for it (a tenth of it, in records).
  TSQLMemLocalCursor& CreateAndOpen(const ResultSchema& schema = ResultSchema(), Integer memoryRows = -1) {
    TSQLMemLocalCursor& cursor = NewCursor();
    TAvailableMemorySource previous;
    if (memoryRows >= 0) {
      TSQLMemFieldDefs layout;
      layout.Assign(schema.fields);
      layout.UpdateLayout();
      const Int64 available = Int64{memoryRows} * layout.RecordSize() * 10;
      previous = SetAvailableMemorySource([available] { return available; });
    }
    try {
      cursor.CreateTable(schema.fields, schema.indexes, schema.constraints);
    } catch (...) {
      if (memoryRows >= 0) SetAvailableMemorySource(previous);
      throw;
    }
    if (memoryRows >= 0) SetAvailableMemorySource(previous);
    Open(cursor);
    return cursor;
  }

  static TSQLMemTemporaryTableData& TableOf(TSQLMemLocalCursor& cursor) {
    auto* table = dynamic_cast<TSQLMemTemporaryTableData*>(cursor.TableData());
    if (table == nullptr) throw std::logic_error("the cursor is not open on a temporary table");
    return *table;
  }
  // The table's spill file; empty while nothing has spilled.
  static WideString SpillFileOf(TSQLMemLocalCursor& cursor) {
    return TableOf(cursor).TemporaryRecordManager()->SpillFileName();
  }
  bool TableExists(const AnsiString& name) { return database_->TableExists(name); }
  Integer TableCount() { return database_->GetTableCount() - tablesBefore_; }

  // A new row posted as the dataset posts one; the cursor's result code.
  static Integer Post(TSQLMemLocalCursor& cursor, const ResultRow& row) {
    cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
    TSQLMemVariant n, name;
    n.SetAsInteger(row.n);
    cursor.SetFieldValue(nullptr, n, kN, false);
    name.SetAsString(row.name);
    cursor.SetFieldValue(nullptr, name, kName, false);
    if (!row.memo.empty()) {
      TStream* stream = cursor.OpenBLOB(kMemo, bomWrite);
      if (stream == nullptr) throw std::logic_error("no BLOB stream");
      stream->WriteBuffer(row.memo.data(), static_cast<Integer>(row.memo.size()));
      cursor.CloseBLOB(kMemo);
    }
    cursor.PostRecord(true);
    return cursor.ResultCode;
  }
  // The current row, its memo read through the cursor's BLOB stream.
  static ResultRow Row(TSQLMemLocalCursor& cursor) {
    TSQLMemVariant n, name, memo;
    cursor.GetFieldValue(n, kN, true, false);
    cursor.GetFieldValue(name, kName, true, false);
    cursor.GetFieldValue(memo, kMemo, true, false);
    ResultRow row;
    row.n = n.GetAsInteger();
    row.name = name.IsNull() ? std::string() : std::string(name.GetAsString().c_str());
    // Memo values carry their terminator.
    row.memo = memo.IsNull() ? std::string() : std::string(memo.GetAsString().c_str());
    return row;
  }
  // Every row in the cursor's order, walked forward from the first.
  static std::vector<ResultRow> Rows(TSQLMemLocalCursor& cursor) {
    std::vector<ResultRow> rows;
    cursor.SetBeginOfData();
    while (cursor.GetRecord(ndNext) == nrFound) rows.push_back(Row(cursor));
    return rows;
  }

  TSQLMemLocalSession session;

 private:
  TSQLMemDatabaseData* database_ = nullptr;
  Integer tablesBefore_ = 0;
  std::vector<std::unique_ptr<TSQLMemLocalCursor>> cursors_;
};
