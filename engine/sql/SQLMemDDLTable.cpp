#include "engine/sql/SQLMemDDLTable.h"

#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/Exceptions.h"

// ---------------------------------------------------------------- CREATE TABLE

void TSQLMemDDLCreateTable::Parse() {
  if (!ReadNextToken()) SQLMemError(30249, SQLMemBlankSQLCommand);
  ParseTableName();
  ParseElementList(false, false);
  TSQLMemDDLTableManipulation::Parse();
}

void TSQLMemDDLCreateTable::Execute(bool, bool&, bool) {
  RowsAffected = 0;
  std::unique_ptr<TSQLMemTable> table = NewTable();
  table->FieldDefs().Clear();
  table->AdvFieldDefs().Clear();
  for (Integer i = 0; i < ColumnDefs.Count(); ++i) {
    TSQLMemAdvFieldDef& def = *table->AdvFieldDefs().Add();
    def.Name = ColumnDefs.Items(i).Name;
    ColumnDefs.Items(i).ApplyTo(def);
  }
  // CreateTable would replace an in-memory table of that name.
  if (table->Exists()) SQLMemError(30247, SQLMemTableAlreadyExists, {TableName});
  try {
    AddPrimaryKeyIndex(*table, true);
    AddUniqueIndexes(*table, true);
    if (ForeignKeys != nullptr) table->ForeignKeyDefs().Assign(ForeignKeys.get());
    table->CreateTable();
  } catch (const Exception& e) {
    SQLMemError(30248, SQLMemErrorCreatingTable, {e.Message()});
  }
}

// ---------------------------------------------------------------- DROP TABLE

void TSQLMemDDLDropTable::Parse() {
  if (!ReadNextToken()) SQLMemError(30251, SQLMemBlankSQLCommand);
  ParseTableName();
  if (IsWord("CASCADE")) {
    Cascade = true;
    ReadNextToken();
  } else if (IsWord("RESTRICT")) {
    ReadNextToken();
  }
  TSQLMemDDLTableManipulation::Parse();
}

void TSQLMemDDLDropTable::Execute(bool, bool&, bool) {
  RowsAffected = 0;
  std::unique_ptr<TSQLMemTable> table = NewTable();
  table->SetExclusive(true);
  try {
    if (table->Exists()) table->DeleteTable(Cascade);
  } catch (const Exception& e) {
    SQLMemError(30250, SQLMemErrorDroppingTable, {e.Message()});
  }
}

// ---------------------------------------------------------------- ALTER TABLE

void TSQLMemDDLAlterTable::Parse() {
  if (!ReadNextToken()) SQLMemError(30261, SQLMemBlankSQLCommand);
  ParseTableName();
  ParseAlteration();
  TSQLMemDDLTableManipulation::Parse();
}

void TSQLMemDDLAlterTable::ParseAlteration() {
  if (AtEnd()) EndOfCommandError(30161);
  if (token_.TokenType != tktReservedWord) TokenError(30253, SQLMemAddDropAlterExpected);
  if (IsWord("ADD")) {
    ParseAdd();
  } else if (IsWord("DROP")) {
    ParseDrop();
  } else if (IsWord("ALTER") || IsWord("MODIFY")) {
    Action = aaAlterColumns;
    const bool alter = IsWord("ALTER");
    Next(30161);
    if (alter && IsWord("COLUMN")) Next(30161);
    ParseElementList(true, false);
  } else if (IsWord("RENAME")) {
    ParseRename();
  } else {
    TokenError(30252, SQLMemAddDropAlterExpected);
  }
}

void TSQLMemDDLAlterTable::ExpectCloseOfOpenedList() {
  if (!ListOpened) return;
  if (AtEnd()) EndOfCommandError(30161);
  if (token_.TokenType != tktRightParenthesis) TokenExpectedError(30226, ")");
  ReadNextToken();
}

// ADD "(" [COLUMN] columns ")", ADD [COLUMN] "(" columns ")", ADD ["("] PRIMARY ..., ADD ["("] FOREIGN ...
void TSQLMemDDLAlterTable::ParseAdd() {
  Next(30161);
  ListOpened = token_.TokenType == tktLeftParenthesis;
  if (ListOpened) Next(30161);
  if (IsWord("COLUMN")) Next(30161);
  if (IsWord("PRIMARY")) {
    Action = aaAddPrimaryKey;
    ParsePrimaryKey();
    ExpectCloseOfOpenedList();
  } else if (IsWord("FOREIGN")) {
    Action = aaAddForeignKey;
    ParseForeignKey();
    ExpectCloseOfOpenedList();
  } else {
    Action = aaAddColumns;
    // The list reads its own closing ")".
    ParseElementList(true, ListOpened);
  }
}

