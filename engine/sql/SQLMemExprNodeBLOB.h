// TOBLOB('text', format): a BLOB literal written as MIME base 64 (format 0) or hexadecimal (format 1)
// text, decoded once when the node is made.
#pragma once
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemExprNodeBLOBFunction : public TSQLMemExprNode {
 public:
  // Text the format does not accept raises 11344 with the text and the format.
  TSQLMemExprNodeBLOBFunction(Byte op, Integer format, const AnsiString& literal);
  TSQLMemVariant& Evaluate() override;  // the decoded bytes; another code raises 11343
  Integer GetResultType() const override { return sftBLOB; }
  Integer GetResultSize() const override { return 0; }
};
