// The SQL statement tests' ground: the dataset tests' database with the diary's table "fans", a
// processor over it, and the rows of a result.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dataset/SQLMemTable.h"
#include "engine/sql/SQLMemLocalSQLProcessor.h"
#include "engine/storage/SQLMemSchema.h"
#include "tests/engine/dataset/DataSetTestSupport.h"

using SQLRows = std::vector<std::string>;
using IntRow = std::vector<std::optional<Integer>>;

class SQLStatementTest : public DiaryDataSetTest {
 protected:
  void TearDown() override {
    processor_.reset();  // its commands hold result tables
    DiaryDataSetTest::TearDown();
  }

  TSQLMemSQLContext Context() const {
    TSQLMemSQLContext context;
    context.DatabaseName = kDataSetTestDatabase;
    return context;
  }

  // A processor for text (the previous one goes), with one text parameter per name/value pair.
  TSQLMemLocalSQLProcessor& Processor(const char* text,
                                      const std::vector<std::pair<const char*, const char*>>& params = {}) {
    processor_.reset();
    processor_ = std::make_unique<TSQLMemLocalSQLProcessor>(Context());
    processor_->SetSQLText(text);
    for (const auto& [name, value] : params) processor_->Params.Add(name).Value.SetAsString(value);
    return *processor_;
  }

  // Runs text and returns the rows of its result (none when it gives no cursor).
  SQLRows Run(const char* text, const std::vector<std::pair<const char*, const char*>>& params = {}) {
    TSQLMemLocalSQLProcessor& processor = Processor(text, params);
    processor.Prepare();
    return processor.ResultDataSet() != nullptr ? RowsOf(*processor.ResultDataSet()) : SQLRows{};
  }

  // The result's rows, each as its fields' texts joined by "|", in the result's order.
  static SQLRows RowsOf(TSQLMemDataSet& result) {
    SQLRows rows;
    for (result.First(); !result.Eof(); result.Next()) {
      std::string row;
      for (int i = 0; i < result.FieldCount(); ++i) {
        if (i > 0) row += "|";
        row += result.Fields()[i]->AsString();
      }
      rows.push_back(row);
    }
    return rows;
  }

  // The rows of a table of the fixture's database, in its natural order.
  SQLRows TableRows(const char* tableName) {
    TSQLMemTable table(nullptr);
    table.SetDatabaseName(kDataSetTestDatabase);
    table.SetTableName(tableName);
    table.Open();
    SQLRows rows = RowsOf(table);
    table.Close();
    return rows;
  }

  bool TableExists(const char* tableName) {
    TSQLMemTable table(nullptr);
    table.SetDatabaseName(kDataSetTestDatabase);
    table.SetTableName(tableName);
    return table.Exists();
  }

  // Adds an ascending, case-sensitive index on one column of a table.
  void AddIndex(const char* tableName, const char* indexName, const char* column) {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = tableName;
    cursor.OpenTable(nullptr, nullptr, nullptr);
    TSQLMemIndexDefs defs;
    TSQLMemIndexDef& index = defs.AddIndexDef();
    index.Name = indexName;
    index.SetColumnCount(1);
    index.GetColumn(0).Name = column;
    cursor.AddIndex(index);
    cursor.CloseTable();
  }

  // A table of the fixture's database with columns of the given SQL field types (a size for texts)
  // and rows given as texts, converted to the column's type; nullopt is NULL.
  struct Column {
    const char* name;
    Integer fieldType;
    Integer size = 0;
  };
  using TextRow = std::vector<std::optional<std::string>>;
  void CreateTable(const char* tableName, const std::vector<Column>& columns, const std::vector<TextRow>& rows) {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = tableName;
    TSQLMemFieldDefs fields;
    for (const Column& column : columns) {
      TSQLMemFieldDef& field = fields.AddFieldDef();
      field.Name = column.name;
      field.SetDataType(column.fieldType, column.size);
    }
    cursor.CreateTable(fields, TSQLMemIndexDefs(), TSQLMemConstraintDefs());
    cursor.CloseTable();
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    for (const TextRow& row : rows) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (!row[i].has_value()) continue;
        TSQLMemVariant value(fields.GetFieldDef(static_cast<Integer>(i)).DataType);
        value.SetAsString(*row[i]);
        cursor.SetFieldValue(nullptr, value, static_cast<Integer>(i), false);
      }
      cursor.PostRecord(true);
      ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
  }

  // A table of the fixture's database with Integer columns, filled with rows (a missing value is NULL).
  void CreateTable(const char* tableName, const std::vector<const char*>& columns, const std::vector<IntRow>& rows) {
    std::vector<Column> integers;
    for (const char* column : columns) integers.push_back({column, sftInteger});
    std::vector<TextRow> texts;
    for (const IntRow& row : rows) {
      TextRow& text = texts.emplace_back();
      for (const std::optional<Integer>& value : row)
        text.push_back(value.has_value() ? std::optional<std::string>(std::to_string(*value)) : std::nullopt);
    }
    CreateTable(tableName, integers, texts);
  }

  // The use count of a table's data, read through a cursor of its own.
  Integer UseCount(const char* tableName = "fans") {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = tableName;
    cursor.OpenTable(nullptr, nullptr, nullptr);
    const Integer count = cursor.TableData()->UseCount();
    cursor.CloseTable();
    return count;
  }


  std::unique_ptr<TSQLMemLocalSQLProcessor> processor_;
};

// The statement tests' five days of "fans", RecID 1..5 in this order.
class FiveDaysSQLTest : public SQLStatementTest {
 protected:
  void SetUp() override {
    SQLStatementTest::SetUp();
    AddDays({{"2024.01.03", "Cherry", "Rain all day"},
             {"2024.01.01", "Banana", "Sunny"},
             {"2024.01.02", "Apple", "rain, then sun"},
             {"2024.01.05", "Elder", "no RAIN"},
             {"2024.01.04", "Date", "Snow"}});
  }
};

// Runs action, expecting ESQLMemException code whose message ends with at (when at is not empty).
inline void ExpectSQLError(const std::function<void()>& action, Integer code, const std::string& at) {
  try {
    action();
    ADD_FAILURE() << "no error, expected " << code;
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), code) << e.Message();
    // The message without the " - Native error: <code>" the exception appends.
    std::string text = e.Message();
    text = text.substr(0, text.rfind(" - Native error: "));
    EXPECT_TRUE(at.empty() || text.ends_with(at)) << text << " does not end with " << at;
  }
}
