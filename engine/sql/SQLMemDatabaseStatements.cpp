#include "engine/sql/SQLMemDatabaseStatements.h"

#include <memory>

#include "engine/dataset/SQLMemDatabaseComponent.h"
#include "engine/dataset/SQLMemQuery.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemTableData.h"
#include "vcl/rtl/AnsiStrings.h"

namespace {

constexpr char kNameExpected[] =
    "Error - database name or MEMORY keyword expected, but '%s' found at line %d, column %d";

}  // namespace

void TSQLMemDatabaseManagement::ParseTarget(const TCodes& codes) {
  // The lexer stands on DATABASE.
  if (!ReadNextToken()) SQLMemError(codes.blank, SQLMemBlankSQLCommand);
  const auto readName = [this](Integer code) {
    if (!ReadNextToken() || (!IsName() && token_.TokenType != tktReservedWord)) TokenError(code, kNameExpected);
    TargetName = token_.Text;
    ReadNextToken();
  };
  if (IsWord("FILE")) {
    TargetInMemory = false;
    readName(codes.afterFile);
    FileName = TargetName;
  } else if (IsWord("MEMORY")) {
    TargetInMemory = true;
    readName(codes.afterMemory);
  } else if (IsName()) {
    TargetName = token_.Text;
    ReadNextToken();
  } else {
    TokenError(codes.badToken, kNameExpected);
  }
}

void TSQLMemCreateDatabase::Parse() {
  ParseTarget({11748, 11749, 11755, 11750});
  if (TargetInMemory) return;
  // Settings of a file database: read, and of no effect.
  while (token_.TokenType == tktReservedWord) {
    const bool takesNumber = IsWord("PAGESIZE") || IsWord("MAXSESSIONSCOUNT");
    if (!ReadNextToken()) break;
    if (takesNumber && token_.TokenType == tktInt && !ReadNextToken()) break;
  }
}

void TSQLMemCreateDatabase::Execute(bool, bool&, bool) {
  RowsAffected = 0;
  std::unique_ptr<TSQLMemDatabase> database(New<TSQLMemDatabase>(nullptr));
  database->SetInMemory(TargetInMemory);
  database->SetDatabaseName(TargetName);
  if (!TargetInMemory) database->SetDatabaseFileName(FileName);
  database->CreateDatabase();
}

void TSQLMemDropDatabase::Parse() { ParseTarget({11752, 11753, 11758, 11754}); }

void TSQLMemDropDatabase::Execute(bool, bool&, bool) {
  RowsAffected = 0;
  // The list's lock is re-entrant: it is held from the check to the end of the delete.
  TThreadList<TSQLMemDatabaseData>::Locked hold(DatabaseList());
  if (TargetInMemory) {
    // Freeing a database under an open table would leave its cursors on freed tables.
    TSQLMemDatabaseData* data = FindDatabaseData(true, false, TargetName, WideString());
    bool open = false;
    if (data != nullptr)
      data->ForEachTable([&open](TSQLMemDatabaseTable& table) {
        const auto* tableData = dynamic_cast<const TSQLMemTableData*>(&table);
        open = open || (tableData != nullptr && tableData->CursorCount() > 0);
      });
    if (open) SQLMemError(11756, "Cannot drop database '%s': a table of it is open", {TargetName});
  }
  // The database component of the query that runs the statement lets the database go first, so that
  // no connection of it is left on a freed database. The query leaves the component's list before the
  // disconnect closes the component's datasets, as it is running; a component of another database
  // keeps its datasets open.
  TSQLMemQuery* query = context_.Query;
  TSQLMemDatabase* own = query != nullptr ? query->Database() : nullptr;
  if (own != nullptr && own->InMemory() == TargetInMemory &&
      AnsiSameText(TargetInMemory ? own->DatabaseName() : own->DatabaseFileName(), TargetName)) {
    own->RemoveDataSet(query);
    own->Disconnect();
  }
  std::unique_ptr<TSQLMemDatabase> database(New<TSQLMemDatabase>(nullptr));
  database->SetForced(true);
  database->SetInMemory(TargetInMemory);
  database->SetDatabaseName(TargetName);
  if (!TargetInMemory) database->SetDatabaseFileName(FileName);
  database->DeleteDatabase();
}
