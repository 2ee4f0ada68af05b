// The statements of the SQL processor: every statement of a text becomes one command, which parses its
// tokens when it is made and then executes. TSQLMemSQLCommand holds what all statements share (the
// lexer position, the statement's context, the table it names) and the parsing services of the
// statement grammars; TSQLMemSQLCursorCommand is the base of the statements that yield rows: it builds
// a tree of query operators and runs it.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/sql/SQLMemLexer.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemAO;
class TSQLMemCursor;
class TSQLMemDataSet;
class TSQLMemExpression;
class TSQLMemFields;
class TSQLMemQuery;
class TSQLMemSQLParams;

// What a statement runs in: the query's database and session, whether its tables are in-memory,
// whether it asks for an editable result, its parameter values and the query component it runs for
// (both borrowed, may be nullptr).
struct TSQLMemSQLContext {
  AnsiString DatabaseName;
  AnsiString SessionName;
  bool InMemory = false;
  bool RequestLive = false;
  const TSQLMemSQLParams* Params = nullptr;
  TSQLMemQuery* Query = nullptr;
};

// A set of token kinds for ExpectNextToken.
class TTokenKinds {
 public:
  constexpr TTokenKinds() = default;
  constexpr TTokenKinds(std::initializer_list<TTokenType> kinds) {
    for (TTokenType kind : kinds) bits_ |= Bit(kind);
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool Contains(TTokenType kind) const { return (bits_ & Bit(kind)) != 0; }

 private:
  static constexpr std::uint32_t Bit(TTokenType kind) { return std::uint32_t{1} << static_cast<unsigned>(kind); }
  std::uint32_t bits_ = 0;
};

// The token kinds that name something.
inline constexpr TTokenKinds kNameTokens = {tktString, tktQuotedString, tktBracketedString, tktBackQuotedString};

class TSQLMemSQLCommand {
 public:
  // The lexer (borrowed) stands on the statement's first token that the command reads.
  TSQLMemSQLCommand(TSQLMemLexer& lexer, const TSQLMemSQLContext& context);
  virtual ~TSQLMemSQLCommand() = default;
  TSQLMemSQLCommand(const TSQLMemSQLCommand&) = delete;
  TSQLMemSQLCommand& operator=(const TSQLMemSQLCommand&) = delete;

  // Reads the statement; the processor calls it right after making the command.
  virtual void Parse() {}
  // Runs the statement once; readOnly receives whether the result may not be edited.
  virtual void Execute(bool makeDataSet, bool& readOnly, bool requestLive) = 0;
  virtual TSQLMemCursor* GetResultCursor() const { return nullptr; }
  virtual TSQLMemDataSet* GetResultDataSet() const { return nullptr; }

  Integer RowsAffected = 0;
  bool InMemory = true;
  AnsiString IntoDatabaseName;
  AnsiString IntoTableName;
  AnsiString DatabaseName;
  AnsiString TableName;

  const TSQLMemSQLContext& Context() const { return context_; }
  TSQLMemLexer& Lexer() const { return lexer_; }
  const TToken& Token() const { return token_; }

  // ---- parsing services: all read through the lexer into Token ----
  bool ReadCurrentToken();
  bool ReadNextToken();
  // Reads the next token. A token whose kind is not in kinds (when kinds is not empty) raises code
  // with message (token text, line, column), or gives false when code is -1. No next token gives false
  // when code is -1 and raises 30161 at the last token read otherwise.
  bool ExpectNextToken(TTokenKinds kinds, Integer code, const char* message);
  // A name token's text, then the next token; false (nothing read) when Token is no name.
  bool ParseName(AnsiString& name);
  // Comma-separated names (10406 for a comma without a name after it, 10407/10408 for a missing
  // name); the token after the last name is current.
  void ParseNameList(std::vector<AnsiString>& names);
  // Comma-separated plain column references (10409 for an item that is no column, 10410 for a comma
  // followed by neither a name nor a reserved word, 10411/10412 for a missing item).
  void ParseFieldList(TSQLMemFields& fields);
  // [MEMORY] name [. name] into InMemory, DatabaseName and TableName (30230/30231 when no name); the
  // token after the name is current. The context's database applies when none is named.
  void ParseTableName();
  // Points a table component at the statement's table: in-memory flag, database, table name, and the
  // context's session when the table is in the context's database.
  void SetupTable(TSQLMemDataSet& table) const;

  // Whether Token is the reserved word (compared by keyword).
  bool IsWord(const char* word) const;
  bool IsName() const { return kNameTokens.Contains(token_.TokenType); }
  bool AtEnd() const { return token_.TokenType == tktNone; }
  // Raises code with a message whose arguments are Token's text, line and column.
  [[noreturn]] void TokenError(Integer code, const char* message) const;
  // Raises code with "Token '%s' expected, but '%s' found ..." at Token.
  [[noreturn]] void TokenExpectedError(Integer code, const char* expected) const;
  // Raises code with "Unexpected end of SQL command ..." at the last token read.
  [[noreturn]] void EndOfCommandError(Integer code) const;
  // A new expression that carries the statement's parameters, in-memory flag, database and session.
  std::unique_ptr<TSQLMemExpression> NewExpression() const;

 protected:
  TSQLMemLexer& lexer_;
  TToken token_;
  TToken lastRead_;  // the last token that was present
  const TSQLMemSQLContext& context_;
};

// Whether token is the reserved word (compared by keyword, so letter case is free and quoted words
// never match).
bool TokenIsWord(const TToken& token, const char* word);

class TSQLMemSQLCursorCommand : public TSQLMemSQLCommand {
 public:
  TSQLMemSQLCursorCommand(TSQLMemLexer& lexer, const TSQLMemSQLContext& context);
  ~TSQLMemSQLCursorCommand() override;

  // Builds a new operator tree, locks its tables, directs an INTO, runs the tree and unlocks the
  // tables on every path. A failed run frees the tree.
  void Execute(bool makeDataSet, bool& readOnly, bool requestLive) override;
  TSQLMemCursor* GetResultCursor() const override;
  TSQLMemDataSet* GetResultDataSet() const override;
  // A new operator tree for the parsed statement.
  virtual std::unique_ptr<TSQLMemAO> BuildOperatorTree() = 0;

  TSQLMemAO* Operator() const { return operator_.get(); }
  bool RequestLive = false;

 private:
  std::unique_ptr<TSQLMemAO> operator_;
};
