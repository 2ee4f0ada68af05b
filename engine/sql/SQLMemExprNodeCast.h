// The CAST node: a value converted to the data type of an SQL field type.
#pragma once
#include "engine/sql/SQLMemExprNode.h"

// CAST(x AS type).
class TSQLMemExprNodeCast : public TSQLMemExprNode {
 public:
  TSQLMemExprNodeCast(std::unique_ptr<TSQLMemExprNode> argument, Integer targetFieldType);
  TSQLMemVariant& Evaluate() override;  // failed conversions raise 30051 / 30052
  Integer GetResultType() const override { return targetType_; }

 private:
  Integer targetType_;
};
