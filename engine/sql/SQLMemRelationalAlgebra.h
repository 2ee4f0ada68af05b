// The base of the query operators: a query runs as a tree of operators (table at the leaves; join,
// union and group by above), each with its columns, an optional condition on its input rows, DISTINCT,
// TOP and ORDER BY, and a result table into which it writes its output. The result is a table of the
// temporary database "TEMP", the table named by SELECT ... INTO, or, for a table operator that needs
// no copy, the source table itself. Ordering comes from an index: one of the source's, or a temporary
// index made on the result table.
//
// A statement drives an operator tree in this order: build it; hand the WHERE to the operators
// (SetCondition, or PushDownConditions of SQLMemRelationalAlgebraPlanning.h); SetTop; SetSelectList on the root; SetOrderBy; then
// LockTables, SetResultTable for INTO, Execute(true) and UnlockTables (also after a failure). Every
// execution builds a new tree: a tree runs once.
#pragma once
#include <memory>
#include <span>
#include <vector>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemVariant.h"
#include "engine/sql/SQLMemColumnSource.h"
#include "engine/sql/SQLMemSelectListItem.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemDataSet;
class TSQLMemTable;
class TSQLMemExpression;
class TSQLMemRecordComparison;

// One ORDER BY term: a column by name, or by its 1-based position in the select list (FieldNo > 0).
struct TSQLMemSortSpecification {
  AnsiString TableName;
  AnsiString FieldName;
  Integer FieldNo = -1;
  bool Descending = false;
  bool CaseInsensitive = false;
};

class TSQLMemAO;

// One column of an operator and where its value comes from: a field of a dataset (DataSet,
// SourceIndex), a column of an input operator (Owner, SourceIndex) or an expression.
struct TSQLMemFieldLink {
  AnsiString Name;         // the column's name inside the operator
  AnsiString DisplayName;  // the name it is shown under (the alias)
  AnsiString BaseName;     // the name before it was made unique
  AnsiString TableName;
  AnsiString TableAlias;
  Byte FieldType = 0;  // SQL field type
  Integer Precision = 0;
  Integer Size = 0;
  Byte BlobCompressionAlgorithm = 0;
  Byte BlobCompressionMode = 0;
  Integer BlobBlockSize = 0;
  TSQLMemAO* Owner = nullptr;           // input operator that supplies the value
  TSQLMemDataSet* DataSet = nullptr;    // dataset that supplies the value
  bool Hidden = true;                   // not part of the output (yet)
  Integer SourceIndex = -1;             // field number in DataSet, or column index in Owner
  bool IsAggregate = false;
  TSQLMemExpression* Expression = nullptr;  // expression column; the operator owns the expression
};

// A growable list of select-list items (the parser's select list, the join's field lists).
class TSQLMemFields {
 public:
  void Add(const TSQLMemSelectListItem& item) { items_.push_back(item); }
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  const TSQLMemSelectListItem& Item(Integer index) const { return items_.at(static_cast<std::size_t>(index)); }
  std::span<const TSQLMemSelectListItem> Items() const { return items_; }

 private:
  std::vector<TSQLMemSelectListItem> items_;
};

class TSQLMemAO : public TSQLMemColumnSource {
 public:
  // The operator owns its inputs.
  TSQLMemAO(std::unique_ptr<TSQLMemAO> left, std::unique_ptr<TSQLMemAO> right, const AnsiString& tableAlias,
            const AnsiString& tableName);
  ~TSQLMemAO() override;
  TSQLMemAO(const TSQLMemAO&) = delete;
  TSQLMemAO& operator=(const TSQLMemAO&) = delete;

  // ---- building ----
  // The operator takes the condition over; it is tested on every input row (nullptr: none).
  void SetCondition(std::unique_ptr<TSQLMemExpression> condition);
  TSQLMemExpression* Condition() const { return condition_.get(); }
  std::unique_ptr<TSQLMemExpression> ReleaseCondition();
  // SELECT ... INTO: the target table, in an in-memory database or in databaseName.
  void SetResultTable(bool inMemory, const AnsiString& tableName, const AnsiString& databaseName);
  // TOP rowCount, firstRow (1-based; negative: from the first row).
  void SetTop(Integer firstRow, Integer rowCount);
  void SetDistinctFlag() { distinct_ = true; }
  // Builds the output columns from the select list (10305 for a column not found). The operator takes
  // over every item's expression, also when it fails.
  virtual void SetSelectList(std::span<const TSQLMemSelectListItem> items, bool distinct);
  // ORDER BY terms (count of them), or ORDER BY INDEX indexName. 11666 for a position past the
  // output, 30195 for a column not found.
  void SetOrderBy(std::span<const TSQLMemSortSpecification> specifications, const AnsiString& indexName);
  // The join's naming: each column named after its field (or "Expr..."), then made unique upper-cased
  // by appending "_1", then further digits.
  void MakeColumnNamesUnique();
  void SetRequestLive(bool value) { requestLive_ = value; }

  // ---- running ----
  virtual void Execute(bool topLevel);
  virtual void LockTables();
  virtual void UnlockTables();

