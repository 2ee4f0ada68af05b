// CREATE [UNIQUE] INDEX and DROP INDEX: each parses itself when made and runs through a table component
// of its own, opened exclusively on the indexed table for the one execution. Neither yields rows.
#pragma once
#include <vector>

#include "engine/sql/SQLMemDDLTableManipulation.h"

// CREATE [UNIQUE] INDEX [IF NOT EXISTS] i ON [MEMORY] t (column [ASC|DESC|CASE|NOCASE], ...
// [, PASSWORD 'x']). The password is read and kept; no operation uses it.
class TSQLMemDDLCreateIndex : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;
  void Parse() override;
  // With IfNotExists an index of that name ends the statement quietly; the table component's errors
  // pass unchanged.
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;

  bool Unique = false;
  bool IfNotExists = false;
  AnsiString IndexName;
  AnsiString Password;
  std::vector<TSQLMemDDLKeyColumn> IndexColumns;
};

// DROP INDEX [IF EXISTS] [MEMORY] t.i [PASSWORD 'x'].
class TSQLMemDDLDropIndex : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;
  void Parse() override;
  // With IfExists a missing index ends the statement quietly; the table component's errors pass
  // unchanged.
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;

  bool IfExists = false;
  AnsiString IndexName;
  AnsiString Password;
};
