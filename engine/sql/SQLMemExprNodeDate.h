// The date-function node: the current date and time, TODATE and TOSTRING through a date format
// pattern, and the parts of a date-time (YEAR .. MSECOND, the English day and month names).
#pragma once
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemExprNodeDateFunction : public TSQLMemExprNode {
 public:
  // The pattern serves TODATE and TOSTRING; SYSDATE, CURRENT_DATE and CURRENT_TIME take no argument.
  TSQLMemExprNodeDateFunction(Byte op, const AnsiString& formatPattern, std::unique_ptr<TSQLMemExprNode> argument);

  // TODATE gives a time for a text without date, a date for one without time, else a time stamp; the
  // parts of NULL are NULL; a part without argument raises 11606, a code outside 40..56 30130.
  TSQLMemVariant& Evaluate() override;
  // DateTime for the clock and TODATE; Varchar for TOSTRING and the names; Word for the other parts.
  // A code outside 40..56 raises 30287.
  Integer GetResultType() const override;
  // TOSTRING the longest text of the pattern; the names 9; 0 otherwise.
  Integer GetResultSize() const override;

 private:
  void EvaluatePart();

  std::unique_ptr<TDateFormater> formatter_;
};
