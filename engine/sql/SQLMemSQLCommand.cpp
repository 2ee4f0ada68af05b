#include "engine/sql/SQLMemSQLCommand.h"

#include <cstring>

#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemRelationalAlgebra.h"
#include "engine/storage/SQLMemCursor.h"

bool TokenIsWord(const TToken& token, const char* word) {
  return token.TokenType == tktReservedWord && std::strcmp(SQLKeyword(token.ReservedWord), word) == 0;
}

TSQLMemSQLCommand::TSQLMemSQLCommand(TSQLMemLexer& lexer, const TSQLMemSQLContext& context)
    : lexer_(lexer), context_(context) {
  ReadCurrentToken();
}

bool TSQLMemSQLCommand::ReadCurrentToken() {
  const bool present = lexer_.GetCurrentToken(token_);
  if (present) lastRead_ = token_;
  return present;
}

bool TSQLMemSQLCommand::ReadNextToken() {
  const bool present = lexer_.NextToken(token_);
  if (present) lastRead_ = token_;
  return present;
}

bool TSQLMemSQLCommand::IsWord(const char* word) const { return TokenIsWord(token_, word); }

void TSQLMemSQLCommand::TokenError(Integer code, const char* message) const {
  SQLMemError(code, message, {token_.Text, token_.LineNum, token_.ColumnNum});
}

void TSQLMemSQLCommand::TokenExpectedError(Integer code, const char* expected) const {
  SQLMemError(code, SQLMemTokenExpected, {expected, token_.Text, token_.LineNum, token_.ColumnNum});
}

void TSQLMemSQLCommand::EndOfCommandError(Integer code) const {
  SQLMemError(code, SQLMemUnexpectedEndOfCommand, {lastRead_.LineNum, lastRead_.ColumnNum});
}

bool TSQLMemSQLCommand::ExpectNextToken(TTokenKinds kinds, Integer code, const char* message) {
  if (!ReadNextToken()) {
    if (code == -1) return false;
    EndOfCommandError(30161);
  }
  if (!kinds.Empty() && !kinds.Contains(token_.TokenType)) {
    if (code == -1) return false;
    TokenError(code, message);
  }
  return true;
}

bool TSQLMemSQLCommand::ParseName(AnsiString& name) {
  if (!IsName()) return false;
  name = token_.Text;
  ReadNextToken();
  return true;
}

void TSQLMemSQLCommand::ParseNameList(std::vector<AnsiString>& names) {
  AnsiString name;
  if (!ParseName(name)) TokenError(10408, SQLMemFieldNameExpected);
  names.push_back(name);
  while (token_.TokenType == tktComma) {
    if (!ReadNextToken()) EndOfCommandError(30161);
    if (!IsName()) TokenError(10406, SQLMemUnexpectedToken);
    if (!ParseName(name)) TokenError(10407, SQLMemFieldNameExpected);
    names.push_back(name);
  }
}

void TSQLMemSQLCommand::ParseFieldList(TSQLMemFields& fields) {
  auto parseItem = [&](Integer missingCode) {
    if (AtEnd()) EndOfCommandError(missingCode);
    const TToken start = token_;
    TSQLMemExpression expression;
    expression.InMemory = context_.InMemory;
    expression.DatabaseName = context_.DatabaseName;
    expression.SessionName = context_.SessionName;
    expression.ParseValueExpression(lexer_);
    if (expression.IsEmpty()) {
      token_ = start;
      TokenError(missingCode, SQLMemFieldNameExpected);
    }
    if (!expression.IsField()) {
      token_ = start;
      TokenError(10409, SQLMemFieldNameExpected);
    }
    TSQLMemSelectListItem item;
    expression.GetFieldName(item.TableName, item.FieldName);
    fields.Add(item);
    ReadCurrentToken();
  };
  parseItem(10412);
  while (token_.TokenType == tktComma) {
    if (!ReadNextToken()) EndOfCommandError(30161);
    if (!IsName() && token_.TokenType != tktReservedWord) TokenError(10410, SQLMemUnexpectedToken);
    parseItem(10411);
  }
}

