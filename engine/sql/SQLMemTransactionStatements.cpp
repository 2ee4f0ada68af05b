#include "engine/sql/SQLMemTransactionStatements.h"

#include "engine/foundation/SQLMemExcept.h"

void TSQLMemStartTransaction::Parse() {
  if (!ReadNextToken()) EndOfCommandError(10845);
  if (!IsWord("TRANSACTION")) TokenError(10846, "SQL token expected, but '%s' found at line %d, column %d");
}

void TSQLMemCommit::Parse() {
  if (ReadNextToken() && IsWord("NOFLUSH")) Flush = false;
}
