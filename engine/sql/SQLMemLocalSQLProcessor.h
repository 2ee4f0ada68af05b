// The local engine's SQL processor: it runs a text statement by statement. Each statement becomes a
// command chosen by its first words, which parses itself and executes; the rows affected add up, and
// the last statement's result cursor is the run's result. Every run parses the text again, so a run
// always sees the current parameter values, and the processor owns each command from its creation on.
//
// Statements other than queries register their command class when they exist (RegisterSQLCommand);
// a statement whose class is not registered raises 30035.
#pragma once
#include <memory>

#include "engine/sql/SQLMemSQLCommand.h"
#include "engine/storage/SQLMemSQLProcessor.h"

class TSQLMemCursor;
class TSQLMemDataSet;

using TSQLMemSQLCommandFactory = std::unique_ptr<TSQLMemSQLCommand> (*)(TSQLMemLexer& lexer,
                                                                       const TSQLMemSQLContext& context);

// Registers the command class of a statement kind: "INSERT", "UPDATE", "DELETE", "START", "COMMIT",
// "ROLLBACK", "RENAME", "CREATE TABLE", "CREATE INDEX" (also for CREATE UNIQUE), "CREATE DATABASE",
// "DROP TABLE", "DROP INDEX", "DROP DATABASE", "ALTER TABLE". The lexer stands on the word the choice
// table leaves it on. A later registration of a kind replaces the earlier one, which is returned
// (nullptr when none); a nullptr factory removes the kind.
TSQLMemSQLCommandFactory RegisterSQLCommand(const char* kind, TSQLMemSQLCommandFactory factory);

// The command class chosen for the statement the lexer stands on (on its first token), made and
// parsed; the lexer is moved to where the choice table leaves it. Raises 30147-30154 and 30353.
std::unique_ptr<TSQLMemSQLCommand> CreateSQLCommand(TSQLMemLexer& lexer, const TSQLMemSQLContext& context);

class TSQLMemLocalSQLProcessor : public TSQLMemSQLProcessor {
 public:
  // context: the statement context; its Params is replaced by the processor's own Params.
  explicit TSQLMemLocalSQLProcessor(const TSQLMemSQLContext& context);
  ~TSQLMemLocalSQLProcessor() override;

  // Runs the text: every statement in order; RowsTotal sums their rows affected. The result is the
  // last statement's cursor, set before its first record, or none. A failing statement leaves what
  // the statements before it did, frees every command and propagates its error.
  void Prepare() override;
  void Unprepare() override;

  // The result of the last run; valid until the next run or the processor's end.
  TSQLMemCursor* ResultCursor() const { return resultCursor_; }
  TSQLMemDataSet* ResultDataSet() const;
  bool ResultIsReadOnly = true;
  bool RequestLive = false;

 private:
  void FreeCommands() noexcept;

  TSQLMemSQLContext context_;
  std::unique_ptr<TSQLMemSQLCommand> currentCommand_;
  TSQLMemCursor* resultCursor_ = nullptr;
};
