// The statements that make, change and remove tables: CREATE TABLE, DROP TABLE, ALTER TABLE and
// RENAME TABLE. Each parses itself when made and runs through a table component of its own, made for
// the one execution and freed on every path; none yields rows.
#pragma once
#include <vector>

#include "engine/sql/SQLMemDDLTableManipulation.h"

class TSQLMemDDLCreateTable : public TSQLMemDDLTableManipulation {
 public:
  using TSQLMemDDLTableManipulation::TSQLMemDDLTableManipulation;
  void Parse() override;
  // 30247 when the table exists; a failure of the indexes, foreign keys or the creation becomes 30248.
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;
};

class TSQLMemDDLDropTable : public TSQLMemDDLTableManipulation {
 public:
  using TSQLMemDDLTableManipulation::TSQLMemDDLTableManipulation;
  void Parse() override;
  // A missing table is no error; a failure becomes 30250.
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;

  bool Cascade = false;  // the foreign keys of other tables that refer to it go too
};

// What an ALTER TABLE does; the values are stored.
enum TSQLMemAlterAction : Byte {
  aaAddColumns = 0,
  aaDropColumns = 1,
  aaAlterColumns = 2,
  aaRenameColumn = 3,
  aaRenameTable = 4,
  aaDropConstraint = 5,
  aaAddPrimaryKey = 6,
  aaAddForeignKey = 7,
};

class TSQLMemDDLAlterTable : public TSQLMemDDLTableManipulation {
 public:
  using TSQLMemDDLTableManipulation::TSQLMemDDLTableManipulation;
  void Parse() override;
  // Column changes rebuild the table with its records (a failed rebuild raises 30347); any failure
  // becomes 30265.
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;

  Byte Action = aaAddColumns;
  std::vector<AnsiString> DropColumns;
  std::vector<AnsiString> RenameFrom;
  std::vector<AnsiString> RenameTo;
  AnsiString NewTableName;
  AnsiString ConstraintName;
  bool Cascade = false;

 protected:
  // Token stands on the alteration's first word.
  void ParseAlteration();

 private:
  void ParseAdd();
  void ParseDrop();
  void ParseRename();
  void ExpectCloseOfOpenedList();
  void Alter(TSQLMemTable& table);
};

// RENAME [TABLE] t TO t2: ALTER TABLE t RENAME TO t2 in another spelling.
class TSQLMemDDLRenameTable : public TSQLMemDDLAlterTable {
 public:
  using TSQLMemDDLAlterTable::TSQLMemDDLAlterTable;
  void Parse() override;
};
