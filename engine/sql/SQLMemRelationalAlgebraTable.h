// The table operator, the leaf of every query tree: it reads one table through a table component.
// The part of the WHERE that concerns its table alone becomes the table cursor's filter, so the engine
// skips the records that fail it. When nothing asks for a copy (a live result of one table without
// TOP, DISTINCT, INTO or expression columns, in an order an index serves), the table itself, filtered
// and projected to the selected columns, is the result; otherwise the rows are copied into a result
// table as the base operator does.
#pragma once
#include <memory>

#include "engine/sql/SQLMemRelationalAlgebra.h"

class TSQLMemTable;

class TSQLMemAOTable : public TSQLMemAO {
 public:
  // Opens the table (11505 for an in-memory table that does not exist; any other failure of the open
  // becomes 10303 carrying the underlying message). One hidden column per field. live: the statement
  // asks for an editable result.
  TSQLMemAOTable(const AnsiString& databaseName, bool live, bool inMemory, const AnsiString& tableAlias,
                 const AnsiString& tableName, const AnsiString& sessionName = AnsiString());
  ~TSQLMemAOTable() override;

  // Raises the table's use count for the run (not for a temporary table); UnlockTables gives it back.
  void LockTables() override;
  void UnlockTables() override;
  bool TableHasField(const AnsiString& fieldName) const override;

  // The opened table while the operator reads it (nullptr once a copy was made).
  TSQLMemTable* SourceDataSet() const { return source_.get(); }
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

  std::unique_ptr<TSQLMemTable> source_;
  std::vector<AnsiString> fieldNames_;
  bool tableUseCounted_ = false;
  bool resultIsSource_ = false;
};