// DROP [COLUMN] names, the names optionally in parentheses before or after COLUMN; DROP ["("]
// CONSTRAINT name [RESTRICT | CASCADE].
void TSQLMemDDLAlterTable::ParseDrop() {
  Next(30161);
  ListOpened = token_.TokenType == tktLeftParenthesis;
  if (ListOpened) Next(30161);
  if (IsWord("CONSTRAINT")) {
    Action = aaDropConstraint;
    Next(30161);
    if (!IsName()) TokenError(11495, SQLMemConstraintNameExpected);
    ConstraintName = token_.Text;
    ReadNextToken();
    if (IsWord("CASCADE")) {
      Cascade = true;
      ReadNextToken();
    } else if (IsWord("RESTRICT")) {
      ReadNextToken();
    } else if (!AtEnd() && !(ListOpened && token_.TokenType == tktRightParenthesis)) {
      TokenExpectedError(11496, "CASCADE or RESTRICT");
    }
  } else {
    Action = aaDropColumns;
    if (IsWord("COLUMN")) {
      Next(30161);
      if (!ListOpened && token_.TokenType == tktLeftParenthesis) {
        ListOpened = true;
        Next(30161);
      }
    }
    ParseNameList(DropColumns);
  }
  ExpectCloseOfOpenedList();
}

// RENAME [COLUMN] old TO new; RENAME TO new-table-name.
void TSQLMemDDLAlterTable::ParseRename() {
  Next(30161);
  if (IsWord("TO")) {
    Action = aaRenameTable;
    Next(30161);
    if (!IsName()) TokenError(30230, SQLMemTableNameExpected);
    NewTableName = token_.Text;
    ReadNextToken();
    return;
  }
  Action = aaRenameColumn;
  if (IsWord("COLUMN")) Next(30161);
  if (!IsName() && token_.TokenType != tktReservedWord) TokenError(30227, SQLMemFieldNameExpected);
  RenameFrom.push_back(token_.Text);
  Next(30161);
  if (!IsWord("TO")) TokenExpectedError(30352, "TO");
  Next(30161);
  if (!IsName() && token_.TokenType != tktReservedWord) TokenError(30227, SQLMemFieldNameExpected);
  RenameTo.push_back(token_.Text);
  ReadNextToken();
}

void TSQLMemDDLAlterTable::Execute(bool, bool&, bool) {
  RowsAffected = 0;
  std::unique_ptr<TSQLMemTable> table = NewTable();
  table->SetExclusive(true);
  try {
    // The open loads the copies of the definitions that the alteration edits, and proves that no one
    // else has the table.
    table->Open();
    table->Close();
    Alter(*table);
  } catch (const Exception& e) {
    SQLMemError(30265, SQLMemErrorAlteringTable, {e.Message()});
  }
}

void TSQLMemDDLAlterTable::Alter(TSQLMemTable& table) {
  TSQLMemAdvFieldDefs& columns = table.AdvFieldDefsCopy();
  switch (Action) {
    case aaAddColumns:
      for (Integer i = 0; i < ColumnDefs.Count(); ++i) {
        const TSQLFieldDef& column = ColumnDefs.Items(i);
        if (columns.FindByName(column.Name) != nullptr) SQLMemError(30351, SQLMemFieldNameExists, {column.Name});
        TSQLMemAdvFieldDef& def = *columns.Add();
        def.Name = column.Name;
        column.ApplyTo(def);
      }
      AddUniqueIndexes(table, false);
      break;
    case aaDropColumns:
      for (const AnsiString& name : DropColumns) columns.DeleteByName(name);
      break;
    case aaAlterColumns:
      for (Integer i = 0; i < ColumnDefs.Count(); ++i) {
        const TSQLFieldDef& column = ColumnDefs.Items(i);
        TSQLMemAdvFieldDef* def = columns.FindByName(column.Name);
        if (def == nullptr) SQLMemError(30259, SQLMemFieldNotFound, {column.Name});
        column.ApplyTo(*def);
      }
      break;
    case aaRenameColumn:
      for (std::size_t i = 0; i < RenameFrom.size(); ++i) table.RenameField(RenameFrom[i], RenameTo[i]);
      return;
    case aaRenameTable:
      table.RenameTable(NewTableName);
      return;
    case aaDropConstraint:
      table.DropConstraint(ConstraintName, Cascade);
      return;
    case aaAddPrimaryKey:
      AddPrimaryKeyIndex(table, false);
      break;
    case aaAddForeignKey:
      for (Integer i = 0; ForeignKeys != nullptr && i < ForeignKeys->Count(); ++i)
        table.AddForeignKey(*ForeignKeys->Items(i));
      return;
    default:
      return;
  }
  AnsiString log;
  if (!table.RestructureTable(log)) SQLMemError(30347, SQLMemRestructureTableError, {log});
}

// ---------------------------------------------------------------- RENAME TABLE

void TSQLMemDDLRenameTable::Parse() {
  if (AtEnd()) SQLMemError(30354, SQLMemBlankSQLCommand);
  ParseTableName();
  if (AtEnd()) EndOfCommandError(30161);
  if (!IsWord("TO")) TokenExpectedError(30355, "TO");
  Next(30161);
  if (!IsName()) TokenError(30230, SQLMemTableNameExpected);
  Action = aaRenameTable;
  NewTableName = token_.Text;
  ReadNextToken();
  TSQLMemDDLTableManipulation::Parse();
}
