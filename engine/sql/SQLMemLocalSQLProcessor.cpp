#include "engine/sql/SQLMemLocalSQLProcessor.h"

#include <map>
#include <string>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/sql/SQLMemDDLIndex.h"
#include "engine/sql/SQLMemDDLTable.h"
#include "engine/sql/SQLMemSelect.h"
#include "engine/storage/SQLMemCursor.h"

namespace {

template <class Command>
std::unique_ptr<TSQLMemSQLCommand> MakeCommand(TSQLMemLexer& lexer, const TSQLMemSQLContext& context) {
  return std::make_unique<Command>(lexer, context);
}

// The statements the engine has, before any registration.
std::map<std::string, TSQLMemSQLCommandFactory>& Registry() {
  static std::map<std::string, TSQLMemSQLCommandFactory> registry = {
      {"CREATE TABLE", &MakeCommand<TSQLMemDDLCreateTable>},
      {"DROP TABLE", &MakeCommand<TSQLMemDDLDropTable>},
      {"ALTER TABLE", &MakeCommand<TSQLMemDDLAlterTable>},
      {"RENAME", &MakeCommand<TSQLMemDDLRenameTable>},
      {"CREATE INDEX", &MakeCommand<TSQLMemDDLCreateIndex>},
      {"DROP INDEX", &MakeCommand<TSQLMemDDLDropIndex>},
  };
  return registry;
}

// The second word of CREATE, DROP and ALTER: the accepted words, the codes for another token and for
// the end of the statement.
struct TObjectWords {
  const char* verb;
  std::initializer_list<const char*> objects;
  Integer wrongCode;
  Integer endCode;
};

const TObjectWords kObjectWords[] = {
    {"CREATE", {"TABLE", "UNIQUE", "INDEX", "DATABASE"}, 30147, 30148},
    {"DROP", {"TABLE", "INDEX", "DATABASE"}, 30149, 30150},
    {"ALTER", {"TABLE"}, 30151, 30152},
};

constexpr const char* kSingleWords[] = {"INSERT", "UPDATE", "DELETE", "START", "COMMIT", "ROLLBACK"};

[[noreturn]] void TokenError(const TToken& token, Integer code, const char* message) {
  SQLMemError(code, message, {token.Text, token.LineNum, token.ColumnNum});
}

// The registered command of kind, made and parsed.
std::unique_ptr<TSQLMemSQLCommand> MakeRegistered(const std::string& kind, TSQLMemLexer& lexer,
                                                  const TSQLMemSQLContext& context) {
  const auto found = Registry().find(kind);
  if (found == Registry().end()) SQLMemError(30035, SQLMemNotImplementedYet);
  std::unique_ptr<TSQLMemSQLCommand> command = found->second(lexer, context);
  command->Parse();
  return command;
}

}  // namespace

TSQLMemSQLCommandFactory RegisterSQLCommand(const char* kind, TSQLMemSQLCommandFactory factory) {
  auto& registry = Registry();
  const auto found = registry.find(kind);
  const TSQLMemSQLCommandFactory previous = found != registry.end() ? found->second : nullptr;
  if (factory != nullptr) {
    registry[kind] = factory;
  } else if (found != registry.end()) {
    registry.erase(found);
  }
  return previous;
}

std::unique_ptr<TSQLMemSQLCommand> CreateSQLCommand(TSQLMemLexer& lexer, const TSQLMemSQLContext& context) {
  TToken first;
  lexer.GetCurrentToken(first);
  if (TokenIsWord(first, "SELECT") || first.TokenType == tktLeftParenthesis) {
    auto command = std::make_unique<TSQLMemSQLUnion>(lexer, context);
    command->Parse();
    return command;
  }
  if (first.TokenType != tktReservedWord) TokenError(first, 30154, SQLMemSQLTokenExpected);
  for (const char* word : kSingleWords)
    if (TokenIsWord(first, word)) return MakeRegistered(word, lexer, context);
  TToken second;
  if (TokenIsWord(first, "RENAME")) {
    if (!lexer.NextToken(second)) SQLMemError(30353, SQLMemUnexpectedEndOfCommand, {first.LineNum, first.ColumnNum});
    if (TokenIsWord(second, "TABLE")) lexer.NextToken(second);
    return MakeRegistered("RENAME", lexer, context);
  }
  for (const TObjectWords& entry : kObjectWords) {
    if (!TokenIsWord(first, entry.verb)) continue;
    if (!lexer.NextToken(second))
      SQLMemError(entry.endCode, SQLMemUnexpectedEndOfCommand, {first.LineNum, first.ColumnNum});
    for (const char* object : entry.objects) {
      if (!TokenIsWord(second, object)) continue;
      const std::string kind = std::string(entry.verb) + " " + (std::string(object) == "UNIQUE" ? "INDEX" : object);
      return MakeRegistered(kind, lexer, context);
    }
    TokenError(second, entry.wrongCode, SQLMemObjectTypeKeywordExpected);
  }
  TokenError(first, 30153, SQLMemSQLTokenExpected);
}

TSQLMemLocalSQLProcessor::TSQLMemLocalSQLProcessor(const TSQLMemSQLContext& context)
    : TSQLMemSQLProcessor(nullptr), RequestLive(context.RequestLive), context_(context) {
  context_.Params = &Params;
}

TSQLMemLocalSQLProcessor::~TSQLMemLocalSQLProcessor() { FreeCommands(); }

void TSQLMemLocalSQLProcessor::FreeCommands() noexcept {
  resultCursor_ = nullptr;
  currentCommand_.reset();
}

TSQLMemDataSet* TSQLMemLocalSQLProcessor::ResultDataSet() const {
  return currentCommand_ != nullptr ? currentCommand_->GetResultDataSet() : nullptr;
}

void TSQLMemLocalSQLProcessor::Unprepare() {
  FreeCommands();
  TSQLMemSQLProcessor::Unprepare();
}

void TSQLMemLocalSQLProcessor::Prepare() {
  TSQLMemSQLProcessor::Prepare();
  FreeCommands();
  context_.RequestLive = RequestLive;
  context_.Query = Query;
  try {
    TSQLMemLexer lexer(SQLText, &Params);
    while (lexer.NextStatement()) {
      // The previous statement's result goes before the next statement runs.
      FreeCommands();
      currentCommand_ = CreateSQLCommand(lexer, context_);
      currentCommand_->Execute(true, ResultIsReadOnly, RequestLive);
      RowsTotal += currentCommand_->RowsAffected;
      resultCursor_ = currentCommand_->GetResultCursor();
      if (resultCursor_ != nullptr) resultCursor_->SetBeginOfData();
    }
  } catch (...) {
    FreeCommands();
    NeedsPreparation = 1;
    throw;
  }
}