void TSQLMemSQLCommand::ParseTableName() {
  if (!IsName() && token_.TokenType != tktReservedWord) TokenError(30230, SQLMemTableNameExpected);
  if (IsWord("MEMORY")) {
    InMemory = true;
    if (!ReadNextToken()) EndOfCommandError(30161);
    if (!IsName() && token_.TokenType != tktReservedWord) TokenError(30231, SQLMemTableNameExpected);
  } else {
    InMemory = false;
  }
  TableName = token_.Text;
  DatabaseName.clear();
  bool databaseNamed = false;
  ReadNextToken();
  if (token_.TokenType == tktDot) {
    TToken next;
    lexer_.PeekNextToken(next);
    if (kNameTokens.Contains(next.TokenType)) {
      DatabaseName = TableName;
      databaseNamed = true;
      ReadNextToken();
      TableName = token_.Text;
      ReadNextToken();
    }
  }
  if (context_.InMemory) InMemory = true;
  if (InMemory == context_.InMemory && !databaseNamed) DatabaseName = context_.DatabaseName;
}

std::unique_ptr<TSQLMemExpression> TSQLMemSQLCommand::NewExpression() const {
  auto expression = std::make_unique<TSQLMemExpression>();
  expression->SetParams(context_.Params);
  expression->InMemory = context_.InMemory;
  expression->DatabaseName = context_.DatabaseName;
  expression->SessionName = context_.SessionName;
  return expression;
}

void TSQLMemSQLCommand::SetupTable(TSQLMemDataSet& table) const {
  table.SetInMemory(InMemory);
  if (!DatabaseName.empty()) table.SetDatabaseName(DatabaseName);
  if (auto* memTable = dynamic_cast<TSQLMemTable*>(&table)) memTable->SetTableName(TableName);
  if (!context_.SessionName.empty() && context_.DatabaseName == table.DatabaseName())
    table.SetSessionName(context_.SessionName);
}

TSQLMemSQLCursorCommand::TSQLMemSQLCursorCommand(TSQLMemLexer& lexer, const TSQLMemSQLContext& context)
    : TSQLMemSQLCommand(lexer, context), RequestLive(context.RequestLive) {}

TSQLMemSQLCursorCommand::~TSQLMemSQLCursorCommand() = default;

void TSQLMemSQLCursorCommand::Execute(bool makeDataSet, bool& readOnly, bool requestLive) {
  RowsAffected = 0;
  RequestLive = requestLive;
  operator_.reset();
  operator_ = BuildOperatorTree();
  try {
    operator_->LockTables();
  } catch (...) {
    operator_.reset();
    throw;
  }
  try {
    if (!IntoTableName.empty()) {
      if (IntoDatabaseName.empty()) IntoDatabaseName = InMemory ? AnsiString("MEMORY") : context_.DatabaseName;
      operator_->SetResultTable(InMemory, IntoTableName, IntoDatabaseName);
    }
    operator_->Execute(true);
    if (makeDataSet) {
      TSQLMemCursor* cursor = GetResultCursor();
      readOnly = !RequestLive || cursor == nullptr || cursor->ReadOnly != 0;
      if (cursor != nullptr) cursor->ReadOnly = readOnly ? 1 : 0;
    }
  } catch (...) {
    operator_->UnlockTables();
    operator_.reset();
    throw;
  }
  operator_->UnlockTables();
}

TSQLMemDataSet* TSQLMemSQLCursorCommand::GetResultDataSet() const {
  return operator_ != nullptr ? operator_->ResultDataSet() : nullptr;
}

TSQLMemCursor* TSQLMemSQLCursorCommand::GetResultCursor() const {
  TSQLMemDataSet* result = GetResultDataSet();
  return result != nullptr ? result->Cursor() : nullptr;
}
