// LASTAUTOINC(table, column): the last auto-increment value a table handed out for a column, read
// through a read-only table component that the node keeps open.
#pragma once
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemTable;

class TSQLMemExprNodeSystem : public TSQLMemExprNode {
 public:
  // Opens the table read-only; a column the table does not have raises 30337 (and leaves no open
  // table behind).
  TSQLMemExprNodeSystem(Byte op, const AnsiString& databaseName, const AnsiString& sessionName, bool inMemory,
                        const AnsiString& fieldName, const AnsiString& tableName);
  ~TSQLMemExprNodeSystem() override;  // closes the table

  TSQLMemVariant& Evaluate() override;  // another code raises 30338
  Integer GetResultType() const override { return fieldType_; }
  Integer GetResultSize() const override { return 0; }

 private:
  std::unique_ptr<TSQLMemTable> table_;
  AnsiString fieldName_;
  Integer fieldType_ = 0;
};
