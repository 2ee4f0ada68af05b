// The arithmetic node: "+" over two or more operands, unary "-", "*", "/", the numeric functions
// (ABS, CEIL, FLOOR, MOD, POWER, RANDOM, ROUND, SIGN, TRUNC), the bit operators, HEX and the running
// CUMSUM and CUMPROD. The arithmetic is the value type's, done in place on the node's value.
#pragma once
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemExprNodeArithmetic : public TSQLMemExprNode {
 public:
  // Further operands are appended with AddChild; RANDOM() passes no operand (nullptr).
  TSQLMemExprNodeArithmetic(Byte op, std::unique_ptr<TSQLMemExprNode> first);

  // Another code raises 30121. CUMSUM and CUMPROD without operand raise 11766 / 11767, over a value
  // that is not a number 11765 / 11768.
  TSQLMemVariant& Evaluate() override;
  // CEIL and FLOOR Integer; MOD LargeInt; POWER LargeInt of two integers, else Extended; RANDOM
  // Extended, Integer with a range; ROUND and TRUNC LargeInt, Extended with digits; HEX Char; CUMSUM
  // and CUMPROD their operand's float or Currency type, else LargeInt; the others the operands'
  // common type.
  Integer GetResultType() const override;

 private:
  // The running CUMSUM or CUMPROD: the first row starts it (a NULL first row gives 0 or 1), later
  // rows add or multiply, NULL rows leave it. It lives as long as the node, which lives for one
  // execution of its statement.
  void EvaluateRunning();
  void TakeChild(Integer index);  // borrows child index's value

  bool running_ = false;
};