  // ---- reading ----
  void First();
  void Next();
  bool Eof();
  Integer RecordCount();
  // The output: the result table, or the source table for a table operator without a copy.
  TSQLMemDataSet* ResultDataSet() const { return result_; }
  bool IsMaterialized() const { return materialized_; }

  // ---- the column source ----
  Integer FindColumns(const AnsiString& fieldName, const AnsiString& tableName, TSQLMemIntegerArray& result,
                      bool markUsed) override;
  void GetColumnValue(TSQLMemVariant& value, Integer columnIndex, bool allowHidden, Integer option) override;
  Integer GetColumnType(Integer columnIndex) const override;
  Integer GetColumnSize(Integer columnIndex) const override;
  Integer GetColumnPrecision(Integer columnIndex) const override;
  bool TableHasField(const AnsiString& fieldName) const override;
  // The name of the field behind the column: followed down to the source unless own is set.
  AnsiString GetColumnName(Integer index, bool own) const;

  Integer ColumnCount() const { return static_cast<Integer>(columns_.size()); }
  const TSQLMemFieldLink& Column(Integer index) const { return columns_.at(static_cast<std::size_t>(index)); }
  const std::vector<Integer>& OutputColumns() const { return outputColumns_; }
  Integer VisibleCount() const { return visibleCount_; }
  TSQLMemAO* Left() const { return left_.get(); }
  TSQLMemAO* Right() const { return right_.get(); }
  // Whether conditions pushed down the tree may go into input (a join limits this by its kind).
  virtual bool PassesConditionsTo(const TSQLMemAO& input) const;
  const AnsiString& TableName() const { return tableName_; }
  const AnsiString& TableAlias() const { return tableAlias_; }
  // The sort the operator was given: the source's field names (";"-separated) it orders by.
  const std::vector<AnsiString>& SortFields() const { return sortFields_; }

 protected:
  // The operator's own input (none in the base).
  virtual void DoFirst() {}
  virtual void DoNext() {}
  virtual bool DoEof() { return false; }
  virtual Integer DoGetRecordCount();
  // Defines, creates and opens the result table: one field per output column, the sort index.
  virtual void CreateResultTable();
  virtual bool RecordMatches();
  bool HasLimit() const { return topCount_ >= 0 || topFirstRow_ >= 0; }
  virtual void PrepareExecution();
  // Runs the operator once: prepare, create the result, scan the input into it, finish.
  virtual void Materialize();
  void FinishExecution() noexcept;
  // Frees the inputs and the column expressions once the result exists; the output columns read the
  // result from then on (each at its position), every other column reads nothing.
  void ReleaseInputs();
  bool HasSort() const { return !sortColumns_.empty(); }
  // A new, empty result table for the target: the INTO table, else a temporary one of "TEMP".
  std::unique_ptr<TSQLMemTable> NewResultTable(bool intoTarget) const;
  void SetResult(std::unique_ptr<TSQLMemDataSet> result);
  // Drops the owned result table (a temporary one is deleted from "TEMP").
  void DropOwnedResult() noexcept;
  // Copies the current result from row TopFirstRow on, at most TopCount rows, into a new table.
  void CopyWithLimit();

  bool isTopLevel_ = false;
  bool isTableOperator_ = false;
  bool requestLive_ = false;
  bool distinct_ = false;
  bool materialized_ = false;
  Int64 topCount_ = -1;
  Int64 topFirstRow_ = -1;
  bool hasTop_ = false;
  bool topDuringScan_ = false;
  bool copyIntoResult_ = false;
  bool resultInMemory_ = false;
  AnsiString resultTableName_;
  AnsiString resultDatabaseName_;
  AnsiString tableName_;
  AnsiString tableAlias_;
  std::unique_ptr<TSQLMemExpression> condition_;
  std::vector<TSQLMemFieldLink> columns_;
  std::vector<Integer> outputColumns_;
  Integer visibleCount_ = 0;
  bool hasExpressionColumns_ = false;
  // The sort: per key, the column, its direction and case mode; the source field names of the keys.
  std::vector<Integer> sortColumns_;
  std::vector<bool> sortDescending_;
  std::vector<bool> sortCaseInsensitive_;
  std::vector<AnsiString> sortFields_;
  AnsiString sortIndexName_;
  // The name of each output column's field in the result table (set by CreateResultTable).
  std::vector<AnsiString> resultFieldNames_;
  std::unique_ptr<TSQLMemAO> left_;
  std::unique_ptr<TSQLMemAO> right_;
  TSQLMemDataSet* result_ = nullptr;            // the output; owned through ownedResult_ unless the source
  std::unique_ptr<TSQLMemDataSet> ownedResult_;

 private:
  void InsertResultRecord(Int64& qualifying, Int64& written);
  void AppendRow(const std::vector<std::unique_ptr<TSQLMemVariant>>& values);
  void AddOutputColumn(Integer column);
  void SetSort(std::vector<Integer> columns, std::vector<bool> descending, std::vector<bool> caseInsensitive);

  std::vector<std::unique_ptr<TSQLMemExpression>> ownedExpressions_;
  std::unique_ptr<TSQLMemRecordComparison> recordComparison_;
  std::vector<std::unique_ptr<TSQLMemVariant>> rowValues_;
  std::vector<const TSQLMemVariant*> rowPointers_;  // the row AppendRow hands over
};
