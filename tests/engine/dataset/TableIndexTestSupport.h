// The ground of the table component's index, key and master/detail tests: the dataset fixture's
// database with the diary table "fans", table components on it (and on tables of the tests' own), rows
// written straight through an engine cursor, and small readers of what a table shows.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "engine/dataset/SQLMemTable.h"
#include "tests/engine/dataset/DataSetTestSupport.h"
#include "vcl/db/DBConsts.h"
#include "vcl/db/DataSource.h"
#include "vcl/db/Fields.h"

// Counts the data-set changes a table reports to its links (a resync, a move to the first record ...).
class TCountingLink : public TDataLink {
 public:
  TCountingLink(TDataSet& dataSet, TComponent& owner) : source_(New<TDataSource>(&owner)) {
    source_->SetDataSet(&dataSet);
    SetDataSource(source_);
  }
  int changes = 0;

 protected:
  void DataSetChanged() override { ++changes; }

 private:
  TDataSource* source_;
};

class TableIndexTest : public DiaryDataSetTest {
 protected:
  // A cell of AddRows: a number, a text, or nothing (the field keeps its default).
  using Cell = std::variant<std::monostate, int, std::string>;

  void SetUp() override {
    InitializeEngineFoundation();
    blocksBefore_ = MemoryManager().Allocated();
    DiaryDataSetTest::SetUp();
  }
  void TearDown() override {
    owner_.reset();  // the components let the database go before the fixture disconnects it
    DiaryDataSetTest::TearDown();
    EXPECT_EQ(MemoryManager().Allocated(), blocksBefore_) << "engine blocks leaked";
  }

  TSQLMemTable* NewTable(const AnsiString& tableName) {
    auto* table = New<TSQLMemTable>(owner_.get());
    table->SetDatabaseName(kDataSetTestDatabase);
    table->SetTableName(tableName);
    return table;
  }

  // A component on "fans" as the diary sets it up: its four columns and the primary index on the day.
  TSQLMemTable* NewDiaryTable() {
    TSQLMemTable* table = NewTable("fans");
    table->FieldDefs().Add("RecID", ftAutoInc);
    table->FieldDefs().Add("ShortDateDay", ftString, 10);
    table->FieldDefs().Add("Title", ftString, 25);
    table->FieldDefs().Add("Text", ftMemo);
    table->IndexDefs().Clear();
    table->IndexDefs().Add("ByShortDate", "ShortDateDay", {ixPrimary});
    return table;
  }

  // "fans" holding the days in the order given (so in no index's order), opened without an index.
  TSQLMemTable* OpenDiaryTable(const std::vector<std::string>& days) {
    std::vector<DiaryDay> rows;
    for (const std::string& day : days) rows.push_back(DiaryDay{day, day + " - title", "text of " + day});
    AddDays(rows);
    TSQLMemTable* table = NewDiaryTable();
    table->Open();
    return table;
  }

  // Writes rows into a table through an engine cursor, one cell per field in order.
  void AddRows(const AnsiString& tableName, const std::vector<std::vector<Cell>>& rows) {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = tableName;
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    for (const std::vector<Cell>& row : rows) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (std::holds_alternative<std::monostate>(row[i])) continue;
        TSQLMemVariant value;
        if (const int* number = std::get_if<int>(&row[i]))
          value.SetAsInteger(*number);
        else
          value.SetAsString(std::get<std::string>(row[i]));
        cursor.SetFieldValue(nullptr, value, static_cast<Integer>(i), false);
      }
      cursor.PostRecord(true);
      ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
  }

  // The field's values from the first record to the last (the table ends past its last record).
  static std::vector<std::string> Column(TDataSet& table, const char* field) {
    std::vector<std::string> values;
    for (table.First(); !table.Eof(); table.Next()) values.push_back(table.FieldByName(field)->AsString());
    return values;
  }

  static Integer EngineErrorCode(const std::function<void()>& run) {
    try {
      run();
    } catch (const ESQLMemException& e) {
      return e.NativeError();
    }
    return 0;
  }

  static std::string DatabaseErrorText(const std::function<void()>& run) {
    try {
      run();
    } catch (const EDatabaseError& e) {
      return e.Message();
    }
    return "<no error>";
  }

  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);

 private:
  Int64 blocksBefore_ = 0;
};
