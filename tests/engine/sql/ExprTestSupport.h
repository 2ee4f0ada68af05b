// Fixtures of the expression-node tests: a one-table cursor with one record, a column source standing
// in for a query operator, and short makers of constant nodes and three-valued results.
#pragma once
#include <memory>
#include <vector>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/sql/SQLMemColumnSource.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/TestCursor.h"
#include "vcl/rtl/AnsiStrings.h"

// A three-valued result: false, true or NULL (unknown).
enum Truth { F, T, N };

inline Truth TruthOf(const TSQLMemVariant& value) {
  if (value.IsNull()) return N;
  return value.GetAsBoolean() ? T : F;
}

inline const char* TruthName(Truth t) { return t == T ? "true" : t == F ? "false" : "NULL"; }

inline std::unique_ptr<TSQLMemExprNodeConst> Int(Integer v) {
  TSQLMemVariant value;
  value.SetAsInteger(v);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

// 8-bit text; "" gives an empty text that is not NULL (a SQL literal '' is NULL: use NullOf).
inline std::unique_ptr<TSQLMemExprNodeConst> Text(const char* v) {
  TSQLMemVariant value(edtVarchar);
  char empty = 0;
  if (*v == 0)
    value.SetData(&empty, 1, edtVarchar, true, false);
  else
    value.SetAsString(v);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

inline std::unique_ptr<TSQLMemExprNodeConst> WideText(const char16_t* v) {
  TSQLMemVariant value(edtWideVarchar);
  value.SetAsWideString(v);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

inline std::unique_ptr<TSQLMemExprNodeConst> NullOf(Byte dataType) {
  return std::make_unique<TSQLMemExprNodeConst>(TSQLMemVariant(dataType));
}

inline std::unique_ptr<TSQLMemExprNodeConst> Bool(Truth t) {
  TSQLMemVariant value(edtBoolean);
  if (t != N) value.SetAsBoolean(t == T);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

// One record of a small table:
//   Name varchar(10) 'Anna' | Age integer 30 | City varchar(10) NULL | Score integer NULL |
//   Letter varchar(4) 'B'   | WName widevarchar(10) 'Anna'
class OneTableTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    cursor_ = std::make_unique<TestCursor>(std::initializer_list<CursorTestColumn>{{"Name", sftVarchar, 10},
                                                                                   {"Age", sftInteger, 0},
                                                                                   {"City", sftVarchar, 10},
                                                                                   {"Score", sftInteger, 0},
                                                                                   {"Letter", sftVarchar, 4},
                                                                                   {"WName", sftWideVarchar, 10}});
    Put("Name", Text("Anna")->Value());
    Put("Age", Int(30)->Value());
    Put("Letter", Text("B")->Value());
    Put("WName", WideText(u"Anna")->Value());
  }
  void TearDown() override {
    cursor_.reset();
    EngineBlocksTest::TearDown();
  }

  void Put(const char* field, const TSQLMemVariant& value) { cursor_->Put(cursor_->FieldDefs->IndexOfName(field), value); }
  std::unique_ptr<TSQLMemExprNodeField> Field(const char* name) {
    return std::make_unique<TSQLMemExprNodeField>(cursor_.get(), "", name);
  }

  std::unique_ptr<TestCursor> cursor_;
};

// A query operator's columns as a field node sees them: (table, name, type, size, precision) and the
// values of the current row. Tables and names compare without regard to case, as operators do.
class TestColumnSource : public TSQLMemColumnSource {
 public:
  struct Column {
    AnsiString table, name;
    Integer type, size, precision;
  };
  explicit TestColumnSource(std::vector<Column> columns, AnsiString tableFields = "")
      : columns_(std::move(columns)), tableFields_(std::move(tableFields)) {
    for (std::size_t i = 0; i < columns_.size(); ++i) row_.push_back(std::make_unique<TSQLMemVariant>());
  }

  Integer FindColumns(const AnsiString& fieldName, const AnsiString& tableName, TSQLMemIntegerArray& result,
                      bool markUsed) override {
    Integer found = 0;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (AnsiUpperCase(columns_[i].name) != AnsiUpperCase(fieldName)) continue;
      if (!tableName.empty() && AnsiUpperCase(columns_[i].table) != AnsiUpperCase(tableName)) continue;
      result.Append(static_cast<Integer>(i));
      ++found;
    }
    if (markUsed) ++markedLookups;
    return found;
  }
  void GetColumnValue(TSQLMemVariant& value, Integer columnIndex, bool allowHidden, Integer) override {
    EXPECT_TRUE(allowHidden) << "conditions read hidden columns too";
    ++reads;
    value.Assign(*row_.at(static_cast<std::size_t>(columnIndex)), false);
  }
  Integer GetColumnType(Integer i) const override { return columns_.at(static_cast<std::size_t>(i)).type; }
  Integer GetColumnSize(Integer i) const override { return columns_.at(static_cast<std::size_t>(i)).size; }
  Integer GetColumnPrecision(Integer i) const override { return columns_.at(static_cast<std::size_t>(i)).precision; }
  // tableFields lists the fields of the table the source reads, between ";" (empty: no table).
  bool TableHasField(const AnsiString& fieldName) const override {
    return (";" + AnsiUpperCase(tableFields_) + ";").find(";" + AnsiUpperCase(fieldName) + ";") != AnsiString::npos;
  }

  // Sets column i of the current row (a NULL value of no type clears it).
  void Set(std::size_t i, const TSQLMemVariant& value) { row_.at(i)->Assign(value, true); }

  Integer reads = 0;
  Integer markedLookups = 0;

 private:
  std::vector<Column> columns_;
  AnsiString tableFields_;
  std::vector<std::unique_ptr<TSQLMemVariant>> row_;
};

inline std::unique_ptr<TSQLMemExprNodeConst> Dbl(double v) {
  TSQLMemVariant value;
  value.SetAsDouble(v);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

// A value as the tables of the function tests write it: "NULL", or its text.
inline AnsiString TextOf(const TSQLMemVariant& value) { return value.IsNull() ? AnsiString("NULL") : value.GetAsString(); }
