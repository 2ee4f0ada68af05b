// The statements that change table data: INSERT (values or a query), UPDATE and DELETE, as commands of
// the SQL processor. UPDATE and DELETE find their rows through a SELECT over the target table that asks
// for a live result, so the result is the table itself showing the matching rows; they change them
// through the table component, in bulk when nothing forbids it, else row by row with the database's
// record handlers. RowsAffected counts the rows written, changed or deleted.
#pragma once
#include <memory>
#include <vector>

#include "engine/sql/SQLMemSQLCommand.h"

class TField;
class TSQLMemExpression;
class TSQLMemSQLSelect;
class TSQLMemSQLUnion;
class TSQLMemVariant;

// Writes an engine value into a dataset field: NULL clears it; dates, times and date-times by their
// getters, a fixed bytes field its bytes (at most its size), BLOB and memo fields through a BLOB stream,
// large integers as Int64, everything else as a variant. No value raises 30359.
void AssignValueToField(const TSQLMemVariant* value, TField& field);

class TSQLMemSQLInsert : public TSQLMemSQLCommand {
 public:
  TSQLMemSQLInsert(TSQLMemLexer& lexer, const TSQLMemSQLContext& context);
  ~TSQLMemSQLInsert() override;
  // INSERT INTO table [(columns)] (VALUES (values) | query); INSERT INTO table alone inserts one row
  // of defaults. A column list whose length differs from the values, and any other text after the
  // table, are refused. The query's result columns fill the listed columns (or the table's fields)
  // in order; more result columns than these is an error, the columns left over keep their defaults.
  void Parse() override;
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;

  std::vector<AnsiString> Columns;
  std::vector<std::unique_ptr<TSQLMemExpression>> Values;
  std::unique_ptr<TSQLMemSQLUnion> Source;

 private:
  // Where the query of INSERT ... SELECT starts, for the column count error.
  Integer sourceLine_ = 0;
  Integer sourceColumn_ = 0;
};

class TSQLMemSQLUpdate : public TSQLMemSQLCommand {
 public:
  TSQLMemSQLUpdate(TSQLMemLexer& lexer, const TSQLMemSQLContext& context);
  ~TSQLMemSQLUpdate() override;
  // UPDATE table SET column = value {, column = value} [WHERE ...]; the finder is
  // "select * from table" followed by the WHERE and what comes after it.
  void Parse() override;
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;

  std::vector<AnsiString> SetNames;
  std::vector<std::unique_ptr<TSQLMemExpression>> SetValues;
  std::unique_ptr<TSQLMemSQLSelect> Finder;
};

class TSQLMemSQLDelete : public TSQLMemSQLCommand {
 public:
  TSQLMemSQLDelete(TSQLMemLexer& lexer, const TSQLMemSQLContext& context);
  ~TSQLMemSQLDelete() override;
  // DELETE FROM ... is read as SELECT * FROM ...
  void Parse() override;
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;

  std::unique_ptr<TSQLMemSQLSelect> Finder;
};

// Registers INSERT, UPDATE, DELETE, START, COMMIT, ROLLBACK, CREATE DATABASE and DROP DATABASE with the
// processor (a start-up step).
void RegisterDataChangeStatements();
void UnregisterDataChangeStatements() noexcept;
