// The table operator, the leaf of every query tree: it reads one table through a table component, or
// the result of a sub-query of the FROM clause through a query component of its own. The part of the
// WHERE that concerns a table alone becomes the table cursor's filter, so the engine skips the records
// that fail it. When nothing asks for a copy (a live result of one table without TOP, DISTINCT, INTO
// or expression columns, in an order an index serves), the table itself, filtered and projected to the
// selected columns, is the result; otherwise the rows are copied into a result table as the base
// operator does. A sub-query's result may carry a filter of its own (its WHERE), so it is read as it is
// only as a statement's live result; under a condition, a sort or another operator it is copied, and
// the condition is tested row by row.
#pragma once
#include <memory>

#include "engine/sql/SQLMemRelationalAlgebra.h"

class TSQLMemQuery;
class TSQLMemTable;
struct TSQLMemSQLContext;

class TSQLMemAOTable : public TSQLMemAO {
 public:
  // Opens the table (11505 for an in-memory table that does not exist, asked after a failed open; any
  // other failure of the open becomes 10303 carrying the underlying message). One hidden column per
  // field. live: the statement asks for an editable result.
  TSQLMemAOTable(const AnsiString& databaseName, bool live, bool inMemory, const AnsiString& tableAlias,
                 const AnsiString& tableName, const AnsiString& sessionName = AnsiString());
  // A sub-query of the FROM clause, run live in the statement's context (11655 without an alias; a
  // failure of its run becomes 10303 carrying the underlying message). One hidden column per field
  // of its result.
  TSQLMemAOTable(const TSQLMemSQLContext& context, const AnsiString& subQuerySQL, const AnsiString& tableAlias);
  ~TSQLMemAOTable() override;

  // Raises the table's use count for the run (not for a temporary table); UnlockTables gives it back.
  void LockTables() override;
  void UnlockTables() override;
  bool TableHasField(const AnsiString& fieldName) const override;

  // The opened table while the operator reads it (nullptr once a copy was made, and for a sub-query).
  TSQLMemTable* SourceDataSet() const { return table_; }
  // The sub-query's query while the operator reads it (nullptr once a copy was made, and for a table).
  TSQLMemQuery* SubQuery() const { return query_; }
  bool ResultIsSource() const { return resultIsSource_; }
  bool TableUseCounted() const { return tableUseCounted_; }

 protected:
  void DoFirst() override;
  void DoNext() override;
  bool DoEof() override;
  Integer DoGetRecordCount() override;
  // The base's result table, then the WHERE terms of this table alone go to the source's cursor.
  void CreateResultTable() override;
  void Materialize() override;

 private:
  // Whether the output must be copied; an ORDER BY that an index serves selects that index.
  bool NeedsCopy();
  void MaterializeLive();
  void FreeSource() noexcept;

  // Columns from the source's fields; then 10303 for a source that does not open.
  void OpenSource(const AnsiString& databaseName, const AnsiString& sessionName, bool inMemory);

  std::unique_ptr<TSQLMemDataSet> source_;
  TSQLMemTable* table_ = nullptr;  // source_ when it is a table
  TSQLMemQuery* query_ = nullptr;  // source_ when it is a sub-query
  AnsiString subQuerySQL_;
  std::vector<AnsiString> fieldNames_;
  bool tableUseCounted_ = false;
  bool resultIsSource_ = false;
};
