#include "engine/sql/SQLMemDDLIndex.h"

#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"

namespace {

// Reads the next token; none raises code at the last token read.
void NextOrEnd(TSQLMemSQLCommand& command, Integer code) {
  if (!command.ReadNextToken()) command.EndOfCommandError(code);
}

// Raises keywordCode for a reserved word other than word, otherCode for a token that is no reserved
// word.
void ExpectWord(const TSQLMemSQLCommand& command, const char* word, Integer keywordCode, Integer otherCode,
                const char* message) {
  if (command.IsWord(word)) return;
  command.TokenError(command.Token().TokenType == tktReservedWord ? keywordCode : otherCode, message);
}

// A component on the statement's table in the query's database, or in "MEMORY" when the statement
// says so, opened exclusively. Without MEMORY the component keeps the in-memory flag its database name
// gives it: cleared on an in-memory database, the flag would send the open down the file tables' path,
// which makes an empty table of a name it does not find.
std::unique_ptr<TSQLMemTable> OpenIndexedTable(const TSQLMemSQLContext& context, const AnsiString& tableName,
                                               bool inMemory) {
  std::unique_ptr<TSQLMemTable> table(New<TSQLMemTable>(nullptr));
  table->SetDatabaseName(context.DatabaseName);
  if (!context.SessionName.empty()) table->SetSessionName(context.SessionName);
  table->SetTableName(tableName);
  if (inMemory) table->SetInMemory(true);
  table->SetExclusive(true);
  table->Open();
  return table;
}

}  // namespace

// ---------------------------------------------------------------- CREATE INDEX

void TSQLMemDDLCreateIndex::Parse() {
  InMemory = false;
  if (IsWord("UNIQUE")) {
    Unique = true;
    if (!ReadNextToken()) SQLMemError(30266, SQLMemBlankSQLCommand);
    ExpectWord(*this, "INDEX", 30267, 30268, SQLMemIndexKeywordExpected);
  }
  if (!ReadNextToken()) SQLMemError(30266, SQLMemBlankSQLCommand);
  if (IsWord("IF")) {
    NextOrEnd(*this, 30161);
    ExpectWord(*this, "NOT", 11236, 11237, SQLMemNotKeywordExpected);
    NextOrEnd(*this, 30161);
    ExpectWord(*this, "EXISTS", 11238, 11239, SQLMemExistsKeywordExpected);
    IfNotExists = true;
    NextOrEnd(*this, 30161);
  }
  if (!IsName()) TokenError(30269, SQLMemIndexNameExpected);
  IndexName = token_.Text;
  NextOrEnd(*this, 30161);
  ExpectWord(*this, "ON", 30270, 30271, SQLMemOnKeywordExpected);
  NextOrEnd(*this, 30161);
  if (IsWord("MEMORY")) {
    InMemory = true;
    NextOrEnd(*this, 30161);
    if (!IsName()) TokenError(11301, SQLMemTableNameExpected);
  } else if (!IsName()) {
    TokenError(30272, SQLMemTableNameExpected);
  }
  TableName = token_.Text;
  NextOrEnd(*this, 30161);
  if (token_.TokenType != tktLeftParenthesis) TokenError(30273, SQLMemOpenParenExpected);
  for (;;) {
    NextOrEnd(*this, 30277);
    if (IsWord("PASSWORD")) {
      NextOrEnd(*this, 30277);
      if (token_.TokenType != tktQuotedString) TokenError(30275, SQLMemQuotedPasswordExpected);
      Password = token_.Text;
      NextOrEnd(*this, 30277);
    } else {
      if (!IsName() && token_.TokenType != tktReservedWord) TokenError(30274, SQLMemFieldNameExpected);
      TSQLMemDDLKeyColumn column{token_.Text};
      NextOrEnd(*this, 30277);
      while (ApplyKeyModifier(token_, column)) NextOrEnd(*this, 30277);
      IndexColumns.push_back(column);
    }
    if (token_.TokenType == tktRightParenthesis) break;
    if (token_.TokenType != tktComma) TokenError(30276, SQLMemCloseParenOrCommaExpected);
  }
  ReadNextToken();
}

void TSQLMemDDLCreateIndex::Execute(bool, bool&, bool) {
  RowsAffected = 0;
  std::unique_ptr<TSQLMemTable> table = OpenIndexedTable(context_, TableName, InMemory);
  if (IfNotExists && table->IndexDefs().IndexOf(IndexName) >= 0) return;
  TIndexOptions options;
  if (Unique) options.Include(ixUnique);
  table->AddIndex(IndexName, JoinKeyColumns(IndexColumns, ";"), options,
                  JoinKeyColumns(IndexColumns, ";", [](const TSQLMemDDLKeyColumn& c) { return c.Descending; }),
                  JoinKeyColumns(IndexColumns, ";", [](const TSQLMemDDLKeyColumn& c) { return c.CaseInsensitive; }));
  table->Close();
}

// ---------------------------------------------------------------- DROP INDEX

void TSQLMemDDLDropIndex::Parse() {
  InMemory = false;
  if (!ReadNextToken()) EndOfCommandError(30278);
  if (IsWord("IF")) {
    NextOrEnd(*this, 11243);
    ExpectWord(*this, "EXISTS", 11241, 11242, SQLMemExistsKeywordExpected);
    IfExists = true;
    NextOrEnd(*this, 11243);
  }
  if (IsWord("MEMORY")) {
    InMemory = true;
    NextOrEnd(*this, 11243);
  }
  if (!IsName()) TokenError(11302, SQLMemTableNameExpected);
  TableName = token_.Text;
  NextOrEnd(*this, 30279);
  if (token_.TokenType != tktDot) TokenExpectedError(30280, ".");
  NextOrEnd(*this, 30281);
  if (!IsName()) TokenError(30269, SQLMemIndexNameExpected);
  IndexName = token_.Text;
  ReadNextToken();
  if (IsWord("PASSWORD")) {
    NextOrEnd(*this, 30282);
    if (token_.TokenType != tktQuotedString) TokenError(30282, SQLMemQuotedPasswordExpected);
    Password = token_.Text;
    ReadNextToken();
  }
}

void TSQLMemDDLDropIndex::Execute(bool, bool&, bool) {
  RowsAffected = 0;
  std::unique_ptr<TSQLMemTable> table = OpenIndexedTable(context_, TableName, InMemory);
  if (IfExists && table->IndexDefs().IndexOf(IndexName) < 0) return;
  table->DeleteIndex(IndexName);
  table->Close();
}
