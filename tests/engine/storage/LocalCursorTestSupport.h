// A fixture for tests through the local cursor: a memory database of the test's own (so that no test
// leaves a table in "MEMORY"), a connected session and cursors made as the dataset components make them.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/TableTestSupport.h"

// A text field of the cursor's current record buffer (projected field numbers); "<null>" for NULL.
inline void PutText(TSQLMemLocalCursor& cursor, Integer fieldNo, const std::string& text) {
  TSQLMemVariant value;
  value.SetAsString(text);
  cursor.SetFieldValue(nullptr, value, fieldNo, false);
}
inline std::string Text(TSQLMemLocalCursor& cursor, Integer fieldNo) {
  TSQLMemVariant value;
  cursor.GetFieldValue(value, fieldNo, true, false);
  return value.IsNull() ? std::string("<null>") : std::string(value.GetAsString().c_str());
}
// Every record of a diary table in the cursor's order: "day|title|memo".
inline std::vector<std::string> DiaryRows(TSQLMemLocalCursor& cursor) {
  std::vector<std::string> rows;
  cursor.SetBeginOfData();
  while (cursor.GetRecord(ndNext) == nrFound)
    rows.push_back(Text(cursor, kShortDateDay) + "|" + Text(cursor, kTitle) + "|" + Text(cursor, kText));
  return rows;
}

class LocalCursorFixture : public EngineBlocksTest {
 protected:
  explicit LocalCursorFixture(const char* databaseName) : databaseName_(databaseName) {}
  void SetUp() override {
    EngineBlocksTest::SetUp();
    pageLeaksBefore_ = PageLeakReports();
    database_ = std::make_unique<TSQLMemMemoryDatabaseData>(databaseName_);
    session.InMemory = 1;
    session.DatabaseName = databaseName_;
    session.SetConnected(true);
  }
  void TearDown() override {
    for (auto& cursor : cursors_) {
      if (cursor->CurrentRecordBuffer != nullptr) cursor->FreeRecordBuffer(cursor->CurrentRecordBuffer);
      cursor.reset();
    }
    session.SetConnected(false);
    database_.reset();
    EXPECT_EQ(PageLeakReports(), pageLeaksBefore_) << "a table went with pages that belong to no index";
    EngineBlocksTest::TearDown();
  }

  // A closed in-memory cursor on the table.
  TSQLMemLocalCursor& NewCursor(const AnsiString& tableName) {
    cursors_.push_back(std::make_unique<TSQLMemLocalCursor>());
    TSQLMemLocalCursor& cursor = *cursors_.back();
    cursor.Session = &session;
    cursor.InMemory = 1;
    cursor.TableName = tableName;
    return cursor;
  }
  // Creates the table, opens the cursor and gives it a record buffer of its own, as the dataset does.
  TSQLMemLocalCursor& CreateAndOpen(const AnsiString& tableName, const TSQLMemFieldDefs& fields,
                                    const TSQLMemIndexDefs& indexes, const TSQLMemConstraintDefs& constraints) {
    TSQLMemLocalCursor& cursor = NewCursor(tableName);
    cursor.CreateTable(fields, indexes, constraints);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    return cursor;
  }
  // Starts a new record with the table's defaults.
  static void NewRecord(TSQLMemLocalCursor& cursor) {
    cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
  }
  // Writes a BLOB field through a stream opened for writing and closes it, which stores the value.
  static void PutBLOB(TSQLMemLocalCursor& cursor, Integer fieldNo, const std::string& bytes) {
    TStream* stream = cursor.OpenBLOB(fieldNo, bomWrite);
    ASSERT_NE(stream, nullptr);
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    cursor.CloseBLOB(fieldNo);
  }

  TSQLMemLocalSession session;
  TSQLMemDatabaseData& Database() const { return *database_; }

 private:
  const char* databaseName_;
  Integer pageLeaksBefore_ = 0;
  std::unique_ptr<TSQLMemMemoryDatabaseData> database_;
  std::vector<std::unique_ptr<TSQLMemLocalCursor>> cursors_;
};
