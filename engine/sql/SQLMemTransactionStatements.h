// START TRANSACTION, COMMIT [NOFLUSH] and ROLLBACK: accepted and checked for their form, and nothing
// more. The engine keeps transactions per session and database, and SQL text cannot start or end one:
// ROLLBACK undoes nothing.
#pragma once
#include "engine/sql/SQLMemSQLCommand.h"

class TSQLMemStartTransaction : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;
  // TRANSACTION must follow START (10845 at the end of the statement, 10846 for another token).
  void Parse() override;
  void Execute(bool, bool&, bool) override { RowsAffected = 0; }
};

class TSQLMemCommit : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;
  // NOFLUSH after COMMIT clears Flush; anything else after COMMIT is ignored.
  void Parse() override;
  void Execute(bool, bool&, bool) override { RowsAffected = 0; }
  bool Flush = true;
};

class TSQLMemRollback : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;
  void Execute(bool, bool&, bool) override { RowsAffected = 0; }
};
