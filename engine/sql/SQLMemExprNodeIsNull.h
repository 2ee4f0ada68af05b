// ISNULL(a): whether a is NULL. ISNULL(a, b): a, or b read in a's type when a is NULL.
#pragma once
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemExprNodeIsNullFunction : public TSQLMemExprNode {
 public:
  // Operator code 16 and one or two arguments.
  TSQLMemExprNodeIsNullFunction(std::unique_ptr<TSQLMemExprNode> first, std::unique_ptr<TSQLMemExprNode> second);

  // Two arguments of different types that are not both scalar raise 11600, but only when the first
  // is NULL (a second argument that does not convert raises the conversion's error then).
  TSQLMemVariant& Evaluate() override;
  // One argument Boolean; two the arguments' common type; 0 otherwise.
  Integer GetResultType() const override;
  Integer GetResultSize() const override;  // the larger argument size

 private:
  Integer firstType_ = 0, secondType_ = 0;  // the arguments' SQL types, taken when first needed
};
