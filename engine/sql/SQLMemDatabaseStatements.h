// CREATE DATABASE and DROP DATABASE: an engine database made or deleted through a database component
// of their own. DROP DATABASE deletes without the component's usual checks, except that a database
// with an open table is kept: its tables stay readable. The running query's own database component,
// when it is on the dropped database, is disconnected first.
#pragma once
#include "engine/sql/SQLMemSQLCommand.h"

class TSQLMemDatabaseManagement : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;

  bool TargetInMemory = true;
  AnsiString TargetName;
  AnsiString FileName;

 protected:
  struct TCodes {
    Integer blank, badToken, afterFile, afterMemory;
  };
  // FILE name | MEMORY name | name, after DATABASE; the token after the name is read.
  void ParseTarget(const TCodes& codes);
};

class TSQLMemCreateDatabase : public TSQLMemDatabaseManagement {
 public:
  using TSQLMemDatabaseManagement::TSQLMemDatabaseManagement;
  // CREATE DATABASE (FILE name [PAGESIZE n] [MAXSESSIONSCOUNT n] | MEMORY name | name); the settings
  // after a file name have no effect.
  void Parse() override;
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;
};

class TSQLMemDropDatabase : public TSQLMemDatabaseManagement {
 public:
  using TSQLMemDatabaseManagement::TSQLMemDatabaseManagement;
  void Parse() override;
  // 11756 while a table of the database is open; nothing is freed then.
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;
};
